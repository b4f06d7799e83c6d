// The chain search on a series whose number of pulses M is known: for each of the M pulses
// in series order a start position inside the pulse's search window and the etalon (or an
// admitted run of it) that matches the series there, consecutive starts Tmin..Tmax apart,
// at the lowest total match cost. A dynamic programme over (pulse, position) with a
// trace-back.
#pragma once

#include <cstdint>

#include "common/window.h"
#include "model/alphabet.h"
#include "model/series.h"
#include "processing/chains.h"

namespace velmora {

// Allocation failure texts, shown with no caption and an OK button.
inline constexpr const char* kNoMemoryPpDw = "Нет памяти для ppDw!";
inline constexpr const char* kNoMemoryPpDwRows = "Нет памяти для ppDw[m]!";
inline constexpr const char* kNoMemoryRecognitionIndexes = "Нет памяти для indexes!";

// Joint detection and identification (detection with a list of one etalon): every pulse
// may be any of the `etalonCount` list etalons. Reads L, n, M, the noisy samples and the
// windows lpMinPositions/lpMaxPositions from `series` and writes the found chain into it;
// the chain becomes the only pretender of `chains` (when given), which is emptied first
// with wQuanPulses = wSeekingPulsesQuantity = M. When no admissible chain exists the
// series record gets wFoundPulses = 0 and `chains` stays empty. 1 when the search ran,
// 0 when memory ran out (nothing written).
int identificationSearch(Window& window, const PulseHeader* alphabet, uint16_t etalonCount,
                         const uint16_t* etalons, uint16_t tmin, uint16_t tmax,
                         uint16_t savedLevel, ChainsHeader* chains, SeriesHeader* series);

// Recognition: all M pulses are one etalon, found among the list. One pass per list
// etalon, each pass's chain ranked into `chains`; the first of equal scores in list order
// wins. Returns the recognised etalon number (1-based), or -1 when no pass scored below
// 999999999 (the series record then gets wFoundPulses = 0) or memory ran out (nothing
// written).
int recognitionSearch(Window& window, const PulseHeader* alphabet, uint16_t etalonCount,
                      const uint16_t* etalons, uint16_t tmin, uint16_t tmax,
                      uint16_t savedLevel, ChainsHeader* chains, SeriesHeader* series);

}  // namespace velmora
