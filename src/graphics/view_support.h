// Small drawing helpers the views share: the line height of the current font, text kept
// inside the drawing surface, pens, brushes and clip rectangles selected only for one
// drawing. The views format their texts with formatText (common/format.h).
#pragma once

#include <cstdint>
#include <string>

#include "graphics/canvas.h"

namespace velmora {

// Line height of the canvas's current font: cell height + external leading - 1, at least 1.
int32_t lineHeightOf(const Canvas& canvas);

// How a text that does not fit is shortened: by characters, or back to its last blank so
// that no item of a blank-separated list (a pulse's position, say) shows only in part.
enum class TextCut { kCharacters, kWords };

// No limit but the surface's right edge.
inline constexpr int32_t kNoTextLimit = INT32_MAX;

// Draws `text` at (x, y) when its cell lies within the surface vertically and starts on
// it; what would run past the surface's right edge or past `right` (exclusive) is left
// off, as `cut` says. Returns the width drawn.
int32_t textWithin(Canvas& canvas, int32_t x, int32_t y, const std::string& text,
                   int32_t right = kNoTextLimit, TextCut cut = TextCut::kCharacters);

// Selects a pen (or brush) for the lifetime of the object and restores the previous one.
class PenScope {
 public:
  PenScope(Canvas& canvas, const Pen& pen) : canvas_(canvas), previous_(canvas.setPen(pen)) {}
  ~PenScope() { canvas_.setPen(previous_); }
  PenScope(const PenScope&) = delete;
  PenScope& operator=(const PenScope&) = delete;

 private:
  Canvas& canvas_;
  Pen previous_;
};

class BrushScope {
 public:
  BrushScope(Canvas& canvas, const Brush& brush)
      : canvas_(canvas), previous_(canvas.setBrush(brush)) {}
  ~BrushScope() { canvas_.setBrush(previous_); }
  BrushScope(const BrushScope&) = delete;
  BrushScope& operator=(const BrushScope&) = delete;

 private:
  Canvas& canvas_;
  Brush previous_;
};

// Narrows the canvas's clip rectangle to `clip` (left..right-1 × top..bottom-1) for the
// lifetime of the object and restores the previous one.
class ClipScope {
 public:
  ClipScope(Canvas& canvas, const Rect& clip);
  ~ClipScope() { canvas_.setClipRect(previous_); }
  ClipScope(const ClipScope&) = delete;
  ClipScope& operator=(const ClipScope&) = delete;

 private:
  Canvas& canvas_;
  Rect previous_;
};

// Draws the outline of (left, top, right, bottom) with the current pen, inside untouched.
void frameRect(Canvas& canvas, int32_t left, int32_t top, int32_t right, int32_t bottom);

}  // namespace velmora
