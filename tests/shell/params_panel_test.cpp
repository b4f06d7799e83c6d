#include "shell/params_panel.h"

#include <algorithm>
#include <vector>

#include "shell_fixture.h"
#include "support/recording_canvas.h"

namespace velmora::testing {
namespace {

// The default series: 1200 samples, pulses of 20, Tmin 40, Tmax 181, 18 pulses; so
// a+ = 161, b- = 1019, b = 1180, Mmin 6, Mmax 30.
class ParamsPanelTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    state.layout.graphArea = Rect{10, 10, 1709, 1319};
    command(kCmdViewSeriesParameters);
    ASSERT_NE(state.records.lpParamsHeader, nullptr);
    paint();
    window.clearRecords();
  }
  void paint() {
    RecordingCanvas canvas(1800, 1400);
    paintSeriesParameters(canvas, window, state);
  }
  ParamsHeader& p() { return *state.records.lpParamsHeader; }
  bool down(int32_t x, int32_t y) { return seriesParametersButtonDown(window, state, x, y); }
  void move(int32_t x, int32_t y) { seriesParametersMouseMove(window, state, x, y); }
  void up(int32_t x, int32_t y) { seriesParametersButtonUp(window, state, x, y); }
  static int32_t midX(const CellRect& r) { return (r.left + r.right) / 2; }
  static int32_t midY(const CellRect& r) { return (r.top + r.bottom) / 2; }
  int32_t xAt(int32_t k) {
    return p().dwPlotLeft + (k - 1) * (p().dwPlotRight - p().dwPlotLeft + 1) / 29;
  }
  int32_t yAt(int32_t v) {
    return p().dwPlotBottom - v * (p().dwPlotBottom - p().dwPlotTop + 1) / 1180;
  }
  bool sent(int id) const {
    return std::count(window.sentCommands.begin(), window.sentCommands.end(), id) > 0;
  }
};

TEST_F(ParamsPanelTest, OkWithAnUnchangedEditBoxStoresTheSameTminAndBuildsANewSeries) {
  ASSERT_EQ(window.editText(), "40");
  const SeriesHeader& series = *state.records.lpSeriesHeader;
  const std::vector<int16_t> before(series.lpNoisyData, series.lpNoisyData + 1200);
  state.view.dwPendingLost = 1;
  EXPECT_TRUE(down(midX(p().okButton), midY(p().okButton)));
  EXPECT_EQ(state.series.wTmin, 40);
  EXPECT_TRUE(sent(kCmdNewData));
  EXPECT_EQ(state.view.dwViewMode, kViewResults);
  EXPECT_EQ(state.view.dwPendingLost, 0u);
  EXPECT_EQ(window.editGeometry, (Rect{0, 1000, 0, 0}));
  const SeriesHeader& now = *state.records.lpSeriesHeader;
  EXPECT_NE(std::vector<int16_t>(now.lpNoisyData, now.lpNoisyData + 1200), before);
}

TEST_F(ParamsPanelTest, OkRefusesATminTheSeriesCannotTakeAndCancelKeepsTmin) {
  for (const char* text : {"0", "abc", "182", "70000"}) {
    window.setEditText(text);
    EXPECT_TRUE(down(midX(p().okButton), midY(p().okButton)));
    EXPECT_EQ(state.series.wTmin, 40) << text;
    EXPECT_EQ(state.view.dwViewMode, kViewSeriesParameters);
  }
  EXPECT_EQ(window.messages.size(), 4u);
  EXPECT_TRUE(window.sentCommands.empty());

  window.setEditText("55");
  state.view.dwPendingNoise = state.view.dwPendingSeriesLength = 1;
  EXPECT_TRUE(down(midX(p().cancelButton), midY(p().cancelButton)));
  EXPECT_EQ(state.series.wTmin, 40);
  EXPECT_EQ(window.editGeometry, (Rect{0, 0, 0, 0}));
  EXPECT_EQ(state.view.dwPendingNoise + state.view.dwPendingSeriesLength, 0u);
  EXPECT_TRUE(sent(kCmdNewData));
}

