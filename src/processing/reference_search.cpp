#include "processing/reference_search.h"

#include <algorithm>
#include <new>
#include <utility>
#include <vector>

#include "processing/fixed_search.h"
#include "processing/match.h"
#include "processing/tuple_search.h"
#include "processing/unfixed_recognition.h"
#include "processing/unfixed_search.h"
#include "processing/unfixed_tuple_search.h"

namespace velmora::reference {

namespace {

// ---- Fixed-count chain search -------------------------------------------------------

// The candidates of one pulse: `count` prepared etalons in the order they are tried.
struct CandidateSpan {
  const MatchEtalon* first = nullptr;
  size_t count = 0;
};

// The chain search over M pulses with fixed windows: the local match of every (pulse,
// position) cell computed afresh, every predecessor range scanned in full.
class ChainPass {
 public:
  // Throws std::bad_alloc: first for the row table, then (after rowsReady() turns true)
  // for the cells.
  void allocate(const std::vector<PulseWindow>& windows) {
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
  bool rowsReady() const { return rowsReady_; }

  void sizeChain(PassChain& chain) const {
    const size_t pulses = windows_.size();
    chain.positions.assign(pulses, 0);
    chain.etalons.assign(pulses, 0);
    chain.firstSamples.assign(pulses, 0);
    chain.lastSamples.assign(pulses, 0);
  }

  void run(const std::vector<CandidateSpan>& candidates, const int16_t* x, int32_t tmin,
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
    const Predecessor end = scanPredecessor(values_.data() + offsets_[pulses - 1], last.lo,
                                            last.lo, last.hi, starts.end);
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

 private:
  bool rowsReady_ = false;
  std::vector<PulseWindow> windows_;
  std::vector<size_t> offsets_;
  std::vector<MatchCost> values_;
  struct Kept {
    uint16_t etalon;
    int16_t first;
    int16_t last;
  };
  std::vector<Kept> kept_;
  std::vector<LocalMatch> local_;
  std::vector<Predecessor> predecessors_;
};

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

// ---- Fixed-count tuple search ----------------------------------------------------------

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

bool prepareTuple(const PulseHeader* alphabet, int32_t size, const int32_t* tuple,
                  uint16_t impulseSize, uint16_t savedLevel, TupleWork& work) {
  if (size <= 0 || !tuple) return false;
  for (int32_t k = 0; k < size; ++k)
    if (!isAlphabetEtalon(tuple[k]) ||
        !prepareMatchEtalon(alphabet, tuple[k], impulseSize, savedLevel, work.etalons[k]))
      return false;
  return true;
}

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

// ---- Unfixed-count searches --------------------------------------------------------------

void matchPlain(UnfixedTables& tables, const PositionSets& sets, const MatchEtalon* candidates,
                size_t count, const int16_t* x) {
  if (count == 0 || sets.visited == nullptr) return;
  forEachPosition(sets.visited, [&](int32_t p) {
    const LocalMatch m = bestLocalMatch(candidates, count, x, p);
    tables.localCost[p] = m.cost;
    tables.etalon[p] = m.etalon;
    tables.firstSample[p] = m.first;
    tables.lastSample[p] = m.last;
  });
}

void chainPlain(UnfixedTables& tables, const PositionSets& sets, int32_t tmin, int32_t tmax) {
  MatchCost* r = tables.chainCost.data();
  const MatchCost* q = tables.localCost.data();
  int32_t* b = tables.predecessor.data();
  forEachPosition(sets.firstOnly, [&](int32_t p) {
    r[p] = q[p];
    b[p] = -1;
  });
  auto extend = [&](int32_t p, MatchCost start) {
    const Predecessor best = scanPredecessor(r, 0, std::max(p - tmax, 0), p - tmin, start);
    r[p] = best.value + q[p];
    b[p] = best.position >= 0 ? best.position : -2;
  };
  forEachPosition(sets.both, [&](int32_t p) { extend(p, 0); });
  forEachPosition(sets.laterOnly, [&](int32_t p) { extend(p, kEightNines); });
}

// ---- Unfixed-count tuple searches ------------------------------------------------------

struct Layer {
  std::vector<MatchCost> value;
  std::vector<int32_t> predecessor;
  std::vector<uint16_t> etalon;
  std::vector<int16_t> first;
  std::vector<int16_t> last;
};

struct LayeredAnswer {
  FoundChain chain;
  std::vector<int16_t> instanceFirst;
  std::vector<int16_t> instanceLast;
  void clear() {
    chain.clear();
    instanceFirst.clear();
    instanceLast.clear();
  }
};

struct LayeredSearch {
  const PositionSets* sets = nullptr;
  const int16_t* x = nullptr;
  int32_t tmin = 0;
  int32_t tmax = 0;
  MatchCost noChain = 0;
  int maxPulses = 0;
};

void resetLayers(std::vector<Layer>& layers, int layerCount, int32_t positions, uint16_t n,
                 MatchCost noChain) {
  const size_t size = static_cast<size_t>(std::max(positions, 0));
  for (int l = 0; l < layerCount; ++l) {
    Layer& layer = layers[l];
    layer.value.assign(size, noChain);
    layer.predecessor.assign(size, static_cast<int32_t>(noChain));
    layer.etalon.assign(size, 0);
    layer.first.assign(size, 0);
    layer.last.assign(size, static_cast<int16_t>(n - 1));
  }
}

void storeMatch(Layer& layer, int32_t p, const LocalMatch& m) {
  layer.etalon[p] = m.etalon;
  layer.first[p] = m.first;
  layer.last[p] = m.last;
}

// Calls step(p, layer, match) for every position of `set` ascending and, at each
// position, the layers ascending, with the local match of the layer's element at p.
template <typename Step>
void walkLayers(const IntervalSet* set, const std::vector<MatchEtalon>& elements, int layerCount,
                const int16_t* x, Step step) {
  forEachPosition(set, [&](int32_t p) {
    for (int l = 0; l < layerCount; ++l) step(p, l, bestLocalMatch(&elements[l], 1, x, p));
  });
}

void buildInstances(int32_t patternSize, int pulses, LayeredAnswer& answer) {
  for (int start = 1; start <= pulses; start += patternSize) {
    answer.instanceFirst.push_back(static_cast<int16_t>(start));
    answer.instanceLast.push_back(
        static_cast<int16_t>(std::min<int64_t>(int64_t{start} + patternSize - 1, pulses)));
  }
}

MatchCost runLayeredSearch(const LayeredSearch& s, const std::vector<MatchEtalon>& elements,
                           int32_t patternSize, std::vector<Layer>& layers, int32_t positions,
                           uint16_t n, LayeredAnswer& answer) {
  answer.clear();
  const int layerCount = static_cast<int>(elements.size());
  resetLayers(layers, layerCount, positions, n, s.noChain);
  auto previousLayer = [layerCount](int l) { return l == 0 ? layerCount - 1 : l - 1; };

  walkLayers(s.sets->firstOnly, elements, 1, s.x, [&](int32_t p, int, const LocalMatch& m) {
    Layer& layer = layers[0];
    layer.value[p] = m.cost;
    layer.predecessor[p] = -1;
    storeMatch(layer, p, m);
  });
  walkLayers(s.sets->both, elements, layerCount, s.x, [&](int32_t p, int l, const LocalMatch& m) {
    Layer& layer = layers[l];
    storeMatch(layer, p, m);
    const Predecessor best = scanPredecessor(layers[previousLayer(l)].value.data(), 0,
                                             std::max(p - s.tmax, 0), p - s.tmin, 0);
    if (best.value < 0) {
      layer.value[p] = best.value + m.cost;
      layer.predecessor[p] = best.position;
    } else if (l == 0) {
      layer.value[p] = m.cost;
      layer.predecessor[p] = -1;
    } else {
      layer.value[p] = s.noChain;
      layer.predecessor[p] = -2;
    }
  });
  walkLayers(s.sets->laterOnly, elements, layerCount, s.x,
             [&](int32_t p, int l, const LocalMatch& m) {
               Layer& layer = layers[l];
               storeMatch(layer, p, m);
               const Predecessor best =
                   scanPredecessor(layers[previousLayer(l)].value.data(), 0,
                                   std::max(p - s.tmax, 0), p - s.tmin, s.noChain);
               layer.value[p] = best.value + m.cost;
               layer.predecessor[p] = best.position >= 0 ? best.position : -2;
             });

  MatchCost score = s.noChain;
  int32_t endPosition = -1;
  int endLayer = 0;
  forEachPosition(s.sets->omega_plus, [&](int32_t p) {
    for (int l = 0; l < layerCount; ++l) {
      if (layers[l].value[p] < score) {
        score = layers[l].value[p];
        endPosition = p;
        endLayer = l;
      }
    }
  });
  if (endPosition < 0) return s.noChain;

  std::vector<std::pair<int32_t, int>> cells;
  for (int32_t p = endPosition, l = endLayer; p >= 0; l = previousLayer(l)) {
    if (p >= positions || static_cast<int>(cells.size()) >= s.maxPulses) return s.noChain;
    cells.emplace_back(p, l);
    const int32_t previous = layers[l].predecessor[p];
    if (previous > p) return s.noChain;
    p = previous;
  }
  FoundChain& chain = answer.chain;
  for (auto it = cells.rbegin(); it != cells.rend(); ++it) {
    const Layer& layer = layers[it->second];
    const int32_t p = it->first;
    chain.positions.push_back(static_cast<int16_t>(p));
    chain.etalons.push_back(static_cast<int16_t>(layer.etalon[p] + 1));
    chain.firstSamples.push_back(layer.first[p]);
    chain.lastSamples.push_back(layer.last[p]);
  }
  chain.score = score;
  buildInstances(patternSize, chain.count(), answer);
  return score;
}

bool prepareElements(const PulseHeader* alphabet, const int32_t* pattern, int layerCount,
                     uint16_t n, uint16_t savedLevel, std::vector<MatchEtalon>& elements) {
  elements.resize(static_cast<size_t>(layerCount));
  for (int l = 0; l < layerCount; ++l) {
    if (!isAlphabetEtalon(pattern[l]) ||
        !prepareMatchEtalon(alphabet, pattern[l], n, savedLevel, elements[l])) {
      return false;
    }
  }
  return true;
}

void writeLayeredAnswer(SeriesHeader& series, const LayeredAnswer& answer) {
  writeFoundChain(series, answer.chain);
  const int count =
      std::min<int>(static_cast<int>(answer.instanceFirst.size()), series.wReservedImpulses);
  series.wTupleInstances = static_cast<int16_t>(count);
  for (int i = 0; i < count; ++i) {
    series.lpTupleFirst[i] = answer.instanceFirst[i];
    series.lpTupleLast[i] = answer.instanceLast[i];
  }
}

void rankAnswer(ChainsHeader* chains, MatchCost score, const FoundChain& chain) {
  if (chains == nullptr) return;
  insertPretender(*chains, storedScore(score), chain.count(), chain.etalons.data(),
                  chain.positions.data(), chain.firstSamples.data(), chain.lastSamples.data());
}

int32_t seriesLength(const SeriesHeader& series) {
  return series.lpNoisyData ? static_cast<int32_t>(series.dwSeriesSize) : 0;
}

LayeredSearch layeredSearch(const PositionSets& sets, const SeriesHeader& series, int32_t tmin,
                            int32_t tmax, MatchCost noChain) {
  LayeredSearch s;
  s.sets = &sets;
  s.x = series.lpNoisyData;
  s.tmin = tmin;
  s.tmax = tmax;
  s.noChain = noChain;
  s.maxPulses = series.wReservedImpulses;
  return s;
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
    const std::vector<CandidateSpan> candidates(pulses,
                                                CandidateSpan{prepared.data(), etalonCount});
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

int tupleDetectionSearch(Window& window, const PulseHeader* alphabet, int32_t tupleSize,
                         const int32_t* tuple, uint16_t subsetProceeding, uint16_t tmin,
                         uint16_t tmax, uint16_t savedLevel, ChainsHeader* chains,
                         SeriesHeader* series) {
  if (!series) return 0;
  const bool ok = searchableSeries(*series);
  TupleWork work;
  std::vector<PulseWindow> windows;
  try {
    if (ok) tupleDetectionWindows(*series, tmin, tmax, windows);
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

int searchUnfixedCount(Window& window, const PulseHeader* alphabet, uint16_t etalonCount,
                       const uint16_t* etalons, uint16_t tmin, uint16_t tmax, uint16_t savedLevel,
                       ChainsHeader* chains, SeriesHeader* series) {
  if (series == nullptr) return 0;
  const int32_t L = series->lpNoisyData ? static_cast<int32_t>(series->dwSeriesSize) : 0;
  const uint16_t n = series->wImpulseSize;
  const uint16_t pmax = series->wMaxPulses;

  std::vector<MatchEtalon> candidates;
  try {
    candidates.reserve(etalonCount);
  } catch (const std::bad_alloc&) {
    window.messageBox(kNoMemoryPartialEnergy, nullptr, kMbOk);
    return 0;
  }
  UnfixedTables tables;
  try {
    for (uint16_t i = 0; i < etalonCount && etalons != nullptr; ++i) {
      MatchEtalon e;
      if (isAlphabetEtalon(etalons[i]) &&
          prepareMatchEtalon(alphabet, etalons[i], n, savedLevel, e)) {
        candidates.push_back(std::move(e));
      }
    }
    resetUnfixedTables(tables, L, n);
  } catch (const std::bad_alloc&) {
    window.messageBox(kNoMemoryIndexes, nullptr, kMbOk);
    return 0;
  }

  if (chains != nullptr) emptyChainsHeader(*chains, 0, 0, pmax);

  PositionSets sets;
  FoundChain chain;
  chain.score = kSevenNines;
  try {
    if (!buildPositionSets(window, L, n, series->wMinPulses, pmax, tmin, tmax, sets)) {
      throw std::bad_alloc();
    }
    if (!candidates.empty()) {
      matchPlain(tables, sets, candidates.data(), candidates.size(), series->lpNoisyData);
      chainPlain(tables, sets, tmin, tmax);
      MatchCost score = 0;
      const int32_t end = chooseUnfixedEnd(tables, sets, kEightNines, score);
      if (end >= 0 && score < kSevenNines &&
          traceUnfixedChain(tables, end, series->wReservedImpulses, chain)) {
        chain.score = score;
      } else {
        chain.clear();
      }
    }
  } catch (const std::bad_alloc&) {
    freePositionSets(window, sets);
    window.messageBox(kNoMemoryIndexes, nullptr, kMbOk);
    return 0;
  }

  writeFoundChain(*series, chain);
  if (chains != nullptr) {
    insertPretender(*chains, storedScore(chain.score), chain.count(), chain.etalons.data(),
                    chain.positions.data(), chain.firstSamples.data(), chain.lastSamples.data());
    chains->wSeekingPulsesQuantity =
        chains->wPretenders > 0 ? static_cast<uint16_t>(chains->pulsesCount[0]) : 0;
  }
  freePositionSets(window, sets);
  return 1;
}

uint16_t recognizeUnfixedCount(Window& window, const PulseHeader* alphabet, uint16_t etalonCount,
                               const uint16_t* etalons, uint16_t tmin, uint16_t tmax,
                               uint16_t savedLevel, ChainsHeader* chains, SeriesHeader* series) {
  if (series == nullptr) return 0;
  const int32_t L = series->lpNoisyData ? static_cast<int32_t>(series->dwSeriesSize) : 0;
  const uint16_t n = series->wImpulseSize;

  MatchEtalon candidate;
  try {
    candidate.energy.reserve(static_cast<size_t>(n) + 1);
  } catch (const std::bad_alloc&) {
    window.messageBox(kNoMemoryIndexes, nullptr, kMbOk);
    return 0;
  }

  if (chains != nullptr) {
    chains->wPretenders = 0;
    chains->wSeekingPulsesQuantity = 0;
    chains->wQuanPulses = series->wImpulseQuantity;
  }

  uint16_t recognised = kNoEtalonRecognised;
  MatchCost bestScore = kSevenNines;
  FoundChain answer;
  bool haveAnswer = false;
  int32_t answerDistance = 0;

  PositionSets sets;
  UnfixedTables tables;
  try {
    if (!buildPositionSets(window, L, n, series->wMinPulses, series->wMaxPulses, tmin, tmax,
                           sets)) {
      throw std::bad_alloc();
    }
    FoundChain chain;
    for (uint16_t i = 0; i < etalonCount && etalons != nullptr; ++i) {
      const uint16_t number = etalons[i];
      if (!isAlphabetEtalon(number) ||
          !prepareMatchEtalon(alphabet, number, n, savedLevel, candidate)) {
        continue;
      }
      resetUnfixedTables(tables, L, n);
      matchPlain(tables, sets, &candidate, 1, series->lpNoisyData);
      chainPlain(tables, sets, tmin, tmax);

      MatchCost score = 0;
      if (chooseUnfixedEnd(tables, sets, kEightNines, score) >= 0 && score < bestScore) {
        bestScore = score;
        recognised = number;
      }
      MatchCost distance = 0;
      const int32_t end = chooseUnfixedEnd(tables, sets, kNineNines, distance);
      if (end < 0 || !traceUnfixedChain(tables, end, series->wReservedImpulses, chain)) {
        chain.clear();
        distance = kNineNines;
      }
      const int32_t stored = storedScore(distance);
      if (chains != nullptr) {
        insertPretender(*chains, stored, chain.count(), chain.etalons.data(),
                        chain.positions.data(), chain.firstSamples.data(),
                        chain.lastSamples.data());
      }
      if (!haveAnswer || stored < answerDistance) {
        haveAnswer = true;
        answerDistance = stored;
        answer = chain;
      }
      if (chains != nullptr) {
        chains->wSeekingPulsesQuantity = chains->wPretenders > 0
                                             ? static_cast<uint16_t>(chains->pulsesCount[0])
                                             : static_cast<uint16_t>(answer.count());
      }
    }
  } catch (const std::bad_alloc&) {
  }
  freePositionSets(window, sets);

  writeFoundChain(*series, answer);
  return recognised;
}

int detectUnfixedTuples(Window& window, const PulseHeader* alphabet, int32_t patternSize,
                        const int32_t* pattern, uint16_t /*subsetProceeding*/, uint16_t tmin,
                        uint16_t tmax, uint16_t savedLevel, ChainsHeader* chains,
                        SeriesHeader* series) {
  if (series == nullptr) return 0;
  const uint16_t pmax = series->wMaxPulses;
  const uint16_t n = series->wImpulseSize;
  if (chains != nullptr) emptyChainsHeader(*chains, 0, 0, pmax);

  const int layerCount = pattern != nullptr && patternSize > 0
                             ? static_cast<int>(std::min<int32_t>(patternSize, pmax))
                             : 0;
  const int32_t positions = seriesLength(*series) - n + 1;
  std::vector<MatchEtalon> elements;
  std::vector<Layer> layers;
  try {
    elements.reserve(static_cast<size_t>(layerCount));
  } catch (const std::bad_alloc&) {
    window.messageBox(kNoMemoryPartialEnergy, nullptr, kMbOk);
    return 0;
  }

  LayeredAnswer answer;
  MatchCost score = kTupleDetectionNoChain;
  PositionSets sets;
  try {
    layers.resize(static_cast<size_t>(layerCount));
    if (layerCount > 0 && prepareElements(alphabet, pattern, layerCount, n, savedLevel, elements)) {
      if (!buildPositionSets(window, seriesLength(*series), n, series->wMinPulses, pmax, tmin,
                             tmax, sets)) {
        throw std::bad_alloc();
      }
      score = runLayeredSearch(layeredSearch(sets, *series, tmin, tmax, kTupleDetectionNoChain),
                               elements, patternSize, layers, positions, n, answer);
    }
  } catch (const std::bad_alloc&) {
    freePositionSets(window, sets);
    window.messageBox(kNoMemoryLayers, nullptr, kMbOk);
    return 0;
  }
  if (score >= kTupleDetectionNoChain) {
    score = kTupleDetectionNoChain;
    answer.clear();
  }

  rankAnswer(chains, score, answer.chain);
  if (chains != nullptr)
    chains->wSeekingPulsesQuantity = static_cast<uint16_t>(answer.chain.count());
  writeLayeredAnswer(*series, answer);
  freePositionSets(window, sets);
  return 1;
}

int recognizeUnfixedTuples(Window& window, const PulseHeader* alphabet, const int32_t* patternSizes,
                           const int32_t* const* patterns, int32_t patternCount,
                           uint16_t /*subsetProceeding*/, uint16_t tmin, uint16_t tmax,
                           uint16_t savedLevel, ChainsHeader* chains, SeriesHeader* series) {
  if (series == nullptr) return 0;
  const uint16_t pmax = series->wMaxPulses;
  const uint16_t n = series->wImpulseSize;
  if (chains != nullptr) emptyChainsHeader(*chains, 0, 0, pmax);
  if (patternSizes == nullptr || patterns == nullptr) patternCount = 0;

  int32_t longest = 0;
  for (int32_t t = 0; t < patternCount; ++t) longest = std::max(longest, patternSizes[t]);
  const int maxLayers = static_cast<int>(std::min<int32_t>(longest, pmax));
  const int32_t positions = seriesLength(*series) - n + 1;

  std::vector<MatchEtalon> elements;
  std::vector<Layer> layers;
  try {
    elements.reserve(static_cast<size_t>(maxLayers));
  } catch (const std::bad_alloc&) {
    window.messageBox(kNoMemoryPartialEnergy, nullptr, kMbOk);
    return 0;
  }

  LayeredAnswer best;
  MatchCost bestScore = kTupleRecognitionNoChain;
  int recognised = 0;
  PositionSets sets;
  try {
    layers.resize(static_cast<size_t>(maxLayers));
    if (!buildPositionSets(window, seriesLength(*series), n, series->wMinPulses, pmax, tmin, tmax,
                           sets)) {
      throw std::bad_alloc();
    }
    const LayeredSearch s = layeredSearch(sets, *series, tmin, tmax, kTupleRecognitionNoChain);
    LayeredAnswer answer;
    for (int32_t t = 0; t < patternCount; ++t) {
      const int32_t size = patternSizes[t];
      const int layerCount =
          patterns[t] != nullptr && size > 0 ? static_cast<int>(std::min<int32_t>(size, pmax)) : 0;
      MatchCost score = kTupleRecognitionNoChain;
      answer.clear();
      if (layerCount > 0 &&
          prepareElements(alphabet, patterns[t], layerCount, n, savedLevel, elements)) {
        score = runLayeredSearch(s, elements, size, layers, positions, n, answer);
      }
      if (score >= kTupleRecognitionNoChain) {
        score = kTupleRecognitionNoChain;
        answer.clear();
      }
      rankAnswer(chains, score, answer.chain);
      if (score < bestScore) {
        bestScore = score;
        recognised = t + 1;
        best = answer;
      }
    }
  } catch (const std::bad_alloc&) {
    freePositionSets(window, sets);
    window.messageBox(kNoMemoryLayers, nullptr, kMbOk);
    return 0;
  }

  writeLayeredAnswer(*series, best);
  series->wFoundTuple = static_cast<int16_t>(recognised);
  if (chains != nullptr) chains->wSeekingPulsesQuantity = static_cast<uint16_t>(best.chain.count());
  freePositionSets(window, sets);
  return recognised;
}

}  // namespace velmora::reference
