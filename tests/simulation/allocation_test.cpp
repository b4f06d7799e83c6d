// Heap allocations in the hot loop: a search given a workspace that has served a series
// of the same geometry allocates nothing, and a simulation allocates nothing per repeat
// beyond what the synthesis of a series allocates. This executable counts every
// allocation with its own operator new.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "common/report.h"
#include "model/problem_types.h"
#include "model/random.h"
#include "model/subsets.h"
#include "processing/chains.h"
#include "processing/fixed_search.h"
#include "processing/search_workspace.h"
#include "processing/tuple_search.h"
#include "processing/unfixed_recognition.h"
#include "processing/unfixed_search.h"
#include "processing/unfixed_tuple_search.h"
#include "simulation/simulation.h"
#include "support/allocation_hook.h"
#include "support/fake_window.h"
#include "support/search_helpers.h"

namespace {
std::atomic<long> allocations{0};
}  // namespace

void velmora::testing::onAllocation(size_t) {
  allocations.fetch_add(1, std::memory_order_relaxed);
}

namespace velmora {
namespace {

using testing::FakeWindow;
using testing::fastSearch;
using testing::listInputs;
using testing::tupleInputs;
using testing::tupleListInputs;

long allocationsDuring(const std::function<void()>& job) {
  const long before = allocations.load();
  job();
  return allocations.load() - before;
}

class Allocations : public ::testing::Test {
 protected:
  void SetUp() override {
    resetRandomStates();
    ASSERT_EQ(makeAlphabet(w, kPulseAmplitude, kAlphabetSize, kPulseLength, alphabet), 1);
  }
  void TearDown() override {
    freeSeriesHeader(series);
    freeChainsHeader(chains);
    for (auto& pulse : alphabet) freePulse(pulse);
  }

  // A new noisy series of `pulses` pulses of L 600, Tmin 40, Tmax 181, into the same record.
  void synthesise(uint16_t pulses, uint16_t level) {
    if (series == nullptr) {
      series = getCutOffSeriesHeader(w, kAlphabetSize, kPulseLength, 40, 181, 600, series);
      sequence.resize(series->wMaxPulses);
      NullReporter reporter;
      chains = getChainsHeader(reporter, 10, series->wMaxPulses, nullptr);
    }
    for (size_t k = 0; k < sequence.size(); ++k) sequence[k] = static_cast<uint16_t>(3 + k % 4);
    series = getCutOffSeries(w, kAlphabetSize, alphabet, kPulseLength, 40, 181, 600, pulses,
                             sequence.data(), kPulseAmplitude, level, series);
    ASSERT_NE(series, nullptr);
    addNoise(30, kPulseAmplitude, series, noise);
  }

