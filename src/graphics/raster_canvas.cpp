#include "graphics/raster_canvas.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace velmora {

namespace {

using int128 = __int128;

int64_t floorDiv(int128 a, int128 b) {  // b > 0
  int128 q = a / b;
  if (a % b != 0 && a < 0) --q;
  return static_cast<int64_t>(q);
}

int64_t ceilDiv(int128 a, int128 b) {  // b > 0
  int128 q = a / b;
  if (a % b != 0 && a > 0) ++q;
  return static_cast<int64_t>(q);
}

// Calls plot(x, y, k) for the pixels of the line from (x0, y0) towards (x1, y1), the end
// point excluded, that lie within xlo..xhi × ylo..yhi; k is the pixel's index along the
// whole line. The minor coordinate of pixel k is the ideal one rounded to the nearest
// integer, halves going to the smaller coordinate. Only the pixels inside the window are
// stepped, so the work is bounded by the window whatever the end points.
template <class Plot>
void forLinePixels(int64_t x0, int64_t y0, int64_t x1, int64_t y1, int64_t xlo, int64_t ylo,
                   int64_t xhi, int64_t yhi, Plot plot) {
  const int64_t dx = x1 - x0;
  const int64_t dy = y1 - y0;
  if (dx == 0 && dy == 0) return;
  const bool xMajor = std::llabs(dx) >= std::llabs(dy);
  const int64_t u0 = xMajor ? x0 : y0;
  const int64_t v0 = xMajor ? y0 : x0;
  const int64_t du = xMajor ? dx : dy;
  const int64_t dv = xMajor ? dy : dx;
  const int64_t ulo = xMajor ? xlo : ylo;
  const int64_t uhi = xMajor ? xhi : yhi;
  const int64_t vlo = xMajor ? ylo : xlo;
  const int64_t vhi = xMajor ? yhi : xhi;
  const int64_t n = std::llabs(du);
  const int64_t d = std::llabs(dv);
  const int64_t su = du > 0 ? 1 : -1;
  const int64_t sv = dv > 0 ? 1 : dv < 0 ? -1 : 0;
  // The minor offset of pixel k is m(k) = floor((2kd + bias) / 2n): round half down when
  // the minor coordinate grows, half up (towards the smaller coordinate) when it falls.
  const int64_t bias = sv < 0 ? n : n - 1;

  int64_t kFirst = 0;
  int64_t kLast = n - 1;
  if (su > 0) {
    kFirst = std::max(kFirst, ulo - u0);
    kLast = std::min(kLast, uhi - u0);
  } else {
    kFirst = std::max(kFirst, u0 - uhi);
    kLast = std::min(kLast, u0 - ulo);
  }
  const int64_t mlo = sv < 0 ? v0 - vhi : vlo - v0;
  const int64_t mhi = sv < 0 ? v0 - vlo : vhi - v0;
  if (d == 0) {
    if (mlo > 0 || mhi < 0) return;
  } else {
    kFirst = std::max(kFirst, ceilDiv(int128{2} * n * mlo - bias, int128{2} * d));
    kLast = std::min(kLast, floorDiv(int128{2} * n * (int128{mhi} + 1) - bias - 1, int128{2} * d));
  }
  if (kFirst > kLast) return;

  const int128 start = int128{2} * kFirst * d + bias;
  int64_t m = static_cast<int64_t>(start / (int128{2} * n));
  int64_t e = static_cast<int64_t>(start - int128{m} * 2 * n);
  for (int64_t k = kFirst; k <= kLast; ++k) {
    const int64_t u = u0 + su * k;
    const int64_t v = v0 + sv * m;
    if (xMajor) {
      plot(u, v, k);
    } else {
      plot(v, u, k);
    }
    e += 2 * d;
    if (e >= 2 * n) {
      e -= 2 * n;
      ++m;
    }
  }
}

// The pixels of row y of the ellipse inscribed in left..right-1 × top..bottom-1 (a
// non-empty box): those whose centres lie inside it. In doubled coordinates relative to
// the centre, X = 2x + 1 − (left + right) and Y likewise, with axes A = right − left and
// B = bottom − top, a pixel is inside when X²B² + Y²A² ≤ A²B².
bool ellipseRow(int64_t left, int64_t top, int64_t right, int64_t bottom, int64_t y,
                int64_t* x0, int64_t* x1) {
  using uint128 = unsigned __int128;
  const int64_t a = right - left;
  const int64_t b = bottom - top;
  const int64_t yy = 2 * y + 1 - (top + bottom);
  if (y < top || y >= bottom || std::llabs(yy) >= b) return false;
  const uint128 a2 = uint128(uint64_t(a)) * uint64_t(a);
  const uint128 b2 = uint128(uint64_t(b)) * uint64_t(b);
  const uint128 y2 = uint128(uint64_t(std::llabs(yy))) * uint64_t(std::llabs(yy));
  // X² ≤ A²(B² − Y²) / B², and the quotient is below A² < 2^64.
  const uint64_t q = static_cast<uint64_t>(a2 * (b2 - y2) / b2);
  // Integer square root: the estimate is off by at most one either way.
  uint64_t r = static_cast<uint64_t>(std::sqrt(static_cast<double>(q)));
  while (r > 0 && uint128(r) * r > q) --r;
  while (uint128(r + 1) * (r + 1) <= q) ++r;
  int64_t xx = static_cast<int64_t>(r);
  // X has the parity of A + 1.
  if (((xx ^ (a + 1)) & 1) != 0) --xx;
  if (xx < 0) return false;
  *x0 = (left + right - 1 - xx) / 2;
  *x1 = (left + right - 1 + xx) / 2;
  return true;
}

}  // namespace

