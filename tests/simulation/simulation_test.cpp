#include "simulation/simulation.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "common/report.h"
#include "model/problem_types.h"
#include "model/random.h"
#include "model/subset_modes.h"
#include "model/subsets.h"
#include "processing/chains.h"
#include "processing/fixed_search.h"
#include "processing/tuple_search.h"
#include "processing/unfixed_recognition.h"
#include "processing/unfixed_search.h"
#include "simulation/answer_measures.h"
#include "support/fake_window.h"
#include "support/search_helpers.h"

namespace velmora {
namespace {

using testing::FakeWindow;
using testing::fastSearch;
using testing::listInputs;

// Series of 200 samples, pulses 40..60 apart: 3 to 5 pulses of 20 samples.
constexpr uint32_t kSeriesSize = 200;
constexpr uint16_t kTmin = 40;
constexpr uint16_t kTmax = 60;
constexpr uint16_t kInitialSeed = 10597;

// Records what every repeat looked like when it was reported.
struct Recorder : SimulationObserver {
  int stopAfter = -1;  // number of reports after which to stop; -1 never
  std::vector<SimulationProgress> reports;
  std::vector<std::vector<int16_t>> etalons;  // the true etalons of each repeat
  std::vector<std::vector<int16_t>> subsets;  // the attached subset of each repeat
  std::vector<int16_t> foundTuples;

  bool repeatDone(const SimulationProgress& p) override {
    reports.push_back(p);
    const SeriesHeader& s = *p.series;
    etalons.emplace_back(s.lpEtalons, s.lpEtalons + s.wImpulseQuantity);
    subsets.emplace_back(s.lpSubset, s.lpSubset + s.wSubsetSize);
    foundTuples.push_back(s.wFoundTuple);
    return stopAfter < 0 || static_cast<int>(reports.size()) < stopAfter;
  }
};

class Simulation : public ::testing::Test {
 protected:
  void SetUp() override {
    resetRandomStates();
    ASSERT_EQ(makeAlphabet(w, kPulseAmplitude, kAlphabetSize, kPulseLength, alphabet), 1);
    series = getCutOffSeriesHeader(w, kAlphabetSize, kPulseLength, kTmin, kTmax, kSeriesSize,
                                   nullptr);
    ASSERT_NE(series, nullptr);
    context.noiseSeed = kInitialSeed;
    context.clock = [this] { return clockValue += 5; };
  }
  void TearDown() override {
    freeSeriesHeader(series);
    freeRestErrHeader(errors);
    for (auto& pulse : alphabet) freePulse(pulse);
  }

  // Pulse counts firstM, firstM + 1, ... (P of them); noise levels 0, 30, ... (V).
  void grid(uint16_t p, int16_t firstM, uint16_t v, int32_t repeats) {
    errors = getRestErrHeader(w, p, v, repeats, errors);
    ASSERT_NE(errors, nullptr);
    ASSERT_EQ(initRestErrHeader(w, p, firstM, 1, v, 0, 30, repeats, errors), 1);
  }

  int run(uint16_t seriesType, uint16_t taskType, uint16_t savedLevel = 100) {
    return statCutoffPinpoint(w, errors, kAlphabetSize, alphabet,
                              static_cast<uint16_t>(required.size()), required.data(), seriesType,
                              taskType, savedLevel, savedLevel, series, context);
  }

  std::vector<int32_t> table(int t) const {
    std::vector<int32_t> out;
    for (int i = 0; i < errors->wNoiseLevels; ++i)
      for (int j = 0; j < errors->wVariousPulses; ++j) out.push_back(errors->lpErrors[t][i][j]);
    return out;
  }

