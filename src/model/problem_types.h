// The codes of the task types, the effective task types and the series types.
#pragma once

#include <cstdint>

namespace velmora {

// Task types (menu "Select Task Type") and the two tuple tasks they turn into on tuple
// series.
inline constexpr uint16_t kTaskDetection = 1;
inline constexpr uint16_t kTaskRecognition = 2;
inline constexpr uint16_t kTaskJoint = 4;
inline constexpr uint16_t kTaskSeriesProcessing = 64;
inline constexpr uint16_t kTaskTupleDetection = 36;
inline constexpr uint16_t kTaskTupleRecognition = 40;

// Task codes that only the name tables of the chains and error records know; no command
// selects them. The simulation runs no search for joint estimation.
inline constexpr uint16_t kTaskJointEstimation = 8;
inline constexpr uint16_t kTaskJointEstimationVariant = 16;
inline constexpr uint16_t kTaskBlindDetection = 32;

// Series types.
inline constexpr uint16_t kSeriesFixedWhole = 1;
inline constexpr uint16_t kSeriesFixedCutoff = 2;
inline constexpr uint16_t kSeriesUnfixedWhole = 4;
inline constexpr uint16_t kSeriesUnfixedCutoff = 8;
inline constexpr uint16_t kSeriesFixedWholeGiven = 16;
inline constexpr uint16_t kSeriesUnfixedWholeGiven = 32;
inline constexpr uint16_t kSeriesFixedTuples = 36;
inline constexpr uint16_t kSeriesUnfixedTuples = 40;

// Series with an unfixed number of whole or cut-off pulses.
constexpr bool isUnfixedCountSeries(uint16_t seriesType) {
  return seriesType == kSeriesUnfixedWhole || seriesType == kSeriesUnfixedCutoff;
}
// Series of pulse tuples, fixed or unfixed in number.
constexpr bool isTupleSeries(uint16_t seriesType) {
  return seriesType == kSeriesFixedTuples || seriesType == kSeriesUnfixedTuples;
}
// Series whose pulses are cut off.
constexpr bool isCutoffSeries(uint16_t seriesType) {
  return seriesType == kSeriesFixedCutoff || seriesType == kSeriesUnfixedCutoff;
}

}  // namespace velmora
