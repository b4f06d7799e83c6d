#include "processing/unfixed_tuple_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
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
using testing::makeUnfixedSeries;
using testing::TestAlphabet;
using testing::tupleInputs;
using testing::tupleListInputs;
using testing::uniform;
using Windows = std::vector<std::pair<int, int>>;
using Pattern = std::vector<int32_t>;

// The cheapest admissible chain following the pattern, over every admissible count.
BruteChain cheapestTupleChain(const TestAlphabet& a, const Pattern& pattern,
                              const std::vector<int16_t>& x, int n, int pmin, int pmax, int tmin,
                              int tmax, int level) {
  std::vector<std::vector<int>> cycle;
  for (int32_t e : pattern) cycle.push_back({e});
  return testing::bruteCheapestOverCounts(a.data(), cycle, x, n, pmin, pmax, tmin, tmax, level);
}

std::vector<std::pair<int, int>> instances(const SeriesHeader& s) {
  std::vector<std::pair<int, int>> out;
  for (int i = 0; i < s.wTupleInstances; ++i) out.emplace_back(s.lpTupleFirst[i], s.lpTupleLast[i]);
  return out;
}

// Checks that the series record's answer is an admissible chain following the pattern,
// that its instances cut it every K pulses, and returns its recomputed cost.
int64_t checkAnswer(const TestAlphabet& a, const SeriesHeader& s, const Pattern& pattern,
                    const std::vector<int16_t>& x, int tmin, int tmax, int level) {
  const int k = s.wFoundPulses;
  const int n = s.wImpulseSize;
  const int K = static_cast<int>(pattern.size());
  EXPECT_GE(k, s.wMinPulses);
  EXPECT_LE(k, s.wMaxPulses);
  const Windows w = countWindows(static_cast<int>(x.size()), n, k, tmin, tmax);
  int64_t sum = 0;
  for (int j = 0; j < k; ++j) {
    const int p = s.lpFoundPositions[j];
    const int e = s.lpFoundEtalons[j];
    EXPECT_GE(p, w[j].first) << "pulse " << j;
    EXPECT_LE(p, w[j].second) << "pulse " << j;
    if (j > 0) {
      EXPECT_GE(p - s.lpFoundPositions[j - 1], tmin);
      EXPECT_LE(p - s.lpFoundPositions[j - 1], tmax);
    }
    EXPECT_EQ(e, pattern[j % K]);
    EXPECT_TRUE(testing::runAdmitted(a.data(), e, n, s.lpFoundFirstSamples[j],
                                     s.lpFoundLastSamples[j], level));
    const int64_t cost =
        testing::bruteRunCost(a.data(), e, x, p, s.lpFoundFirstSamples[j], s.lpFoundLastSamples[j]);
    EXPECT_EQ(cost, testing::bruteLocal(a.data(), {e}, x, n, p, level).cost);
    sum += cost;
  }
  std::vector<std::pair<int, int>> expected;
  for (int first = 1; first <= k; first += K)
    expected.emplace_back(first, std::min(first + K - 1, k));
  EXPECT_EQ(instances(s), expected);
  return sum;
}

class UnfixedTupleTest : public testing::ChainsFixture {};

