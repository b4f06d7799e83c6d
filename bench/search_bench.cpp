// Every search at the application's defaults (L 1200, Tmin 40, Tmax 181, 18 pulses,
// saved level 75, noise 20, the 20 etalons), fast against plain; and the fast recognition
// over series lengths and pulse counts, to show how its cost grows.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "bench_support.h"
#include "model/problem_types.h"
#include "model/random.h"
#include "processing/dispatch.h"
#include "processing/fixed_search.h"
#include "processing/search_kernels.h"
#include "processing/search_workspace.h"
#include "shell/window_reporter.h"

namespace velmora::bench {
namespace {

const std::vector<int32_t> kTupleA = {3, 9, 11};
const std::vector<int32_t> kTupleB = {5, 7};
const std::vector<int32_t> kTupleC = {11, 3, 9, 14};
const int32_t kTupleSizes[] = {3, 2, 4};
const int32_t* const kTuples[] = {kTupleA.data(), kTupleB.data(), kTupleC.data()};
constexpr uint16_t kAllPhases = 2;

const Alphabet& alphabet() {
  static const Alphabet a;
  return a;
}

// The series a search is timed on: what the search answers, made as the application
// makes it (tuple series of whole pulses).
enum class Made { kSingle, kMixed, kTuple };

std::unique_ptr<Series> seriesFor(Made made, uint32_t length, uint16_t pulses) {
  switch (made) {
    case Made::kSingle:
      return std::make_unique<Series>(alphabet(), length, pulses, std::vector<uint16_t>{6},
                                      kSavedLevel, kNoise);
    case Made::kMixed:
      return std::make_unique<Series>(alphabet(), length, pulses,
                                      std::vector<uint16_t>{3, 9, 5, 11, 9, 3}, kSavedLevel,
                                      kNoise);
    case Made::kTuple:
      return std::make_unique<Series>(alphabet(), length, pulses, std::vector<uint16_t>{1}, 100,
                                      kNoise, kTupleA);
  }
  return nullptr;
}

using Search = std::function<int(Series&, SearchWorkspace*)>;

// Times `search` on the series; the workspace lives across the iterations, as in the
// simulation.
void timeSearch(benchmark::State& state, Made made, uint32_t length, uint16_t pulses,
                const Search& search) {
  std::unique_ptr<Series> s = seriesFor(made, length, pulses);
  SearchWorkspace workspace;
  for (auto _ : state) benchmark::DoNotOptimize(search(*s, &workspace));
  if (s->window.messages > 0) state.SkipWithError(s->window.last.c_str());
  state.counters["L"] = length;
  state.counters["M"] = pulses;
  state.SetItemsProcessed(state.iterations());
}

const uint16_t kCount = static_cast<uint16_t>(kAlphabetSize);
const uint16_t* all() { return alphabet().all.data(); }
const PulseHeader* pulses() { return alphabet().pulses; }
const uint16_t kSingle[] = {5};

// The inputs of every search at the defaults: `count` etalons of `list`, tuple A as the
// selected subset and the three tuples as the subset list, every phase.
SearchInputs defaults(uint16_t count, const uint16_t* list, SearchWorkspace* ws) {
  SearchInputs in;
  in.alphabet = pulses();
  in.requiredCount = count;
  in.requiredList = list;
  in.tmin = kTmin;
  in.tmax = kTmax;
  in.procSavedLevel = kSavedLevel;
  in.selectedSubsetSize = static_cast<int32_t>(kTupleA.size());
  in.selectedSubset = kTupleA.data();
  in.subsetProceedingMode = kAllPhases;
  in.subsetCount = 3;
  in.subsetSizes = kTupleSizes;
  in.subsetRows = kTuples;
  in.workspace = ws;
  return in;
}

// The search of `task` on a series of `seriesType`; a failure is shown on the series'
// window.
template <typename Kernels>
int search(Series& s, uint16_t task, uint16_t seriesType, const SearchInputs& in) {
  return shownResult(s.window, runSearch<Kernels>(task, seriesType, in, s.chains, s.header));
}

// ---- Every search at the defaults, fast and plain --------------------------------------

// The plain searches run with storage of their own for each call.
#define VELMORA_SEARCH_PAIR(Name, Made, Task, SeriesType, Count, List)                         \
  void BM_##Name##_Fast(benchmark::State& state) {                                             \
    timeSearch(state, Made, kSeriesLength, defaultPulseCount(kSeriesLength),                   \
               [](Series& s, SearchWorkspace* ws) {                                            \
                 return search<FastKernels>(s, Task, SeriesType, defaults(Count, List, ws));   \
               });                                                                             \
  }                                                                                             \
  void BM_##Name##_Plain(benchmark::State& state) {                                            \
    timeSearch(state, Made, kSeriesLength, defaultPulseCount(kSeriesLength),                   \
               [](Series& s, SearchWorkspace*) {                                               \
                 return search<PlainKernels>(s, Task, SeriesType,                              \
                                             defaults(Count, List, nullptr));                  \
               });                                                                             \
  }                                                                                             \
  BENCHMARK(BM_##Name##_Fast)->Unit(benchmark::kMillisecond);                                  \
  BENCHMARK(BM_##Name##_Plain)->Unit(benchmark::kMillisecond)

VELMORA_SEARCH_PAIR(Recognition, Made::kSingle, kTaskRecognition, kSeriesFixedCutoff, kCount,
                    all());
VELMORA_SEARCH_PAIR(Detection, Made::kSingle, kTaskDetection, kSeriesFixedCutoff, 1, kSingle);
VELMORA_SEARCH_PAIR(Identification, Made::kMixed, kTaskDetection, kSeriesFixedCutoff, kCount,
                    all());
VELMORA_SEARCH_PAIR(TupleDetection, Made::kTuple, kTaskTupleDetection, kSeriesFixedTuples,
                    kCount, all());
VELMORA_SEARCH_PAIR(TupleRecognition, Made::kTuple, kTaskTupleRecognition, kSeriesFixedTuples,
                    kCount, all());
VELMORA_SEARCH_PAIR(UnfixedIdentification, Made::kMixed, kTaskDetection, kSeriesUnfixedCutoff,
                    kCount, all());
VELMORA_SEARCH_PAIR(UnfixedRecognition, Made::kSingle, kTaskRecognition, kSeriesUnfixedCutoff,
                    kCount, all());
VELMORA_SEARCH_PAIR(UnfixedTupleDetection, Made::kTuple, kTaskTupleDetection,
                    kSeriesUnfixedTuples, kCount, all());
VELMORA_SEARCH_PAIR(UnfixedTupleRecognition, Made::kTuple, kTaskTupleRecognition,
                    kSeriesUnfixedTuples, kCount, all());

// ---- Growth ------------------------------------------------------------------------------

// Fast recognition over series lengths, each with the application's pulse count for it.
// The cells of the chain table (pulses times window widths) are reported with the time.
int64_t chainCells(const SeriesHeader& h) {
  int64_t cells = 0;
  const int32_t last = static_cast<int32_t>(h.dwSeriesSize) - h.wImpulseSize;
  for (int j = 0; j < h.wImpulseQuantity; ++j) {
    const int32_t lo = std::max<int32_t>(h.lpMinPositions[j], 0);
    const int32_t hi = std::min<int32_t>(h.lpMaxPositions[j], last);
    if (hi >= lo) cells += hi - lo + 1;
  }
  return cells;
}

void timeRecognition(benchmark::State& state, uint32_t length, uint16_t count, bool plain) {
  std::unique_ptr<Series> s = seriesFor(Made::kSingle, length, count);
  SearchWorkspace workspace;
  for (auto _ : state) {
    if (plain)
      benchmark::DoNotOptimize(search<PlainKernels>(*s, kTaskRecognition, kSeriesFixedCutoff,
                                                    defaults(kCount, all(), nullptr)));
    else
      benchmark::DoNotOptimize(search<FastKernels>(*s, kTaskRecognition, kSeriesFixedCutoff,
                                                   defaults(kCount, all(), &workspace)));
  }
  const double cells = static_cast<double>(chainCells(*s->header));
  state.counters["M"] = count;
  state.counters["cells"] = cells;
  // Time per (etalon, chain cell) and per (etalon, series position).
  state.counters["per_cell"] = benchmark::Counter(cells * kCount, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["per_position"] = benchmark::Counter(double(length) * kCount, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_RecognitionByLength(benchmark::State& state) {
  const uint32_t length = static_cast<uint32_t>(state.range(0));
  timeRecognition(state, length, defaultPulseCount(length), false);
}
BENCHMARK(BM_RecognitionByLength)
    ->Arg(200)->Arg(600)->Arg(1200)->Arg(4800)->Arg(19200)
    ->Unit(benchmark::kMillisecond);

void BM_RecognitionByLengthPlain(benchmark::State& state) {
  const uint32_t length = static_cast<uint32_t>(state.range(0));
  timeRecognition(state, length, defaultPulseCount(length), true);
}
BENCHMARK(BM_RecognitionByLengthPlain)->Arg(200)->Arg(600)->Arg(1200)->Unit(benchmark::kMillisecond);

void BM_RecognitionByPulses(benchmark::State& state) {
  timeRecognition(state, kSeriesLength, static_cast<uint16_t>(state.range(0)), false);
}
BENCHMARK(BM_RecognitionByPulses)
    ->Arg(6)->Arg(12)->Arg(18)->Arg(24)->Arg(30)
    ->Unit(benchmark::kMillisecond);

// The unfixed-count search keeps one chain row whatever the pulse count: its cost grows
// with the series length alone.
void BM_UnfixedByLength(benchmark::State& state) {
  const uint32_t length = static_cast<uint32_t>(state.range(0));
  std::unique_ptr<Series> s = seriesFor(Made::kMixed, length, defaultPulseCount(length));
  SearchWorkspace workspace;
  for (auto _ : state)
    benchmark::DoNotOptimize(search<FastKernels>(*s, kTaskDetection, kSeriesUnfixedCutoff,
                                                 defaults(kCount, all(), &workspace)));
  state.counters["per_position"] = benchmark::Counter(double(length) * kCount, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_UnfixedByLength)
    ->Arg(200)->Arg(600)->Arg(1200)->Arg(4800)->Arg(19200)
    ->Unit(benchmark::kMillisecond);

// Detection on a series with the widest distances (Tmin 1, Tmax L) and the middle pulse
// count, whose chain table (about M x M cells) is kept whole or as checkpoints: the
// price of recomputing the rows during the trace-back. The range is the series length.
void timeWideDetection(benchmark::State& state, bool checkpointed) {
  const uint32_t length = static_cast<uint32_t>(state.range(0));
  const uint16_t tmin = 1, tmax = static_cast<uint16_t>(length);
  QuietWindow window;
  resetRandomStates();
  SeriesHeader* header = getCutOffSeriesHeader(window, kAlphabetSize, kPulseLength, tmin, tmax,
                                               length, nullptr);
  const uint16_t count =
      static_cast<uint16_t>((int32_t{header->wMinPulses} + header->wMaxPulses) / 2);
  std::vector<uint16_t> sequence(std::max(header->wMaxPulses, count), kSingle[0]);
  header = getCutOffSeries(window, kAlphabetSize, pulses(), kPulseLength, tmin, tmax, length,
                           count, sequence.data(), kPulseAmplitude, kSavedLevel, header);
  uint16_t noiseState = kInitialNoiseSeed;
  addNoise(kNoise, kPulseAmplitude, header, noiseState);
  SearchWorkspace workspace;
  workspace.fixed.pass.setFullTableCells(checkpointed ? 0 : SIZE_MAX);
  SearchInputs in = defaults(1, kSingle, &workspace);
  in.tmin = tmin;
  in.tmax = tmax;
  for (auto _ : state)
    benchmark::DoNotOptimize(shownResult(
        window, runSearch<FastKernels>(kTaskDetection, kSeriesFixedCutoff, in, nullptr, header)));
  if (window.messages > 0) state.SkipWithError(window.last.c_str());
  state.counters["M"] = count;
  state.counters["cells"] = static_cast<double>(chainCells(*header));
  state.counters["MiB"] = static_cast<double>(workspace.fixed.pass.storedCells() *
                                              sizeof(MatchCost)) / (1 << 20);
  freeSeriesHeader(header);
}

void BM_WideDetectionWhole(benchmark::State& state) { timeWideDetection(state, false); }
void BM_WideDetectionCheckpointed(benchmark::State& state) { timeWideDetection(state, true); }
BENCHMARK(BM_WideDetectionWhole)->Arg(2000)->Arg(6000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WideDetectionCheckpointed)->Arg(2000)->Arg(6000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmora::bench
