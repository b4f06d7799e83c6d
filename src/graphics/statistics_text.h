// The texts of the statistics view: the header lines that describe the simulation, the
// graph mode's title and formula, the run's times.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "graphics/statistics_inputs.h"

namespace velmora {

// The title of a graph mode (empty for a code that names none).
const char* graphModeTitle(uint32_t mode);
// The formula line of a graph mode: the restoring and detection errors have one.
const char* graphModeFormula(uint32_t mode);

// The third header line: the pulse counts and the range they come from.
std::string involvesLine(const RestErrorHeader& errors, const SeriesHeader& series);
// A calendar time in the classic fixed form "Thu Jan  1 00:00:00 1970", in local time.
std::string calendarText(int64_t seconds);
// "elapsed time h:mm:ss" of a run; a clock that went back counts as 0.
std::string elapsedText(int64_t start, int64_t end);

// The header's lines, top down (both records must be given). The amplitude printed is the
// one given, 0 included.
std::vector<std::string> statisticsHeaderLines(const StatisticsViewInputs& in);

}  // namespace velmora
