#include "graphics/alphabet_view.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "graphics/raster_canvas.h"
#include "graphics/value_selector.h"
#include "support/recording_canvas.h"

namespace velmora::testing {
namespace {

void setPulse(PulseHeader& p, uint16_t number, std::vector<int16_t> samples) {
  p.storage = std::move(samples);
  p.wSize = p.wReservedSize = static_cast<uint16_t>(p.storage.size());
  p.wNumber = number;
  p.lpData = p.storage.empty() ? nullptr : p.storage.data();
}

std::vector<const CanvasOp*> linesWithPen(const RecordingCanvas& c, Color colour) {
  std::vector<const CanvasOp*> out;
  for (const CanvasOp* op : c.ofKind(CanvasOp::kLine))
    if (op->pen.color == colour) out.push_back(op);
  return out;
}

// Two cells of 100 × 80 at (20, 20) and (130, 20); line height 15.
struct TwoCells {
  PulseHeader alphabet[2];
  Rect cells[2] = {{20, 20, 119, 99}, {130, 20, 229, 99}};
  uint16_t flags[2] = {1, 0};
  AlphabetViewInputs in;
  TwoCells() {
    setPulse(alphabet[0], 1, {0, 128, -128, 64});
    setPulse(alphabet[1], 2, {10, 20, 30, 40});
    in.graphArea = Rect{10, 10, 239, 109};
    in.cells = cells;
    in.cellWidth = 100;
    in.cellHeight = 80;
    in.alphabet = alphabet;
    in.count = 2;
    in.requiredFlags = flags;
    in.amplitude = 128;
    in.lineHeight = 15;
    in.clip = Rect{0, 0, 400, 300};
  }
};

TEST(AlphabetView, DrawsEachEtalonByTheRules) {
  TwoCells t;
  RecordingCanvas canvas;
  drawAlphabetView(canvas, t.in);

  // The graph area is framed by four lines round its edges.
  const auto lines = canvas.ofKind(CanvasOp::kLine);
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ((Rect{lines[0]->x1, lines[0]->y1, lines[0]->x2, lines[0]->y2}), (Rect{10, 10, 239, 10}));
  EXPECT_EQ((Rect{lines[3]->x1, lines[3]->y1, lines[3]->x2, lines[3]->y2}), (Rect{10, 109, 10, 10}));

  // The label with the number and the energy at (cx + 5, cy + 5).
  const CanvasOp* label = canvas.findText(" pulse 1 [");
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->text, " pulse 1 [36864]");  // 0 + 128² + 128² + 64²
  EXPECT_EQ(label->x1, 25);
  EXPECT_EQ(label->y1, 25);
  EXPECT_EQ(canvas.findText(" pulse 2 [")->text, " pulse 2 [3000]");

  // Plot of cell 0: x = 25, y = 40, w = 90, h = 80 − 10 − 15 = 55; axis and zero line.
  EXPECT_EQ((Rect{lines[4]->x1, lines[4]->y1, lines[4]->x2, lines[4]->y2}), (Rect{25, 40, 25, 95}));
  EXPECT_EQ((Rect{lines[5]->x1, lines[5]->y1, lines[5]->x2, lines[5]->y2}), (Rect{25, 67, 114, 67}));

  // The required etalon's curve in pure blue, three strokes of n + 1 segments each:
  // from the zero line through x + j × 84 / 3, y + 55 − (s + 128) × 55 / 256, and back.
  const auto blue = linesWithPen(canvas, kRequiredCurve);
  ASSERT_EQ(blue.size(), 15u);
  const int32_t xs[4] = {25, 53, 81, 109};
  const int32_t ys[4] = {68, 40, 95, 54};
  for (int stroke = 0; stroke < 3; ++stroke) {
    const int32_t dx = stroke == 1 ? 1 : 0, dy = stroke == 2 ? -1 : 0;
    const CanvasOp* const* s = &blue[static_cast<size_t>(stroke) * 5];
    EXPECT_EQ(s[0]->x1, 25 + dx);
    EXPECT_EQ(s[0]->y1, 67 + dy);
    for (int j = 0; j < 4; ++j) {
      EXPECT_EQ(s[j]->x2, xs[j] + dx) << stroke << " " << j;
      EXPECT_EQ(s[j]->y2, ys[j] + dy) << stroke << " " << j;
    }
    EXPECT_EQ(s[4]->x2, 109 + dx);
    EXPECT_EQ(s[4]->y2, 67 + dy);
  }
  EXPECT_EQ(linesWithPen(canvas, kOtherCurve).size(), 15u);

