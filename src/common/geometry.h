// Points, sizes, rectangles and line ends in client pixels.
//
// The rectangle convention. The four edges of a rectangle are pixel coordinates, and every
// rectangle is one of two kinds, said where it is declared and named by the helpers below:
// - half-open: covers left..right-1 × top..bottom-1, so right - left is its width. This is
//   the drawing kind: Canvas::fillRect, Canvas::rectangle, the clip rectangle, invalidated
//   rectangles, and the views' cells, boxes, handles and buttons.
// - inclusive: covers left..right × top..bottom. This is the layout kind: the window
//   layout's areas and panels, the graph areas the views are given, the frames drawn as
//   outlines around them, and the clip of a ClippingCanvas.
// A rectangle of either kind with right < left or bottom < top covers nothing (kNoRect);
// a half-open one also covers nothing with right == left or bottom == top.
#pragma once

#include <cstdint>

namespace velmora {

struct Point {
  int32_t x = 0;
  int32_t y = 0;
  bool operator==(const Point& o) const { return x == o.x && y == o.y; }
};

struct Size {
  int32_t cx = 0;
  int32_t cy = 0;
  bool operator==(const Size& o) const { return cx == o.cx && cy == o.cy; }
};

// A rectangle (left, top, right, bottom) of either kind; see above.
struct Rect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;

  bool operator==(const Rect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
  bool operator!=(const Rect& o) const { return !(*this == o); }
};

// The empty inclusive rectangle: nothing is drawn there and no point lies in it.
inline constexpr Rect kNoRect{0, 0, -1, -1};

// Whether (x, y) lies in an inclusive rectangle.
constexpr bool containsInclusive(const Rect& r, int32_t x, int32_t y) {
  return x >= r.left && x <= r.right && y >= r.top && y <= r.bottom;
}
// The layout code's name for containsInclusive.
constexpr bool rectContains(const Rect& r, int32_t x, int32_t y) {
  return containsInclusive(r, x, y);
}

// Whether (x, y) lies in a half-open rectangle.
constexpr bool containsHalfOpen(const Rect& r, int32_t x, int32_t y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// The half-open rectangle that covers the pixels of an inclusive one, and back.
constexpr Rect halfOpenOf(const Rect& inclusive) {
  return Rect{inclusive.left, inclusive.top, inclusive.right + 1, inclusive.bottom + 1};
}
constexpr Rect inclusiveOf(const Rect& halfOpen) {
  return Rect{halfOpen.left, halfOpen.top, halfOpen.right - 1, halfOpen.bottom - 1};
}

// Whether a half-open rectangle covers no pixel.
constexpr bool emptyHalfOpen(const Rect& r) { return r.right <= r.left || r.bottom <= r.top; }

// Whether the half-open `inner` covers at least one pixel and all of them lie in the
// half-open `outer`.
constexpr bool halfOpenWithin(const Rect& inner, const Rect& outer) {
  return !emptyHalfOpen(inner) && inner.left >= outer.left && inner.top >= outer.top &&
         inner.right <= outer.right && inner.bottom <= outer.bottom;
}

// A rectangle as the records store it (the parameters panel's cells, handles, markers and
// buttons, all half-open; the record says where a field holds inclusive corners).
struct CellRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
};

// A drawn line from (x1, y1) to (x2, y2), in client pixels.
struct LineEnds {
  int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  bool operator==(const LineEnds& o) const {
    return x1 == o.x1 && y1 == o.y1 && x2 == o.x2 && y2 == o.y2;
  }
};

}  // namespace velmora
