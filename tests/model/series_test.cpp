#include "model/series.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <vector>

#include "model/subset_modes.h"
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
    header = getCutOffSeries(reported, kAlphabetSize, alpha.pulses, kPulseLength, tmin, tmax, n, q,
                             sequence.data(), kPulseAmplitude, level, header);
    return header;
  }

  DefaultAlphabet alpha;
  RecordingReporter reported;
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
    addNoise(20, kPulseAmplitude, header, noiseState);
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
  EXPECT_TRUE(reported.messages.empty());
}


// Pmin = 3 and Pmax = 15 for this geometry: 2 and 16 pulses are refused with the
// incompatible-parameters text, and the series, the sequence and the states stay as they were.
TEST_F(SeriesTest, RefusesCountsOutsideTheAdmissibleRange) {
  std::vector<uint16_t> sequence(16, 5);
  ASSERT_NE(synth(600, 40, 181, 2, sequence, 75), nullptr);
  ASSERT_EQ(reported.messages.size(), 1u);
  EXPECT_EQ(reported.messages.back().text,
            "Несовместимые входные параметры!\n\ndwSeriesSize: 600 [600]\n"
            "wImpulseSize: 20 [0]\nwMinPulses: 3 [3]\nwMaxPulses: 15 [15]\n"
            "wImpulseQuantity: 2\n\n");
  EXPECT_EQ(reported.messages.back().caption, kCaptionMakeExtSeries);
  EXPECT_EQ(reported.messages.back().kind, MessageKind::kWarning);
  EXPECT_EQ(header->wImpulseQuantity, 0);

  ASSERT_NE(synth(600, 40, 181, 10, sequence, 75), nullptr);
  const std::vector<int16_t> pure = toVector(header->lpPureData, 600);
  const std::vector<int16_t> positions = toVector(header->lpPositions, 10);
  const RandomStates states = randomStates();
  sequence.assign(16, 0);
  reported.messages.clear();
  EXPECT_EQ(synth(600, 40, 181, 16, sequence, 75), header);
  ASSERT_EQ(reported.messages.size(), 1u);
  EXPECT_NE(reported.messages.back().text.find("wImpulseSize: 20 [20]\n"), std::string::npos);
  EXPECT_NE(reported.messages.back().text.find("wImpulseQuantity: 16\n"), std::string::npos);
  EXPECT_EQ(toVector(header->lpPureData, 600), pure);
  EXPECT_EQ(toVector(header->lpPositions, 10), positions);
  EXPECT_EQ(header->wImpulseQuantity, 10);
  EXPECT_EQ(sequence, std::vector<uint16_t>(16, 0));
  EXPECT_EQ(randomStates().position, states.position);
  EXPECT_EQ(randomStates().cutStart, states.cutStart);
}

// The first position draw (15466) picks pulse 11 of 15 to place first; the second draws
// its start inside its window [440, 460].
TEST_F(SeriesTest, FirstPlacedPulseComesFromThePositionState) {
  uint16_t state = 12345;
  ASSERT_EQ(nextRandom(state), 15466);
  const int32_t start = 440 + (nextRandom(state) >> 2) % 21;
  std::vector<uint16_t> sequence(15, 3);
  ASSERT_NE(synth(600, 40, 181, 15, sequence, 100), nullptr);
  EXPECT_EQ(header->lpPositions[11], start);
  EXPECT_EQ(header->lpMinPositions[11], 440);
  EXPECT_EQ(header->lpMaxPositions[11], 460);
  // One position draw to choose the first pulse and one per pulse.
  uint16_t expected = 12345;
  for (int i = 0; i < 16; ++i) nextRandom(expected);
  EXPECT_EQ(randomStates().position, expected);
}

