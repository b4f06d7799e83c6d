// The plain searches: every search with its local matches recomputed for every pulse and
// position and every predecessor range scanned in full. They run the same search bodies
// as the application's searches (see search_kernels.h) on plain kernels, so they are slow
// (cubic in the pulse length per position and etalon, linear in Tmax - Tmin per cell) and
// serve as the reference that the fast kernels must reproduce bit for bit, ties, rankings
// and failure answers included. The tests and the benchmarks compare against them; the
// application never calls them.
//
// Each function takes the arguments of the search of the same name in the velmora
// namespace and answers into the same records in the same way, with storage of its own
// for the call. The unfixed-count tuple searches show no diagnostic dumps.
#pragma once

#include <cstdint>

#include "common/window.h"
#include "model/alphabet.h"
#include "model/series.h"
#include "processing/chains.h"

namespace velmora::reference {

int identificationSearch(Window& window, const PulseHeader* alphabet, uint16_t etalonCount,
                         const uint16_t* etalons, uint16_t tmin, uint16_t tmax,
                         uint16_t savedLevel, ChainsHeader* chains, SeriesHeader* series);

int recognitionSearch(Window& window, const PulseHeader* alphabet, uint16_t etalonCount,
                      const uint16_t* etalons, uint16_t tmin, uint16_t tmax,
                      uint16_t savedLevel, ChainsHeader* chains, SeriesHeader* series);

int tupleDetectionSearch(Window& window, const PulseHeader* alphabet, int32_t tupleSize,
                         const int32_t* tuple, uint16_t subsetProceeding, uint16_t tmin,
                         uint16_t tmax, uint16_t savedLevel, ChainsHeader* chains,
                         SeriesHeader* series);

int tupleRecognitionSearch(Window& window, const PulseHeader* alphabet,
                           const int32_t* tupleSizes, const int32_t* const* tuples,
                           int32_t tupleCount, uint16_t subsetProceeding, uint16_t tmin,
                           uint16_t tmax, uint16_t savedLevel, ChainsHeader* chains,
                           SeriesHeader* series);

int searchUnfixedCount(Window& window, const PulseHeader* alphabet, uint16_t etalonCount,
                       const uint16_t* etalons, uint16_t tmin, uint16_t tmax, uint16_t savedLevel,
                       ChainsHeader* chains, SeriesHeader* series);

uint16_t recognizeUnfixedCount(Window& window, const PulseHeader* alphabet, uint16_t etalonCount,
                               const uint16_t* etalons, uint16_t tmin, uint16_t tmax,
                               uint16_t savedLevel, ChainsHeader* chains, SeriesHeader* series);

int detectUnfixedTuples(Window& window, const PulseHeader* alphabet, int32_t patternSize,
                        const int32_t* pattern, uint16_t subsetProceeding, uint16_t tmin,
                        uint16_t tmax, uint16_t savedLevel, ChainsHeader* chains,
                        SeriesHeader* series);

int recognizeUnfixedTuples(Window& window, const PulseHeader* alphabet, const int32_t* patternSizes,
                           const int32_t* const* patterns, int32_t patternCount,
                           uint16_t subsetProceeding, uint16_t tmin, uint16_t tmax,
                           uint16_t savedLevel, ChainsHeader* chains, SeriesHeader* series);

}  // namespace velmora::reference