  // Frames: three grey rectangles round the required cell, one darker round the other,
  // none of them filled.
  const auto rects = canvas.ofKind(CanvasOp::kRectangle);
  ASSERT_EQ(rects.size(), 4u);
  const Rect expected[4] = {{20, 20, 120, 100}, {21, 21, 119, 99}, {19, 19, 121, 101},
                            {130, 20, 230, 100}};
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ((Rect{rects[k]->x1, rects[k]->y1, rects[k]->x2, rects[k]->y2}), expected[k]);
    EXPECT_EQ(rects[k]->pen.color, k < 3 ? kRequiredFrame : kOtherFrame);
    EXPECT_TRUE(rects[k]->brush.hollow);
  }
  // The pen and brush are given back.
  EXPECT_EQ(canvas.pen(), Pen{});
  EXPECT_EQ(canvas.brush(), Brush{});
}

// Samples beyond the amplitude are drawn where the rules put them and cut off at the cell
// frame, not held at the plot's edge.
TEST(AlphabetView, CurvesBeyondTheAmplitudeAreCutAtTheCellFrame) {
  TwoCells t;
  setPulse(t.alphabet[0], 1, {0, 400, -400, 0});
  RasterCanvas drawn(400, 300);
  drawAlphabetView(drawn, t.in);
  // The three strokes alone, on a surface without frames or clip.
  RasterCanvas free(400, 300);
  free.setPen(Pen{kRequiredCurve});
  std::vector<CurvePoint> points(4);
  curvePoints(t.alphabet[0], 128, 25, 40, 90, 55, points.data());
  for (const auto& d : {std::pair{0, 0}, std::pair{1, 0}, std::pair{0, -1}}) {
    free.moveTo(25 + d.first, 67 + d.second);
    for (const CurvePoint& p : points) free.lineTo(p.x + d.first, p.y + d.second);
    free.lineTo(points.back().x + d.first, 67 + d.second);
  }
  int inside = 0;
  for (int y = 0; y < 300; ++y) {
    for (int x = 0; x < 400; ++x) {
      const bool blue = drawn.getPixel(x, y) == kRequiredCurve;
      if (x >= 22 && x < 118 && y >= 22 && y < 98) {  // within the cell's frames
        EXPECT_EQ(blue, free.getPixel(x, y) == kRequiredCurve) << x << "," << y;
        inside += blue;
      } else if (x < 19 || x >= 121 || y < 19 || y >= 101) {
        EXPECT_FALSE(blue) << x << "," << y;
      }
    }
  }
  // The stroke up to 400 reaches the top frame: blue right under it.
  EXPECT_GT(inside, 0);
  bool underTop = false;
  for (int x = 22; x < 118; ++x) underTop = underTop || drawn.getPixel(x, 22) == kRequiredCurve;
  EXPECT_TRUE(underTop);
}

TEST(AlphabetView, DegenerateEtalonsAndCellsDrawWithoutFailing) {
  // A single sample has no spacing: it is drawn at the plot's left edge.
  TwoCells t;
  setPulse(t.alphabet[0], 1, {128});
  setPulse(t.alphabet[1], 2, {});  // no samples at all: no curve
  RecordingCanvas canvas;
  drawAlphabetView(canvas, t.in);
  const auto blue = linesWithPen(canvas, kRequiredCurve);
  ASSERT_EQ(blue.size(), 6u);
  EXPECT_EQ(blue[0]->x2, 25);
  EXPECT_EQ(blue[0]->y2, 40);
  EXPECT_EQ(blue[1]->x2, 25);
  EXPECT_EQ(blue[1]->y2, 67);
  EXPECT_TRUE(linesWithPen(canvas, kOtherCurve).empty());
  EXPECT_NE(canvas.findText(" pulse 2 [0]"), nullptr);

  // Cells too small for a plot keep their frames; cells that leave the clip are skipped.
  t.in.cellWidth = 12;
  t.in.cellHeight = 12;
  RecordingCanvas small;
  drawAlphabetView(small, t.in);
  EXPECT_TRUE(linesWithPen(small, kRequiredCurve).empty());
  EXPECT_EQ(small.ofKind(CanvasOp::kRectangle).size(), 4u);
  t.in.clip = Rect{0, 0, 100, 100};
  RecordingCanvas clipped;
  drawAlphabetView(clipped, t.in);
  EXPECT_TRUE(clipped.allWithin(t.in.clip));
  EXPECT_EQ(clipped.ofKind(CanvasOp::kRectangle).size(), 3u);
}

