// The main window's mouse and keyboard handling, hit-tested against the layout of the
// last paint.
#pragma once

#include <cstdint>

#include "common/window.h"
#include "shell/app_state.h"

namespace velmora {

void buttonDown(Window& window, AppState& state, int32_t x, int32_t y);
void buttonUp(Window& window, AppState& state, int32_t x, int32_t y);
void mouseMove(Window& window, AppState& state, int32_t x, int32_t y);
void keyDown(Window& window, AppState& state, int keyCode);

}  // namespace velmora
