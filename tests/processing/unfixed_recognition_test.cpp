#include "processing/unfixed_recognition.h"

#include <gtest/gtest.h>

#include <algorithm>
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

class UnfixedRecognitionTest : public testing::ChainsFixture {
 protected:
  // A new chains record rather than the old one resized.
  ChainsHeader* freshChains(uint16_t size, uint16_t pulses) {
    freeChainsHeader(chains);
    chains = getChainsHeader(reporter, size, std::max<uint16_t>(pulses, 1), nullptr);
    return chains;
  }
  // The series record's answer is pretender 0 of the chains record.
  void expectAnswerIsBestPretender(const SeriesHeader& s) {
    ASSERT_GT(chains->wPretenders, 0);
    ASSERT_EQ(s.wFoundPulses, chains->pulsesCount[0]);
    EXPECT_EQ(chains->wSeekingPulsesQuantity, chains->pulsesCount[0]);
    for (int j = 0; j < s.wFoundPulses; ++j) {
      EXPECT_EQ(s.lpFoundPositions[j], chains->positionsList[0][j]);
      EXPECT_EQ(s.lpFoundEtalons[j], chains->pulsesList[0][j]);
      EXPECT_EQ(s.lpFoundFirstSamples[j], chains->firstSamplesList[0][j]);
      EXPECT_EQ(s.lpFoundLastSamples[j], chains->lastSamplesList[0][j]);
    }
  }
};

// Every candidate's chain against every admissible chain of that etalon: each real chain is
// a cheapest one with its cost as distance, the chains are ranked stably by distance, the
// recognised etalon is the first cheapest, and the answer is the best pretender.
TEST_F(UnfixedRecognitionTest, RanksEachCandidatesCheapestChain) {
  std::mt19937 rng(99);
  auto draw = [&rng](int lo, int hi) { return uniform(rng, lo, hi); };
  const int levels[] = {0, 50, 100};
  int realChains = 0;
  for (int round = 0; round < 250; ++round) {
    auto shapes = testing::randomShapes(rng, 4, 4, -20, 20);
    shapes[3] = shapes[1];  // equal shapes give ties between etalons 2 and 4
    TestAlphabet a(shapes);
    const auto [n, tmin, tmax] = testing::randomTiming(rng);
    const std::vector<int16_t> x = testing::randomSamples(rng, n, 24, -40, 40);
    std::vector<uint16_t> list;
    for (int k = draw(1, 4); k > 0; --k) list.push_back(static_cast<uint16_t>(draw(1, 4)));
    const int level = levels[draw(0, 2)];
    auto s = makeUnfixedSeries(x, n, tmin, tmax, 7);
    SCOPED_TRACE(::testing::Message() << "round " << round << " L=" << x.size() << " n=" << n
                                      << " T=" << tmin << ".." << tmax << " P=" << level);

    const uint16_t result =
        fastSearch(window, kTaskRecognition, kSeriesUnfixedCutoff,
                   listInputs(a.data(), static_cast<uint16_t>(list.size()), list.data(), tmin, tmax,
                              static_cast<uint16_t>(level)),
                   freshChains(6, s->wMaxPulses), s.get());
    EXPECT_EQ(chains->wQuanPulses, 7);
    ASSERT_EQ(chains->wPretenders, list.size());
    expectAnswerIsBestPretender(*s);

    // The real chains, in the order the ranking must keep them.
    std::vector<std::pair<int64_t, int>> real;
    for (uint16_t e : list) {
      BruteChain b = testing::bruteCheapestOverCounts(a.data(), {{e}}, x, n, s->wMinPulses,
                                                      s->wMaxPulses, tmin, tmax, level);
      if (b.found) real.emplace_back(b.cost, e);
    }
    std::stable_sort(real.begin(), real.end(),
                     [](const auto& l, const auto& r) { return l.first < r.first; });
    EXPECT_EQ(result, real.empty() ? kNoEtalonRecognised : real[0].second);
    for (size_t i = 0; i < real.size(); ++i) {
      EXPECT_EQ(chains->distance[i], real[i].first) << "pretender " << i;
      const int k = chains->pulsesCount[i];
      ASSERT_GT(k, 0);
      const Windows w = countWindows(static_cast<int>(x.size()), n, k, tmin, tmax);
      int64_t sum = 0;
      for (int j = 0; j < k; ++j) {
        const int p = chains->positionsList[i][j];
        EXPECT_EQ(chains->pulsesList[i][j], real[i].second);
        EXPECT_GE(p, w[j].first);
        EXPECT_LE(p, w[j].second);
        if (j > 0) {
          EXPECT_GE(p - chains->positionsList[i][j - 1], tmin);
          EXPECT_LE(p - chains->positionsList[i][j - 1], tmax);
        }
        EXPECT_TRUE(testing::runAdmitted(a.data(), real[i].second, n,
                                         chains->firstSamplesList[i][j],
                                         chains->lastSamplesList[i][j], level));
        sum += testing::bruteRunCost(a.data(), real[i].second, x, p, chains->firstSamplesList[i][j],
                                     chains->lastSamplesList[i][j]);
      }
      EXPECT_EQ(sum, real[i].first);
    }
    for (size_t i = real.size(); i < list.size(); ++i) EXPECT_GE(chains->distance[i], 9999999);
    realChains += static_cast<int>(real.size());
  }
  EXPECT_GT(realChains, 250);
}

