// The subset selection view's layout and click rules, driven through the shell's paint and
// button-down entry points with a recording canvas.
#include "shell/subset_panel.h"

#include <gtest/gtest.h>

#include <vector>

#include "graphics/subset_view.h"
#include "graphics/thumbnail.h"
#include "graphics/view_support.h"
#include "shell/commands.h"
#include "shell/shell_fixture.h"
#include "support/recording_canvas.h"

namespace velmora::testing {
namespace {

class SubsetPanel : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    state.layout.graphArea = Rect{10, 10, 1029, 796};
    state.view.dwViewMode = kViewSubsetSelection;
    paint();
  }

  void paint() {
    canvas = RecordingCanvas(1280, 1024);
    paintSubsetSelection(canvas, window, state);
  }

  static int32_t midX(const Rect& r) { return (r.left + r.right) / 2; }
  static int32_t midY(const Rect& r) { return (r.top + r.bottom) / 2; }

  bool click(const Rect& r) {
    window.clearRecords();
    const bool hit = subsetSelectionButtonDown(window, state, midX(r), midY(r));
    paint();
    return hit;
  }
  bool clickCell(int k) { return click(state.records.selection.cellRects.at(k)); }
  bool clickSlot(int k) { return click(state.records.selection.possibleSubsetRect.at(k)); }
  bool clickButton(int b) {
    return click(state.records.selection.ButtonsWhileSelectedSubsetRect.at(b));
  }

  std::vector<int32_t> subset() const {
    const SubsetSelection& s = state.records.selection;
    return {s.selectedSubset, s.selectedSubset + s.count};
  }
  std::vector<int32_t> marks() const {
    const SubsetSelection& s = state.records.selection;
    return {s.marks, s.marks + s.count};
  }

  void tupleRecognition() {
    state.problem.wSeriesType = kSeriesFixedTuples;
    state.problem.wEffectiveTaskType = kTaskTupleRecognition;
    paint();
  }

  RecordingCanvas canvas;
};

TEST_F(SubsetPanel, LayoutFollowsTheAreaLineHeightAndCharacterWidth) {
  // Area 1020 x 787: mx = 6, my = 6; upper area 16..1023 x 16..208; 20 etalons in two rows
  // of cells 94 x 87.
  const SubsetSelection& sel = state.records.selection;
  ASSERT_EQ(sel.cellRects.size(), 20u);
  EXPECT_EQ(sel.cellRects[0], (Rect{22, 22, 116, 109}));
  EXPECT_EQ(sel.cellRects[13], (Rect{322, 115, 416, 202}));
  // Subset row one line and my under the upper area; its slots one my lower.
  EXPECT_EQ(sel.subsetRowRect, (Rect{16, 229, 1023, 328}));
  EXPECT_EQ(sel.possibleSubsetRect[0], (Rect{22, 235, 116, 322}));
  EXPECT_EQ(sel.possibleSubsetRect[9], (Rect{922, 235, 1016, 322}));
  // Buttons: " Delete All " (12 characters) + 4 characters wide, 2 lines - 1 high, half a
  // line under the row, two characters apart.
  EXPECT_EQ(sel.ButtonsWhileSelectedSubsetRect[kSubsetButtonDeleteAll], (Rect{16, 335, 144, 364}));
  EXPECT_EQ(sel.ButtonsWhileSelectedSubsetRect[kSubsetButtonOk], (Rect{448, 335, 576, 364}));
  EXPECT_EQ(sel.ButtonsWhileSelectedSubsetRect[kSubsetButtonAccept], Rect{});
  const CanvasOp* ok = canvas.findText(" OK ");
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(ok->x1, 448 + (128 - 32) / 2);
  EXPECT_EQ(ok->y1, 335 + (29 - 16) / 2);
  // Each cell shows its required etalon's letter.
  const CanvasOp* c = canvas.findText(" c ");
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->x1, sel.cellRects[2].left + 4);
  EXPECT_EQ(c->y1, sel.cellRects[2].top + 1 + 2);
  EXPECT_EQ(state.layout.subsetPanel, state.layout.graphArea);

  // The list panel puts " Cancel " and " OK " at the row's right end.
  tupleRecognition();
  EXPECT_EQ(sel.ButtonsWhileSelectedSubsetRect[kSubsetButtonAccept], (Rect{304, 335, 432, 364}));
  EXPECT_EQ(sel.ButtonsWhileSelectedSubsetRect[kSubsetButtonCancel],
            (Rect{1023 - 2 * (128 + 8), 335, 1023 - 2 * (128 + 8) + 128, 364}));
  EXPECT_EQ(sel.ButtonsWhileSelectedSubsetRect[kSubsetButtonOk].right, 1023);
  EXPECT_NE(canvas.findText(" reserved subsets 10 "), nullptr);
}