  FakeWindow w;
  PulseHeader alphabet[kAlphabetSize];
  SeriesHeader* series = nullptr;
  ChainsHeader* chains = nullptr;
  uint16_t noise = kInitialNoiseSeed;
  std::vector<uint16_t> sequence;
};

TEST_F(Allocations, SearchesReuseTheirWorkspace) {
  const std::vector<uint16_t> list = {3, 4, 5, 6};
  const std::vector<int32_t> a = {3, 4}, b = {5, 6, 3};
  const int32_t sizes[] = {2, 3};
  const int32_t* rows[] = {a.data(), b.data()};
  SearchWorkspace ws;
  using Search = std::function<void()>;
  const std::vector<std::pair<std::string, Search>> searches = {
      {"identification",
       [&] {
         fastSearch(w, kTaskDetection, kSeriesFixedCutoff,
                    listInputs(alphabet, 4, list.data(), 40, 181, 75, &ws), chains, series);
       }},
      {"recognition",
       [&] {
         fastSearch(w, kTaskRecognition, kSeriesFixedCutoff,
                    listInputs(alphabet, 4, list.data(), 40, 181, 75, &ws), chains, series);
       }},
      {"tuple detection",
       [&] {
         fastSearch(w, kTaskTupleDetection, kSeriesFixedTuples,
                    tupleInputs(alphabet, 3, b.data(), 2, 40, 181, 75, &ws), chains, series);
       }},
      {"tuple recognition",
       [&] {
         fastSearch(w, kTaskTupleRecognition, kSeriesFixedTuples,
                    tupleListInputs(alphabet, sizes, rows, 2, 2, 40, 181, 75, &ws), chains, series);
       }},
      {"unfixed",
       [&] {
         fastSearch(w, kTaskDetection, kSeriesUnfixedCutoff,
                    listInputs(alphabet, 4, list.data(), 40, 181, 75, &ws), chains, series);
       }},
      {"unfixed recognition",
       [&] {
         fastSearch(w, kTaskRecognition, kSeriesUnfixedCutoff,
                    listInputs(alphabet, 4, list.data(), 40, 181, 75, &ws), chains, series);
       }},
      {"unfixed tuple detection",
       [&] {
         fastSearch(w, kTaskTupleDetection, kSeriesUnfixedTuples,
                    tupleInputs(alphabet, 3, b.data(), 2, 40, 181, 75, &ws), chains, series);
       }},
      {"unfixed tuple recognition",
       [&] {
         fastSearch(w, kTaskTupleRecognition, kSeriesUnfixedTuples,
                    tupleListInputs(alphabet, sizes, rows, 2, 2, 40, 181, 75, &ws), chains, series);
       }},
  };
  // The first series of each pulse count may grow the workspace (storage only grows);
  // from then on the workspace has room for all of them.
  for (uint16_t pulses : {14, 9, 5}) {
    synthesise(pulses, 75);
    for (const auto& s : searches) s.second();
  }
  for (uint16_t pulses : {9, 14, 5}) {
    synthesise(pulses, 60);
    for (const auto& s : searches)
      EXPECT_EQ(allocationsDuring(s.second), 0) << s.first << " with " << pulses << " pulses";
  }
  EXPECT_TRUE(w.messages.empty());
}

// A simulation of 2R repeats allocates, beyond one of R repeats, only what the synthesis
// of the R extra series per grid point allocates.
TEST_F(Allocations, SimulationAllocatesNothingPerRepeatBeyondTheSynthesis) {
  synthesise(6, 75);
  const long perSynthesis = allocationsDuring([&] { synthesise(7, 75); });

  const std::vector<uint16_t> required = {1, 2, 3, 4};
  auto simulate = [&](int32_t repeats, uint16_t seriesType, uint16_t taskType) {
    resetRandomStates();
    RestErrorHeader* errors = getRestErrHeader(w, 2, 2, repeats, nullptr);
    EXPECT_EQ(initRestErrHeader(w, 2, 5, 3, 2, 0, 40, repeats, errors), 1);
    SimulationContext context;
    context.noiseSeed = kInitialNoiseSeed;
    context.clock = [] { return 0; };
    context.threads = 1;
    const long made = allocationsDuring([&] {
      EXPECT_EQ(statCutoffPinpoint(w, errors, kAlphabetSize, alphabet, 4, required.data(),
                                   seriesType, taskType, 75, 75, series, context),
                1);
    });
    freeRestErrHeader(errors);
    return made;
  };
  for (const auto& [seriesType, taskType] :
       {std::pair<uint16_t, uint16_t>{kSeriesFixedCutoff, kTaskRecognition},
        {kSeriesFixedCutoff, kTaskJoint},
        {kSeriesUnfixedCutoff, kTaskDetection},
        {kSeriesUnfixedWhole, kTaskRecognition}}) {
    const long single = simulate(6, seriesType, taskType);
    const long twice = simulate(12, seriesType, taskType);
    EXPECT_EQ(twice - single, 4 * 6 * perSynthesis)
        << "series type " << seriesType << ", task " << taskType;
  }
  EXPECT_TRUE(w.messages.empty());
}

}  // namespace
}  // namespace velmora
