// A synthesis or a search that runs out of memory in the middle of a simulation. The
// allocations are made to fail by this executable's own operator new.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <new>
#include <utility>
#include <vector>

#include "model/problem_types.h"
#include "model/random.h"
#include "processing/fixed_search.h"
#include "simulation/simulation.h"
#include "support/allocation_hook.h"
#include "support/fake_window.h"

namespace {
// When armed, the next allocation of exactly this many bytes fails.
size_t failingSize = 0;
// While nonzero, every allocation of exactly this many bytes fails (from any thread).
std::atomic<size_t> alwaysFailingSize{0};
}  // namespace

void velmora::testing::onAllocation(size_t size) {
  if (failingSize != 0 && size == failingSize) {
    failingSize = 0;
    throw std::bad_alloc();
  }
  if (size == alwaysFailingSize.load(std::memory_order_relaxed)) throw std::bad_alloc();
}

namespace velmora {
namespace {

TEST(SimulationFailure, SynthesisWithoutMemoryEndsTheRun) {
  testing::FakeWindow w;
  resetRandomStates();
  PulseHeader alphabet[kAlphabetSize];
  ASSERT_EQ(makeAlphabet(w, kPulseAmplitude, kAlphabetSize, kPulseLength, alphabet), 1);
  // Sized for a one-etalon alphabet: the first synthesis of the run has to grow the
  // etalon pointer list (19 pointers), and that allocation fails.
  constexpr uint16_t kRunAlphabet = 19;
  SeriesHeader* series = getCutOffSeriesHeader(w, 1, kPulseLength, 40, 60, 200, nullptr);
  ASSERT_NE(series, nullptr);
  RestErrorHeader* errors = getRestErrHeader(w, 1, 1, 2, nullptr);
  ASSERT_EQ(initRestErrHeader(w, 1, 3, 1, 1, 0, 1, 2, errors), 1);
  errors->ifComplete = 1;
  const uint16_t required[] = {1, 2};
  SimulationContext context;
  context.noiseSeed = kInitialNoiseSeed;
  context.clock = [] { return 7; };

  failingSize = kRunAlphabet * sizeof(const PulseHeader*);
  const int result = statCutoffPinpoint(w, errors, kRunAlphabet, alphabet, 2, required,
                                        kSeriesFixedWhole, kTaskDetection,
                                        100, 100, series, context);
  const bool failed = failingSize == 0;
  failingSize = 0;
  ASSERT_TRUE(failed) << "the allocation was never made";

  EXPECT_EQ(result, 0);
  EXPECT_EQ(series, nullptr);  // released by the failed synthesis
  EXPECT_EQ(errors->ifComplete, 0);
  EXPECT_EQ(context.endTime, 7);
  ASSERT_FALSE(w.messages.empty());
  EXPECT_EQ(w.last().text, kSeriesNotMade);
  EXPECT_EQ(w.last().caption, kDriverCaption);

  freeSeriesHeader(series);
  freeRestErrHeader(errors);
  for (auto& pulse : alphabet) freePulse(pulse);
}

// The chain table of a fixed-count search cannot be had in any repeat: every thread's
// search fails. Before, the run went on with the answers the failed searches left behind
// (tables that then depended on the thread count) and showed the message once per repeat.
TEST(SimulationFailure, SearchWithoutMemoryFailsTheRunWithOneMessageForAnyThreadCount) {
  constexpr uint32_t kLength = 2000;
  constexpr uint16_t kTmin = 20, kTmax = 2000, kPulses = 10;
  for (uint16_t threads : {1, 3}) {
    SCOPED_TRACE(threads);
    testing::FakeWindow w;
    resetRandomStates();
    PulseHeader alphabet[kAlphabetSize];
    ASSERT_EQ(makeAlphabet(w, kPulseAmplitude, kAlphabetSize, kPulseLength, alphabet), 1);
    SeriesHeader* series =
        getCutOffSeriesHeader(w, kAlphabetSize, kPulseLength, kTmin, kTmax, kLength, nullptr);
    ASSERT_NE(series, nullptr);
    RestErrorHeader* errors = getRestErrHeader(w, 1, 1, 4, nullptr);
    ASSERT_EQ(initRestErrHeader(w, 1, kPulses, 1, 1, 0, 1, 4, errors), 1);
    const uint16_t required[] = {1};
    SimulationContext context;
    context.noiseSeed = kInitialNoiseSeed;
    context.threads = threads;

    // The chain table holds one value per window position of every pulse.
    size_t cells = 0;
    for (int64_t k = 0; k < kPulses; ++k) {
      const int64_t lo = std::max<int64_t>({k * kTmin, kLength - kTmax * (kPulses - k), 0});
      const int64_t hi = std::min<int64_t>({(k + 1) * kTmax - kPulseLength,
                                            kLength - kPulseLength - kTmin * (kPulses - 1 - k),
                                            kLength - kPulseLength});
      cells += static_cast<size_t>(hi - lo + 1);
    }
    alwaysFailingSize = cells * sizeof(MatchCost);
    const int result = statCutoffPinpoint(w, errors, kAlphabetSize, alphabet, 1, required,
                                          kSeriesFixedCutoff, kTaskDetection, 100, 100, series,
                                          context);
    alwaysFailingSize = 0;

    EXPECT_EQ(result, 0);
    EXPECT_EQ(errors->ifComplete, 0);
    EXPECT_EQ(std::count_if(w.messages.begin(), w.messages.end(),
                            [](const auto& m) { return m.text == kNoMemoryPpDwRows; }),
              1);
    ASSERT_FALSE(w.messages.empty());
    EXPECT_EQ(w.last().text, kNoMemoryPpDwRows);
    EXPECT_FALSE(w.last().caption.has_value());

    freeSeriesHeader(series);
    freeRestErrHeader(errors);
    for (auto& pulse : alphabet) freePulse(pulse);
  }
}

// Share `index` of a run split into two shares, made one after the other in this process as
// two processes would make them: the share that ends second shows what both kept, in run
// order up to the first failure.
struct TwoShares {
  std::vector<std::pair<int64_t, Message>> messages;
  int64_t failedAt = INT64_MAX;
  int ended = 0;
};
class ShareOfTwo : public SimulationShare {
 public:
  ShareOfTwo(TwoShares& shares, int index) : shares_(shares), index_(index) {}
  bool takes(int64_t repeat) const override { return repeat % 2 == index_; }
  void repeatDone(int64_t repeat, bool failed, const std::vector<Message>& messages) override {
    for (const Message& m : messages) shares_.messages.emplace_back(repeat, m);
    if (failed) shares_.failedAt = std::min(shares_.failedAt, repeat);
  }
  bool combine(Reporter& reporter, std::vector<GridPointSums>&, bool completed) override {
    if (++shares_.ended < 2) return false;
    // In run order; a repeat's messages come from one share, in the order given. (No
    // stable_sort: its buffer comes from the nothrow new this file's hook leaves alone.)
    int64_t last = -1;
    for (const auto& kept : shares_.messages) last = std::max(last, kept.first);
    for (int64_t repeat = 0; repeat <= std::min(last, shares_.failedAt); ++repeat)
      for (const auto& [r, m] : shares_.messages)
        if (r == repeat)
          reporter.report(m);
    return completed && shares_.failedAt == INT64_MAX;
  }

