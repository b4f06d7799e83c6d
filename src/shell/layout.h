// The layout of the main window's client area: the button column, the result-status
// strip, the graph area with its grid of etalon cells, and the value selectors.
#pragma once

#include "common/window.h"
#include "graphics/canvas.h"
#include "shell/app_state.h"

namespace velmora {

// Button slots: 144 × 32 pixels (the faces' size), 42 pixels apart, 154 pixels in from
// the client's right edge.
inline constexpr int32_t kSlotWidth = 144;
inline constexpr int32_t kSlotHeight = 32;
inline constexpr int32_t kSlotSpacing = 42;
inline constexpr int32_t kSlotInset = 154;
// A selector is six lines high; the next one starts a line below it.
inline constexpr int32_t kSelectorLines = 6;

// Whether the all/none button exists: not in detection nor in the tuple tasks.
bool hasAllNoneButton(uint16_t effectiveTaskType);
// Whether the lost-data selector exists: only for the cut-off series types.
bool hasLostSelector(uint16_t seriesType);
// Set while at most half of the etalons are flagged: the all/none button then selects all.
bool selectAllMode(const AppState& state);

struct ClientSize {
  int32_t width = 0;
  int32_t height = 0;
};

// The least client size at which the layout's parts stand clear of each other, with the
// window font's metrics: the status strip and the four button slots (210 pixels) below the
// three selectors (twenty lines from the top and a line of room), and a graph area wide
// enough for a pretender line of the results text beside the button column.
ClientSize minimumClientSize(const TextMetrics& metrics);

// Lays out `client` for the state's effective task type, series type and etalon count,
// with the window font's metrics. The value rectangles of the selectors are left as
// they were (the selector drawing fills them); those of a selector that does not exist
// are emptied.
void layOut(ShellLayout& layout, const AppState& state, const Rect& client,
            const TextMetrics& metrics);

}  // namespace velmora
