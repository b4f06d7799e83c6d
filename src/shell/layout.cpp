#include "shell/layout.h"

#include <algorithm>

#include "graphics/results_view.h"

namespace velmora {

namespace {

// The etalon grid has r rows and r + 1 columns for up to kMaxEtalons etalons.
constexpr int32_t kMaxGridColumns = 5;

Rect slotAt(int32_t left, int32_t top) {
  return Rect{left, top, left + kSlotWidth - 1, top + kSlotHeight - 1};
}

}  // namespace

bool hasAllNoneButton(uint16_t effectiveTaskType) {
  return effectiveTaskType != kTaskDetection && effectiveTaskType != kTaskTupleDetection &&
         effectiveTaskType != kTaskTupleRecognition;
}

bool hasLostSelector(uint16_t seriesType) { return isCutoffSeries(seriesType); }

bool selectAllMode(const AppState& s) {
  const int32_t etalons = std::min<int32_t>(s.etalons.wEtalonCount, kMaxEtalons);
  int32_t flagged = 0;
  for (int32_t e = 0; e < etalons; ++e)
    if (s.etalons.requiredFlags[e] == 1) flagged++;
  return 2 * flagged <= s.etalons.wEtalonCount;
}

ClientSize minimumClientSize(const TextMetrics& m) {
  const int32_t lh = m.height + m.externalLeading - 1;
  ClientSize size;
  // Three selectors of kSelectorLines lines with a line between them start 10 pixels down;
  // the status strip starts five slot spacings above the bottom.
  const int32_t selectorsBottom = 10 + 3 * kSelectorLines * lh + 2 * lh;
  size.height = selectorsBottom + lh + 5 * kSlotSpacing;
  // The graph area starts 10 pixels in, holds its text 10 pixels further in, and ends 10
  // pixels before the button column; the etalon grid's rounding may take up to a pixel
  // per column.
  size.width = 10 + 10 + resultsPulseLineWidth(m.aveCharWidth) + 10 + kMaxGridColumns + 10 +
               kSlotInset;
  return size;
}

void layOut(ShellLayout& l, const AppState& s, const Rect& client, const TextMetrics& m) {
  l.client = client;
  l.lineHeight = m.height + m.externalLeading - 1;
  l.aveCharWidth = m.aveCharWidth;
  l.maxCharWidth = m.maxCharWidth;
  const int32_t lh = l.lineHeight;
  const int32_t R = client.right, B = client.bottom;

  // The button column, from the bottom up.
  const int32_t slotLeft = R - kSlotInset;
  l.exitSlot = slotAt(slotLeft, B - kSlotSpacing);
  l.startSlot = slotAt(slotLeft, B - 2 * kSlotSpacing);
  int32_t nextTop = B - 3 * kSlotSpacing;
  if (hasAllNoneButton(s.problem.wEffectiveTaskType)) {
    l.allNoneButton = slotAt(slotLeft, nextTop);
    nextTop -= kSlotSpacing;
  } else {
    l.allNoneButton = kNoRect;
  }
  l.resultsSlot = slotAt(slotLeft, nextTop);
  l.statusStrip = Rect{l.resultsSlot.left, l.resultsSlot.top - kSlotSpacing,
                       l.resultsSlot.right, B - 95};
  l.selectAll = selectAllMode(s);

  // The etalon grid: r rows and r + 1 columns, the fewest that hold every etalon. Cell
  // sizes are truncated; a client too small for the grid gives cells of size 0 or less,
  // which the views do not draw.
  const int32_t count = std::min<int32_t>(s.etalons.wEtalonCount, kMaxEtalons);
  int32_t r = 1;
  while (r * (r + 1) < s.etalons.wEtalonCount) r++;
  const int32_t c = r + 1;
  l.gridRows = r;
  l.gridColumns = c;
  const int32_t graphLeft = client.left + 10;
  const int32_t graphTop = client.top + 10;
  const int32_t availableWidth = (l.exitSlot.left - 10) - graphLeft + 1;
  const int32_t availableHeight = (B - 10) - graphTop + 1;
  l.cellWidth = (availableWidth - 10 * (c + 1)) / c;
  l.cellHeight = (availableHeight - 10 * (r + 1)) / r;
  l.innerCellWidth = l.cellWidth - 10;
  l.innerCellHeight = l.cellHeight - 10;
  l.graphArea = Rect{graphLeft, graphTop, graphLeft + c * l.cellWidth + 10 * (c + 1) - 1,
                     graphTop + r * l.cellHeight + 10 * (r + 1) - 1};
  l.cellCount = count;
  for (int32_t i = 0; i < kMaxEtalons; ++i) {
    if (i >= count) {
      l.etalonCells[i] = kNoRect;
      continue;
    }
    const int32_t left = graphLeft + 10 + (i % c) * (l.cellWidth + 10);
    const int32_t top = graphTop + 10 + (i / c) * (l.cellHeight + 10);
    l.etalonCells[i] = Rect{left, top, left + l.cellWidth - 1, top + l.cellHeight - 1};
  }

  // The value selectors, right of the graph area, one below the other.
  const int32_t selectorLeft = l.graphArea.right + 10;
  const int32_t selectorRight = R - 10;
  const int32_t height = kSelectorLines * lh;
  l.seriesLengthSelector = Rect{selectorLeft, graphTop, selectorRight, graphTop + height};
  const int32_t noiseTop = l.seriesLengthSelector.bottom + lh;
  l.noiseSelector = Rect{selectorLeft, noiseTop, selectorRight, noiseTop + height};
  if (hasLostSelector(s.problem.wSeriesType)) {
    const int32_t lostTop = l.noiseSelector.bottom + lh;
    l.lostSelector = Rect{selectorLeft, lostTop, selectorRight, lostTop + height};
  } else {
    l.lostSelector = kNoRect;
    l.lostValues.clear();
  }
}

}  // namespace velmora
