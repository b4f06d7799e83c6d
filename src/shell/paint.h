// The main window's paint sequence.
#pragma once

#include "common/window.h"
#include "graphics/canvas.h"
#include "shell/app_state.h"

namespace velmora {

// Paints the client area `client` on `canvas`: lays it out into state.layout, draws the
// view that dwViewMode selects and then the value selectors.
void paint(Canvas& canvas, Window& window, AppState& state, const Rect& client);

}  // namespace velmora
