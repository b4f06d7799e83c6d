#include "graphics/statistics_text.h"

#include <algorithm>
#include <cinttypes>
#include <ctime>

#include "common/format.h"
#include "graphics/statistics_scale.h"

namespace velmora {

namespace {

constexpr const char* kFormulaRestored = "e(s)=E||C-<C>||2/||C||2";
constexpr const char* kFormulaDetection = "e(s)=E||h-<h>||2/||h||2";

}  // namespace

const char* graphModeTitle(uint32_t mode) {
  switch (mode) {
    case kGraphRestoredComponentwise: return " restored error, componentwise case";
    case kGraphRestoredAggregate: return " restored error, agregate form";
    case kGraphDetectionComponentwise: return " detection error, componentwise case";
    case kGraphDetectionAggregate: return " detection error, agregate form";
    case kGraphRecognitionComponentwise: return " recognition error, componentwise case";
    case kGraphRecognitionAggregate: return " recognition error, agregate form";
    case kGraphFragmentsError: return " error of number of fragments, componentwise case";
    case kGraphFragmentsMean: return " mean of number of fragments";
    case kGraphFragmentsBias: return " bias of number of fragments";
    case kGraphFragmentsVariance: return " variance of number of fragments";
    case kGraphFragmentsMeanSquareError: return " mean square error of number of fragments";
    case kGraphRecognitionComponentwiseBounds: return " recognition error, componentwise case";
    case kGraphRecognitionAggregateBounds: return " recognition error, agregate form";
    default: return "";
  }
}

const char* graphModeFormula(uint32_t mode) {
  return mode <= kGraphRestoredAggregate    ? kFormulaRestored
         : mode <= kGraphDetectionAggregate ? kFormulaDetection
                                            : "";
}

std::string involvesLine(const RestErrorHeader& errors, const SeriesHeader& series) {
  const StatisticsGrid g(errors);
  std::string t = " involves ";
  if (g.pulses < 4) {
    for (int32_t j = 0; j < g.pulses; ++j) t += formatText(" %d,", errors.wPulseValues[j]);
  } else {
    t += formatText(" %d,", errors.wPulseValues[0]);
    t += formatText(" %d,", errors.wPulseValues[1]);
    t += formatText("..., %d ", errors.wPulseValues[g.pulses - 1]);
  }
  // The range is written over the last character: the final comma or blank.
  t.pop_back();
  t += formatText(" pulses from [%d-%d],", series.wMinPulses, series.wMaxPulses);
  return t;
}

std::string calendarText(int64_t seconds) {
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm tm{};
  if (localtime_r(&t, &tm) == nullptr) return formatText("%" PRId64, seconds);
  return formatText("%.3s %.3s%3d %.2d:%.2d:%.2d %d", kDays[tm.tm_wday % 7],
                    kMonths[tm.tm_mon % 12], tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
                    1900 + tm.tm_year);
}

std::string elapsedText(int64_t start, int64_t end) {
  const int64_t e = std::max<int64_t>(end - start, 0);
  const int64_t minutes = e / 60 % 60;
  const int64_t seconds = e % 60;
  return formatText("elapsed time %" PRId64 ":%d%d:%d%d", e / 3600, static_cast<int>(minutes / 10),
                   static_cast<int>(minutes % 10), static_cast<int>(seconds / 10),
                   static_cast<int>(seconds % 10));
}

std::vector<std::string> statisticsHeaderLines(const StatisticsViewInputs& in) {
  const SeriesHeader& s = *in.series;
  const RestErrorHeader& e = *in.errors;
  const StatisticsGrid g(e);
  // Codes without a name show as their numbers.
  const std::string task = e.lpTaskName ? e.lpTaskName : formatText("task type %d", e.wTaskType);
  const std::string series =
      e.lpSeriesTypeName ? e.lpSeriesTypeName : formatText("series type %d", e.wSeriesType);
  const int32_t first = g.levels > 0 ? g.level(0) : 0;
  const int32_t last = g.levels > 0 ? g.level(g.levels - 1) : 0;
  const int32_t step = g.levels > 1 ? g.level(1) - first : 0;
  return {
      formatText(" statistical simulation for %s in series with %s ", task.c_str(), series.c_str()),
      formatText(" series length %d, ", static_cast<int>(s.dwSeriesSize)),
      involvesLine(e, s),
      formatText(" with length %d", s.wImpulseSize) + formatText(", amplitude %d", in.amplitude),
      formatText(" Tmin=%d, Tmax=%d,", s.wTmin, s.wTmax),
      formatText(" number of %d noise levels", g.levels),
      formatText(" from %d to %d with step %d", first, last, step),
      graphModeTitle(in.graphMode),
      formatText(" for volume of % d repeats", e.repeats)};
}

}  // namespace velmora
