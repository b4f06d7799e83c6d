// A run made in parts, as processes make it: each part takes every N-th repeat and passes
// over the others, and the parts' sums and messages put together give the run made alone
// bit for bit: tables, messages in run order, random states and noise seed.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "model/random.h"
#include "model/subsets.h"
#include "simulation/simulation.h"
#include "support/fake_window.h"

namespace velmora {
namespace {

using testing::FakeWindow;

// The parts of one run as processes would exchange them. The part that ends last brings
// them together, as the combining step of a real share does for all of them at once.
struct Board {
  int parts = 1;
  std::vector<std::vector<GridPointSums>> sums;
  std::vector<std::pair<int64_t, Message>> messages;
  int64_t failed = -1;
  bool completed = true;
};

class CyclicShare : public SimulationShare {
 public:
  CyclicShare(Board& board, int part) : board_(board), part_(part) {}
  bool takes(int64_t repeat) const override { return repeat % board_.parts == part_; }
  void repeatDone(int64_t repeat, bool failed, const std::vector<Message>& messages) override {
    for (const Message& m : messages) board_.messages.emplace_back(repeat, m);
    if (failed && (board_.failed < 0 || repeat < board_.failed)) board_.failed = repeat;
  }
  bool combine(Reporter& reporter, std::vector<GridPointSums>& sums, bool completed) override {
    board_.sums.push_back(sums);
    board_.completed = board_.completed && completed;
    if (static_cast<int>(board_.sums.size()) < board_.parts) return false;
    std::vector<GridPointSums> total(sums.size());
    for (const auto& part : board_.sums)
      for (size_t k = 0; k < total.size(); ++k) addGridPointSums(total[k], part[k]);
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
  int part_;
};

struct Trace {
  int result = 0;
  uint16_t complete = 0;
  std::vector<int32_t> tables;
  uint16_t noiseSeed = 0;
  std::vector<uint16_t> states;
  std::vector<std::string> messages;
};

struct Problem {
  uint16_t seriesType;
  uint16_t taskType;
  uint16_t savedLevel;
  uint16_t subsetMode;
};

class SharedSimulation : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(makeAlphabet(w, kPulseAmplitude, kAlphabetSize, kPulseLength, alphabet), 1);
  }
  void TearDown() override {
    for (auto& pulse : alphabet) freePulse(pulse);
  }

  // Runs `problem` from a fresh program over 2 pulse counts from `firstPulses`, noise
  // levels 0 and 40 and 5 repeats, as part `part` of `board` (null: the whole run).
  Trace run(const Problem& p, int16_t firstPulses, Board* board, int part, uint16_t threads) {
    resetRandomStates();
    Trace t;
    SeriesHeader* series =
        getCutOffSeriesHeader(w, kAlphabetSize, kPulseLength, 40, 60, 200, nullptr);
    EXPECT_NE(series, nullptr);
    if (p.taskType == 40) {
      const std::vector<int32_t> a{1, 2}, b{3, 4, 5}, c{6, 7};
      const int32_t sizes[] = {2, 3, 2};
      const int32_t* rows[] = {a.data(), b.data(), c.data()};
      EXPECT_EQ(addSomeSelectedSubsetToSeriesHeader(w, sizes, rows, 3, 3, 3, 3, p.subsetMode,
                                                    1, series),
                1);
    } else if (p.taskType == 36) {
      const int32_t subset[] = {2, 5, 9};
      EXPECT_EQ(addSubsetToSeriesHeader(w, subset, 3, p.subsetMode, 1, series), 1);
    }
    const int32_t repeats = 5;
    RestErrorHeader* errors = getRestErrHeader(w, 2, 2, repeats, nullptr);
    EXPECT_EQ(initRestErrHeader(w, 2, firstPulses, 1, 2, 0, 40, repeats, errors), 1);
    SimulationContext context;
    context.noiseSeed = kInitialNoiseSeed;
    context.subsetProceeding = 2;
    context.clock = [] { return 0; };
    context.threads = threads;
    Board alone;
    CyclicShare share(board ? *board : alone, part);
    if (board != nullptr) context.share = &share;
    const std::vector<uint16_t> required{1, 2, 3};
    t.result = statCutoffPinpoint(w, errors, kAlphabetSize, alphabet, 3, required.data(),
                                  p.seriesType, p.taskType, p.savedLevel, p.savedLevel, series,
                                  context);
    t.complete = errors->ifComplete;
    for (int k = 0; k < 6; ++k)
      for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j) t.tables.push_back(errors->lpErrors[k][i][j]);
    t.noiseSeed = context.noiseSeed;
    const RandomStates& s = randomStates();
    t.states = {s.alphabet, s.cutStart, s.cutEnd, s.position, s.pulseCount, s.subsetPlace,
                s.subsetRepeat};
    for (const auto& m : w.messages) t.messages.push_back(m.caption + "|" + m.text);
    w.clear();
    freeSeriesHeader(series);
    freeRestErrHeader(errors);
    return t;
  }

