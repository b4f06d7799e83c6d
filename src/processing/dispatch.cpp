#include "processing/dispatch.h"

#include "model/problem_types.h"
#include "processing/search_kernels.h"

namespace velmora {

SearchOutcome runSearch(Window& window, uint16_t effectiveTaskType, uint16_t seriesType,
                        const SearchInputs& in, ChainsHeader* chains, SeriesHeader* series) {
  if (series == nullptr) return {0};
  const bool unfixed = isUnfixedCountSeries(seriesType);
  const bool unfixedTuples = unfixed || seriesType == kSeriesUnfixedTuples;
  const uint16_t mode = static_cast<uint16_t>(in.subsetProceedingMode);
  SearchWorkspace* const ws = in.workspace;
  switch (effectiveTaskType) {
    case kTaskDetection:
    case kTaskJoint:
    case kTaskSeriesProcessing: {
      if (unfixed) {
        FastUnfixedKernels kernels;
        return searchUnfixedCountWith(kernels, window, in.alphabet, in.requiredCount,
                                      in.requiredList, in.tmin, in.tmax, in.procSavedLevel,
                                      chains, series, ws);
      }
      FastPassKernels kernels;
      return identificationSearchWith(kernels, window, in.alphabet, in.requiredCount,
                                      in.requiredList, in.tmin, in.tmax, in.procSavedLevel,
                                      chains, series, ws);
    }
    case kTaskRecognition: {
      if (unfixed) {
        FastUnfixedKernels kernels;
        return recognizeUnfixedCountWith(kernels, window, in.alphabet, in.requiredCount,
                                         in.requiredList, in.tmin, in.tmax, in.procSavedLevel,
                                         chains, series, ws);
      }
      FastPassKernels kernels;
      return recognitionSearchWith(kernels, window, in.alphabet, in.requiredCount,
                                   in.requiredList, in.tmin, in.tmax, in.procSavedLevel, chains,
                                   series, ws);
    }
    case kTaskTupleDetection: {
      if (unfixedTuples) {
        FastLayeredKernels kernels;
        return detectUnfixedTuplesWith(kernels, window, in.alphabet, in.selectedSubsetSize,
                                       in.selectedSubset, in.tmin, in.tmax, in.procSavedLevel,
                                       chains, series, in.diagnosticFlag, ws);
      }
      FastPassKernels kernels;
      return tupleDetectionSearchWith(kernels, window, in.alphabet, in.selectedSubsetSize,
                                      in.selectedSubset, mode, in.tmin, in.tmax,
                                      in.procSavedLevel, chains, series, ws);
    }
    case kTaskTupleRecognition: {
      if (unfixedTuples) {
        FastLayeredKernels kernels;
        return recognizeUnfixedTuplesWith(kernels, window, in.alphabet, in.subsetSizes,
                                          in.subsetRows, in.subsetCount, in.tmin, in.tmax,
                                          in.procSavedLevel, chains, series, in.diagnosticFlag,
                                          ws);
      }
      FastPassKernels kernels;
      return tupleRecognitionSearchWith(kernels, window, in.alphabet, in.subsetSizes,
                                        in.subsetRows, in.subsetCount, mode, in.tmin, in.tmax,
                                        in.procSavedLevel, chains, series, ws);
    }
    default:
      return {0};
  }
}

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
