#include "graphics/subset_view.h"

#include <algorithm>

#include "common/format.h"
#include "graphics/thumbnail.h"
#include "graphics/view_support.h"

namespace velmora {

const char* const kSubsetButtonTexts[kSubsetButtons] = {" Delete All ", " Delete ", " Cancel ",
                                                        " OK ",         " Accept ", " Clear All "};

namespace {

constexpr const char* kReservedSubsetsFormat = " reserved subsets %d ";

Rect box(int32_t x, int32_t y, int32_t w, int32_t h) { return Rect{x, y, x + w, y + h}; }

bool empty(const Rect& r) { return r.right <= r.left || r.bottom <= r.top; }

// `r` when it is not empty and lies within the graph area, else an empty rectangle.
Rect within(const Rect& area, const Rect& r) {
  if (empty(r) || r.left < area.left || r.top < area.top || r.right > area.right + 1 ||
      r.bottom > area.bottom + 1)
    return Rect{};
  return r;
}

const PulseHeader* etalonOf(const SubsetViewInputs& in, int32_t number) {
  if (in.etalons == nullptr || number < 1 || number > in.etalonCount) return nullptr;
  return in.etalons[number - 1];
}

void frame(Canvas& canvas, const Rect& r) {
  if (!empty(r)) frameRect(canvas, r.left, r.top, r.right, r.bottom);
}

void thumbnailIn(Canvas& canvas, const SubsetViewInputs& in, const Rect& cell, int32_t number,
                 int highlight) {
  if (empty(cell)) return;
  const Rect r = thumbnailRectInCell(cell, in.lineHeight);
  if (empty(r)) return;
  drawThumbnail(canvas, etalonOf(in, number), in.amplitude, highlight, r, in.lineHeight);
}

}  // namespace

SubsetViewLayout layoutSubsetView(const Canvas& canvas, const SubsetViewInputs& in) {
  SubsetViewLayout out;
  const Rect& a = in.area;
  const int32_t fw = a.right - a.left + 1;
  const int32_t fh = a.bottom - a.top + 1;
  if (fw < 1 || fh < 1) return out;
  const int32_t mx = fw / 170;
  const int32_t my = fh / 131;
  const int32_t lh = in.lineHeight;
  const int32_t aw = in.aveCharWidth;

  const Rect upper{a.left + mx, a.top + my, a.right - mx, a.top + my + (fh - 3 * my) / 4};
  out.upper = within(a, upper);
  const int32_t gridRows = std::max(in.alphabetCount - 1, 0) / 10 + 1;
  const int32_t cw = (upper.right - upper.left - 11 * mx) / 10;
  const int32_t ch = (upper.bottom - upper.top - (gridRows + 1) * my) / gridRows;
  const int32_t cells = std::clamp(std::min(in.requiredCount, in.alphabetCount), 0, 20);
  for (int32_t k = 0; k < cells; ++k)
    out.cells.push_back(within(a, box(a.left + 2 * mx + (k % 10) * (cw + mx),
                                      a.top + 2 * my + (k / 10) * (ch + my), cw, ch)));

  const int32_t rowTop = upper.bottom + my + lh;
  const Rect row{a.left + mx, rowTop, a.right - mx, rowTop + ch + 2 * my};
  out.subsetRow = within(a, row);
  for (int32_t k = 0; k < kSubsetSlots; ++k)
    out.slots[k] = !empty(out.subsetRow)
                       ? within(a, box(a.left + 2 * mx + k * (cw + mx), rowTop + my, cw, ch))
                       : Rect{};

  // Buttons: all as wide as the widest text of the panel plus four characters.
  const int buttonsLeft[] = {kSubsetButtonDeleteAll, kSubsetButtonDelete,
                             in.listPanel ? kSubsetButtonAccept : kSubsetButtonCancel,
                             in.listPanel ? kSubsetButtonClearAll : kSubsetButtonOk};
  int32_t widest = 0;
  for (int b = 0; b < (in.listPanel ? kSubsetButtons : kSubsetButtonAccept); ++b)
    widest = std::max(widest, canvas.textExtent(kSubsetButtonTexts[b]).cx);
  const int32_t bw = widest + 4 * aw;
  const int32_t bh = 2 * lh - 1;
  const int32_t by = row.bottom + lh / 2;
  int32_t x = row.left;
  for (int b : buttonsLeft) {
    out.buttons[b] = within(a, box(x, by, bw, bh));
    x += bw + 2 * aw;
  }
  if (in.listPanel) {
    const int32_t cancel = row.right - 2 * (bw + aw);
    out.buttons[kSubsetButtonCancel] = within(a, box(cancel, by, bw, bh));
    out.buttons[kSubsetButtonOk] = within(a, box(cancel + bw + 2 * aw, by, bw, bh));
  }
  if (!in.listPanel || in.reservedRows <= 0) return out;

  // The list: its title under the buttons, then the rows in two columns filling the room
  // down to the area's bottom, each at most a cell (and its margins) high.
  out.titleX = row.left;
  out.titleY = by + bh + lh / 2;
  const Size title = canvas.textExtent(formatText(kReservedSubsetsFormat, in.reservedRows));
  out.titleShown = !empty(within(a, box(out.titleX, out.titleY, title.cx, title.cy)));
  const int32_t perColumn = (in.reservedRows + 1) / 2;
  const int32_t top = out.titleY + lh + my;
  const int32_t room = a.bottom + 1 - my - top;
  const int32_t rh = std::min(ch + 2 * my, (room - (perColumn - 1) * my) / perColumn);
  const int32_t colWidth = (row.right - row.left - mx) / 2;
  const int32_t gap = std::max(1, mx / 2);
  const int32_t sw = (colWidth - 11 * gap) / 10;
  out.listRows.resize(static_cast<size_t>(in.reservedRows));
  for (int32_t r = 0; r < in.reservedRows; ++r) {
    auto& rects = out.listRows[static_cast<size_t>(r)];
    const Rect f = within(a, box(row.left + (r / perColumn) * (colWidth + mx),
                                 top + (r % perColumn) * (rh + my), colWidth, rh));
    rects[kSubsetSlots] = f;
    for (int32_t j = 0; j < kSubsetSlots; ++j)
      rects[j] = empty(f) ? Rect{}
                          : within(a, Rect{f.left + gap + j * (sw + gap), f.top + 1,
                                           f.left + gap + j * (sw + gap) + sw, f.bottom - 1});
  }
  return out;
}

void drawRaisedButton(Canvas& canvas, const Rect& b, const std::string& text) {
  if (empty(b)) return;
  {
    PenScope pen(canvas, Pen{kSubsetViewBackground, PenStyle::kSolid, 1});
    BrushScope brush(canvas, Brush{kSubsetViewBackground, false});
    canvas.rectangle(b.left, b.top, b.right, b.bottom);
  }
  {
    PenScope dark(canvas, Pen{kButtonDarkEdge, PenStyle::kSolid, 1});
    canvas.moveTo(b.left, b.bottom - 1);
    canvas.lineTo(b.right - 1, b.bottom - 1);
    canvas.lineTo(b.right - 1, b.top - 1);
  }
  {
    PenScope shade(canvas, Pen{kButtonShadeEdge, PenStyle::kSolid, 1});
    canvas.moveTo(b.left + 1, b.bottom - 2);
    canvas.lineTo(b.right - 2, b.bottom - 2);
    canvas.lineTo(b.right - 2, b.top);
  }
  {
    PenScope light(canvas, Pen{kWhite, PenStyle::kSolid, 1});
    canvas.moveTo(b.left, b.bottom - 2);
    canvas.lineTo(b.left, b.top);
    canvas.lineTo(b.right - 1, b.top);
  }
  const Size t = canvas.textExtent(text);
  textWithin(canvas, b.left + (b.right - b.left - t.cx) / 2, b.top + (b.bottom - b.top - t.cy) / 2,
             text);
}

void drawSubsetView(Canvas& canvas, const SubsetViewInputs& in, const SubsetViewLayout& layout) {
  const Rect& a = in.area;
  if (a.right < a.left || a.bottom < a.top) return;
  const BackgroundMode mode = canvas.setBackgroundMode(BackgroundMode::kTransparent);
  canvas.fillRect(Rect{a.left, a.top, a.right + 1, a.bottom + 1}, kSubsetViewBackground);
  frameRect(canvas, a.left, a.top, a.right + 1, a.bottom + 1);
  frame(canvas, layout.upper);
  for (size_t k = 0; k < layout.cells.size(); ++k) {
    frame(canvas, layout.cells[k]);
    thumbnailIn(canvas, in, layout.cells[k], in.required ? in.required[k] : 0, kThumbnailPlain);
  }
  frame(canvas, layout.subsetRow);
  {
    PenScope grey(canvas, Pen{kSubsetSlotColor, PenStyle::kSolid, 1});
    for (int32_t k = 0; k < std::min(in.visibleSlots, kSubsetSlots); ++k)
      frame(canvas, layout.slots[k]);
  }
  // Entries beyond the visible slots still show in the row's further positions.
  const int32_t entries = std::clamp(in.count, 0, kSubsetSlots);
  for (int32_t k = 0; k < entries && in.subset; ++k) {
    frame(canvas, layout.slots[k]);
    const bool marked = in.marks != nullptr && in.marks[k] != 0;
    thumbnailIn(canvas, in, layout.slots[k], in.subset[k],
                marked ? kThumbnailMarked : kThumbnailPlain);
  }
  for (int b = 0; b < (in.listPanel ? kSubsetButtons : kSubsetButtonAccept); ++b)
    drawRaisedButton(canvas, layout.buttons[b], kSubsetButtonTexts[b]);

  if (in.listPanel) {
    if (layout.titleShown)
      textWithin(canvas, layout.titleX, layout.titleY,
                 formatText(kReservedSubsetsFormat, in.reservedRows));
    {
      PenScope rowPen(canvas, Pen{kSubsetListRowColor, PenStyle::kSolid, 1});
      for (const auto& rects : layout.listRows) frame(canvas, rects[kSubsetSlots]);
    }
    const int32_t used = std::min<int32_t>(in.rowsInUse, static_cast<int32_t>(layout.listRows.size()));
    for (int32_t r = 0; r < used && in.rows && in.sizes; ++r) {
      const auto& rects = layout.listRows[static_cast<size_t>(r)];
      const int32_t size = std::clamp(in.sizes[r], 0, kSubsetSlots);
      for (int32_t j = 0; j < size; ++j)
        thumbnailIn(canvas, in, rects[j], in.rows[r][j],
                    r + 1 == in.currentRow ? kThumbnailCurrent : kThumbnailPlain);
    }
  }
  canvas.setBackgroundMode(mode);
}

}  // namespace velmora
