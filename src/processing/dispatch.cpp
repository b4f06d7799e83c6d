#include "processing/dispatch.h"

#include "processing/fixed_search.h"
#include "processing/tuple_search.h"
#include "processing/unfixed_recognition.h"
#include "processing/unfixed_search.h"
#include "processing/unfixed_tuple_search.h"

namespace velmora {

int runSearch(Window& window, uint16_t effectiveTaskType, uint16_t seriesType,
              const SearchInputs& in, ChainsHeader* chains, SeriesHeader* series) {
  if (series == nullptr) return 0;
  const bool unfixed = seriesType == 4 || seriesType == 8;
  const bool unfixedTuples = unfixed || seriesType == 40;
  const uint16_t mode = static_cast<uint16_t>(in.subsetProceedingMode);
  SearchWorkspace* const ws = in.workspace;
  switch (effectiveTaskType) {
    case 1:
    case 4:
    case 64:
      return unfixed ? searchUnfixedCount(window, in.alphabet, in.requiredCount, in.requiredList,
                                          in.tmin, in.tmax, in.procSavedLevel, chains, series, ws)
                     : identificationSearch(window, in.alphabet, in.requiredCount,
                                            in.requiredList, in.tmin, in.tmax, in.procSavedLevel,
                                            chains, series, ws);
    case 2:
      return unfixed ? recognizeUnfixedCount(window, in.alphabet, in.requiredCount,
                                             in.requiredList, in.tmin, in.tmax, in.procSavedLevel,
                                             chains, series, ws)
                     : recognitionSearch(window, in.alphabet, in.requiredCount, in.requiredList,
                                         in.tmin, in.tmax, in.procSavedLevel, chains, series, ws);
    case 36:
      return unfixedTuples
                 ? detectUnfixedTuples(window, in.alphabet, in.selectedSubsetSize,
                                       in.selectedSubset, mode, in.tmin, in.tmax,
                                       in.procSavedLevel, chains, series, in.diagnosticFlag, ws)
                 : tupleDetectionSearch(window, in.alphabet, in.selectedSubsetSize,
                                        in.selectedSubset, mode, in.tmin, in.tmax,
                                        in.procSavedLevel, chains, series, ws);
    case 40:
      return unfixedTuples
                 ? recognizeUnfixedTuples(window, in.alphabet, in.subsetSizes, in.subsetRows,
                                          in.subsetCount, mode, in.tmin, in.tmax,
                                          in.procSavedLevel, chains, series, in.diagnosticFlag,
                                          ws)
                 : tupleRecognitionSearch(window, in.alphabet, in.subsetSizes, in.subsetRows,
                                          in.subsetCount, mode, in.tmin, in.tmax,
                                          in.procSavedLevel, chains, series, ws);
    default:
      return 0;
  }
}

}  // namespace velmora
