#include "shell/params_panel.h"

namespace velmora {

void paintSeriesParameters(Canvas&, Window&, AppState&) {}
bool seriesParametersButtonDown(Window&, AppState&, int32_t, int32_t) { return false; }
void seriesParametersButtonUp(Window&, AppState&, int32_t, int32_t) {}
void seriesParametersMouseMove(Window&, AppState&, int32_t, int32_t) {}

}  // namespace velmora
