#include "processing/unfixed_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>
#include <utility>
#include <vector>

#include "model/problem_types.h"
#include "support/chains_fixture.h"
#include "support/search_helpers.h"

namespace velmora {
namespace {

using testing::BruteChain;
using testing::countWindows;
using testing::fastSearch;
using testing::listInputs;
using testing::makeUnfixedSeries;
using testing::TestAlphabet;
using testing::uniform;
using Windows = std::vector<std::pair<int, int>>;

class UnfixedSearchTest : public testing::ChainsFixture {
 protected:
  ChainsHeader* freshChains(uint16_t pulses) { return ChainsFixture::freshChains(4, pulses); }
};

// Against every admissible chain of small random series: the search must return a
// cheapest one, its score must be the cost of the chain it returns, and the chain must
// keep every pulse inside the windows of its pulse count.
TEST_F(UnfixedSearchTest, ReturnsACheapestAdmissibleChain) {
  std::mt19937 rng(20240601);
  auto draw = [&rng](int lo, int hi) { return uniform(rng, lo, hi); };
  const int levels[] = {0, 35, 70, 100};
  int withChain = 0;
  for (int round = 0; round < 400; ++round) {
    TestAlphabet a(testing::randomShapes(rng, 5, 4, -20, 20));
    const auto [n, tmin, tmax] = testing::randomTiming(rng);
    const std::vector<int16_t> x = testing::randomSamples(rng, n, 26, -40, 40);
    std::vector<uint16_t> list;
    for (int k = draw(1, 3); k > 0; --k) list.push_back(static_cast<uint16_t>(draw(1, 5)));
    const int level = levels[draw(0, 3)];

    auto s = makeUnfixedSeries(x, n, tmin, tmax);
    freshChains(s->wMaxPulses);
    ASSERT_EQ(fastSearch(window, kTaskDetection, kSeriesUnfixedCutoff,
                         listInputs(a.data(), static_cast<uint16_t>(list.size()), list.data(), tmin,
                                    tmax, static_cast<uint16_t>(level)),
                         chains, s.get()),
              1);
    const std::vector<int> candidates(list.begin(), list.end());
    const BruteChain brute = testing::bruteCheapestOverCounts(
        a.data(), {candidates}, x, n, s->wMinPulses, s->wMaxPulses, tmin, tmax, level);
    SCOPED_TRACE(::testing::Message() << "round " << round << " L=" << x.size() << " n=" << n
                                      << " T=" << tmin << ".." << tmax << " P=" << level);
    ASSERT_EQ(chains->wPretenders, 1);
    const int k = s->wFoundPulses;
    EXPECT_EQ(chains->pulsesCount[0], k);
    EXPECT_EQ(chains->wSeekingPulsesQuantity, k);
    if (!brute.found) {
      EXPECT_EQ(k, 0);
      EXPECT_EQ(chains->distance[0], 9999999);
      continue;
    }
    ++withChain;
    ASSERT_GE(k, s->wMinPulses);
    ASSERT_LE(k, s->wMaxPulses);
    EXPECT_EQ(chains->distance[0], brute.cost);
    const Windows w = countWindows(static_cast<int>(x.size()), n, k, tmin, tmax);
    int64_t sum = 0;
    for (int j = 0; j < k; ++j) {
      const int p = s->lpFoundPositions[j];
      const int e = s->lpFoundEtalons[j];
      const int f = s->lpFoundFirstSamples[j];
      const int l = s->lpFoundLastSamples[j];
      EXPECT_GE(p, w[j].first);
      EXPECT_LE(p, w[j].second);
      if (j > 0) {
        EXPECT_GE(p - s->lpFoundPositions[j - 1], tmin);
        EXPECT_LE(p - s->lpFoundPositions[j - 1], tmax);
      }
      EXPECT_NE(std::find(list.begin(), list.end(), e), list.end());
      EXPECT_TRUE(testing::runAdmitted(a.data(), e, n, f, l, level));
      const int64_t cost = testing::bruteRunCost(a.data(), e, x, p, f, l);
      EXPECT_EQ(cost, testing::bruteLocal(a.data(), candidates, x, n, p, level).cost);
      sum += cost;
      EXPECT_EQ(chains->positionsList[0][j], p);
      EXPECT_EQ(chains->pulsesList[0][j], e);
      EXPECT_EQ(chains->firstSamplesList[0][j], f);
      EXPECT_EQ(chains->lastSamplesList[0][j], l);
    }
    EXPECT_EQ(sum, brute.cost);
  }
  EXPECT_GT(withChain, 200);
}

std::vector<std::pair<int, int>> intervals(const IntervalSet* s) {
  std::vector<std::pair<int, int>> out;
  for (int i = 0; i < s->wIntervals; ++i) out.emplace_back(s->lpFirst[i], s->lpLast[i]);
  return out;
}

// Equal distances make every pulse count's windows narrow and apart: the later-pulse set
// holds more intervals than the greatest pulse count, and must keep them all.
TEST_F(UnfixedSearchTest, PositionSetsKeepEveryInterval) {
  PositionSets sets;
  ASSERT_EQ(buildPositionSets(10, 1, 3, 4, 3, 3, sets), 1);
  using V = std::vector<std::pair<int, int>>;
  EXPECT_EQ(intervals(sets.omega_minus), (V{{0, 0}, {1, 2}}));
  EXPECT_EQ(intervals(sets.omega_tilda), (V{{3, 3}, {4, 5}, {6, 6}, {7, 8}, {9, 9}}));
  EXPECT_EQ(intervals(sets.omega_plus), (V{{7, 8}, {9, 9}}));
  EXPECT_EQ(sets.both->wIntervals, 0);
  EXPECT_EQ(intervals(sets.firstOnly), intervals(sets.omega_minus));
  EXPECT_EQ(intervals(sets.laterOnly), intervals(sets.omega_tilda));
  EXPECT_EQ(intervals(sets.visited), (V{{0, 0}, {1, 2}, {3, 3}, {4, 5}, {6, 6}, {7, 8}, {9, 9}}));

  // Overlapping windows: the sets are the first, the later and the last positions.
  ASSERT_EQ(buildPositionSets(30, 2, 1, 8, 4, 28, sets), 1);
  EXPECT_EQ(intervals(sets.omega_minus), (V{{0, 26}}));
  EXPECT_EQ(intervals(sets.omega_tilda), (V{{4, 28}}));
  EXPECT_EQ(intervals(sets.omega_plus), (V{{2, 28}}));
  EXPECT_EQ(intervals(sets.both), (V{{4, 26}}));
  EXPECT_EQ(intervals(sets.firstOnly), (V{{0, 3}}));
  EXPECT_EQ(intervals(sets.laterOnly), (V{{27, 28}}));
  freePositionSets(sets);
  EXPECT_EQ(sets.omega_minus, nullptr);
}

TEST_F(UnfixedSearchTest, SavedLevelDecidesWhichRunsMayMatch) {
  TestAlphabet a({{2, 9, 2, 2}});
  // A sample that fits the etalon's peak but nothing else around it.
  std::vector<int16_t> x = {-30, -30, -30, 9, -30, -30, -30, -30, -30, -30};
  const uint16_t list[] = {1};
  auto s = makeUnfixedSeries(x, 4, 8, 10);  // one pulse: Pmin = Pmax = 1
  ASSERT_EQ(s->wMinPulses, 1);
  ASSERT_EQ(s->wMaxPulses, 1);

  fastSearch(window, kTaskDetection, kSeriesUnfixedCutoff,
             listInputs(a.data(), 1, list, 8, 10, 100), freshChains(1), s.get());
  ASSERT_EQ(s->wFoundPulses, 1);
  EXPECT_EQ(s->lpFoundFirstSamples[0], 0);
  EXPECT_EQ(s->lpFoundLastSamples[0], 3);

  // At level 0 the single peak sample is admitted and laid at its own etalon position.
  fastSearch(window, kTaskDetection, kSeriesUnfixedCutoff, listInputs(a.data(), 1, list, 8, 10, 0),
             freshChains(1), s.get());
  ASSERT_EQ(s->wFoundPulses, 1);
  EXPECT_EQ(s->lpFoundPositions[0], 2);
  EXPECT_EQ(s->lpFoundFirstSamples[0], 1);
  EXPECT_EQ(s->lpFoundLastSamples[0], 1);
  EXPECT_EQ(chains->distance[0], 9 * (9 - 18));
}

TEST_F(UnfixedSearchTest, TiesGoToTheEarlierEtalonAndTheEarlierEnd) {
  // Etalons 2 and 3 are the same shape: the one listed first is reported.
  TestAlphabet a({{1, 1, 1}, {5, -5, 5}, {5, -5, 5}});
  // Two equally good places for one pulse: the earlier one is the end.
  std::vector<int16_t> x = {0, 5, -5, 5, 0, 5, -5, 5, 0, 0};
  auto s = makeUnfixedSeries(x, 3, 8, 10);
  ASSERT_EQ(s->wMaxPulses, 1);
  const uint16_t list[] = {3, 2, 1};
  fastSearch(window, kTaskDetection, kSeriesUnfixedCutoff,
             listInputs(a.data(), 3, list, 8, 10, 100), freshChains(1), s.get());
  ASSERT_EQ(s->wFoundPulses, 1);
  EXPECT_EQ(s->lpFoundPositions[0], 1);
  EXPECT_EQ(s->lpFoundEtalons[0], 3);
}

TEST_F(UnfixedSearchTest, ChainStartsAfreshWhereEveryEarlierChainCostsTooMuch) {
  // Positive costs everywhere except one strong match: the best chain is that single
  // pulse, even where earlier pulses could have preceded it.
  TestAlphabet a({{10, 10}});
  std::vector<int16_t> x(30, -10);
  x[12] = x[13] = 40;
  auto s = makeUnfixedSeries(x, 2, 4, 28);  // Pmin = 1, Pmax = 8
  ASSERT_EQ(s->wMinPulses, 1);
  const uint16_t list[] = {1};
  fastSearch(window, kTaskDetection, kSeriesUnfixedCutoff,
             listInputs(a.data(), 1, list, 4, 28, 100), freshChains(s->wMaxPulses), s.get());
  ASSERT_EQ(s->wFoundPulses, 1);
  EXPECT_EQ(s->lpFoundPositions[0], 12);
  EXPECT_EQ(chains->distance[0], 2 * 10 * (10 - 80));
}

TEST_F(UnfixedSearchTest, NoChainIsReportedAsAnEmptyAnswer) {
  TestAlphabet a({{127, 127}});
  const uint16_t list[] = {1};

  // Admissible, but the one chain costs more than the no-chain score.
  std::vector<int16_t> loud = {-32768, -32768, -32768, -32768};
  auto s = makeUnfixedSeries(loud, 2, 3, 4);
  s->wFoundPulses = 3;
  fastSearch(window, kTaskDetection, kSeriesUnfixedCutoff, listInputs(a.data(), 1, list, 3, 4, 100),
             freshChains(s->wMaxPulses), s.get());
  EXPECT_EQ(s->wFoundPulses, 0);
  ASSERT_EQ(chains->wPretenders, 1);
  EXPECT_EQ(chains->distance[0], 9999999);
  EXPECT_EQ(chains->pulsesCount[0], 0);
  EXPECT_EQ(chains->wSeekingPulsesQuantity, 0);

  // No admissible pulse count: nothing ends anywhere.
  std::vector<int16_t> quiet(12, 50);
  s = makeUnfixedSeries(quiet, 2, 3, 4);
  s->wMinPulses = static_cast<uint16_t>(s->wMaxPulses + 1);
  fastSearch(window, kTaskDetection, kSeriesUnfixedCutoff, listInputs(a.data(), 1, list, 3, 4, 100),
             freshChains(8), s.get());
  EXPECT_EQ(s->wFoundPulses, 0);
  EXPECT_EQ(chains->distance[0], 9999999);

  // A series shorter than a pulse, and a count range reaching past the series' end.
  s = makeUnfixedSeries(quiet, 2, 3, 4);
  s->dwSeriesSize = 1;
  fastSearch(window, kTaskDetection, kSeriesUnfixedCutoff, listInputs(a.data(), 1, list, 3, 4, 100),
             freshChains(8), s.get());
  EXPECT_EQ(s->wFoundPulses, 0);
  s = makeUnfixedSeries(quiet, 2, 3, 40);
  s->wMinPulses = 0;
  fastSearch(window, kTaskDetection, kSeriesUnfixedCutoff,
             listInputs(a.data(), 1, list, 3, 40, 100), freshChains(8), s.get());
  EXPECT_GT(s->wFoundPulses, 0);
  for (int j = 0; j < s->wFoundPulses; ++j) EXPECT_LE(s->lpFoundPositions[j], 10);

  // An empty list and a list of numbers outside the alphabet match nothing.
  const uint16_t invalid[] = {0, 21};
  EXPECT_EQ(fastSearch(window, kTaskDetection, kSeriesUnfixedCutoff,
                       listInputs(a.data(), 2, invalid, 3, 4, 100), freshChains(8), s.get()),
            1);
  EXPECT_EQ(s->wFoundPulses, 0);
  EXPECT_EQ(fastSearch(window, kTaskDetection, kSeriesUnfixedCutoff,
                       listInputs(a.data(), 0, list, 3, 4, 100), nullptr, s.get()),
            1);
  EXPECT_EQ(s->wFoundPulses, 0);
  EXPECT_TRUE(window.messages.empty());
}

TEST_F(UnfixedSearchTest, WorksWithoutAChainsRecord) {
  TestAlphabet a({{3, -3}});
  std::vector<int16_t> x = {0, 3, -3, 0, 0, 3, -3, 0, 0, 0};
  auto s = makeUnfixedSeries(x, 2, 3, 5);
  const uint16_t list[] = {1};
  EXPECT_EQ(fastSearch(window, kTaskDetection, kSeriesUnfixedCutoff,
                       listInputs(a.data(), 1, list, 3, 5, 100), nullptr, s.get()),
            1);
  ASSERT_EQ(s->wFoundPulses, 2);
  EXPECT_EQ(s->lpFoundPositions[0], 1);
  EXPECT_EQ(s->lpFoundPositions[1], 5);
}

// A series of the greatest length with loud samples: the chain's cost falls far below
// what 32 bits hold, yet the chain is traced whole and its score saturates.
TEST_F(UnfixedSearchTest, LongLoudChainDoesNotOverflow) {
  std::vector<int16_t> shape(20, 127);
  TestAlphabet a({shape});
  const uint16_t n = 20, t = 20;
  std::vector<int16_t> x(32760, 32767);
  auto s = makeUnfixedSeries(x, n, t, t);
  ASSERT_EQ(s->wMinPulses, 1638);
  ASSERT_EQ(s->wMaxPulses, 1638);
  const uint16_t list[] = {1};
  ASSERT_EQ(fastSearch(window, kTaskDetection, kSeriesUnfixedCutoff,
                       listInputs(a.data(), 1, list, t, t, 100), freshChains(1638), s.get()),
            1);
  ASSERT_EQ(s->wFoundPulses, 1638);
  for (int j = 0; j < 1638; ++j) ASSERT_EQ(s->lpFoundPositions[j], 20 * j);
  EXPECT_EQ(chains->distance[0], std::numeric_limits<int32_t>::min());
  EXPECT_EQ(chains->pulsesCount[0], 1638);
}

}  // namespace
}  // namespace velmora
