// Entry points for front ends that drive the workbench without a screen (the command-line
// tool): the effects of a click on a selector value and of OK in the subset selection view,
// without the new-data run that the click starts, and a processing command that reports
// whether its run reached the end.
#pragma once

#include <cstdint>
#include <vector>

#include "common/window.h"
#include "shell/app_state.h"

namespace velmora {

enum class Selector { kSeriesLength, kNoise, kLost };

// Chooses the value at 1-based `position` of a value selector as a click on that value
// does (index, chosen value, pulse bounds or saved-energy levels, pending flag), but
// starts no run. With no required etalon the click only applies the tables (211). False,
// with nothing changed, when the position is outside the table or the selector is not
// shown (the lost-data selector exists for the cut-off series types only).
bool chooseSelectorValue(Window& window, AppState& state, Selector selector, int32_t position);

// The 1-based position of `value` in a selector's table; 0 when the table lacks it.
int32_t selectorPosition(const AppState& state, Selector selector, int32_t value);

// Fills the subset selection view with `subset` as the selected subset and `rows` as the
// list of subsets, `current` (1-based, 0 = none) being the current row, then hands the
// selection to the series as the view's OK does: for tuple recognition the list with its
// current row, otherwise the selected subset. No run is started. Returns 1 when something
// was handed over, 0 when there was nothing to hand over or the lists exceed the view.
int attachSubsetSelection(Window& window, AppState& state, const std::vector<int32_t>& subset,
                          const std::vector<std::vector<int32_t>>& rows, int32_t current);

// Runs command `id` (a menu command that processes, such as " Processing Next Data ") and
// reports whether its processing run reached the end: the problem was described in the
// chains record and the results view is shown. A run stopped by a refusal reports false.
bool runProcessingCommand(Window& window, AppState& state, int id);

}  // namespace velmora
