// The one choice of search that the pipeline and the simulation share: every effective
// task type and series type reaches the search it names, with the inputs it names, and a
// search that runs out of memory is reported to the caller instead of shown. This
// executable's own operator new makes allocations fail on demand.
#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "model/problem_types.h"
#include "processing/dispatch.h"
#include "processing/fixed_search.h"
#include "processing/search_kernels.h"
#include "support/allocation_hook.h"
#include "support/fake_window.h"
#include "support/search_helpers.h"

namespace {
// When armed, the next allocation of exactly this many bytes fails.
size_t failingSize = 0;
}  // namespace

void velmora::testing::onAllocation(size_t size) {
  if (failingSize != 0 && size == failingSize) {
    failingSize = 0;
    throw std::bad_alloc();
  }
}

namespace velmora::testing {
namespace {

// A code that names no task: nothing runs.
constexpr uint16_t kNoTask = 8;
constexpr uint16_t kN = 3, kTmin = 4, kTmax = 9, kPulses = 5, kSaved = 60;
const uint16_t kEtalons[] = {2, 1};
const int32_t kSubset[] = {1, 2};
const int32_t kOther[] = {2};
const int32_t kSizes[] = {2, 1};
const int32_t* const kRows[] = {kSubset, kOther};

struct Fixture {
  TestAlphabet alphabet{randomShapes(rng(), 2, kN, -60, 60)};
  std::vector<int16_t> samples = randomSamples(rng(), 30, 30, -90, 90);
  static std::mt19937& rng() {
    static std::mt19937 r(12);
    return r;
  }
  std::unique_ptr<SeriesHeader> series() const {
    auto s = makeUnfixedSeries(samples, kN, kTmin, kTmax, kPulses);
    setSynthesisWindows(*s, kTmin, kTmax);
    return s;
  }
  SearchInputs inputs() const {
    SearchInputs in;
    in.alphabet = alphabet.data();
    in.requiredCount = 2;
    in.requiredList = kEtalons;
    in.tmin = kTmin;
    in.tmax = kTmax;
    in.procSavedLevel = kSaved;
    in.selectedSubsetSize = 2;
    in.selectedSubset = kSubset;
    in.subsetProceedingMode = 2;
    in.subsetCount = 2;
    in.subsetSizes = kSizes;
    in.subsetRows = kRows;
    return in;
  }
};

// A search body called directly on the fast kernels.
using Direct = std::function<SearchOutcome(const SearchInputs&, ChainsHeader*, SeriesHeader*)>;

template <typename Kernels, SearchOutcome (*search)(Kernels&, const SearchInputs&, ChainsHeader*,
                                                    SeriesHeader*)>
const Direct direct = [](const SearchInputs& in, ChainsHeader* c, SeriesHeader* s) {
  Kernels kernels;
  return search(kernels, in, c, s);
};

TEST(Dispatch, EveryTaskAndSeriesTypeReachesItsSearch) {
  const Fixture f;
  const Direct& identification = direct<FastPassKernels, identificationSearchWith>;
  const Direct& recognition = direct<FastPassKernels, recognitionSearchWith>;
  const Direct& unfixed = direct<FastUnfixedKernels, searchUnfixedCountWith>;
  const Direct& unfixedRecognition = direct<FastUnfixedKernels, recognizeUnfixedCountWith>;
  const Direct& tupleDetection = direct<FastPassKernels, tupleDetectionSearchWith>;
  const Direct& tupleRecognition = direct<FastPassKernels, tupleRecognitionSearchWith>;
  const Direct& unfixedTupleDetection = direct<FastLayeredKernels, detectUnfixedTuplesWith>;
  const Direct& unfixedTupleRecognition = direct<FastLayeredKernels, recognizeUnfixedTuplesWith>;
  const Direct nothing = [](const SearchInputs&, ChainsHeader*, SeriesHeader*) {
    return SearchOutcome{0};
  };

  const uint16_t seriesTypes[] = {kSeriesFixedWhole,      kSeriesFixedCutoff,
                                  kSeriesUnfixedWhole,    kSeriesUnfixedCutoff,
                                  kSeriesFixedWholeGiven, kSeriesUnfixedWholeGiven,
                                  kSeriesFixedTuples,     kSeriesUnfixedTuples};
  for (uint16_t type : seriesTypes) {
    const bool unfixedCount = type == kSeriesUnfixedWhole || type == kSeriesUnfixedCutoff;
    const bool unfixedTuples = unfixedCount || type == kSeriesUnfixedTuples;
    const std::pair<uint16_t, const Direct*> expected[] = {
        {kTaskDetection, unfixedCount ? &unfixed : &identification},
        {kTaskJoint, unfixedCount ? &unfixed : &identification},
        {kTaskSeriesProcessing, unfixedCount ? &unfixed : &identification},
        {kTaskRecognition, unfixedCount ? &unfixedRecognition : &recognition},
        {kTaskTupleDetection, unfixedTuples ? &unfixedTupleDetection : &tupleDetection},
        {kTaskTupleRecognition, unfixedTuples ? &unfixedTupleRecognition : &tupleRecognition},
        {kNoTask, &nothing}};
    for (const auto& [task, direct] : expected) {
      SCOPED_TRACE("series type " + std::to_string(type) + ", task " + std::to_string(task));
      auto viaDispatch = f.series();
      auto viaSearch = f.series();
      ChainsPtr c1 = makeChains(10, viaDispatch->wMaxPulses);
      ChainsPtr c2 = makeChains(10, viaSearch->wMaxPulses);
      const SearchOutcome outcome =
          runSearch<FastKernels>(task, type, f.inputs(), c1.get(), viaDispatch.get());
      const SearchOutcome result = (*direct)(f.inputs(), c2.get(), viaSearch.get());
      EXPECT_TRUE(outcome.ran());
      EXPECT_TRUE(result.ran());
      EXPECT_EQ(outcome.result, result.result);
      EXPECT_EQ(viaDispatch->block, viaSearch->block);
      EXPECT_EQ(viaDispatch->wFoundPulses, viaSearch->wFoundPulses);
      EXPECT_EQ(viaDispatch->wFoundTuple, viaSearch->wFoundTuple);
      EXPECT_EQ(c1->wPretenders, c2->wPretenders);
      EXPECT_EQ(c1->wQuanPulses, c2->wQuanPulses);
      EXPECT_EQ(c1->distanceBlock, c2->distanceBlock);
      EXPECT_EQ(c1->sampleBlock, c2->sampleBlock);
    }
  }
}

TEST(Dispatch, SearchWithoutMemoryIsReportedNotShown) {
  const Fixture f;
  FakeWindow w;
  auto series = f.series();
  const std::vector<int16_t> before = series->block;
  // The first thing the search allocates: the windows of its pulses.
  const size_t windows = kPulses * sizeof(PulseWindow);
  failingSize = windows;
  const SearchOutcome outcome = runSearch<FastKernels>(kTaskDetection, kSeriesFixedCutoff,
                                                       f.inputs(), nullptr, series.get());
  EXPECT_EQ(failingSize, 0u) << "the allocation was never made";
  EXPECT_FALSE(outcome.ran());
  EXPECT_STREQ(outcome.noMemory, kNoMemoryPpDw);
  EXPECT_TRUE(w.messages.empty());
  EXPECT_EQ(series->block, before);

  // The shell shows what the search reports.
  failingSize = windows;
  const int result = fastSearch(w, kTaskDetection, kSeriesFixedCutoff, f.inputs(), nullptr,
                                series.get());
  EXPECT_EQ(failingSize, 0u);
  EXPECT_EQ(result, 0);
  ASSERT_EQ(w.messages.size(), 1u);
  EXPECT_EQ(w.last().text, kNoMemoryPpDw);
}

}  // namespace
}  // namespace velmora::testing
