// What the statistics view is drawn from: the simulation's error record and series record,
// the etalons in use, the graph mode and the scale the user fixed, and where to draw.
#pragma once

#include <cstdint>

#include "common/geometry.h"
#include "graphics/graph_modes.h"
#include "model/series.h"
#include "simulation/rest_error.h"

namespace velmora {

struct StatisticsViewInputs {
  Rect area;  // the graph area, inclusive
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

}  // namespace velmora
