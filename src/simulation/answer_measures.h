// The measures of a processed series: the two that the results view prints and
// velmora-cli run reports (the error of the series rebuilt from the best chain, the match
// cost of the true chain) and the ones the simulation accumulates. Computed here once so
// that every reader gets the same value.
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

// The simulation's measures of an answer.

// Sum over the series of the squared difference between the pure samples and the series
// rebuilt from the found pulses. 64-bit: a series of 32767 samples with full-range 16-bit
// differences exceeds 32 bits, and every value that fits 32 bits is unchanged.
int64_t getRestorationError(const SeriesHeader* header);

// The mean of a non-negative sum over the repeats, rounded half up: (2S + R) / (2R).
// 0 when there are no repeats.
int64_t roundedMean(int64_t sum, int32_t repeats);

// One repeat's addition to the detection sum: with d the sum of squared position errors
// of the first min(M, seeking) pulses, (M + 256 d) / (2M), that is 128 d / M rounded.
int64_t detectionContribution(const SeriesHeader& header, int32_t pulseCount,
                              uint16_t seekingPulses);

}  // namespace velmora