namespace {

}  // namespace

int32_t pixelRatioMilli(double ratio) {
  if (!(ratio >= 1.0)) return 1000;  // also NaN
  return static_cast<int32_t>(std::lround(std::min(ratio, 8.0) * 1000));
}

namespace {

// The font of `request` at `ratio` thousandths: its height scaled down to whole pixels, so
// that the device cell never exceeds the scaled logical one.
FontSpec scaledFont(const FontSpec& request, int32_t windowFontHeight, int32_t ratio) {
  FontSpec device = request;
  const int64_t h = request.height == 0 ? windowFontHeight : request.height;
  const int64_t scaled = std::max<int64_t>(1, std::min<int64_t>(std::llabs(h), kMaxFontHeight) * ratio / 1000);
  device.height = static_cast<int32_t>(std::min<int64_t>(scaled, kMaxFontHeight) * (h < 0 ? -1 : 1));
  return device;
}

}  // namespace

RasterCanvas::RasterCanvas(int32_t width, int32_t height, int32_t windowFontHeight,
                           double pixelRatio)
    : width_(std::clamp(width, 0, kMaxCanvasSize)),
      height_(std::clamp(height, 0, kMaxCanvasSize)),
      ratio_(pixelRatioMilli(pixelRatio)),
      windowFontHeight_(std::clamp(windowFontHeight, 1, kMaxFontHeight)),
      resolved_(resolveFont(FontSpec{}, windowFontHeight_)) {
  image_ = Image(static_cast<int32_t>(toDevice(width_)), static_cast<int32_t>(toDevice(height_)),
                 kWhite);
  setClipRect(surface());
  device_ = ratio_ == 1000 ? resolved_
                           : resolveFont(scaledFont(FontSpec{}, windowFontHeight_, ratio_), 1);
}

int64_t RasterCanvas::toDevice(int64_t v) const {
  if (ratio_ == 1000) return v;
  return floorDiv(int128{v} * ratio_, 1000);
}

Rect RasterCanvas::setClipRect(const Rect& clip) {
  const Rect old = clip_;
  clip_ = Rect{std::clamp(std::min(clip.left, clip.right), 0, width_),
               std::clamp(std::min(clip.top, clip.bottom), 0, height_),
               std::clamp(std::max(clip.left, clip.right), 0, width_),
               std::clamp(std::max(clip.top, clip.bottom), 0, height_)};
  deviceClip_ = Rect{static_cast<int32_t>(toDevice(clip_.left)), static_cast<int32_t>(toDevice(clip_.top)),
                     static_cast<int32_t>(toDevice(clip_.right)),
                     static_cast<int32_t>(toDevice(clip_.bottom))};
  return old;
}

Pen RasterCanvas::setPen(const Pen& pen) {
  Pen old = std::exchange(pen_, pen);
  stampWidth_ = std::clamp(pen.width, 1, kMaxPenWidth);
  stamp_.clear();
  if (stampWidth_ > 1) {
    // A disc of diameter w around the stamp's centre, in doubled coordinates.
    const int32_t w = stampWidth_;
    const int32_t lo = -(w / 2);
    const int32_t hi = lo + w - 1;
    const int32_t c2 = lo + hi;
    for (int32_t j = lo; j <= hi; ++j) {
      const int32_t bj = 2 * j - c2;
      for (int32_t i = lo; i <= hi; ++i) {
        const int32_t ai = 2 * i - c2;
        if (ai * ai + bj * bj <= w * w) {
          stamp_.push_back(Span{j, i, c2 - i});
          break;
        }
      }
    }
  }
  return old;
}

