#include "graphics/params_panel_view.h"

#include <gtest/gtest.h>

#include <cmath>

#include "support/recording_canvas.h"

namespace velmora::testing {
namespace {

// The record the panel opens with for series length n, pulse length size and intervals
// tmin..tmax, with M pulses.
struct Params {
  ParamsHeader p;
  Params(int32_t n, int32_t size, int32_t tmin, int32_t tmax, int32_t pulses) {
    p.dwSeriesSize = n;
    p.dwImpulseSize = size;
    p.dwTmin = p.dwPrevTmin = tmin;
    p.dwTmax = p.dwPrevTmax = tmax;
    p.dwPulses = p.dwPrevPulses = pulses;
    p.dwMaxPulses = (n + tmin - size) / tmin;
    p.dwMinPulses = (n + size - 1) / tmax;
    p.dwFirstTo = p.dwPrevFirstTo = tmax - size;
    p.dwLastFrom = p.dwPrevLastFrom = n - tmax;
    p.dwLastTo = n - size;
    p.dwAreas = p.dwReservedAreas = std::max(p.dwMaxPulses - p.dwMinPulses + 1, 0);
    p.areasBlock.resize(size_t(p.dwAreas));
    p.pulsesSelectedAreas = p.areasBlock.data();
  }
};

// A field of 1700 × 1310 pixels: margins mx = my = 10.
const Rect kField{10, 10, 1709, 1319};
const Rect kFieldBounds{10, 10, 1710, 1320};  // exclusive right and bottom

// x / y rounded half up.
int64_t halfUp(double x) { return static_cast<int64_t>(std::floor(x + 0.5)); }

const CanvasOp* findLine(const RecordingCanvas& c, int32_t x1, int32_t y1, int32_t x2,
                         int32_t y2) {
  for (const CanvasOp* op : c.ofKind(CanvasOp::kLine))
    if (op->x1 == x1 && op->y1 == y1 && op->x2 == x2 && op->y2 == y2) return op;
  return nullptr;
}

TEST(ParamsPanelView, LayoutAndLinesFollowTheMarginsAndTheHalfOrdinalRounding) {
  Params f(600, 20, 40, 181, 8);  // Mmin 3, Mmax 15, a+ 161, b- 419, b 580
  RecordingCanvas c(1800, 1400);
  const ParamsPanelLayout L = layoutParamsPanel(c, f.p, kField, ParamsPanelMetrics{15, 8});
  // Buttons 64 + 32 wide and 29 high; graph frame less 10 on three sides and 30 + 29 at
  // the bottom; inner frame a quarter and an eighth in; plot right of the text "580".
  EXPECT_EQ(L.graphFrame, (Rect{20, 20, 1699, 1260}));
  EXPECT_EQ(L.innerFrame, (Rect{440, 175, 1689, 1250}));
  EXPECT_EQ(L.scale.x0, 484);
  EXPECT_EQ(L.scale.yt, 225);
  EXPECT_EQ(L.scale.xr, 1639);
  EXPECT_EQ(L.scale.yb, 1205);
  EXPECT_EQ(L.cancelButton, (Rect{20, 1271, 116, 1300}));
  EXPECT_EQ(L.okButton, (Rect{132, 1271, 228, 1300}));
  EXPECT_EQ(L.editBox, (Rect{78, 1233, 118, 1250}));  // " Tmin " 48 wide, " 9999" 40

  drawParamsPanel(c, f.p, L, false, "40");
  const int32_t W = 1156, H = 981, x0 = 484, yb = 1205;
  auto x = [&](int k) { return x0 + (k - 1) * W / 14; };
  auto y = [&](int v) { return yb - v * H / 580; };
  EXPECT_NE(findLine(c, x(1), y(580), x(8), y(580)), nullptr) << "top line";
  EXPECT_NE(findLine(c, x(8), y(0), x(8), y(580)), nullptr) << "vertical line at M";
  const CanvasOp* bound = findLine(c, x0 - 5, y(161), x(8) + 10, y(161));
  ASSERT_NE(bound, nullptr) << "a+ bound";
  EXPECT_EQ(bound->pen.style, PenStyle::kDot);

  // The Tmax line from ordinal 1/2 to e1 / 2 with e1 = 841 / 141 - 1 = 4; the Tmin line
  // from ordinal 3/2 to M + 1/2, each end rounded half up.
  auto hx = [&](double k) { return int32_t(x0 + halfUp((k - 1) * W / 14)); };
  auto hy = [&](double v) { return int32_t(yb - halfUp(v * H / 580)); };
  EXPECT_NE(findLine(c, hx(0.5), hy(161 - 90.5), hx(2), hy(161 + 181)), nullptr);
  EXPECT_NE(findLine(c, hx(1.5), hy(580 - 6.5 * 40), hx(8.5), hy(580 + 20)), nullptr);
  EXPECT_EQ(L.current.tmin, (LineEnds{hx(1.5), hy(320), hx(8.5), hy(600)}));
  EXPECT_TRUE(c.allWithin(kFieldBounds));
}

TEST(ParamsPanelView, TextBlockShowsTheValuesAndTheAdmittedCounts) {
  Params f(600, 20, 40, 181, 8);
  f.p.dwPrevTmin = 35;
  RecordingCanvas c(1800, 1400);
  const ParamsPanelLayout L = layoutParamsPanel(c, f.p, kField, ParamsPanelMetrics{15, 8});
  drawParamsPanel(c, f.p, L, false, "40");
  // Labels end where " pulses = " ends; the values follow.
  const int32_t x = 30, valueX = 30 + 80, top = 50;
  auto at = [&](const std::string& text, int32_t tx, int32_t ty) {
    const CanvasOp* op = c.findText(text);
    ASSERT_NE(op, nullptr) << text;
    EXPECT_EQ(op->text, text);
    EXPECT_EQ(op->x1, tx) << text;
    EXPECT_EQ(op->y1, ty) << text;
  };
  at(" h = 6", x, top + 15);
  at(" w 1156, h 981", x, top + 45);
  at(" a   = ", valueX - 56, top + 75);
  at("161     ", valueX, top + 90);
  at("40 [35]    ", valueX, top + 150);
  at(" pulses = ", x, top + 180);
  // Least count with every interval Tmax: (419 + 181 - 161 - 1) / 181 + 1 = 3; greatest
  // with every interval Tmin: 580 / 40 + 1 = 15.
  at("3 [3]     ", valueX, top + 195);
  at("15 [15]     ", valueX, top + 210);
}

TEST(ParamsPanelView, PartialDrawingErasesNothingAndGreysWhatMoved) {
  Params f(600, 20, 40, 181, 8);
  RecordingCanvas full(1800, 1400);
  ParamsPanelLayout L = layoutParamsPanel(full, f.p, kField, ParamsPanelMetrics{15, 8});
  drawParamsPanel(full, f.p, L, false, "40");
  ASSERT_FALSE(full.ofKind(CanvasOp::kFillRect).empty());
  EXPECT_EQ(full.ofKind(CanvasOp::kFillRect).front()->color, kParamsPanelBackground);

  f.p.dwFirstTo = 300;
  RecordingCanvas partial(1800, 1400);
  L = layoutParamsPanel(partial, f.p, kField, ParamsPanelMetrics{15, 8});
  drawParamsPanel(partial, f.p, L, true, "40");
  for (const CanvasOp* op : partial.ofKind(CanvasOp::kFillRect))
    EXPECT_NE(op->x1, kField.left) << "a partial drawing fills nothing of the field";
  const LineEnds& old = L.previous.firstTo;
  const CanvasOp* grey = findLine(partial, old.x1, old.y1, old.x2, old.y2);
  ASSERT_NE(grey, nullptr);
  bool greyDotted = false;
  for (const CanvasOp* op : partial.ofKind(CanvasOp::kLine))
    greyDotted |= op->x1 == old.x1 && op->y1 == old.y1 && op->pen.style == PenStyle::kDot &&
                  op->pen.color == kParamsPanelPreviousGrey;
  EXPECT_TRUE(greyDotted);
  EXPECT_NE(L.current.firstTo.y1, old.y1);
}

TEST(ParamsPanelView, LineToleranceRoundsTheLineHeightHalfUp) {
  const LineEnds l{0, 10, 4, 0};
  // At x = 1 the line lies 7.5 above y2: rounded half up to 8.
  EXPECT_TRUE(withinLineTolerance(l, 0, 1, 8));
  EXPECT_FALSE(withinLineTolerance(l, 0, 1, 7));
  EXPECT_TRUE(withinLineTolerance(l, 2, 1, 10));
  EXPECT_FALSE(withinLineTolerance(l, 2, 1, 11));
  EXPECT_TRUE(withinLineTolerance(l, 2, 4, 2));   // right end
  EXPECT_FALSE(withinLineTolerance(l, 2, 5, 0));  // beyond the ends
  EXPECT_FALSE(withinLineTolerance(l, 2, -1, 10));
  // A line one pixel wide is tested over its height.
  EXPECT_TRUE(withinLineTolerance(LineEnds{3, 10, 3, 0}, 1, 3, 11));
  EXPECT_FALSE(withinLineTolerance(LineEnds{3, 10, 3, 0}, 1, 3, 12));
}

TEST(ParamsPanelView, SmallFieldsAndOnePulseSeriesStayInsideTheField) {
  // Room for one pulse only (Mmax = 1), no pulses, and an ordinary series.
  for (auto [n, tmin, pulses] : {std::tuple{60, 50, 1}, std::tuple{600, 40, 0},
                                 std::tuple{1200, 40, 18}}) {
    for (auto [w, h] : {std::pair{0, 0}, std::pair{1, 1}, std::pair{7, 5}, std::pair{60, 40},
                        std::pair{170, 131}, std::pair{400, 120}, std::pair{900, 700}}) {
      Params f(n, 20, tmin, 181, pulses);
      f.p.dwPrevPulses = pulses + 3;  // draws the previous values too
      const Rect field{5, 7, 5 + w - 1, 7 + h - 1};
      RecordingCanvas c(1000, 800);
      const ParamsPanelLayout L = layoutParamsPanel(c, f.p, field, ParamsPanelMetrics{15, 8});
      drawParamsPanel(c, f.p, L, false, "12345678901234567890");
      std::string why;
      EXPECT_TRUE(c.allWithin(Rect{5, 7, 5 + w, 7 + h}, &why))
          << n << " in " << w << "x" << h << ": " << why;
      storeParamsPanelGeometry(L, f.p);
      if (!L.plotShown) {
        EXPECT_EQ(f.p.dwTminTolerance, 0);
        EXPECT_EQ(f.p.firstToHandle.right, 0);
      }
    }
  }
}

}  // namespace
}  // namespace velmora::testing