// Small random series against every admissible chain. With positive etalons under a
// series that is everywhere above half their height every local cost is negative, so the
// refusal of a later element whose best predecessor chain is not negative never removes
// a cheapest chain and the searches must find one. With costs of both signs the answer
// must still be an admissible chain whose score is its cost.
TEST_F(UnfixedTupleTest, DetectionAndRecognitionReturnACheapestChain) {
  std::mt19937 rng(777);
  auto draw = [&rng](int lo, int hi) { return uniform(rng, lo, hi); };
  const int levels[] = {0, 40, 100};
  int compared = 0;
  for (int round = 0; round < 300; ++round) {
    const bool negative = round % 3 != 2;
    TestAlphabet a(negative ? testing::randomShapes(rng, 5, 4, 1, 30)
                            : testing::randomShapes(rng, 5, 4, -20, 20));
    const auto [n, tmin, tmax] = testing::randomTiming(rng);
    const std::vector<int16_t> x = negative ? testing::randomSamples(rng, n, 26, 16, 60)
                                            : testing::randomSamples(rng, n, 26, -40, 40);
    const int level = levels[draw(0, 2)];
    // Short series have fewer layers than pattern elements.
    auto s = makeUnfixedSeries(x, n, tmin, tmax);
    std::vector<Pattern> patterns(static_cast<size_t>(draw(1, 3)));
    for (auto& p : patterns)
      for (int k = draw(1, 4); k > 0; --k) p.push_back(draw(1, 5));
    SCOPED_TRACE(::testing::Message()
                 << "round " << round << " L=" << x.size() << " n=" << n << " T=" << tmin << ".."
                 << tmax << " P=" << level << " Pmax=" << s->wMaxPulses);

    // Detection of the first pattern.
    ASSERT_EQ(
        fastSearch(window, kTaskTupleDetection, kSeriesUnfixedTuples,
                   tupleInputs(a.data(), static_cast<int32_t>(patterns[0].size()),
                               patterns[0].data(), 2, tmin, tmax, static_cast<uint16_t>(level)),
                   freshChains(4, s->wMaxPulses), s.get()),
        1);
    ASSERT_EQ(chains->wPretenders, 1);
    EXPECT_EQ(chains->pulsesCount[0], s->wFoundPulses);
    EXPECT_EQ(chains->wSeekingPulsesQuantity, s->wFoundPulses);
    const BruteChain brute =
        cheapestTupleChain(a, patterns[0], x, n, s->wMinPulses, s->wMaxPulses, tmin, tmax, level);
    const bool real = s->wFoundPulses > 0 && chains->distance[0] < 9999999;
    if (real) {
      EXPECT_EQ(checkAnswer(a, *s, patterns[0], x, tmin, tmax, level), chains->distance[0]);
    }
    if (negative) {
      ASSERT_EQ(real, brute.found);
      if (brute.found) {
        EXPECT_EQ(chains->distance[0], brute.cost);
        ++compared;
      }
    } else if (brute.found) {
      EXPECT_GE(chains->distance[0], brute.cost);
    }

    // Recognition among all patterns.
    std::vector<int32_t> sizes;
    std::vector<const int32_t*> rows;
    for (const auto& p : patterns) {
      sizes.push_back(static_cast<int32_t>(p.size()));
      rows.push_back(p.data());
    }
    const int result = fastSearch(
        window, kTaskTupleRecognition, kSeriesUnfixedTuples,
        tupleListInputs(a.data(), sizes.data(), rows.data(), static_cast<int32_t>(patterns.size()),
                        1, tmin, tmax, static_cast<uint16_t>(level)),
        freshChains(4, s->wMaxPulses), s.get());
    ASSERT_EQ(chains->wPretenders, std::min<size_t>(patterns.size(), 4));
    for (int i = 1; i < chains->wPretenders; ++i)
      EXPECT_LE(chains->distance[i - 1], chains->distance[i]);
    EXPECT_EQ(s->wFoundTuple, result);
    EXPECT_EQ(chains->wSeekingPulsesQuantity, s->wFoundPulses);
    if (!negative) continue;
    int expected = 0;
    int64_t best = 0;
    for (size_t t = 0; t < patterns.size(); ++t) {
      const BruteChain b =
          cheapestTupleChain(a, patterns[t], x, n, s->wMinPulses, s->wMaxPulses, tmin, tmax, level);
      if (b.found && (expected == 0 || b.cost < best)) {
        expected = static_cast<int>(t) + 1;
        best = b.cost;
      }
    }
    if (expected == 0) continue;
    EXPECT_EQ(result, expected);
    EXPECT_EQ(chains->distance[0], best);
    EXPECT_EQ(checkAnswer(a, *s, patterns[static_cast<size_t>(expected - 1)], x, tmin, tmax, level),
              best);
  }
  EXPECT_GT(compared, 100);
}

