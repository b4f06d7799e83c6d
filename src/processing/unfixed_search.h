// The chain search on a series whose number of pulses is not known in advance: any count
// between the series' least and greatest pulse count, each pulse matched by a list etalon
// or a run of it that carries more than the saved energy share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/alphabet.h"
#include "model/series.h"
#include "processing/chains.h"
#include "processing/fast_match.h"
#include "processing/interval_set.h"
#include "processing/match.h"

namespace velmora {

struct SearchWorkspace;

inline constexpr const char* kNoMemoryPartialEnergy = "Нет памяти для EtalonsPartialEnergy!";
inline constexpr const char* kNoMemoryIndexes = "Нет памяти для indexes!";

// ---- Shared by the unfixed-count searches ----------------------------------------------

// The positions that can hold the first pulse (omega_minus), a later pulse (omega_tilda)
// and the last pulse (omega_plus) of a chain of Pmin..Pmax pulses, and the four sets the
// searches walk: minus ∪ tilda, minus − tilda, minus ∩ tilda, tilda − minus. Every set is
// sized for all the intervals it receives, so no admissible position is lost, and every
// position leaves the whole pulse inside the series (0 <= p <= L − n).
struct PositionSets {
  IntervalSet* omega_minus = nullptr;
  IntervalSet* omega_tilda = nullptr;
  IntervalSet* omega_plus = nullptr;
  IntervalSet* visited = nullptr;    // minus ∪ tilda
  IntervalSet* firstOnly = nullptr;  // minus − tilda
  IntervalSet* both = nullptr;       // minus ∩ tilda
  IntervalSet* laterOnly = nullptr;  // tilda − minus
};

// Builds the sets for series length L, pulse length n, the pulse counts and the two
// distances. 1 on success, 0 when memory ran out (the sets are then freed).
int buildPositionSets(int32_t seriesSize, int32_t impulseSize, int32_t minPulses,
                      int32_t maxPulses, int32_t tmin, int32_t tmax, PositionSets& sets);
void freePositionSets(PositionSets& sets);

// The position sets of the last geometry asked for, kept for the next search with the
// same geometry (they depend on nothing else).
class PositionSetsCache {
 public:
  PositionSetsCache() = default;
  PositionSetsCache(const PositionSetsCache&) = delete;
  PositionSetsCache& operator=(const PositionSetsCache&) = delete;
  ~PositionSetsCache();

  // The sets of this geometry, built when it differs from the last one; null when memory
  // ran out.
  const PositionSets* get(int32_t seriesSize, int32_t impulseSize, int32_t minPulses,
                          int32_t maxPulses, int32_t tmin, int32_t tmax);

 private:
  PositionSets sets_;
  bool valid_ = false;
  int32_t key_[6] = {};
};

// Calls fn(p) for every position of `set`, ascending.
template <typename Fn>
void forEachPosition(const IntervalSet* set, Fn fn) {
  if (set == nullptr) return;
  for (int i = 0; i < set->wIntervals; ++i) {
    for (int32_t p = set->lpFirst[i]; p <= set->lpLast[i]; ++p) fn(p);
  }
}

// Working tables of one unfixed chain search, indexed by series position.
struct UnfixedTables {
  std::vector<MatchCost> localCost;  // best local cost q
  std::vector<uint16_t> etalon;      // its etalon, 0-based alphabet index
  std::vector<int16_t> firstSample;  // its run
  std::vector<int16_t> lastSample;
  std::vector<MatchCost> chainCost;  // best chain cost r ending here
  std::vector<int32_t> predecessor;  // position, −1 (first pulse only) or −2 (chain start)
};

// A chain in series order with its score.
struct FoundChain {
  MatchCost score = 0;
  std::vector<int16_t> etalons;  // 1-based
  std::vector<int16_t> positions;
  std::vector<int16_t> firstSamples;
  std::vector<int16_t> lastSamples;
  int count() const { return static_cast<int>(positions.size()); }
  void clear() {
    etalons.clear();
    positions.clear();
    firstSamples.clear();
    lastSamples.clear();
  }
};

// Sizes the tables for L positions and marks every cost absent (99999999), runs whole.
// Throws std::bad_alloc.
void resetUnfixedTables(UnfixedTables& tables, int32_t seriesSize, uint16_t impulseSize);

// Best local match over the candidates at every position of minus ∪ tilda, an interval
// at a time.
void matchUnfixedPositions(UnfixedTables& tables, const PositionSets& sets,
                           const MatchEtalon* candidates, size_t count, const int16_t* x,
                           LocalMatcher& matcher);

// Chain costs: first-pulse-only positions, then positions that may start or continue a
// chain (continuing only a negative chain), then later-pulse-only positions, each pass
// ascending and reading the costs as the passes before it and its own earlier positions
// left them. The predecessor ranges slide with the position, so each pass keeps them in a
// monotonic queue (O(1) per position); with Tmin = 0 a range would include the position
// being written, and the ranges are scanned in full instead.
void chainUnfixedCosts(UnfixedTables& tables, const PositionSets& sets, int32_t tmin,
                       int32_t tmax, SlidingMinimum& queue);

// The position of omega_plus with the strictly lowest chain cost below `start` (the
// earliest of equal costs), or −1; `score` gets that cost, or `start`.
int32_t chooseUnfixedEnd(const UnfixedTables& tables, const PositionSets& sets, MatchCost start,
                         MatchCost& score);

// Traces the chain ending at `end` back through the predecessors. False (chain cleared)
// when the trace leaves the tables or exceeds `maxPulses` pulses. Allocates nothing once
// the chain's rows have held that many pulses.
bool traceUnfixedChain(const UnfixedTables& tables, int32_t end, int maxPulses, FoundChain& chain);

// Writes a chain's pulses into the series record's answer (wFoundPulses and the four found
// arrays). The caller ensures the record can hold them.
void writeFoundChain(SeriesHeader& series, const FoundChain& chain);

// Whether `number` names an etalon of the alphabet.
bool isAlphabetEtalon(int32_t number);

// What the unfixed-count searches reuse from one call to the next.
struct UnfixedSearchWork {
  std::vector<MatchEtalon> candidates;
  UnfixedTables tables;
  FoundChain chain;
  FoundChain answer;
  LocalMatcher matcher;
  SlidingMinimum queue;
};

// Room for `count` candidates of n samples and for the tables of L positions, so that a
// search allocates nothing more; `candidates` is left empty. Throws std::bad_alloc.
void reserveUnfixedWork(UnfixedSearchWork& work, size_t count, int32_t seriesSize, uint16_t n,
                        uint16_t maxPulses);

}  // namespace velmora
