// The clipping decorator on a recording canvas: what reaches the canvas underneath for
// calls that cross, touch or miss the inclusive clip rectangle.
#include "graphics/clipping_canvas.h"

#include <gtest/gtest.h>

#include "support/recording_canvas.h"

namespace velmora::testing {
namespace {

const Rect kClip{10, 10, 20, 20};  // inclusive

TEST(ClippingCanvas, LinesAreCutToTheirPartInsideTheClip) {
  RecordingCanvas inner;
  ClippingCanvas c(inner, kClip);
  c.moveTo(0, 15);
  c.lineTo(30, 15);  // across
  c.lineTo(30, 30);  // outside
  c.moveTo(0, 0);
  c.lineTo(30, 30);  // the diagonal
  c.moveTo(20, 0);
  c.lineTo(20, 40);  // on the right edge, which is inside
  ASSERT_EQ(inner.ops.size(), 3u);
  const auto ends = [&](size_t k) {
    const CanvasOp& op = inner.ops[k];
    return Rect{op.x1, op.y1, op.x2, op.y2};
  };
  EXPECT_EQ(ends(0), (Rect{10, 15, 20, 15}));
  EXPECT_EQ(ends(1), (Rect{10, 10, 20, 20}));
  EXPECT_EQ(ends(2), (Rect{20, 10, 20, 20}));
  // The decorator keeps its own current position, wherever the cut lines ended.
  EXPECT_EQ(c.moveTo(0, 0), (Point{20, 40}));
}

TEST(ClippingCanvas, BoxesAndPixelsKeepToTheClipsPixels) {
  RecordingCanvas inner;
  ClippingCanvas c(inner, kClip);
  c.rectangle(0, 12, 40, 14);
  c.fillRect(Rect{15, 15, 50, 50}, kBlack);
  c.ellipse(21, 0, 30, 30);  // right of the clip: nothing
  c.fillRect(Rect{12, 12, 12, 18}, kBlack);  // empty: nothing
  c.setPixel(20, 20, kBlack);
  c.setPixel(21, 20, kBlack);
  c.setPixel(20, 9, kBlack);
  ASSERT_EQ(inner.ops.size(), 3u);
  const CanvasOp& r = inner.ops[0];
  EXPECT_EQ((Rect{r.x1, r.y1, r.x2, r.y2}), (Rect{10, 12, 21, 14}));
  const CanvasOp& f = inner.ops[1];
  EXPECT_EQ((Rect{f.x1, f.y1, f.x2, f.y2}), (Rect{15, 15, 21, 21}));
  EXPECT_EQ(inner.ops[2].kind, CanvasOp::kPixel);
  EXPECT_EQ((Point{inner.ops[2].x1, inner.ops[2].y1}), (Point{20, 20}));
}

TEST(ClippingCanvas, TextsAreCutByWholeCharactersOrDropped) {
  RecordingCanvas inner;  // 8 pixels a character, cells 16 high
  ClippingCanvas c(inner, Rect{10, 10, 41, 40});
  c.textOut(10, 10, "abcdef");  // four characters end on the right edge
  c.setClip(Rect{10, 10, 25, 40});
  c.textOut(10, 10, "a\xc3\xa9\xe2\x82\xac" "b");  // "aé€b": two fit, € goes whole
  c.textOut(9, 10, "a");    // starts left of the clip
  c.textOut(10, 30, "a");   // runs below it
  c.textOut(10, 24, "a");   // ends on the bottom edge
  c.textOut(30, 10, "a");   // starts right of it: nothing is left
  const std::vector<const CanvasOp*> texts = inner.texts();
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_EQ(texts[0]->text, "abcd");
  EXPECT_EQ(texts[1]->text, "a\xc3\xa9");
  EXPECT_EQ(texts[2]->y1, 24);
}

TEST(ClippingCanvas, ImagesAreDrawnOnlyWhole) {
  RecordingCanvas inner;
  ClippingCanvas c(inner, kClip);
  const Image image(11, 11);
  c.drawImage(10, 10, image);  // fills the clip exactly
  c.drawImage(11, 10, image);
  c.drawImage(9, 10, image);
  ASSERT_EQ(inner.ofKind(CanvasOp::kImage).size(), 1u);
  EXPECT_EQ(inner.ops[0].x1, 10);
}

}  // namespace
}  // namespace velmora::testing