TEST_F(SeriesTest, UnfixedCountAndFirstNoiseValue) {
  std::vector<uint16_t> sequence(30, 7);
  header = getRandomCountSeries(reported, kAlphabetSize, alpha.pulses, kPulseLength, 40, 181, 1200,
                                0, sequence.data(), kPulseAmplitude, 75, header);
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(header->wImpulseQuantity, 14);  // 6 + (3332 >> 2) mod 25
  EXPECT_EQ(header->wMinPulses, 6);
  EXPECT_EQ(header->wMaxPulses, 30);
  uint16_t noise = kInitialNoiseSeed;
  addNoise(20, kPulseAmplitude, header, noise);
  EXPECT_EQ(header->lpNoisyData[0] - header->lpPureData[0], 21);
  EXPECT_EQ(header->wNoise, 20);
  // No admissible count at all: null, no message, the header is left to the caller.
  SeriesHeader* kept = header;
  EXPECT_EQ(getRandomCountSeries(reported, kAlphabetSize, alpha.pulses, kPulseLength, 20, 20, 30, 0,
                                 sequence.data(), kPulseAmplitude, 75, header),
            nullptr);
  EXPECT_TRUE(reported.messages.empty());
  EXPECT_EQ(kept->wImpulseQuantity, 14);
}

TEST_F(SeriesTest, WholePulsesStillAdvanceTheCutStates) {
  std::vector<uint16_t> sequence(12, 9);
  ASSERT_NE(synth(1200, 40, 181, 12, sequence, 100), nullptr);
  uint16_t cutStart = 7737, cutEnd = 3373;
  for (int k = 0; k < 12; ++k) {
    EXPECT_EQ(header->lpFirstSamples[k], 0);
    EXPECT_EQ(header->lpLastSamples[k], kPulseLength - 1);
    nextRandom(cutStart);
    nextRandom(cutEnd);
  }
  EXPECT_EQ(randomStates().cutStart, cutStart);
  EXPECT_EQ(randomStates().cutEnd, cutEnd);
}

TEST_F(SeriesTest, InvalidEtalonNumbersBecomeOne) {
  std::vector<uint16_t> sequence{0, 21, 65535, 20, 1, 7};
  ASSERT_NE(synth(600, 40, 181, 6, sequence, 75), nullptr);
  EXPECT_EQ(sequence, (std::vector<uint16_t>{1, 1, 1, 20, 1, 7}));
  EXPECT_EQ(toVector(header->lpEtalons, 6), (std::vector<int16_t>{1, 1, 1, 20, 1, 7}));
  EXPECT_EQ(header->lpFirstPulse, &alpha.pulses[0]);
}

class SubsetModeTest : public SeriesTest {
 protected:
  // Sizes the header, attaches the subset and synthesises q pulses over a sequence of 9s.
  std::vector<uint16_t> run(const std::vector<int32_t>& subset, uint16_t mode,
                            uint16_t position, uint16_t q) {
    std::vector<uint16_t> sequence(q, 9);
    header = getCutOffSeriesHeader(reported, kAlphabetSize, kPulseLength, 40, 181, 1200, header);
    addSubsetToSeriesHeader(subset.data(), int32_t(subset.size()), mode, position, header);
    EXPECT_EQ(makeExtSeries(reported, kAlphabetSize, alpha.pulses, kPulseLength, 40, 181, 1200, q,
                            sequence.data(), kPulseAmplitude, 75, header),
              1);
    return sequence;
  }
  // Number of subset copies in the sequence; fails unless every entry outside the copies
  // is the caller's 9 and each copy follows the subset's order (the last may be cut short
  // by the end of the sequence).
  static int copies(const std::vector<uint16_t>& sequence, const std::vector<int32_t>& subset) {
    int found = 0;
    for (size_t k = 0; k < sequence.size();) {
      if (sequence[k] == 9) {
        ++k;
        continue;
      }
      ++found;
      for (size_t t = 0; t < subset.size() && k < sequence.size(); ++t, ++k)
        EXPECT_EQ(sequence[k], subset[t]) << "entry " << k;
    }
    return found;
  }
};

