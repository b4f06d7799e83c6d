// The hot kernels of the fast searches, compiled once per SIMD path (simd.h) from
// simd_kernels.inc. Callers go through simdKernels(), the table of the path in use.
#pragma once

#include <cstddef>
#include <cstdint>

#include "processing/match.h"

namespace velmora {

struct SimdKernels {
  // The best local matches of positions from..to (to >= from, count >= 1), as
  // LocalMatcher::match: `narrow` sums in 32 bits in `narrowRows`, else in 64 bits in
  // `wideRows` (each (longest + 1) * kMatchBlock cells).
  void (*localMatch)(const MatchEtalon* candidates, size_t count, const int16_t* x,
                     int32_t from, int32_t to, bool narrow, int32_t* narrowRows,
                     int64_t* wideRows, MatchCost* cost, uint16_t* etalon, int16_t* first,
                     int16_t* last);
  // Prefix and suffix minima of values[0 .. count - 1] within blocks of `span` positions.
  void (*windowBlocks)(const MatchCost* values, size_t count, size_t span, MatchCost* prefix,
                       MatchCost* suffix);
  // out[k] = min(start, suffix[k], prefix[k]) + local[k] for k < count.
  void (*windowRow)(const MatchCost* suffix, const MatchCost* prefix, const MatchCost* local,
                    MatchCost start, int32_t count, MatchCost* out);
  // The first index of the lowest of values[0 .. count - 1] when that is strictly below
  // `start`, else -1.
  int32_t (*firstLowest)(const MatchCost* values, int32_t count, MatchCost start);
  // One row of `lanes` chain passes at once, lane k of position p at [(p - first) * lanes
  // + k]: for p = lo..hi, out = local plus the lowest of `previous` (positions
  // previousLo..previousHi) over p - tmax .. p - tmin, or plus `start` when that is lower
  // or the range is empty; out = local for the first row (previous null). `prefix` and
  // `suffix` are scratch rows as long as the previous one.
  void (*laneRow)(const MatchCost* previous, int32_t previousLo, int32_t previousHi,
                  const MatchCost* local, int32_t lo, int32_t hi, int32_t tmin, int32_t tmax,
                  MatchCost start, size_t lanes, MatchCost* prefix, MatchCost* suffix,
                  MatchCost* out);
  // For every lane k of the `count` cells of a lane row: the earliest lowest value strictly
  // below `start` and its cell (best[k], at[k]), or start and -1.
  void (*laneLowest)(const MatchCost* row, size_t lanes, int32_t count, MatchCost start,
                     MatchCost* best, int64_t* at);
  // The same two in 32 bits, twice the lanes per vector, for passes whose values provably
  // stay inside 32 bits.
  void (*laneRow32)(const int32_t* previous, int32_t previousLo, int32_t previousHi,
                    const int32_t* local, int32_t lo, int32_t hi, int32_t tmin, int32_t tmax,
                    int32_t start, size_t lanes, int32_t* prefix, int32_t* suffix, int32_t* out);
  void (*laneLowest32)(const int32_t* row, size_t lanes, int32_t count, int32_t start,
                       int32_t* best, int64_t* at);
  // The greatest |values[i]| (values above INT64_MIN), 0 for none.
  MatchCost (*largestMagnitude)(const MatchCost* values, size_t count);
};

// Positions the local match handles together.
inline constexpr int kMatchBlock = 64;

// The kernels of the path in use.
const SimdKernels& simdKernels();

namespace simd_baseline {
extern const SimdKernels kKernels;
}
namespace simd_avx2 {
extern const SimdKernels kKernels;
}
namespace simd_avx512 {
extern const SimdKernels kKernels;
}

}  // namespace velmora