TEST_F(ParamsPanelTest, TupleSeriesWithoutASubsetGoToTheSelection) {
  state.problem.wSeriesType = kSeriesFixedTuples;
  EXPECT_TRUE(down(midX(p().cancelButton), midY(p().cancelButton)));
  EXPECT_EQ(state.view.dwViewMode, kViewSubsetSelection);
  EXPECT_TRUE(sent(kCmdSelectSubset));
  EXPECT_FALSE(sent(kCmdNewData));
}

TEST_F(ParamsPanelTest, PulseCountCellSetsMAndAsksForAPartialRepaint) {
  const CellRect cell = p().pulsesSelectedAreas[4];
  EXPECT_TRUE(down(midX(cell), midY(cell)));
  EXPECT_EQ(p().dwPulses, 10);
  EXPECT_EQ(p().dwPartialRepaint, 1);
  ASSERT_EQ(window.sentCommands, std::vector<int>{kCmdRepaintGraph});
  EXPECT_FALSE(window.invalidations.back().erase);
  paint();
  EXPECT_EQ(p().dwPrevPulses, 10);
  EXPECT_EQ(p().dwPartialRepaint, 0);
  EXPECT_EQ(window.editGeometry.right, 40);  // " 9999" at 8 pixels a character
  EXPECT_FALSE(down(12, 12)) << "the field's corner is nothing of the panel";
}

TEST_F(ParamsPanelTest, ReopenedPanelKeepsNoPartialRepaintOrDragFromBefore) {
  p().dwPartialRepaint = 1;
  p().dwDragTmin = 1;
  command(kCmdViewSeriesParameters);
  EXPECT_EQ(p().dwPartialRepaint, 0);
  EXPECT_EQ(p().dwDragTmin, 0);
}

TEST_F(ParamsPanelTest, HoverCapturesTheMouseWithTheCursorOfThePart) {
  move(midX(p().firstToHandle), midY(p().firstToHandle));
  EXPECT_TRUE(window.captured);
  EXPECT_EQ(window.cursor, Cursor::kSizeNS);
  const LineEnds& l = p().tmaxLine;
  move(l.x1, l.y1);
  EXPECT_TRUE(window.captured);
  EXPECT_EQ(window.cursor, Cursor::kSizeNWSE);
  move(12, 12);
  EXPECT_FALSE(window.captured);
  EXPECT_EQ(window.cursor, Cursor::kArrow);
}

TEST_F(ParamsPanelTest, BoundDragFollowsThePointerWithinTheAxis) {
  ASSERT_TRUE(down(midX(p().firstToHandle), midY(p().firstToHandle)));
  const int32_t h = p().dwPlotBottom - p().dwPlotTop + 1;
  move(500, p().dwPlotBottom - 100);
  EXPECT_EQ(p().dwFirstTo, 100 * 1180 / h);
  EXPECT_EQ(p().dwPartialRepaint, 1);
  move(500, -500);
  EXPECT_EQ(p().dwFirstTo, 1180);
  up(500, p().dwPlotBottom + 50);
  EXPECT_EQ(p().dwFirstTo, 0);
  EXPECT_EQ(p().dwDragFirstTo, 0);
  EXPECT_EQ(window.sentCommands.back(), kCmdRepaintGraph);
}

TEST_F(ParamsPanelTest, TminDragEndsBelowThePulseLengthOrAboveTmax) {
  const LineEnds& l = p().tminLine;
  const int32_t x = (l.x1 + l.x2) / 2, y = (l.y1 + l.y2) / 2;
  // Pointed on the line for Tmin 50 at ordinal 16, the drag takes about 50.
  ASSERT_TRUE(down(x, y));
  move(xAt(16), yAt(1180 - 2 * 50));
  EXPECT_NEAR(p().dwTmin, 50, 1);
  const int32_t taken = p().dwTmin;
  window.clearRecords();
  // At the top of the plot the candidate is 0, under the pulse length.
  move(xAt(16), p().dwPlotTop);
  EXPECT_EQ(p().dwDragTmin, 0);
  EXPECT_EQ(p().dwTmin, taken);
  EXPECT_TRUE(window.sentCommands.empty());
  // Just left of ordinal M at the bottom, far above Tmax.
  ASSERT_TRUE(down(x, y));
  ASSERT_EQ(p().dwDragTmin, 1);
  EXPECT_GT(paramsTminCandidate(p(), xAt(18) - 1, p().dwPlotBottom), 181);
  move(xAt(18) - 1, p().dwPlotBottom);
  EXPECT_EQ(p().dwDragTmin, 0);
  EXPECT_EQ(p().dwTmin, taken);
}

