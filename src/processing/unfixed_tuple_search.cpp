#include "processing/unfixed_tuple_search.h"

#include <algorithm>
#include <cinttypes>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "common/format.h"
#include "processing/match.h"
#include "processing/search_kernels.h"
#include "processing/search_workspace.h"
#include "processing/unfixed_search.h"

namespace velmora {

namespace {

// Text of bounded length: pieces are appended whole while they fit, the first that does
// not ends the text.
class BoundedText {
 public:
  explicit BoundedText(size_t limit) : limit_(limit) {}
  void add(const std::string& piece) {
    if (full_) return;
    if (text_.size() + piece.size() > limit_) {
      full_ = true;
      return;
    }
    text_ += piece;
  }
  const std::string& text() const { return text_; }

 private:
  size_t limit_;
  bool full_ = false;
  std::string text_;
};

void addIntervals(BoundedText& text, const IntervalSet* set) {
  for (int i = 0; i < set->wIntervals; ++i)
    text.add(formatText(" [%d..%d] ", set->lpFirst[i], set->lpLast[i]));
  text.add("\n");
}

// The marks of one layer over the positions of `set`: the lowest negative cost in full,
// other costs as their sign, each followed by its predecessor when there is one.
void addMarks(BoundedText& text, const IntervalSet* set, const Layer& layer, MatchCost noChain) {
  MatchCost lowest = noChain;
  int32_t lowestAt = -1;
  forEachPosition(set, [&](int32_t p) {
    if (layer.value[p] < lowest) {
      lowest = layer.value[p];
      lowestAt = p;
    }
  });
  forEachPosition(set, [&](int32_t p) {
    const MatchCost v = layer.value[p];
    if (v < 0 && p == lowestAt) {
      text.add(formatText(" %" PRId64, static_cast<int64_t>(v)));
    } else {
      text.add(v < 0 ? " -" : " +");
    }
    if (layer.predecessor[p] >= 0)
      text.add(formatText("[%d]", static_cast<int>(layer.predecessor[p])));
  });
}

void showFirstDump(const LayeredSearch& s, const std::vector<Layer>& layers) {
  BoundedText text(kTuplesDumpLimit);
  text.add("omega_minus - omega_tilda: ");
  addIntervals(text, s.sets->firstOnly);
  addMarks(text, s.sets->firstOnly, layers[0], s.noChain);
  text.add("\n ");
  s.reporter->report(text.text(), kTuplesDumpCaption);
}

void showSecondDump(const LayeredSearch& s, const std::vector<Layer>& layers, int layerCount) {
  BoundedText text(kTuplesDumpLimit);
  text.add("omega_minus x omega_tilda: ");
  addIntervals(text, s.sets->both);
  for (int l = 0; l < layerCount; ++l) {
    text.add(formatText("l=%d\n ", l + 1));
    addMarks(text, s.sets->both, layers[l], s.noChain);
    text.add("\n ");
  }
  s.reporter->report(text.text(), kTuplesDumpCaption);
}

void resetLayers(std::vector<Layer>& layers, int layerCount, int32_t positions, uint16_t n,
                 MatchCost noChain) {
  const size_t size = static_cast<size_t>(std::max(positions, 0));
  for (int l = 0; l < layerCount; ++l) {
    Layer& layer = layers[l];
    layer.value.assign(size, noChain);
    layer.predecessor.assign(size, static_cast<int32_t>(noChain));
    layer.local.assign(size, 0);
    layer.etalon.assign(size, 0);
    layer.first.assign(size, 0);
    layer.last.assign(size, static_cast<int16_t>(n - 1));
  }
}

}  // namespace

void FastLayeredKernels::match(const LayeredSearch& s, const IntervalSet* set,
                               const std::vector<MatchEtalon>& elements, int layerCount) {
  std::vector<Layer>& layers = s.work->layers;
  for (int i = 0; i < set->wIntervals; ++i) {
    const int32_t from = set->lpFirst[i];
    const int32_t to = set->lpLast[i];
    for (int l = 0; l < layerCount; ++l) {
      Layer& layer = layers[l];
      s.work->matcher.match(&elements[l], 1, s.x, from, to, layer.local.data() + from,
                            layer.etalon.data() + from, layer.first.data() + from,
                            layer.last.data() + from);
    }
  }
}

// The costs read lie before p (Tmin >= 1) and are final by then, so one monotonic queue
// per layer serves; with Tmin = 0 the ranges are scanned in full, since they hold p itself.
template <typename Step>
void FastLayeredKernels::walk(const LayeredSearch& s, const IntervalSet* set, int layerCount,
                              MatchCost start, Step step) {
  std::vector<Layer>& layers = s.work->layers;
  auto previousLayer = [layerCount](int l) { return l == 0 ? layerCount - 1 : l - 1; };
  if (s.tmin < 1) {
    forEachPosition(set, [&](int32_t p) {
      for (int l = 0; l < layerCount; ++l) {
        step(p, l,
             scanPredecessor(layers[previousLayer(l)].value.data(), 0, std::max(p - s.tmax, 0),
                             p - s.tmin, start));
      }
    });
    return;
  }
  std::vector<SlidingMinimum>& queues = s.work->queues;
  for (int l = 0; l < layerCount; ++l) queues[l].reset(layers[l].value.size());
  int32_t next = 0;
  forEachPosition(set, [&](int32_t p) {
    const int32_t from = std::max(p - s.tmax, 0);
    const int32_t to = p - s.tmin;
    next = std::max(next, from);
    for (; next <= to; ++next)
      for (int l = 0; l < layerCount; ++l) queues[l].push(next, layers[l].value[next]);
    for (int l = 0; l < layerCount; ++l) queues[l].dropBefore(from);
    for (int l = 0; l < layerCount; ++l) step(p, l, queues[previousLayer(l)].best(start));
  });
}

namespace {

// The tuple instances of a chain of `pulses` pulses for a pattern of length K: K pulses
// each from the first pulse on, the last cut at the chain's end.
void buildInstances(int32_t patternSize, int pulses, LayeredAnswer& answer) {
  for (int start = 1; start <= pulses; start += patternSize) {
    answer.instanceFirst.push_back(static_cast<int16_t>(start));
    answer.instanceLast.push_back(
        static_cast<int16_t>(std::min<int64_t>(int64_t{start} + patternSize - 1, pulses)));
  }
}

// One pattern's chain search on the layered graph. Returns the score (`noChain` when no
// chain ends below it) and the answer (empty then).
template <typename Kernels>
MatchCost runLayeredSearch(Kernels& kernels, const LayeredSearch& s,
                           const std::vector<MatchEtalon>& elements, int layerCount,
                           int32_t patternSize, int32_t positions, uint16_t n,
                           LayeredAnswer& answer) {
  answer.clear();
  std::vector<Layer>& layers = s.work->layers;
  resetLayers(layers, layerCount, positions, n, s.noChain);
  auto previousLayer = [layerCount](int l) { return l == 0 ? layerCount - 1 : l - 1; };

  // Positions that can only hold a first pulse: chains of the first element start here.
  kernels.match(s, s.sets->firstOnly, elements, 1);
  forEachPosition(s.sets->firstOnly, [&](int32_t p) {
    Layer& layer = layers[0];
    layer.value[p] = layer.local[p];
    layer.predecessor[p] = -1;
  });
  if (s.reporter) showFirstDump(s, layers);

  // Positions that can hold a first or a later pulse: a negative chain is continued; else
  // the first element starts a chain, and a later element cannot.
  kernels.match(s, s.sets->both, elements, layerCount);
  kernels.walk(s, s.sets->both, layerCount, 0, [&](int32_t p, int l, const Predecessor& best) {
    Layer& layer = layers[l];
    if (best.value < 0) {
      layer.value[p] = best.value + layer.local[p];
      layer.predecessor[p] = best.position;
    } else if (l == 0) {
      layer.value[p] = layer.local[p];
      layer.predecessor[p] = -1;
    } else {
      layer.value[p] = s.noChain;
      layer.predecessor[p] = -2;
    }
  });
  if (s.reporter) showSecondDump(s, layers, layerCount);

  // Positions that can only hold a later pulse.
  kernels.match(s, s.sets->laterOnly, elements, layerCount);
  kernels.walk(s, s.sets->laterOnly, layerCount, s.noChain,
             [&](int32_t p, int l, const Predecessor& best) {
               Layer& layer = layers[l];
               layer.value[p] = best.value + layer.local[p];
               layer.predecessor[p] = best.position >= 0 ? best.position : -2;
             });

  // End: earliest position, then lowest layer, among equal values.
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

  // Trace back, one layer back per pulse. A predecessor is never later than its pulse; the
  // pulse bound stops any trace through cells no pass has set.
  std::vector<std::pair<int32_t, int>>& cells = s.work->cells;
  cells.clear();
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

// Room for `layerCount` layers over `positions` positions and for answers of up to
// `maxPulses` pulses, so that the passes allocate nothing. Throws std::bad_alloc.
void reserveLayeredWork(LayeredSearchWork& work, int layerCount, int32_t positions, uint16_t n,
                        int maxPulses) {
  if (work.elements.size() < static_cast<size_t>(layerCount)) work.elements.resize(layerCount);
  for (MatchEtalon& e : work.elements) {
    e.energy.reserve(size_t{n} + 1);
    e.runStarts.reserve(n);
    e.runEnds.reserve(n);
  }
  if (work.layers.size() < static_cast<size_t>(layerCount)) work.layers.resize(layerCount);
  if (work.queues.size() < static_cast<size_t>(layerCount)) work.queues.resize(layerCount);
  const size_t size = static_cast<size_t>(std::max(positions, 0));
  for (int l = 0; l < layerCount; ++l) {
    Layer& layer = work.layers[l];
    for (auto* row : {&layer.value, &layer.local}) row->reserve(size);
    layer.predecessor.reserve(size);
    layer.etalon.reserve(size);
    layer.first.reserve(size);
    layer.last.reserve(size);
    work.queues[l].reset(size);
  }
  work.matcher.reserve(n);
  const size_t pulses = static_cast<size_t>(std::max(maxPulses, 0));
  work.cells.reserve(pulses);
  for (LayeredAnswer* a : {&work.answer, &work.best}) {
    a->chain.etalons.reserve(pulses);
    a->chain.positions.reserve(pulses);
    a->chain.firstSamples.reserve(pulses);
    a->chain.lastSamples.reserve(pulses);
    a->instanceFirst.reserve(pulses);
    a->instanceLast.reserve(pulses);
  }
}

// Prepares the first `layerCount` pattern elements (into the room reserved for them).
// False when one of them is no etalon of the alphabet (such a pattern gives no chain).
bool prepareElements(const PulseHeader* alphabet, const int32_t* pattern, int layerCount,
                     uint16_t n, uint16_t savedLevel, std::vector<MatchEtalon>& elements) {
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

// A record without samples is searched as an empty series.
int32_t seriesLength(const SeriesHeader& series) {
  return series.lpNoisyData ? static_cast<int32_t>(series.dwSeriesSize) : 0;
}

int32_t positionCount(const SeriesHeader& series) {
  return seriesLength(series) - series.wImpulseSize + 1;
}

LayeredSearch layeredSearch(const SearchInputs& in, const PositionSets& sets,
                            const SeriesHeader& series, MatchCost noChain,
                            LayeredSearchWork& work) {
  LayeredSearch s;
  s.sets = &sets;
  s.x = series.lpNoisyData;
  s.tmin = in.tmin;
  s.tmax = in.tmax;
  s.noChain = noChain;
  s.maxPulses = series.wReservedImpulses;
  if (in.diagnosticFlag != nullptr && *in.diagnosticFlag != 0) s.reporter = in.reporter;
  s.work = &work;
  return s;
}

}  // namespace

template <typename Kernels>
SearchOutcome detectUnfixedTuplesWith(Kernels& kernels, const SearchInputs& in,
                                      ChainsHeader* chains, SeriesHeader* series) {
  if (series == nullptr) return {0};
  const PulseHeader* const alphabet = in.alphabet;
  const int32_t patternSize = in.selectedSubsetSize;
  const int32_t* const pattern = in.selectedSubset;
  const uint16_t tmin = in.tmin, tmax = in.tmax, savedLevel = in.procSavedLevel;
  uint32_t* const diagnosticFlag = in.diagnosticFlag;
  SearchWorkspace* const workspace = in.workspace;
  const uint16_t pmax = series->wMaxPulses;
  const uint16_t n = series->wImpulseSize;
  if (chains != nullptr) emptyChainsHeader(*chains, 0, 0, pmax);
  SearchWorkspace own;
  SearchWorkspace& ws = workspace ? *workspace : own;
  LayeredSearchWork& work = ws.layered;

  // An empty pattern has no element to match: no chain.
  const int layerCount = pattern != nullptr && patternSize > 0
                             ? static_cast<int>(std::min<int32_t>(patternSize, pmax))
                             : 0;
  const int32_t positions = positionCount(*series);
  try {
    if (work.elements.size() < static_cast<size_t>(layerCount)) work.elements.resize(layerCount);
  } catch (const std::bad_alloc&) {
    return {0, kNoMemoryPartialEnergy};
  }

  LayeredAnswer& answer = work.answer;
  answer.clear();
  MatchCost score = kTupleDetectionNoChain;
  try {
    reserveLayeredWork(work, layerCount, positions, n, series->wReservedImpulses);
    if (layerCount > 0 &&
        prepareElements(alphabet, pattern, layerCount, n, savedLevel, work.elements)) {
      const PositionSets* sets = ws.positionSets.get(seriesLength(*series), n,
                                                     series->wMinPulses, pmax, tmin, tmax);
      if (sets == nullptr) throw std::bad_alloc();
      const LayeredSearch s = layeredSearch(in, *sets, *series, kTupleDetectionNoChain, work);
      score = runLayeredSearch(kernels, s, work.elements, layerCount, patternSize, positions, n,
                               answer);
    }
  } catch (const std::bad_alloc&) {
    return {0, kNoMemoryLayers};
  }
  if (score >= kTupleDetectionNoChain) {
    score = kTupleDetectionNoChain;
    answer.clear();
  }

  rankAnswer(chains, score, answer.chain);
  if (chains != nullptr)
    chains->wSeekingPulsesQuantity = static_cast<uint16_t>(answer.chain.count());
  writeLayeredAnswer(*series, answer);
  if (diagnosticFlag != nullptr) *diagnosticFlag = 0;
  return {1};
}

template <typename Kernels>
SearchOutcome recognizeUnfixedTuplesWith(Kernels& kernels, const SearchInputs& in,
                                         ChainsHeader* chains, SeriesHeader* series) {
  if (series == nullptr) return {0};
  const PulseHeader* const alphabet = in.alphabet;
  const int32_t* const patternSizes = in.subsetSizes;
  const int32_t* const* const patterns = in.subsetRows;
  int32_t patternCount = in.subsetCount;
  const uint16_t tmin = in.tmin, tmax = in.tmax, savedLevel = in.procSavedLevel;
  uint32_t* const diagnosticFlag = in.diagnosticFlag;
  SearchWorkspace* const workspace = in.workspace;
  const uint16_t pmax = series->wMaxPulses;
  const uint16_t n = series->wImpulseSize;
  if (chains != nullptr) emptyChainsHeader(*chains, 0, 0, pmax);
  if (patternSizes == nullptr || patterns == nullptr) patternCount = 0;
  SearchWorkspace own;
  SearchWorkspace& ws = workspace ? *workspace : own;
  LayeredSearchWork& work = ws.layered;

  int32_t longest = 0;
  for (int32_t t = 0; t < patternCount; ++t) longest = std::max(longest, patternSizes[t]);
  const int maxLayers = static_cast<int>(std::min<int32_t>(longest, pmax));
  const int32_t positions = positionCount(*series);

  try {
    if (work.elements.size() < static_cast<size_t>(maxLayers)) work.elements.resize(maxLayers);
  } catch (const std::bad_alloc&) {
    return {0, kNoMemoryPartialEnergy};
  }

  LayeredAnswer& best = work.best;
  best.clear();
  MatchCost bestScore = kTupleRecognitionNoChain;
  int recognised = 0;
  try {
    reserveLayeredWork(work, maxLayers, positions, n, series->wReservedImpulses);
    const PositionSets* sets = ws.positionSets.get(seriesLength(*series), n,
                                                   series->wMinPulses, pmax, tmin, tmax);
    if (sets == nullptr) throw std::bad_alloc();
    const LayeredSearch s = layeredSearch(in, *sets, *series, kTupleRecognitionNoChain, work);
    LayeredAnswer& answer = work.answer;
    for (int32_t t = 0; t < patternCount; ++t) {
      const int32_t size = patternSizes[t];
      const int layerCount =
          patterns[t] != nullptr && size > 0 ? static_cast<int>(std::min<int32_t>(size, pmax)) : 0;
      MatchCost score = kTupleRecognitionNoChain;
      answer.clear();
      if (layerCount > 0 &&
          prepareElements(alphabet, patterns[t], layerCount, n, savedLevel, work.elements)) {
        score = runLayeredSearch(kernels, s, work.elements, layerCount, size, positions, n,
                                 answer);
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
    return {0, kNoMemoryLayers};
  }

  writeLayeredAnswer(*series, best);
  series->wFoundTuple = static_cast<int16_t>(recognised);
  if (chains != nullptr) chains->wSeekingPulsesQuantity = static_cast<uint16_t>(best.chain.count());
  if (diagnosticFlag != nullptr) *diagnosticFlag = 0;
  return {recognised};
}

#define VELMORA_LAYERED_SEARCHES(Kernels)                                                    \
  template SearchOutcome detectUnfixedTuplesWith<Kernels>(Kernels&, const SearchInputs&,     \
                                                          ChainsHeader*, SeriesHeader*);      \
  template SearchOutcome recognizeUnfixedTuplesWith<Kernels>(Kernels&, const SearchInputs&,  \
                                                             ChainsHeader*, SeriesHeader*);
VELMORA_LAYERED_SEARCHES(FastLayeredKernels)
VELMORA_LAYERED_SEARCHES(PlainLayeredKernels)
#undef VELMORA_LAYERED_SEARCHES

}  // namespace velmora
