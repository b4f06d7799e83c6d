// The fast forms of the shared match machinery: the best local match of a whole range of
// positions at once, and minima over sliding predecessor windows. Each returns exactly
// what its plain form in match.h returns, ties included.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "processing/match.h"

namespace velmora {

// Best local matches of consecutive positions.
//
// With prefix sums P[t] = sum over u < t of s[u] * (s[u] - 2 x[p + u]) the run a..z costs
// P[z + 1] - P[a], and since the admitted ends of a start form a suffix, the best run of
// a start is a suffix minimum: per position and etalon the work is O(n) instead of the
// O(n^3) of the plain form. Positions are processed in blocks so that the arithmetic
// vectorises; the sums run in 32 bits when the etalon's samples are small enough that no
// sum over any series can leave that range, else in 64 bits.
class LocalMatcher {
 public:
  // For p = from..to: cost[p - from], etalon[...], first[...], last[...] become the cost,
  // the 0-based alphabet index and the run of bestLocalMatch(candidates, count, x, p).
  // Requires count >= 1 and x readable at from .. to + n - 1. Nothing when to < from.
  // Throws std::bad_alloc only when its scratch rows grow.
  void match(const MatchEtalon* candidates, size_t count, const int16_t* x, int32_t from,
             int32_t to, MatchCost* cost, uint16_t* etalon, int16_t* first, int16_t* last);

  // Room for etalons of up to `longest` samples, so that match() allocates nothing.
  // Throws std::bad_alloc.
  void reserve(size_t longest);

  // Positions handled together.
  static constexpr int kBlock = 64;  // kMatchBlock

 private:
  std::vector<int32_t> narrow_;
  std::vector<int64_t> wide_;
};

// True when every prefix sum of `etalon` against any 16-bit series, and every difference
// of two of them, fits 32 bits.
bool fitsNarrowSums(const MatchEtalon& etalon);

// Minimum over sliding predecessor windows of one row of values, for the fixed-count
// chain search: the previous pulse's values over positions lo..hi, queried for ranges
// max(p - tmax, lo) .. min(p - tmin, hi) with p ascending. Blocks of Tmax - Tmin + 1
// positions keep a prefix and a suffix minimum each, so every query costs O(1).
class WindowMinimum {
 public:
  // Room for rows of `count` positions, so that prepare() allocates nothing. Throws
  // std::bad_alloc.
  void reserve(size_t count);

  // Prepares the row values[0 .. hi - lo] of positions lo..hi (hi >= lo) for windows of
  // tmax - tmin + 1 positions (tmax >= tmin). Throws std::bad_alloc only when growing.
  void prepare(const MatchCost* values, int32_t lo, int32_t hi, int32_t tmin, int32_t tmax);

  // The lowest value over positions a..b (lo <= a <= b <= hi, b - a <= tmax - tmin, and a
  // and b never decreasing from one query to the next since prepare).
  MatchCost query(int32_t a, int32_t b);

  // For a full window a .. a + tmax - tmin inside lo..hi the lowest value is
  // min(suffixes()[a - lo], prefixes()[a + tmax - tmin - lo]) whatever the blocks: the
  // suffix minimum of a's block and the prefix minimum of the window end's block cover the
  // window between them and nothing outside it.
  const MatchCost* prefixes() const { return prefix_.data(); }
  const MatchCost* suffixes() const { return suffix_.data(); }

 private:
  std::vector<MatchCost> prefix_;
  std::vector<MatchCost> suffix_;
  int32_t lo_ = 0;
  int32_t span_ = 1;
  int32_t blockEnd_ = 0;  // last position of the block that holds the latest a
};

// The earliest lowest value over a window that slides forward over a row of values, with
// its position: a monotonic queue. Positions are pushed in ascending order with the value
// they hold at that time; positions that left the window are dropped from the front.
class SlidingMinimum {
 public:
  // Empties the queue for a pass that pushes at most `capacity` positions. Throws
  // std::bad_alloc only when growing.
  void reset(size_t capacity);

  // Appends position m with value v; a queued value strictly above v can no longer be
  // the earliest lowest and leaves. Equal values stay, so the earliest of them leads.
  void push(int32_t m, MatchCost v);

  // Drops the queued positions below `lo`.
  void dropBefore(int32_t lo);

  // The earliest lowest queued value strictly below `start` and its position, or `start`
  // and -1: what scanPredecessor over the window returns.
  Predecessor best(MatchCost start) const;

 private:
  std::vector<int32_t> positions_;
  std::vector<MatchCost> values_;
  size_t head_ = 0;
  size_t tail_ = 0;
};

}  // namespace velmora