ValueSelectorInputs noiseSelector() {
  ValueSelectorInputs in;
  in.frame = Rect{500, 10, 646, 100};
  in.title = " noise level: ";
  in.values = {20, 35, 50};
  in.chosenIndex = 2;
  in.currentValue = 35;
  in.lineHeight = 15;
  in.clip = Rect{0, 0, 800, 600};
  return in;
}

TEST(ValueSelector, DrawsFrameTitleMarksValuesAndRectangles) {
  RecordingCanvas canvas;
  std::vector<Rect> rects;
  drawValueSelector(canvas, noiseSelector(), rects);

  const auto lines = canvas.ofKind(CanvasOp::kLine);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[1]->x1, 646);
  EXPECT_EQ(lines[1]->y2, 100);
  const CanvasOp* title = canvas.findText(" noise level: ");
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(title->x1, 505);
  EXPECT_EQ(title->y1, 3);  // half a line above the frame

  // Rows from 1.5 lines below the top, 1.5 lines apart: marks, values and rectangles.
  const auto ellipses = canvas.ofKind(CanvasOp::kEllipse);
  ASSERT_EQ(ellipses.size(), 4u);  // three marks and the disc
  const std::vector<Rect> expected = {{510, 32, 637, 53}, {510, 54, 637, 75}, {510, 76, 637, 97}};
  EXPECT_EQ(rects, expected);
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ((Rect{ellipses[k]->x1, ellipses[k]->y1, ellipses[k]->x2, ellipses[k]->y2}),
              (Rect{510, expected[k].top, 525, expected[k].top + 15}));
  }
  const CanvasOp* value = canvas.findText("   35 ");
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->text, "    35 ");
  EXPECT_EQ(value->x1, 540);
  EXPECT_EQ(value->y1, 54);

  // The chosen value's disc, inset by (15 + 1) / 8 = 2, black: the series was made with it.
  const CanvasOp* disc = ellipses[3];
  EXPECT_EQ((Rect{disc->x1, disc->y1, disc->x2, disc->y2}), (Rect{512, 56, 523, 67}));
  EXPECT_EQ(disc->brush.color, kBlack);
  EXPECT_EQ(canvas.pen(), Pen{});
  EXPECT_EQ(canvas.brush(), Brush{});
}

TEST(ValueSelector, TheDiscMarksTheChoiceGreyUntilTheSeriesFollowsIt) {
  ValueSelectorInputs in = noiseSelector();
  for (int32_t chosen : {0, 4, -1}) {  // outside 1..3: the first value
    in.chosenIndex = chosen;
    in.currentValue = 20;
    RecordingCanvas canvas;
    std::vector<Rect> rects;
    drawValueSelector(canvas, in, rects);
    const CanvasOp* disc = canvas.ofKind(CanvasOp::kEllipse).back();
    EXPECT_EQ(disc->y1, 32 + 2) << chosen;
    EXPECT_EQ(disc->brush.color, kBlack) << chosen;
  }
  in.chosenIndex = 3;
  in.currentValue = 20;
  RecordingCanvas canvas;
  std::vector<Rect> rects;
  drawValueSelector(canvas, in, rects);
  EXPECT_EQ(canvas.ofKind(CanvasOp::kEllipse).back()->brush.color, kChosenForNextSeries);
  EXPECT_EQ(canvas.ofKind(CanvasOp::kEllipse).back()->y1, 76 + 2);

  // A frame too low for its rows shows the rows that fit; the others cannot be clicked.
  in.frame.bottom = 60;
  RecordingCanvas low;
  drawValueSelector(low, in, rects);
  ASSERT_EQ(rects.size(), 3u);
  EXPECT_EQ(rects[0], (Rect{510, 32, 637, 53}));
  EXPECT_EQ(rects[1], kNoRect);
  EXPECT_EQ(rects[2], kNoRect);
  EXPECT_EQ(low.ofKind(CanvasOp::kEllipse).size(), 1u);  // the chosen row is not shown
}

}  // namespace
}  // namespace velmora::testing
