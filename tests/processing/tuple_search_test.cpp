#include "processing/tuple_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "model/problem_types.h"
#include "processing/match.h"
#include "support/fake_window.h"
#include "support/search_helpers.h"

namespace velmora {
namespace {

using testing::bruteCheapestChain;
using testing::bruteRunCost;
using testing::ChainsPtr;
using testing::FakeWindow;
using testing::fastSearch;
using testing::makeChains;
using testing::makeTestSeries;
using testing::recordWindows;
using testing::runAdmitted;
using testing::setSynthesisWindows;
using testing::TestAlphabet;
using testing::tupleInputs;
using testing::tupleListInputs;

using Bounds = std::vector<std::pair<int, int>>;

Bounds instances(int k, int r, int m) {
  std::vector<int16_t> first(std::max(m, 1)), last(std::max(m, 1));
  const int count = tupleInstances(k, r, m, first.data(), last.data());
  Bounds b;
  for (int i = 0; i < count; ++i) b.emplace_back(first[i], last[i]);
  return b;
}

Bounds seriesInstances(const SeriesHeader& s) {
  Bounds b;
  for (int i = 0; i < s.wTupleInstances; ++i) b.emplace_back(s.lpTupleFirst[i], s.lpTupleLast[i]);
  return b;
}

TEST(TupleInstancesTest, CutEveryKPulsesFromThePhase) {
  EXPECT_EQ(instances(3, 1, 7), (Bounds{{1, 2}, {3, 5}, {6, 7}}));
  EXPECT_EQ(instances(4, 3, 10), (Bounds{{1, 1}, {2, 5}, {6, 9}, {10, 10}}));
  EXPECT_EQ(instances(1, 0, 3), (Bounds{{1, 1}, {2, 2}, {3, 3}}));
  EXPECT_EQ(instances(4, 0, 2), (Bounds{{1, 2}}));
  EXPECT_EQ(instances(4, 0, 8), (Bounds{{1, 4}, {5, 8}}));
  EXPECT_EQ(instances(0, 0, 3), Bounds{});
  EXPECT_EQ(instances(3, 0, 0), Bounds{});
}

// The windows tuple detection computes for itself.
Bounds detectionWindows(int L, int n, int M, int tmin, int tmax) {
  Bounds w;
  for (int j = 0; j < M; ++j) {
    const int lo = std::max({j * tmin, L - (M - j) * tmax, 0});
    const int hi = std::min((j + 1) * tmax - n, L - n - (M - 1 - j) * tmin);
    w.emplace_back(lo, hi);
  }
  return w;
}

std::vector<std::vector<int>> tupleCandidates(const std::vector<int32_t>& tuple, int r, int M) {
  std::vector<std::vector<int>> c;
  for (int j = 0; j < M; ++j) c.push_back({tuple[(j + r) % tuple.size()]});
  return c;
}

struct Expected {
  bool found = false;
  int64_t cost = 0;
  int tuple = 0, phase = 0;
  std::vector<int> positions;
  std::vector<int64_t> ranked;  // every (tuple, phase) score, in the order tried
};

// Best (tuple, phase) by brute force: the first strictly cheapest in the order tried.
Expected bruteTuples(const PulseHeader* alphabet, const std::vector<std::vector<int32_t>>& tuples,
                     bool allPhases, const std::vector<int16_t>& x, int n, const Bounds& windows,
                     int tmin, int tmax, int level) {
  Expected e;
  const int M = static_cast<int>(windows.size());
  for (size_t t = 0; t < tuples.size(); ++t) {
    if (tuples[t].empty()) continue;
    const int phases = allPhases ? static_cast<int>(tuples[t].size()) : 1;
    for (int r = 0; r < phases; ++r) {
      const auto b = bruteCheapestChain(alphabet, tupleCandidates(tuples[t], r, M), x, n, windows,
                                        tmin, tmax, level);
      if (!b.found) continue;
      e.ranked.push_back(b.cost);
      if (!e.found || b.cost < e.cost) {
        e.found = true;
        e.cost = b.cost;
        e.tuple = static_cast<int>(t) + 1;
        e.phase = r;
        e.positions = b.positions;
      }
    }
  }
  std::stable_sort(e.ranked.begin(), e.ranked.end());
  return e;
}

// The series record's answer is the chain of the expected tuple and phase.
void expectAnswer(const PulseHeader* alphabet, const SeriesHeader& s, const ChainsHeader& c,
                  const std::vector<int32_t>& tuple, const Expected& e, const std::vector<int16_t>& x,
                  int n, const Bounds& windows, int tmin, int tmax, int level) {
  const int M = static_cast<int>(windows.size());
  ASSERT_EQ(s.wFoundPulses, M);
  EXPECT_EQ(c.distance[0], e.cost);
  int64_t recomputed = 0;
  for (int j = 0; j < M; ++j) {
    EXPECT_EQ(s.lpFoundPositions[j], e.positions[j]) << j;
    EXPECT_EQ(s.lpFoundEtalons[j], tuple[(j + e.phase) % tuple.size()]) << j;
    EXPECT_GE(s.lpFoundPositions[j], windows[j].first);
    EXPECT_LE(s.lpFoundPositions[j], windows[j].second);
    if (j > 0) {
      EXPECT_GE(s.lpFoundPositions[j] - s.lpFoundPositions[j - 1], tmin);
      EXPECT_LE(s.lpFoundPositions[j] - s.lpFoundPositions[j - 1], tmax);
    }
    EXPECT_TRUE(runAdmitted(alphabet, s.lpFoundEtalons[j], n, s.lpFoundFirstSamples[j],
                            s.lpFoundLastSamples[j], level));
    recomputed += bruteRunCost(alphabet, s.lpFoundEtalons[j], x, s.lpFoundPositions[j],
                               s.lpFoundFirstSamples[j], s.lpFoundLastSamples[j]);
  }
  EXPECT_EQ(recomputed, e.cost);
  EXPECT_EQ(seriesInstances(s), instances(static_cast<int>(tuple.size()), e.phase, M));
}

struct Problem {
  std::vector<std::vector<int16_t>> shapes;
  std::vector<int16_t> x;
  int n = 0, pulses = 0, tmin = 0, tmax = 0, level = 0;
  std::vector<std::vector<int32_t>> tuples;
};

Problem randomProblem(std::mt19937& rng, int tupleCount) {
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  Problem p;
  p.n = pick(1, 3);
  for (int e = 0; e < 3; ++e) {
    std::vector<int16_t> s(p.n);
    for (auto& v : s) v = static_cast<int16_t>(pick(-6, 6));
    p.shapes.push_back(s);
  }
  if (pick(0, 3) == 0) p.shapes[1] = p.shapes[0];
  p.tmin = pick(1, 4);
  p.tmax = p.tmin + pick(0, 4);
  p.pulses = pick(1, 4);
  const int shortest = (p.pulses - 1) * p.tmin + p.n;
  const int L = pick(0, 5) == 0 ? pick(p.n, 24)
                                : std::max(p.n, shortest + pick(0, p.pulses * (p.tmax - p.tmin) + 3));
  p.x.resize(L);
  for (auto& v : p.x) v = static_cast<int16_t>(pick(-10, 10));
  const int levels[] = {0, 50, 100};
  p.level = levels[pick(0, 2)];
  for (int t = 0; t < tupleCount; ++t) {
    std::vector<int32_t> tuple(pick(1, 3));
    for (auto& e : tuple) e = pick(1, 3);
    p.tuples.push_back(tuple);
  }
  return p;
}

TEST(TupleDetectionTest, BruteForceOnSmallRandomSeries) {
  std::mt19937 rng(4242);
  int found = 0;
  for (int round = 0; round < 2000; ++round) {
    SCOPED_TRACE(round);
    const Problem p = randomProblem(rng, 1);
    const uint16_t proceeding = round % 2 ? 2 : kSubsetProceedingComplete;
    TestAlphabet alphabet(p.shapes);
    auto s = makeTestSeries(p.x, p.n, p.pulses);
    s->wFoundPulses = 9;  // a stale answer must not survive a search that finds nothing
    auto chains = makeChains(2, 4);
    FakeWindow window;
    const auto& tuple = p.tuples[0];
    ASSERT_EQ(fastSearch(window, kTaskTupleDetection, kSeriesFixedTuples,
                         tupleInputs(alphabet.data(), static_cast<int32_t>(tuple.size()),
                                     tuple.data(), proceeding, p.tmin, p.tmax, p.level),
                         chains.get(), s.get()),
              1);
    EXPECT_EQ(chains->wQuanPulses, p.pulses);
    const Bounds windows =
        detectionWindows(static_cast<int>(p.x.size()), p.n, p.pulses, p.tmin, p.tmax);
    const Expected e = bruteTuples(alphabet.data(), p.tuples, proceeding != 1, p.x, p.n, windows,
                                   p.tmin, p.tmax, p.level);
    ASSERT_EQ(chains->wPretenders, std::min<size_t>(e.ranked.size(), 2));
    for (int i = 0; i < chains->wPretenders; ++i) EXPECT_EQ(chains->distance[i], e.ranked[i]);
    if (!e.found) {
      EXPECT_EQ(s->wFoundPulses, 0);
      EXPECT_EQ(s->wTupleInstances, 0);
      continue;
    }
    ++found;
    expectAnswer(alphabet.data(), *s, *chains, tuple, e, p.x, p.n, windows, p.tmin, p.tmax,
                 p.level);
  }
  EXPECT_GT(found, 1000);
}

TEST(TupleRecognitionTest, BruteForceOnSmallRandomSeries) {
  std::mt19937 rng(99);
  int found = 0;
  for (int round = 0; round < 1500; ++round) {
    SCOPED_TRACE(round);
    const Problem p = randomProblem(rng, 1 + round % 3);
    const uint16_t proceeding = round % 2 ? 2 : kSubsetProceedingComplete;
    TestAlphabet alphabet(p.shapes);
    auto s = makeTestSeries(p.x, p.n, p.pulses);
    setSynthesisWindows(*s, p.tmin, p.tmax);
    if (round % 4 == 3) s->lpMaxPositions[p.pulses - 1] += 5;  // past the series end
    auto chains = makeChains(10, 4);
    FakeWindow window;
    std::vector<int32_t> sizes;
    std::vector<const int32_t*> rows;
    for (const auto& t : p.tuples) {
      sizes.push_back(static_cast<int32_t>(t.size()));
      rows.push_back(t.data());
    }
    const int result = fastSearch(
        window, kTaskTupleRecognition, kSeriesFixedTuples,
        tupleListInputs(alphabet.data(), sizes.data(), rows.data(),
                        static_cast<int32_t>(rows.size()), proceeding, p.tmin, p.tmax, p.level),
        chains.get(), s.get());
    const Bounds windows = recordWindows(*s);
    const Expected e = bruteTuples(alphabet.data(), p.tuples, proceeding != 1, p.x, p.n, windows,
                                   p.tmin, p.tmax, p.level);
    ASSERT_EQ(result, e.tuple);
    EXPECT_EQ(s->wFoundTuple, e.tuple);
    ASSERT_EQ(chains->wPretenders, e.ranked.size());
    for (int i = 0; i < chains->wPretenders; ++i) EXPECT_EQ(chains->distance[i], e.ranked[i]);
    if (!e.found) {
      EXPECT_EQ(s->wFoundPulses, 0);
      EXPECT_EQ(s->wTupleInstances, 0);
      continue;
    }
    ++found;
    expectAnswer(alphabet.data(), *s, *chains, p.tuples[e.tuple - 1], e, p.x, p.n, windows,
                 p.tmin, p.tmax, p.level);
  }
  EXPECT_GT(found, 750);
}

class TupleSearchCases : public ::testing::Test {
 protected:
  // Etalons 1 and 2 have the same shape; 3 is its negation.
  TestAlphabet alphabet{{{2, 4, 2}, {2, 4, 2}, {-2, -4, -2}, {1, 0, 1}}};
  FakeWindow window;
  ChainsPtr chains = makeChains(10, 12);

