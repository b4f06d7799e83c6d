// The employment modes of a subset attached to a series (dialog 111): how the synthesis
// writes the subset into the etalon sequence, from the subset's initial position on.
#pragma once

#include <cstdint>

namespace velmora {

// One copy, shifted by a random gap within the room the sequence leaves.
inline constexpr uint16_t kSubsetSingleRandom = 1;
// One copy at the initial position.
inline constexpr uint16_t kSubsetSingleFixed = 2;
// Copies up to the end of the sequence, each after a random gap.
inline constexpr uint16_t kSubsetMultipleRandom = 3;
// Copies back to back up to the end of the sequence.
inline constexpr uint16_t kSubsetComplete = 4;
// As complete, with the first copy starting at a random entry of the subset.
inline constexpr uint16_t kSubsetShiftedComplete = 5;

}  // namespace velmora
