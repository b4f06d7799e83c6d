#include "shell/paint.h"

namespace velmora {

void paint(Canvas&, Window&, AppState&, const Rect&) {}

}  // namespace velmora
