// The series parameters panel (view mode 10): drawing, clicks and drags.
#pragma once

#include <cstdint>

#include "common/window.h"
#include "graphics/canvas.h"
#include "shell/app_state.h"

namespace velmora {

// OK refuses a Tmin the series could not be built with; nothing changes then.
inline constexpr const char* kFormatBadPanelTmin =
    "Min Length of Interval must lie between 1 and Max Length of Interval (%d)!";
inline constexpr const char* kCaptionSeriesParameters = " Series parameters ";

void paintSeriesParameters(Canvas& canvas, Window& window, AppState& state);
// True when the click hit something of the panel (and was handled).
bool seriesParametersButtonDown(Window& window, AppState& state, int32_t x, int32_t y);
void seriesParametersButtonUp(Window& window, AppState& state, int32_t x, int32_t y);
void seriesParametersMouseMove(Window& window, AppState& state, int32_t x, int32_t y);

// The values a drag on the panel gives for the pointer at (x, y), from the geometry of
// the last drawing: the dragged bound (kept between a and b), and the Tmax and Tmin
// candidates, rounded half up (0 where the pointer lies on the wrong side of the line's
// anchor). The admissibility tests decide whether a candidate is taken.
int32_t paramsBoundAt(const ParamsHeader& p, int32_t y);
int64_t paramsTmaxCandidate(const ParamsHeader& p, int32_t x, int32_t y);
int64_t paramsTminCandidate(const ParamsHeader& p, int32_t x, int32_t y);
bool paramsTmaxAdmissible(const ParamsHeader& p, int64_t tmax);
bool paramsTminAdmissible(const ParamsHeader& p, int64_t tmin);

}  // namespace velmora
