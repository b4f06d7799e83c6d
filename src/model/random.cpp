#include "model/random.h"

namespace velmora {

uint16_t nextRandom(uint16_t& state) {
  // Only the low 15 bits of the 16-bit product survive, so 32-bit arithmetic gives the
  // same value as the wrapping 16-bit one.
  state = static_cast<uint16_t>((uint32_t{state} * 12869u + 6925u) & 0x7FFFu);
  return state;
}

int32_t gaussRandom(uint16_t& state, int16_t mean, int16_t sigma) {
  int32_t sum = 0;
  for (int i = 0; i < 12; ++i) sum += nextRandom(state);
  // (sum - 196608) reaches +-196608, so the product with a sigma above 10922 would leave
  // 32 bits; it is formed in 64 bits. The shift is arithmetic.
  const int64_t scaled = (int64_t{sum} - 196608) * sigma;
  return mean + static_cast<int32_t>(scaled >> 15);
}

RandomJump randomJump(uint64_t steps) {
  RandomJump jump;
  jump.moves = steps > 0;
  // The map of 2^k steps, squared at every bit; the bits that are set are composed in.
  uint32_t a = 12869, c = 6925;  // one step
  uint32_t ja = 1, jc = 0;       // the jump so far
  for (; steps > 0; steps >>= 1) {
    if (steps & 1) {
      ja = (a * ja) & 0x7FFFu;
      jc = (a * jc + c) & 0x7FFFu;
    }
    c = ((a + 1) * c) & 0x7FFFu;
    a = (a * a) & 0x7FFFu;
  }
  jump.multiplier = static_cast<uint16_t>(ja);
  jump.increment = static_cast<uint16_t>(jc);
  return jump;
}

RandomStates& randomStates() {
  static RandomStates states;
  return states;
}

void resetRandomStates() { randomStates() = RandomStates{}; }

}  // namespace velmora
