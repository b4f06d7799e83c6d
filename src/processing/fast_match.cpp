#include "processing/fast_match.h"

#include <algorithm>
#include <limits>

#include "processing/simd_kernels.h"

namespace velmora {

static_assert(LocalMatcher::kBlock == kMatchBlock, "the kernels' block is the matcher's");

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

  simdKernels().localMatch(candidates, count, x, from, to, narrow, narrow_.data(),
                           wide_.data(), cost, etalon, first, last);
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
  simdKernels().windowBlocks(values, count, static_cast<size_t>(span_), prefix_.data(),
                             suffix_.data());
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
