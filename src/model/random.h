// The 15-bit linear congruential source and the Gaussian variate built on it. Every use
// has its own 16-bit state with a fixed initial value; the program never re-seeds them,
// so the same commands give the same series in every run.
#pragma once

#include <cstdint>

namespace velmora {

// Advances state to (state * 12869 + 6925) & 0x7FFF in 16 bits and returns it.
uint16_t nextRandom(uint16_t& state);

// Sum of 12 successive nextRandom values, centred and scaled:
// mean + ((sum - 196608) * sigma) >> 15.
int32_t gaussRandom(uint16_t& state, int16_t mean, int16_t sigma);

// The generator advanced by a fixed number of steps in one go. Each step is the affine map
// x -> (12869 x + 6925) mod 2^15, so any number of steps is one affine map
// x -> (multiplier x + increment) mod 2^15, found by repeated squaring. Applying it gives
// the state that as many nextRandom calls would leave. The generator has the full period
// 32768, so a jump by a multiple of 32768 leaves every state where it was.
struct RandomJump {
  uint16_t multiplier = 1;
  uint16_t increment = 0;
  bool moves = false;  // false for 0 steps: the state stays as it is, all 16 bits of it

  uint16_t apply(uint16_t state) const {
    if (!moves) return state;
    return static_cast<uint16_t>((uint32_t{multiplier} * state + increment) & 0x7FFFu);
  }
};
RandomJump randomJump(uint64_t steps);

// The generator states that live for the whole run. The noise state is kept by the
// application state (wNoiseSeed); its initial value is kInitialNoiseSeed.
struct RandomStates {
  uint16_t alphabet = 123;
  uint16_t cutStart = 7737;
  uint16_t cutEnd = 3373;
  uint16_t position = 12345;
  uint16_t pulseCount = 13579;
  uint16_t subsetPlace = 11357;
  uint16_t subsetRepeat = 11357;
};
inline constexpr uint16_t kInitialNoiseSeed = 10597;

// The process-wide states.
RandomStates& randomStates();
// Puts every process-wide state back to its initial value, as in a fresh program.
void resetRandomStates();

}  // namespace velmora
