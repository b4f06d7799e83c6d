// The chain search on a series whose number of pulses is not known in advance: any count
// between the series' least and greatest pulse count, each pulse matched by a list etalon
// or a run of it that carries more than the saved energy share.
#pragma once

#include <cstdint>

#include "common/window.h"
#include "model/alphabet.h"
#include "model/series.h"
#include "processing/chains.h"
#include "processing/interval_set.h"

namespace velmora {

// Cost that marks the absence of a local or chain cost, and the score reported when no
// chain is found.
inline constexpr int32_t kUnfixedNoCost = 99999999;
inline constexpr int32_t kUnfixedNoChain = 9999999;

inline constexpr const char* kNoMemoryPartialEnergy = "Нет памяти для EtalonsPartialEnergy!";
inline constexpr const char* kNoMemoryIndexes = "Нет памяти для indexes!";

// The positions that can hold the first pulse (omega_minus), a later pulse (omega_tilda)
// and the last pulse (omega_plus) of a chain of Pmin..Pmax pulses. Each set is sized for
// every interval added to it, so no admissible position is lost.
struct PositionSets {
  IntervalSet* omega_minus = nullptr;
  IntervalSet* omega_tilda = nullptr;
  IntervalSet* omega_plus = nullptr;
};

// Builds the three sets for series length L, pulse length n and the two distances. 1 on
// success, 0 when memory ran out (the sets are then freed).
int buildPositionSets(Window& window, int32_t seriesSize, int32_t impulseSize, int32_t minPulses,
                      int32_t maxPulses, int32_t tmin, int32_t tmax, PositionSets& sets);
void freePositionSets(Window& window, PositionSets& sets);

// Unfixed-count detection / joint detection and identification. Writes the found chain
// into the series record and ranks it as the only pretender of `chains` (when given).
// 1 when the search ran (chain found or not), 0 when memory ran out.
int searchUnfixedCount(Window& window, const PulseHeader* alphabet, uint16_t etalonCount,
                       const uint16_t* etalons, uint16_t tmin, uint16_t tmax,
                       uint16_t savedLevel, ChainsHeader* chains, SeriesHeader* series);

}  // namespace velmora
