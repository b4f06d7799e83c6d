#include "shell/subset_panel.h"

#include <algorithm>
#include <new>

#include "graphics/subset_view.h"
#include "graphics/view_support.h"
#include "shell/commands.h"
#include "shell/window_reporter.h"

namespace velmora {

namespace {

bool prepared(const SubsetSelection& sel) {
  return sel.capacity >= kSubsetCapacity && sel.selectedSubset != nullptr;
}

SubsetViewInputs subsetViewInputs(const Canvas& canvas, const AppState& s) {
  const SubsetSelection& sel = s.records.selection;
  const SeriesHeader* series = s.records.lpSeriesHeader;
  SubsetViewInputs in;
  in.area = s.layout.graphArea;
  // The window font's measures as the last layout took them, else the canvas's own.
  in.lineHeight = s.layout.lineHeight > 0 ? s.layout.lineHeight : lineHeightOf(canvas);
  in.aveCharWidth = std::max(
      1, s.layout.aveCharWidth > 0 ? s.layout.aveCharWidth : canvas.textMetrics().aveCharWidth);
  in.listPanel = s.problem.wEffectiveTaskType == kTaskTupleRecognition;
  in.required = s.etalons.lpRequiredList;
  in.requiredCount = s.etalons.lpRequiredList ? s.etalons.wRequiredCount : 0;
  in.amplitude = s.etalons.wEtalonAmplitude;
  if (series) {
    in.alphabetCount = series->wEtalons;
    in.visibleSlots = std::min<int32_t>(kSubsetSlots, series->wMaxPulses);
    in.etalons = series->lpPulsesList;
    in.etalonCount = series->lpPulsesList ? series->wEtalons : 0;
    if (series->wAmplitude > 0) in.amplitude = series->wAmplitude;
  }
  in.subset = sel.selectedSubset;
  in.marks = sel.marks;
  in.count = std::clamp(sel.count, 0, sel.capacity);
  in.sizes = sel.selectedSubsetArraySize;
  in.rows = sel.rows.empty() ? nullptr : sel.rows.data();
  in.reservedRows = static_cast<int32_t>(std::min<size_t>(sel.reservedRows, sel.rows.size()));
  in.rowsInUse = std::clamp(sel.rowsInUse, 0, in.reservedRows);
  in.currentRow = sel.currentRow;
  return in;
}

// Removes the marked entries, from the back, closing the gaps.
void removeMarked(SubsetSelection& sel) {
  for (int32_t k = std::min(sel.count, sel.capacity) - 1; k >= 0; --k) {
    if (!sel.marks[k]) continue;
    std::copy(sel.selectedSubset + k + 1, sel.selectedSubset + sel.count, sel.selectedSubset + k);
    std::copy(sel.marks + k + 1, sel.marks + sel.count, sel.marks + k);
    --sel.count;
    sel.selectedSubset[sel.count] = 0;
    sel.marks[sel.count] = 0;
  }
}

void clearSubset(SubsetSelection& sel) {
  std::fill(sel.selectedSubset, sel.selectedSubset + sel.capacity, 0);
  std::fill(sel.marks, sel.marks + sel.capacity, 0);
  sel.count = 0;
}

// OK: hands the selection to the series. False when there was nothing to hand over.
bool handOver(Window& window, AppState& s) {
  SubsetSelection& sel = s.records.selection;
  const uint16_t mode = static_cast<uint16_t>(s.subsets.dwSubsetEmploymentMode);
  const uint16_t position = static_cast<uint16_t>(s.subsets.dwSubsetInitPosition);
  if (s.problem.wEffectiveTaskType == kTaskTupleRecognition) {
    if (sel.rowsInUse < 1) return false;
    WindowReporter shown(window);
    return addSomeSelectedSubsetToSeriesHeader(
               shown, sel.selectedSubsetArraySize, sel.rows.data(), sel.rowsInUse, sel.reservedRows,
               sel.capacity, sel.currentRow, mode, position, s.records.lpSeriesHeader) == 1;
  }
  if (sel.count < 1) return false;
  addSubsetToSeriesHeader(sel.selectedSubset, sel.count, mode, position, s.records.lpSeriesHeader);
  return true;
}

bool hit(const Rect& r, int32_t x, int32_t y) { return containsHalfOpen(r, x, y); }

}  // namespace

void paintSubsetSelection(Canvas& canvas, Window& window, AppState& state) {
  if (!prepareSubsetSelection(window, state)) return;
  SubsetSelection& sel = state.records.selection;
  if (sel.ButtonsWhileSelectedSubsetRect.empty()) {
    try {
      sel.ButtonsWhileSelectedSubsetRect.assign(kSubsetButtons, Rect{});
    } catch (const std::bad_alloc&) {
      freeSubsetSelection(sel);
      window.messageBox(kTextNoMemoryButtonRects, nullptr, kMbOk);
      return;
    }
  }
  // After " Accept " or " Clear All " the entries show as marked, so that the next cell
  // click starts a new subset.
  if (sel.justChanged)
    std::fill(sel.marks, sel.marks + std::clamp(sel.count, 0, sel.capacity), 1);

  const SubsetViewInputs in = subsetViewInputs(canvas, state);
  const SubsetViewLayout layout = layoutSubsetView(canvas, in);
  sel.cellRects = layout.cells;
  sel.subsetRowRect = layout.subsetRow;
  std::copy(layout.slots.begin(), layout.slots.end(), sel.possibleSubsetRect.begin());
  std::copy(layout.buttons.begin(), layout.buttons.end(),
            sel.ButtonsWhileSelectedSubsetRect.begin());
  for (size_t r = 0; r < sel.possibleSubsetArrayRect.size(); ++r) {
    Rect* rects = sel.possibleSubsetArrayRect[r];
    if (r < layout.listRows.size())
      std::copy(layout.listRows[r].begin(), layout.listRows[r].end(), rects);
    else
      std::fill(rects, rects + kRowFrameIndex + 1, Rect{});
  }
  // The panel covers the graph area.
  state.layout.subsetPanel = state.layout.graphArea;

  drawSubsetView(canvas, in, layout);
  sel.justChanged = 0;
}

bool subsetSelectionButtonDown(Window& window, AppState& s, int32_t x, int32_t y) {
  SubsetSelection& sel = s.records.selection;
  if (!prepared(sel)) return false;
  const size_t cells = std::min<size_t>(sel.cellRects.size(),
                                        s.etalons.lpRequiredList ? s.etalons.wRequiredCount : 0);
  for (size_t k = 0; k < cells; ++k) {
    if (!hit(sel.cellRects[k], x, y)) continue;
    removeMarked(sel);
    if (sel.count < sel.capacity) {
      sel.selectedSubset[sel.count] = s.etalons.lpRequiredList[k];
      sel.marks[sel.count] = 0;
      ++sel.count;
    }
    window.sendCommand(kCmdRepaintSubsetPanel);
    return true;
  }
  if (hit(sel.subsetRowRect, x, y)) {
    std::fill(sel.marks, sel.marks + sel.capacity, 0);
    for (int32_t k = 0; k < std::min(sel.count, sel.capacity); ++k) {
      if (hit(sel.possibleSubsetRect[static_cast<size_t>(k)], x, y)) {
        sel.marks[k] = 1;
        break;
      }
    }
    window.sendCommand(kCmdRepaintSubsetPanel);
    return true;
  }
  auto button = [&](int b) {
    return static_cast<size_t>(b) < sel.ButtonsWhileSelectedSubsetRect.size() &&
           hit(sel.ButtonsWhileSelectedSubsetRect[static_cast<size_t>(b)], x, y);
  };
  if (button(kSubsetButtonDeleteAll)) {
    clearSubset(sel);
    window.sendCommand(kCmdRepaintSubsetPanel);
    return true;
  }
  if (button(kSubsetButtonDelete)) {
    removeMarked(sel);
    window.sendCommand(kCmdRepaintSubsetPanel);
    return true;
  }
  if (button(kSubsetButtonCancel)) {
    clearSubset(sel);
    s.view.dwViewMode = kViewResults;
    s.view.dwPendingSeriesLength = s.view.dwPendingNoise = s.view.dwPendingLost = 0;
    window.sendCommand(kCmdNewData);
    return true;
  }
  if (button(kSubsetButtonOk)) {
    if (!handOver(window, s)) {
      window.sendCommand(kCmdRepaintSubsetList);
      return true;
    }
    s.view.dwPendingStatus = 1;
    s.view.dwPendingLost = 0;
    s.view.dwViewMode = kViewResults;
    window.sendCommand(kCmdNewData);
    return true;
  }
  if (button(kSubsetButtonAccept)) {
    sel.rowsInUse = sel.currentRow =
        storeSubsetRow(sel.selectedSubset, sel.count, sel.selectedSubsetArraySize,
                       sel.rows.data(), sel.rowsInUse, sel.reservedRows);
    sel.justChanged = 1;
    window.sendCommand(kCmdRepaintSubsetList);
    return true;
  }
  if (button(kSubsetButtonClearAll)) {
    sel.rowsInUse = 0;
    sel.justChanged = 1;
    window.sendCommand(kCmdRepaintSubsetList);
    return true;
  }
  const int32_t used = std::min<int32_t>(sel.rowsInUse, static_cast<int32_t>(sel.possibleSubsetArrayRect.size()));
  for (int32_t r = 0; r < used; ++r) {
    if (hit(sel.possibleSubsetArrayRect[static_cast<size_t>(r)][kRowFrameIndex], x, y)) {
      sel.currentRow = r + 1;
      window.sendCommand(kCmdRepaintSubsetList);
      return true;
    }
  }
  return false;
}

}  // namespace velmora