  // The whole run made in `parts` parts; the trace of the first share, which ends last.
  Trace runInParts(const Problem& p, int16_t firstPulses, int parts) {
    Board board;
    board.parts = parts;
    for (int k = parts - 1; k >= 1; --k) {
      const Trace t = run(p, firstPulses, &board, k, static_cast<uint16_t>(1 + k % 3));
      EXPECT_EQ(t.complete, 0);  // its tables wait for the other parts
    }
    return run(p, firstPulses, &board, 0, 2);
  }

  FakeWindow w;
  PulseHeader alphabet[kAlphabetSize];
};

void expectSameRun(const Trace& a, const Trace& b, const std::string& what) {
  EXPECT_EQ(a.result, b.result) << what;
  EXPECT_EQ(a.complete, b.complete) << what;
  EXPECT_EQ(a.tables, b.tables) << what;
  EXPECT_EQ(a.noiseSeed, b.noiseSeed) << what;
  EXPECT_EQ(a.states, b.states) << what;
  EXPECT_EQ(a.messages, b.messages) << what;
}

// Fixed and unfixed counts, the etalon odometer, tuples under the random subset modes
// (whose draws vary from series to series), and more parts than repeats.
TEST_F(SharedSimulation, EveryNumberOfPartsGivesTheRunMadeAlone) {
  const Problem problems[] = {
      {2, 2, 75, 0}, {1, 4, 100, 0}, {8, 1, 60, 0}, {4, 2, 100, 0},
      {36, 36, 100, 3}, {36, 40, 100, 5}, {40, 36, 100, 1}, {40, 40, 100, 4},
  };
  for (const Problem& p : problems) {
    const std::string what =
        "series type " + std::to_string(p.seriesType) + ", task " + std::to_string(p.taskType);
    const Trace alone = run(p, 3, nullptr, 0, 1);
    ASSERT_EQ(alone.result, 1) << what;
    for (int parts : {1, 2, 3, 5, 23})
      expectSameRun(alone, runInParts(p, 3, parts), what + ", " + std::to_string(parts) + " parts");
  }
}

// Six pulses do not fit a series of 200 samples 40..60 apart: every synthesis of the
// second pulse count is refused with a message and the series before it is processed
// again, so a part must hold the series a run alone holds there.
TEST_F(SharedSimulation, RefusedSynthesesProcessTheSeriesOfTheRunAlone) {
  for (const Problem& p : {Problem{1, 4, 100, 0}, Problem{40, 40, 100, 3}}) {
    const Trace alone = run(p, 5, nullptr, 0, 1);
    ASSERT_EQ(alone.messages.size(), 10u);
    for (int parts : {2, 3, 4})
      expectSameRun(alone, runInParts(p, 5, parts),
                    "task " + std::to_string(p.taskType) + ", " + std::to_string(parts) + " parts");
  }
}

}  // namespace
}  // namespace velmora
