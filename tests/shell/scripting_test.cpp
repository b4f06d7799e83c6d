// The shell's scripting entry points the tool drives the workbench through.
#include <gtest/gtest.h>

#include "shell/commands.h"
#include "shell/pipeline.h"
#include "shell/scripting.h"
#include "support/fake_window.h"

namespace velmora::testing {
namespace {

class Scripting : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(startUp(window, state), 1); }
  void TearDown() override { shutDown(window, state); }
  FakeWindow window;
  AppState state;
};

TEST_F(Scripting, SelectorValueIsChosenAsAClickChoosesItWithoutARun) {
  const uint16_t noiseSeed = state.series.wNoiseSeed;
  ASSERT_EQ(selectorPosition(state, Selector::kSeriesLength, 600), 2);
  ASSERT_TRUE(chooseSelectorValue(window, state, Selector::kSeriesLength, 2));
  EXPECT_EQ(state.series.dwSeriesLength, 600u);
  EXPECT_EQ(state.series.dwSeriesLengthCur, 1200u);  // the current series is untouched
  EXPECT_EQ(state.series.wMinPulses, 3);
  EXPECT_EQ(state.series.wMaxPulses, 15);
  EXPECT_EQ(state.series.wMeanPulses, 9);
  EXPECT_EQ(state.view.dwPendingSeriesLength, 1u);
  EXPECT_EQ(state.view.dwViewMode, kViewAlphabet);
  EXPECT_EQ(state.series.wNoiseSeed, noiseSeed);
  EXPECT_TRUE(window.sentCommands.empty());

  ASSERT_TRUE(chooseSelectorValue(window, state, Selector::kLost, 3));
  EXPECT_EQ(state.series.wLostLevel, 50);
  EXPECT_EQ(state.series.wSavedLevel, 50);
  EXPECT_EQ(state.series.wProcSavedLevel, 50);

  // The same value again changes nothing that is pending.
  state.view.dwPendingNoise = 0;
  ASSERT_TRUE(chooseSelectorValue(window, state, Selector::kNoise, 1));
  EXPECT_EQ(state.view.dwPendingNoise, 0u);

  EXPECT_FALSE(chooseSelectorValue(window, state, Selector::kNoise, 4));
  EXPECT_EQ(selectorPosition(state, Selector::kNoise, 25), 0);
  // No lost-data selector on whole-pulse series.
  handleCommand(window, state, kCmdFixedWhole);
  EXPECT_FALSE(chooseSelectorValue(window, state, Selector::kLost, 2));
  EXPECT_EQ(state.series.wLostLevel, 0);
}

TEST_F(Scripting, SelectorWithoutRequiredEtalonsOnlyAppliesTheTables) {
  state.etalons.wRequiredCount = 0;
  ASSERT_TRUE(chooseSelectorValue(window, state, Selector::kNoise, 3));
  EXPECT_EQ(window.sentCommands, std::vector<int>{kCmdApplyTables});
  EXPECT_EQ(state.series.wNoiseLevel, 50);
}

TEST_F(Scripting, SubsetSelectionIsHandedToTheSeriesAsOkHandsItOver) {
  handleCommand(window, state, kCmdFixedTuples);
  handleCommand(window, state, kCmdDetection);
  ASSERT_EQ(attachSubsetSelection(window, state, {3, 5, 8}, {{3, 5, 8}, {1}}, 1), 1);
  EXPECT_TRUE(hasSelectedSubset(state));
  EXPECT_EQ(state.records.selection.rowsInUse, 2);
  const SeriesHeader& s = *state.records.lpSeriesHeader;
  ASSERT_EQ(s.wSubsetStored, 3);
  EXPECT_EQ(std::vector<int16_t>(s.lpSubset, s.lpSubset + 3), (std::vector<int16_t>{3, 5, 8}));

  // Tuple recognition hands over the list, the current row making the series.
  handleCommand(window, state, kCmdRecognition);
  ASSERT_EQ(attachSubsetSelection(window, state, {3}, {{3, 5, 8}, {12, 4}}, 2), 1);
  EXPECT_EQ(state.records.lpSeriesHeader->wSubsets, 2);
  EXPECT_EQ(state.records.selection.currentRow, 2);
  ASSERT_TRUE(runProcessingCommand(window, state, kCmdProcessNext));
  const SeriesHeader& t = *state.records.lpSeriesHeader;
  EXPECT_EQ(std::vector<int16_t>(t.lpSubset, t.lpSubset + t.wSubsetStored),
            (std::vector<int16_t>{12, 4}));

  // More than the view holds, and nothing to hand over, are refused.
  EXPECT_EQ(attachSubsetSelection(window, state, std::vector<int32_t>(11, 1), {{1}}, 1), 0);
  EXPECT_EQ(attachSubsetSelection(window, state, {1}, std::vector<std::vector<int32_t>>(11, {1}), 1), 0);
  EXPECT_EQ(attachSubsetSelection(window, state, {1}, {{1}}, 2), 0);
  EXPECT_EQ(attachSubsetSelection(window, state, {1}, {}, 0), 0);
}

TEST_F(Scripting, ProcessingCommandReportsWhetherItsRunCompleted) {
  EXPECT_TRUE(runProcessingCommand(window, state, kCmdProcessNext));
  EXPECT_TRUE(runProcessingCommand(window, state, kCmdProcessSame));

  // Dialog 105 refuses Tmin 0: " Create series... " stops before any run.
  DialogAnswer refuse;
  refuse.dialogId = 105;
  refuse.texts = {{1001, "0"}};
  window.dialogAnswers.push_back(refuse);
  EXPECT_FALSE(runProcessingCommand(window, state, kCmdCreateSeries));

  // Tuple detection without a subset stops at the selection view.
  handleCommand(window, state, kCmdFixedTuples);
  handleCommand(window, state, kCmdDetection);
  EXPECT_FALSE(runProcessingCommand(window, state, kCmdProcessNext));
  EXPECT_EQ(state.view.dwViewMode, kViewSubsetSelection);
}

}  // namespace
}  // namespace velmora::testing
