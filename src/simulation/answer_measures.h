// Two measures of a processed series that the results view prints and velmora-cli run
// reports: the error of the series rebuilt from the best chain, and the match cost of
// the true chain. Computed here once so that every reader gets the same value.
#pragma once

#include <cstdint>

#include "model/series.h"
#include "processing/chains.h"

namespace velmora {

// Sum over the series of (pure sample - rebuilt sample)^2, the rebuilt series being zero
// except under the `count` given pulses: sample j of the pulse at position p holds etalon
// sample j when first <= j <= last (and 0 otherwise) for j < wImpulseSize. Pulses are taken
// in order and must not overlap: one that starts before the end of the previous one (or
// outside the series) is skipped. A pulse whose etalon number is 0 or outside the
// series' alphabet rebuilds zeros. 64-bit: 32767 full-range differences exceed 32 bits.
int64_t rebuiltSeriesError(const SeriesHeader& series, const int16_t* positions,
                           const int16_t* etalons, const int16_t* firstSamples,
                           const int16_t* lastSamples, int32_t count);

// The error of the series rebuilt from pretender 0's first wSeekingPulsesQuantity pulses
// (none when there is no record or no pretender).
int64_t restoreError(const SeriesHeader& series, const ChainsHeader* chains);

// The match cost of the true chain: the sum over the placed pulses and their visible
// samples j of s[j] * (s[j] - 2 * noisy[p + j]), s being the pulse's etalon.
int64_t trueChainCost(const SeriesHeader& series);

}  // namespace velmora
