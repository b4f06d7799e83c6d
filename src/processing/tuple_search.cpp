#include "processing/tuple_search.h"

#include <algorithm>
#include <new>

#include "processing/fixed_search.h"
#include "processing/match.h"
#include "processing/search_kernels.h"
#include "processing/search_workspace.h"
#include "processing/unfixed_search.h"

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

void tupleDetectionWindows(const SeriesHeader& series, int64_t tmin, int64_t tmax,
                           std::vector<PulseWindow>& windows) {
  const int64_t L = series.dwSeriesSize;
  const int64_t n = series.wImpulseSize;
  const int64_t M = series.wImpulseQuantity;
  windows.resize(static_cast<size_t>(M));
  for (int64_t j = 0; j < M; ++j) {
    int64_t lo = std::max(j * tmin, L - (M - j) * tmax);
    int64_t hi = std::min((j + 1) * tmax - n, L - n - (M - 1 - j) * tmin);
    lo = std::max<int64_t>(lo, 0);
    hi = std::min(hi, L - n);
    if (hi < lo) lo = 0, hi = -1;  // empty; bounds far past the series would not fit 32 bits
    windows[j].lo = static_cast<int32_t>(lo);
    windows[j].hi = static_cast<int32_t>(hi);
  }
}

namespace {

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

// The distinct etalons of the alphabet that the tuples name: one local-match table each.
size_t distinctEtalons(const int32_t* sizes, const int32_t* const* tuples, int32_t count) {
  bool seen[kAlphabetSize] = {};
  size_t distinct = 0;
  for (int32_t t = 0; t < count; ++t) {
    if (tuples[t] == nullptr) continue;
    for (int32_t k = 0; k < sizes[t]; ++k) {
      const int32_t number = tuples[t][k];
      if (number < 1 || number > kAlphabetSize || seen[number - 1]) continue;
      seen[number - 1] = true;
      ++distinct;
    }
  }
  return distinct;
}

// All working storage of a tuple search over the windows in work.fixed.windows, allocated
// before anything is written. Null, or the text of the storage that could not be had.
const char* allocateTupleWork(SearchWorkspace& work, size_t etalonCount, size_t tables,
                              uint16_t impulseSize, const char* blockText) {
  if (const char* failure = allocateFixedWork(etalonCount, tables, impulseSize,
                                              kTupleNoMemoryRows, blockText, work.fixed))
    return failure;
  try {
    const size_t pulses = work.fixed.windows.size();
    for (TupleAnswer* a : {&work.tuple.current, &work.tuple.best}) {
      work.fixed.pass.sizeChain(a->chain);
      a->first.assign(pulses, 0);
      a->last.assign(pulses, 0);
    }
    work.tuple.tableOf.assign(kAlphabetSize, -1);
    work.tuple.tablesUsed = 0;
  } catch (const std::bad_alloc&) {
    return blockText;
  }
  return nullptr;
}

// Prepares the etalons of a tuple and the local-match table of each one not met before
// in this call; false when one of its numbers names no usable etalon.
template <typename Kernels>
bool prepareTuple(Kernels& kernels, const PulseHeader* alphabet, int32_t size,
                  const int32_t* tuple, const SeriesHeader& series, uint16_t savedLevel,
                  SearchWorkspace& work) {
  if (size <= 0 || !tuple) return false;
  FixedSearchWork& fixed = work.fixed;
  for (int32_t k = 0; k < size; ++k)
    if (!isAlphabetEtalon(tuple[k]) ||
        !prepareMatchEtalon(alphabet, tuple[k], series.wImpulseSize, savedLevel, fixed.etalons[k]))
      return false;
  for (int32_t k = 0; k < size; ++k) {
    int32_t& table = work.tuple.tableOf[tuple[k] - 1];
    if (table >= 0) continue;
    table = work.tuple.tablesUsed++;
    kernels.fill(fixed, static_cast<size_t>(table), &fixed.etalons[k], 1, series.lpNoisyData);
  }
  return true;
}

// One pass with tuple `size` and phase r: pulse j reads the table of entry (j + r) mod K.
// The trace-back starts from nine nines so that every pass that finds an end yields its
// chain.
template <typename Kernels>
void runTuplePass(Kernels& kernels, SearchWorkspace& work, int32_t size, const int32_t* tuple,
                  int32_t phase, int32_t tmin, int32_t tmax) {
  FixedSearchWork& fixed = work.fixed;
  for (size_t j = 0; j < fixed.pulseTables.size(); ++j)
    fixed.pulseTables[j] = &fixed.tables[work.tuple.tableOf[tuple[(j + phase) % size] - 1]];
  TupleAnswer& a = work.tuple.current;
  kernels.run(fixed, tmin, tmax, PassStarts{kSixNines, kSevenNines, kNineNines}, a.chain);
  a.instances = a.chain.found
                    ? tupleInstances(size, phase, static_cast<int32_t>(a.chain.positions.size()),
                                     a.first.data(), a.last.data())
                    : 0;
}

int32_t phaseCount(uint16_t subsetProceeding, int32_t size) {
  return subsetProceeding == kSubsetProceedingComplete ? 1 : size;
}

}  // namespace