// Each admissibility limit taken exactly, and one step beyond it. With M = 18, a+ = 161,
// b- = 1019 and b - a = 1180: Tmax needs ceil(858 / Tmax) + 1 <= 18, so 51 and not 50;
// Tmin needs 1180 / Tmin + 1 >= 18, so 69 and not 70.
TEST_F(ParamsPanelTest, AdmissibilityHoldsExactlyAtEachLimit) {
  ASSERT_EQ(p().dwPulses, 18);
  ASSERT_EQ(p().dwTmin, 40);
  EXPECT_TRUE(paramsTmaxAdmissible(p(), 51));
  EXPECT_FALSE(paramsTmaxAdmissible(p(), 50));
  EXPECT_TRUE(paramsTmaxAdmissible(p(), 1019));  // b-
  EXPECT_FALSE(paramsTmaxAdmissible(p(), 1020));
  p().dwPulses = 22;  // ceil(858 / 41) + 1 = 22 pulses let Tmax come down to Tmin + 1
  EXPECT_TRUE(paramsTmaxAdmissible(p(), 41));
  EXPECT_FALSE(paramsTmaxAdmissible(p(), 40));
  p().dwPulses = 18;

  EXPECT_TRUE(paramsTminAdmissible(p(), 20));  // the pulse length
  EXPECT_FALSE(paramsTminAdmissible(p(), 19));
  EXPECT_TRUE(paramsTminAdmissible(p(), 69));
  EXPECT_FALSE(paramsTminAdmissible(p(), 70));
  p().dwTmax = 60;
  EXPECT_TRUE(paramsTminAdmissible(p(), 60));  // Tmin may reach Tmax
  EXPECT_FALSE(paramsTminAdmissible(p(), 61));
}

TEST_F(ParamsPanelTest, TmaxCandidateIsZeroLeftOfThePlotAndInvertsTheLine) {
  EXPECT_EQ(paramsTmaxCandidate(p(), p().dwPlotLeft - 1, 500), 0);
  EXPECT_EQ(paramsTmaxCandidate(p(), p().dwPlotLeft, 500), 0);
  EXPECT_FALSE(paramsTmaxAdmissible(p(), 0));
  EXPECT_NEAR(paramsTmaxCandidate(p(), xAt(4), yAt(161 + 3 * 181)), 181, 1);
  EXPECT_FALSE(paramsTmaxAdmissible(p(), 40)) << "not above Tmin";
  EXPECT_FALSE(paramsTmaxAdmissible(p(), 1020)) << "above b-";
  EXPECT_TRUE(paramsTmaxAdmissible(p(), 200));
}

TEST(ParamsPanelCandidates, LongSeriesOnALargePlotDoNotOverflow) {
  // 32767 samples, pulses of 20, Tmin 20, Tmax 30: Mmax 1638, a+ 10, b 32747, on a plot
  // of 3800 × 2800 pixels, where the products pass 2^31.
  ParamsHeader p;
  p.dwImpulseSize = 20;
  p.dwTmin = 20;
  p.dwTmax = 30;
  p.dwPulses = 1500;
  p.dwMaxPulses = 1638;
  p.dwFirstTo = 10;
  p.dwLastFrom = 32737;
  p.dwLastTo = 32747;
  p.dwPlotLeft = 100;
  p.dwPlotTop = 50;
  p.dwPlotRight = 3899;
  p.dwPlotBottom = 2849;
  auto x = [&](int64_t k) { return int32_t(100 + (k - 1) * 3800 / 1637); };
  auto y = [&](int64_t v) { return int32_t(2849 - v * 2800 / 32747); };
  EXPECT_NEAR(paramsTmaxCandidate(p, x(1001), y(10 + 1000 * 30)), 30, 1);
  EXPECT_NEAR(paramsTminCandidate(p, x(500), y(32747 - 1000 * 20)), 20, 1);
}

}  // namespace
}  // namespace velmora::testing
