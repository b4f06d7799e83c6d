// A Canvas for tests: records every drawing call with the pen, brush, font and colours
// current at the time, and answers text questions with fixed metrics, so that a test can
// compute the expected coordinates of a view from its rules.
//
// Metrics of the window font (FontSpec height 0): cell height 16 (ascent 13, descent 3,
// internal leading 2, external leading 0), so a view's line height (height + external
// leading − 1) is 15; every character (UTF-8 code point) is 8 pixels wide; the maximum
// character width is 12. Another height h gives a cell of h pixels (h > 0) or −h + 2
// (h < 0), with characters half the cell height wide.
#pragma once

#include <string>
#include <vector>

#include "graphics/canvas.h"

namespace velmora::testing {

struct CanvasOp {
  enum Kind { kLine, kRectangle, kEllipse, kFillRect, kPixel, kText, kImage };
  Kind kind = kLine;
  // Lines: from (x1, y1) to (x2, y2). Rectangles and ellipses: the box. Pixels, text and
  // images: (x1, y1) is the position, (x2, y2) the far corner of the text cell or image.
  int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  std::string text;
  Pen pen;
  Brush brush;
  FontSpec font;
  Color color;  // pixel and fill colour, text colour for text
  Color background;
  BackgroundMode backgroundMode = BackgroundMode::kOpaque;
  Rect clip;  // the clip rectangle at the time
};

class RecordingCanvas : public Canvas {
 public:
  explicit RecordingCanvas(int32_t width = 1280, int32_t height = 800)
      : width_(width), height_(height), clip_{0, 0, width, height} {}

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

  // What was drawn, in order.
  std::vector<CanvasOp> ops;

  // The text operations, in order; the first whose text contains `part` (null if none).
  std::vector<const CanvasOp*> texts() const;
  const CanvasOp* findText(const std::string& part) const;
  // Operations of one kind, in order.
  std::vector<const CanvasOp*> ofKind(CanvasOp::Kind kind) const;
  // True when every operation's extent, cut to its clip rectangle, lies within `area`
  // (inclusive of its right and bottom edge); the first offending operation is described
  // in `why`.
  bool allWithin(const Rect& area, std::string* why = nullptr) const;
  // Current state, for checks that a view restored what it changed.
  const Pen& pen() const { return pen_; }
  const Brush& brush() const { return brush_; }
  const FontSpec& font() const { return font_; }
  BackgroundMode backgroundMode() const { return mode_; }

 private:
  CanvasOp make(CanvasOp::Kind kind) const;

  int32_t width_;
  int32_t height_;
  Pen pen_;
  Brush brush_;
  FontSpec font_;
  Color text_ = kBlack;
  Color background_ = kWhite;
  BackgroundMode mode_ = BackgroundMode::kOpaque;
  Point position_;
  Rect clip_;
};

}  // namespace velmora::testing
