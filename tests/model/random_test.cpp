#include "model/random.h"

#include <gtest/gtest.h>

#include <cmath>

namespace velmora::testing {
namespace {

TEST(Random, FirstDrawsFromTheInitialStates) {
  resetRandomStates();
  RandomStates& s = randomStates();
  EXPECT_EQ(nextRandom(s.alphabet), 16948);  // 123 * 12869 + 6925 = 1589812
  EXPECT_EQ(s.alphabet, 16948);
  EXPECT_EQ(nextRandom(s.position), 15466);
  EXPECT_EQ(nextRandom(s.pulseCount), 3332);
  // The two subset states start equal and run independently.
  EXPECT_EQ(nextRandom(s.subsetPlace), nextRandom(s.subsetRepeat));
}

TEST(Random, ResetRestoresEveryState) {
  RandomStates& s = randomStates();
  nextRandom(s.alphabet);
  nextRandom(s.cutStart);
  nextRandom(s.cutEnd);
  nextRandom(s.subsetRepeat);
  resetRandomStates();
  EXPECT_EQ(s.alphabet, 123);
  EXPECT_EQ(s.cutStart, 7737);
  EXPECT_EQ(s.cutEnd, 3373);
  EXPECT_EQ(s.position, 12345);
  EXPECT_EQ(s.pulseCount, 13579);
  EXPECT_EQ(s.subsetPlace, 11357);
  EXPECT_EQ(s.subsetRepeat, 11357);
}

TEST(Random, GaussianTakesTwelveStepsAndGivesTheFirstNoiseValue) {
  uint16_t state = kInitialNoiseSeed;
  EXPECT_EQ(gaussRandom(state, 0, 20), 21);
  uint16_t stepped = kInitialNoiseSeed;
  for (int i = 0; i < 12; ++i) nextRandom(stepped);
  EXPECT_EQ(state, stepped);
  // The mean is added after scaling.
  uint16_t again = kInitialNoiseSeed;
  EXPECT_EQ(gaussRandom(again, 100, 20), 121);
}

// The draw reads its sum of 12 steps from a table: from every 16-bit state (the top bit
// included, which the first step drops) it must give the value and leave the state that
// the 12 single steps give, at the extreme sigmas and means as well.
TEST(Random, GaussianEqualsTwelveSingleStepsFromEveryState) {
  const int16_t sigmas[] = {0, 1, 20, 32767, -32768};
  const int16_t means[] = {0, 32767, -32768};
  for (uint32_t start = 0; start <= 0xFFFF; ++start) {
    uint16_t stepped = static_cast<uint16_t>(start);
    int64_t sum = 0;
    for (int i = 0; i < 12; ++i) sum += nextRandom(stepped);
    for (int16_t sigma : sigmas) {
      for (int16_t mean : means) {
        uint16_t state = static_cast<uint16_t>(start);
        const int32_t expected = mean + static_cast<int32_t>(((sum - 196608) * sigma) >> 15);
        ASSERT_EQ(gaussRandom(state, mean, sigma), expected) << start << " " << sigma;
        ASSERT_EQ(state, stepped) << start;
      }
    }
  }
}

// Large sigmas used to overflow the 32-bit product; the moments must still follow sigma.
TEST(Random, GaussianMomentsHoldForLargeSigma) {
  for (int16_t sigma : {int16_t{20}, int16_t{64}, int16_t{20000}, int16_t{32767}}) {
    uint16_t state = kInitialNoiseSeed;
    const int draws = 20000;
    double sum = 0, squares = 0;
    for (int i = 0; i < draws; ++i) {
      const double x = gaussRandom(state, 0, sigma);
      sum += x;
      squares += x * x;
    }
    const double mean = sum / draws;
    const double deviation = std::sqrt(squares / draws - mean * mean);
    EXPECT_NEAR(mean, 0.0, 0.05 * sigma) << sigma;
    EXPECT_NEAR(deviation, sigma, 0.1 * sigma) << sigma;
  }
}

// A jump must leave exactly the state the same number of single steps leaves: every
// 16-bit state for short jumps, a spread of states for the long ones (a series' noise
// takes 12 steps per sample), and whole periods bring every state back.
TEST(Random, JumpAheadEqualsSteppingOneByOne) {
  for (uint32_t start = 0; start <= 0xFFFF; ++start) {
    uint16_t stepped = static_cast<uint16_t>(start);
    for (uint64_t steps = 0; steps <= 40; ++steps) {
      ASSERT_EQ(randomJump(steps).apply(static_cast<uint16_t>(start)), stepped)
          << start << " + " << steps;
      nextRandom(stepped);
    }
  }
  const uint64_t checkpoints[] = {12 * 200, 12 * 1200, 32767, 32768, 32769, 100003};
  for (uint32_t start = 5; start < 0x10000; start += 997) {
    uint16_t stepped = static_cast<uint16_t>(start);
    uint64_t done = 0;
    for (uint64_t steps : checkpoints) {
      for (; done < steps; ++done) nextRandom(stepped);
      ASSERT_EQ(randomJump(steps).apply(static_cast<uint16_t>(start)), stepped)
          << start << " + " << steps;
    }
  }
  for (uint16_t start = 0; start < 0x8000; ++start) {
    ASSERT_EQ(randomJump(uint64_t{32768} * 3).apply(start), start);
    ASSERT_EQ(randomJump((uint64_t{1} << 40) + 7).apply(start), randomJump(7).apply(start));
  }
}

}  // namespace
}  // namespace velmora::testing
