#include "shell/mouse.h"

#include <algorithm>

#include "shell/commands.h"
#include "shell/layout.h"
#include "shell/params_panel.h"
#include "shell/pipeline.h"
#include "shell/scripting.h"
#include "shell/subset_panel.h"
#include "shell/window_reporter.h"

namespace velmora {

namespace {

void clearSelectorPending(AppState& s) {
  s.view.dwPendingSeriesLength = 0;
  s.view.dwPendingNoise = 0;
  s.view.dwPendingLost = 0;
}

int32_t etalonCount(const AppState& s) {
  return std::min<int32_t>({s.etalons.wEtalonCount, kMaxEtalons, s.layout.cellCount});
}

// Hands the selection of the subset selection view to the series: for tuple recognition
// the current subset of the list, otherwise the selected subset. False when there is
// nothing to hand over.
bool leaveSelection(Window& window, AppState& s) {
  SubsetSelection& sel = s.records.selection;
  const uint16_t mode = static_cast<uint16_t>(s.subsets.dwSubsetEmploymentMode);
  const uint16_t position = static_cast<uint16_t>(s.subsets.dwSubsetInitPosition);
  if (s.problem.wEffectiveTaskType == kTaskTupleRecognition) {
    if (sel.rowsInUse < 1 || sel.rows.empty() || !sel.selectedSubsetArraySize) return false;
    WindowReporter shown(window);
    return addSomeSelectedSubsetToSeriesHeader(
               shown, sel.selectedSubsetArraySize, sel.rows.data(), sel.rowsInUse, sel.reservedRows,
               sel.capacity, sel.currentRow, mode, position, s.records.lpSeriesHeader) != 0;
  }
  if (!sel.selectedSubset || sel.count < 1) return false;
  return addSubsetToSeriesHeader(sel.selectedSubset, sel.count, mode, position,
                                 s.records.lpSeriesHeader) != 0;
}

// The all/none button: flags every etalon in select-all mode, clears every flag
// otherwise, and shows the alphabet.
void allNone(Window& window, AppState& s) {
  const int32_t etalons = std::min<int32_t>(s.etalons.wEtalonCount, kMaxEtalons);
  const uint16_t flag = s.layout.selectAll ? 1 : 0;
  std::fill(s.etalons.requiredFlags, s.etalons.requiredFlags + etalons, flag);
  // The required list follows the flags at once, so that a run started next (a selector
  // click, " Processing Next Data ") uses the etalons the cells show.
  rebuildRequiredList(s);
  s.view.dwViewMode = kViewAlphabet;
  window.sendCommand(kCmdRepaintGraphAndButtons);
}

// A click on an etalon cell: in detection the clicked etalon becomes the only required
// one (a click on it when it is required already changes nothing); otherwise its flag
// toggles.
void etalonCellClicked(Window& window, AppState& s, int32_t i, int32_t x, int32_t y) {
  ShellLayout& l = s.layout;
  l.lastClickX = x;
  l.lastClickY = y;
  if (s.problem.wEffectiveTaskType == kTaskDetection) {
    if (s.etalons.requiredFlags[i] != 1) {
      std::fill(std::begin(s.etalons.requiredFlags), std::end(s.etalons.requiredFlags),
                uint16_t{0});
      s.etalons.requiredFlags[i] = 1;
    }
    s.view.dwPendingStatus = 1;
    clearSelectorPending(s);
  } else {
    s.etalons.requiredFlags[i] = s.etalons.requiredFlags[i] == 1 ? 0 : 1;
  }
  s.view.dwViewMode = kViewAlphabet;
  rebuildRequiredList(s);
  s.etalons.dwPrevSingleEtalon = s.etalons.dwSingleEtalon;
  s.etalons.dwSingleEtalon = i + 1;
  window.sendCommand(kCmdRepaintCells);
}

// The value selectors, reached when a click hit nothing else of the view. A chosen value
// starts a new-data run, except that with no required etalon the tables are only applied
// and tuple series without a subset go to the selection view first.
void selectorClicked(Window& window, AppState& s, int32_t x, int32_t y) {
  const ShellLayout& l = s.layout;
  struct Column {
    Selector selector;
    const std::vector<Rect>* values;
  };
  const Column columns[] = {{Selector::kSeriesLength, &l.seriesLengthValues},
                            {Selector::kNoise, &l.noiseValues},
                            {Selector::kLost, &l.lostValues}};
  for (const Column& column : columns) {
    if (column.selector == Selector::kLost && !hasLostSelector(s.problem.wSeriesType)) continue;
    const std::vector<Rect>& values = *column.values;
    for (size_t k = 0; k < values.size(); ++k) {
      if (!rectContains(values[k], x, y)) continue;
      const uint32_t view = s.view.dwViewMode;
      if (!chooseSelectorValue(window, s, column.selector, static_cast<int32_t>(k) + 1)) return;
      if (s.etalons.wRequiredCount == 0) return;  // the tables were applied (211)
      if (column.selector != Selector::kLost) {
        if (isTupleSeries(s.problem.wSeriesType) && !hasSelectedSubset(s)) {
          s.view.dwViewMode = kViewSubsetSelection;
          window.sendCommand(kCmdSelectSubset);
          return;
        }
        if (view == kViewSubsetSelection && !leaveSelection(window, s)) {
          window.sendCommand(kCmdRepaintSubsetList);
          return;
        }
      }
      if (view != kViewResults) s.view.dwPendingStatus = 1;
      s.view.dwViewMode = kViewResults;
      window.sendCommand(kCmdNewData);
      return;
    }
  }
  window.sendCommand(kCmdNothing);
}

void alphabetButtonDown(Window& window, AppState& s, int32_t x, int32_t y) {
  ShellLayout& l = s.layout;
  for (int32_t i = 0; i < etalonCount(s); ++i) {
    if (rectContains(l.etalonCells[i], x, y)) {
      etalonCellClicked(window, s, i, x, y);
      return;
    }
  }
  if (rectContains(l.startSlot, x, y)) {
    const uint16_t k = rebuildRequiredList(s);
    if (isTupleSeries(s.problem.wSeriesType) && !hasSelectedSubset(s)) {
      s.view.dwViewMode = kViewSubsetSelection;
      window.sendCommand(kCmdNothing);
      return;
    }
    if (k == 0) {
      s.view.dwViewMode = kViewAlphabet;
      window.sendCommand(kCmdNothing);
      return;
    }
    l.lastClickX = x;
    l.lastClickY = y;
    if (s.view.dwViewMode != kViewResults) s.view.dwPendingStatus = 1;
    clearSelectorPending(s);
    s.view.dwViewMode = kViewResults;
    window.sendCommand(kCmdNewData);
    return;
  }
  if (rectContains(l.exitSlot, x, y)) {
    window.sendCommand(kCmdClose);
    return;
  }
  if (hasAllNoneButton(s.problem.wEffectiveTaskType) && rectContains(l.allNoneButton, x, y)) {
    allNone(window, s);
    return;
  }
  selectorClicked(window, s, x, y);
}

// The results view, and what the selection view and the parameters panel leave over.
void resultsButtonDown(Window& window, AppState& s, int32_t x, int32_t y) {
  ShellLayout& l = s.layout;
  SubsetSelection& sel = s.records.selection;
  if (s.view.dwViewMode == kViewResults && isTupleSeries(s.problem.wSeriesType) &&
      s.problem.wEffectiveTaskType == kTaskTupleRecognition) {
    const int32_t rows = std::min<int32_t>(static_cast<int32_t>(l.patternRows.size()),
                                           sel.rowsInUse);
    for (int32_t row = 0; row < rows; ++row) {
      if (!rectContains(l.patternRows[static_cast<size_t>(row)], x, y)) continue;
      sel.currentRow = row + 1;
      WindowReporter shown(window);
      addSomeSelectedSubsetToSeriesHeader(
          shown, sel.selectedSubsetArraySize, sel.rows.data(), sel.rowsInUse, sel.reservedRows,
          sel.capacity, sel.currentRow, static_cast<uint16_t>(s.subsets.dwSubsetEmploymentMode),
          static_cast<uint16_t>(s.subsets.dwSubsetInitPosition), s.records.lpSeriesHeader);
      window.sendCommand(kCmdNewData);
      return;
    }
  }
  if (rectContains(l.resultsSlot, x, y)) {
    if (isTupleSeries(s.problem.wSeriesType)) {
      s.view.dwViewMode = kViewSubsetSelection;
      window.sendCommand(kCmdSelectSubset);
    } else {
      s.view.dwViewMode = kViewAlphabet;
      s.view.dwPendingStatus = 1;
      window.sendCommand(kCmdRepaintGraphAndButtons);
    }
    return;
  }
  if (rectContains(l.startSlot, x, y)) {
    if (s.problem.wSeriesType == kSeriesFixedTuples && !hasSelectedSubset(s)) {
      s.view.dwViewMode = kViewSubsetSelection;
      window.sendCommand(kCmdSelectSubset);
      return;
    }
    if (s.view.dwViewMode == kViewSubsetSelection && !leaveSelection(window, s)) {
      window.sendCommand(kCmdRepaintSubsetList);
      return;
    }
    s.view.dwViewMode = kViewResults;
    clearSelectorPending(s);
    s.view.dwPendingStatus = 1;
    window.sendCommand(kCmdNewData);
    return;
  }
  if (rectContains(l.exitSlot, x, y)) {
    window.sendCommand(kCmdClose);
    return;
  }
  if (hasAllNoneButton(s.problem.wEffectiveTaskType) && rectContains(l.allNoneButton, x, y)) {
    s.view.dwPendingStatus = 1;
    allNone(window, s);
    return;
  }
  selectorClicked(window, s, x, y);
}

}  // namespace

void buttonDown(Window& window, AppState& s, int32_t x, int32_t y) {
  switch (s.view.dwViewMode) {
    case kViewAlphabet:
      alphabetButtonDown(window, s, x, y);
      return;
    case kViewSubsetSelection:
      if (subsetSelectionButtonDown(window, s, x, y)) return;
      resultsButtonDown(window, s, x, y);
      return;
    case kViewSeriesParameters:
      if (seriesParametersButtonDown(window, s, x, y)) return;
      resultsButtonDown(window, s, x, y);
      return;
    case kViewResults:
      resultsButtonDown(window, s, x, y);
      return;
    default:
      selectorClicked(window, s, x, y);
      return;
  }
}

void buttonUp(Window& window, AppState& s, int32_t x, int32_t y) {
  if (s.view.dwViewMode == kViewSeriesParameters) seriesParametersButtonUp(window, s, x, y);
}

void mouseMove(Window& window, AppState& s, int32_t x, int32_t y) {
  if (s.view.dwViewMode == kViewSeriesParameters) seriesParametersMouseMove(window, s, x, y);
}

void keyDown(Window& window, AppState&, int keyCode) {
  if (keyCode == 0 || keyCode == 1) window.invalidateRect(nullptr, true);
}

}  // namespace velmora
