// The simulation on several threads: every thread count gives the same run bit for bit
// (tables, random states, messages, reports, the records left behind), a stop is
// honoured at once and leaves valid records, and the tables equal those of a run made
// repeat by repeat with the plain searches.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/report.h"
#include "model/problem_types.h"
#include "model/random.h"
#include "processing/chains.h"
#include "simulation/answer_measures.h"
#include "simulation/simulation.h"
#include "support/fake_window.h"
#include "support/search_helpers.h"
#include "support/simulation_trace.h"

namespace velmora {
namespace {

using testing::expectSameRun;
using testing::FakeWindow;
using testing::listInputs;
using testing::plainSearch;
using Problem = testing::TraceProblem;
using Trace = testing::SimulationTrace;

class ParallelSimulation : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(makeAlphabet(w, kPulseAmplitude, kAlphabetSize, kPulseLength, alphabet), 1);
  }
  void TearDown() override {
    for (auto& pulse : alphabet) freePulse(pulse);
  }

  // Runs `problem` from a fresh program state on `threads` threads, over 2 pulse counts
  // from `firstPulses`, noise levels 0 and 40 and `repeats` repeats.
  Trace run(const Problem& problem, uint16_t threads, int32_t repeats = 5, int stopAfter = -1,
            int16_t firstPulses = 3) {
    testing::TraceRun how;
    how.threads = threads;
    how.repeats = repeats;
    how.stopAfter = stopAfter;
    how.firstPulses = firstPulses;
    return testing::traceSimulation(w, alphabet, problem, how);
  }

  FakeWindow w;
  PulseHeader alphabet[kAlphabetSize];
};

// Every routing of the driver: fixed and unfixed counts, single pulses and tuples, and no
// processing at all.
const Problem kProblems[] = {
    {kSeriesFixedCutoff, kTaskRecognition, 75},  // the default problem
    {kSeriesFixedWhole, kTaskDetection, 100},
    {kSeriesFixedWhole, kTaskJoint, 100},  // the odometer of etalons
    {kSeriesUnfixedCutoff, kTaskDetection, 60},  // unfixed-count search
    {kSeriesUnfixedWhole, kTaskRecognition, 100},  // unfixed-count recognition
    {kSeriesFixedTuples, kTaskTupleDetection, 100},
    {kSeriesFixedTuples, kTaskTupleRecognition, 100},
    {kSeriesUnfixedTuples, kTaskTupleDetection, 100},
    {kSeriesUnfixedTuples, kTaskTupleRecognition, 100},
    {kSeriesFixedWhole, kTaskJointEstimation, 100},  // no processing
};

TEST_F(ParallelSimulation, EveryThreadCountGivesTheSameRun) {
  for (const Problem& p : kProblems) {
    const std::string what =
        "series type " + std::to_string(p.seriesType) + ", task " + std::to_string(p.taskType);
    const Trace one = run(p, 1);
    EXPECT_EQ(one.result, 1) << what;
    EXPECT_EQ(one.reports.size(), 20u) << what;
    for (uint16_t threads : {2, 3, 8}) expectSameRun(one, run(p, threads), what + ", threads " +
                                                                           std::to_string(threads));
  }
}

// Six pulses do not fit a series of 200 samples 40..60 apart: every synthesis of the
// second pulse count refuses with a message and the previous series is processed again.
// The messages come out in repeat order whatever thread processed the repeat.
TEST_F(ParallelSimulation, MessagesComeInRepeatOrder) {
  for (const Problem& p : {Problem{kSeriesFixedWhole, kTaskJoint, 100},
                           Problem{kSeriesUnfixedTuples, kTaskTupleRecognition, 100}}) {
    const Trace one = run(p, 1, 5, -1, 5);
    EXPECT_EQ(one.messages.size(), 10u);
    expectSameRun(one, run(p, 3, 5, -1, 5), "task " + std::to_string(p.taskType));
  }
}

TEST_F(ParallelSimulation, AllCoresIsTheDefaultAndChangesNothing) {
  const Problem p{kSeriesFixedCutoff, kTaskRecognition, 75};
  expectSameRun(run(p, 1), run(p, 0), "threads 0");
}

