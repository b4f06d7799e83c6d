// The statistics view's graph modes: which table of the simulation is plotted, and how.
// The display dialog picks one of the restoring, detection and recognition modes; the
// fragment-count modes have a title and a scale but no curves.
#pragma once

#include <cstdint>

namespace velmora {

inline constexpr uint32_t kGraphRestoredComponentwise = 0;
inline constexpr uint32_t kGraphRestoredAggregate = 1;
inline constexpr uint32_t kGraphDetectionComponentwise = 2;
inline constexpr uint32_t kGraphDetectionAggregate = 3;
inline constexpr uint32_t kGraphRecognitionComponentwise = 4;
inline constexpr uint32_t kGraphRecognitionAggregate = 5;
inline constexpr uint32_t kGraphFragmentsError = 6;
inline constexpr uint32_t kGraphFragmentsMean = 7;
inline constexpr uint32_t kGraphFragmentsBias = 8;
inline constexpr uint32_t kGraphFragmentsVariance = 9;
inline constexpr uint32_t kGraphFragmentsMeanSquareError = 10;
// The recognition modes with the theoretical bounds drawn over the curves.
inline constexpr uint32_t kGraphRecognitionComponentwiseBounds = 12;
inline constexpr uint32_t kGraphRecognitionAggregateBounds = 13;

// The recognition error, with or without the bounds.
constexpr bool isRecognitionGraph(uint32_t mode) {
  return mode == kGraphRecognitionComponentwise || mode == kGraphRecognitionAggregate ||
         mode == kGraphRecognitionComponentwiseBounds || mode == kGraphRecognitionAggregateBounds;
}
constexpr bool hasBounds(uint32_t mode) {
  return mode == kGraphRecognitionComponentwiseBounds || mode == kGraphRecognitionAggregateBounds;
}

}  // namespace velmora