TEST_F(SubsetPanel, CellClicksAppendAndReplaceTheMarkedEntries) {
  ASSERT_TRUE(clickCell(0));
  EXPECT_EQ(window.sentCommands, std::vector<int>{kCmdRepaintSubsetPanel});
  ASSERT_TRUE(clickCell(1));
  ASSERT_TRUE(clickCell(2));
  EXPECT_EQ(subset(), (std::vector<int32_t>{1, 2, 3}));

  // Marking b and clicking d gives a c d.
  ASSERT_TRUE(clickSlot(1));
  EXPECT_EQ(marks(), (std::vector<int32_t>{0, 1, 0}));
  EXPECT_EQ(window.sentCommands, std::vector<int>{kCmdRepaintSubsetPanel});
  // A marked entry shows on a grey background.
  bool grey = false;
  for (const CanvasOp* op : canvas.ofKind(CanvasOp::kFillRect))
    grey = grey || op->color == kThumbnailMarkedColor;
  EXPECT_TRUE(grey);
  ASSERT_TRUE(clickCell(3));
  EXPECT_EQ(subset(), (std::vector<int32_t>{1, 3, 4}));
  EXPECT_EQ(marks(), (std::vector<int32_t>{0, 0, 0}));

  // A click on the row outside every entry clears the marks and marks nothing.
  ASSERT_TRUE(clickSlot(0));
  ASSERT_TRUE(clickSlot(5));
  EXPECT_EQ(marks(), (std::vector<int32_t>{0, 0, 0}));

  // " Delete " removes the marked entries, " Delete All " every entry.
  ASSERT_TRUE(clickSlot(2));
  ASSERT_TRUE(clickButton(kSubsetButtonDelete));
  EXPECT_EQ(subset(), (std::vector<int32_t>{1, 3}));
  ASSERT_TRUE(clickButton(kSubsetButtonDeleteAll));
  EXPECT_TRUE(subset().empty());
  EXPECT_EQ(window.sentCommands, std::vector<int>{kCmdRepaintSubsetPanel});
}

