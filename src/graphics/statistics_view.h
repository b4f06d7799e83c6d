// The statistics view: the result of a statistical simulation in the graph area. A block
// of text lines describes the simulation; the box of etalons in use, the etalons' energy
// and extreme cross-correlations, the start, end and duration of the run, for tuple series
// the pattern tuple(s), a formula line, and one plot of an error against the noise level,
// one curve per pulse count (componentwise) or one over all of them (aggregate), with the
// theoretical bounds of recognition when asked for. One layout serves the drawing and the
// shell's hit-testing of the pattern rows. The numbers are in statistics_scale.h, the
// texts in statistics_text.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "graphics/canvas.h"
#include "graphics/etalon_box.h"
#include "graphics/graph_modes.h"
#include "graphics/pattern_box.h"
#include "graphics/statistics_inputs.h"
#include "graphics/statistics_scale.h"
#include "graphics/statistics_text.h"

namespace velmora {

inline constexpr const char* kNoMemoryNormalizer = "No memory to RestoredErrorNormalizer";
inline constexpr const char* kStatisticsErrorCaption = " ERROR in DrawDetectionArrayZ ";

struct StatisticsViewLayout {
  bool drawn = false;  // false without records or area: nothing is drawn
  int32_t width = 0, height = 0;  // of the area
  int32_t mx = 0, my = 0;         // margins: 12 and 15 per mille of width and height
  int32_t x0 = 0;                 // left edge of the text column
  int32_t headerX = 0, headerY = 0;
  int32_t amplitude = 0;  // of the thumbnails, after the automatic rule
  EtalonBoxLayout etalonBox;
  bool etalonBoxShown = false;
  int32_t statisticsY = 0;  // the energy and correlation line
  int32_t startY = 0, endY = 0, elapsedY = 0;
  PatternBoxLayout pattern;
  int32_t formulaY = 0;
  int32_t formulaFontHeight = 0;
  int32_t plotFontHeight = 0;  // f: the font of the axis labels
  // The plot; shown only when it lies inside the area.
  bool plotShown = false;
  int32_t plotX = 0, plotY = 0, plotWidth = 0, plotHeight = 0;
  int32_t gridPitch = 0;   // between the horizontal grid lines
  int32_t columnStep = 0;  // between noise levels
};

StatisticsViewLayout layoutStatisticsView(const Canvas& canvas, const StatisticsViewInputs& in);

// Draws the view and restores the canvas's font. False, with nothing drawn, when the
// normalisers cannot be allocated: the caller shows kNoMemoryNormalizer.
bool drawStatisticsView(Canvas& canvas, const StatisticsViewInputs& in,
                        const StatisticsViewLayout& layout);

}  // namespace velmora