  // Pulses of shape (2, 4, 2) every 5 samples.
  std::unique_ptr<SeriesHeader> series(uint16_t pulses) {
    std::vector<int16_t> x(static_cast<size_t>(pulses) * 5, 0);
    for (int j = 0; j < pulses; ++j) {
      x[5 * j + 1] = 2;
      x[5 * j + 2] = 4;
      x[5 * j + 3] = 2;
    }
    auto s = makeTestSeries(x, 3, pulses);
    setSynthesisWindows(*s, 5, 5);
    return s;
  }
};

TEST_F(TupleSearchCases, CompleteProceedingTriesPhaseZeroOnly) {
  auto s = series(3);
  const int32_t tuple[] = {1, 4, 4, 4};
  fastSearch(window, kTaskTupleDetection, kSeriesFixedTuples,
             tupleInputs(alphabet.data(), 4, tuple, kSubsetProceedingComplete, 3, 7, 100),
             chains.get(), s.get());
  EXPECT_EQ(chains->wPretenders, 1);
  ASSERT_EQ(s->wFoundPulses, 3);
  EXPECT_EQ(seriesInstances(*s), (Bounds{{1, 3}}));
  EXPECT_EQ(s->lpFoundEtalons[0], 1);
  EXPECT_EQ(s->lpFoundEtalons[1], 4);

  fastSearch(window, kTaskTupleDetection, kSeriesFixedTuples,
             tupleInputs(alphabet.data(), 4, tuple, 2, 3, 7, 100), chains.get(), s.get());
  EXPECT_EQ(chains->wPretenders, 4);
}

TEST_F(TupleSearchCases, EqualPhasesKeepTheLowerPhase) {
  auto s = series(4);
  const int32_t tuple[] = {1, 2};  // the same shape under two numbers
  fastSearch(window, kTaskTupleDetection, kSeriesFixedTuples,
             tupleInputs(alphabet.data(), 2, tuple, 2, 5, 5, 100), chains.get(), s.get());
  ASSERT_EQ(chains->wPretenders, 2);
  EXPECT_EQ(chains->distance[0], chains->distance[1]);
  EXPECT_EQ(chains->pulsesList[0][0], 1);
  EXPECT_EQ(chains->pulsesList[1][0], 2);
  EXPECT_EQ(s->lpFoundEtalons[0], 1);
  EXPECT_EQ(s->lpFoundEtalons[1], 2);
  EXPECT_EQ(seriesInstances(*s), (Bounds{{1, 2}, {3, 4}}));
}

TEST_F(TupleSearchCases, RecognitionPrefersTheStrictlyBetterLaterTuple) {
  auto s = series(4);
  const int32_t first[] = {4, 1}, second[] = {1}, third[] = {2};
  const int32_t sizes[] = {2, 1, 1};
  const int32_t* tuples[] = {first, second, third};
  EXPECT_EQ(fastSearch(window, kTaskTupleRecognition, kSeriesFixedTuples,
                       tupleListInputs(alphabet.data(), sizes, tuples, 3, 2, 5, 5, 100),
                       chains.get(), s.get()),
            2);
  EXPECT_EQ(s->wFoundTuple, 2);
  ASSERT_EQ(chains->wPretenders, 4);  // two phases of the first tuple, one each after
  EXPECT_EQ(chains->pulsesList[0][0], 1);
  EXPECT_EQ(chains->pulsesList[1][0], 2) << "the equal third tuple ranks behind the second";
  EXPECT_EQ(chains->distance[0], chains->distance[1]);
  EXPECT_LT(chains->distance[1], chains->distance[2]);
  EXPECT_EQ(seriesInstances(*s), (Bounds{{1, 1}, {2, 2}, {3, 3}, {4, 4}}));
}

// A tuple of the negated shape costs about 3 E per pulse, so its chain values pass
// 999999: the pass finds an end and must still trace its chain back.
TEST_F(TupleSearchCases, ExpensiveChainsAreStillTracedBack) {
  const int n = 20, M = 3, T = 25;
  TestAlphabet loud({std::vector<int16_t>(n, 150), std::vector<int16_t>(n, -150)});
  std::vector<int16_t> x(static_cast<size_t>(M * T), 0);
  for (int j = 0; j < M; ++j) std::fill_n(x.begin() + j * T + 2, n, 150);
  auto s = makeTestSeries(x, n, M);
  setSynthesisWindows(*s, 22, 28);
  const int32_t good[] = {1}, bad[] = {2};
  const int32_t sizes[] = {1, 1};
  const int32_t* tuples[] = {good, bad};
  EXPECT_EQ(fastSearch(window, kTaskTupleRecognition, kSeriesFixedTuples,
                       tupleListInputs(loud.data(), sizes, tuples, 2, 1, 22, 28, 100), chains.get(),
                       s.get()),
            1);
  ASSERT_EQ(chains->wPretenders, 2);
  EXPECT_GT(chains->distance[1], kSixNines);
  EXPECT_EQ(chains->pulsesCount[1], M);
  EXPECT_EQ(chains->pulsesList[1][2], 2);

  fastSearch(window, kTaskTupleDetection, kSeriesFixedTuples,
             tupleInputs(loud.data(), 1, bad, 1, 22, 28, 100), chains.get(), s.get());
  EXPECT_EQ(s->wFoundPulses, M);
  EXPECT_EQ(chains->wPretenders, 1);
}

TEST_F(TupleSearchCases, NoChainCases) {
  auto s = series(3);
  const int32_t tuple[] = {1};
  // Too many pulses for the series: an empty window.
  s->wImpulseQuantity = 4;
  s->wFoundPulses = 3;
  s->wTupleInstances = 3;
  EXPECT_EQ(fastSearch(window, kTaskTupleDetection, kSeriesFixedTuples,
                       tupleInputs(alphabet.data(), 1, tuple, 1, 5, 5, 100), chains.get(), s.get()),
            1);
  EXPECT_EQ(s->wFoundPulses, 0);
  EXPECT_EQ(s->wTupleInstances, 0);
  EXPECT_EQ(chains->wPretenders, 0);
  EXPECT_EQ(chains->wQuanPulses, 4);

  // A tuple of length 0.
  s->wImpulseQuantity = 3;
  EXPECT_EQ(fastSearch(window, kTaskTupleDetection, kSeriesFixedTuples,
                       tupleInputs(alphabet.data(), 0, tuple, 2, 5, 5, 100), chains.get(), s.get()),
            1);
  EXPECT_EQ(s->wFoundPulses, 0);
  const int32_t sizes[] = {0};
  const int32_t* tuples[] = {tuple};
  EXPECT_EQ(fastSearch(window, kTaskTupleRecognition, kSeriesFixedTuples,
                       tupleListInputs(alphabet.data(), sizes, tuples, 1, 2, 5, 5, 100),
                       chains.get(), s.get()),
            0);
  EXPECT_EQ(s->wFoundTuple, 0);
  EXPECT_EQ(s->wFoundPulses, 0);
  EXPECT_EQ(fastSearch(window, kTaskTupleRecognition, kSeriesFixedTuples,
                       tupleListInputs(alphabet.data(), sizes, tuples, 0, 2, 5, 5, 100),
                       chains.get(), s.get()),
            0);

  // A tuple naming a number outside the alphabet gives no chain (it is not read); the
  // other tuples are still tried.
  const int32_t outside[] = {1, 21};
  EXPECT_EQ(
      fastSearch(window, kTaskTupleDetection, kSeriesFixedTuples,
                 tupleInputs(alphabet.data(), 2, outside, 2, 5, 5, 100), chains.get(), s.get()),
      1);
  EXPECT_EQ(s->wFoundPulses, 0);
  const int32_t inside[] = {1};
  const int32_t mixedSizes[] = {2, 1};
  const int32_t* mixed[] = {outside, inside};
  EXPECT_EQ(fastSearch(window, kTaskTupleRecognition, kSeriesFixedTuples,
                       tupleListInputs(alphabet.data(), mixedSizes, mixed, 2, 2, 5, 5, 100),
                       chains.get(), s.get()),
            2);
  EXPECT_EQ(s->wFoundPulses, 3);
  EXPECT_TRUE(window.messages.empty());
}

TEST_F(TupleSearchCases, WindowBoundsBeyond32BitsStayEmpty) {
  // j * Tmin passes 2^31 for the late pulses of this (impossible) request.
  const uint16_t pulses = 40000;
  auto s = makeTestSeries(std::vector<int16_t>(30, 1), 3, pulses);
  auto big = makeChains(1, pulses);
  const int32_t tuple[] = {1, 2};
  EXPECT_EQ(
      fastSearch(window, kTaskTupleDetection, kSeriesFixedTuples,
                 tupleInputs(alphabet.data(), 2, tuple, 2, 65535, 65535, 100), big.get(), s.get()),
      1);
  EXPECT_EQ(s->wFoundPulses, 0);
  EXPECT_TRUE(window.messages.empty());
}

}  // namespace
}  // namespace velmora