TEST_F(SubsetPanel, AnEleventhClickOnlyRemovesTheMarkedEntries) {
  for (int k = 0; k < 10; ++k) ASSERT_TRUE(clickCell(k));
  ASSERT_TRUE(clickCell(15));
  EXPECT_EQ(subset(), (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  ASSERT_TRUE(clickSlot(4));
  ASSERT_TRUE(clickSlot(9));  // marks only the last one clicked
  ASSERT_TRUE(clickCell(15));
  EXPECT_EQ(subset(), (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 16}));
}

TEST_F(SubsetPanel, AcceptOnAFullListStoresNothingAndMakesTheLastRowCurrent) {
  tupleRecognition();
  ASSERT_TRUE(clickCell(4));
  ASSERT_TRUE(clickCell(6));
  ASSERT_TRUE(clickButton(kSubsetButtonAccept));
  SubsetSelection& sel = state.records.selection;
  EXPECT_EQ(sel.rowsInUse, 1);
  EXPECT_EQ(sel.currentRow, 1);
  EXPECT_EQ(sel.selectedSubsetArraySize[0], 2);
  EXPECT_EQ(sel.rows[0][1], 7);
  EXPECT_EQ(window.sentCommands, std::vector<int>{kCmdRepaintSubsetList});
  // The repaint shows the entries marked, so the next cell click starts a new subset.
  EXPECT_EQ(marks(), (std::vector<int32_t>{1, 1}));
  EXPECT_EQ(sel.justChanged, 0);
  ASSERT_TRUE(clickCell(0));
  EXPECT_EQ(subset(), (std::vector<int32_t>{1}));

  for (int r = 1; r < 10; ++r) ASSERT_TRUE(clickButton(kSubsetButtonAccept));
  EXPECT_EQ(sel.rowsInUse, 10);
  ASSERT_TRUE(clickCell(2));
  ASSERT_TRUE(clickButton(kSubsetButtonAccept));
  EXPECT_EQ(sel.rowsInUse, 10);
  EXPECT_EQ(sel.currentRow, 10);
  EXPECT_EQ(sel.selectedSubsetArraySize[9], 1);
  EXPECT_EQ(sel.rows[9][0], 1);

  // A click on a row in use makes it current; the current row's thumbnails are red.
  ASSERT_TRUE(click(sel.possibleSubsetArrayRect[3][kRowFrameIndex]));
  EXPECT_EQ(sel.currentRow, 4);
  int red = 0;
  for (const CanvasOp* op : canvas.ofKind(CanvasOp::kFillRect))
    red += op->color == kThumbnailCurrentColor;
  EXPECT_EQ(red, sel.selectedSubsetArraySize[3]);

  // " Clear All " empties the list; its rows no longer take clicks.
  ASSERT_TRUE(clickButton(kSubsetButtonClearAll));
  EXPECT_EQ(sel.rowsInUse, 0);
  EXPECT_FALSE(click(sel.possibleSubsetArrayRect[3][kRowFrameIndex]));
}

TEST_F(SubsetPanel, OkHandsTheSelectionOverOnlyWhenThereIsOne) {
  ASSERT_TRUE(clickButton(kSubsetButtonOk));
  EXPECT_EQ(window.sentCommands, std::vector<int>{kCmdRepaintSubsetList});
  EXPECT_EQ(state.view.dwViewMode, kViewSubsetSelection);

  tupleRecognition();
  ASSERT_TRUE(clickCell(1));
  ASSERT_TRUE(clickButton(kSubsetButtonOk));  // a subset but no list row
  EXPECT_EQ(window.sentCommands, std::vector<int>{kCmdRepaintSubsetList});
  EXPECT_EQ(state.view.dwViewMode, kViewSubsetSelection);

  state.problem.wSeriesType = kSeriesFixedTuples;
  state.problem.wEffectiveTaskType = kTaskTupleDetection;
  paint();
  state.view.dwPendingLost = 1;
  window.clearRecords();
  ASSERT_TRUE(subsetSelectionButtonDown(
      window, state, midX(state.records.selection.ButtonsWhileSelectedSubsetRect[kSubsetButtonOk]),
      midY(state.records.selection.ButtonsWhileSelectedSubsetRect[kSubsetButtonOk])));
  ASSERT_FALSE(window.sentCommands.empty());
  EXPECT_EQ(window.sentCommands.front(), kCmdNewData);
  EXPECT_EQ(state.records.lpSeriesHeader->wSubsetSize, 1);
  EXPECT_EQ(state.records.lpSeriesHeader->lpSubset[0], 2);
  EXPECT_EQ(state.view.dwPendingLost, 0u);
  EXPECT_EQ(state.view.dwViewMode, kViewResults);
}

TEST_F(SubsetPanel, CancelEmptiesTheSubsetAndProcessesNewData) {
  ASSERT_TRUE(clickCell(1));
  state.view.dwPendingNoise = 1;
  window.clearRecords();
  const Rect cancel = state.records.selection.ButtonsWhileSelectedSubsetRect[kSubsetButtonCancel];
  ASSERT_TRUE(subsetSelectionButtonDown(window, state, midX(cancel), midY(cancel)));
  EXPECT_TRUE(subset().empty());
  EXPECT_EQ(state.view.dwPendingNoise, 0u);
  EXPECT_EQ(window.sentCommands.front(), kCmdNewData);
  EXPECT_EQ(state.view.dwViewMode, kViewResults);
}

TEST_F(SubsetPanel, AClickOnNothingOfThePanelIsLeftToTheCaller) {
  window.clearRecords();
  EXPECT_FALSE(subsetSelectionButtonDown(window, state, 1200, 900));
  EXPECT_FALSE(subsetSelectionButtonDown(window, state, 500, 700));
  EXPECT_TRUE(window.sentCommands.empty());
}

TEST_F(SubsetPanel, EntriesBeyondTheVisibleSlotsStillShow) {
  // A series of at most 3 pulses shows 3 grey slots; a subset of 5 still shows all 5.
  ASSERT_NE(state.records.lpSeriesHeader, nullptr);
  state.records.lpSeriesHeader->wMaxPulses = 3;
  for (int k = 0; k < 5; ++k) clickCell(k);
  EXPECT_EQ(subset(), (std::vector<int32_t>{1, 2, 3, 4, 5}));
  int grey = 0;
  for (const CanvasOp* op : canvas.ofKind(CanvasOp::kRectangle))
    grey += op->pen.color == kSubsetSlotColor;
  EXPECT_EQ(grey, 3);
  for (int k = 0; k < 5; ++k) {
    const Rect& slot = state.records.selection.possibleSubsetRect[k];
    const CanvasOp* letter = canvas.findText(std::string(" ") + static_cast<char>('a' + k) + " ");
    ASSERT_NE(letter, nullptr);
    // The first such letter is the cell's; the slot's comes later, inside the slot.
    int inSlot = 0;
    for (const CanvasOp* op : canvas.texts())
      inSlot += op->text == letter->text && containsHalfOpen(slot, op->x1, op->y1);
    EXPECT_EQ(inSlot, 1) << k;
  }
}

TEST_F(SubsetPanel, TinyAreasDrawNothingOutsideTheClientArea) {
  for (bool list : {false, true}) {
    state.problem.wEffectiveTaskType = list ? kTaskTupleRecognition : kTaskRecognition;
    for (Rect area : {Rect{10, 10, 10, 10}, Rect{10, 10, 40, 30}, Rect{10, 10, 200, 90},
                      Rect{10, 10, 420, 300}, Rect{10, 10, 9, 9}}) {
      state.layout.graphArea = area;
      RecordingCanvas tiny(area.right + 11 > 0 ? area.right + 11 : 1, area.bottom + 11);
      paintSubsetSelection(tiny, window, state);
      std::string why;
      EXPECT_TRUE(tiny.allWithin(Rect{0, 0, tiny.width(), tiny.height()}, &why))
          << list << " " << area.right << "x" << area.bottom << ": " << why;
      EXPECT_EQ(tiny.pen(), Pen{});
      EXPECT_EQ(tiny.brush(), Brush{});
    }
  }
}

}  // namespace
}  // namespace velmora::testing
