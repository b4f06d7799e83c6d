// The results view (processing results) and the statistics view (simulation results) in
// the graph area, drawn from the application state.
#pragma once

#include "common/window.h"
#include "graphics/canvas.h"
#include "graphics/results_view.h"
#include "shell/app_state.h"

namespace velmora {

// The results view's inputs from the application state: the graph area, the etalons in
// use, the records, the pattern the series was made with and the drawing settings.
ResultsViewInputs resultsViewInputs(const Canvas& canvas, const AppState& state);

// Draws the processing results in the graph area and keeps the pattern rows it drew for
// the mouse handling.
void paintResults(Canvas& canvas, Window& window, AppState& state);
void paintStatistics(Canvas& canvas, Window& window, AppState& state);

}  // namespace velmora