  FakeWindow w;
  PulseHeader alphabet[kAlphabetSize];
  SeriesHeader* series = nullptr;
  RestErrorHeader* errors = nullptr;
  std::vector<uint16_t> required{1, 2, 3};
  SimulationContext context;
  int32_t clockValue = 1000;
};

// ---- The stepping rules and the error arithmetic -------------------------------------

TEST(SimulationArithmetic, RepeatSteps) {
  EXPECT_EQ(simulationStep(kTaskRecognition, 100, 3, 0, 5), 33);  // (3 + 200) / 6
  EXPECT_EQ(simulationStep(kTaskJoint, 100, 3, 0, 3), 37);  // 300 >> 3
  EXPECT_EQ(simulationStep(kTaskSeriesProcessing, 100, 3, 0, 1), 50);
  EXPECT_EQ(simulationStep(kTaskTupleDetection, 100, 3, 0, 3), 100);
  EXPECT_EQ(simulationStep(kTaskTupleRecognition, 100, 3, 4, 3), 25);  // (4 + 200) / 8
  // Shifts of the whole width and beyond leave nothing instead of wrapping the count.
  EXPECT_EQ(simulationStep(kTaskJoint, 100, 3, 0, 40), 0);
  EXPECT_EQ(simulationStep(kTaskJoint, 65535, 3, 0, 100), 0);
  EXPECT_EQ(simulationStep(kTaskRecognition, 100, 0, 0, 3), 0);
  EXPECT_EQ(simulationStep(kTaskTupleRecognition, 100, 3, 0, 3), 0);
}

TEST(SimulationArithmetic, MeanRestoringErrorRoundsExactHalvesUp) {
  EXPECT_EQ(roundedMean(3, 2), 2);  // 1.5
  EXPECT_EQ(roundedMean(2, 4), 1);  // 0.5
  EXPECT_EQ(roundedMean(1, 4), 0);  // 0.25
  EXPECT_EQ(roundedMean(5, 4), 1);  // 1.25
  EXPECT_EQ(roundedMean(7, 4), 2);  // 1.75
  EXPECT_EQ(roundedMean(0, 3), 0);
  EXPECT_EQ(roundedMean(5, 0), 0);
  // Beyond 32 bits the sum is not doubled on the way.
  EXPECT_EQ(roundedMean(INT64_MAX, 2), INT64_MAX / 2 + 1);
}

struct HandSeries {
  std::vector<int16_t> block;
  SeriesHeader h;
  std::vector<const PulseHeader*> list;

