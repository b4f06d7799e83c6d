// Detection and recognition of pattern tuples on a series whose number of pulses is not
// known in advance: a chain search on a layered graph, one layer per pattern element.
#pragma once

#include <cstdint>

#include "common/window.h"
#include "model/alphabet.h"
#include "model/series.h"
#include "processing/chains.h"

namespace velmora {

// Value that marks the absence of a chain in detection and in recognition.
inline constexpr int32_t kTupleDetectionNoChain = 99999999;
inline constexpr int32_t kTupleRecognitionNoChain = 999999999;

inline constexpr const char* kNoMemoryLayers = "Нет памяти для G_on_layers!";
inline constexpr const char* kTuplesDumpCaption = " About TuplesDetection ";
// Size of the text the diagnostic dumps are built in; longer dumps are cut.
inline constexpr size_t kTuplesDumpLimit = 5000;

// Tuple detection of one pattern of `patternSize` etalon numbers. `subsetProceeding` is
// accepted for the callers' sake and not used: the chain always starts with the
// pattern's first etalon. When `*diagnosticFlag` is nonzero the layered graph is dumped
// in message boxes; the flag is cleared on success. 1 when the search ran, 0 when memory
// ran out.
int detectUnfixedTuples(Window& window, const PulseHeader* alphabet, int32_t patternSize,
                        const int32_t* pattern, uint16_t subsetProceeding, uint16_t tmin,
                        uint16_t tmax, uint16_t savedLevel, ChainsHeader* chains,
                        SeriesHeader* series, uint32_t* diagnosticFlag = nullptr);

// Tuple recognition among `patternCount` patterns. Returns the 1-based number of the
// recognised pattern, 0 when no pattern gave a chain or memory ran out.
int recognizeUnfixedTuples(Window& window, const PulseHeader* alphabet, const int32_t* patternSizes,
                           const int32_t* const* patterns, int32_t patternCount,
                           uint16_t subsetProceeding, uint16_t tmin, uint16_t tmax,
                           uint16_t savedLevel, ChainsHeader* chains, SeriesHeader* series,
                           uint32_t* diagnosticFlag = nullptr);

}  // namespace velmora
