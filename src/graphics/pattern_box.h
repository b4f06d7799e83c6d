// The box of pattern tuples that the results view and the statistics view show for tuple
// series: a frame, a caption over its top right edge and the thumbnails of the pattern,
// either one row for the attached pattern or one row per pattern tuple of the list. The
// views place the box differently; the rows, the cells, the caption and the drawing are
// the same.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/geometry.h"
#include "graphics/canvas.h"
#include "model/series.h"

namespace velmora {

inline constexpr const char* kPatternTuple = " pattern tuple ";
inline constexpr const char* kPatternTuples = " pattern tuples ";

struct PatternBoxLayout {
  bool shown = false;
  bool list = false;  // one row per pattern tuple (tuple recognition)
  Rect frame;         // as drawn, half-open
  int32_t captionX = 0, captionY = 0;
  std::string caption;
  std::vector<Rect> rows;                // list: the rows' rectangles, for the mouse
  std::vector<int> rowHighlights;        // list: highlight of each row's thumbnails
  std::vector<std::vector<Rect>> cells;  // per row, the thumbnails' rectangles
};

// The pattern tuples of the list the series holds, bounded by its store; the size of row
// r within the store; the longest row (0 without rows).
int32_t patternListRows(const SeriesHeader& s);
int32_t patternRowSize(const SeriesHeader& s, int32_t row);
int32_t longestPattern(const SeriesHeader& s);
// The entries of the attached pattern the series actually holds.
int32_t attachedPatternSize(const SeriesHeader& s);

// The etalon of number `number` in the series' alphabet; null for a number that names none.
const PulseHeader* seriesEtalon(const SeriesHeader& s, int32_t number);

// Rows of the list form: row r starts at (left + gx, top + gy / 2 + r (rowHeight + gy)) and
// is `width` wide and rowHeight + gy high; its thumbnails follow each other cw + gx apart.
// Row highlights are plain; the caller sets them.
void placePatternRows(PatternBoxLayout& box, const SeriesHeader& s, int32_t left, int32_t top,
                      int32_t width, int32_t cw, int32_t gx, int32_t gy, int32_t rowHeight,
                      int32_t lineHeight);

// The attached pattern in one row: cells cw wide and rowHeight high, cw + gx apart from
// left + gx, their tops at `top`.
void placePatternCells(PatternBoxLayout& box, const SeriesHeader& s, int32_t left, int32_t top,
                       int32_t cw, int32_t gx, int32_t rowHeight, int32_t lineHeight);

// The caption 10 pixels inside the right edge, three quarters of its height above `top`.
void placePatternCaption(PatternBoxLayout& box, Size caption, int32_t right, int32_t top);

// True when the frame and every cell (half-open) lie inside the inclusive `area`.
bool patternBoxWithin(const PatternBoxLayout& box, const Rect& area);

// The frame with the current brush, so that the box covers what lies under it, the caption
// and the thumbnails with half-range `amplitude`.
void drawPatternBox(Canvas& canvas, const PatternBoxLayout& box, const SeriesHeader& s,
                    int32_t amplitude, int32_t lineHeight);

}  // namespace velmora