  explicit HandSeries(uint32_t n, uint16_t pulses) : block(2 * n + 13 * pulses) {
    h.dwSeriesSize = h.dwReservedSize = n;
    h.wReservedImpulses = pulses;
    h.lpPureData = block.data();
    h.lpNoisyData = block.data() + n;
    int16_t* arrays = block.data() + 2 * n;
    h.lpPositions = arrays;
    h.lpFoundPositions = arrays + pulses;
    h.lpFoundEtalons = arrays + 2 * pulses;
    h.lpFoundFirstSamples = arrays + 3 * pulses;
    h.lpFoundLastSamples = arrays + 4 * pulses;
  }
};

TEST(SimulationArithmetic, DetectionError) {
  HandSeries s(100, 4);
  s.h.lpPositions[0] = 10;
  s.h.lpFoundPositions[0] = 13;
  // One pulse three samples off: (1 + 256 * 9) / 2 = 1152, that is 9 once divided by 128.
  EXPECT_EQ(detectionContribution(s.h, 1, 1), 1152);
  EXPECT_EQ(detectionContribution(s.h, 1, 1) / 128, 9);
  // Nothing searched, or no pulses: no error whatever the positions.
  EXPECT_EQ(detectionContribution(s.h, 1, 0), 0);
  EXPECT_EQ(detectionContribution(s.h, 0, 1), 0);
  // Only min(M, seeking) pulses count; 128 d / M rounded.
  s.h.lpPositions[1] = 50;
  s.h.lpFoundPositions[1] = 49;
  EXPECT_EQ(detectionContribution(s.h, 3, 2), (3 + 256 * 10) / 6);
  EXPECT_EQ(detectionContribution(s.h, 3, 1), (3 + 256 * 9) / 6);
}

TEST(SimulationArithmetic, DetectionErrorBeyondThirtyTwoBits) {
  HandSeries s(100, 4);
  for (int k = 0; k < 4; ++k) {
    s.h.lpPositions[k] = 32767;
    s.h.lpFoundPositions[k] = -1;
  }
  // d = 4 * 2^30 = 2^32.
  EXPECT_EQ(detectionContribution(s.h, 4, 4), (int64_t{4} + (int64_t{1} << 40)) / 8);
}

TEST(SimulationArithmetic, RestorationError) {
  PulseHeader etalon;
  etalon.storage = {1, 2, 3, 4};
  etalon.lpData = etalon.storage.data();
  etalon.wSize = etalon.wReservedSize = 4;
  etalon.wNumber = 1;
  HandSeries s(12, 3);
  s.list = {&etalon};
  s.h.lpPulsesList = s.list.data();
  s.h.wEtalons = 1;
  s.h.wImpulseSize = 4;
  const std::vector<int16_t> pure{0, 1, 2, 3, 4, 0, 0, 0, 1, 2, 3, 4};
  std::copy(pure.begin(), pure.end(), s.h.lpPureData);

  // No found pulse: the energy of the pure series.
  EXPECT_EQ(getRestorationError(&s.h), 2 * (1 + 4 + 9 + 16));

  // Both pulses found exactly.
  s.h.wFoundPulses = 2;
  s.h.lpFoundPositions[0] = 1;
  s.h.lpFoundPositions[1] = 8;
  for (int f = 0; f < 2; ++f) {
    s.h.lpFoundEtalons[f] = 1;
    s.h.lpFoundFirstSamples[f] = 0;
    s.h.lpFoundLastSamples[f] = 3;
  }
  EXPECT_EQ(getRestorationError(&s.h), 0);

  // The second found as a cut pulse (samples 1..2 only): samples 0 and 3 stay unmatched.
  s.h.lpFoundFirstSamples[1] = 1;
  s.h.lpFoundLastSamples[1] = 2;
  EXPECT_EQ(getRestorationError(&s.h), 1 + 16);

  // A pulse that starts inside the previous one is skipped.
  s.h.lpFoundFirstSamples[1] = 0;
  s.h.lpFoundLastSamples[1] = 3;
  s.h.wFoundPulses = 3;
  s.h.lpFoundPositions[1] = 3;
  s.h.lpFoundEtalons[1] = 1;
  s.h.lpFoundPositions[2] = 8;
  s.h.lpFoundEtalons[2] = 1;
  s.h.lpFoundFirstSamples[2] = 0;
  s.h.lpFoundLastSamples[2] = 3;
  EXPECT_EQ(getRestorationError(&s.h), 0);

  // A found pulse one sample late, running past the end of the series.
  s.h.wFoundPulses = 1;
  s.h.lpFoundPositions[0] = 9;
  // pure 0..8 unmatched: 1+4+9+16+1 = 31; k = 9..11 rebuilt 1,2,3 against 2,3,4.
  EXPECT_EQ(getRestorationError(&s.h), 31 + 3);

  EXPECT_EQ(getRestorationError(nullptr), 0);
}

TEST(SimulationArithmetic, RestorationErrorBeyondThirtyTwoBits) {
  HandSeries s(32767, 1);
  std::fill(s.h.lpPureData, s.h.lpPureData + 32767, int16_t{-32768});
  // 32767 * 2^30 does not fit 32 bits.
  EXPECT_EQ(getRestorationError(&s.h), int64_t{32767} << 30);
}

// ---- The driver ------------------------------------------------------------------------

// Repeats a run step by step with the model and the searches called directly, and
// computes its tables from the records: the truth of repeat r comes from `truth`, the
// processing from `search`.
struct Replay {
  std::vector<int32_t> restoring, detection;
  uint16_t noiseSeed = kInitialSeed;
};

using TruthRule = std::function<std::vector<uint16_t>(int32_t pulses, int32_t repeat)>;
using SearchRule = std::function<void(FakeWindow&, ChainsHeader*, SeriesHeader*)>;

int64_t rebuiltError(const SeriesHeader& s, const PulseHeader* alphabet) {
  std::vector<int32_t> rebuilt(s.dwSeriesSize, 0);
  int32_t free = 0;
  for (int f = 0; f < s.wFoundPulses; ++f) {
    const int32_t start = s.lpFoundPositions[f];
    if (start < free) continue;
    for (int t = s.lpFoundFirstSamples[f]; t <= s.lpFoundLastSamples[f]; ++t)
      if (start + t < static_cast<int32_t>(s.dwSeriesSize))
        rebuilt[start + t] = alphabet[s.lpFoundEtalons[f] - 1].lpData[t];
    free = start + s.wImpulseSize;
  }
  int64_t sum = 0;
  for (uint32_t k = 0; k < s.dwSeriesSize; ++k) {
    const int64_t d = s.lpPureData[k] - rebuilt[k];
    sum += d * d;
  }
  return sum;
}

Replay replay(const RestErrorHeader& grid, const PulseHeader* alphabet, uint16_t savedLevel,
              const TruthRule& truth, const SearchRule& search) {
  FakeWindow w;
  Replay out;
  resetRandomStates();
  SeriesHeader* s =
      getCutOffSeriesHeader(w, kAlphabetSize, kPulseLength, kTmin, kTmax, kSeriesSize, nullptr);
  const int32_t r = grid.repeats;
  out.restoring.assign(size_t{grid.wNoiseLevels} * grid.wVariousPulses, 0);
  out.detection = out.restoring;
  for (int j = 0; j < grid.wVariousPulses; ++j) {
    const int32_t m = grid.wPulseValues[j];
    for (int i = 0; i < grid.wNoiseLevels; ++i) {
      int64_t restoring = 0, detection = 0;
      for (int32_t repeat = 0; repeat < r; ++repeat) {
        std::vector<uint16_t> sequence = truth(m, repeat);
        s = getCutOffSeries(w, kAlphabetSize, alphabet, kPulseLength, kTmin, kTmax, kSeriesSize,
                            static_cast<uint16_t>(m), sequence.data(), kPulseAmplitude,
                            savedLevel, s);
        addNoise(grid.lpNoiseLevels[i], kPulseAmplitude, s, out.noiseSeed);
        ChainsHeader* chains = getChainsHeader(w, 10, s->wMaxPulses, nullptr);
        search(w, chains, s);
        restoring += rebuiltError(*s, alphabet);
        int64_t d = 0;
        for (int k = 0; k < m && k < chains->wSeekingPulsesQuantity; ++k) {
          const int64_t diff = s->lpPositions[k] - s->lpFoundPositions[k];
          d += diff * diff;
        }
        detection += (m + 256 * d) / (2 * m);
        freeChainsHeader(chains);
      }
      out.restoring[static_cast<size_t>(i) * grid.wVariousPulses + j] =
          static_cast<int32_t>((2 * restoring + r) / (2 * r));
      out.detection[static_cast<size_t>(i) * grid.wVariousPulses + j] = static_cast<int32_t>(detection / 128);
    }
  }
  EXPECT_TRUE(w.messages.empty()) << w.messages.front().text;
  freeSeriesHeader(s);
  return out;
}

TEST_F(Simulation, DetectionTablesMatchAReplay) {
  grid(2, 3, 2, 3);
  ASSERT_EQ(run(kSeriesFixedCutoff, kTaskDetection, 80), 1);
  EXPECT_TRUE(w.messages.empty());
  EXPECT_EQ(errors->ifComplete, 1);
  EXPECT_EQ(errors->wDescribed, 2);
  EXPECT_EQ(errors->wSeriesType, kSeriesFixedCutoff);
  EXPECT_EQ(errors->wTaskType, kTaskDetection);
  EXPECT_EQ(errors->wSavedLevelMaking, 80);
  EXPECT_EQ(context.startTime, 1005);
  EXPECT_EQ(context.endTime, 1010);

  const std::vector<uint16_t> list = required;
  const Replay expected = replay(
      *errors, alphabet, 80, [&](int32_t m, int32_t) { return std::vector<uint16_t>(m, list[0]); },
      [&](FakeWindow& fw, ChainsHeader* c, SeriesHeader* s) {
        fastSearch(fw, kTaskDetection, kSeriesFixedCutoff,
                   listInputs(alphabet, 3, list.data(), kTmin, kTmax, 80), c, s);
      });
  EXPECT_EQ(table(0), expected.restoring);
  EXPECT_EQ(table(1), expected.detection);
  EXPECT_EQ(context.noiseSeed, expected.noiseSeed);
  EXPECT_NE(context.noiseSeed, kInitialSeed);
  for (int t : {2, 3, 4, 5}) EXPECT_EQ(table(t), std::vector<int32_t>(4, 0));
}

// Joint detection and identification: the etalons of the pulses run through the list
// like an odometer, pulse 0 fastest, stepping where 3r first reaches 37, 74, 111, ...
TEST_F(Simulation, IdentificationRunsTheListLikeAnOdometer) {
  grid(1, 3, 1, 100);
  Recorder recorder;
  context.observer = &recorder;
  ASSERT_EQ(run(kSeriesFixedWhole, kTaskJoint), 1);
  ASSERT_EQ(recorder.etalons.size(), 100u);
  std::vector<int32_t> changes;
  for (int32_t r = 1; r < 100; ++r)
    if (recorder.etalons[r] != recorder.etalons[r - 1]) changes.push_back(r);
  EXPECT_EQ(changes, (std::vector<int32_t>{13, 25, 37, 50, 62, 74, 87, 99}));
  // The truth of repeat r after a = floor(3r / 37) steps: the digits of a in base 3.
  auto truth = [](int32_t r) {
    const int32_t a = r * 3 / 37;
    return std::vector<uint16_t>{uint16_t(a % 3 + 1), uint16_t(a / 3 % 3 + 1),
                                 uint16_t(a / 9 % 3 + 1)};
  };
  for (int32_t r = 0; r < 100; ++r) {
    const std::vector<uint16_t> t = truth(r);
    EXPECT_EQ(recorder.etalons[r], std::vector<int16_t>(t.begin(), t.end())) << "repeat " << r;
  }
  EXPECT_EQ(recorder.etalons[37], (std::vector<int16_t>{1, 2, 1}));

  const std::vector<uint16_t> list = required;
  const Replay expected = replay(
      *errors, alphabet, 100, [&](int32_t, int32_t r) { return truth(r); },
      [&](FakeWindow& fw, ChainsHeader* c, SeriesHeader* s) {
        fastSearch(fw, kTaskDetection, kSeriesFixedCutoff,
                   listInputs(alphabet, 3, list.data(), kTmin, kTmax, 100), c, s);
      });
  EXPECT_EQ(table(0), expected.restoring);
  EXPECT_EQ(table(1), expected.detection);
}

// Series types 4 and 8 are processed by the unfixed-count searches (the series are still
// made with the fixed count of the grid).
TEST_F(Simulation, UnfixedSeriesTypesMatchAReplay) {
  const std::vector<uint16_t> list = required;
  grid(1, 4, 2, 2);
  ASSERT_EQ(run(kSeriesUnfixedCutoff, kTaskDetection, 90), 1);
  Replay expected = replay(
      *errors, alphabet, 90, [&](int32_t m, int32_t) { return std::vector<uint16_t>(m, list[0]); },
      [&](FakeWindow& fw, ChainsHeader* c, SeriesHeader* s) {
        fastSearch(fw, kTaskDetection, kSeriesUnfixedCutoff,
                   listInputs(alphabet, 3, list.data(), kTmin, kTmax, 90), c, s);
      });
  EXPECT_EQ(table(0), expected.restoring);
  EXPECT_EQ(table(1), expected.detection);

  // Recognition over three repeats: step (3 + 6) / 6 = 1, one etalon per repeat.
  resetRandomStates();
  context.noiseSeed = kInitialSeed;
  grid(1, 4, 2, 3);
  ASSERT_EQ(run(kSeriesUnfixedWhole, kTaskRecognition), 1);
  expected = replay(
      *errors, alphabet, 100,
      [&](int32_t m, int32_t r) { return std::vector<uint16_t>(m, list[r % 3]); },
      [&](FakeWindow& fw, ChainsHeader* c, SeriesHeader* s) {
        fastSearch(fw, kTaskRecognition, kSeriesUnfixedCutoff,
                   listInputs(alphabet, 3, list.data(), kTmin, kTmax, 100), c, s);
      });
  EXPECT_EQ(table(0), expected.restoring);
  EXPECT_EQ(table(1), expected.detection);
  EXPECT_TRUE(w.messages.empty());
}

TEST_F(Simulation, RecognitionGivesEachEtalonAThirdOfTheRepeats) {
  grid(1, 3, 1, 100);
  Recorder recorder;
  context.observer = &recorder;
  series->wSubsetSize = 0;
  ASSERT_EQ(run(kSeriesFixedWhole, kTaskRecognition), 1);
  ASSERT_EQ(recorder.etalons.size(), 100u);
  for (int32_t r = 0; r < 100; ++r) {
    const int16_t expected = r < 33 ? 1 : r < 66 ? 2 : r < 99 ? 3 : 1;
    EXPECT_EQ(recorder.etalons[r], std::vector<int16_t>(3, expected)) << "repeat " << r;
  }
  // A noise-free series is recognised and placed exactly.
  EXPECT_EQ(table(0), std::vector<int32_t>{0});
  EXPECT_EQ(table(1), std::vector<int32_t>{0});
}

TEST_F(Simulation, ReportsProgressInOrderAndStopsWhenAsked) {
  grid(2, 3, 2, 3);
  Recorder recorder;
  context.observer = &recorder;
  ASSERT_EQ(run(kSeriesFixedWhole, kTaskJoint), 1);
  ASSERT_EQ(recorder.reports.size(), 12u);
  size_t n = 0;
  for (uint16_t j = 0; j < 2; ++j)
    for (uint16_t i = 0; i < 2; ++i)
      for (int32_t r = 0; r < 3; ++r, ++n) {
        const SimulationProgress& p = recorder.reports[n];
        EXPECT_EQ(p.pulseIndex, j);
        EXPECT_EQ(p.levelIndex, i);
        EXPECT_EQ(p.repeat, r);
        EXPECT_EQ(p.pulseCounts, 2);
        EXPECT_EQ(p.noiseLevels, 2);
        EXPECT_EQ(p.repeats, 3);
      }
  const std::vector<int32_t> observed0 = table(0), observed1 = table(1);
  const uint16_t observedSeed = context.noiseSeed;

  // The same run without an observer gives the same tables and noise state.
  resetRandomStates();
  context.noiseSeed = kInitialSeed;
  context.observer = nullptr;
  grid(2, 3, 2, 3);
  ASSERT_EQ(run(kSeriesFixedWhole, kTaskJoint), 1);
  EXPECT_EQ(table(0), observed0);
  EXPECT_EQ(table(1), observed1);
  EXPECT_EQ(context.noiseSeed, observedSeed);

  // Stopped in the second grid point: 0, not complete, the first point kept, the record
  // of the series still usable.
  resetRandomStates();
  context.noiseSeed = kInitialSeed;
  Recorder stopper;
  stopper.stopAfter = 5;
  context.observer = &stopper;
  grid(2, 3, 2, 3);
  series->wSubsetSize = 0;
  EXPECT_EQ(run(kSeriesFixedWhole, kTaskJoint), 0);
  EXPECT_EQ(stopper.reports.size(), 5u);
  EXPECT_EQ(errors->ifComplete, 0);
  EXPECT_EQ(errors->lpErrors[0][0][0], observed0[0]);
  EXPECT_EQ(errors->lpErrors[1][0][0], observed1[0]);
  EXPECT_EQ(errors->lpErrors[0][1][0], 0);
  ASSERT_NE(series, nullptr);
  EXPECT_EQ(series->dwSeriesSize, kSeriesSize);
  EXPECT_TRUE(w.messages.empty());
}

TEST_F(Simulation, NoProcessingLeavesTheWholeSeriesAsError) {
  grid(1, 4, 1, 2);
  ASSERT_EQ(run(kSeriesFixedWhole, kTaskJointEstimation), 1);
  // Nothing found: the mean energy of the pure series, whatever it is, and no detection
  // error since nothing was searched.
  EXPECT_GT(table(0)[0], 0);
  EXPECT_EQ(table(1)[0], 0);
}

TEST_F(Simulation, TupleRecognitionCyclesTheTuplesAndCountsMisses) {
  const std::vector<std::vector<int32_t>> tuples{{1, 2}, {3, 4, 5}, {6, 7}};
  const int32_t sizes[] = {2, 3, 2};
  const int32_t* rows[] = {tuples[0].data(), tuples[1].data(), tuples[2].data()};
  // Tuple 3 ({6, 7}) attached, complete employment from the first pulse.
  ASSERT_EQ(
      addSomeSelectedSubsetToSeriesHeader(w, sizes, rows, 3, 3, 3, 3, kSubsetComplete, 1, series),
      1);
  grid(1, 4, 2, 4);
  Recorder recorder;
  context.observer = &recorder;
  ASSERT_EQ(run(kSeriesFixedTuples, kTaskTupleRecognition), 1);
  EXPECT_TRUE(w.messages.empty());

  // Step (3 + 8) / 6 = 1: tuples 1, 2, 3, 1 in turn at each noise level.
  const int expectedTuple[] = {1, 2, 3, 1};
  ASSERT_EQ(recorder.reports.size(), 8u);
  int misses[2] = {0, 0};
  for (size_t n = 0; n < 8; ++n) {
    const int tuple = expectedTuple[n % 4];
    const std::vector<int32_t>& pattern = tuples[tuple - 1];
    EXPECT_EQ(recorder.subsets[n], std::vector<int16_t>(pattern.begin(), pattern.end()));
    std::vector<int16_t> truth;
    for (size_t k = 0; k < 4; ++k) truth.push_back(static_cast<int16_t>(pattern[k % pattern.size()]));
    EXPECT_EQ(recorder.etalons[n], truth) << "report " << n;
    if (recorder.foundTuples[n] != tuple) ++misses[n / 4];
  }
  EXPECT_EQ(table(3), (std::vector<int32_t>{misses[0], misses[1]}));
  EXPECT_EQ(misses[0], 0);  // noise-free series are recognised

  // The subset attached before the run is attached again.
  EXPECT_EQ(series->wSubsetSize, 2);
  EXPECT_EQ(std::vector<int16_t>(series->lpSubset, series->lpSubset + 2),
            (std::vector<int16_t>{6, 7}));
}

TEST_F(Simulation, TupleDetectionUsesTheAttachedSubset) {
  const int32_t subset[] = {2, 5};
  ASSERT_EQ(addSubsetToSeriesHeader(subset, 2, kSubsetComplete, 1, series), 1);
  grid(1, 3, 1, 2);
  Recorder recorder;
  context.observer = &recorder;
  ASSERT_EQ(run(kSeriesFixedTuples, kTaskTupleDetection), 1);
  for (const auto& truth : recorder.etalons) EXPECT_EQ(truth, (std::vector<int16_t>{2, 5, 2}));
  EXPECT_EQ(table(0), std::vector<int32_t>{0});
  EXPECT_EQ(table(1), std::vector<int32_t>{0});
  EXPECT_EQ(series->wSubsetSize, 2);
}

TEST_F(Simulation, RefusesToStartWithoutItsRecords) {
  EXPECT_EQ(run(kSeriesFixedWhole, kTaskDetection), 0);
  ASSERT_EQ(w.messages.size(), 1u);
  EXPECT_EQ(w.last().text, "Absence of RestoreErrorHeader!");
  EXPECT_EQ(w.last().caption, "statCutoffPinpoint");

  // A tuple series without an attached subset.
  grid(1, 3, 1, 1);
  series->wSubsetSize = 0;
  w.clear();
  EXPECT_EQ(run(kSeriesFixedTuples, kTaskTupleDetection), 0);
  ASSERT_EQ(w.messages.size(), 1u);
  EXPECT_EQ(w.last().text, "Error: selected Subset is absence!");
  EXPECT_EQ(w.last().caption, " About selectedSubset ");
  EXPECT_EQ(errors->ifComplete, 0);
  EXPECT_EQ(context.startTime, 0);

  // No required list to take the pulse length and the etalons from.
  required.clear();
  w.clear();
  EXPECT_EQ(run(kSeriesFixedWhole, kTaskDetection), 0);
  EXPECT_EQ(w.last().text, "Ошибка lpEtalonNumbersList!");
}

// A run that will take more than an hour says so once, from the pace of its repeats after
// the first (one second each on this stopwatch), and the notice changes nothing else. A
// run projected at or under the hour says nothing.
TEST_F(Simulation, LongRunIsAnnouncedOnceWithItsEstimatedTime) {
  double watch = 0;
  context.stopwatch = [&watch] { return watch += 1; };
  grid(1, 3, 1, 4000);
  ASSERT_EQ(run(1, 1), 1);
  ASSERT_EQ(w.messages.size(), 1u);
  EXPECT_EQ(w.last().caption, kSimulationCaption);
  // Repeat 1 accumulated at 1 s and repeat 3 at 3 s: 1 + 3999 s in all.
  EXPECT_EQ(w.last().text, "The simulation will take about 1 h 7 min: 3 of 4000 series took 0:00:03.");
  const std::vector<int32_t> announced = table(0);

  resetRandomStates();
  context.noiseSeed = kInitialSeed;
  w.clear();
  watch = 0;
  grid(1, 3, 1, 3600);
  ASSERT_EQ(run(1, 1), 1);
  EXPECT_TRUE(w.messages.empty());

  resetRandomStates();
  context.noiseSeed = kInitialSeed;
  context.stopwatch = nullptr;
  grid(1, 3, 1, 4000);
  ASSERT_EQ(run(1, 1), 1);
  EXPECT_TRUE(w.messages.empty());
  EXPECT_EQ(table(0), announced);
}

// What a run will allocate, against the grid that was started and ended by the system
// part-way: 30000 noise levels and every pulse count of the longest series.
TEST(SimulationMemory, NeedCoversTheTablesAndBoundsEachThreadsSearch) {
  SimulationSize size;
  size.pulseCounts = 32748;
  size.noiseLevels = 30000;
  size.seriesLength = 32767;
  size.pulseLength = kPulseLength;
  size.tmin = 1;
  size.tmax = 32767;
  size.greatestPulses = 32748;
  size.seriesType = kSeriesFixedCutoff;
  size.effectiveTaskType = kTaskDetection;
  size.threads = 1;
  const uint64_t tables = uint64_t{6} * 4 * 32748 * 30000;
  const uint64_t one = simulationMemoryNeed(size);
  EXPECT_GT(one, tables);
  EXPECT_LT(one, tables + (uint64_t{1} << 30));

  // One noise level and the middle pulse count: the chain table of 16374 pulses by 16374
  // positions (2.1 GB whole) is kept as checkpoints, so a thread adds well under 512 MB.
  size.pulseCounts = 1;
  size.noiseLevels = 1;
  size.greatestPulses = 16374;
  const uint64_t single = simulationMemoryNeed(size);
  size.threads = 2;
  const uint64_t twoThreads = simulationMemoryNeed(size);
  EXPECT_GT(twoThreads - single, uint64_t{30} << 20);
  EXPECT_LT(twoThreads - single, uint64_t{512} << 20);
  // The unfixed-count search keeps no chain table.
  size.seriesType = kSeriesUnfixedCutoff;
  EXPECT_LT(simulationMemoryNeed(size) + (uint64_t{30} << 20), twoThreads);
}

}  // namespace
}  // namespace velmora
