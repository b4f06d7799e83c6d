// The searches written once over their kernels. Every search body (the bookkeeping: the
// answers, the chains record, the end choice, the trace-back, the ranking) is a template
// over a small kernel struct that computes the local matches and the predecessor values:
// the fast kernels serve the application's searches, the plain kernels (see
// reference_search.cpp) recompute every local match and scan every predecessor range in
// full, so that the fast kernels can be checked against them. The bodies are instantiated
// for both kinds of kernel in the files that define them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "common/window.h"
#include "model/alphabet.h"
#include "model/series.h"
#include "processing/chains.h"
#include "processing/fixed_search.h"
#include "processing/match.h"
#include "processing/search_outcome.h"
#include "processing/unfixed_search.h"
#include "processing/unfixed_tuple_search.h"

namespace velmora {

struct SearchWorkspace;

// ---- Fixed-count chain passes (fixed-count and tuple searches) ------------------------
//
// fill() gives local-match table `table` the candidates it stands for; run() makes one
// chain pass in which pulse j uses the table work.pulseTables[j] points at.

struct FastPassKernels {
  // Recognition runs its etalons' passes as lanes of one (EtalonLanes).
  static constexpr bool kEtalonLanes = true;
  void fill(FixedSearchWork& work, size_t table, const MatchEtalon* candidates, size_t count,
            const int16_t* x);
  void run(FixedSearchWork& work, int32_t tmin, int32_t tmax, const PassStarts& starts,
           PassChain& chain);
};

// Also the row kernel of ChainPass::runWith: row() computes the chain values of pulse j,
// at() the local match of pulse j at position p, lowest() a predecessor scan.
struct PlainPassKernels {
  static constexpr bool kEtalonLanes = false;
  std::vector<std::vector<MatchEtalon>> tables;  // the candidates of each table
  std::vector<size_t> pulseTable;                // the table of each pulse during run()
  const int16_t* x = nullptr;
  std::vector<LocalMatch> local;
  std::vector<Predecessor> predecessors;

