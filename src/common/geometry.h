// Rectangles in client pixels.
#pragma once

#include <cstdint>

namespace velmora {

// A rectangle in client pixels (left, top, right, bottom).
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

// Layout rectangles include their right and bottom edges; one with right < left (or
// bottom < top) is empty: nothing is drawn there and no point lies in it.
inline constexpr Rect kNoRect{0, 0, -1, -1};
constexpr bool rectContains(const Rect& r, int32_t x, int32_t y) {
  return x >= r.left && x <= r.right && y >= r.top && y <= r.bottom;
}

}  // namespace velmora
