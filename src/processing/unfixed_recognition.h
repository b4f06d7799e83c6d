// Recognition on a series whose number of pulses is not known in advance: the unfixed
// chain search once per candidate etalon, the cheapest chain's etalon recognised
// (recognizeUnfixedCountWith in search_kernels.h, reached through runSearch).
#pragma once

#include <cstdint>

namespace velmora {

// Result when no candidate's chain scored below the no-chain score.
inline constexpr uint16_t kNoEtalonRecognised = 65535;

}  // namespace velmora
