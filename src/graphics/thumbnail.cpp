#include "graphics/thumbnail.h"

#include <algorithm>

#include "common/format.h"
#include "graphics/view_support.h"

namespace velmora {

namespace {

int32_t curveTop(const Rect& rect, int32_t lineHeight) {
  return rect.top + 1 + lineHeight + lineHeight / 4;
}

// The zero line and the curve, shifted by (dx, dy).
void drawCurve(Canvas& canvas, const PulseHeader& etalon, int32_t amplitude, int32_t left,
               int32_t y0, int32_t w, int32_t h, int32_t dx, int32_t dy) {
  const int32_t zero = y0 + h / 2 + dy;
  canvas.moveTo(left + dx, zero);
  canvas.lineTo(left + w + dx, zero);
  canvas.moveTo(left + dx, zero);
  const int32_t n = etalon.wSize;
  int32_t x = left;
  for (int32_t j = 0; j < n; ++j) {
    x = n > 1 ? left + static_cast<int32_t>(int64_t{j} * w / (n - 1)) : left;
    const int64_t v = etalon.lpData[j];
    int64_t y = y0 + h - (v + amplitude) * h / (2 * int64_t{amplitude});
    y = std::clamp<int64_t>(y, y0, y0 + h);
    canvas.lineTo(x + dx, static_cast<int32_t>(y) + dy);
  }
  canvas.lineTo(x + dx, zero);
}

}  // namespace

void drawThumbnail(Canvas& canvas, const PulseHeader* etalon, int32_t amplitude, int highlight,
                   const Rect& rect, int32_t lineHeight) {
  if (etalon == nullptr) return;
  {
    const BackgroundMode mode = canvas.setBackgroundMode(BackgroundMode::kTransparent);
    textWithin(canvas, rect.left, rect.top + 2, formatText(" %c ", etalonLetter(etalon->wNumber)));
    canvas.setBackgroundMode(mode);
  }
  const int32_t w = rect.right - rect.left;
  const int32_t h = rect.bottom - rect.top;
  if (w < 1 || h < 2 || etalon->lpData == nullptr || etalon->wSize == 0) return;
  amplitude = std::max(amplitude, int32_t{1});
  const int32_t y0 = curveTop(rect, lineHeight);
  if (highlight == kThumbnailPlain) {
    drawCurve(canvas, *etalon, amplitude, rect.left, y0, w, h, 0, 0);
    return;
  }
  const Color back = highlight == kThumbnailCurrent ? kThumbnailCurrentColor : kThumbnailMarkedColor;
  canvas.fillRect(Rect{rect.left - 3, y0 - 1, rect.left + w + 6, y0 + h + 1}, back);
  PenScope white(canvas, Pen{kWhite, PenStyle::kSolid, 1});
  drawCurve(canvas, *etalon, amplitude, rect.left, y0, w, h, 0, 0);
  drawCurve(canvas, *etalon, amplitude, rect.left, y0, w, h, 1, 0);
  drawCurve(canvas, *etalon, amplitude, rect.left, y0, w, h, 0, -1);
}

Rect thumbnailRectInCell(const Rect& cell, int32_t lineHeight) {
  Rect r;
  r.left = cell.left + 4;
  r.top = cell.top + 1;
  r.right = std::max(r.left, cell.right - 7);
  const int32_t y0 = curveTop(r, lineHeight);
  r.bottom = std::max(r.top, r.top + (cell.bottom - 2 - y0));
  return r;
}

}  // namespace velmora
