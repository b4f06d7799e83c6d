#include "graphics/value_selector.h"

#include <algorithm>
#include <cstdio>

namespace velmora {

namespace {

bool fits(const Rect& clip, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  return left <= right && top <= bottom && left >= clip.left && top >= clip.top &&
         right <= clip.right && bottom <= clip.bottom;
}

void textIfFits(Canvas& canvas, const Rect& clip, int32_t x, int32_t y, const std::string& text) {
  const Size extent = canvas.textExtent(text);
  if (fits(clip, x, y, x + extent.cx, y + extent.cy)) canvas.textOut(x, y, text);
}

}  // namespace

void drawValueSelector(Canvas& canvas, const ValueSelectorInputs& in,
                       std::vector<Rect>& valueRects) {
  const size_t count = in.values.size();
  valueRects.assign(count, kNoRect);
  const Rect& f = in.frame;
  const int32_t lh = in.lineHeight;
  if (lh < 1 || !fits(in.clip, f.left, f.top, f.right, f.bottom)) return;

  canvas.moveTo(f.left, f.top);
  canvas.lineTo(f.right, f.top);
  canvas.lineTo(f.right, f.bottom);
  canvas.lineTo(f.left, f.bottom);
  canvas.lineTo(f.left, f.top);

  // The title sits on the frame's top line.
  textIfFits(canvas, in.clip, f.left + 5, f.top - lh / 2, in.title);

  const Brush previousBrush = canvas.setBrush(Brush{kWhite, false});
  const int32_t rowStep = lh + lh / 2;
  const int32_t markLeft = f.left + 10;
  int32_t rowTop = f.top + rowStep;
  for (size_t k = 0; k < count; ++k, rowTop += rowStep) {
    const Rect row{markLeft, rowTop, f.right - 9, rowTop + rowStep - 1};
    // A row is shown, and can be clicked, only when it and its mark lie in the frame.
    if (row.bottom > f.bottom || markLeft + lh > row.right) break;
    canvas.ellipse(markLeft, rowTop, markLeft + lh, rowTop + lh);
    char text[32];
    std::snprintf(text, sizeof text, " %5d ", static_cast<int>(in.values[k]));
    textIfFits(canvas, in.clip, markLeft + 2 * lh, rowTop, text);
    valueRects[k] = row;
  }

  size_t chosen = 0;
  if (in.chosenIndex >= 1 && static_cast<size_t>(in.chosenIndex) <= count)
    chosen = static_cast<size_t>(in.chosenIndex) - 1;
  if (count > 0 && valueRects[chosen].right >= valueRects[chosen].left) {
    const Rect& r = valueRects[chosen];
    const int32_t inset = std::max(1, (lh + 1) / 8);
    const Color colour = in.currentValue == in.values[chosen] ? kBlack : kChosenForNextSeries;
    const Pen previousPen = canvas.setPen(Pen{colour});
    canvas.setBrush(Brush{colour, false});
    canvas.ellipse(r.left + inset, r.top + inset, r.left + lh - inset, r.top + lh - inset);
    canvas.setPen(previousPen);
  }
  canvas.setBrush(previousBrush);
}

}  // namespace velmora