 private:
  TwoShares& shares_;
  int index_;
};

// The search of the second process fails (repeat 1 is the first to fail). Its window is
// one no one sees: the failure must reach the first process, which reports it once.
// Before, the failing process showed the text on its own window and the run ended
// without it.
TEST(SimulationFailure, SearchWithoutMemoryInAnotherProcessIsReportedByTheFirst) {
  constexpr uint32_t kLength = 2000;
  constexpr uint16_t kTmin = 20, kTmax = 2000, kPulses = 10;
  size_t cells = 0;  // the chain table, as above
  for (int64_t k = 0; k < kPulses; ++k) {
    const int64_t lo = std::max<int64_t>({k * kTmin, kLength - kTmax * (kPulses - k), 0});
    const int64_t hi = std::min<int64_t>({(k + 1) * kTmax - kPulseLength,
                                          kLength - kPulseLength - kTmin * (kPulses - 1 - k),
                                          kLength - kPulseLength});
    cells += static_cast<size_t>(hi - lo + 1);
  }
  TwoShares shares;
  testing::FakeWindow windows[2];
  int results[2] = {-1, -1};
  for (int process : {1, 0}) {
    testing::FakeWindow& w = windows[process];
    resetRandomStates();
    PulseHeader alphabet[kAlphabetSize];
    ASSERT_EQ(makeAlphabet(w, kPulseAmplitude, kAlphabetSize, kPulseLength, alphabet), 1);
    SeriesHeader* series =
        getCutOffSeriesHeader(w, kAlphabetSize, kPulseLength, kTmin, kTmax, kLength, nullptr);
    RestErrorHeader* errors = getRestErrHeader(w, 1, 1, 4, nullptr);
    ASSERT_EQ(initRestErrHeader(w, 1, kPulses, 1, 1, 0, 1, 4, errors), 1);
    const uint16_t required[] = {1};
    SimulationContext context;
    context.noiseSeed = kInitialNoiseSeed;
    context.threads = 2;
    ShareOfTwo share(shares, process);
    context.share = &share;
    if (process == 1) alwaysFailingSize = cells * sizeof(MatchCost);
    results[process] = statCutoffPinpoint(w, errors, kAlphabetSize, alphabet, 1, required,
                                          kSeriesFixedCutoff, kTaskDetection, 100, 100, series,
                                          context);
    alwaysFailingSize = 0;
    EXPECT_EQ(errors->ifComplete, 0) << process;
    freeSeriesHeader(series);
    freeRestErrHeader(errors);
    for (auto& pulse : alphabet) freePulse(pulse);
  }
  EXPECT_EQ(results[0], 0);
  EXPECT_EQ(results[1], 0);
  EXPECT_TRUE(windows[1].messages.empty());
  ASSERT_EQ(windows[0].messages.size(), 1u);
  EXPECT_EQ(windows[0].last().text, kNoMemoryPpDwRows);
  EXPECT_FALSE(windows[0].last().caption.has_value());
}

}  // namespace
}  // namespace velmora
