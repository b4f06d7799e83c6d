// The fast kernels against their plain forms on random inputs: etalons longer than a
// block of positions, any saved level, ranges that end inside a block, samples too loud
// for 32-bit sums; window minima over rows narrower and wider than the window, with the
// clipped ranges at both ends.
#include "processing/fast_match.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "processing/match.h"
#include "support/search_helpers.h"
#include "support/simd_paths.h"

namespace velmora {
namespace {

using Rng = std::mt19937;
using testing::uniform;

// The kernels' tests run once per SIMD path the CPU supports.
class LocalMatcherTest : public testing::ForcedSimdPath {};
VELMORA_EVERY_SIMD_PATH(LocalMatcherTest);
class WindowMinimumTest : public testing::ForcedSimdPath {};
VELMORA_EVERY_SIMD_PATH(WindowMinimumTest);

TEST_P(LocalMatcherTest, EqualsThePlainLocalMatch) {
  Rng rng(4242);
  LocalMatcher matcher;  // reused throughout, as a workspace keeps it
  for (int round = 0; round < 300; ++round) {
    const int n = uniform(rng, 1, 70);
    const int count = uniform(rng, 1, 4);
    const bool loud = round % 5 == 0;
    std::vector<std::vector<int16_t>> shapes;
    for (int e = 0; e < count; ++e) {
      std::vector<int16_t> shape;
      for (int t = 0; t < n; ++t)
        shape.push_back(static_cast<int16_t>(loud ? uniform(rng, -32768, 32767) : uniform(rng, -9, 9)));
      if (loud) shape[0] = -32768;
      shapes.push_back(shape);
    }
    if (count > 1 && round % 3 == 0) shapes[1] = shapes[0];  // equal costs everywhere
    testing::TestAlphabet alphabet(shapes);
    const uint16_t level = static_cast<uint16_t>(uniform(rng, 0, 100));
    std::vector<MatchEtalon> candidates(count);
    for (int e = 0; e < count; ++e)
      ASSERT_TRUE(prepareMatchEtalon(alphabet.data(), e + 1, static_cast<uint16_t>(n), level,
                                     candidates[e]));
    EXPECT_EQ(fitsNarrowSums(candidates[0]), !loud);

    const int positions = uniform(rng, 1, 200);
    std::vector<int16_t> x(static_cast<size_t>(positions + n));
    const int range = loud ? 32767 : uniform(rng, 0, 12);
    for (int16_t& v : x) v = static_cast<int16_t>(uniform(rng, -range, range));
    const int from = uniform(rng, 0, positions - 1);
    const int to = positions - 1;
    const size_t size = static_cast<size_t>(to - from + 1);
    std::vector<MatchCost> cost(size);
    std::vector<uint16_t> etalon(size);
    std::vector<int16_t> first(size), last(size);
    matcher.match(candidates.data(), candidates.size(), x.data(), from, to, cost.data(),
                  etalon.data(), first.data(), last.data());
    for (int p = from; p <= to; ++p) {
      const LocalMatch plain = bestLocalMatch(candidates.data(), candidates.size(), x.data(), p);
      const size_t i = static_cast<size_t>(p - from);
      ASSERT_EQ(cost[i], plain.cost) << "round " << round << ", position " << p;
      ASSERT_EQ(etalon[i], plain.etalon) << "round " << round << ", position " << p;
      ASSERT_EQ(first[i], plain.first) << "round " << round << ", position " << p;
      ASSERT_EQ(last[i], plain.last) << "round " << round << ", position " << p;
    }
  }
}

// The 32-bit kernel at its extremes: etalon samples of +-147 (squares to 21609 and factors
// -2 s to 294 fit 16 bits, products with 16-bit samples fit 32) over series samples of
// -32768 and 32767, for etalons up to the longest whose every prefix sum still fits 32
// bits, and one sample longer, which must take the 64-bit kernel.
TEST_P(LocalMatcherTest, NarrowSumsAtTheExtremes) {
  LocalMatcher matcher;
  for (int n : {1, 20, 111, 112}) {
    std::vector<int16_t> plus(static_cast<size_t>(n), 147), alternating;
    for (int t = 0; t < n; ++t) alternating.push_back(static_cast<int16_t>(t % 2 ? -147 : 147));
    testing::TestAlphabet alphabet({plus, alternating});
    std::vector<MatchEtalon> candidates(2);
    for (int e = 0; e < 2; ++e)
      ASSERT_TRUE(prepareMatchEtalon(alphabet.data(), e + 1, static_cast<uint16_t>(n), 50,
                                     candidates[e]));
    EXPECT_EQ(fitsNarrowSums(candidates[0]), n <= 111) << n;
    // Runs of one extreme, then the other, then alternating: every sum at its bound.
    std::vector<int16_t> x;
    for (int k = 0; k < 2 * n + 70; ++k)
      x.push_back(k < n + 35 ? int16_t{-32768} : k % 2 ? int16_t{32767} : int16_t{-32768});
    const int to = static_cast<int>(x.size()) - n;
    std::vector<MatchCost> cost(static_cast<size_t>(to + 1));
    std::vector<uint16_t> etalon(cost.size());
    std::vector<int16_t> first(cost.size()), last(cost.size());
    matcher.match(candidates.data(), 2, x.data(), 0, to, cost.data(), etalon.data(),
                  first.data(), last.data());
    for (int p = 0; p <= to; ++p) {
      const LocalMatch plain = bestLocalMatch(candidates.data(), 2, x.data(), p);
      ASSERT_EQ(cost[p], plain.cost) << "n " << n << ", position " << p;
      ASSERT_EQ(etalon[p], plain.etalon) << "n " << n << ", position " << p;
      ASSERT_EQ(first[p], plain.first) << "n " << n << ", position " << p;
      ASSERT_EQ(last[p], plain.last) << "n " << n << ", position " << p;
    }
  }
}

TEST(MatchEtalonTest, RunStructureOfAnEtalon) {
  // Energies 0, 9, 25, 25, 29 with the threshold 14 (50 %): starts 0 (ends from 1) and
  // 1 (ends from 1); start 2 holds 4, start 3 holds 4: no run.
  testing::TestAlphabet a({{3, -4, 0, 2}});
  MatchEtalon e;
  ASSERT_TRUE(prepareMatchEtalon(a.data(), 1, 4, 50, e));
  EXPECT_EQ(e.runStarts, (std::vector<int32_t>{0, 1}));
  EXPECT_EQ(e.runEnds, (std::vector<int32_t>{1, 1}));
  EXPECT_EQ(e.largestSample, 4);
  ASSERT_TRUE(prepareMatchEtalon(a.data(), 1, 4, 100, e));
  EXPECT_TRUE(e.runStarts.empty());
}

// Rows of random values (equal values frequent) against the plain scan, for positions p
// whose ranges meet the row, ascending as the chain search asks.
TEST_P(WindowMinimumTest, EqualsThePlainScanOverEveryRange) {
  Rng rng(99);
  WindowMinimum minimum;
  SlidingMinimum queue;
  for (int round = 0; round < 400; ++round) {
    const int lo = uniform(rng, 0, 30);
    const int hi = lo + uniform(rng, 0, 60);
    const int tmin = uniform(rng, 1, 25);
    const int tmax = tmin + uniform(rng, 0, round % 2 ? 4 : 80);
    std::vector<MatchCost> row(static_cast<size_t>(hi - lo + 1));
    for (MatchCost& v : row) v = uniform(rng, -5, 5);
    const MatchCost start = uniform(rng, -3, 6);

    // Ascending positions with gaps, as the chain search skips the ranges it reads
    // directly.
    minimum.prepare(row.data(), lo, hi, tmin, tmax);
    for (int p = lo + tmin; p <= hi + tmax; p += uniform(rng, 1, round % 3 ? 1 : 40)) {
      const int a = std::max(p - tmax, lo);
      const int b = std::min(p - tmin, hi);
      const Predecessor plain = scanPredecessor(row.data(), lo, a, b, start);
      const MatchCost value = a <= b ? std::min(start, minimum.query(a, b)) : start;
      ASSERT_EQ(value, plain.value) << "round " << round << ", p " << p;
    }

    // The queue over the row seen from positions lo .. hi + tmax, with positions.
    queue.reset(row.size());
    int next = lo;
    for (int p = lo; p <= hi + tmax; ++p) {
      const int a = std::max(p - tmax, lo);
      const int b = std::min(p - tmin, hi);
      next = std::max(next, a);
      for (; next <= b; ++next) queue.push(next, row[static_cast<size_t>(next - lo)]);
      queue.dropBefore(a);
      const Predecessor plain = scanPredecessor(row.data(), lo, a, b, start);
      const Predecessor fast = queue.best(start);
      ASSERT_EQ(fast.value, plain.value) << "round " << round << ", p " << p;
      ASSERT_EQ(fast.position, plain.position) << "round " << round << ", p " << p;
    }
  }
}

}  // namespace
}  // namespace velmora
