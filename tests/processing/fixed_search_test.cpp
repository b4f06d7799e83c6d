#include "processing/fixed_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>
#include <vector>

#include "model/problem_types.h"
#include "processing/search_workspace.h"
#include "support/fake_window.h"
#include "support/search_helpers.h"

namespace velmora {
namespace {

using testing::bruteCheapestChain;
using testing::bruteLocal;
using testing::bruteRunCost;
using testing::ChainsPtr;
using testing::FakeWindow;
using testing::fastSearch;
using testing::listInputs;
using testing::makeChains;
using testing::makeTestSeries;
using testing::recordWindows;
using testing::runAdmitted;
using testing::setSynthesisWindows;
using testing::TestAlphabet;

// Checks a chain given as per-pulse arrays against the brute-force cheapest one: same
// positions (ties broken the same way), each pulse inside its window and Tmin..Tmax after
// the previous one, each pulse's etalon and run the best local match there, and the
// score equal to the cost recomputed from the chain.
void expectCheapest(const PulseHeader* alphabet, const std::vector<std::vector<int>>& cands,
                    const std::vector<int16_t>& x, int n,
                    const std::vector<std::pair<int, int>>& windows, int tmin, int tmax,
                    int level, int64_t score, const int16_t* positions, const int16_t* etalons,
                    const int16_t* first, const int16_t* last) {
  const auto brute = bruteCheapestChain(alphabet, cands, x, n, windows, tmin, tmax, level);
  ASSERT_TRUE(brute.found);
  EXPECT_EQ(score, brute.cost);
  int64_t recomputed = 0;
  for (size_t j = 0; j < windows.size(); ++j) {
    EXPECT_EQ(positions[j], brute.positions[j]) << "pulse " << j;
    EXPECT_GE(positions[j], windows[j].first);
    EXPECT_LE(positions[j], windows[j].second);
    if (j > 0) {
      EXPECT_GE(positions[j] - positions[j - 1], tmin);
      EXPECT_LE(positions[j] - positions[j - 1], tmax);
    }
    EXPECT_TRUE(std::find(cands[j].begin(), cands[j].end(), etalons[j]) != cands[j].end());
    EXPECT_TRUE(runAdmitted(alphabet, etalons[j], n, first[j], last[j], level));
    const auto local = bruteLocal(alphabet, cands[j], x, n, positions[j], level);
    EXPECT_EQ(etalons[j], local.etalon) << "pulse " << j;
    EXPECT_EQ(first[j], local.first) << "pulse " << j;
    EXPECT_EQ(last[j], local.last) << "pulse " << j;
    recomputed += bruteRunCost(alphabet, etalons[j], x, positions[j], first[j], last[j]);
  }
  EXPECT_EQ(recomputed, score);
}

// A small random problem: alphabet, series, windows (sometimes reaching outside the
// series or emptied), list and saved level.
struct Problem {
  std::vector<std::vector<int16_t>> shapes;
  std::vector<int16_t> x;
  int n = 0, pulses = 0, tmin = 0, tmax = 0, level = 0;
  std::vector<uint16_t> list;
};

Problem randomProblem(std::mt19937& rng) {
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  Problem p;
  p.n = pick(1, 4);
  for (int e = 0; e < 4; ++e) {
    std::vector<int16_t> s(p.n);
    for (auto& v : s) v = static_cast<int16_t>(pick(-1, 1) == 0 ? 0 : pick(-6, 6));
    p.shapes.push_back(s);
  }
  if (pick(0, 3) == 0) p.shapes[1] = p.shapes[0];  // identical etalons: ties
  p.tmin = pick(1, 4);
  p.tmax = p.tmin + pick(0, 4);
  p.pulses = pick(1, 4);
  // Mostly lengths that admit a chain; now and then any length.
  const int shortest = (p.pulses - 1) * p.tmin + p.n;
  const int L = pick(0, 5) == 0 ? pick(p.n, 24)
                                : std::max(p.n, shortest + pick(0, p.pulses * (p.tmax - p.tmin) + 3));
  p.x.resize(L);
  for (auto& v : p.x) v = static_cast<int16_t>(pick(-10, 10));
  const int levels[] = {0, 25, 50, 75, 100};
  p.level = pick(0, 3) == 0 ? pick(0, 100) : levels[pick(0, 4)];
  const int k = pick(1, 3);
  for (int i = 0; i < k; ++i) p.list.push_back(static_cast<uint16_t>(pick(1, 4)));
  return p;
}

std::unique_ptr<SeriesHeader> seriesFor(const Problem& p, std::mt19937& rng, bool distort) {
  auto s = makeTestSeries(p.x, static_cast<uint16_t>(p.n), static_cast<uint16_t>(p.pulses));
  setSynthesisWindows(*s, static_cast<uint16_t>(p.tmin), static_cast<uint16_t>(p.tmax));
  if (distort) {
    std::uniform_int_distribution<int> d(-3, 3);
    for (int j = 0; j < p.pulses; ++j) {
      s->lpMinPositions[j] = static_cast<int16_t>(s->lpMinPositions[j] + d(rng));
      s->lpMaxPositions[j] = static_cast<int16_t>(s->lpMaxPositions[j] + d(rng));
    }
  }
  return s;
}

TEST(IdentificationSearchTest, BruteForceOnSmallRandomSeries) {
  std::mt19937 rng(20240611);
  int found = 0;
  for (int round = 0; round < 3000; ++round) {
    SCOPED_TRACE(round);
    const bool distort = round % 3 == 2;
    const Problem p = randomProblem(rng);
    TestAlphabet alphabet(p.shapes);
    auto series = seriesFor(p, rng, distort);
    auto chains = makeChains(3, 4);
    FakeWindow window;
    ASSERT_EQ(fastSearch(window, kTaskDetection, kSeriesFixedCutoff,
                         listInputs(alphabet.data(), static_cast<uint16_t>(p.list.size()),
                                    p.list.data(), p.tmin, p.tmax, p.level),
                         chains.get(), series.get()),
              1);
    EXPECT_TRUE(window.messages.empty());
    EXPECT_EQ(chains->wQuanPulses, p.pulses);
    EXPECT_EQ(chains->wSeekingPulsesQuantity, p.pulses);
    const std::vector<int> list(p.list.begin(), p.list.end());
    const std::vector<std::vector<int>> cands(p.pulses, list);
    const auto windows = recordWindows(*series);
    const auto brute =
        bruteCheapestChain(alphabet.data(), cands, p.x, p.n, windows, p.tmin, p.tmax, p.level);
    if (!brute.found) {
      EXPECT_EQ(series->wFoundPulses, 0);
      EXPECT_EQ(chains->wPretenders, 0);
      continue;
    }
    ++found;
    ASSERT_EQ(series->wFoundPulses, p.pulses);
    ASSERT_EQ(chains->wPretenders, 1);
    EXPECT_EQ(chains->pulsesCount[0], p.pulses);
    expectCheapest(alphabet.data(), cands, p.x, p.n, windows, p.tmin, p.tmax, p.level,
                   chains->distance[0], series->lpFoundPositions, series->lpFoundEtalons,
                   series->lpFoundFirstSamples, series->lpFoundLastSamples);
    for (int j = 0; j < p.pulses; ++j) {
      EXPECT_EQ(chains->positionsList[0][j], series->lpFoundPositions[j]);
      EXPECT_EQ(chains->pulsesList[0][j], series->lpFoundEtalons[j]);
    }
  }
  EXPECT_GT(found, 1200);
}

TEST(RecognitionSearchTest, BruteForceOnSmallRandomSeries) {
  std::mt19937 rng(777);
  int found = 0;
  for (int round = 0; round < 2000; ++round) {
    SCOPED_TRACE(round);
    const bool distort = round % 4 == 3;
    const Problem p = randomProblem(rng);
    TestAlphabet alphabet(p.shapes);
    auto series = seriesFor(p, rng, distort);
    auto chains = makeChains(2, 4);  // fewer slots than list etalons, sometimes
    FakeWindow window;
    const int result = fastSearch(window, kTaskRecognition, kSeriesFixedCutoff,
                                  listInputs(alphabet.data(), static_cast<uint16_t>(p.list.size()),
                                             p.list.data(), p.tmin, p.tmax, p.level),
                                  chains.get(), series.get());
    const auto windows = recordWindows(*series);
    // Per list etalon, its cheapest chain; the first strictly cheapest is recognised.
    std::vector<int64_t> scores;
    int expected = -1;
    int64_t best = 0;
    std::vector<int> bestPositions;
    for (uint16_t e : p.list) {
      const std::vector<std::vector<int>> cands(p.pulses, std::vector<int>{e});
      const auto b =
          bruteCheapestChain(alphabet.data(), cands, p.x, p.n, windows, p.tmin, p.tmax, p.level);
      if (!b.found) continue;
      scores.push_back(b.cost);
      if (expected < 0 || b.cost < best) {
        expected = e;
        best = b.cost;
        bestPositions = b.positions;
      }
    }
    ASSERT_EQ(result, expected);
    std::stable_sort(scores.begin(), scores.end());
    ASSERT_EQ(chains->wPretenders, std::min<size_t>(scores.size(), 2));
    for (int i = 0; i < chains->wPretenders; ++i) EXPECT_EQ(chains->distance[i], scores[i]);
    if (expected < 0) {
      EXPECT_EQ(series->wFoundPulses, 0);
      continue;
    }
    ++found;
    ASSERT_EQ(series->wFoundPulses, p.pulses);
    EXPECT_EQ(chains->distance[0], best);
    const std::vector<std::vector<int>> cands(p.pulses, std::vector<int>{expected});
    expectCheapest(alphabet.data(), cands, p.x, p.n, windows, p.tmin, p.tmax, p.level, best,
                   series->lpFoundPositions, series->lpFoundEtalons, series->lpFoundFirstSamples,
                   series->lpFoundLastSamples);
  }
  EXPECT_GT(found, 900);
}

class FixedSearchCases : public ::testing::Test {
 protected:
  // Two pulses of etalon 1 (2, 4, 2) at 1 and 6 in a series of 10 samples.
  TestAlphabet alphabet{{{2, 4, 2}, {-2, -4, -2}, {2, 4, 2}, {1, 1, 1}}};
  std::vector<int16_t> x{0, 2, 4, 2, 0, 0, 2, 4, 2, 0};
  FakeWindow window;
  ChainsPtr chains = makeChains(10, 4);

