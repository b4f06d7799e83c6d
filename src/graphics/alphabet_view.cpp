#include "graphics/alphabet_view.h"

#include "graphics/view_support.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace velmora {

namespace {

// Whether the box (left..right × top..bottom, as given to the canvas) lies in `clip`.
bool fits(const Rect& clip, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  return left <= right && top <= bottom && left >= clip.left && top >= clip.top &&
         right <= clip.right && bottom <= clip.bottom;
}

void frameArea(Canvas& canvas, const Rect& r) {
  canvas.moveTo(r.left, r.top);
  canvas.lineTo(r.right, r.top);
  canvas.lineTo(r.right, r.bottom);
  canvas.lineTo(r.left, r.bottom);
  canvas.lineTo(r.left, r.top);
}

void textIfFits(Canvas& canvas, const Rect& clip, int32_t x, int32_t y, const std::string& text) {
  const Size extent = canvas.textExtent(text);
  if (fits(clip, x, y, x + extent.cx, y + extent.cy)) canvas.textOut(x, y, text);
}

void drawEtalon(Canvas& canvas, const AlphabetViewInputs& in, int32_t i,
                std::vector<CurvePoint>& points) {
  const int32_t cx = in.cells[i].left, cy = in.cells[i].top;
  const int32_t CW = in.cellWidth, CH = in.cellHeight;
  // The widest thing a cell draws is its grown frame, one pixel round the cell.
  if (CW < 1 || CH < 1 || !fits(in.clip, cx - 1, cy - 1, cx + CW + 1, cy + CH + 1)) return;
  const PulseHeader& pulse = in.alphabet[i];
  const bool required = in.requiredFlags && in.requiredFlags[i] == 1;
  const int32_t lh = in.lineHeight;

  int32_t x = cx + 5, y = cy + 5;
  const int32_t w = CW - 10, h = CH - 10 - lh;
  const int32_t energy = pulse.lpData ? pulseEnergy(pulse) : 0;
  char label[64];
  std::snprintf(label, sizeof label, " pulse %d [%d]", static_cast<int>(pulse.wNumber),
                static_cast<int>(energy));
  textIfFits(canvas, in.clip, x, y, label);
  y += lh;

  // The plot needs room for the curve's three strokes (w − 6 wide, one pixel over).
  if (w >= 7 && h >= 2) {
    canvas.moveTo(x, y);
    canvas.lineTo(x, y + h);
    canvas.moveTo(x, y + h / 2);
    canvas.lineTo(x + w - 1, y + h / 2);

    const int32_t n = pulse.lpData ? pulse.wSize : 0;
    if (n > 0) {
      const Pen previous = canvas.setPen(Pen{required ? kRequiredCurve : kOtherCurve});
      // Samples beyond the amplitude leave the plot; the cell's frame cuts them off.
      const ClipScope clip(canvas, Rect{cx, cy, cx + CW, cy + CH});
      points.resize(static_cast<size_t>(n));
      curvePoints(pulse, in.amplitude, x, y, w, h, points.data());
      const int32_t offsets[3][2] = {{0, 0}, {1, 0}, {0, -1}};
      for (const auto& d : offsets) {
        canvas.moveTo(x + d[0], y + h / 2 + d[1]);
        for (const CurvePoint& p : points) canvas.lineTo(p.x + d[0], p.y + d[1]);
        canvas.lineTo(points.back().x + d[0], y + h / 2 + d[1]);
      }
      canvas.setPen(previous);
    }
  }

  const Brush previousBrush = canvas.setBrush(Brush{kWhite, true});
  if (required) {
    const Pen previous = canvas.setPen(Pen{kRequiredFrame});
    canvas.rectangle(cx, cy, cx + CW, cy + CH);
    canvas.rectangle(cx + 1, cy + 1, cx + CW - 1, cy + CH - 1);
    canvas.rectangle(cx - 1, cy - 1, cx + CW + 1, cy + CH + 1);
    canvas.setPen(previous);
  } else {
    const Pen previous = canvas.setPen(Pen{kOtherFrame});
    canvas.rectangle(cx, cy, cx + CW, cy + CH);
    canvas.setPen(previous);
  }
  canvas.setBrush(previousBrush);
}

}  // namespace

void curvePoints(const PulseHeader& pulse, int32_t amplitude, int32_t x, int32_t y, int32_t w,
                 int32_t h, CurvePoint* out) {
  const int32_t n = pulse.wSize;
  // One sample has no spacing to divide: it sits at the left edge, as sample 0 always does.
  const int64_t spacing = n > 1 ? n - 1 : 1;
  const int64_t A = amplitude;
  for (int32_t j = 0; j < n; ++j) {
    out[j].x = static_cast<int32_t>(x + int64_t{j} * (w - 6) / spacing);
    if (A <= 0) {
      out[j].y = y + h / 2;
      continue;
    }
    const int64_t s = pulse.lpData[j];
    out[j].y = static_cast<int32_t>(y + h - (s + A) * h / (2 * A));
  }
}

void drawAlphabetView(Canvas& canvas, const AlphabetViewInputs& in) {
  const Rect& g = in.graphArea;
  if (fits(in.clip, g.left, g.top, g.right, g.bottom)) frameArea(canvas, g);
  if (!in.cells || !in.alphabet || in.lineHeight < 1) return;
  std::vector<CurvePoint> points;
  for (int32_t i = 0; i < in.count; ++i) drawEtalon(canvas, in, i, points);
}

}  // namespace velmora