// A stop is honoured at the report that asks for it, whatever was processed ahead: the
// grid points completed before keep their errors, the run is not complete, and the
// series record holds the last repeat reported, as a run on one thread leaves it.
TEST_F(ParallelSimulation, AStopIsHonouredAtOnceAndLeavesValidRecords) {
  const Problem p{kSeriesFixedCutoff, kTaskRecognition, 75};
  const Trace full = run(p, 1);
  for (int stopAfter : {1, 7, 12}) {
    const Trace one = run(p, 1, 5, stopAfter);
    const Trace many = run(p, 4, 5, stopAfter);
    const std::string what = "stopped after " + std::to_string(stopAfter);
    EXPECT_EQ(many.result, 0) << what;
    EXPECT_EQ(many.complete, 0) << what;
    ASSERT_EQ(many.reports.size(), static_cast<size_t>(stopAfter)) << what;
    EXPECT_EQ(many.reports, one.reports) << what;
    EXPECT_EQ(many.tables, one.tables) << what;
    EXPECT_EQ(many.seriesBlock, one.seriesBlock) << what;
    EXPECT_EQ(many.found, one.found) << what;
    EXPECT_TRUE(many.messages.empty()) << what;
    // Grid points are stored in the order pulse count, then noise level: the first one
    // (5 repeats) is complete from the 5th report on.
    EXPECT_EQ(many.tables[0], stopAfter >= 5 ? full.tables[0] : 0) << what;
  }
}

// The tables of a run equal those of the same repeats made one by one with the plain
// searches.
TEST_F(ParallelSimulation, TablesEqualARunOfThePlainSearches) {
  const Problem p{kSeriesFixedCutoff, kTaskRecognition, 75};
  const int32_t repeats = 3;
  const Trace fast = run(p, 2, repeats, -1, 6);

  resetRandomStates();
  SeriesHeader* s = getCutOffSeriesHeader(w, kAlphabetSize, kPulseLength, 40, 60, 200, nullptr);
  ASSERT_NE(s, nullptr);
  uint16_t noiseState = kInitialNoiseSeed;
  const std::vector<uint16_t> required{1, 2, 3};
  std::vector<int32_t> restoring(4), detection(4);
  for (int j = 0; j < 2; ++j) {
    const int m = 6 + j;
    for (int i = 0; i < 2; ++i) {
      int64_t rsum = 0, dsum = 0;
      for (int r = 0; r < repeats; ++r) {
        // Recognition: (3 + 2R) / 6 = 1 repeat per etalon of the list.
        std::vector<uint16_t> sequence(s->wMaxPulses, required[r % 3]);
        s = getCutOffSeries(w, kAlphabetSize, alphabet, kPulseLength, 40, 60, 200,
                            static_cast<uint16_t>(m), sequence.data(), kPulseAmplitude, 75, s);
        ASSERT_NE(s, nullptr);
        addNoise(static_cast<int16_t>(40 * i), kPulseAmplitude, s, noiseState);
        ChainsHeader* chains = getChainsHeader(w, 10, s->wMaxPulses, nullptr);
        plainSearch(w, kTaskRecognition, kSeriesFixedCutoff,
                    listInputs(alphabet, 3, required.data(), 40, 60, 75), chains, s);
        rsum += getRestorationError(s);
        dsum += detectionContribution(*s, m, chains->wSeekingPulsesQuantity);
        freeChainsHeader(chains);
      }
      restoring[i * 2 + j] = static_cast<int32_t>((2 * rsum + repeats) / (2 * repeats));
      detection[i * 2 + j] = static_cast<int32_t>(dsum / 128);
    }
  }
  freeSeriesHeader(s);
  EXPECT_EQ(std::vector<int32_t>(fast.tables.begin(), fast.tables.begin() + 4), restoring);
  EXPECT_EQ(std::vector<int32_t>(fast.tables.begin() + 4, fast.tables.begin() + 8), detection);
  EXPECT_EQ(fast.noiseSeed, noiseState);
}

}  // namespace
}  // namespace velmora
