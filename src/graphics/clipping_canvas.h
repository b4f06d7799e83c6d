// A canvas decorator that keeps everything drawn through it inside an inclusive clip
// rectangle, by changing the drawing calls rather than the pixels: lines are cut to their
// part inside the clip (Liang–Barsky, ends rounded to the nearest pixel), rectangles and
// ellipses to the clip's box, pixels outside are dropped, a text is cut to the characters
// that fit (a text that does not fit in height, or starts left of the clip, is dropped) and
// an image is drawn only when it fits whole. The clip rectangle of the canvas underneath
// is left alone: setClipRect passes through.
#pragma once

#include <cstdint>
#include <string>

#include "graphics/canvas.h"

namespace velmora {

class ClippingCanvas : public Canvas {
 public:
  // `clip` is inclusive.
  ClippingCanvas(Canvas& inner, const Rect& clip) : inner_(inner), clip_(clip) {}

  void setClip(const Rect& clip) { clip_ = clip; }
  const Rect& clip() const { return clip_; }

  int32_t width() const override { return inner_.width(); }
  int32_t height() const override { return inner_.height(); }
  Pen setPen(const Pen& pen) override { return inner_.setPen(pen); }
  Brush setBrush(const Brush& brush) override { return inner_.setBrush(brush); }
  FontSpec setFont(const FontSpec& font) override { return inner_.setFont(font); }
  Color setTextColor(Color color) override { return inner_.setTextColor(color); }
  Color setBackgroundColor(Color color) override { return inner_.setBackgroundColor(color); }
  BackgroundMode setBackgroundMode(BackgroundMode mode) override {
    return inner_.setBackgroundMode(mode);
  }

  Point moveTo(int32_t x, int32_t y) override;
  void lineTo(int32_t x, int32_t y) override;
  void rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom) override;
  void ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom) override;
  void fillRect(const Rect& rect, Color color) override;
  void setPixel(int32_t x, int32_t y, Color color) override;

  void textOut(int32_t x, int32_t y, const std::string& text) override;
  Size textExtent(const std::string& text) const override { return inner_.textExtent(text); }
  TextMetrics textMetrics() const override { return inner_.textMetrics(); }
  void drawImage(int32_t x, int32_t y, const Image& image) override;
  Rect setClipRect(const Rect& clip) override { return inner_.setClipRect(clip); }

 private:
  // Cuts the half-open box (l, t, r, b) to the clip; false when nothing of it is left.
  bool cut(int32_t& l, int32_t& t, int32_t& r, int32_t& b) const;
  // The part of the segment inside the clip; false when none is.
  bool clipLine(double& x1, double& y1, double& x2, double& y2) const;

  Canvas& inner_;
  Rect clip_;  // inclusive
  Point position_;
};

}  // namespace velmora
