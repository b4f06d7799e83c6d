// The simulation's menu commands: " Statistical Simulation" runs one and shows its
// statistics; " Show Statistical Simulation" shows those of the last complete one again.
#pragma once

#include "common/window.h"
#include "shell/app_state.h"

namespace velmora {

// 40012: the set-up dialogs, the run, then its statistics. A run that does not complete
// leaves the records of the last finished one in place.
void statisticalSimulation(Window& window, AppState& state);

// 40015 and the end of 40012: the display dialog, then the statistics view; nothing when no
// complete simulation is kept.
void showSimulation(Window& window, AppState& state);

}  // namespace velmora
