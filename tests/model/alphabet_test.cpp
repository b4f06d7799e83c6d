#include "model/alphabet.h"

#include <gtest/gtest.h>

#include <vector>

#include "model/texts.h"
#include "model_fixture.h"

namespace velmora::testing {
namespace {

std::vector<int16_t> samples(const PulseHeader& p) { return {p.lpData, p.lpData + p.wSize}; }
std::vector<int16_t> head(const PulseHeader& p, size_t n) { return {p.lpData, p.lpData + n}; }

TEST(Alphabet, MatchesTheIndependentlyComputedAlphabet) {
  DefaultAlphabet a;
  EXPECT_TRUE(a.reported.messages.empty());
  const nlohmann::json etalons = loadData("alphabet.json")["etalons"];
  ASSERT_EQ(etalons.size(), size_t{kAlphabetSize});
  for (size_t i = 0; i < kAlphabetSize; ++i) {
    SCOPED_TRACE(i);
    const PulseHeader& p = a.pulses[i];
    EXPECT_EQ(p.wNumber, etalons[i]["number"].get<int>());
    EXPECT_EQ(p.wSize, kPulseLength);
    EXPECT_EQ(p.wReservedSize, kPulseLength);
    EXPECT_EQ(samples(p), etalons[i]["samples"].get<std::vector<int16_t>>());
    EXPECT_EQ(pulseEnergy(p), etalons[i]["energy"].get<int32_t>());
  }
}

TEST(Alphabet, DocumentedSamples) {
  DefaultAlphabet a;
  EXPECT_EQ(samples(a.pulses[0]), std::vector<int16_t>(20, 60));
  EXPECT_EQ(samples(a.pulses[1]), std::vector<int16_t>(20, -60));
  EXPECT_EQ(head(a.pulses[2], 5), (std::vector<int16_t>{12, 24, 36, 47, 57}));
  EXPECT_EQ(a.pulses[2].lpData[9], 83);
  EXPECT_EQ(a.pulses[2].lpData[10], 83);
  EXPECT_EQ(head(a.pulses[4], 5), (std::vector<int16_t>{24, 47, 65, 78, 83}));
  EXPECT_EQ(a.pulses[4].lpData[19], -24);
  EXPECT_EQ(head(a.pulses[6], 6), (std::vector<int16_t>{0, 117, 87, -90, -147, 0}));
  EXPECT_EQ(head(a.pulses[8], 6), (std::vector<int16_t>{0, 102, 115, 117, 118, 91}));
  EXPECT_EQ(a.pulses[8].lpData[19], 2);
  EXPECT_EQ(head(a.pulses[10], 3), (std::vector<int16_t>{-55, 66, -105}));
}

TEST(Alphabet, EvenEtalonsNegateTheirPredecessorsAndRandomOnesAreClipped) {
  DefaultAlphabet a;
  for (int i = 1; i < 10; i += 2)
    for (int k = 0; k < kPulseLength; ++k)
      EXPECT_EQ(a.pulses[i].lpData[k], -a.pulses[i - 1].lpData[k]) << i << ":" << k;
  bool sawTop = false;
  for (int i = 10; i < kAlphabetSize; ++i) {
    for (int k = 0; k < kPulseLength; ++k) {
      EXPECT_GE(a.pulses[i].lpData[k], -128);
      EXPECT_LE(a.pulses[i].lpData[k], 127);
      sawTop = sawTop || a.pulses[i].lpData[k] == 127;
    }
  }
  EXPECT_TRUE(sawTop);  // clipping does occur in the default alphabet (etalon 11)
}

TEST(Alphabet, RebuildReusesLargeEnoughBuffersAndWarnsWhenItMustRelease) {
  RecordingReporter reported;
  PulseHeader pulses[3];
  resetRandomStates();
  ASSERT_EQ(makeAlphabet(reported, kPulseAmplitude, 3, 10, pulses), 1);
  const int16_t* first = pulses[0].lpData;
  ASSERT_EQ(makeAlphabet(reported, kPulseAmplitude, 3, 8, pulses), 1);
  EXPECT_TRUE(reported.messages.empty());
  EXPECT_EQ(pulses[0].lpData, first);
  EXPECT_EQ(pulses[0].wReservedSize, 10);
  EXPECT_EQ(pulses[0].wSize, 8);
  // Longer pulses: the buffers are released first, with a warning for etalon 1 only.
  ASSERT_EQ(makeAlphabet(reported, kPulseAmplitude, 3, 20, pulses), 1);
  ASSERT_EQ(reported.messages.size(), 1u);
  EXPECT_EQ(reported.messages.back().text, kTextReleaseBeforehand);
  EXPECT_EQ(reported.messages.back().caption, kCaptionDebugging);
  EXPECT_EQ(reported.messages.back().kind, MessageKind::kWarning);
  EXPECT_EQ(pulses[2].wReservedSize, 20);
  EXPECT_EQ(pulses[2].wNumber, 3);
  freePulse(pulses[0]);
  EXPECT_EQ(pulses[0].lpData, nullptr);
}

TEST(Resample, CopiesEqualLengthsAndKeepsTheLastSample) {
  const std::vector<int16_t> src{5, -7, 100, 3, -32768, 32767, 9};
  std::vector<int16_t> dst(src.size());
  resamplePulse(7, src.data(), 7, dst.data());
  EXPECT_EQ(dst, src);
  for (int16_t d : {1, 2, 3, 4, 6, 8, 13, 40}) {
    std::vector<int16_t> out(d, 1234);
    resamplePulse(7, src.data(), d, out.data());
    EXPECT_EQ(out.back(), 9) << d;
  }
}

TEST(Resample, InterpolatesLinearly) {
  const std::vector<int16_t> ramp{0, 10, 20};
  std::vector<int16_t> up(5);
  resamplePulse(3, ramp.data(), 5, up.data());
  EXPECT_EQ(up, (std::vector<int16_t>{0, 5, 10, 15, 20}));
  std::vector<int16_t> down(3);
  resamplePulse(5, up.data(), 3, down.data());
  EXPECT_EQ(down, ramp);
  std::vector<int16_t> inverted(5);
  makeInvertedPulse(3, ramp.data(), 5, inverted.data());
  EXPECT_EQ(inverted, (std::vector<int16_t>{0, -5, -10, -15, -20}));
}

TEST(Shapes, RiseAsLongAsThePulseStaysFinite) {
  // A rise reaching the pulse length leaves no decay part: no division by zero.
  for (int16_t rise : {int16_t{20}, int16_t{25}}) {
    std::vector<int16_t> osc(20), env(20);
    makeOscillationPulse(100, rise, 4, 20, osc.data());
    makeEnvelopePulse(100, rise, 4, 20, env.data());
    for (int k = 0; k < 20; ++k) {
      EXPECT_LE(std::abs(osc[k]), 100);
      EXPECT_GE(env[k], 0);
      EXPECT_LE(env[k], 100);
    }
    EXPECT_EQ(env[0], 0);
  }
}

}  // namespace
}  // namespace velmora::testing
