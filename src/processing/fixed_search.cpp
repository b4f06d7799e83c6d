#include "processing/fixed_search.h"

#include <algorithm>
#include <new>

namespace velmora {

bool searchableSeries(const SeriesHeader& s) {
  return s.lpNoisyData && s.lpMinPositions && s.lpMaxPositions && s.lpFoundPositions &&
         s.lpFoundEtalons && s.lpFoundFirstSamples && s.lpFoundLastSamples && s.lpTupleFirst &&
         s.lpTupleLast && s.dwSeriesSize <= s.dwReservedSize && s.wImpulseSize > 0 &&
         s.wImpulseQuantity > 0 && s.wImpulseQuantity <= s.wReservedImpulses;
}

std::vector<PulseWindow> seriesWindows(const SeriesHeader& series) {
  const int32_t pulses = series.wImpulseQuantity;
  const int32_t lastStart = static_cast<int32_t>(series.dwSeriesSize) - series.wImpulseSize;
  std::vector<PulseWindow> windows(static_cast<size_t>(pulses));
  for (int32_t j = 0; j < pulses; ++j) {
    windows[j].lo = std::max<int32_t>(series.lpMinPositions[j], 0);
    windows[j].hi = std::min<int32_t>(series.lpMaxPositions[j], lastStart);
  }
  return windows;
}

void ChainPass::allocate(const std::vector<PulseWindow>& windows) {
  rowsReady_ = false;
  offsets_.assign(windows.size() + 1, 0);
  rowsReady_ = true;
  windows_ = windows;
  size_t widest = 0;
  for (size_t j = 0; j < windows.size(); ++j) {
    const PulseWindow& w = windows[j];
    const size_t width = w.hi >= w.lo ? static_cast<size_t>(w.hi - w.lo) + 1 : 0;
    offsets_[j + 1] = offsets_[j] + width;
    widest = std::max(widest, width);
  }
  values_.assign(offsets_.back(), 0);
  kept_.assign(offsets_.back(), Kept{0, 0, 0});
  local_.assign(widest, LocalMatch{});
  predecessors_.assign(widest, Predecessor{});
}

void ChainPass::sizeChain(PassChain& chain) const {
  const size_t pulses = windows_.size();
  chain.positions.assign(pulses, 0);
  chain.etalons.assign(pulses, 0);
  chain.firstSamples.assign(pulses, 0);
  chain.lastSamples.assign(pulses, 0);
}

void ChainPass::run(const std::vector<CandidateSpan>& candidates, const int16_t* x, int32_t tmin,
                    int32_t tmax, const PassStarts& starts, PassChain& chain) {
  chain.found = false;
  chain.score = starts.end;
  const int32_t pulses = static_cast<int32_t>(windows_.size());
  if (pulses == 0) return;

  for (int32_t j = 0; j < pulses; ++j) {
    const PulseWindow& w = windows_[j];
    if (w.hi < w.lo) continue;
    const CandidateSpan& c = candidates[j];
    fillLocalMatches(c.first, c.count, x, w.lo, w.hi, local_.data());
    MatchCost* row = values_.data() + offsets_[j];
    Kept* keep = kept_.data() + offsets_[j];
    if (j > 0) {
      const PulseWindow& prev = windows_[j - 1];
      scanPredecessorRow(values_.data() + offsets_[j - 1], prev.lo, prev.hi, tmin, tmax, w.lo,
                         w.hi, starts.predecessor, predecessors_.data());
    }
    for (int32_t i = 0; i <= w.hi - w.lo; ++i) {
      const LocalMatch& b = local_[i];
      row[i] = (j > 0 ? predecessors_[i].value : 0) + b.cost;
      keep[i] = Kept{b.etalon, b.first, b.last};
    }
  }

  const PulseWindow& last = windows_[pulses - 1];
  const Predecessor end = scanPredecessor(values_.data() + offsets_[pulses - 1], last.lo, last.lo,
                                          last.hi, starts.end);
  if (end.position < 0) return;
  chain.positions[pulses - 1] = static_cast<int16_t>(end.position);
  for (int32_t j = pulses - 2; j >= 0; --j) {
    const PulseWindow& w = windows_[j];
    const int32_t next = chain.positions[j + 1];
    const Predecessor m = scanPredecessor(values_.data() + offsets_[j], w.lo,
                                          std::max(next - tmax, w.lo),
                                          std::min(next - tmin, w.hi), starts.traceBack);
    if (m.position < 0) return;
    chain.positions[j] = static_cast<int16_t>(m.position);
  }
  for (int32_t j = 0; j < pulses; ++j) {
    const Kept& k = kept_[offsets_[j] + (chain.positions[j] - windows_[j].lo)];
    chain.etalons[j] = static_cast<int16_t>(k.etalon + 1);
    chain.firstSamples[j] = k.first;
    chain.lastSamples[j] = k.last;
  }
  chain.found = true;
  chain.score = end.value;
}

void writeSeriesAnswer(SeriesHeader& series, const PassChain& chain) {
  const size_t pulses = chain.positions.size();
  series.wFoundPulses = static_cast<uint16_t>(pulses);
  std::copy_n(chain.positions.data(), pulses, series.lpFoundPositions);
  std::copy_n(chain.etalons.data(), pulses, series.lpFoundEtalons);
  std::copy_n(chain.firstSamples.data(), pulses, series.lpFoundFirstSamples);
  std::copy_n(chain.lastSamples.data(), pulses, series.lpFoundLastSamples);
}

void insertChain(ChainsHeader& chains, const PassChain& chain) {
  insertPretender(chains, storedScore(chain.score), static_cast<int>(chain.positions.size()),
                  chain.etalons.data(), chain.positions.data(), chain.firstSamples.data(),
                  chain.lastSamples.data());
}

namespace {

// The working storage of a fixed-count search, allocated before anything is written.
// Returns false (after the message) when memory ran out.
bool allocateWork(Window& window, const SeriesHeader& series, size_t etalonCount,
                  const char* blockText, ChainPass& pass, PassChain& chain, PassChain& best,
                  std::vector<MatchEtalon>& etalons) {
  try {
    pass.allocate(searchableSeries(series) ? seriesWindows(series) : std::vector<PulseWindow>());
    pass.sizeChain(chain);
    pass.sizeChain(best);
    etalons.resize(etalonCount);
    for (MatchEtalon& e : etalons) e.energy.reserve(size_t{series.wImpulseSize} + 1);
  } catch (const std::bad_alloc&) {
    window.messageBox(pass.rowsReady() ? blockText : kNoMemoryPpDw, nullptr, kMbOk);
    return false;
  }
  return true;
}

}  // namespace

int identificationSearch(Window& window, const PulseHeader* alphabet, uint16_t etalonCount,
                         const uint16_t* etalons, uint16_t tmin, uint16_t tmax,
                         uint16_t savedLevel, ChainsHeader* chains, SeriesHeader* series) {
  if (!series) return 0;
  ChainPass pass;
  PassChain chain, unused;
  std::vector<MatchEtalon> prepared;
  if (!allocateWork(window, *series, etalonCount, kNoMemoryPpDwRows, pass, chain, unused,
                    prepared))
    return 0;

  const uint16_t pulses = series->wImpulseQuantity;
  bool usable = searchableSeries(*series) && etalonCount > 0 && etalons;
  for (uint16_t k = 0; usable && k < etalonCount; ++k)
    usable = prepareMatchEtalon(alphabet, etalons[k], series->wImpulseSize, savedLevel,
                                prepared[k]);

  if (chains) emptyChainsHeader(*chains, pulses, pulses, pulses);
  if (usable) {
    const std::vector<CandidateSpan> candidates(pulses, CandidateSpan{prepared.data(), etalonCount});
    pass.run(candidates, series->lpNoisyData, tmin, tmax,
             PassStarts{kSixNines, kSevenNines, kNineNines}, chain);
  }
  if (!chain.found) {
    series->wFoundPulses = 0;
    return 1;
  }
  writeSeriesAnswer(*series, chain);
  if (chains) insertChain(*chains, chain);
  return 1;
}

int recognitionSearch(Window& window, const PulseHeader* alphabet, uint16_t etalonCount,
                      const uint16_t* etalons, uint16_t tmin, uint16_t tmax,
                      uint16_t savedLevel, ChainsHeader* chains, SeriesHeader* series) {
  if (!series) return -1;
  ChainPass pass;
  PassChain chain, best;
  std::vector<MatchEtalon> prepared;
  if (!allocateWork(window, *series, 1, kNoMemoryRecognitionIndexes, pass, chain, best,
                    prepared))
    return -1;

  const uint16_t pulses = series->wImpulseQuantity;
  const bool usable = searchableSeries(*series) && etalons;
  if (chains) emptyChainsHeader(*chains, pulses, pulses, pulses);

  MatchCost bestScore = kNineNines;
  int recognised = -1;
  const std::vector<CandidateSpan> candidates(pulses, CandidateSpan{prepared.data(), 1});
  for (uint16_t k = 0; usable && k < etalonCount; ++k) {
    if (!prepareMatchEtalon(alphabet, etalons[k], series->wImpulseSize, savedLevel, prepared[0]))
      continue;
    pass.run(candidates, series->lpNoisyData, tmin, tmax,
             PassStarts{kNineNines, kNineNines, kNineNines}, chain);
    if (!chain.found) continue;
    if (chains) insertChain(*chains, chain);
    if (chain.score < bestScore) {
      bestScore = chain.score;
      recognised = etalons[k];
      std::swap(best, chain);
    }
  }
  if (recognised < 0) {
    series->wFoundPulses = 0;
    return -1;
  }
  writeSeriesAnswer(*series, best);
  return recognised;
}

}  // namespace velmora
