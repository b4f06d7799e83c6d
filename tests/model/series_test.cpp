#include "model/series.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "model/subsets.h"
#include "model/texts.h"
#include "model_fixture.h"

namespace velmora::testing {
namespace {

class SeriesTest : public ::testing::Test {
 protected:
  void TearDown() override { freeSeriesHeader(header); }

  // Fixed-count synthesis on the test's header with the default pulse length and amplitude.
  SeriesHeader* synth(uint32_t n, uint16_t tmin, uint16_t tmax, uint16_t q,
                      std::vector<uint16_t>& sequence, uint16_t level) {
    header = getCutOffSeries(window, kAlphabetSize, alpha.pulses, kPulseLength, tmin, tmax, n, q,
                             sequence.data(), kPulseAmplitude, level, header);
    return header;
  }

  DefaultAlphabet alpha;
  FakeWindow window;
  SeriesHeader* header = nullptr;
};

std::vector<int16_t> toVector(const int16_t* p, size_t n) { return {p, p + n}; }

TEST_F(SeriesTest, PulseCountBounds) {
  EXPECT_EQ(minPulseCount(600, 20, 181), 3);
  EXPECT_EQ(maxPulseCount(600, 20, 40), 15);
  EXPECT_EQ(minPulseCount(1200, 20, 181), 6);
  EXPECT_EQ(maxPulseCount(1200, 20, 40), 30);
  // N + L - 1 below Tmax: raised to one.
  EXPECT_EQ(minPulseCount(100, 20, 181), 1);
  // A series shorter than a pulse holds none instead of wrapping around.
  EXPECT_EQ(maxPulseCount(10, 20, 5), 0);
}

// The first three runs of the default problem, computed independently. Start-up
// synthesises a first series (etalon 1 throughout, no noise) before the first run, so the
// position and cut states have advanced once when run 1 is made; the noise state advances
// from run to run.
TEST_F(SeriesTest, ReproducesTheDefaultProblemRuns) {
  const nlohmann::json runs = loadData("run-default.json")["runs"];
  std::vector<uint16_t> startup(30, 1);
  ASSERT_NE(synth(1200, 40, 181, 18, startup, 75), nullptr);
  uint16_t noiseState = kInitialNoiseSeed;
  for (size_t r = 0; r < runs.size(); ++r) {
    SCOPED_TRACE(r);
    const nlohmann::json& run = runs[r]["series"];
    std::vector<uint16_t> sequence = runs[r]["etalonSequence"].get<std::vector<uint16_t>>();
    ASSERT_NE(synth(1200, 40, 181, 18, sequence, 75), nullptr);
    addNoise(window, 20, kPulseAmplitude, header, noiseState);
    const size_t q = header->wImpulseQuantity;
    ASSERT_EQ(q, run["impulseQuantity"].get<size_t>());
    auto expect = [&](const int16_t* got, size_t n, const char* key) {
      EXPECT_EQ(toVector(got, n), run[key].get<std::vector<int16_t>>()) << key;
    };
    expect(header->lpPositions, q, "positions");
    expect(header->lpFirstSamples, q, "firstSamples");
    expect(header->lpLastSamples, q, "lastSamples");
    expect(header->lpMinPositions, q, "minPositions");
    expect(header->lpMaxPositions, q, "maxPositions");
    expect(header->lpEtalons, q, "etalons");
    expect(header->lpPureData, 1200, "pureData");
    expect(header->lpNoisyData, 1200, "noisyData");
    EXPECT_EQ(header->wMinPulses, run["minPulses"].get<int>());
    EXPECT_EQ(header->wMaxPulses, run["maxPulses"].get<int>());
    EXPECT_EQ(header->wNoise, 20);
  }
  EXPECT_TRUE(window.messages.empty());
}

}  // namespace
}  // namespace velmora::testing
