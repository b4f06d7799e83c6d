#include "graphics/pattern_box.h"

#include <algorithm>

#include "graphics/thumbnail.h"
#include "graphics/view_support.h"

namespace velmora {

int32_t patternListRows(const SeriesHeader& s) {
  if (s.selectedSubsetSize == nullptr || s.selectedSubsetList == nullptr) return 0;
  return std::min(s.wSubsets, s.wReservedSubsets);
}

int32_t patternRowSize(const SeriesHeader& s, int32_t row) {
  return std::clamp<int32_t>(s.selectedSubsetSize[row], 0, s.wReservedSubsetSize);
}

int32_t longestPattern(const SeriesHeader& s) {
  int32_t longest = 0;
  for (int32_t r = 0; r < patternListRows(s); ++r)
    longest = std::max(longest, patternRowSize(s, r));
  return longest;
}

int32_t attachedPatternSize(const SeriesHeader& s) {
  return s.lpSubset ? std::min(s.wSubsetSize, s.wSubsetStored) : 0;
}

const PulseHeader* seriesEtalon(const SeriesHeader& s, int32_t number) {
  if (number < 1 || number > s.wEtalons || s.lpPulsesList == nullptr) return nullptr;
  const PulseHeader* e = s.lpPulsesList[number - 1];
  return e != nullptr && e->lpData != nullptr ? e : nullptr;
}

void placePatternRows(PatternBoxLayout& box, const SeriesHeader& s, int32_t left, int32_t top,
                      int32_t width, int32_t cw, int32_t gx, int32_t gy, int32_t rowHeight,
                      int32_t lineHeight) {
  const int32_t h = lineHeight;
  for (int32_t r = 0; r < patternListRows(s); ++r) {
    const int32_t x = left + gx;
    const int32_t y = top + gy / 2 + r * (rowHeight + gy);
    box.rows.push_back(Rect{x, y, x + width, y + rowHeight + gy});
    box.rowHighlights.push_back(0);
    std::vector<Rect> row;
    const int32_t size = patternRowSize(s, r);
    for (int32_t b = 0, cx = x; b < size; ++b, cx += cw + gx)
      row.push_back(Rect{cx + gx, y - gy - 1, cx + cw - 2 * gx, y + rowHeight - 2 * gy - h});
    box.cells.push_back(std::move(row));
  }
}

void placePatternCells(PatternBoxLayout& box, const SeriesHeader& s, int32_t left, int32_t top,
                       int32_t cw, int32_t gx, int32_t rowHeight, int32_t lineHeight) {
  std::vector<Rect> row;
  const int32_t size = attachedPatternSize(s);
  for (int32_t b = 0, cx = left + gx; b < size; ++b, cx += cw + gx)
    row.push_back(thumbnailRectInCell(Rect{cx, top, cx + cw, top + rowHeight}, lineHeight));
  box.cells.push_back(std::move(row));
}

void placePatternCaption(PatternBoxLayout& box, Size caption, int32_t right, int32_t top) {
  box.captionX = right - 10 - caption.cx;
  box.captionY = top - (caption.cy / 4 + caption.cy / 2);
}

bool patternBoxWithin(const PatternBoxLayout& box, const Rect& area) {
  const Rect bounds = halfOpenOf(area);
  bool within = halfOpenWithin(box.frame, bounds);
  for (const auto& row : box.cells)
    for (const Rect& cell : row) within = within && halfOpenWithin(cell, bounds);
  return within;
}

void drawPatternBox(Canvas& canvas, const PatternBoxLayout& box, const SeriesHeader& s,
                    int32_t amplitude, int32_t lineHeight) {
  if (!box.shown) return;
  canvas.rectangle(box.frame.left, box.frame.top, box.frame.right, box.frame.bottom);
  textWithin(canvas, box.captionX, box.captionY, box.caption);
  for (size_t a = 0; a < box.cells.size(); ++a) {
    const int16_t* entries = box.list ? s.selectedSubsetList[a] : s.lpSubset;
    const int highlight = box.list && a < box.rowHighlights.size() ? box.rowHighlights[a]
                                                                   : kThumbnailPlain;
    for (size_t b = 0; b < box.cells[a].size(); ++b)
      drawThumbnail(canvas, seriesEtalon(s, entries[b]), amplitude, highlight, box.cells[a][b],
                    lineHeight);
  }
}

}  // namespace velmora
