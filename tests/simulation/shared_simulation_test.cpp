// A run split into shares, as processes make it: each share takes every N-th repeat and
// passes over the others, and the shares' sums and messages put together give the run made
// alone bit for bit: tables, messages in run order, random states and noise seed.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "model/problem_types.h"
#include "model/subset_modes.h"
#include "simulation/simulation.h"
#include "support/fake_window.h"
#include "support/simulation_trace.h"

namespace velmora {
namespace {

using testing::expectSameRun;
using testing::FakeWindow;

// The shares of one run as processes would exchange them. The share that ends last brings
// them together, as the combining step of a real process does for all of them at once.
struct Board {
  int shares = 1;
  std::vector<std::vector<GridPointSums>> sums;
  std::vector<std::pair<int64_t, Message>> messages;
  int64_t failed = -1;
  bool completed = true;
};

class CyclicShare : public SimulationShare {
 public:
  CyclicShare(Board& board, int index) : board_(board), index_(index) {}
  bool takes(int64_t repeat) const override { return repeat % board_.shares == index_; }
  void repeatDone(int64_t repeat, bool failed, const std::vector<Message>& messages) override {
    for (const Message& m : messages) board_.messages.emplace_back(repeat, m);
    if (failed && (board_.failed < 0 || repeat < board_.failed)) board_.failed = repeat;
  }
  bool combine(Reporter& reporter, std::vector<GridPointSums>& sums, bool completed) override {
    board_.sums.push_back(sums);
    board_.completed = board_.completed && completed;
    if (static_cast<int>(board_.sums.size()) < board_.shares) return false;
    std::vector<GridPointSums> total(sums.size());
    for (const auto& share : board_.sums)
      for (size_t k = 0; k < total.size(); ++k) addGridPointSums(total[k], share[k]);
    sums = total;
    std::stable_sort(board_.messages.begin(), board_.messages.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [repeat, m] : board_.messages)
      if (board_.failed < 0 || repeat <= board_.failed)
        reporter.report(m);
    return board_.completed && board_.failed < 0;
  }

 private:
  Board& board_;
  int index_;
};

using Problem = testing::TraceProblem;
using Trace = testing::SimulationTrace;

class SharedSimulation : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(makeAlphabet(w, kPulseAmplitude, kAlphabetSize, kPulseLength, alphabet), 1);
  }
  void TearDown() override {
    for (auto& pulse : alphabet) freePulse(pulse);
  }

  // Runs `problem` from a fresh program over 2 pulse counts from `firstPulses`, noise
  // levels 0 and 40 and 5 repeats, as share `index` of `board` (null: the whole run).
  Trace run(const Problem& p, int16_t firstPulses, Board* board, int index, uint16_t threads) {
    Board alone;
    CyclicShare share(board ? *board : alone, index);
    testing::TraceRun how;
    how.threads = threads;
    how.firstPulses = firstPulses;
    how.observed = false;
    if (board != nullptr) how.share = &share;
    return testing::traceSimulation(w, alphabet, p, how);
  }

  // The whole run split into `shares` shares; the trace of the first share, which ends last.
  Trace runInShares(const Problem& p, int16_t firstPulses, int shares) {
    Board board;
    board.shares = shares;
    for (int k = shares - 1; k >= 1; --k) {
      const Trace t = run(p, firstPulses, &board, k, static_cast<uint16_t>(1 + k % 3));
      EXPECT_EQ(t.complete, 0);  // its tables wait for the other shares
    }
    return run(p, firstPulses, &board, 0, 2);
  }

  FakeWindow w;
  PulseHeader alphabet[kAlphabetSize];
};

// Fixed and unfixed counts, the etalon odometer, tuples under the random subset modes
// (whose draws vary from series to series), and more shares than repeats.
TEST_F(SharedSimulation, EveryNumberOfSharesGivesTheRunMadeAlone) {
  const Problem problems[] = {
      {kSeriesFixedCutoff, kTaskRecognition, 75, 0},
      {kSeriesFixedWhole, kTaskJoint, 100, 0},
      {kSeriesUnfixedCutoff, kTaskDetection, 60, 0},
      {kSeriesUnfixedWhole, kTaskRecognition, 100, 0},
      {kSeriesFixedTuples, kTaskTupleDetection, 100, kSubsetMultipleRandom},
      {kSeriesFixedTuples, kTaskTupleRecognition, 100, kSubsetShiftedComplete},
      {kSeriesUnfixedTuples, kTaskTupleDetection, 100, kSubsetSingleRandom},
      {kSeriesUnfixedTuples, kTaskTupleRecognition, 100, kSubsetComplete},
  };
  for (const Problem& p : problems) {
    const std::string what =
        "series type " + std::to_string(p.seriesType) + ", task " + std::to_string(p.taskType);
    const Trace alone = run(p, 3, nullptr, 0, 1);
    ASSERT_EQ(alone.result, 1) << what;
    for (int shares : {1, 2, 3, 5, 23})
      expectSameRun(alone, runInShares(p, 3, shares),
                    what + ", " + std::to_string(shares) + " shares");
  }
}

// Six pulses do not fit a series of 200 samples 40..60 apart: every synthesis of the
// second pulse count is refused with a message and the series before it is processed
// again, so a share must hold the series a run alone holds there.
TEST_F(SharedSimulation, RefusedSynthesesProcessTheSeriesOfTheRunAlone) {
  for (const Problem& p : {Problem{kSeriesFixedWhole, kTaskJoint, 100, 0},
                           Problem{kSeriesUnfixedTuples, kTaskTupleRecognition, 100,
                                   kSubsetMultipleRandom}}) {
    const Trace alone = run(p, 5, nullptr, 0, 1);
    ASSERT_EQ(alone.messages.size(), 10u);
    for (int shares : {2, 3, 4})
      expectSameRun(alone, runInShares(p, 5, shares),
                    "task " + std::to_string(p.taskType) + ", " + std::to_string(shares) +
                        " shares");
  }
}

}  // namespace
}  // namespace velmora