TEST_F(SubsetModeTest, FixedAndCompleteModes) {
  // Single fixed at position 1 with at least Q entries: the first Q entries.
  EXPECT_EQ(run({3, 4, 5, 6, 7, 8, 10, 11}, kSubsetSingleFixed, 1, 6),
            (std::vector<uint16_t>{3, 4, 5, 6, 7, 8}));
  // Single fixed at position 3: later entries only, the rest keeps the caller's values.
  EXPECT_EQ(run({3, 4}, kSubsetSingleFixed, 3, 6), (std::vector<uint16_t>{9, 9, 3, 4, 9, 9}));
  // A position of 0 counts as the first pulse (never the entry before the sequence).
  EXPECT_EQ(run({3, 4}, kSubsetSingleFixed, 0, 6), (std::vector<uint16_t>{3, 4, 9, 9, 9, 9}));
  // Complete: the subset repeated to the end.
  EXPECT_EQ(run({2, 4, 6}, kSubsetComplete, 1, 8), (std::vector<uint16_t>{2, 4, 6, 2, 4, 6, 2, 4}));
  EXPECT_EQ(run({2, 4, 6}, kSubsetComplete, 4, 8), (std::vector<uint16_t>{9, 9, 9, 2, 4, 6, 2, 4}));
  // Unknown modes and positions past the end leave the sequence alone.
  EXPECT_EQ(run({2, 4, 6}, 6, 1, 8), std::vector<uint16_t>(8, 9));
  EXPECT_EQ(run({2, 4, 6}, kSubsetComplete, 12, 8), std::vector<uint16_t>(8, 9));
  EXPECT_TRUE(reported.messages.empty());
}

TEST_F(SubsetModeTest, RandomModesPlaceWholeCopies) {
  const std::vector<int32_t> subset{3, 4, 5};
  bool movedAway = false;
  for (int i = 0; i < 20; ++i) {
    const std::vector<uint16_t> single = run(subset, kSubsetSingleRandom, 1, 12);
    EXPECT_EQ(copies(single, subset), 1);
    movedAway = movedAway || single[0] == 9;
    const std::vector<uint16_t> multiple = run(subset, kSubsetMultipleRandom, 2, 12);
    EXPECT_GE(copies(multiple, subset), 1);
    EXPECT_EQ(multiple[0], 9);
    EXPECT_NE(multiple.back(), 9);  // passes repeat until the sequence is full
  }
  EXPECT_TRUE(movedAway);

  // The random start of "Single random " takes every place from the first pulse to the
  // last one that still holds the whole subset (Q - S), and none beyond.
  std::set<size_t> starts;
  for (int i = 0; i < 200; ++i) {
    const std::vector<uint16_t> single = run(subset, kSubsetSingleRandom, 1, 7);
    size_t start = 0;
    while (start < single.size() && single[start] == 9) ++start;
    starts.insert(start);
  }
  EXPECT_EQ(starts, (std::set<size_t>{0, 1, 2, 3, 4}));
}

TEST_F(SubsetModeTest, ShiftedCompleteModeIsARotation) {
  const std::vector<int32_t> subset{3, 4, 5};
  bool seen[3] = {false, false, false};
  for (int i = 0; i < 30; ++i) {
    const std::vector<uint16_t> sequence = run(subset, kSubsetShiftedComplete, 1, 10);
    int shift = 0;
    while (shift < 3 && sequence[0] != subset[shift]) ++shift;
    ASSERT_LT(shift, 3);
    seen[shift] = true;
    for (size_t k = 0; k < sequence.size(); ++k)
      EXPECT_EQ(sequence[k], subset[(shift + k) % 3]) << k;
  }
  EXPECT_TRUE(seen[0] && seen[1] && seen[2]);
}

// A subset longer than the pulse count it was attached under: only the stored entries are
// ever written, whatever lies in the array behind them.
TEST_F(SubsetModeTest, LongSubsetIsBoundedByTheStoredEntries) {
  std::vector<uint16_t> sequence(30, 9);
  ASSERT_NE(synth(1200, 40, 181, 20, sequence, 75), nullptr);
  // A short series on the same header: Pmax = 4, the block is kept.
  header = getCutOffSeriesHeader(reported, kAlphabetSize, kPulseLength, 40, 181, 150, header);
  ASSERT_EQ(header->wMaxPulses, 4);
  const std::vector<int32_t> subset{11, 12, 13, 14, 15, 16};
  for (uint16_t mode = kSubsetSingleRandom; mode <= kSubsetShiftedComplete; ++mode) {
    addSubsetToSeriesHeader(subset.data(), 6, mode, 1, header);
    EXPECT_EQ(header->wSubsetSize, 6);
    EXPECT_EQ(header->wSubsetStored, 4);
    header->lpSubset[4] = 20;  // stale values behind the stored entries
    header->lpSubset[5] = 20;
    for (int i = 0; i < 25; ++i) {
      std::vector<uint16_t> seq(4, 9);
      ASSERT_EQ(makeExtSeries(reported, kAlphabetSize, alpha.pulses, kPulseLength, 40, 181, 150,
                              uint16_t(1 + i % 4), seq.data(), kPulseAmplitude, 75, header),
                1);
      for (uint16_t e : seq) EXPECT_TRUE(e == 9 || (e >= 11 && e <= 14)) << mode << ":" << e;
    }
  }
  EXPECT_TRUE(reported.messages.empty());
}

