// The searches written once over their kernels. Every search body (the bookkeeping: the
// answers, the chains record, the end choice, the trace-back, the ranking) is a template
// over a small kernel struct that computes the local matches and the predecessor values:
// the fast kernels serve the application's searches, the plain kernels (see
// plain_kernels.cpp) recompute every local match and scan every predecessor range in
// full, so that the fast kernels can be checked against them. The bodies are instantiated
// for both kinds of kernel in the files that define them, and reached through the one
// search entry, runSearch<FastKernels> or runSearch<PlainKernels> (dispatch.h).
//
// Every search reads what it needs from the SearchInputs (the alphabet, the distances
// Tmin..Tmax, the saved level of processing, its list or tuples, the workspace) and
// answers into the series record and the chains record (when given).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "model/alphabet.h"
#include "model/series.h"
#include "processing/chains.h"
#include "processing/fixed_search.h"
#include "processing/match.h"
#include "processing/search_inputs.h"
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

// Joint detection and identification (detection with a list of one etalon) on the
// required list: every pulse may be any of the list etalons. Reads L, n, M, the noisy
// samples and the windows lpMinPositions/lpMaxPositions from `series` and writes the found
// chain into it; the chain becomes the only pretender of `chains` (when given), which is
// emptied first with wQuanPulses = wSeekingPulsesQuantity = M. When no admissible chain
// exists the series record gets wFoundPulses = 0 and `chains` stays empty. Result 1.
template <typename Kernels>
SearchOutcome identificationSearchWith(Kernels& kernels, const SearchInputs& inputs,
                                       ChainsHeader* chains, SeriesHeader* series);

// Recognition: all M pulses are one etalon, found among the required list. One pass per
// list etalon, each pass's chain ranked into `chains`; the first of equal scores in list
// order wins. Result: the recognised etalon number (1-based), or -1 when no pass scored
// below 999999999 (the series record then gets wFoundPulses = 0) or memory ran out.
template <typename Kernels>
SearchOutcome recognitionSearchWith(Kernels& kernels, const SearchInputs& inputs,
                                    ChainsHeader* chains, SeriesHeader* series);

// Tuple detection of the selected subset. Windows are computed from L, n, M, Tmin and
// Tmax so that every pulse lies inside the series. Each phase's chain is ranked into
// `chains` (emptied first, wQuanPulses = wSeekingPulsesQuantity = M); the best (the first
// of equal scores) is written into the series record with its tuple instances. When no
// phase yields a chain the series record gets wFoundPulses = 0 and wTupleInstances = 0.
// Result 1.
template <typename Kernels>
SearchOutcome tupleDetectionSearchWith(Kernels& kernels, const SearchInputs& inputs,
                                       ChainsHeader* chains, SeriesHeader* series);

// Tuple recognition among the subset list, windows read from the series record (clipped
// to the series). Every (tuple, phase) chain is ranked into `chains`; the best is written
// into the series record with wFoundTuple. Result: the recognised tuple number (1-based),
// 0 when no chain scored below 9999999 (wFoundPulses, wTupleInstances and wFoundTuple
// become 0) or memory ran out.
template <typename Kernels>
SearchOutcome tupleRecognitionSearchWith(Kernels& kernels, const SearchInputs& inputs,
                                         ChainsHeader* chains, SeriesHeader* series);

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

// Unfixed-count detection / joint detection and identification on the required list.
// Writes the found chain into the series record and ranks it as the only pretender of
// `chains` (when given); with no chain (score 9999999 or more) the answer has 0 pulses and
// score 9999999. Result 1, or 0 when memory ran out.
template <typename Kernels>
SearchOutcome searchUnfixedCountWith(Kernels& kernels, const SearchInputs& inputs,
                                     ChainsHeader* chains, SeriesHeader* series);

// Unfixed-count recognition: the unfixed chain search once per list etalon. Ranks every
// candidate's chain into `chains` and writes its best pretender into the series record.
// Result: the recognised etalon number (1-based), kNoEtalonRecognised when none scored
// below the no-chain score, 0 when memory ran out before anything was written. When the
// position sets or tables cannot be had, no candidate is tried, the series record gets 0
// pulses, the result is kNoEtalonRecognised and the outcome names "Нет памяти для
// indexes!".
template <typename Kernels>
SearchOutcome recognizeUnfixedCountWith(Kernels& kernels, const SearchInputs& inputs,
                                        ChainsHeader* chains, SeriesHeader* series);

// ---- Unfixed-count tuple searches ------------------------------------------------------

// Everything one pattern's pass on the layered graph needs besides the layers.
struct LayeredSearch {
  const PositionSets* sets = nullptr;
  const int16_t* x = nullptr;
  int32_t tmin = 0;
  int32_t tmax = 0;
  MatchCost noChain = 0;
  int maxPulses = 0;
  Reporter* reporter = nullptr;  // where the dumps go; null: no dumps

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

// Tuple detection of the selected subset on the layered graph. The subset proceeding
// mode is not used: the chain always starts with the pattern's first etalon. When the
// diagnostic flag is set the layered graph is dumped to the inputs' reporter; the flag is
// cleared on success. Result 1, or 0 when memory ran out.
template <typename Kernels>
SearchOutcome detectUnfixedTuplesWith(Kernels& kernels, const SearchInputs& inputs,
                                      ChainsHeader* chains, SeriesHeader* series);

// Tuple recognition among the subset list on the layered graph. Result: the 1-based number
// of the recognised pattern, 0 when no pattern gave a chain or memory ran out.
template <typename Kernels>
SearchOutcome recognizeUnfixedTuplesWith(Kernels& kernels, const SearchInputs& inputs,
                                         ChainsHeader* chains, SeriesHeader* series);

// ---- The kernel kinds of the one search entry ------------------------------------------

struct FastKernels {
  using Pass = FastPassKernels;
  using Unfixed = FastUnfixedKernels;
  using Layered = FastLayeredKernels;
};

struct PlainKernels {
  using Pass = PlainPassKernels;
  using Unfixed = PlainUnfixedKernels;
  using Layered = PlainLayeredKernels;
};

}  // namespace velmora
