// What every chain search shares: the cumulative energies and admission threshold of a
// candidate etalon, the match cost of a run of etalon samples at a series position, the
// best local match over a list of candidates, and the predecessor scan.
//
// Costs are 64-bit. A local cost fits 32 bits for the system's etalons (|s| <= 155, n = 20,
// |x| <= 32768 gives at most about 2.1e8), but a chain sums one local cost per pulse and a
// series of 32767 samples holds hundreds of pulses, so with loud (16-bit) noise a 32-bit
// chain sum can overflow. Every value that does not overflow in 32 bits is unchanged by
// the widening; scores stored in 32-bit records go through storedScore().
//
// The local match and the predecessor scans below are the plain forms of these steps: the
// reference searches use them, the fast searches use them where a step is rare (the end
// choice, the trace-back), and the fast kernels (fast_match.h) must reproduce them bit for
// bit, ties included.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/alphabet.h"

namespace velmora {

using MatchCost = int64_t;

// The large start values of the scans; each stands for "no value yet".
inline constexpr MatchCost kSixNines = 999999;
inline constexpr MatchCost kSevenNines = 9999999;
inline constexpr MatchCost kEightNines = 99999999;
inline constexpr MatchCost kNineNines = 999999999;

// A candidate etalon prepared for matching: E[0] = 0, E[t + 1] = E[t] + s[t]^2, and the
// threshold T = (E[n] * P) / 100 (truncating). A run a..z is admitted only when it carries
// strictly more than T.
//
// The admitted runs have a simple shape: a start a is admitted when E[n] - E[a] > T, and
// then every end z from the least admitted end of a on. `runStarts` lists the admitted
// starts ascending and `runEnds` the least admitted end of each (both ascending).
struct MatchEtalon {
  const int16_t* samples = nullptr;  // n samples
  uint16_t size = 0;                 // n
  uint16_t alphabetIndex = 0;        // 0-based index into the alphabet
  MatchCost threshold = 0;
  std::vector<MatchCost> energy;     // n + 1 cumulative energies
  std::vector<int32_t> runStarts;
  std::vector<int32_t> runEnds;
  int32_t largestSample = 0;         // greatest |s[t]|
};

// Prepares etalon `number` (1-based) of `alphabet` for series pulses of `size` samples and
// processing saved energy level `savedLevel` (percent). Returns false, leaving `out`
// unusable, when the etalon cannot serve: number 0, no samples, or fewer than `size`
// samples. Throws std::bad_alloc when a row cannot be allocated (rows reuse their
// capacity, so preparing into the same record again allocates nothing).
bool prepareMatchEtalon(const PulseHeader* alphabet, int32_t number, uint16_t size,
                        uint16_t savedLevel, MatchEtalon& out);

// Match cost of the run a..z (0 <= a <= z < n) laid at position p (sample 0 of the etalon
// at x[p]): sum over t = a..z of s[t] * (s[t] - 2 * x[p + t]). The squared distance minus
// the energy of the series samples covered, so lower is better.
MatchCost runCost(const MatchEtalon& etalon, const int16_t* x, int32_t p, int32_t a, int32_t z);

// The best local match at one position.
struct LocalMatch {
  MatchCost cost = 0;
  uint16_t candidate = 0;  // index into the candidate list
  uint16_t etalon = 0;     // 0-based alphabet index of that candidate
  int16_t first = 0;       // first and last etalon sample of the run used
  int16_t last = 0;
};

// B(p) over `count` candidates in list order: each candidate whole first, then its
// admitted runs (a ascending, z ascending within a); a later try replaces the best only
// when strictly lower, so the first of equal costs wins. Requires count >= 1 and the
// whole pulse inside the series (0 <= p, p + n <= L).
LocalMatch bestLocalMatch(const MatchEtalon* candidates, size_t count, const int16_t* x,
                          int32_t p);

// Fills out[p - from] = bestLocalMatch(..., p) for every p = from..to (nothing when
// to < from). The searches take their local matches from here.
void fillLocalMatches(const MatchEtalon* candidates, size_t count, const int16_t* x,
                      int32_t from, int32_t to, LocalMatch* out);

// Result of a predecessor scan: the lowest value found and its position, or the start
// value and position -1 when no value was strictly below the start.
struct Predecessor {
  MatchCost value = 0;
  int32_t position = -1;
};

// Scans m = from..to ascending over values (the value of position m is
// values[m - origin]) from `start`, keeping the strictly lowest value (the earliest of
// equal values). Reads nothing when to < from.
Predecessor scanPredecessor(const MatchCost* values, int32_t origin, int32_t from, int32_t to,
                            MatchCost start);

// The predecessor of every position p = pFrom..pTo of a row: out[p - pFrom] is
// scanPredecessor over m = max(p - tmax, mFrom) .. min(p - tmin, mTo), where the previous
// row holds the values of positions mFrom..mTo (values[m - mFrom]).
void scanPredecessorRow(const MatchCost* values, int32_t mFrom, int32_t mTo, int32_t tmin,
                        int32_t tmax, int32_t pFrom, int32_t pTo, MatchCost start,
                        Predecessor* out);

// A 64-bit score as stored in the 32-bit `distance` of the chains record: saturated at the
// 32-bit limits (only a chain whose sum overflows 32 bits is affected).
int32_t storedScore(MatchCost score);

}  // namespace velmora
