// The subset selection view (view mode 9): drawing and clicks.
#pragma once

#include <cstdint>

#include "common/window.h"
#include "graphics/canvas.h"
#include "shell/app_state.h"

namespace velmora {

// Shown (without a caption) when the button rectangles cannot be allocated; the selection
// data is released then.
inline constexpr const char* kTextNoMemoryButtonRects =
    "Нет памяти для ButtonsWhileSelectedSubsetRect!";

// Prepares the selection data when needed and draws the single-subset panel, or for tuple
// recognition the subset-list panel, in the graph area; stores the rectangles the clicks
// are tested against.
void paintSubsetSelection(Canvas& canvas, Window& window, AppState& state);
// The clicks of the view: cells, subset row, buttons and list rows. True when the click
// hit something of the view (and was handled); false leaves it to the caller.
bool subsetSelectionButtonDown(Window& window, AppState& state, int32_t x, int32_t y);

}  // namespace velmora
