#include "processing/match.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "support/search_helpers.h"

namespace velmora {
namespace {

using testing::TestAlphabet;

MatchEtalon prepared(const TestAlphabet& a, int number, uint16_t size, uint16_t level) {
  MatchEtalon e;
  EXPECT_TRUE(prepareMatchEtalon(a.data(), number, size, level, e));
  return e;
}

TEST(MatchEtalonTest, CumulativeEnergiesAndTruncatedThreshold) {
  TestAlphabet a({{3, -4, 0, 2}});
  const MatchEtalon e = prepared(a, 1, 4, 33);
  EXPECT_EQ(e.energy, (std::vector<MatchCost>{0, 9, 25, 25, 29}));
  EXPECT_EQ(e.threshold, 29 * 33 / 100);  // 9
  EXPECT_EQ(e.alphabetIndex, 0);
  // Only the first n samples count when the etalon is longer than the series' pulses.
  EXPECT_EQ(prepared(a, 1, 2, 100).energy.back(), 25);
}

TEST(MatchEtalonTest, UnusableEtalonsAreRefused) {
  TestAlphabet a({{1, 2}});
  MatchEtalon e;
  EXPECT_FALSE(prepareMatchEtalon(a.data(), 0, 2, 100, e));
  EXPECT_FALSE(prepareMatchEtalon(a.data(), 1, 3, 100, e)) << "fewer samples than n";
  EXPECT_FALSE(prepareMatchEtalon(nullptr, 1, 2, 100, e));
}

TEST(MatchCostTest, RunIsLaidAtTheEtalonSamplePosition) {
  TestAlphabet a({{2, 3, -1}});
  const MatchEtalon e = prepared(a, 1, 3, 100);
  const std::vector<int16_t> x = {9, 9, 1, 4, 5, 9};
  // Run 1..2 at position 2 covers x[3], x[4].
  EXPECT_EQ(runCost(e, x.data(), 2, 1, 2), 3 * (3 - 8) + -1 * (-1 - 10));
  EXPECT_EQ(runCost(e, x.data(), 2, 0, 2),
            testing::bruteRunCost(a.data(), 1, x, 2, 0, 2));
  // Extreme samples do not overflow.
  TestAlphabet big({{-32768, 32767}});
  const MatchEtalon b = prepared(big, 1, 2, 100);
  const std::vector<int16_t> far = {32767, -32768};
  EXPECT_EQ(runCost(b, far.data(), 0, 0, 1),
            MatchCost{-32768} * (-32768 - 2 * 32767) + MatchCost{32767} * (32767 + 2 * 32768));
}

TEST(LocalMatchTest, FullSavedLevelMatchesWholeEtalonsOnly) {
  TestAlphabet a({{1, 5, 1}});
  const MatchEtalon e = prepared(a, 1, 3, 100);
  const std::vector<int16_t> x = {-9, 5, -9};  // the middle sample alone would match best
  const LocalMatch m = bestLocalMatch(&e, 1, x.data(), 0);
  EXPECT_EQ(m.first, 0);
  EXPECT_EQ(m.last, 2);
  EXPECT_EQ(m.cost, runCost(e, x.data(), 0, 0, 2));
}

TEST(LocalMatchTest, ZeroSavedLevelAdmitsSingleSamplesButNotEnergylessRuns) {
  TestAlphabet a({{1, 5, 1}});
  const MatchEtalon e = prepared(a, 1, 3, 0);
  const std::vector<int16_t> x = {-9, 5, -9};
  const LocalMatch m = bestLocalMatch(&e, 1, x.data(), 0);
  EXPECT_EQ(m.first, 1);
  EXPECT_EQ(m.last, 1);
  EXPECT_EQ(m.cost, 5 * (5 - 10));
  // A run of zero energy is never admitted, even where it would cost less.
  TestAlphabet z({{0, 0, 7}});
  const MatchEtalon ze = prepared(z, 1, 3, 0);
  const std::vector<int16_t> y = {0, 0, -50};
  const LocalMatch w = bestLocalMatch(&ze, 1, y.data(), 0);
  EXPECT_EQ(w.cost, 49 + 700);
  EXPECT_EQ(w.last, 2);
}

TEST(LocalMatchTest, FirstOfEqualCostsWins) {
  // Etalons 2 and 3 cost the same; 2 is listed first. Etalon 1 is worse.
  TestAlphabet a({{-4, -4}, {3, 1}, {1, 3}});
  std::vector<MatchEtalon> c = {prepared(a, 1, 2, 100), prepared(a, 3, 2, 100),
                                prepared(a, 2, 2, 100)};
  const std::vector<int16_t> x = {2, 2};
  const LocalMatch m = bestLocalMatch(c.data(), 3, x.data(), 0);
  EXPECT_EQ(m.candidate, 1);
  EXPECT_EQ(m.etalon, 2);  // alphabet index of etalon 3
  std::swap(c[1], c[2]);
  EXPECT_EQ(bestLocalMatch(c.data(), 3, x.data(), 0).etalon, 1);

  // Within an etalon the whole comes first: a run of equal cost does not replace it.
  TestAlphabet r({{4, 0}});
  const MatchEtalon re = prepared(r, 1, 2, 0);
  const std::vector<int16_t> y = {1, 3};
  const LocalMatch w = bestLocalMatch(&re, 1, y.data(), 0);
  EXPECT_EQ(w.last, 1) << "run 0..0 costs as much as the whole";
}

TEST(LocalMatchTest, TableAgreesWithBruteForce) {
  TestAlphabet a({{3, -2, 5, 1}, {-1, -6, 2, 2}});
  std::vector<MatchEtalon> c = {prepared(a, 2, 4, 40), prepared(a, 1, 4, 40)};
  const std::vector<int16_t> x = {4, -3, 7, 0, -2, 6, 1, -5, 3};
  std::vector<LocalMatch> table(6);
  fillLocalMatches(c.data(), 2, x.data(), 0, 5, table.data());
  for (int p = 0; p <= 5; ++p) {
    const auto b = testing::bruteLocal(a.data(), {2, 1}, x, 4, p, 40);
    EXPECT_EQ(table[p].cost, b.cost) << p;
    EXPECT_EQ(table[p].etalon + 1, b.etalon) << p;
    EXPECT_EQ(table[p].first, b.first) << p;
    EXPECT_EQ(table[p].last, b.last) << p;
  }
}

TEST(PredecessorTest, EarliestOfEqualValuesAndStartValue) {
  const std::vector<MatchCost> v = {5, 2, 7, 2, 9};  // positions 10..14
  Predecessor p = scanPredecessor(v.data(), 10, 10, 14, 100);
  EXPECT_EQ(p.value, 2);
  EXPECT_EQ(p.position, 11);
  p = scanPredecessor(v.data(), 10, 12, 13, 100);
  EXPECT_EQ(p.position, 13);
  p = scanPredecessor(v.data(), 10, 10, 14, 2);  // equal to the start: not taken
  EXPECT_EQ(p.position, -1);
  EXPECT_EQ(p.value, 2);
  p = scanPredecessor(nullptr, 0, 5, 4, 77);  // empty range reads nothing
  EXPECT_EQ(p.position, -1);
  EXPECT_EQ(p.value, 77);
}

TEST(PredecessorTest, RowClipsEveryRangeToThePreviousWindow) {
  const std::vector<MatchCost> prev = {4, 1, 3, 1, 0};  // positions 3..7
  std::vector<Predecessor> out(8);
  // p = 5..12 with distances 2..4: ranges p-4 .. p-2 clipped to 3..7.
  scanPredecessorRow(prev.data(), 3, 7, 2, 4, 5, 12, 50, out.data());
  const int expected[] = {3, 4, 4, 4, 7, 7, 7, -1};
  for (int i = 0; i < 8; ++i) {
    const int p = 5 + i;
    EXPECT_EQ(out[i].position, expected[i]) << p;
    const Predecessor single =
        scanPredecessor(prev.data(), 3, std::max(p - 4, 3), std::min(p - 2, 7), 50);
    EXPECT_EQ(out[i].value, single.value) << p;
  }
}

TEST(StoredScoreTest, SaturatesOnlyOutsideThe32BitRange) {
  EXPECT_EQ(storedScore(-123456789), -123456789);
  EXPECT_EQ(storedScore(kNineNines), 999999999);
  EXPECT_EQ(storedScore(MatchCost{1} << 40), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(storedScore(-(MatchCost{1} << 40)), std::numeric_limits<int32_t>::min());
}

}  // namespace
}  // namespace velmora
