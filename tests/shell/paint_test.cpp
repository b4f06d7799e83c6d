#include "shell/paint.h"

#include <gtest/gtest.h>

#include <array>

#include "graphics/raster_canvas.h"
#include "shell/commands.h"
#include "shell/layout.h"
#include "shell_fixture.h"
#include "support/recording_canvas.h"

namespace velmora::testing {
namespace {

class Paint : public ShellTest {
 protected:
  // Gives each face a width of its own, so that a drawn image tells which face it is.
  void SetUp() override {
    ShellTest::SetUp();
    for (int b = 0; b < 5; ++b) state.buttonFaces[b] = Image(kBitmapIds[b] - 60, 32);
  }
  RecordingCanvas paintAt(int32_t w, int32_t h) {
    RecordingCanvas canvas(w, h);
    paint(canvas, window, state, Rect{0, 0, w, h});
    return canvas;
  }
  // The faces drawn, as (id, left, top).
  static std::vector<std::array<int32_t, 3>> faces(const RecordingCanvas& c) {
    std::vector<std::array<int32_t, 3>> out;
    for (const CanvasOp* op : c.ofKind(CanvasOp::kImage))
      out.push_back({op->x2 - op->x1 + 60, op->x1, op->y1});
    return out;
  }
};

TEST_F(Paint, TheViewModeDecidesViewAndButtons) {
  RecordingCanvas alphabet = paintAt(1280, 800);
  EXPECT_NE(alphabet.findText(" pulse 20 ["), nullptr);
  // Start, Exit and the all/none button in its clear-all face (all etalons flagged).
  using F = std::array<int32_t, 3>;
  EXPECT_EQ(faces(alphabet), (std::vector<F>{{101, 1126, 716}, {102, 1126, 758},
                                             {108, 1126, 674}}));
  for (const char* title : {" series length: ", " noise level: ", " lost data level: "})
    EXPECT_NE(alphabet.findText(title), nullptr) << title;
  // The window font was selected for the paint and is given back.
  EXPECT_EQ(alphabet.texts().front()->font, FontSpec{});

  state.view.dwViewMode = kViewResults;
  RecordingCanvas results = paintAt(1280, 800);
  EXPECT_EQ(results.findText(" pulse "), nullptr);
  EXPECT_EQ(faces(results), (std::vector<F>{{103, 1126, 632}, {101, 1126, 716},
                                            {102, 1126, 758}, {108, 1126, 674}}));

  // Detection has no all/none button; a view mode without a view draws only selectors.
  command(kCmdDetection);
  state.view.dwViewMode = kViewAlphabet;
  EXPECT_EQ(faces(paintAt(1280, 800)), (std::vector<F>{{101, 1126, 716}, {102, 1126, 758}}));
  state.view.dwViewMode = 7;
  RecordingCanvas none = paintAt(1280, 800);
  EXPECT_TRUE(faces(none).empty());
  EXPECT_EQ(none.findText(" pulse "), nullptr);
  EXPECT_NE(none.findText(" noise level: "), nullptr);

  // The lost-data selector is drawn for cut-off series only.
  command(kCmdUnfixedWhole);
  EXPECT_EQ(paintAt(1280, 800).findText(" lost data level: "), nullptr);
  EXPECT_EQ(state.layout.lostSelector, kNoRect);
  EXPECT_TRUE(state.layout.lostValues.empty());
  command(kCmdUnfixedCutoffs);
  EXPECT_NE(paintAt(1280, 800).findText(" lost data level: "), nullptr);
}

TEST_F(Paint, TheAllNoneFaceFollowsTheHalfRule) {
  for (int e = 0; e < 20; ++e) state.etalons.requiredFlags[e] = e < 10 ? 1 : 0;
  EXPECT_EQ(faces(paintAt(1280, 800)).back()[0], kBitmapSelectAll);
  state.etalons.requiredFlags[10] = 1;
  EXPECT_EQ(faces(paintAt(1280, 800)).back()[0], kBitmapClearAll);
}

TEST_F(Paint, PaintingTheResultsClearsTheTypeMoreDetailsFlag) {
  command(kCmdTypeMoreDetails);
  ASSERT_EQ(state.flags.dwTypeMoreDetails, 1u);
  paintAt(1280, 800);  // the alphabet keeps it
  EXPECT_EQ(state.flags.dwTypeMoreDetails, 1u);
  state.view.dwViewMode = kViewResults;
  paintAt(1280, 800);
  EXPECT_EQ(state.flags.dwTypeMoreDetails, 0u);
}

TEST_F(Paint, SelectorsShowTheChoiceAndTheCurrentSeries) {
  RecordingCanvas canvas = paintAt(1280, 800);
  // Series length 1200 is chosen and current: its disc is black in the third row.
  ASSERT_EQ(state.layout.seriesLengthValues.size(), 3u);
  const Rect chosen = state.layout.seriesLengthValues[2];
  bool black = false;
  for (const CanvasOp* e : canvas.ofKind(CanvasOp::kEllipse))
    if (e->x1 == chosen.left + 2 && e->y1 == chosen.top + 2) black = e->brush.color == kBlack;
  EXPECT_TRUE(black);
  EXPECT_NE(canvas.findText("  1200 "), nullptr);
}

TEST_F(Paint, TinyAndHugeClientsDrawWithinTheClient) {
  for (uint32_t view : {kViewAlphabet, kViewResults, kViewSubsetSelection, kViewSeriesParameters}) {
    state.view.dwViewMode = view;
    for (auto [w, h] : {std::pair{0, 0}, {1, 1}, {120, 90}, {300, 200}, {16384, 16384},
                        {16384, 40}, {40, 16384}}) {
      RecordingCanvas canvas = paintAt(w, h);
      std::string why;
      EXPECT_TRUE(canvas.allWithin(Rect{0, 0, w, h}, &why)) << view << " " << w << "x" << h
                                                            << ": " << why;
    }
  }
  // A huge client still shows every cell and selector.
  state.view.dwViewMode = kViewAlphabet;
  RecordingCanvas huge = paintAt(16384, 16384);
  EXPECT_NE(huge.findText(" pulse 20 ["), nullptr);
  EXPECT_NE(huge.findText(" lost data level: "), nullptr);
}

// The window keeps its picture between repaints: it erases what was asked to be erased
// and paints over the rest. What it then shows must be what a fresh paint shows.
class KeptPicture : public ShellTest {
 protected:
  static constexpr int32_t kW = 1280, kH = 800;
  // As the window does: nothing is painted unless something was asked to be.
  void repaint(bool first = false) {
    if (window.invalidations.empty() && !first) return;
    for (const RecordedInvalidation& inv : window.invalidations)
      if (inv.erase) kept.fillRect(inv.whole ? Rect{0, 0, kW, kH} : inv.rect, kWindowBackground);
    window.clearRecords();
    paint(kept, window, state, Rect{0, 0, kW, kH});
  }
  std::vector<uint32_t> fresh() {
    RasterCanvas canvas(kW, kH);
    paint(canvas, window, state, Rect{0, 0, kW, kH});
    return canvas.image().pixels;
  }
  RasterCanvas kept{kW, kH};
};

TEST_F(KeptPicture, AMovedButtonAndALeftViewLeaveNothingBehind) {
  repaint(true);
  command(kCmdProcessNext);
  repaint();
  const Rect back = state.layout.resultsSlot;
  // Repeat Detection from recognition results: the all/none button goes, and the Back
  // button moves down into its place.
  command(kCmdRepeatDetection);
  repaint();
  ASSERT_NE(state.layout.resultsSlot, back);
  EXPECT_TRUE(kept.image().pixels == fresh());

  // From the results to the alphabet and back.
  state.view.dwViewMode = kViewAlphabet;
  window.invalidateRect(&state.layout.graphArea, true);
  repaint();
  EXPECT_TRUE(kept.image().pixels == fresh());
  command(kCmdProcessNext);
  repaint();
  EXPECT_TRUE(kept.image().pixels == fresh());
}

TEST_F(KeptPicture, MenuCommandsThatChangeTheWindowRepaintIt) {
  repaint(true);
  command(kCmdNewPulses);  // the dialog is accepted as it opens
  EXPECT_TRUE(!window.invalidations.empty() && window.invalidations.back().whole);
  repaint();
  command(kCmdFixedTuples);  // the lost-data selector goes
  repaint();
  EXPECT_TRUE(kept.image().pixels == fresh());
  command(kCmdDetection);  // and so does the all/none button
  repaint();
  EXPECT_TRUE(kept.image().pixels == fresh());
  command(kCmdDrawingSettings);
  EXPECT_TRUE(!window.invalidations.empty() && window.invalidations.back().whole);
}

// The Tmin edit control goes with the parameters panel, whatever view follows it.
TEST_F(Paint, TheTminEditControlGoesWithTheParametersPanel) {
  command(kCmdViewSeriesParameters);
  paintAt(1280, 800);
  ASSERT_GT(window.editGeometry.right, 0);  // shown, with its width
  command(kCmdProcessNext);  // as Start or a shortcut would
  EXPECT_EQ(state.view.dwViewMode, kViewResults);
  paintAt(1280, 800);
  EXPECT_EQ(window.editGeometry, (Rect{0, 0, 0, 0}));

  command(kCmdViewSeriesParameters);
  paintAt(1280, 800);
  state.view.dwViewMode = kViewAlphabet;  // Back
  paintAt(1280, 800);
  EXPECT_EQ(window.editGeometry, (Rect{0, 0, 0, 0}));
}

}  // namespace
}  // namespace velmora::testing
