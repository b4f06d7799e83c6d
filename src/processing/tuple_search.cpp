#include "processing/tuple_search.h"

#include <algorithm>
#include <new>

#include "processing/fixed_search.h"
#include "processing/match.h"

namespace velmora {

int tupleInstances(int32_t tupleSize, int32_t phase, int32_t pulses, int16_t* first,
                   int16_t* last) {
  if (tupleSize <= 0 || pulses <= 0) return 0;
  const int32_t r = ((phase % tupleSize) + tupleSize) % tupleSize;
  int count = 0;
  int32_t start = 1;
  int32_t end = std::min(tupleSize - r, pulses);
  while (true) {
    first[count] = static_cast<int16_t>(start);
    last[count] = static_cast<int16_t>(end);
    ++count;
    if (end >= pulses) return count;
    start = end + 1;
    end = std::min(start + tupleSize - 1, pulses);
  }
}

namespace {

// Windows of tuple detection: the first pulse ends within Tmax samples of the series
// start, the last starts within Tmax samples of its end, every pulse lies inside the
// series, and the others are bounded by the Tmin/Tmax chain from both ends. Computed in
// 64 bits (M * Tmax can pass the 32-bit range) and clipped to 0 .. L - n.
std::vector<PulseWindow> detectionWindows(const SeriesHeader& series, int64_t tmin,
                                          int64_t tmax) {
  const int64_t L = series.dwSeriesSize;
  const int64_t n = series.wImpulseSize;
  const int64_t M = series.wImpulseQuantity;
  std::vector<PulseWindow> windows(static_cast<size_t>(M));
  for (int64_t j = 0; j < M; ++j) {
    int64_t lo = std::max(j * tmin, L - (M - j) * tmax);
    int64_t hi = std::min((j + 1) * tmax - n, L - n - (M - 1 - j) * tmin);
    lo = std::max<int64_t>(lo, 0);
    hi = std::min(hi, L - n);
    if (hi < lo) lo = 0, hi = -1;  // empty; bounds far past the series would not fit 32 bits
    windows[j].lo = static_cast<int32_t>(lo);
    windows[j].hi = static_cast<int32_t>(hi);
  }
  return windows;
}

// A chain of a (tuple, phase) pass with its tuple instances.
struct TupleAnswer {
  PassChain chain;
  int instances = 0;
  std::vector<int16_t> first;
  std::vector<int16_t> last;
};

void writeTupleAnswer(SeriesHeader& series, const TupleAnswer& answer) {
  writeSeriesAnswer(series, answer.chain);
  series.wTupleInstances = static_cast<int16_t>(answer.instances);
  std::copy_n(answer.first.data(), answer.instances, series.lpTupleFirst);
  std::copy_n(answer.last.data(), answer.instances, series.lpTupleLast);
}

void clearTupleAnswer(SeriesHeader& series) {
  series.wFoundPulses = 0;
  series.wTupleInstances = 0;
}

// All working storage of a tuple search, allocated before anything is written: the pass
// tables, two answers, and the energies of up to `etalonCount` tuple etalons.
struct TupleWork {
  ChainPass pass;
  TupleAnswer current;
  TupleAnswer best;
  std::vector<MatchEtalon> etalons;
  std::vector<CandidateSpan> candidates;
};

bool allocateTupleWork(Window& window, const std::vector<PulseWindow>& windows, size_t etalonCount,
                       uint16_t impulseSize, const char* blockText, TupleWork& work) {
  try {
    work.pass.allocate(windows);
    for (TupleAnswer* a : {&work.current, &work.best}) {
      work.pass.sizeChain(a->chain);
      a->first.assign(windows.size(), 0);
      a->last.assign(windows.size(), 0);
    }
    work.etalons.resize(etalonCount);
    for (MatchEtalon& e : work.etalons) e.energy.reserve(size_t{impulseSize} + 1);
    work.candidates.resize(windows.size());
  } catch (const std::bad_alloc&) {
    window.messageBox(work.pass.rowsReady() ? blockText : kTupleNoMemoryRows, nullptr, kMbOk);
    return false;
  }
  return true;
}

// Prepares the etalons of a tuple; false when one of its numbers names no usable etalon.
bool prepareTuple(const PulseHeader* alphabet, int32_t size, const int32_t* tuple,
                  uint16_t impulseSize, uint16_t savedLevel, TupleWork& work) {
  if (size <= 0 || !tuple) return false;
  for (int32_t k = 0; k < size; ++k)
    if (!prepareMatchEtalon(alphabet, tuple[k], impulseSize, savedLevel, work.etalons[k]))
      return false;
  return true;
}

// One pass with tuple `size` and phase r: pulse j's only candidate is entry (j + r) mod K.
// The trace-back starts from nine nines so that every pass that finds an end yields its
// chain.
void runTuplePass(TupleWork& work, int32_t size, int32_t phase, const SeriesHeader& series,
                  int32_t tmin, int32_t tmax) {
  for (size_t j = 0; j < work.candidates.size(); ++j)
    work.candidates[j] = CandidateSpan{&work.etalons[(j + phase) % size], 1};
  TupleAnswer& a = work.current;
  work.pass.run(work.candidates, series.lpNoisyData, tmin, tmax,
                PassStarts{kSixNines, kSevenNines, kNineNines}, a.chain);
  a.instances = a.chain.found
                    ? tupleInstances(size, phase, static_cast<int32_t>(a.chain.positions.size()),
                                     a.first.data(), a.last.data())
                    : 0;
}

int32_t phaseCount(uint16_t subsetProceeding, int32_t size) {
  return subsetProceeding == kSubsetProceedingComplete ? 1 : size;
}

}  // namespace

int tupleDetectionSearch(Window& window, const PulseHeader* alphabet, int32_t tupleSize,
                         const int32_t* tuple, uint16_t subsetProceeding, uint16_t tmin,
                         uint16_t tmax, uint16_t savedLevel, ChainsHeader* chains,
                         SeriesHeader* series) {
  if (!series) return 0;
  const bool ok = searchableSeries(*series);
  TupleWork work;
  std::vector<PulseWindow> windows;
  try {
    if (ok) windows = detectionWindows(*series, tmin, tmax);
  } catch (const std::bad_alloc&) {
    window.messageBox(kTupleNoMemoryRows, nullptr, kMbOk);
    return 0;
  }
  if (!allocateTupleWork(window, windows, static_cast<size_t>(std::max(tupleSize, 0)),
                         series->wImpulseSize, kTupleDetectionNoMemoryBlock, work))
    return 0;

  const uint16_t pulses = series->wImpulseQuantity;
  const bool usable =
      ok && prepareTuple(alphabet, tupleSize, tuple, series->wImpulseSize, savedLevel, work);
  if (chains) emptyChainsHeader(*chains, pulses, pulses, pulses);

  MatchCost best = kSevenNines;
  bool found = false;
  const int32_t phases = usable ? phaseCount(subsetProceeding, tupleSize) : 0;
  for (int32_t r = 0; r < phases; ++r) {
    runTuplePass(work, tupleSize, r, *series, tmin, tmax);
    if (!work.current.chain.found) continue;
    if (chains) insertChain(*chains, work.current.chain);
    if (work.current.chain.score < best) {
      best = work.current.chain.score;
      found = true;
      writeTupleAnswer(*series, work.current);
    }
  }
  if (!found) clearTupleAnswer(*series);
  return 1;
}

int tupleRecognitionSearch(Window& window, const PulseHeader* alphabet,
                           const int32_t* tupleSizes, const int32_t* const* tuples,
                           int32_t tupleCount, uint16_t subsetProceeding, uint16_t tmin,
                           uint16_t tmax, uint16_t savedLevel, ChainsHeader* chains,
                           SeriesHeader* series) {
  if (!series) return 0;
  const bool ok = searchableSeries(*series);
  int32_t longest = 0;
  for (int32_t t = 0; tupleSizes && t < tupleCount; ++t) longest = std::max(longest, tupleSizes[t]);
  TupleWork work;
  std::vector<PulseWindow> windows;
  try {
    if (ok) windows = seriesWindows(*series);
  } catch (const std::bad_alloc&) {
    window.messageBox(kTupleNoMemoryRows, nullptr, kMbOk);
    return 0;
  }
  if (!allocateTupleWork(window, windows, static_cast<size_t>(longest), series->wImpulseSize,
                         kTupleRecognitionNoMemoryBlock, work))
    return 0;

  const uint16_t pulses = series->wImpulseQuantity;
  if (chains) emptyChainsHeader(*chains, pulses, pulses, pulses);

  MatchCost best = kSevenNines;
  int recognised = 0;
  for (int32_t t = 0; ok && tupleSizes && tuples && t < tupleCount; ++t) {
    const int32_t size = tupleSizes[t];
    if (!prepareTuple(alphabet, size, tuples[t], series->wImpulseSize, savedLevel, work))
      continue;
    for (int32_t r = 0; r < phaseCount(subsetProceeding, size); ++r) {
      runTuplePass(work, size, r, *series, tmin, tmax);
      if (!work.current.chain.found) continue;
      if (work.current.chain.score < best) {
        best = work.current.chain.score;
        recognised = t + 1;
        std::swap(work.best, work.current);
        if (chains) insertChain(*chains, work.best.chain);
      } else if (chains) {
        insertChain(*chains, work.current.chain);
      }
    }
  }
  if (recognised == 0) {
    clearTupleAnswer(*series);
    series->wFoundTuple = 0;
    return 0;
  }
  writeTupleAnswer(*series, work.best);
  series->wFoundTuple = static_cast<int16_t>(recognised);
  return recognised;
}

}  // namespace velmora
