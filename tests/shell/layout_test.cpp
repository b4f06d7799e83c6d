#include "shell/layout.h"

#include <gtest/gtest.h>

#include "graphics/results_view.h"
#include "shell/commands.h"
#include "shell_fixture.h"

namespace velmora::testing {
namespace {

// The recording canvas's window font: cell height 16, no external leading.
TextMetrics windowFont() {
  TextMetrics m;
  m.height = 16;
  m.externalLeading = 0;
  m.aveCharWidth = 8;
  m.maxCharWidth = 12;
  return m;
}

using Layout = ShellTest;

// At the least client size the button column starts a line below the lowest selector
// and a full pretender line fits the graph area, with 10 pixels on each side; a pixel
// less of height puts the status strip within that line.
TEST_F(Layout, AtTheLeastClientSizeNothingOverlaps) {
  const ClientSize least = minimumClientSize(windowFont());
  ShellLayout l;
  layOut(l, state, Rect{0, 0, least.width, least.height}, windowFont());
  ASSERT_NE(l.lostSelector, kNoRect);  // the default series has all three selectors
  EXPECT_EQ(l.statusStrip.top, l.lostSelector.bottom + l.lineHeight);
  EXPECT_GE(l.graphArea.right - l.graphArea.left + 1, resultsPulseLineWidth(8) + 20);
  EXPECT_LT(l.graphArea.right, l.exitSlot.left);
  layOut(l, state, Rect{0, 0, least.width, least.height - 1}, windowFont());
  EXPECT_LT(l.statusStrip.top, l.lostSelector.bottom + l.lineHeight);
  // 800 × 600 is too narrow for the text.
  EXPECT_GT(least.width, 800);
}

TEST_F(Layout, DefaultProblemOn1280x800) {
  ShellLayout l;
  layOut(l, state, Rect{0, 0, 1280, 800}, windowFont());
  EXPECT_EQ(l.lineHeight, 15);
  // Button column: Exit, Start, all/none and results slots 42 pixels apart.
  EXPECT_EQ(l.exitSlot, (Rect{1126, 758, 1269, 789}));
  EXPECT_EQ(l.startSlot, (Rect{1126, 716, 1269, 747}));
  EXPECT_EQ(l.allNoneButton, (Rect{1126, 674, 1269, 705}));
  EXPECT_EQ(l.resultsSlot, (Rect{1126, 632, 1269, 663}));
  EXPECT_EQ(l.statusStrip, (Rect{1126, 590, 1269, 705}));
  // 20 etalons: 4 rows of 5 cells of (1107 − 60) / 5 × (781 − 50) / 4 pixels.
  EXPECT_EQ(l.gridRows, 4);
  EXPECT_EQ(l.gridColumns, 5);
  EXPECT_EQ(l.cellWidth, 209);
  EXPECT_EQ(l.cellHeight, 182);
  EXPECT_EQ(l.innerCellWidth, 199);
  EXPECT_EQ(l.innerCellHeight, 172);
  EXPECT_EQ(l.graphArea, (Rect{10, 10, 1114, 787}));
  EXPECT_EQ(l.cellCount, 20);
  EXPECT_EQ(l.etalonCells[0], (Rect{20, 20, 228, 201}));
  EXPECT_EQ(l.etalonCells[7], (Rect{458, 212, 666, 393}));
  EXPECT_EQ(l.etalonCells[19], (Rect{896, 596, 1104, 777}));
  // Selectors: six lines high, a line apart, the lost-data one for cut-off series.
  EXPECT_EQ(l.seriesLengthSelector, (Rect{1124, 10, 1270, 100}));
  EXPECT_EQ(l.noiseSelector, (Rect{1124, 115, 1270, 205}));
  EXPECT_EQ(l.lostSelector, (Rect{1124, 220, 1270, 310}));
  EXPECT_TRUE(l.selectAll == false);  // all 20 flagged
}

TEST_F(Layout, DetectionOnWholePulsesOn800x600) {
  command(kCmdFixedWhole);
  command(kCmdDetection);
  ShellLayout l;
  layOut(l, state, Rect{0, 0, 800, 600}, windowFont());
  // No all/none button in detection: the results slot takes its place.
  EXPECT_EQ(l.exitSlot, (Rect{646, 558, 789, 589}));
  EXPECT_EQ(l.startSlot, (Rect{646, 516, 789, 547}));
  EXPECT_EQ(l.allNoneButton, kNoRect);
  EXPECT_EQ(l.resultsSlot, (Rect{646, 474, 789, 505}));
  EXPECT_EQ(l.statusStrip, (Rect{646, 432, 789, 505}));
  EXPECT_EQ(l.cellWidth, 113);
  EXPECT_EQ(l.cellHeight, 132);
  EXPECT_EQ(l.graphArea, (Rect{10, 10, 634, 587}));
  EXPECT_EQ(l.etalonCells[6], (Rect{143, 162, 255, 293}));
  EXPECT_EQ(l.noiseSelector, (Rect{644, 115, 790, 205}));
  EXPECT_EQ(l.lostSelector, kNoRect);
  EXPECT_TRUE(l.selectAll);  // one etalon flagged
}

TEST_F(Layout, GridHasTheFewestRowsThatHoldEveryEtalon) {
  const struct {
    uint16_t etalons;
    int32_t rows;
  } cases[] = {{1, 1}, {2, 1}, {3, 2}, {6, 2}, {7, 3}, {12, 3}, {13, 4}, {20, 4}};
  for (const auto& c : cases) {
    state.etalons.wEtalonCount = c.etalons;
    ShellLayout l;
    layOut(l, state, Rect{0, 0, 1280, 800}, windowFont());
    EXPECT_EQ(l.gridRows, c.rows) << c.etalons;
    EXPECT_EQ(l.gridColumns, c.rows + 1) << c.etalons;
    EXPECT_EQ(l.cellCount, c.etalons);
    EXPECT_EQ(l.etalonCells[c.etalons - 1].top,
              20 + ((c.etalons - 1) / (c.rows + 1)) * (l.cellHeight + 10));
    if (c.etalons < 20) {
      EXPECT_EQ(l.etalonCells[c.etalons], kNoRect);
    }
  }
  state.etalons.wEtalonCount = 20;
}

TEST_F(Layout, SelectAllWhileAtMostHalfTheEtalonsAreFlagged) {
  for (int e = 0; e < 20; ++e) state.etalons.requiredFlags[e] = e < 10 ? 1 : 0;
  EXPECT_TRUE(selectAllMode(state));
  state.etalons.requiredFlags[10] = 1;
  EXPECT_FALSE(selectAllMode(state));
}

TEST_F(Layout, ClientsTooSmallGiveEmptyCellsWithoutFailing) {
  for (const Rect& client : {Rect{0, 0, 0, 0}, Rect{0, 0, 1, 1}, Rect{0, 0, 200, 120}}) {
    ShellLayout l;
    layOut(l, state, client, windowFont());
    EXPECT_LE(l.cellWidth, 0);
    EXPECT_LT(l.graphArea.right, l.graphArea.left + 60);
  }
}

}  // namespace
}  // namespace velmora::testing
