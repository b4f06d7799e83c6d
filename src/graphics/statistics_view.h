// The statistics view: the result of a statistical simulation in the graph area. A block
// of text lines describes the simulation; the box of etalons in use, the etalons' energy
// and extreme cross-correlations, the start, end and duration of the run, for tuple series
// the pattern tuple(s), a formula line, and one plot of an error against the noise level,
// one curve per pulse count (componentwise) or one over all of them (aggregate), with the
// theoretical bounds of recognition when asked for. One layout serves the drawing and the
// shell's hit-testing of the pattern rows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/geometry.h"
#include "graphics/canvas.h"
#include "graphics/etalon_box.h"
#include "graphics/pattern_box.h"
#include "model/series.h"
#include "simulation/rest_error.h"

namespace velmora {

// Graph modes: which table is plotted and how.
inline constexpr uint32_t kGraphRestoredComponentwise = 0;
inline constexpr uint32_t kGraphRestoredAggregate = 1;
inline constexpr uint32_t kGraphDetectionComponentwise = 2;
inline constexpr uint32_t kGraphDetectionAggregate = 3;
inline constexpr uint32_t kGraphRecognitionComponentwise = 4;
inline constexpr uint32_t kGraphRecognitionAggregate = 5;
inline constexpr uint32_t kGraphRecognitionComponentwiseBounds = 12;
inline constexpr uint32_t kGraphRecognitionAggregateBounds = 13;

inline constexpr const char* kNoMemoryNormalizer = "No memory to RestoredErrorNormalizer";
inline constexpr const char* kStatisticsErrorCaption = " ERROR in DrawDetectionArrayZ ";

struct StatisticsViewInputs {
  Rect area;  // the graph area, right and bottom inclusive
  int32_t lineHeight = 15;
  int32_t amplitude = 0;  // of the thumbnails; 0: 128 doubled until it reaches the noise
  uint32_t graphMode = kGraphDetectionComponentwise;
  const uint16_t* etalonList = nullptr;  // the etalons in use
  int32_t etalonCount = 0;
  const RestErrorHeader* errors = nullptr;  // nothing is drawn without both records
  const SeriesHeader* series = nullptr;
  int64_t startTime = 0;  // of the simulation, calendar seconds
  int64_t endTime = 0;
  bool fixedUpperBound = false;  // the plot's full height is upperBound
  double upperBound = 0.25;
};

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

// The etalons' energy and extreme cross-correlations printed over the plot and used by its
// normalisers and bounds.
struct SignalStatistics {
  int64_t energy = 0;          // etEnergy
  int64_t smallestSquare = 0;  // of the first pulse's samples
  int64_t rmin = 0;
  int64_t rmax = 0;
};

// The plot's vertical scale: U, the top value in thousandths; T, the full height in
// thousandths; the normalisers of the restoring errors (per pulse count) and of the
// detection errors.
struct StatisticsScale {
  uint64_t topValue = 0;
  uint64_t fullScale = 1000;
  std::vector<uint64_t> restoringNormalisers;
  double detectionNormaliser = 1;
};

SignalStatistics signalStatistics(const StatisticsViewInputs& in);
// Throws std::bad_alloc when the normalisers cannot be held.
StatisticsScale statisticsScale(const StatisticsViewInputs& in, const SignalStatistics& stats);

// The third header line: the pulse counts and the range they come from.
std::string involvesLine(const RestErrorHeader& errors, const SeriesHeader& series);
// A calendar time in the classic fixed form "Thu Jan  1 00:00:00 1970", in local time.
std::string calendarText(int64_t seconds);
// "elapsed time h:mm:ss" of a run; a clock that went back counts as 0.
std::string elapsedText(int64_t start, int64_t end);

StatisticsViewLayout layoutStatisticsView(const Canvas& canvas, const StatisticsViewInputs& in);

// Draws the view and restores the canvas's font. False, with nothing drawn, when the
// normalisers cannot be allocated: the caller shows kNoMemoryNormalizer.
bool drawStatisticsView(Canvas& canvas, const StatisticsViewInputs& in,
                        const StatisticsViewLayout& layout);

}  // namespace velmora
