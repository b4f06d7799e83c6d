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

RandomStates& randomStates() {
  static RandomStates states;
  return states;
}

void resetRandomStates() { randomStates() = RandomStates{}; }

}  // namespace velmora