Brush RasterCanvas::setBrush(const Brush& brush) { return std::exchange(brush_, brush); }

FontSpec RasterCanvas::setFont(const FontSpec& font) {
  resolved_ = resolveFont(font, windowFontHeight_);
  device_ = ratio_ == 1000 ? resolved_
                           : resolveFont(scaledFont(font, windowFontHeight_, ratio_), 1);
  return std::exchange(font_, font);
}

Color RasterCanvas::setTextColor(Color color) { return std::exchange(text_, color); }
Color RasterCanvas::setBackgroundColor(Color color) { return std::exchange(background_, color); }
BackgroundMode RasterCanvas::setBackgroundMode(BackgroundMode mode) {
  return std::exchange(mode_, mode);
}

Point RasterCanvas::moveTo(int32_t x, int32_t y) {
  return std::exchange(position_, Point{x, y});
}

void RasterCanvas::fillSpan(int64_t y, int64_t x0, int64_t x1, uint32_t color) {
  if (y < clip_.top || y >= clip_.bottom) return;
  x0 = std::max<int64_t>(x0, clip_.left);
  x1 = std::min<int64_t>(x1, clip_.right - 1);
  if (x0 > x1) return;
  if (ratio_ == 1000) {
    uint32_t* row = &image_.pixels[static_cast<size_t>(y) * image_.width];
    std::fill(row + x0, row + x1 + 1, color);
    return;
  }
  const int64_t dx0 = toDevice(x0), dx1 = toDevice(x1 + 1) - 1;
  for (int64_t dy = toDevice(y), end = toDevice(y + 1); dy < end; ++dy)
    fillDeviceSpan(dy, dx0, dx1, color);
}

void RasterCanvas::fillDeviceSpan(int64_t y, int64_t x0, int64_t x1, uint32_t color) {
  if (y < deviceClip_.top || y >= deviceClip_.bottom) return;
  x0 = std::max<int64_t>(x0, deviceClip_.left);
  x1 = std::min<int64_t>(x1, deviceClip_.right - 1);
  if (x0 > x1) return;
  uint32_t* row = &image_.pixels[static_cast<size_t>(y) * image_.width];
  std::fill(row + x0, row + x1 + 1, color);
}

void RasterCanvas::fillBox(int64_t left, int64_t top, int64_t right, int64_t bottom,
                           uint32_t color) {
  top = std::max<int64_t>(top, clip_.top);
  bottom = std::min<int64_t>(bottom, clip_.bottom);
  for (int64_t y = top; y < bottom; ++y) fillSpan(y, left, right - 1, color);
}

void RasterCanvas::penRun(int64_t y, int64_t x0, int64_t x1, bool dotted) {
  const uint32_t color = pen_.color.packed();
  if (stamp_.empty()) {
    if (!dotted) {
      fillSpan(y, x0, x1, color);
      return;
    }
    if (y < clip_.top || y >= clip_.bottom) return;
    x0 = std::max<int64_t>(x0, clip_.left);
    x1 = std::min<int64_t>(x1, clip_.right - 1);
    if (((x0 + y) & 1) != 0) ++x0;
    for (int64_t x = x0; x <= x1; x += 2) fillSpan(y, x, x, color);
    return;
  }
  for (const Span& s : stamp_) fillSpan(y + s.dy, x0 + s.x0, x1 + s.x1, color);
}

void RasterCanvas::lineTo(int32_t x, int32_t y) {
  const Point from = std::exchange(position_, Point{x, y});
  if (pen_.style == PenStyle::kNull) return;
  const int64_t margin = penMargin();
  const bool dotted = dottedPen();
  forLinePixels(from.x, from.y, x, y, clip_.left - margin, clip_.top - margin,
                clip_.right - 1 + margin, clip_.bottom - 1 + margin, [&](int64_t px, int64_t py, int64_t k) {
                  if (!dotted || k % 2 == 0) penRun(py, px, px, false);
                });
}

void RasterCanvas::rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  int64_t l = std::min(left, right), r = std::max(left, right);
  int64_t t = std::min(top, bottom), b = std::max(top, bottom);
  const bool hasPen = pen_.style != PenStyle::kNull;
  if (!hasPen) {
    --r;
    --b;
  }
  if (r <= l || b <= t) return;
  if (!brush_.hollow) {
    if (hasPen) {
      fillBox(l + 1, t + 1, r - 1, b - 1, brush_.color.packed());
    } else {
      fillBox(l, t, r, b, brush_.color.packed());
    }
  }
  if (!hasPen) return;
  const bool dotted = dottedPen();
  const int64_t margin = penMargin();
  penRun(t, l, r - 1, dotted);
  if (b - 1 > t) penRun(b - 1, l, r - 1, dotted);
  const int64_t yFirst = std::max<int64_t>(t + 1, int64_t{clip_.top} - margin);
  const int64_t yLast = std::min<int64_t>(b - 2, int64_t{clip_.bottom} - 1 + margin);
  for (int64_t y = yFirst; y <= yLast; ++y) {
    penRun(y, l, l, dotted);
    if (r - 1 > l) penRun(y, r - 1, r - 1, dotted);
  }
}

