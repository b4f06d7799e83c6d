// The results view: a header describing the series, three panels (the pure series with the
// true pulses, the noisy series, the found pulses), the box of etalons in use, a text
// block with the found pulses, the restore error and the ranked pretenders, and for tuple
// series the box of pattern tuples. One layout serves the drawing and the shell's
// hit-testing of the pattern rows. The header and the text block are drawn in
// results_text.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "graphics/canvas.h"
#include "graphics/etalon_box.h"
#include "graphics/pattern_box.h"
#include "graphics/results_text.h"
#include "model/series.h"
#include "processing/chains.h"

namespace velmora {

// The options of the drawing settings dialog.
struct DrawingSettings {
  bool frameGraphFields = true;
  bool shadedOriginalPulses = true;
  bool highlightDetectedPulses = true;
  bool specialGraphSize = false;
  int tupleHighlighting = 2;  // 0 none, 1 dotted frames, 2 coloured backgrounds
};
inline constexpr int kTupleHighlightNone = 0;
inline constexpr int kTupleHighlightFrames = 1;
inline constexpr int kTupleHighlightBackgrounds = 2;

inline constexpr Color kSeriesCurveColor = rgb(0, 0, 255);
inline constexpr Color kTupleBackgroundColor = rgb(192, 191, 178);

struct ResultsViewInputs {
  Rect area;  // the graph area, right and bottom inclusive
  int32_t lineHeight = 15;
  const uint16_t* etalonList = nullptr;  // the etalons in use
  int32_t etalonCount = 0;
  const ChainsHeader* chains = nullptr;  // may be null
  const SeriesHeader* series = nullptr;  // nothing is drawn without one
  int32_t patternMade = 0;  // the pattern tuple the series was made with (1-based)
  DrawingSettings settings;
  // The header and text-block lines end inside the area, before the etalon box and the
  // pattern box where they pass them, cut after their last whole item with " ...". Off,
  // they run to the canvas's edge.
  bool clipTextToArea = true;
};

struct ResultsViewLayout {
  // False when the graph area is too small for the panels: only the border is drawn.
  bool fits = false;
  int32_t width = 0, height = 0;  // W, H
  int32_t graphWidth = 0, graphHeight = 0;  // gw, gh
  int32_t mx = 0, x0 = 0;
  int32_t panelTops[3] = {};
  int32_t headerY = 0;
  int32_t textY = 0;
  int32_t amplitude = 0;  // A: thumbnails' half-range and the printed amplitude
  int32_t halfRange = 1;  // e: the panels' half-range
  EtalonBoxLayout etalonBox;
  bool etalonBoxShown = false;
  PatternBoxLayout pattern;
};

// The amplitude printed and used for the thumbnails: wAmplitude, or when it is 0, 128
// doubled while below the noise level.
int32_t resultsAmplitude(const SeriesHeader& series);
// The panels' half-range: l + l / 8 with l the greater of the amplitude and noise * 8 / 3.
int32_t resultsHalfRange(const SeriesHeader& series);

ResultsViewLayout layoutResultsView(const Canvas& canvas, const ResultsViewInputs& in);
void drawResultsView(Canvas& canvas, const ResultsViewInputs& in, const ResultsViewLayout& layout);

}  // namespace velmora