// Pulses of etalon e laid whole at the given positions over a quiet series.
std::vector<int16_t> laid(size_t length,
                          const std::vector<std::pair<int, std::vector<int16_t>>>& pulses) {
  std::vector<int16_t> x(length, 0);
  for (const auto& [p, shape] : pulses)
    for (size_t t = 0; t < shape.size(); ++t) x[static_cast<size_t>(p) + t] = shape[t];
  return x;
}

TEST_F(UnfixedTupleTest, PatternOfOneEtalonAndChainsEndingInsideAnInstance) {
  const std::vector<int16_t> up = {20, 20}, down = {-20, -20};
  TestAlphabet a({up, down});
  auto x = laid(20, {{1, up}, {7, up}, {13, up}});
  auto s = makeUnfixedSeries(x, 2, 5, 7);
  const Pattern one = {1};
  fastSearch(window, kTaskTupleDetection, kSeriesUnfixedTuples,
             tupleInputs(a.data(), 1, one.data(), 2, 5, 7, 100), freshChains(2, 8), s.get());
  ASSERT_EQ(s->wFoundPulses, 3);
  EXPECT_EQ(
      (std::vector<int>{s->lpFoundPositions[0], s->lpFoundPositions[1], s->lpFoundPositions[2]}),
      (std::vector<int>{1, 7, 13}));
  EXPECT_EQ(instances(*s), (std::vector<std::pair<int, int>>{{1, 1}, {2, 2}, {3, 3}}));

  // Up, down, up: with the pattern (up, down) the chain ends in its first layer and the
  // last instance holds one pulse.
  x = laid(20, {{1, up}, {7, down}, {13, up}});
  s = makeUnfixedSeries(x, 2, 5, 7);
  const Pattern two = {1, 2};
  fastSearch(window, kTaskTupleDetection, kSeriesUnfixedTuples,
             tupleInputs(a.data(), 2, two.data(), 2, 5, 7, 100), freshChains(2, 8), s.get());
  ASSERT_EQ(s->wFoundPulses, 3);
  EXPECT_EQ((std::vector<int>{s->lpFoundEtalons[0], s->lpFoundEtalons[1], s->lpFoundEtalons[2]}),
            (std::vector<int>{1, 2, 1}));
  EXPECT_EQ(instances(*s), (std::vector<std::pair<int, int>>{{1, 2}, {3, 3}}));
  EXPECT_EQ(chains->distance[0], 3 * 2 * 20 * (20 - 40));
}

TEST_F(UnfixedTupleTest, FewerLayersThanPatternElements) {
  const std::vector<int16_t> up = {20, 20}, down = {-20, -20};
  TestAlphabet a({up, down});
  auto x = laid(12, {{1, up}, {7, down}});
  auto s = makeUnfixedSeries(x, 2, 6, 7);
  ASSERT_EQ(s->wMaxPulses, 2);
  const Pattern five = {1, 2, 1, 1, 2};
  fastSearch(window, kTaskTupleDetection, kSeriesUnfixedTuples,
             tupleInputs(a.data(), 5, five.data(), 2, 6, 7, 100), freshChains(2, 3), s.get());
  ASSERT_EQ(s->wFoundPulses, 2);
  EXPECT_EQ(s->lpFoundEtalons[0], 1);
  EXPECT_EQ(s->lpFoundEtalons[1], 2);
  EXPECT_EQ(instances(*s), (std::vector<std::pair<int, int>>{{1, 2}}));
}