template <typename Kernels>
SearchOutcome tupleDetectionSearchWith(Kernels& kernels, const SearchInputs& in,
                                       ChainsHeader* chains, SeriesHeader* series) {
  if (!series) return {0};
  const PulseHeader* const alphabet = in.alphabet;
  const int32_t tupleSize = in.selectedSubsetSize;
  const int32_t* const tuple = in.selectedSubset;
  const uint16_t subsetProceeding = static_cast<uint16_t>(in.subsetProceedingMode);
  const uint16_t tmin = in.tmin, tmax = in.tmax, savedLevel = in.procSavedLevel;
  SearchWorkspace* const workspace = in.workspace;
  SearchWorkspace own;
  SearchWorkspace& work = workspace ? *workspace : own;
  const bool ok = searchableSeries(*series);
  try {
    if (ok)
      tupleDetectionWindows(*series, tmin, tmax, work.fixed.windows);
    else
      work.fixed.windows.clear();
  } catch (const std::bad_alloc&) {
    return {0, kTupleNoMemoryRows};
  }
  const int32_t size = tuple ? std::max(tupleSize, 0) : 0;
  if (const char* failure =
          allocateTupleWork(work, static_cast<size_t>(size), distinctEtalons(&size, &tuple, 1),
                            series->wImpulseSize, kTupleDetectionNoMemoryBlock))
    return {0, failure};

  const uint16_t pulses = series->wImpulseQuantity;
  const bool usable =
      ok && prepareTuple(kernels, alphabet, tupleSize, tuple, *series, savedLevel, work);
  if (chains) emptyChainsHeader(*chains, pulses, pulses, pulses);

  MatchCost best = kSevenNines;
  bool found = false;
  TupleAnswer& current = work.tuple.current;
  const int32_t phases = usable ? phaseCount(subsetProceeding, tupleSize) : 0;
  for (int32_t r = 0; r < phases; ++r) {
    runTuplePass(kernels, work, tupleSize, tuple, r, tmin, tmax);
    if (!current.chain.found) continue;
    if (chains) insertChain(*chains, current.chain);
    if (current.chain.score < best) {
      best = current.chain.score;
      found = true;
      writeTupleAnswer(*series, current);
    }
  }
  if (!found) clearTupleAnswer(*series);
  return {1};
}

template <typename Kernels>
SearchOutcome tupleRecognitionSearchWith(Kernels& kernels, const SearchInputs& in,
                                         ChainsHeader* chains, SeriesHeader* series) {
  if (!series) return {0};
  const PulseHeader* const alphabet = in.alphabet;
  const int32_t* const tupleSizes = in.subsetSizes;
  const int32_t* const* const tuples = in.subsetRows;
  const int32_t tupleCount = in.subsetCount;
  const uint16_t subsetProceeding = static_cast<uint16_t>(in.subsetProceedingMode);
  const uint16_t tmin = in.tmin, tmax = in.tmax, savedLevel = in.procSavedLevel;
  SearchWorkspace* const workspace = in.workspace;
  SearchWorkspace own;
  SearchWorkspace& work = workspace ? *workspace : own;
  const bool ok = searchableSeries(*series);
  int32_t longest = 0;
  for (int32_t t = 0; tupleSizes && t < tupleCount; ++t) longest = std::max(longest, tupleSizes[t]);
  try {
    if (ok)
      seriesWindows(*series, work.fixed.windows);
    else
      work.fixed.windows.clear();
  } catch (const std::bad_alloc&) {
    return {0, kTupleNoMemoryRows};
  }
  const bool listed = tupleSizes && tuples;
  if (const char* failure = allocateTupleWork(
          work, static_cast<size_t>(longest),
          listed ? distinctEtalons(tupleSizes, tuples, tupleCount) : 0, series->wImpulseSize,
          kTupleRecognitionNoMemoryBlock))
    return {0, failure};

  const uint16_t pulses = series->wImpulseQuantity;
  if (chains) emptyChainsHeader(*chains, pulses, pulses, pulses);

  MatchCost best = kSevenNines;
  int recognised = 0;
  TupleAnswer& current = work.tuple.current;
  for (int32_t t = 0; ok && listed && t < tupleCount; ++t) {
    const int32_t size = tupleSizes[t];
    if (!prepareTuple(kernels, alphabet, size, tuples[t], *series, savedLevel, work)) continue;
    for (int32_t r = 0; r < phaseCount(subsetProceeding, size); ++r) {
      runTuplePass(kernels, work, size, tuples[t], r, tmin, tmax);
      if (!current.chain.found) continue;
      if (current.chain.score < best) {
        best = current.chain.score;
        recognised = t + 1;
        std::swap(work.tuple.best, current);
        if (chains) insertChain(*chains, work.tuple.best.chain);
      } else if (chains) {
        insertChain(*chains, current.chain);
      }
    }
  }
  if (recognised == 0) {
    clearTupleAnswer(*series);
    series->wFoundTuple = 0;
    return {0};
  }
  writeTupleAnswer(*series, work.tuple.best);
  series->wFoundTuple = static_cast<int16_t>(recognised);
  return {recognised};
}

#define VELMORA_TUPLE_SEARCHES(Kernels)                                                      \
  template SearchOutcome tupleDetectionSearchWith<Kernels>(Kernels&, const SearchInputs&,    \
                                                           ChainsHeader*, SeriesHeader*);     \
  template SearchOutcome tupleRecognitionSearchWith<Kernels>(Kernels&, const SearchInputs&,  \
                                                             ChainsHeader*, SeriesHeader*);
VELMORA_TUPLE_SEARCHES(FastPassKernels)
VELMORA_TUPLE_SEARCHES(PlainPassKernels)
#undef VELMORA_TUPLE_SEARCHES

}  // namespace velmora
