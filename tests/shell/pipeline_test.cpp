#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <vector>

#include "shell/pipeline.h"
#include "shell_fixture.h"

namespace velmora::testing {
namespace {

using Pipeline = ShellTest;

std::vector<int> values(const int16_t* p, size_t n) { return {p, p + n}; }

TEST_F(Pipeline, FirstNewDataRunWithRecognitionRepeatsTheFirstDrawnEtalon) {
  runPipeline(window, state, kCmdNewData);
  for (int k = 0; k < state.series.wMaxPulses; ++k)
    EXPECT_EQ(state.etalons.lpEtalonSequence[k], 6) << k;
  const SeriesHeader* h = state.records.lpSeriesHeader;
  ASSERT_NE(h, nullptr);
  for (int k = 0; k < h->wImpulseQuantity; ++k) EXPECT_EQ(h->lpEtalons[k], 6);
  EXPECT_EQ(state.view.dwViewMode, kViewResults);
  EXPECT_EQ(state.view.wResultKind, kResultProcessing);
  EXPECT_NE(state.series.wNoiseSeed, 10597);
}

// Joint detection keeps the drawn sequence: entries 41 >> 3, 18467 >> 3 and 6334 >> 3
// (mod 20) of the default list.
TEST_F(Pipeline, JointDetectionKeepsTheDrawnSequence) {
  command(kCmdJoint);
  command(kCmdProcessNext);
  EXPECT_EQ(state.etalons.lpEtalonSequence[0], 6);
  EXPECT_EQ(state.etalons.lpEtalonSequence[1], 9);
  EXPECT_EQ(state.etalons.lpEtalonSequence[2], 12);
}

TEST_F(Pipeline, ProcessingSameDataTwiceProcessesTheIdenticalNoisySeries) {
  command(kCmdProcessNext);
  const SeriesHeader* h = state.records.lpSeriesHeader;
  ASSERT_NE(h, nullptr);
  const std::vector<int> noisy = values(h->lpNoisyData, h->dwSeriesSize);
  const uint16_t seed = state.series.wNoiseSeed;

  command(kCmdProcessSame);
  const std::vector<int> found1 = values(h->lpFoundPositions, h->wImpulseQuantity);
  const std::string chains1 = chainsHeaderText(*state.records.lpChainsHeader);
  command(kCmdProcessSame);
  EXPECT_EQ(values(h->lpNoisyData, h->dwSeriesSize), noisy);
  EXPECT_EQ(state.series.wNoiseSeed, seed);
  EXPECT_EQ(values(h->lpFoundPositions, h->wImpulseQuantity), found1);
  EXPECT_EQ(chainsHeaderText(*state.records.lpChainsHeader), chains1);
  EXPECT_EQ(window.sentCommands, (std::vector<int>{205, 210, 210}));

  // Next data: new sequence, new series, new noise.
  command(kCmdProcessNext);
  EXPECT_NE(state.series.wNoiseSeed, seed);
  EXPECT_NE(values(state.records.lpSeriesHeader->lpNoisyData, 1200), noisy);
}

TEST_F(Pipeline, ResultRepaintInvalidatesTheGraphAreaAndThePendingAreas) {
  state.layout.graphArea = Rect{10, 10, 500, 400};
  state.layout.statusStrip = Rect{600, 100, 743, 300};
  state.layout.noiseSelector = Rect{510, 200, 590, 260};
  state.view.dwPendingNoise = 1;
  state.view.dwPendingStatus = 1;
  command(kCmdProcessSame);
  ASSERT_EQ(window.invalidations.size(), 3u);
  EXPECT_EQ(window.invalidations[0].rect, (Rect{10, 0, 500, 400}));
  EXPECT_TRUE(window.invalidations[0].erase);
  EXPECT_EQ(window.invalidations[1].rect, state.layout.noiseSelector);
  EXPECT_EQ(window.invalidations[2].rect, (Rect{600, 100, 744, 301}));
  EXPECT_EQ(state.view.dwPendingNoise, 0u);
  EXPECT_EQ(state.view.dwPendingStatus, 0u);

  // " Type more detales" repaints the results over the graph area without erasing it.
  window.clearRecords();
  command(kCmdTypeMoreDetails);
  EXPECT_EQ(window.sentCommands, (std::vector<int>{218}));
  ASSERT_EQ(window.invalidations.size(), 1u);
  EXPECT_FALSE(window.invalidations[0].erase);
  EXPECT_EQ(state.flags.dwTypeMoreDetails, 1u);
}

TEST_F(Pipeline, PulseCountOutsideTheRangeBecomesItsMidpoint) {
  state.series.wMeanPulses = 200;
  runPipeline(window, state, kCmdRebuild);
  EXPECT_EQ(state.series.wPulseCount, 18);
  EXPECT_EQ(state.records.lpSeriesHeader->wImpulseQuantity, 18);
}

TEST_F(Pipeline, AnEmptyRequiredListStopsNewDataWithAMessage) {
  state.etalons.wRequiredCount = 0;
  const uint32_t random = state.etalons.sequenceRandom.state;
  command(kCmdProcessNext);
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(window.last().text, kTextNoRequiredEtalons);
  EXPECT_EQ(state.etalons.sequenceRandom.state, random);
  EXPECT_EQ(state.view.dwViewMode, kViewAlphabet);
}

TEST_F(Pipeline, WithoutASeriesNoiseAndProcessingStopWithAMessage) {
  freeSeriesHeader(state.records.lpSeriesHeader);
  state.records.lpSeriesHeader = nullptr;
  command(kCmdProcessSame);
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(window.last().text, kTextNoSeries);
  runPipeline(window, state, kCmdNoise);
  EXPECT_EQ(window.messages.size(), 2u);
  EXPECT_EQ(state.view.dwViewMode, kViewAlphabet);
}

TEST_F(Pipeline, TheChainsRecordGrowsToTheSeriesGreatestPulseCount) {
  // A smaller Tmin, as the series parameters panel can set it, allows more pulses than
  // the chains record was made for.
  state.series.wTmin = 20;
  state.series.wMeanPulses = 50;
  command(kCmdProcessNext);
  const SeriesHeader* h = state.records.lpSeriesHeader;
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(state.series.wMaxPulses, 60);  // (1200 - 20 + 20) / 20
  EXPECT_GE(state.records.lpChainsHeader->wMaxPulses, h->wMaxPulses);
  EXPECT_GE(state.etalons.wEtalonSequenceSize, state.series.wMaxPulses);
  EXPECT_EQ(h->wImpulseQuantity, 50);
  EXPECT_EQ(state.records.lpChainsHeader->wQuanPulses, 50);
  EXPECT_TRUE(window.messages.empty());
}

// Every task type on every series type runs from new data to the results view.
TEST_F(Pipeline, EveryTaskTypeOnEverySeriesTypeRunsToTheResults) {
  const int tasks[] = {kCmdDetection, kCmdRecognition, kCmdJoint, kCmdSeriesProcessing};
  const int series[] = {kCmdFixedWhole,     kCmdFixedCutoffs, kCmdUnfixedWhole,
                        kCmdUnfixedCutoffs, kCmdFixedTuples,  kCmdUnfixedTuples};
  selectSubsets({{3, 5}, {7, 2, 9}});
  command(kCmdSelectSubset);  // leaves the selection view at the first run
  for (int seriesId : series) {
    for (int taskId : tasks) {
      command(seriesId);
      command(taskId);
      state.view.dwViewMode = kViewAlphabet;
      command(kCmdProcessNext);
      SCOPED_TRACE(::testing::Message() << "series " << state.problem.wSeriesType << " task "
                                      << state.problem.wTaskType);
      EXPECT_TRUE(window.messages.empty()) << window.messages.front().text;
      window.clear();
      EXPECT_EQ(state.view.dwViewMode, kViewResults);
      ASSERT_NE(state.records.lpSeriesHeader, nullptr);
      ASSERT_NE(state.records.lpChainsHeader, nullptr);
      EXPECT_EQ(state.records.lpChainsHeader->wDescribed, 2);
      EXPECT_EQ(state.records.lpChainsHeader->wSeriesType, state.problem.wSeriesType);
      EXPECT_EQ(state.records.lpChainsHeader->wTaskType, state.problem.wEffectiveTaskType);
      EXPECT_EQ(state.problem.wEffectiveTaskType,
                effectiveTaskType(state.problem.wTaskType, state.problem.wSeriesType));
      EXPECT_GT(state.records.lpSeriesHeader->wFoundPulses, 0);
      EXPECT_GT(state.records.lpChainsHeader->wPretenders, 0);

      // The same series again.
      command(kCmdProcessSame);
      EXPECT_TRUE(window.messages.empty());
    }
  }
}

TEST_F(Pipeline, TupleDetectionWithoutASelectedSubsetAsksForOneAndStops) {
  command(kCmdFixedTuples);
  command(kCmdDetection);
  command(kCmdProcessNext);
  EXPECT_EQ(window.sentCommands, (std::vector<int>{205, kCmdSelectSubset}));
  EXPECT_EQ(state.view.dwViewMode, kViewSubsetSelection);
  EXPECT_EQ(state.records.lpChainsHeader->wDescribed, 0);
}

TEST_F(Pipeline, TupleRecognitionWithoutASubsetSkipsTheSearchButDescribesTheProblem) {
  command(kCmdUnfixedTuples);
  command(kCmdRecognition);
  command(kCmdProcessNext);
  EXPECT_EQ(window.sentCommands, (std::vector<int>{205, kCmdSelectSubset}));
  EXPECT_EQ(state.records.lpChainsHeader->wDescribed, 2);
  EXPECT_EQ(state.records.lpChainsHeader->wTaskType, kTaskTupleRecognition);
  EXPECT_EQ(state.records.lpChainsHeader->wPretenders, 0);
  EXPECT_EQ(state.view.dwViewMode, kViewResults);
}

// The default problem's first three " Processing Next Data " runs against an independent
// implementation's output: the whole series record and the whole chains record.
TEST_F(Pipeline, DefaultProblemMatchesTheReferenceRuns) {
  std::ifstream in(std::string(VELMORA_DATA_DIR) + "/run-default.json");
  ASSERT_TRUE(in.good());
  const nlohmann::json doc = nlohmann::json::parse(in);
  const auto& runs = doc.at("runs");
  ASSERT_EQ(runs.size(), 3u);
  for (size_t run = 0; run < runs.size(); ++run) {
    SCOPED_TRACE(::testing::Message() << "run " << run + 1);
    command(kCmdProcessNext);
    ASSERT_TRUE(window.messages.empty());
    const auto& ref = runs[run];
    EXPECT_EQ(ref.at("taskType").get<int>(), state.problem.wTaskType);
    EXPECT_EQ(ref.at("effectiveTaskType").get<int>(), state.problem.wEffectiveTaskType);
    EXPECT_EQ(ref.at("seriesType").get<int>(), state.problem.wSeriesType);
    EXPECT_EQ(ref.at("requiredList").get<std::vector<uint16_t>>(), requiredList());
    EXPECT_EQ(ref.at("etalonSequence").get<std::vector<uint16_t>>(),
              std::vector<uint16_t>(state.etalons.lpEtalonSequence,
                                    state.etalons.lpEtalonSequence + state.series.wMaxPulses));

    const SeriesHeader& h = *state.records.lpSeriesHeader;
    const auto& s = ref.at("series");
    const size_t q = h.wImpulseQuantity;
    EXPECT_EQ(s.at("seriesSize").get<uint32_t>(), h.dwSeriesSize);
    EXPECT_EQ(s.at("tmin").get<int>(), h.wTmin);
    EXPECT_EQ(s.at("tmax").get<int>(), h.wTmax);
    EXPECT_EQ(s.at("impulseSize").get<int>(), h.wImpulseSize);
    EXPECT_EQ(s.at("impulseQuantity").get<size_t>(), q);
    EXPECT_EQ(s.at("minPulses").get<int>(), h.wMinPulses);
    EXPECT_EQ(s.at("maxPulses").get<int>(), h.wMaxPulses);
    EXPECT_EQ(s.at("noise").get<int>(), h.wNoise);
    EXPECT_EQ(s.at("amplitude").get<int>(), h.wAmplitude);
    EXPECT_EQ(s.at("pureData").get<std::vector<int>>(), values(h.lpPureData, h.dwSeriesSize));
    EXPECT_EQ(s.at("noisyData").get<std::vector<int>>(), values(h.lpNoisyData, h.dwSeriesSize));
    EXPECT_EQ(s.at("positions").get<std::vector<int>>(), values(h.lpPositions, q));
    EXPECT_EQ(s.at("etalons").get<std::vector<int>>(), values(h.lpEtalons, q));
    EXPECT_EQ(s.at("firstSamples").get<std::vector<int>>(), values(h.lpFirstSamples, q));
    EXPECT_EQ(s.at("lastSamples").get<std::vector<int>>(), values(h.lpLastSamples, q));
    EXPECT_EQ(s.at("minPositions").get<std::vector<int>>(), values(h.lpMinPositions, q));
    EXPECT_EQ(s.at("maxPositions").get<std::vector<int>>(), values(h.lpMaxPositions, q));
    const size_t found = h.wFoundPulses;
    EXPECT_EQ(s.at("foundPulses").get<size_t>(), found);
    EXPECT_EQ(s.at("foundPositions").get<std::vector<int>>(), values(h.lpFoundPositions, found));
    EXPECT_EQ(s.at("foundEtalons").get<std::vector<int>>(), values(h.lpFoundEtalons, found));
    EXPECT_EQ(s.at("foundFirstSamples").get<std::vector<int>>(),
              values(h.lpFoundFirstSamples, found));
    EXPECT_EQ(s.at("foundLastSamples").get<std::vector<int>>(),
              values(h.lpFoundLastSamples, found));
    EXPECT_EQ(s.at("subset").get<std::vector<int>>(), values(h.lpSubset, h.wSubsetSize));
    EXPECT_EQ(s.at("tupleInstances").size(), static_cast<size_t>(h.wTupleInstances));
    EXPECT_EQ(s.at("foundTuple").get<int>(), h.wFoundTuple);

    const ChainsHeader& c = *state.records.lpChainsHeader;
    const auto& rc = ref.at("chains");
    EXPECT_EQ(rc.at("maxSize").get<int>(), c.wMaxSize);
    EXPECT_EQ(rc.at("maxPulses").get<int>(), c.wMaxPulses);
    EXPECT_EQ(rc.at("quanPulses").get<int>(), c.wQuanPulses);
    EXPECT_EQ(rc.at("seekingPulsesQuantity").get<int>(), c.wSeekingPulsesQuantity);
    const auto& pretenders = rc.at("pretenders");
    ASSERT_EQ(pretenders.size(), static_cast<size_t>(c.wPretenders));
    for (size_t i = 0; i < pretenders.size(); ++i) {
      SCOPED_TRACE(::testing::Message() << "pretender " << i);
      const auto& p = pretenders[i];
      const size_t m = p.at("etalons").size();
      EXPECT_EQ(p.at("distance").get<int32_t>(), c.distance[i]);
      EXPECT_EQ(m, static_cast<size_t>(c.pulsesCount[i]));
      EXPECT_EQ(p.at("etalons").get<std::vector<int>>(), values(c.pulsesList[i], m));
      EXPECT_EQ(p.at("positions").get<std::vector<int>>(), values(c.positionsList[i], m));
      EXPECT_EQ(p.at("firstSamples").get<std::vector<int>>(), values(c.firstSamplesList[i], m));
      EXPECT_EQ(p.at("lastSamples").get<std::vector<int>>(), values(c.lastSamplesList[i], m));
    }
  }
}

}  // namespace
}  // namespace velmora::testing