struct BadGeometry {
  uint32_t n;
  uint16_t l, tmin, tmax;
  const char* detail;
};

// Geometries that 16-bit positions or the draw windows cannot honour are refused with a
// message everywhere, and nothing is changed: not the header, not the states.
TEST_F(SeriesTest, RefusesGeometriesItCannotHonour) {
  const BadGeometry cases[] = {
      {32768, 20, 40, 181, "dwSeriesSize: 32768 (допустимо не более 32767)\n"},
      {1200, 20, 0, 181, "wTmin: 0 (допустимо не менее 1)\n"},
      {1200, 20, 200, 181, "wTmin: 200 > wTmax: 181\n"},
      {1200, 200, 40, 181, "wImpulseSize: 200 > wTmax: 181\n"},
      {1200, 0, 40, 181, "wImpulseSize: 0 (допустимо не менее 1)\n"},
  };
  std::vector<uint16_t> sequence(30, 4);
  ASSERT_NE(synth(1200, 40, 181, 18, sequence, 75), nullptr);
  const std::vector<int16_t> pure = toVector(header->lpPureData, 1200);
  const int16_t* block = header->lpPureData;
  for (const BadGeometry& c : cases) {
    SCOPED_TRACE(c.detail);
    const std::string text = std::string(kTextBadGeometryHead) + "\n" + c.detail;
    const RandomStates states = randomStates();
    reported.messages.clear();
    EXPECT_EQ(getCutOffSeriesHeader(reported, kAlphabetSize, c.l, c.tmin, c.tmax, c.n, nullptr),
              nullptr);
    EXPECT_EQ(getCutOffSeriesHeader(reported, kAlphabetSize, c.l, c.tmin, c.tmax, c.n, header),
              header);
    EXPECT_EQ(makeExtSeries(reported, kAlphabetSize, alpha.pulses, c.l, c.tmin, c.tmax, c.n, 18,
                            sequence.data(), kPulseAmplitude, 75, header),
              0);
    EXPECT_EQ(getCutOffSeries(reported, kAlphabetSize, alpha.pulses, c.l, c.tmin, c.tmax, c.n, 18,
                              sequence.data(), kPulseAmplitude, 75, header),
              header);
    EXPECT_EQ(getRandomCountSeries(reported, kAlphabetSize, alpha.pulses, c.l, c.tmin, c.tmax, c.n,
                                   0, sequence.data(), kPulseAmplitude, 75, header),
              header);
    ASSERT_EQ(reported.messages.size(), 5u);
    for (const Message& m : reported.messages) {
      EXPECT_EQ(m.text, text);
      EXPECT_EQ(m.kind, MessageKind::kWarning);
    }
    EXPECT_EQ(reported.messages[0].caption, kCaptionGetCutOffSeriesHeader);
    EXPECT_EQ(reported.messages[2].caption, kCaptionMakeExtSeries);
    EXPECT_EQ(header->dwSeriesSize, 1200u);
    EXPECT_EQ(header->wTmin, 40);
    EXPECT_EQ(header->wImpulseSize, kPulseLength);
    EXPECT_EQ(header->lpPureData, block);
    EXPECT_EQ(toVector(header->lpPureData, 1200), pure);
    EXPECT_EQ(randomStates().position, states.position);
    EXPECT_EQ(randomStates().pulseCount, states.pulseCount);
  }
  // The longest admissible series still fits 16-bit positions.
  reported.messages.clear();
  std::vector<uint16_t> longSequence(1000, 2);
  ASSERT_NE(synth(32767, 40, 181, 400, longSequence, 75), nullptr);
  EXPECT_TRUE(reported.messages.empty());
  EXPECT_LE(header->lpPositions[399], 32767 - kPulseLength);
  EXPECT_GE(header->lpPositions[399], 32767 - 181);
}

