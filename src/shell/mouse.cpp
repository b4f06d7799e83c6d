#include "shell/mouse.h"

namespace velmora {

void buttonDown(Window&, AppState&, int32_t, int32_t) {}
void buttonUp(Window&, AppState&, int32_t, int32_t) {}
void mouseMove(Window&, AppState&, int32_t, int32_t) {}
void keyDown(Window&, AppState&, int) {}

}  // namespace velmora
