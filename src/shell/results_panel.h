// The results view (processing results) and the statistics view (simulation results) in
// the graph area, drawn from the application state.
#pragma once

#include "common/window.h"
#include "graphics/canvas.h"
#include "shell/app_state.h"

namespace velmora {

void paintResults(Canvas& canvas, Window& window, AppState& state);
void paintStatistics(Canvas& canvas, Window& window, AppState& state);

}  // namespace velmora