void RasterCanvas::ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  int64_t l = std::min(left, right), r = std::max(left, right);
  int64_t t = std::min(top, bottom), b = std::max(top, bottom);
  const bool hasPen = pen_.style != PenStyle::kNull;
  if (!hasPen) {
    --r;
    --b;
  }
  if (r <= l || b <= t) return;
  const int64_t margin = hasPen ? penMargin() : 0;
  const int64_t yFirst = std::max<int64_t>(t, int64_t{clip_.top} - margin);
  const int64_t yLast = std::min<int64_t>(b - 1, int64_t{clip_.bottom} - 1 + margin);
  if (yFirst > yLast) return;

  struct Row {
    int64_t y, x0, x1;  // the shape's pixels on the row
    int64_t in0, in1;   // its inside, the pixels that are not outline
  };
  std::vector<Row> rows;
  rows.reserve(static_cast<size_t>(yLast - yFirst + 1));
  int64_t ax0 = 0, ax1 = -1;  // the row above
  bool above = ellipseRow(l, t, r, b, yFirst - 1, &ax0, &ax1);
  int64_t x0 = 0, x1 = -1;
  bool here = ellipseRow(l, t, r, b, yFirst, &x0, &x1);
  for (int64_t y = yFirst; y <= yLast; ++y) {
    int64_t bx0 = 0, bx1 = -1;
    const bool below = ellipseRow(l, t, r, b, y + 1, &bx0, &bx1);
    if (here) {
      Row row{y, x0, x1, 0, -1};
      if (above && below) {
        row.in0 = std::max({x0 + 1, ax0, bx0});
        row.in1 = std::min({x1 - 1, ax1, bx1});
      }
      rows.push_back(row);
    }
    ax0 = x0, ax1 = x1, above = here;
    x0 = bx0, x1 = bx1, here = below;
  }

  const uint32_t brush = brush_.color.packed();
  if (!hasPen) {
    if (!brush_.hollow) {
      for (const Row& row : rows) fillSpan(row.y, row.x0, row.x1, brush);
    }
    return;
  }
  if (!brush_.hollow) {
    for (const Row& row : rows) fillSpan(row.y, row.in0, row.in1, brush);
  }
  auto outline = [&](int64_t y, int64_t x0, int64_t x1) {
    if (!dottedPen()) {
      penRun(y, x0, x1, false);
      return;
    }
    // Along the flat parts of the outline consecutive pixels differ in x, along the steep
    // parts in y: every second pixel is the one with that coordinate even.
    if (y < clip_.top || y >= clip_.bottom) return;
    const uint32_t color = pen_.color.packed();
    const int128 yy = std::llabs(2 * y + 1 - (t + b));
    const int128 a2 = int128{r - l} * (r - l);
    const int128 b2 = int128{b - t} * (b - t);
    for (int64_t x = std::max<int64_t>(x0, clip_.left); x <= std::min<int64_t>(x1, clip_.right - 1); ++x) {
      const int128 xx = std::llabs(2 * x + 1 - (l + r));
      const bool flat = xx * b2 <= yy * a2;
      if (((flat ? x : y) & 1) == 0) fillSpan(y, x, x, color);
    }
  };
  for (const Row& row : rows) {
    if (row.in0 > row.in1) {
      outline(row.y, row.x0, row.x1);
    } else {
      outline(row.y, row.x0, row.in0 - 1);
      outline(row.y, row.in1 + 1, row.x1);
    }
  }
}

void RasterCanvas::fillRect(const Rect& rect, Color color) {
  fillBox(rect.left, rect.top, rect.right, rect.bottom, color.packed());
}

void RasterCanvas::setPixel(int32_t x, int32_t y, Color color) { fillSpan(y, x, x, color.packed()); }

Color RasterCanvas::getPixel(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return background_;
  return image_.color(static_cast<int32_t>(toDevice(x)), static_cast<int32_t>(toDevice(y)));
}

