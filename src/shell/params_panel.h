// The series parameters panel (view mode 10): drawing, clicks and drags.
#pragma once

#include <cstdint>

#include "common/window.h"
#include "graphics/canvas.h"
#include "shell/app_state.h"

namespace velmora {

void paintSeriesParameters(Canvas& canvas, Window& window, AppState& state);
// True when the click hit something of the panel (and was handled).
bool seriesParametersButtonDown(Window& window, AppState& state, int32_t x, int32_t y);
void seriesParametersButtonUp(Window& window, AppState& state, int32_t x, int32_t y);
void seriesParametersMouseMove(Window& window, AppState& state, int32_t x, int32_t y);

}  // namespace velmora
