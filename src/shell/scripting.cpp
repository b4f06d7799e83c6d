#include "shell/scripting.h"

#include <algorithm>

#include "shell/commands.h"
#include "shell/window_reporter.h"

namespace velmora {

int32_t selectorPosition(const AppState& s, Selector selector, int32_t value) {
  switch (selector) {
    case Selector::kSeriesLength:
      for (uint32_t k = 1; k <= s.series.seriesLengthTable[0]; ++k)
        if (static_cast<int64_t>(s.series.seriesLengthTable[k]) == value)
          return static_cast<int32_t>(k);
      break;
    case Selector::kNoise:
      for (uint16_t k = 1; k <= s.series.noiseTable[0]; ++k)
        if (s.series.noiseTable[k] == value) return k;
      break;
    case Selector::kLost:
      for (int16_t k = 1; k <= s.series.lostTable[0]; ++k)
        if (s.series.lostTable[k] == value) return k;
      break;
  }
  return 0;
}

bool chooseSelectorValue(Window& window, AppState& s, Selector selector, int32_t position) {
  int32_t count = 0;
  switch (selector) {
    case Selector::kSeriesLength:
      count = static_cast<int32_t>(s.series.seriesLengthTable[0]);
      break;
    case Selector::kNoise:
      count = s.series.noiseTable[0];
      break;
    case Selector::kLost:
      if (!isCutoffSeries(s.problem.wSeriesType)) return false;
      count = s.series.lostTable[0];
      break;
  }
  if (position < 1 || position > count) return false;

  int32_t* index = selector == Selector::kSeriesLength ? &s.series.dwSeriesLengthIndex
                   : selector == Selector::kNoise      ? &s.series.dwNoiseIndex
                                                       : &s.series.dwLostIndex;
  const bool changed = *index != position;
  *index = position;
  if (s.etalons.wRequiredCount == 0) {
    window.sendCommand(kCmdApplyTables);
    return true;
  }
  switch (selector) {
    case Selector::kSeriesLength:
      s.series.dwSeriesLength = s.series.seriesLengthTable[position];
      recomputePulseBounds(s, s.series.dwSeriesLength);
      if (changed) s.view.dwPendingSeriesLength = 1;
      break;
    case Selector::kNoise:
      s.series.wNoiseLevel = s.series.noiseTable[position];
      if (changed) s.view.dwPendingNoise = 1;
      break;
    case Selector::kLost:
      s.series.wLostLevel = s.series.lostTable[position];
      s.series.wSavedLevel = s.series.wProcSavedLevel =
          static_cast<uint16_t>(100 - s.series.wLostLevel);
      if (changed) s.view.dwPendingLost = 1;
      break;
  }
  return true;
}

int attachSubsetSelection(Window& window, AppState& s, const std::vector<int32_t>& subset,
                          const std::vector<std::vector<int32_t>>& rows, int32_t current) {
  if (!prepareSubsetSelection(window, s)) return 0;
  SubsetSelection& sel = s.records.selection;
  if (static_cast<int64_t>(subset.size()) > sel.capacity ||
      static_cast<int64_t>(rows.size()) > sel.reservedRows)
    return 0;
  for (const auto& row : rows)
    if (static_cast<int64_t>(row.size()) > sel.capacity) return 0;
  if (current < 0 || current > static_cast<int32_t>(rows.size())) return 0;

  sel.count = static_cast<int32_t>(subset.size());
  std::copy(subset.begin(), subset.end(), sel.selectedSubset);
  std::fill(sel.marks, sel.marks + sel.capacity, 0);
  sel.rowsInUse = static_cast<int32_t>(rows.size());
  for (size_t r = 0; r < rows.size(); ++r) {
    std::copy(rows[r].begin(), rows[r].end(), sel.rows[r]);
    sel.selectedSubsetArraySize[r] = static_cast<int32_t>(rows[r].size());
  }
  sel.currentRow = current;

  const uint16_t mode = static_cast<uint16_t>(s.subsets.dwSubsetEmploymentMode);
  const uint16_t position = static_cast<uint16_t>(s.subsets.dwSubsetInitPosition);
  if (s.problem.wEffectiveTaskType == kTaskTupleRecognition) {
    if (sel.rowsInUse < 1) return 0;
    WindowReporter shown(window);
    return addSomeSelectedSubsetToSeriesHeader(
        shown, sel.selectedSubsetArraySize, sel.rows.data(), sel.rowsInUse, sel.reservedRows,
        sel.capacity, sel.currentRow, mode, position, s.records.lpSeriesHeader);
  }
  if (sel.count < 1) return 0;
  return addSubsetToSeriesHeader(sel.selectedSubset, sel.count, mode, position,
                                 s.records.lpSeriesHeader);
}

bool runProcessingCommand(Window& window, AppState& s, int id) {
  // addToChainsHeader marks the record described at the end of every completed run.
  if (s.records.lpChainsHeader) s.records.lpChainsHeader->wDescribed = 0;
  handleCommand(window, s, id);
  return s.records.lpChainsHeader != nullptr && s.records.lpChainsHeader->wDescribed > 1 &&
         s.view.dwViewMode == kViewResults;
}

}  // namespace velmora
