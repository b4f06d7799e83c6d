// The drawing services the views use, with the meaning of the classic Windows graphics
// device interface: a current pen, brush, font, text colour and background, lines from a
// current position, rectangles and ellipses with the pen's outline and the brush's
// inside, pixels, text placed at its top-left corner, and a straight copy of an image.
//
// Pixel rules every implementation keeps:
// - lineTo draws from the current position to (x, y), excluding the end point, and moves
//   the current position there; a zero-length line draws nothing;
// - rectangle(l, t, r, b) covers l..r-1 × t..b-1; with the null pen the inside is one
//   pixel smaller (l..r-2 × t..b-2); ellipse uses the same bounding box;
// - fillRect(rect, colour) fills left..right-1 × top..bottom-1 whatever the pen (a
//   half-open rectangle, see common/geometry.h);
// - a dotted pen sets every second pixel of a line;
// - textOut at (x, y) puts the top of the text cell at y; with an opaque background the
//   cell (text extent) is filled with the background colour first;
// - the clip rectangle (left..right-1 × top..bottom-1, the whole surface by default)
//   bounds every pixel drawn: what lies outside it is not drawn, and what lies inside is
//   drawn exactly as without the clip.
// A fresh canvas holds the defaults of a window's drawing context: black solid pen of
// width 1, white solid brush, the window font, black text on an opaque white background,
// current position (0, 0).
#pragma once

#include <cstdint>
#include <string>

#include "common/geometry.h"
#include "common/image.h"

namespace velmora {

enum class PenStyle { kSolid, kDot, kNull };

struct Pen {
  Color color = kBlack;
  PenStyle style = PenStyle::kSolid;
  int32_t width = 1;

  bool operator==(const Pen& o) const {
    return color == o.color && style == o.style && width == o.width;
  }
};

struct Brush {
  Color color = kWhite;
  bool hollow = false;  // no inside is painted

  bool operator==(const Brush& o) const { return color == o.color && hollow == o.hollow; }
};

enum class BackgroundMode { kTransparent, kOpaque };

// A font by description. height follows the classic convention: 0 is the window font's
// own size, a positive value the cell height (ascent + descent) in pixels, a negative
// value the character height (cell less internal leading). Weight 400 is normal, 700
// bold. symbol asks for the symbol face, in which Latin letters show as Greek ones
// (s → σ, S → Σ, e → ε, a → α, …).
struct FontSpec {
  int32_t height = 0;
  int32_t weight = 400;
  bool symbol = false;

  bool operator==(const FontSpec& o) const {
    return height == o.height && weight == o.weight && symbol == o.symbol;
  }
};

struct TextMetrics {
  int32_t height = 0;  // cell height: ascent + descent
  int32_t ascent = 0;
  int32_t descent = 0;
  int32_t internalLeading = 0;
  int32_t externalLeading = 0;
  int32_t aveCharWidth = 0;
  int32_t maxCharWidth = 0;
};

class Canvas {
 public:
  virtual ~Canvas() = default;

  // The drawing surface's size in pixels (the client area).
  virtual int32_t width() const = 0;
  virtual int32_t height() const = 0;

  // Each setter makes its argument current and returns what was current before, so that
  // a view can restore it.
  virtual Pen setPen(const Pen& pen) = 0;
  virtual Brush setBrush(const Brush& brush) = 0;
  virtual FontSpec setFont(const FontSpec& font) = 0;
  virtual Color setTextColor(Color color) = 0;
  virtual Color setBackgroundColor(Color color) = 0;
  virtual BackgroundMode setBackgroundMode(BackgroundMode mode) = 0;

  // Current position; returns the previous one.
  virtual Point moveTo(int32_t x, int32_t y) = 0;
  virtual void lineTo(int32_t x, int32_t y) = 0;
  virtual void rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom) = 0;
  virtual void ellipse(int32_t left, int32_t top, int32_t right, int32_t bottom) = 0;
  virtual void fillRect(const Rect& rect, Color color) = 0;
  virtual void setPixel(int32_t x, int32_t y, Color color) = 0;

  // Text in UTF-8, drawn with the current font and text colour.
  virtual void textOut(int32_t x, int32_t y, const std::string& text) = 0;
  virtual Size textExtent(const std::string& text) const = 0;
  virtual TextMetrics textMetrics() const = 0;

  // Copies `image` with its top-left corner at (x, y), clipped to the surface.
  virtual void drawImage(int32_t x, int32_t y, const Image& image) = 0;

  // Makes `clip` the clip rectangle (cut to the surface) and returns the previous one.
  virtual Rect setClipRect(const Rect& clip) = 0;
  // The whole surface, the clip rectangle that clips nothing.
  Rect surface() const { return Rect{0, 0, width(), height()}; }
};

}  // namespace velmora