TEST_F(UnfixedTupleTest, NoChainAndEmptyPatterns) {
  TestAlphabet a({{20, 20}});
  auto x = laid(12, {});
  auto s = makeUnfixedSeries(x, 2, 5, 7);
  s->wMinPulses = static_cast<uint16_t>(s->wMaxPulses + 1);  // no admissible count
  s->wFoundPulses = 2;
  s->wTupleInstances = 1;
  const Pattern one = {1};
  EXPECT_EQ(
      fastSearch(window, kTaskTupleDetection, kSeriesUnfixedTuples,
                 tupleInputs(a.data(), 1, one.data(), 2, 5, 7, 100), freshChains(3, 4), s.get()),
      1);
  EXPECT_EQ(s->wFoundPulses, 0);
  EXPECT_EQ(s->wTupleInstances, 0);
  ASSERT_EQ(chains->wPretenders, 1);
  EXPECT_EQ(chains->distance[0], 99999999);
  EXPECT_EQ(chains->pulsesCount[0], 0);

  // An empty pattern has nothing to match, wherever the series allows chains.
  s = makeUnfixedSeries(x, 2, 5, 7);
  EXPECT_EQ(
      fastSearch(window, kTaskTupleDetection, kSeriesUnfixedTuples,
                 tupleInputs(a.data(), 0, one.data(), 2, 5, 7, 100), freshChains(3, 4), s.get()),
      1);
  EXPECT_EQ(s->wFoundPulses, 0);
  EXPECT_EQ(chains->distance[0], 99999999);

  // Recognition: every pattern ranked with the no-chain value, none recognised.
  s->wMinPulses = static_cast<uint16_t>(s->wMaxPulses + 1);
  s->wFoundTuple = 3;
  const int32_t sizes[] = {1, 0};
  const int32_t* rows[] = {one.data(), one.data()};
  EXPECT_EQ(fastSearch(window, kTaskTupleRecognition, kSeriesUnfixedTuples,
                       tupleListInputs(a.data(), sizes, rows, 2, 2, 5, 7, 100), freshChains(3, 4),
                       s.get()),
            0);
  EXPECT_EQ(s->wFoundTuple, 0);
  EXPECT_EQ(s->wFoundPulses, 0);
  ASSERT_EQ(chains->wPretenders, 2);
  EXPECT_EQ(chains->distance[0], 999999999);
  EXPECT_EQ(chains->distance[1], 999999999);
  EXPECT_TRUE(window.messages.empty());
}

TEST_F(UnfixedTupleTest, RecognitionRanksPatternsAndKeepsTheFirstOfEqualOnes) {
  // Etalons 2 and 3 have one shape; the series is made of it.
  const std::vector<int16_t> a1 = {20, -20}, b = {20, 20};
  TestAlphabet a({a1, b, b});
  auto x = laid(20, {{1, b}, {7, b}, {13, b}});
  auto s = makeUnfixedSeries(x, 2, 5, 7);
  const Pattern p1 = {1}, p2 = {2}, p3 = {3};
  const int32_t sizes[] = {1, 1, 1};
  const int32_t* rows[] = {p1.data(), p2.data(), p3.data()};
  EXPECT_EQ(fastSearch(window, kTaskTupleRecognition, kSeriesUnfixedTuples,
                       tupleListInputs(a.data(), sizes, rows, 3, 2, 5, 7, 100), freshChains(5, 8),
                       s.get()),
            2);
  EXPECT_EQ(s->wFoundTuple, 2);
  ASSERT_EQ(chains->wPretenders, 3);
  EXPECT_EQ(chains->pulsesList[0][0], 2);
  EXPECT_EQ(chains->pulsesList[1][0], 3);
  EXPECT_EQ(chains->pulsesList[2][0], 1);
  EXPECT_EQ(chains->distance[0], chains->distance[1]);
  EXPECT_LT(chains->distance[1], chains->distance[2]);
  EXPECT_EQ(chains->wSeekingPulsesQuantity, 3);

  // With room for two pretenders the worst pattern drops out.
  freeChainsHeader(chains);
  chains = nullptr;
  fastSearch(window, kTaskTupleRecognition, kSeriesUnfixedTuples,
             tupleListInputs(a.data(), sizes, rows, 3, 2, 5, 7, 100), freshChains(2, 8), s.get());
  ASSERT_EQ(chains->wPretenders, 2);
  EXPECT_EQ(chains->pulsesList[1][0], 3);
}

