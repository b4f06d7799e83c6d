#include "shell/mouse.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "shell/commands.h"
#include "shell/paint.h"
#include "shell_fixture.h"
#include "support/recording_canvas.h"

namespace velmora::testing {
namespace {

class Mouse : public ShellTest {
 protected:
  // Paints (so that the layout is current) and forgets what the paint asked for.
  void repaint() {
    RecordingCanvas canvas(1280, 800);
    paint(canvas, window, state, Rect{0, 0, 1280, 800});
  }
  void click(const Rect& r) {
    repaint();
    window.clearRecords();
    buttonDown(window, state, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
  void clickCell(int etalon) { click(state.layout.etalonCells[etalon - 1]); }
  bool sent(int id) const {
    return std::find(window.sentCommands.begin(), window.sentCommands.end(), id) !=
           window.sentCommands.end();
  }
  std::vector<int> flagged() const {
    std::vector<int> out;
    for (int e = 0; e < 20; ++e)
      if (state.etalons.requiredFlags[e] == 1) out.push_back(e + 1);
    return out;
  }
};

TEST_F(Mouse, CellClicksToggleFlagsExceptInDetection) {
  repaint();
  clickCell(3);
  EXPECT_EQ(state.etalons.requiredFlags[2], 0);
  EXPECT_EQ(state.etalons.wRequiredCount, 19);
  EXPECT_EQ(state.etalons.dwSingleEtalon, 3);
  EXPECT_EQ(window.sentCommands, std::vector<int>{kCmdRepaintCells});
  clickCell(3);
  EXPECT_EQ(state.etalons.requiredFlags[2], 1);
  EXPECT_EQ(state.etalons.wRequiredCount, 20);

  // Detection: a click on an unflagged etalon makes it the only required one; a click on
  // the flagged one changes nothing.
  command(kCmdDetection);
  ASSERT_EQ(flagged(), std::vector<int>{3});  // the etalon clicked last
  state.view.dwPendingNoise = 1;
  clickCell(7);
  EXPECT_EQ(flagged(), std::vector<int>{7});
  EXPECT_EQ(requiredList(), std::vector<uint16_t>{7});
  EXPECT_EQ(state.etalons.dwSingleEtalon, 7);
  EXPECT_EQ(state.etalons.dwPrevSingleEtalon, 3);
  EXPECT_EQ(state.view.dwPendingStatus, 1u);
  EXPECT_EQ(state.view.dwPendingNoise, 0u);
  EXPECT_EQ(state.view.dwViewMode, kViewAlphabet);
  clickCell(7);
  EXPECT_EQ(flagged(), std::vector<int>{7});
  EXPECT_EQ(state.etalons.dwPrevSingleEtalon, 7);
  EXPECT_TRUE(sent(kCmdRepaintCells));
  EXPECT_EQ(state.layout.lastClickX, (state.layout.etalonCells[6].left +
                                      state.layout.etalonCells[6].right) / 2);
}

TEST_F(Mouse, StartRunsOnTheFlaggedEtalonsOrShowsTheAlphabetAgain) {
  // All/none in clear-all mode (every etalon flagged) clears every flag.
  click(state.layout.allNoneButton);
  EXPECT_TRUE(flagged().empty());
  EXPECT_EQ(state.etalons.wRequiredCount, 0);
  EXPECT_EQ(window.sentCommands, std::vector<int>{kCmdRepaintGraphAndButtons});

  // Start with nothing flagged: the alphabet again, no run.
  SeriesHeader* series = state.records.lpSeriesHeader;
  const uint16_t seed = state.series.wNoiseSeed;
  click(state.layout.startSlot);
  EXPECT_EQ(state.view.dwViewMode, kViewAlphabet);
  EXPECT_EQ(window.sentCommands, std::vector<int>{kCmdNothing});
  EXPECT_EQ(state.records.lpSeriesHeader, series);
  EXPECT_EQ(state.series.wNoiseSeed, seed);

  // Now in select-all mode: every etalon is flagged and the list follows at once.
  click(state.layout.allNoneButton);
  EXPECT_EQ(flagged().size(), 20u);
  EXPECT_EQ(state.etalons.wRequiredCount, 20);
  clickCell(2);
  click(state.layout.startSlot);
  EXPECT_EQ(window.sentCommands.front(), kCmdNewData);
  EXPECT_EQ(state.view.dwViewMode, kViewResults);
  EXPECT_NE(state.series.wNoiseSeed, seed);
  EXPECT_EQ(state.etalons.wRequiredCount, 19);
  for (int k = 0; k < state.series.wPulseCount; ++k)
    EXPECT_NE(state.records.lpSeriesHeader->lpEtalons[k], 2);
}

// The all/none button used to leave the required list as it was when it flagged every
// etalon, so a selector click after it saw no required etalon and started no run.
TEST_F(Mouse, SelectAllUpdatesTheRequiredList) {
  click(state.layout.allNoneButton);  // clear all
  click(state.layout.allNoneButton);  // select all
  repaint();
  click(state.layout.noiseValues[2]);
  EXPECT_TRUE(sent(kCmdNewData));
  EXPECT_EQ(state.view.dwViewMode, kViewResults);
  EXPECT_EQ(state.series.wNoiseLevelCur, 50);
}

TEST_F(Mouse, SelectorClicks) {
  // With no required etalon a click only applies the tables and repaints everything; the
  // new choice shows grey until a series is made with it.
  click(state.layout.allNoneButton);
  click(state.layout.noiseValues[2]);
  EXPECT_EQ(window.sentCommands, std::vector<int>{kCmdApplyTables});
  EXPECT_EQ(state.series.dwNoiseIndex, 3);
  EXPECT_EQ(state.series.wNoiseLevel, 50);
  EXPECT_EQ(state.series.wNoiseLevelCur, 20);
  EXPECT_EQ(state.view.dwViewMode, kViewAlphabet);
  ASSERT_EQ(window.invalidations.size(), 1u);
  EXPECT_TRUE(window.invalidations[0].whole);
  auto discColour = [&] {
    RecordingCanvas canvas(1280, 800);
    paint(canvas, window, state, Rect{0, 0, 1280, 800});
    const Rect r = state.layout.noiseValues[2];
    for (const CanvasOp* e : canvas.ofKind(CanvasOp::kEllipse))
      if (e->x1 == r.left + 2 && e->y1 == r.top + 2) return e->brush.color;
    return kWhite;
  };
  EXPECT_EQ(discColour(), rgb(163, 163, 163));
  click(state.layout.allNoneButton);
  click(state.layout.startSlot);
  EXPECT_EQ(state.series.wNoiseLevelCur, 50);
  EXPECT_EQ(discColour(), kBlack);

  // A series-length value starts a new-data run with that length.
  click(state.layout.seriesLengthValues[1]);
  EXPECT_EQ(window.sentCommands.front(), kCmdNewData);
  EXPECT_EQ(state.series.dwSeriesLengthIndex, 2);
  EXPECT_EQ(state.series.dwSeriesLengthCur, 600u);
  EXPECT_EQ(state.records.lpSeriesHeader->dwSeriesSize, 600u);

  // Lost data: its values set the saved-energy levels and run.
  click(state.layout.lostValues[0]);
  EXPECT_EQ(state.series.dwLostIndex, 1);
  EXPECT_EQ(state.series.wLostLevelCur, 0);
  EXPECT_EQ(state.series.wSavedLevelCur, 100);
  EXPECT_TRUE(sent(kCmdNewData));

  // Away from every value: nothing happens.
  repaint();
  window.clearRecords();
  buttonDown(window, state, state.layout.noiseSelector.left + 2, state.layout.noiseSelector.top + 2);
  EXPECT_EQ(window.sentCommands, std::vector<int>{kCmdNothing});
}

TEST_F(Mouse, TheLostDataSelectorCountsOnlyForCutOffSeries) {
  repaint();
  const Rect lost = state.layout.lostValues[2];
  for (int series : {kCmdFixedWhole, kCmdUnfixedWhole, kCmdFixedTuples, kCmdUnfixedTuples}) {
    command(series);
    state.view.dwViewMode = kViewAlphabet;
    click(lost);
    EXPECT_EQ(window.sentCommands, std::vector<int>{kCmdNothing}) << series;
    EXPECT_EQ(state.series.dwLostIndex, 1);
  }
  command(kCmdUnfixedCutoffs);
  click(lost);
  EXPECT_EQ(state.series.dwLostIndex, 3);
  EXPECT_EQ(state.series.wLostLevelCur, 50);
  EXPECT_TRUE(sent(kCmdNewData));
}

TEST_F(Mouse, ResultsViewSlots) {
  click(state.layout.startSlot);
  ASSERT_EQ(state.view.dwViewMode, kViewResults);

  // The results slot goes back to the alphabet.
  click(state.layout.resultsSlot);
  EXPECT_EQ(state.view.dwViewMode, kViewAlphabet);
  EXPECT_EQ(window.sentCommands, std::vector<int>{kCmdRepaintGraphAndButtons});

  // Exit closes the window from any view.
  state.view.dwViewMode = kViewResults;
  click(state.layout.exitSlot);
  EXPECT_EQ(window.sentCommands, std::vector<int>{kCmdClose});
  EXPECT_EQ(window.closeRequests, 1);

  // All/none from the results view also asks for the status strip.
  state.view.dwPendingStatus = 0;
  click(state.layout.allNoneButton);
  EXPECT_EQ(state.view.dwViewMode, kViewAlphabet);
  EXPECT_TRUE(flagged().empty());
  EXPECT_EQ(state.view.dwPendingStatus, 1u);

  // The selection view without a subset to hand over repaints its list instead of running.
  click(state.layout.allNoneButton);
  state.view.dwViewMode = kViewSubsetSelection;
  click(state.layout.startSlot);
  EXPECT_EQ(window.sentCommands, std::vector<int>{kCmdRepaintSubsetList});
  EXPECT_EQ(state.view.dwViewMode, kViewSubsetSelection);
  // With one, it hands it over and runs.
  selectSubsets({{1, 2}});
  click(state.layout.startSlot);
  EXPECT_EQ(window.sentCommands.front(), kCmdNewData);
  EXPECT_EQ(state.view.dwViewMode, kViewResults);
}

TEST_F(Mouse, TupleSeriesGoToTheSelectionView) {
  command(kCmdFixedTuples);
  command(kCmdRecognition);
  ASSERT_EQ(state.problem.wEffectiveTaskType, kTaskTupleRecognition);
  state.view.dwViewMode = kViewAlphabet;
  click(state.layout.startSlot);
  EXPECT_EQ(state.view.dwViewMode, kViewSubsetSelection);
  EXPECT_EQ(window.sentCommands, std::vector<int>{kCmdNothing});

  state.view.dwViewMode = kViewResults;
  click(state.layout.resultsSlot);
  EXPECT_EQ(state.view.dwViewMode, kViewSubsetSelection);
  EXPECT_EQ(window.sentCommands.front(), kCmdSelectSubset);

  // A row of the pattern box in the results view makes that subset current and runs.
  selectSubsets({{1, 2}, {3, 4, 5}});
  state.view.dwViewMode = kViewResults;
  repaint();
  state.layout.patternRows = {Rect{100, 100, 300, 114}, Rect{100, 115, 300, 129}};
  window.clearRecords();
  buttonDown(window, state, 150, 120);
  EXPECT_EQ(state.records.selection.currentRow, 2);
  EXPECT_EQ(window.sentCommands.front(), kCmdNewData);
  EXPECT_EQ(state.records.lpSeriesHeader->lpEtalons[0], 3);
}

TEST_F(Mouse, KeysZeroAndOneRepaintEverything) {
  for (int key : {0, 1, 2, 65}) keyDown(window, state, key);
  ASSERT_EQ(window.invalidations.size(), 2u);
  EXPECT_TRUE(window.invalidations[0].whole);
  EXPECT_TRUE(window.invalidations[1].whole);
}

}  // namespace
}  // namespace velmora::testing