  void fill(FixedSearchWork& work, size_t table, const MatchEtalon* candidates, size_t count,
            const int16_t* x);
  void run(FixedSearchWork& work, int32_t tmin, int32_t tmax, const PassStarts& starts,
           PassChain& chain);
  void row(int32_t j, const PulseWindow& w, const PulseWindow* previous,
           const MatchCost* previousRow, int32_t tmin, int32_t tmax, MatchCost start,
           MatchCost* out);
  LocalMatch at(int32_t j, int32_t p) const;
  Predecessor lowest(const MatchCost* values, int32_t origin, int32_t from, int32_t to,
                     MatchCost start) const {
    return scanPredecessor(values, origin, from, to, start);
  }
};

template <typename Kernels>
SearchOutcome identificationSearchWith(Kernels& kernels, Window& window,
                                       const PulseHeader* alphabet, uint16_t etalonCount,
                                       const uint16_t* etalons, uint16_t tmin, uint16_t tmax,
                                       uint16_t savedLevel, ChainsHeader* chains,
                                       SeriesHeader* series, SearchWorkspace* workspace);

template <typename Kernels>
SearchOutcome recognitionSearchWith(Kernels& kernels, Window& window, const PulseHeader* alphabet,
                                    uint16_t etalonCount, const uint16_t* etalons, uint16_t tmin,
                                    uint16_t tmax, uint16_t savedLevel, ChainsHeader* chains,
                                    SeriesHeader* series, SearchWorkspace* workspace);

template <typename Kernels>
SearchOutcome tupleDetectionSearchWith(Kernels& kernels, Window& window,
                                       const PulseHeader* alphabet, int32_t tupleSize,
                                       const int32_t* tuple, uint16_t subsetProceeding,
                                       uint16_t tmin, uint16_t tmax, uint16_t savedLevel,
                                       ChainsHeader* chains, SeriesHeader* series,
                                       SearchWorkspace* workspace);

template <typename Kernels>
SearchOutcome tupleRecognitionSearchWith(Kernels& kernels, Window& window,
                                         const PulseHeader* alphabet, const int32_t* tupleSizes,
                                         const int32_t* const* tuples, int32_t tupleCount,
                                         uint16_t subsetProceeding, uint16_t tmin, uint16_t tmax,
                                         uint16_t savedLevel, ChainsHeader* chains,
                                         SeriesHeader* series, SearchWorkspace* workspace);

// ---- Unfixed-count searches --------------------------------------------------------------
//
// match() sets the local match of every position of minus ∪ tilda in work.tables; chain()
// the chain costs and predecessors (see chainUnfixedCosts).

struct FastUnfixedKernels {
  void match(UnfixedSearchWork& work, const PositionSets& sets, const MatchEtalon* candidates,
             size_t count, const int16_t* x) {
    matchUnfixedPositions(work.tables, sets, candidates, count, x, work.matcher);
  }
  void chain(UnfixedSearchWork& work, const PositionSets& sets, int32_t tmin, int32_t tmax) {
    chainUnfixedCosts(work.tables, sets, tmin, tmax, work.queue);
  }
};

struct PlainUnfixedKernels {
  void match(UnfixedSearchWork& work, const PositionSets& sets, const MatchEtalon* candidates,
             size_t count, const int16_t* x);
  void chain(UnfixedSearchWork& work, const PositionSets& sets, int32_t tmin, int32_t tmax);
};

template <typename Kernels>
SearchOutcome searchUnfixedCountWith(Kernels& kernels, Window& window, const PulseHeader* alphabet,
                                     uint16_t etalonCount, const uint16_t* etalons, uint16_t tmin,
                                     uint16_t tmax, uint16_t savedLevel, ChainsHeader* chains,
                                     SeriesHeader* series, SearchWorkspace* workspace);

template <typename Kernels>
SearchOutcome recognizeUnfixedCountWith(Kernels& kernels, Window& window,
                                        const PulseHeader* alphabet, uint16_t etalonCount,
                                        const uint16_t* etalons, uint16_t tmin, uint16_t tmax,
                                        uint16_t savedLevel, ChainsHeader* chains,
                                        SeriesHeader* series, SearchWorkspace* workspace);

// ---- Unfixed-count tuple searches ------------------------------------------------------

// Everything one pattern's pass on the layered graph needs besides the layers.
struct LayeredSearch {
  const PositionSets* sets = nullptr;
  const int16_t* x = nullptr;
  int32_t tmin = 0;
  int32_t tmax = 0;
  MatchCost noChain = 0;
  int maxPulses = 0;
  Window* window = nullptr;
  bool dump = false;
  LayeredSearchWork* work = nullptr;
};

// match() sets the local match of the first `layerCount` layers' elements over the
// positions of `set`; walk() visits the positions of `set` ascending and, at each, the
// layers ascending, calling step(p, layer, predecessor) with the earliest lowest chain cost
// of the layer's predecessor layer over max(p - tmax, 0) .. p - tmin below `start`. The
// fast kernels are defined with the layered searches.
struct FastLayeredKernels {
  void match(const LayeredSearch& s, const IntervalSet* set,
             const std::vector<MatchEtalon>& elements, int layerCount);
  template <typename Step>
  void walk(const LayeredSearch& s, const IntervalSet* set, int layerCount, MatchCost start,
            Step step);
};

using LayeredStep = std::function<void(int32_t, int, const Predecessor&)>;

struct PlainLayeredKernels {
  void match(const LayeredSearch& s, const IntervalSet* set,
             const std::vector<MatchEtalon>& elements, int layerCount);
  void walk(const LayeredSearch& s, const IntervalSet* set, int layerCount, MatchCost start,
            const LayeredStep& step);
};

template <typename Kernels>
SearchOutcome detectUnfixedTuplesWith(Kernels& kernels, Window& window, const PulseHeader* alphabet,
                                      int32_t patternSize, const int32_t* pattern, uint16_t tmin,
                                      uint16_t tmax, uint16_t savedLevel, ChainsHeader* chains,
                                      SeriesHeader* series, uint32_t* diagnosticFlag,
                                      SearchWorkspace* workspace);

template <typename Kernels>
SearchOutcome recognizeUnfixedTuplesWith(Kernels& kernels, Window& window,
                                         const PulseHeader* alphabet, const int32_t* patternSizes,
                                         const int32_t* const* patterns, int32_t patternCount,
                                         uint16_t tmin, uint16_t tmax, uint16_t savedLevel,
                                         ChainsHeader* chains, SeriesHeader* series,
                                         uint32_t* diagnosticFlag, SearchWorkspace* workspace);

}  // namespace velmora