TEST_F(SeriesTest, HeaderIsReusedForShorterSeriesAndGrowsOnlyWhenNeeded) {
  std::vector<uint16_t> sequence(60, 2);
  ASSERT_NE(synth(1200, 40, 181, 18, sequence, 75), nullptr);
  header->wFoundPulses = 5;
  header->lpFoundPositions[0] = 77;
  header->lpFoundEtalons[0] = 3;
  const int16_t* block = header->lpPureData;
  const int16_t sample = header->lpPureData[header->lpPositions[0]];

  SeriesHeader* same =
      getCutOffSeriesHeader(reported, kAlphabetSize, kPulseLength, 40, 181, 200, header);
  ASSERT_EQ(same, header);
  EXPECT_EQ(header->lpPureData, block);
  EXPECT_EQ(header->dwReservedSize, 1200u);
  EXPECT_EQ(header->dwSeriesSize, 200u);
  EXPECT_EQ(header->wMaxPulses, 5);
  EXPECT_EQ(header->wMinPulses, 1);
  EXPECT_EQ(header->wFoundPulses, 5);
  EXPECT_EQ(header->lpFoundEtalons[0], 3);
  EXPECT_EQ(header->lpPureData[header->lpPositions[0]], sample);
  ASSERT_NE(synth(200, 40, 181, 3, sequence, 75), nullptr);
  EXPECT_EQ(header->lpPureData, block);
  EXPECT_EQ(header->lpFoundPositions[0], -1);

  // A larger pulse count alone reallocates and clears the block.
  header->wFoundPulses = 5;
  header = getCutOffSeriesHeader(reported, kAlphabetSize, kPulseLength, 20, 181, 1200, header);
  EXPECT_EQ(header->wReservedImpulses, 60);
  EXPECT_EQ(header->wFoundPulses, 0);
  EXPECT_EQ(header->lpPositions[0], 0);
  EXPECT_EQ(header->lpPureData[0], 0);
  // A longer series with fewer pulses grows the samples and keeps the pulse capacity.
  header = getCutOffSeriesHeader(reported, kAlphabetSize, kPulseLength, 200, 400, 3000, header);
  EXPECT_EQ(header->dwReservedSize, 3000u);
  EXPECT_EQ(header->wReservedImpulses, 60);
  EXPECT_EQ(header->wMaxPulses, 15);
  EXPECT_EQ(header->lpNoisyData, header->lpPureData + 3000);
  EXPECT_EQ(header->lpEtalons, header->lpPureData + 6000);
  EXPECT_EQ(header->lpTupleLast, header->lpPureData + 6000 + 12 * 60);
  EXPECT_TRUE(reported.messages.empty());
}

TEST_F(SeriesTest, SubsetSurvivesReallocationWhenItFits) {
  header = getCutOffSeriesHeader(reported, kAlphabetSize, kPulseLength, 40, 181, 150, nullptr);
  ASSERT_EQ(header->wMaxPulses, 4);
  const int32_t subset[] = {3, 4, 5, 6, 7};
  addSubsetToSeriesHeader(subset, 5, kSubsetComplete, 2, header);
  ASSERT_EQ(header->wSubsetStored, 4);
  header = getCutOffSeriesHeader(reported, kAlphabetSize, kPulseLength, 40, 181, 1200, header);
  EXPECT_EQ(header->wSubsetSize, 5);
  EXPECT_EQ(header->wSubsetStored, 4);
  EXPECT_EQ(header->wSubsetMode, kSubsetComplete);
  EXPECT_EQ(header->wSubsetPosition, 2);
  EXPECT_EQ(toVector(header->lpSubset, 5), (std::vector<int16_t>{3, 4, 5, 6, 0}));

  // A subset longer than the new greatest count is not carried over: the header no
  // longer claims entries that were cleared.
  std::vector<int32_t> longSubset(30, 8);
  addSubsetToSeriesHeader(longSubset.data(), 30, kSubsetComplete, 1, header);
  header = getCutOffSeriesHeader(reported, kAlphabetSize, kPulseLength, 181, 181, 3000, header);
  EXPECT_LT(header->wMaxPulses, 30);
  EXPECT_EQ(header->wSubsetSize, 0);
  EXPECT_EQ(header->wSubsetStored, 0);
  EXPECT_EQ(header->wSubsetMode, 0);
}

