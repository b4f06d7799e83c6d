// Colours and the in-memory RGB image that the views are drawn into and the snapshot
// writers read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmora {

struct Color {
  uint8_t r = 0;
  uint8_t g = 0;
  uint8_t b = 0;

  constexpr bool operator==(const Color& o) const { return r == o.r && g == o.g && b == o.b; }
  constexpr bool operator!=(const Color& o) const { return !(*this == o); }
  // 0x00RRGGBB.
  constexpr uint32_t packed() const {
    return (uint32_t{r} << 16) | (uint32_t{g} << 8) | uint32_t{b};
  }
  static constexpr Color fromPacked(uint32_t v) {
    return Color{static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8),
                 static_cast<uint8_t>(v)};
  }
};

constexpr Color rgb(int r, int g, int b) {
  return Color{static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b)};
}

inline constexpr Color kBlack = rgb(0, 0, 0);
inline constexpr Color kWhite = rgb(255, 255, 255);
// The main window's background colour.
inline constexpr Color kWindowBackground = kWhite;

// An RGB image, rows top to bottom, each pixel 0x00RRGGBB.
struct Image {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> pixels;

  Image() = default;
  Image(int32_t w, int32_t h, Color fill = kWhite)
      : width(w), height(h),
        pixels(static_cast<size_t>(w > 0 ? w : 0) * static_cast<size_t>(h > 0 ? h : 0),
               fill.packed()) {}

  bool empty() const { return pixels.empty(); }
  bool contains(int32_t x, int32_t y) const {
    return x >= 0 && y >= 0 && x < width && y < height;
  }
  uint32_t& at(int32_t x, int32_t y) { return pixels[static_cast<size_t>(y) * width + x]; }
  uint32_t at(int32_t x, int32_t y) const {
    return pixels[static_cast<size_t>(y) * width + x];
  }
  Color color(int32_t x, int32_t y) const { return Color::fromPacked(at(x, y)); }
};

}  // namespace velmora
