#include "shell/subset_panel.h"

namespace velmora {

void paintSubsetSelection(Canvas&, Window&, AppState&) {}
bool subsetSelectionButtonDown(Window&, AppState&, int32_t, int32_t) { return false; }

}  // namespace velmora
