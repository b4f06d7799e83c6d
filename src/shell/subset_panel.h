// The subset selection view (view mode 9): drawing and clicks.
#pragma once

#include <cstdint>

#include "common/window.h"
#include "graphics/canvas.h"
#include "shell/app_state.h"

namespace velmora {

void paintSubsetSelection(Canvas& canvas, Window& window, AppState& state);
// True when the click hit something of the view (and was handled).
bool subsetSelectionButtonDown(Window& window, AppState& state, int32_t x, int32_t y);

}  // namespace velmora
