// The processing pipeline: new etalon sequence (205), geometry (208), synthesis (216),
// noise (209), processing (210) and the result repaint (218). Each stage entry runs from
// its own stage to the end; a failed stage stops the run.
#pragma once

#include "common/window.h"
#include "shell/app_state.h"

namespace velmora {

inline constexpr const char* kTextCannotCreateSeries = "Не могу создать ряд!";
inline constexpr const char* kCaptionCmInfo = "CM_INFO";
inline constexpr const char* kTextAddToChainsFailed = "Ошибка addToChainsHeader!";
inline constexpr const char* kCaptionAboutChains = " About ChainsHeader ";
// A new etalon sequence is drawn from the required list, which must not be empty.
inline constexpr const char* kTextNoRequiredEtalons =
    "The list of required etalons is empty: select at least one etalon!";
// Noise and processing need a series (a failed synthesis leaves none).
inline constexpr const char* kTextNoSeries = "There is no series to process!";

// Runs the pipeline from `stage` (205, 208, 216, 209, 210 or 218) to its end. Other ids
// do nothing.
void runPipeline(Window& window, AppState& state, int stage);

// The pulse count a new series gets: wMeanPulses, or the midpoint of
// [wMinPulses, wMaxPulses] when it lies outside.
uint16_t clampedPulseCount(const AppState& state);

// Whether the subset selection view holds a selected subset.
bool hasSelectedSubset(const AppState& state);

// The repaints the commands and the pipeline ask for.
void repaintGraphArea(Window& window, const AppState& state, bool erase);
void repaintStatusStrip(Window& window, const AppState& state);
// Repaints each selector whose pending flag is set and clears the flags; the status strip
// too when `withStatus`.
void repaintPendingAreas(Window& window, AppState& state, bool withStatus);

}  // namespace velmora
