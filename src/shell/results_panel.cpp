#include "shell/results_panel.h"

namespace velmora {

void paintResults(Canvas&, Window&, AppState&) {}
void paintStatistics(Canvas&, Window&, AppState&) {}

}  // namespace velmora
