// The thumbnail of one etalon: its letter and its curve scaled into a rectangle, plain or
// on a highlight background. The subset selection view, the results view and the
// statistics view draw the etalons in use with it.
#pragma once

#include <cstdint>

#include "common/geometry.h"
#include "graphics/canvas.h"
#include "model/alphabet.h"

namespace velmora {

// Highlights of a thumbnail.
inline constexpr int kThumbnailPlain = 0;
inline constexpr int kThumbnailMarked = 1;   // grey background: a marked or recognised entry
inline constexpr int kThumbnailCurrent = 2;  // red background: the current row of a list

inline constexpr Color kThumbnailMarkedColor = rgb(163, 163, 163);
inline constexpr Color kThumbnailCurrentColor = rgb(255, 0, 0);

// The letter of etalon number e (1-based): 'a' for 1.
inline char etalonLetter(int32_t number) { return static_cast<char>(number + 96); }

// Draws etalon `etalon` in `rect` (left, top, right, bottom): " %c " with its letter at
// (left, top + 2); the curve from the zero line through the samples, the curve's top lying
// 1 + h + h / 4 below `rect.top` (h the line height) and its height being the rectangle's.
// `amplitude` is the sample value that reaches the top (at least 1 is used). Highlight 0
// draws with the current pen; 1 and 2 fill the curve's area grey or red and draw it in
// white three times (in place, one pixel right, one pixel up). Samples beyond the
// amplitude are held at the edge of the curve's area. Nothing is drawn for a null etalon.
void drawThumbnail(Canvas& canvas, const PulseHeader* etalon, int32_t amplitude, int highlight,
                   const Rect& rect, int32_t lineHeight);

// The rectangle to give drawThumbnail so that the letter, the curve and a highlight
// background all lie inside `cell` (a frame drawn as rectangle(cell)). Width or height 0
// when the cell is too small for a curve.
Rect thumbnailRectInCell(const Rect& cell, int32_t lineHeight);

}  // namespace velmora
