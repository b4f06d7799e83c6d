#include "processing/fast_match.h"

#include <algorithm>
#include <limits>

namespace velmora {

namespace {

constexpr int kBlock = LocalMatcher::kBlock;

// The best local matches of positions p0 .. p0 + w - 1 (w <= kBlock). `rows` holds n + 1
// rows of kBlock sums: row t is P[t] of every position. Acc is the type of the sums,
// Coef that of the factor -2 s[t] (16 bits in the narrow kernel, so that the products
// are plain 16 x 16 -> 32-bit multiplications).
template <typename Acc, typename Coef>
void matchBlock(const MatchEtalon* candidates, size_t count, const int16_t* x, int32_t p0, int w,
                Acc* rows, MatchCost* cost, uint16_t* etalon, int16_t* first, int16_t* last) {
  alignas(64) Acc best[kBlock];
  alignas(64) int32_t bestEtalon[kBlock];
  alignas(64) int32_t bestFirst[kBlock];
  alignas(64) int32_t bestLast[kBlock];
  alignas(64) Acc own[kBlock];
  alignas(64) int32_t ownFirst[kBlock];
  alignas(64) int32_t ownLast[kBlock];
  alignas(64) Acc suffix[kBlock];
  alignas(64) int32_t suffixAt[kBlock];
  alignas(64) Acc run[kBlock];
  alignas(64) int32_t runFirst[kBlock];
  alignas(64) int32_t runLast[kBlock];

  for (size_t k = 0; k < count; ++k) {
    const MatchEtalon& e = candidates[k];
    const int32_t n = e.size;
    const int16_t* s = e.samples;

    // Prefix sums, one row per etalon sample.
    for (int i = 0; i < w; ++i) rows[i] = 0;
    for (int32_t t = 0; t < n; ++t) {
      const Acc* __restrict prev = rows + static_cast<size_t>(t) * kBlock;
      Acc* __restrict next = rows + static_cast<size_t>(t + 1) * kBlock;
      const Acc square = static_cast<Acc>(s[t]) * s[t];
      const Coef factor = static_cast<Coef>(-2 * s[t]);
      const int16_t* __restrict xs = x + p0 + t;
      for (int i = 0; i < w; ++i)
        next[i] = prev[i] + square + static_cast<Acc>(factor) * static_cast<Acc>(xs[i]);
    }

    // The whole etalon first.
    const Acc* whole = rows + static_cast<size_t>(n) * kBlock;
    for (int i = 0; i < w; ++i) {
      own[i] = whole[i];
      ownFirst[i] = 0;
      ownLast[i] = n - 1;
    }

    // Then the best run: starts from the last admitted one down, each against the suffix
    // minimum of P over its admitted ends (the earliest end of equal cost), keeping the
    // earliest start of equal cost; it replaces the whole only when strictly cheaper.
    const size_t runs = e.runStarts.size();
    if (runs > 0) {
      for (int i = 0; i < w; ++i) {
        suffix[i] = whole[i];
        suffixAt[i] = n;
        run[i] = std::numeric_limits<Acc>::max();
        runFirst[i] = 0;
        runLast[i] = 0;
      }
      int32_t j = n;
      for (size_t r = runs; r-- > 0;) {
        const int32_t a = e.runStarts[r];
        const int32_t lowest = e.runEnds[r] + 1;
        while (j > lowest) {
          --j;
          const Acc* row = rows + static_cast<size_t>(j) * kBlock;
          for (int i = 0; i < w; ++i) {
            const bool lower = row[i] <= suffix[i];
            suffix[i] = lower ? row[i] : suffix[i];
            suffixAt[i] = lower ? j : suffixAt[i];
          }
        }
        const Acc* start = rows + static_cast<size_t>(a) * kBlock;
        for (int i = 0; i < w; ++i) {
          const Acc c = suffix[i] - start[i];
          const bool lower = c <= run[i];
          run[i] = lower ? c : run[i];
          runFirst[i] = lower ? a : runFirst[i];
          runLast[i] = lower ? suffixAt[i] - 1 : runLast[i];
        }
      }
      for (int i = 0; i < w; ++i) {
        const bool lower = run[i] < own[i];
        own[i] = lower ? run[i] : own[i];
        ownFirst[i] = lower ? runFirst[i] : ownFirst[i];
        ownLast[i] = lower ? runLast[i] : ownLast[i];
      }
    }

    // A later candidate replaces the best only when strictly cheaper.
    const int32_t index = e.alphabetIndex;
    for (int i = 0; i < w; ++i) {
      const bool lower = k == 0 || own[i] < best[i];
      best[i] = lower ? own[i] : best[i];
      bestEtalon[i] = lower ? index : bestEtalon[i];
      bestFirst[i] = lower ? ownFirst[i] : bestFirst[i];
      bestLast[i] = lower ? ownLast[i] : bestLast[i];
    }
  }

  for (int i = 0; i < w; ++i) {
    cost[i] = best[i];
    etalon[i] = static_cast<uint16_t>(bestEtalon[i]);
    first[i] = static_cast<int16_t>(bestFirst[i]);
    last[i] = static_cast<int16_t>(bestLast[i]);
  }
}

}  // namespace

bool fitsNarrowSums(const MatchEtalon& e) {
  // |x| <= 32768, so |P[t]| <= E[n] + 2 n max|s| 32768; differences of two sums must fit
  // as well, and -2 s[t] must fit 16 bits.
  if (e.largestSample > 16383) return false;
  const MatchCost bound =
      e.energy.back() + 2 * MatchCost{e.size} * e.largestSample * MatchCost{32768};
  return bound <= (MatchCost{1} << 30) - 1;
}

void LocalMatcher::reserve(size_t longest) {
  const size_t cells = (longest + 1) * kBlock;
  if (narrow_.size() < cells) narrow_.resize(cells);
  if (wide_.size() < cells) wide_.resize(cells);
}

void LocalMatcher::match(const MatchEtalon* candidates, size_t count, const int16_t* x,
                         int32_t from, int32_t to, MatchCost* cost, uint16_t* etalon,
                         int16_t* first, int16_t* last) {
  if (to < from || count == 0) return;
  bool narrow = true;
  size_t longest = 0;
  for (size_t k = 0; k < count; ++k) {
    narrow = narrow && fitsNarrowSums(candidates[k]);
    longest = std::max<size_t>(longest, candidates[k].size);
  }
  const size_t cells = (longest + 1) * kBlock;
  if (narrow && narrow_.size() < cells) narrow_.resize(cells);
  if (!narrow && wide_.size() < cells) wide_.resize(cells);

  for (int32_t p0 = from; p0 <= to; p0 += kBlock) {
    const int w = static_cast<int>(std::min<int32_t>(kBlock, to - p0 + 1));
    const size_t at = static_cast<size_t>(p0 - from);
    if (narrow)
      matchBlock<int32_t, int16_t>(candidates, count, x, p0, w, narrow_.data(), cost + at,
                                   etalon + at, first + at, last + at);
    else
      matchBlock<int64_t, int64_t>(candidates, count, x, p0, w, wide_.data(), cost + at,
                                   etalon + at, first + at, last + at);
  }
}

void WindowMinimum::reserve(size_t count) {
  if (prefix_.size() < count) {
    prefix_.resize(count);
    suffix_.resize(count);
  }
}

void WindowMinimum::prepare(const MatchCost* values, int32_t lo, int32_t hi, int32_t tmin,
                            int32_t tmax) {
  const size_t count = static_cast<size_t>(hi - lo) + 1;
  reserve(count);
  span_ = tmax - tmin + 1;
  lo_ = lo;
  blockEnd_ = lo + span_ - 1;
  const size_t span = static_cast<size_t>(span_);
  MatchCost* prefix = prefix_.data();
  MatchCost* suffix = suffix_.data();
  for (size_t b = 0; b < count; b += span) {
    const size_t e = std::min(b + span, count) - 1;
    // The two running minima are independent chains; one loop runs both.
    MatchCost forward = values[b];
    MatchCost backward = values[e];
    prefix[b] = forward;
    suffix[e] = backward;
    for (size_t k = 1; k <= e - b; ++k) {
      forward = std::min(forward, values[b + k]);
      backward = std::min(backward, values[e - k]);
      prefix[b + k] = forward;
      suffix[e - k] = backward;
    }
  }
}

MatchCost WindowMinimum::query(int32_t a, int32_t b) {
  while (a > blockEnd_) blockEnd_ += span_;
  const size_t ia = static_cast<size_t>(a - lo_);
  const size_t ib = static_cast<size_t>(b - lo_);
  if (b > blockEnd_) return std::min(suffix_[ia], prefix_[ib]);
  // Inside one block the range starts at the block (the first block, clipped to the row)
  // or ends where the row ends: a window of full length inside a block is the block.
  return a == blockEnd_ - span_ + 1 ? prefix_[ib] : suffix_[ia];
}

void SlidingMinimum::reset(size_t capacity) {
  if (positions_.size() < capacity) {
    positions_.resize(capacity);
    values_.resize(capacity);
  }
  head_ = 0;
  tail_ = 0;
}

void SlidingMinimum::push(int32_t m, MatchCost v) {
  while (tail_ > head_ && values_[tail_ - 1] > v) --tail_;
  positions_[tail_] = m;
  values_[tail_] = v;
  ++tail_;
}

void SlidingMinimum::dropBefore(int32_t lo) {
  while (head_ < tail_ && positions_[head_] < lo) ++head_;
}

Predecessor SlidingMinimum::best(MatchCost start) const {
  if (head_ < tail_ && values_[head_] < start) return Predecessor{values_[head_], positions_[head_]};
  return Predecessor{start, -1};
}

}  // namespace velmora
