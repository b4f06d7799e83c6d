// A Canvas that draws into an RGB image in memory with its own integer rasterisation,
// keeping the pixel rules of canvas.h exactly.
//
// Lines are Bresenham lines stepped from the start point along the longer axis; the end
// point is never drawn. Where the ideal line passes exactly between two pixels, the one
// with the smaller coordinate is taken, so a line covers the same pixels whichever way it
// is drawn (apart from the excluded end point). A dotted pen sets the first, third, fifth,
// … pixel of every line. A dotted rectangle sets the outline pixels whose x + y is even,
// every second pixel along each edge; a dotted ellipse sets, where its outline is flatter
// than 45°, the pixels with even x and elsewhere those with even y, which is every second
// pixel along the curve.
//
// A pen wider than one pixel stamps a disc of that diameter centred on every pixel of the
// one-pixel path (for even widths the centre lies half a pixel up and left of the path
// pixel; widths 2 and 3 give full squares). Widths below 1 draw as 1, widths above
// kMaxPenWidth as kMaxPenWidth; a dotted pen wider than one pixel draws solid, as a
// window's drawing context does.
//
// Ellipses: a row holds the pixels of the bounding box whose centres lie inside the
// inscribed ellipse (tested exactly in integers); the outline is the pixels of that shape
// with a neighbour (left, right, up or down) outside it, the brush fills the rest.
// Rectangles and ellipses accept their corners in any order.
//
// Everything is clipped to the image and the clip rectangle: any 32-bit coordinate is
// safe and the work done is bounded by the visible part. Sizes are limited to
// 0..kMaxCanvasSize on each side.
//
// Device pixel ratio. The views draw in logical pixels; a canvas made for a high-density
// screen has an image of ratio × that size and draws the same picture scaled: logical
// pixel (x, y) covers the device pixels floor(x·ratio) .. floor((x + 1)·ratio) − 1 and
// likewise in y, so every line, box and point keeps the exact shape it has at ratio 1,
// only larger. Text keeps the logical metrics and character positions of ratio 1 (so
// every layout is the same) but its glyphs are drawn at device pixels from a font of the
// scaled size, each at its scaled pen position. Images (the button faces) are scaled
// smoothly with bilinear interpolation in integer arithmetic. The ratio is kept in
// thousandths, between 1 and 8.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "graphics/canvas.h"
#include "graphics/font.h"

namespace velmora {

inline constexpr int32_t kMaxCanvasSize = 16384;
inline constexpr int32_t kMaxPenWidth = 64;

// A device pixel ratio in the thousandths the canvas keeps (1 to 8).
int32_t pixelRatioMilli(double ratio);

class RasterCanvas : public Canvas {
 public:
  // A white image of width × height pixels (each clamped to 0..kMaxCanvasSize).
  // windowFontHeight is the cell height of the window font (FontSpec height 0) in pixels;
  // a front end on a high-density screen passes the default times its pixel ratio.
  // A white image of width × height logical pixels (each clamped to 0..kMaxCanvasSize),
  // drawn at `pixelRatio` device pixels per logical pixel (1 when left out).
  RasterCanvas(int32_t width, int32_t height,
               int32_t windowFontHeight = kDefaultWindowFontHeight, double pixelRatio = 1.0);

  int32_t width() const override { return width_; }
  int32_t height() const override { return height_; }

  Pen setPen(const Pen& pen) override;
  Brush setBrush(const Brush& brush) override;
  FontSpec setFont(const FontSpec& font) override;
  Color setTextColor(Color color) override;
  Color setBackgroundColor(Color color) override;
  BackgroundMode setBackgroundMode(BackgroundMode mode) override;

  Point moveTo(int32_t x, int32_t y) override;
  void lineTo(int32_t x, int32_t y) override;
  void rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom) override;
  void ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom) override;
  void fillRect(const Rect& rect, Color color) override;
  void setPixel(int32_t x, int32_t y, Color color) override;

  void textOut(int32_t x, int32_t y, const std::string& text) override;
  Size textExtent(const std::string& text) const override;
  TextMetrics textMetrics() const override;

  void drawImage(int32_t x, int32_t y, const Image& image) override;
  Rect setClipRect(const Rect& clip) override;

  // The colour of logical pixel (x, y) (its first device pixel); the background colour
  // outside the surface.
  Color getPixel(int32_t x, int32_t y) const;
  // The picture at device pixels.
  const Image& image() const { return image_; }
  // Moves the image out; the canvas is 0 × 0 afterwards.
  Image takeImage();

  int32_t windowFontHeight() const { return windowFontHeight_; }
  // Device pixels per logical pixel, in thousandths.
  int32_t ratioMilli() const { return ratio_; }
  const ResolvedFont& resolvedFont() const { return resolved_; }
  Color backgroundColor() const { return background_; }
  BackgroundMode backgroundMode() const { return mode_; }
  // The font the glyphs are drawn with at device pixels.
  const ResolvedFont& deviceFont() const { return device_; }
  // The first device pixel of logical coordinate v.
  int64_t toDevice(int64_t v) const;

 private:
  struct Span {
    int32_t dy, x0, x1;  // stamp row offset and its pixel offsets, inclusive
  };

  // Pixels of the current pen's path: x0 ≤ x ≤ x1 on row y, in image coordinates that
  // may lie far outside the image.
  void penRun(int64_t y, int64_t x0, int64_t x1, bool dotted);
  void fillSpan(int64_t y, int64_t x0, int64_t x1, uint32_t color);
  // A span of device pixels, clipped to the image and the clip rectangle's device pixels.
  void fillDeviceSpan(int64_t y, int64_t x0, int64_t x1, uint32_t color);
  void fillBox(int64_t left, int64_t top, int64_t right, int64_t bottom, uint32_t color);
  bool dottedPen() const { return pen_.style == PenStyle::kDot && stampWidth_ == 1; }
  // How far a stamped pixel may reach from its path pixel, plus one.
  int32_t penMargin() const { return stampWidth_ + 1; }

  Image image_;
  int32_t width_;
  int32_t height_;
  int32_t ratio_;  // device pixels per logical pixel, in thousandths
  Rect clip_;      // logical, within the surface
  Rect deviceClip_;
  int32_t windowFontHeight_;
  Pen pen_;
  Brush brush_;
  FontSpec font_;
  ResolvedFont resolved_;
  ResolvedFont device_;
  Color text_ = kBlack;
  Color background_ = kWhite;
  BackgroundMode mode_ = BackgroundMode::kOpaque;
  Point position_;
  std::vector<Span> stamp_;  // empty for a one-pixel pen
  int32_t stampWidth_ = 1;
};

}  // namespace velmora