  std::unique_ptr<SeriesHeader> series(uint16_t pulses, uint16_t tmin, uint16_t tmax) {
    auto s = makeTestSeries(x, 3, pulses);
    setSynthesisWindows(*s, tmin, tmax);
    return s;
  }
};

TEST_F(FixedSearchCases, FindsThePulsesWithWholeEtalonsAtFullLevel) {
  auto s = series(2, 3, 7);
  const uint16_t list[] = {4, 2, 1};
  fastSearch(window, kTaskDetection, kSeriesFixedCutoff,
             listInputs(alphabet.data(), 3, list, 3, 7, 100), chains.get(), s.get());
  ASSERT_EQ(s->wFoundPulses, 2);
  EXPECT_EQ(s->lpFoundPositions[0], 1);
  EXPECT_EQ(s->lpFoundPositions[1], 6);
  for (int j = 0; j < 2; ++j) {
    EXPECT_EQ(s->lpFoundEtalons[j], 1);
    EXPECT_EQ(s->lpFoundFirstSamples[j], 0);
    EXPECT_EQ(s->lpFoundLastSamples[j], 2);
  }
  EXPECT_EQ(chains->distance[0], -2 * 24);
}

TEST_F(FixedSearchCases, EqualEtalonsGoToTheEarlierListed) {
  auto s = series(2, 3, 7);
  const uint16_t list[] = {3, 1};  // etalons 3 and 1 are the same shape
  fastSearch(window, kTaskDetection, kSeriesFixedCutoff,
             listInputs(alphabet.data(), 2, list, 3, 7, 100), chains.get(), s.get());
  EXPECT_EQ(s->lpFoundEtalons[0], 3);
  EXPECT_EQ(s->lpFoundEtalons[1], 3);

  const int recognised =
      fastSearch(window, kTaskRecognition, kSeriesFixedCutoff,
                 listInputs(alphabet.data(), 2, list, 3, 7, 100), chains.get(), s.get());
  EXPECT_EQ(recognised, 3);
  ASSERT_EQ(chains->wPretenders, 2);
  EXPECT_EQ(chains->distance[0], chains->distance[1]);
  EXPECT_EQ(chains->pulsesList[0][0], 3);
  EXPECT_EQ(chains->pulsesList[1][0], 1);
  EXPECT_EQ(s->lpFoundEtalons[1], 3);
}

TEST_F(FixedSearchCases, RecognitionRanksOnePretenderPerEtalon) {
  auto s = series(2, 3, 7);
  const uint16_t list[] = {2, 4, 1};
  EXPECT_EQ(fastSearch(window, kTaskRecognition, kSeriesFixedCutoff,
                       listInputs(alphabet.data(), 3, list, 3, 7, 100), chains.get(), s.get()),
            1);
  ASSERT_EQ(chains->wPretenders, 3);
  EXPECT_EQ(chains->wQuanPulses, 2);
  EXPECT_EQ(chains->pulsesList[0][0], 1);
  EXPECT_EQ(chains->pulsesList[1][0], 4);
  EXPECT_EQ(chains->pulsesList[2][1], 2);
  EXPECT_LT(chains->distance[0], chains->distance[1]);
  EXPECT_LT(chains->distance[1], chains->distance[2]);
}

TEST_F(FixedSearchCases, SinglePulseTakesTheLowestLocalCostInItsWindow) {
  auto s = series(1, 3, 10);  // window 0..7
  const uint16_t list[] = {1};
  fastSearch(window, kTaskDetection, kSeriesFixedCutoff,
             listInputs(alphabet.data(), 1, list, 3, 10, 100), chains.get(), s.get());
  ASSERT_EQ(s->wFoundPulses, 1);
  EXPECT_EQ(s->lpFoundPositions[0], 1) << "positions 1 and 6 tie; the earlier wins";
}

TEST_F(FixedSearchCases, WindowsPastTheSeriesEndAreClipped) {
  auto s = series(2, 3, 7);
  s->lpMinPositions[0] = -20;
  s->lpMaxPositions[1] = 200;  // would read far past the samples
  const uint16_t list[] = {1};
  fastSearch(window, kTaskDetection, kSeriesFixedCutoff,
             listInputs(alphabet.data(), 1, list, 3, 7, 0), chains.get(), s.get());
  ASSERT_EQ(s->wFoundPulses, 2);
  EXPECT_LE(s->lpFoundPositions[1], 7);
}

TEST_F(FixedSearchCases, NoAdmissibleChainReportsNone) {
  const uint16_t list[] = {1, 2};
  // An empty window.
  auto s = series(2, 3, 7);
  s->lpMinPositions[1] = 7;
  s->lpMaxPositions[1] = 6;
  s->wFoundPulses = 5;
  insertPretender(*chains, 1, 0, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(fastSearch(window, kTaskDetection, kSeriesFixedCutoff,
                       listInputs(alphabet.data(), 2, list, 3, 7, 100), chains.get(), s.get()),
            1);
  EXPECT_EQ(s->wFoundPulses, 0);
  EXPECT_EQ(chains->wPretenders, 0);
  EXPECT_EQ(fastSearch(window, kTaskRecognition, kSeriesFixedCutoff,
                       listInputs(alphabet.data(), 2, list, 3, 7, 100), chains.get(), s.get()),
            -1);
  EXPECT_EQ(s->wFoundPulses, 0);
  EXPECT_EQ(chains->wPretenders, 0);

  // Windows each non-empty, but no pair of positions Tmin..Tmax apart: the end is found
  // and the trace-back has no predecessor.
  auto t = series(2, 3, 7);
  t->lpMinPositions[0] = 0;
  t->lpMaxPositions[0] = 0;
  t->lpMinPositions[1] = 7;
  t->lpMaxPositions[1] = 7;
  fastSearch(window, kTaskDetection, kSeriesFixedCutoff,
             listInputs(alphabet.data(), 2, list, 3, 6, 100), chains.get(), t.get());
  EXPECT_EQ(t->wFoundPulses, 0);
  EXPECT_EQ(chains->wPretenders, 0);

  // More pulses than the per-pulse arrays hold, and an etalon number 0.
  auto u = series(2, 3, 7);
  u->wImpulseQuantity = static_cast<uint16_t>(u->wReservedImpulses + 1);
  fastSearch(window, kTaskDetection, kSeriesFixedCutoff,
             listInputs(alphabet.data(), 2, list, 3, 7, 100), chains.get(), u.get());
  EXPECT_EQ(u->wFoundPulses, 0);
  const uint16_t bad[] = {1, 0};
  fastSearch(window, kTaskDetection, kSeriesFixedCutoff,
             listInputs(alphabet.data(), 2, bad, 3, 7, 100), chains.get(), s.get());
  EXPECT_EQ(s->wFoundPulses, 0);
  EXPECT_TRUE(window.messages.empty());
}

TEST_F(FixedSearchCases, WorksWithoutAChainsRecord) {
  auto s = series(2, 3, 7);
  const uint16_t list[] = {2, 1};
  EXPECT_EQ(fastSearch(window, kTaskDetection, kSeriesFixedCutoff,
                       listInputs(alphabet.data(), 2, list, 3, 7, 100), nullptr, s.get()),
            1);
  EXPECT_EQ(s->wFoundPulses, 2);
  EXPECT_EQ(fastSearch(window, kTaskRecognition, kSeriesFixedCutoff,
                       listInputs(alphabet.data(), 2, list, 3, 7, 100), nullptr, s.get()),
            1);
}

// The windows the synthesis records for M pulses of length n on a series of L samples.
std::vector<PulseWindow> synthesisWindows(int32_t L, int32_t n, int32_t tmin, int32_t tmax,
                                          int32_t M) {
  std::vector<PulseWindow> windows(static_cast<size_t>(M));
  for (int32_t j = 0; j < M; ++j) {
    windows[j].lo = std::max({j * tmin, L - (M - j) * tmax, 0});
    windows[j].hi = std::min((j + 1) * tmax - n, L - n - (M - 1 - j) * tmin);
  }
  return windows;
}

size_t cells(const std::vector<PulseWindow>& windows) {
  size_t total = 0;
  for (const PulseWindow& w : windows)
    if (w.hi >= w.lo) total += static_cast<size_t>(w.hi - w.lo) + 1;
  return total;
}

// The longest series with the widest distances and the middle pulse count makes 16374
// windows of 16374 positions: 2 GiB of chain values as a whole table, which ran the
// search out of memory or into the system's limits. The default problem's table stays
// whole.
TEST(ChainPassStorage, ChainTableOfTheLongestSeriesKeepsCheckpointsOnly) {
  const std::vector<PulseWindow> longest = synthesisWindows(32767, 20, 1, 32767, 16374);
  ASSERT_GT(cells(longest) * sizeof(MatchCost), size_t{2000} << 20);
  ChainPass pass;
  pass.allocate(longest);
  EXPECT_TRUE(pass.checkpointed());
  EXPECT_LT(pass.storedCells() * sizeof(MatchCost), size_t{64} << 20);
  EXPECT_EQ(chainStorageCells(longest), pass.storedCells());

  const std::vector<PulseWindow> usual = synthesisWindows(1200, 20, 40, 181, 18);
  ChainPass whole;
  whole.allocate(usual);
  EXPECT_FALSE(whole.checkpointed());
  EXPECT_EQ(whole.storedCells(), cells(usual));
  EXPECT_EQ(chainStorageCells(usual), cells(usual));
}

// Twelve pulses of a loud etalon under full-scale samples: each pulse costs about -2e8,
// so the chain sum leaves the 32-bit range. The comparison must still be right and the
// stored score saturates.
TEST(FixedSearchOverflowTest, ChainSumsBeyond32BitsCompareCorrectly) {
  const int n = 20, M = 12, T = 20;
  TestAlphabet alphabet({std::vector<int16_t>(n, 155), std::vector<int16_t>(n, 100)});
  std::vector<int16_t> x(static_cast<size_t>(M * T), 32767);
  auto s = makeTestSeries(x, n, M);
  setSynthesisWindows(*s, T, T);
  auto chains = makeChains(2, M);
  FakeWindow window;
  const uint16_t list[] = {2, 1};
  EXPECT_EQ(fastSearch(window, kTaskRecognition, kSeriesFixedCutoff,
                       listInputs(alphabet.data(), 2, list, T, T, 100), chains.get(), s.get()),
            1);
  ASSERT_EQ(chains->wPretenders, 2);
  EXPECT_EQ(chains->distance[0], std::numeric_limits<int32_t>::min());
  EXPECT_EQ(chains->pulsesList[0][0], 1);
  fastSearch(window, kTaskDetection, kSeriesFixedCutoff,
             listInputs(alphabet.data(), 2, list, T, T, 100), chains.get(), s.get());
  ASSERT_EQ(s->wFoundPulses, M);
  for (int j = 0; j < M; ++j) {
    EXPECT_EQ(s->lpFoundEtalons[j], 1);
    EXPECT_EQ(s->lpFoundPositions[j], j * T);
  }
}

// Recognition runs its etalons as lanes of one pass: in 32 bits while the chain values are
// bounded inside that range, in 64 bits when a chain can leave it (the loud series above),
// and not at all for a list of one etalon. The answers are those of the plain search
// (differential tests); here the choice itself is checked, so that neither form goes
// untested unnoticed.
TEST(RecognitionLanesTest, ValueWidthFollowsTheBoundOfTheChain) {
  const int n = 20, M = 12, T = 20;
  TestAlphabet alphabet({std::vector<int16_t>(n, 155), std::vector<int16_t>(n, 100)});
  const uint16_t list[] = {2, 1};
  FakeWindow window;
  auto chains = makeChains(2, M);
  for (int16_t level : {int16_t{30}, int16_t{32767}}) {
    std::vector<int16_t> x(static_cast<size_t>(M * T), level);
    auto s = makeTestSeries(x, n, M);
    setSynthesisWindows(*s, T, T);
    SearchWorkspace one, two;
    EXPECT_EQ(fastSearch(window, kTaskRecognition, kSeriesFixedCutoff,
                         listInputs(alphabet.data(), 1, list + 1, T, T, 100, &one), chains.get(),
                         s.get()),
              1);
    EXPECT_EQ(one.fixed.lanes.valueBits(), 0) << level;
    // Quiet samples favour the smaller etalon, loud ones the larger.
    EXPECT_EQ(
        fastSearch(window, kTaskRecognition, kSeriesFixedCutoff,
                   listInputs(alphabet.data(), 2, list, T, T, 100, &two), chains.get(), s.get()),
        level == 30 ? 2 : 1);
    EXPECT_EQ(two.fixed.lanes.valueBits(), level == 30 ? 32 : 64) << level;
    ASSERT_EQ(s->wFoundPulses, M);
    for (int j = 0; j < M; ++j) EXPECT_EQ(s->lpFoundPositions[j], j * T) << level;
  }
}

}  // namespace
}  // namespace velmora