TEST_F(UnfixedRecognitionTest, EqualCandidatesKeepListOrder) {
  const std::vector<int16_t> up = {20, 20}, other = {20, -20};
  TestAlphabet a({other, up, up});
  std::vector<int16_t> x(20, 0);
  for (int p : {1, 7, 13}) x[p] = x[p + 1] = 20;
  auto s = makeUnfixedSeries(x, 2, 5, 7, 3);

  const uint16_t one[] = {3};
  EXPECT_EQ(fastSearch(window, kTaskRecognition, kSeriesUnfixedCutoff,
                       listInputs(a.data(), 1, one, 5, 7, 100), freshChains(10, 8), s.get()),
            3);
  EXPECT_EQ(chains->wPretenders, 1);
  ASSERT_EQ(s->wFoundPulses, 3);
  EXPECT_EQ(s->lpFoundPositions[2], 13);
  EXPECT_EQ(s->lpFoundEtalons[0], 3);

  const uint16_t list[] = {1, 3, 2};
  EXPECT_EQ(fastSearch(window, kTaskRecognition, kSeriesUnfixedCutoff,
                       listInputs(a.data(), 3, list, 5, 7, 100), freshChains(10, 8), s.get()),
            3);
  ASSERT_EQ(chains->wPretenders, 3);
  EXPECT_EQ(chains->pulsesList[0][0], 3);
  EXPECT_EQ(chains->pulsesList[1][0], 2);
  EXPECT_EQ(chains->pulsesList[2][0], 1);
  EXPECT_EQ(chains->distance[0], 3 * 2 * 20 * (20 - 40));
  expectAnswerIsBestPretender(*s);

  // Room for one pretender: the best one stays, and it is still the answer.
  EXPECT_EQ(fastSearch(window, kTaskRecognition, kSeriesUnfixedCutoff,
                       listInputs(a.data(), 3, list, 5, 7, 100), freshChains(1, 8), s.get()),
            3);
  EXPECT_EQ(chains->wPretenders, 1);
  EXPECT_EQ(chains->pulsesList[0][0], 3);
  expectAnswerIsBestPretender(*s);

  // Without a chains record the answer is the same chain.
  s->wFoundPulses = 0;
  EXPECT_EQ(fastSearch(window, kTaskRecognition, kSeriesUnfixedCutoff,
                       listInputs(a.data(), 3, list, 5, 7, 100), nullptr, s.get()),
            3);
  EXPECT_EQ(s->wFoundPulses, 3);
  EXPECT_EQ(s->lpFoundEtalons[1], 3);
}

TEST_F(UnfixedRecognitionTest, NothingBelowTheNoChainScore) {
  TestAlphabet a({{127, 127}});
  const uint16_t list[] = {1};

  // One admissible pulse, far too costly to recognise, even above the cost that marks a
  // missing value: it is still the pretender and the answer.
  TestAlphabet wide({std::vector<int16_t>(20, 127)});
  std::vector<int16_t> loud(20, -32768);
  auto s = makeUnfixedSeries(loud, 20, 20, 20, 1);
  ASSERT_EQ(s->wMaxPulses, 1);
  EXPECT_EQ(fastSearch(window, kTaskRecognition, kSeriesUnfixedCutoff,
                       listInputs(wide.data(), 1, list, 20, 20, 100), freshChains(3, 2), s.get()),
            kNoEtalonRecognised);
  ASSERT_EQ(chains->wPretenders, 1);
  EXPECT_EQ(chains->distance[0], 20 * 127 * (127 + 65536));
  EXPECT_EQ(s->wFoundPulses, 1);
  EXPECT_EQ(chains->wQuanPulses, 1);

  // No admissible pulse count at all: a pretender without pulses, an empty answer.
  std::vector<int16_t> quiet(12, 50);
  s = makeUnfixedSeries(quiet, 2, 3, 4, 3);
  s->wMinPulses = static_cast<uint16_t>(s->wMaxPulses + 1);
  s->wFoundPulses = 2;
  EXPECT_EQ(fastSearch(window, kTaskRecognition, kSeriesUnfixedCutoff,
                       listInputs(a.data(), 1, list, 3, 4, 100), freshChains(3, 8), s.get()),
            kNoEtalonRecognised);
  ASSERT_EQ(chains->wPretenders, 1);
  EXPECT_EQ(chains->distance[0], 999999999);
  EXPECT_EQ(chains->pulsesCount[0], 0);
  EXPECT_EQ(s->wFoundPulses, 0);
  EXPECT_EQ(chains->wQuanPulses, 3);

  // An empty list tries nothing.
  EXPECT_EQ(fastSearch(window, kTaskRecognition, kSeriesUnfixedCutoff,
                       listInputs(a.data(), 0, list, 3, 4, 100), freshChains(3, 8), s.get()),
            kNoEtalonRecognised);
  EXPECT_EQ(chains->wPretenders, 0);
  EXPECT_EQ(s->wFoundPulses, 0);
  EXPECT_TRUE(window.messages.empty());
}

}  // namespace
}  // namespace velmora
