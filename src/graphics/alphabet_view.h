// The alphabet view: every etalon in its own cell, as a curve under its number and
// energy, the required ones in bright blue with a thick grey frame.
#pragma once

#include <cstdint>

#include "common/geometry.h"
#include "graphics/canvas.h"
#include "model/alphabet.h"

namespace velmora {

struct AlphabetViewInputs {
  Rect graphArea = kNoRect;  // framed; inclusive
  // One cell per etalon, in alphabet order; only the top-left corners are used, the size
  // is cellWidth × cellHeight.
  const Rect* cells = nullptr;
  int32_t cellWidth = 0;
  int32_t cellHeight = 0;
  const PulseHeader* alphabet = nullptr;
  int32_t count = 0;
  const uint16_t* requiredFlags = nullptr;  // 1 = required
  int32_t amplitude = 128;
  int32_t lineHeight = 0;
  // Nothing is drawn outside this rectangle (inclusive): a part that does not fit in it
  // is left out.
  Rect clip = kNoRect;
};

inline constexpr Color kRequiredCurve = rgb(0, 0, 255);
inline constexpr Color kOtherCurve = rgb(0, 0, 127);
inline constexpr Color kRequiredFrame = rgb(163, 163, 163);
inline constexpr Color kOtherFrame = rgb(127, 127, 127);

// Draws the view; the canvas's pen and brush are restored afterwards.
void drawAlphabetView(Canvas& canvas, const AlphabetViewInputs& in);

// The points of an etalon's curve in a plot of w × h pixels whose top-left corner is
// (x, y): sample j at x + j × (w − 6) / (n − 1), and at y + h − (s + A) × h / (2A)
// vertically (samples beyond ±A are held at the plot's edge). A single sample sits at
// the plot's left edge.
struct CurvePoint {
  int32_t x = 0;
  int32_t y = 0;
};
void curvePoints(const PulseHeader& pulse, int32_t amplitude, int32_t x, int32_t y, int32_t w,
                 int32_t h, CurvePoint* out);

}  // namespace velmora
