// Recognition on a series whose number of pulses is not known in advance: the unfixed
// chain search once per candidate etalon, the cheapest chain's etalon recognised.
#pragma once

#include <cstdint>

#include "common/window.h"
#include "model/alphabet.h"
#include "model/series.h"
#include "processing/chains.h"

namespace velmora {

struct SearchWorkspace;

// Result when no candidate's chain scored below the no-chain score.
inline constexpr uint16_t kNoEtalonRecognised = 65535;

// Ranks every candidate's chain into `chains` and writes its best pretender into the
// series record. Returns the recognised etalon number (1-based), kNoEtalonRecognised when
// none scored below the no-chain score, 0 when memory ran out before anything was written.
// When the position sets or tables cannot be had, no candidate is tried, the series record
// gets 0 pulses and the result is kNoEtalonRecognised; both failures show
// "Нет памяти для indexes!".
uint16_t recognizeUnfixedCount(Window& window, const PulseHeader* alphabet, uint16_t etalonCount,
                               const uint16_t* etalons, uint16_t tmin, uint16_t tmax,
                               uint16_t savedLevel, ChainsHeader* chains, SeriesHeader* series,
                               SearchWorkspace* workspace = nullptr);

}  // namespace velmora