// Thousands of syntheses over varied geometries on one reused header: every documented
// invariant of a synthesised series holds.
TEST_F(SeriesTest, SynthesisInvariantsOverManyGeometries) {
  std::mt19937 rng(20240607);
  auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  int made = 0;
  for (int iter = 0; iter < 4000; ++iter) {
    const int l = kPulseLength;
    const uint16_t tmax = uint16_t(uniform(l, iter % 3 == 0 ? 60 : 400));
    const uint16_t tmin = uint16_t(uniform(1, tmax));
    const uint32_t n = iter % 400 == 0 ? 32767 : uint32_t(uniform(1, 4000));
    const int pmin = minPulseCount(n, l, tmax);
    const int pmax = maxPulseCount(n, l, tmin);
    if (pmax < pmin) continue;
    const uint16_t q = uint16_t(uniform(pmin, std::min(pmax, pmin + 300)));
    const uint16_t level = uint16_t(uniform(0, 100));
    std::vector<uint16_t> sequence(q);
    for (uint16_t& e : sequence) e = uint16_t(uniform(0, 22));
    const bool withSubset = iter % 3 == 1;
    header = getCutOffSeriesHeader(reported, kAlphabetSize, l, tmin, tmax, n, header);
    if (withSubset) {
      std::vector<int32_t> subset(uniform(1, 8));
      for (int32_t& e : subset) e = uniform(1, 20);
      addSubsetToSeriesHeader(subset.data(), int32_t(subset.size()), uint16_t(uniform(0, 6)),
                              uint16_t(uniform(0, q + 2)), header);
    } else {
      header->wSubsetSize = 0;
    }
    const std::vector<uint16_t> given = sequence;
    ASSERT_EQ(makeExtSeries(reported, kAlphabetSize, alpha.pulses, l, tmin, tmax, n, q,
                            sequence.data(), kPulseAmplitude, level, header),
              1)
        << n << " " << tmin << " " << tmax << " " << q;
    ++made;
    const SeriesHeader& h = *header;
    SCOPED_TRACE(::testing::Message() << "N=" << n << " Tmin=" << tmin << " Tmax=" << tmax
                                    << " Q=" << q << " level=" << level);
    ASSERT_EQ(h.wImpulseQuantity, q);
    ASSERT_LE(h.wMinPulses, q);
    ASSERT_LE(q, h.wMaxPulses);
    ASSERT_LE(h.wMaxPulses, h.wReservedImpulses);
    ASSERT_LE(h.dwSeriesSize, h.dwReservedSize);
    EXPECT_EQ(h.lpPositions[0] + l <= tmax, true);
    EXPECT_GE(h.lpPositions[q - 1], int32_t(n) - tmax);
    EXPECT_LE(h.lpPositions[q - 1], int32_t(n) - l);
    std::vector<uint8_t> covered(n, 0), matched(n, 0);
    for (int k = 0; k < q; ++k) {
      const int pos = h.lpPositions[k];
      if (k > 0) {
        EXPECT_GE(pos - h.lpPositions[k - 1], tmin) << k;
        EXPECT_LE(pos - h.lpPositions[k - 1], tmax) << k;
      }
      EXPECT_LE(h.lpMinPositions[k], pos) << k;
      EXPECT_LE(pos, h.lpMaxPositions[k]) << k;
      const int first = h.lpFirstSamples[k], last = h.lpLastSamples[k];
      EXPECT_LE(0, first);
      EXPECT_LE(first, last);
      EXPECT_LE(last, l - 1);
      EXPECT_EQ(h.lpFoundPositions[k], -1);
      EXPECT_EQ(h.lpFoundEtalons[k], 0);
      EXPECT_GE(sequence[k], 1);
      EXPECT_LE(sequence[k], kAlphabetSize);
      EXPECT_EQ(h.lpEtalons[k], sequence[k]);
      if (!withSubset && given[k] >= 1 && given[k] <= kAlphabetSize) {
        EXPECT_EQ(sequence[k], given[k]);
      }
      const PulseHeader& etalon = alpha.pulses[sequence[k] - 1];
      int64_t written = 0;
      for (int i = first; i <= last; ++i) {
        written += etalon.lpData[i] * etalon.lpData[i];
        covered[pos + i] = 1;
        if (h.lpPureData[pos + i] == etalon.lpData[i]) matched[pos + i] = 1;
      }
      EXPECT_GE(written * 100, int64_t{level} * pulseEnergy(etalon) - 99) << k;
    }
    for (uint32_t i = 0; i < n; ++i) {
      if (covered[i])
        ASSERT_TRUE(matched[i]) << "sample " << i;
      else
        ASSERT_EQ(h.lpPureData[i], 0) << "sample " << i;
      ASSERT_EQ(h.lpNoisyData[i], h.lpPureData[i]);
    }
    EXPECT_EQ(h.lpFirstPulse, &alpha.pulses[sequence[0] - 1]);
  }
  EXPECT_GT(made, 3000);
  EXPECT_TRUE(reported.messages.empty());
}

