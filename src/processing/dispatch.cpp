#include "processing/dispatch.h"

#include "model/problem_types.h"
#include "processing/search_kernels.h"

namespace velmora {

template <typename Kernels>
SearchOutcome runSearch(uint16_t effectiveTaskType, uint16_t seriesType, const SearchInputs& in,
                        ChainsHeader* chains, SeriesHeader* series) {
  if (series == nullptr) return {0};
  const bool unfixed = isUnfixedCountSeries(seriesType);
  const bool unfixedTuples = unfixed || seriesType == kSeriesUnfixedTuples;
  switch (effectiveTaskType) {
    case kTaskDetection:
    case kTaskJoint:
    case kTaskSeriesProcessing: {
      if (unfixed) {
        typename Kernels::Unfixed kernels;
        return searchUnfixedCountWith(kernels, in, chains, series);
      }
      typename Kernels::Pass kernels;
      return identificationSearchWith(kernels, in, chains, series);
    }
    case kTaskRecognition: {
      if (unfixed) {
        typename Kernels::Unfixed kernels;
        return recognizeUnfixedCountWith(kernels, in, chains, series);
      }
      typename Kernels::Pass kernels;
      return recognitionSearchWith(kernels, in, chains, series);
    }
    case kTaskTupleDetection: {
      if (unfixedTuples) {
        typename Kernels::Layered kernels;
        return detectUnfixedTuplesWith(kernels, in, chains, series);
      }
      typename Kernels::Pass kernels;
      return tupleDetectionSearchWith(kernels, in, chains, series);
    }
    case kTaskTupleRecognition: {
      if (unfixedTuples) {
        typename Kernels::Layered kernels;
        return recognizeUnfixedTuplesWith(kernels, in, chains, series);
      }
      typename Kernels::Pass kernels;
      return tupleRecognitionSearchWith(kernels, in, chains, series);
    }
    default:
      return {0};
  }
}

template SearchOutcome runSearch<FastKernels>(uint16_t, uint16_t, const SearchInputs&,
                                              ChainsHeader*, SeriesHeader*);
template SearchOutcome runSearch<PlainKernels>(uint16_t, uint16_t, const SearchInputs&,
                                               ChainsHeader*, SeriesHeader*);

bool searchUsesChainPass(uint16_t effectiveTaskType, uint16_t seriesType) {
  const bool unfixed = isUnfixedCountSeries(seriesType);
  switch (effectiveTaskType) {
    case kTaskDetection:
    case kTaskJoint:
    case kTaskSeriesProcessing:
    case kTaskRecognition:
      return !unfixed;
    case kTaskTupleDetection:
    case kTaskTupleRecognition:
      return !unfixed && seriesType != kSeriesUnfixedTuples;
    default:
      return false;
  }
}

}  // namespace velmora
