#include "model/random.h"

#include <array>

namespace velmora {

namespace {

// Every step depends only on the low 15 bits of the state, so the sum of the 12 values a
// Gaussian variate draws depends only on those bits too: one table of the 32768 sums, and
// the state after 12 steps as one affine map, replace the 12 dependent steps of a draw.
struct GaussTable {
  std::array<int32_t, 32768> sums{};
  RandomJump twelve = randomJump(12);

  GaussTable() {
    for (uint32_t start = 0; start < 32768; ++start) {
      uint16_t state = static_cast<uint16_t>(start);
      int32_t sum = 0;
      for (int i = 0; i < 12; ++i) sum += nextRandom(state);
      sums[start] = sum;
    }
  }
};

const GaussTable& gaussTable() {
  static const GaussTable table;
  return table;
}

}  // namespace

uint16_t nextRandom(uint16_t& state) {
  // Only the low 15 bits of the 16-bit product survive, so 32-bit arithmetic gives the
  // same value as the wrapping 16-bit one.
  state = static_cast<uint16_t>((uint32_t{state} * 12869u + 6925u) & 0x7FFFu);
  return state;
}

int32_t gaussRandom(uint16_t& state, int16_t mean, int16_t sigma) {
  const GaussTable& table = gaussTable();
  const int32_t sum = table.sums[state & 0x7FFFu];
  state = table.twelve.apply(state);
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
