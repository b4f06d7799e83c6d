#include "graphics/clipping_canvas.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace velmora {

namespace {

int32_t pixel(double v, int32_t lo, int32_t hi) {
  return std::clamp(static_cast<int32_t>(std::lround(v)), lo, hi);
}

}  // namespace

Point ClippingCanvas::moveTo(int32_t x, int32_t y) {
  return std::exchange(position_, Point{x, y});
}

void ClippingCanvas::lineTo(int32_t x, int32_t y) {
  double x1 = position_.x, y1 = position_.y, x2 = x, y2 = y;
  position_ = Point{x, y};
  if (clipLine(x1, y1, x2, y2)) {
    inner_.moveTo(pixel(x1, clip_.left, clip_.right), pixel(y1, clip_.top, clip_.bottom));
    inner_.lineTo(pixel(x2, clip_.left, clip_.right), pixel(y2, clip_.top, clip_.bottom));
  }
}

void ClippingCanvas::rectangle(int32_t l, int32_t t, int32_t r, int32_t b) {
  if (cut(l, t, r, b)) inner_.rectangle(l, t, r, b);
}

void ClippingCanvas::ellipse(int32_t l, int32_t t, int32_t r, int32_t b) {
  if (cut(l, t, r, b)) inner_.ellipse(l, t, r, b);
}

void ClippingCanvas::fillRect(const Rect& rect, Color color) {
  Rect r = rect;
  if (cut(r.left, r.top, r.right, r.bottom)) inner_.fillRect(r, color);
}

void ClippingCanvas::setPixel(int32_t x, int32_t y, Color color) {
  if (containsInclusive(clip_, x, y)) inner_.setPixel(x, y, color);
}

void ClippingCanvas::textOut(int32_t x, int32_t y, const std::string& text) {
  std::string shown = text;
  Size size = inner_.textExtent(shown);
  if (x < clip_.left || y < clip_.top || y + size.cy - 1 > clip_.bottom) return;
  while (!shown.empty() && x + size.cx - 1 > clip_.right) {
    // Drop the last UTF-8 character: its continuation bytes and its lead byte.
    do shown.pop_back();
    while (!shown.empty() && (static_cast<unsigned char>(shown.back()) & 0xC0) == 0x80);
    if (!shown.empty() && (static_cast<unsigned char>(shown.back()) & 0xC0) == 0xC0)
      shown.pop_back();
    size = inner_.textExtent(shown);
  }
  if (!shown.empty()) inner_.textOut(x, y, shown);
}

void ClippingCanvas::drawImage(int32_t x, int32_t y, const Image& image) {
  // Its first and last pixel, both inside.
  if (containsInclusive(clip_, x, y) &&
      containsInclusive(clip_, x + image.width - 1, y + image.height - 1))
    inner_.drawImage(x, y, image);
}

bool ClippingCanvas::cut(int32_t& l, int32_t& t, int32_t& r, int32_t& b) const {
  const Rect within = halfOpenOf(clip_);
  l = std::max(l, within.left);
  t = std::max(t, within.top);
  r = std::min(r, within.right);
  b = std::min(b, within.bottom);
  return !emptyHalfOpen(Rect{l, t, r, b});
}

// Liang–Barsky.
bool ClippingCanvas::clipLine(double& x1, double& y1, double& x2, double& y2) const {
  if (clip_.left > clip_.right || clip_.top > clip_.bottom) return false;
  const double dx = x2 - x1, dy = y2 - y1;
  double t0 = 0, t1 = 1;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {x1 - clip_.left, clip_.right - x1, y1 - clip_.top, clip_.bottom - y1};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0) {
      if (t > t1) return false;
      t0 = std::max(t0, t);
    } else {
      if (t < t0) return false;
      t1 = std::min(t1, t);
    }
  }
  const double sx = x1, sy = y1;
  x1 = sx + t0 * dx;
  y1 = sy + t0 * dy;
  x2 = sx + t1 * dx;
  y2 = sy + t1 * dy;
  return true;
}

}  // namespace velmora