class UnfixedTupleDumpTest : public UnfixedTupleTest {
 protected:
  // L = 12, n = 2, distances 3..5: first-pulse-only positions 0..2, one position (3) that
  // can start or continue a chain, later-pulse-only positions 4..10.
  UnfixedTupleDumpTest()
      : alphabet({{10, 10}, {-10, -10}}),
        x({10, 10, 0, 0, -10, -10, 0, 10, 10, 0, -10, -10}),
        s(makeUnfixedSeries(x, 2, 3, 5)) {}
  TestAlphabet alphabet;
  std::vector<int16_t> x;
  std::unique_ptr<SeriesHeader> s;
  const Pattern pattern = {1, 2};
};

TEST_F(UnfixedTupleDumpTest, DumpsShowTheLayeredGraphWhileTheFlagIsSet) {
  uint32_t flag = 0;
  fastSearch(window, kTaskTupleDetection, kSeriesUnfixedTuples,
             tupleInputs(alphabet.data(), 2, pattern.data(), 2, 3, 5, 100, nullptr, &flag), nullptr,
             s.get());
  EXPECT_TRUE(window.messages.empty());

  flag = 1;
  fastSearch(window, kTaskTupleDetection, kSeriesUnfixedTuples,
             tupleInputs(alphabet.data(), 2, pattern.data(), 2, 3, 5, 100, nullptr, &flag), nullptr,
             s.get());
  EXPECT_EQ(flag, 0u);
  ASSERT_EQ(window.messages.size(), 2u);
  EXPECT_EQ(window.messages[0].caption, " About TuplesDetection ");
  EXPECT_EQ(window.messages[0].text, "omega_minus - omega_tilda:  [0..2] \n -200 + +\n ");
  EXPECT_EQ(window.messages[1].text,
            "omega_minus x omega_tilda:  [3..3] \nl=1\n  +\n l=2\n  -200[0]\n ");

  // Recognition dumps each pattern, then clears the flag.
  window.clear();
  flag = 1;
  const int32_t sizes[] = {2, 1};
  const int32_t* rows[] = {pattern.data(), pattern.data()};
  fastSearch(window, kTaskTupleRecognition, kSeriesUnfixedTuples,
             tupleListInputs(alphabet.data(), sizes, rows, 2, 2, 3, 5, 100, nullptr, &flag),
             nullptr, s.get());
  EXPECT_EQ(flag, 0u);
  ASSERT_EQ(window.messages.size(), 4u);
  EXPECT_EQ(window.messages[2].text, "omega_minus - omega_tilda:  [0..2] \n -200 + +\n ");
  EXPECT_EQ(window.messages[3].text, "omega_minus x omega_tilda:  [3..3] \nl=1\n  +[0]\n ");
}

TEST_F(UnfixedTupleTest, LongDumpsAreCut) {
  TestAlphabet a({{10, 10}, {-10, -10}});
  std::vector<int16_t> x(3000);
  for (size_t i = 0; i < x.size(); ++i) x[i] = static_cast<int16_t>(i % 7 < 3 ? 12 : -12);
  auto s = makeUnfixedSeries(x, 2, 3, 600);
  uint32_t flag = 1;
  const Pattern pattern = {1, 2};
  fastSearch(window, kTaskTupleDetection, kSeriesUnfixedTuples,
             tupleInputs(a.data(), 2, pattern.data(), 2, 3, 600, 100, nullptr, &flag), nullptr,
             s.get());
  ASSERT_EQ(window.messages.size(), 2u);
  const std::string& text = window.messages[1].text;
  EXPECT_LE(text.size(), kTuplesDumpLimit);
  EXPECT_GT(text.size(), kTuplesDumpLimit - 16);
  EXPECT_EQ(text.rfind("omega_minus x omega_tilda:  [3..598] \nl=1\n ", 0), 0u);
}

}  // namespace
}  // namespace velmora