void RasterCanvas::textOut(int32_t x, int32_t y, const std::string& text) {
  const int64_t cell = resolved_.metrics.height;
  if (y + cell + kMaxFontHeight < 0 || y - kMaxFontHeight >= height_) return;
  const TextLayout layout = layoutText(resolved_, text);
  if (mode_ == BackgroundMode::kOpaque) {
    fillBox(x, y, int64_t{x} + layout.width, y + cell, background_.packed());
  }
  // Each glyph of the device font sits at its character's logical pen position, scaled.
  const int64_t baseline = toDevice(y) + device_.metrics.ascent;
  const uint32_t color = text_.packed();
  size_t index = 0;
  forEachGlyph(device_, text, [&](int32_t, const std::vector<InkRun>& ink) {
    const int64_t pen = index < layout.chars.size() ? layout.chars[index].x : layout.width;
    ++index;
    const int64_t origin = toDevice(int64_t{x} + pen);
    for (const InkRun& run : ink) {
      fillDeviceSpan(baseline + run.y, origin + run.x0, origin + run.x1 - 1, color);
    }
  });
}

Size RasterCanvas::textExtent(const std::string& text) const {
  return Size{textWidth(resolved_, text), resolved_.metrics.height};
}

TextMetrics RasterCanvas::textMetrics() const { return resolved_.metrics; }

void RasterCanvas::drawImage(int32_t x, int32_t y, const Image& image) {
  if (image.width <= 0 || image.height <= 0 ||
      image.pixels.size() < static_cast<size_t>(image.width) * static_cast<size_t>(image.height)) {
    return;
  }
  const int64_t left = toDevice(x), top = toDevice(y);
  const int64_t dw = toDevice(int64_t{x} + image.width) - left;
  const int64_t dh = toDevice(int64_t{y} + image.height) - top;
  const int64_t x0 = std::max<int64_t>(left, deviceClip_.left);
  const int64_t x1 = std::min<int64_t>(left + dw, deviceClip_.right);
  const int64_t y0 = std::max<int64_t>(top, deviceClip_.top);
  const int64_t y1 = std::min<int64_t>(top + dh, deviceClip_.bottom);
  if (x0 >= x1) return;
  if (dw == image.width && dh == image.height) {
    for (int64_t row = y0; row < y1; ++row) {
      const uint32_t* src = &image.pixels[static_cast<size_t>(row - top) * image.width + (x0 - left)];
      std::copy(src, src + (x1 - x0), &image_.pixels[static_cast<size_t>(row) * image_.width + x0]);
    }
    return;
  }
  // Bilinear: the device pixel's centre mapped into the image, in 1/256 of a pixel,
  // kept within the outer pixels' centres.
  auto source = [](int64_t d, int64_t deviceSize, int64_t size, int64_t* i, int64_t* f) {
    const int64_t u = std::clamp<int64_t>((2 * d + 1) * size * 256 / (2 * deviceSize) - 128, 0,
                                          (size - 1) * 256);
    *i = u >> 8;
    *f = u & 255;
  };
  auto mix = [](uint32_t a, uint32_t b, int64_t f, int shift) {
    const int64_t ca = (a >> shift) & 0xFF, cb = (b >> shift) & 0xFF;
    return ca * (256 - f) + cb * f;  // in 1/256
  };
  for (int64_t row = y0; row < y1; ++row) {
    int64_t sy = 0, fy = 0;
    source(row - top, dh, image.height, &sy, &fy);
    const int64_t sy1 = std::min<int64_t>(sy + 1, image.height - 1);
    const uint32_t* r0 = &image.pixels[static_cast<size_t>(sy) * image.width];
    const uint32_t* r1 = &image.pixels[static_cast<size_t>(sy1) * image.width];
    uint32_t* out = &image_.pixels[static_cast<size_t>(row) * image_.width];
    for (int64_t col = x0; col < x1; ++col) {
      int64_t sx = 0, fx = 0;
      source(col - left, dw, image.width, &sx, &fx);
      const int64_t sx1 = std::min<int64_t>(sx + 1, image.width - 1);
      uint32_t pixel = 0;
      for (int shift : {0, 8, 16}) {
        const int64_t upper = mix(r0[sx], r0[sx1], fx, shift);
        const int64_t lower = mix(r1[sx], r1[sx1], fx, shift);
        const int64_t v = (upper * (256 - fy) + lower * fy + 32768) >> 16;
        pixel |= static_cast<uint32_t>(std::clamp<int64_t>(v, 0, 255)) << shift;
      }
      out[col] = pixel;
    }
  }
}

Image RasterCanvas::takeImage() {
  Image out = std::move(image_);
  image_ = Image();
  width_ = height_ = 0;
  setClipRect(surface());
  return out;
}

}  // namespace velmora