// Passing over a synthesis must leave the random states and the etalon sequence exactly as
// making it does, whatever the subset mode, position and numbers, and refuse what it
// refuses without drawing: one stray draw would shift every later series of a shared run.
TEST_F(SeriesTest, PassingOverASynthesisDrawsAndWritesWhatMakingItDoes) {
  std::mt19937 rng(77);
  auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  auto same = [](const RandomStates& a, const RandomStates& b) {
    return a.alphabet == b.alphabet && a.cutStart == b.cutStart && a.cutEnd == b.cutEnd &&
           a.position == b.position && a.pulseCount == b.pulseCount &&
           a.subsetPlace == b.subsetPlace && a.subsetRepeat == b.subsetRepeat;
  };
  int made = 0, refused = 0;
  for (int iter = 0; iter < 3000; ++iter) {
    const uint16_t tmax = uint16_t(uniform(iter % 50 == 0 ? 5 : 20, 200));
    const uint16_t tmin = uint16_t(uniform(iter % 50 == 1 ? 0 : 1, tmax + (iter % 50 == 2)));
    const uint32_t n = uint32_t(uniform(10, 1500));
    const int pmin = minPulseCount(n, kPulseLength, tmax);
    const int pmax = std::max<int>(maxPulseCount(n, kPulseLength, std::max<uint16_t>(tmin, 1)), 1);
    const uint16_t q = uint16_t(uniform(std::max(pmin - 1, 1), std::min(pmax, pmin + 40) + 1));
    std::vector<uint16_t> sequence(std::max<int>(q, 1));
    for (uint16_t& e : sequence) e = uint16_t(uniform(0, 22));
    header = getCutOffSeriesHeader(reported, kAlphabetSize, kPulseLength, tmin, tmax, n, header);
    ASSERT_NE(header, nullptr);
    header->wSubsetSize = 0;
    if (iter % 4 != 0) {
      std::vector<int32_t> subset(uniform(1, 9));
      for (int32_t& e : subset) e = uniform(1, 20);
      addSubsetToSeriesHeader(subset.data(), int32_t(subset.size()), uint16_t(uniform(0, 6)),
                              uint16_t(uniform(0, q + 2)), header);
    }
    const RandomStates before = randomStates();
    std::vector<uint16_t> skipped = sequence;
    header = synth(n, tmin, tmax, q, sequence, uint16_t(uniform(0, 100)));
    const bool wasMade =
        header->wImpulseQuantity == q && header->dwSeriesSize == n && reported.messages.empty();
    reported.messages.clear();
    const RandomStates after = randomStates();
    randomStates() = before;
    const SynthesisSkip skip(kAlphabetSize, alpha.pulses, kPulseLength, tmin, tmax, n, q, header);
    EXPECT_EQ(skip.pass(skipped.data(), *header), wasMade) << iter;
    EXPECT_TRUE(same(randomStates(), after)) << iter;
    EXPECT_EQ(skipped, sequence) << iter;
    randomStates() = after;
    (wasMade ? made : refused) += 1;
  }
  EXPECT_GT(made, 2000);
  EXPECT_GT(refused, 100);
}

TEST_F(SeriesTest, NoiseJumpIsTwelveStepsPerSample) {
  std::vector<uint16_t> sequence(8, 3);
  synth(600, 40, 181, 8, sequence, 75);
  uint16_t noise = 4321;
  addNoise(20, kPulseAmplitude, header, noise);
  EXPECT_EQ(noiseJump(header).apply(4321), noise);
  EXPECT_EQ(noiseJump(nullptr).apply(4321), 4321);
}

}  // namespace

}  // namespace velmora::testing
