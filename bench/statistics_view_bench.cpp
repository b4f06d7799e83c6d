// A repaint of the statistics view at 1920 × 1080 on the raster canvas, after the default
// statistical simulation (recognition on cut-off pulses, L 1200, pulse counts 6..30, noise
// levels 0..140 in steps of 5) and after a tuple recognition simulation on the same grid
// with four pattern tuples, whose pairwise cross-correlations are the view's heaviest step.
// The repaint does not depend on the repeat count, so the simulations run 2 repeats.
#include <benchmark/benchmark.h>

#include <memory>

#include "bench_support.h"
#include "graphics/raster_canvas.h"
#include "graphics/statistics_view.h"
#include "model/problem_types.h"
#include "model/random.h"
#include "model/subset_modes.h"
#include "model/subsets.h"

namespace velmora::bench {
namespace {

constexpr int32_t kWidth = 1920;
constexpr int32_t kHeight = 1080;
constexpr int32_t kRepeats = 2;

// The records a finished simulation leaves.
struct Simulated {
  QuietWindow window;
  SeriesHeader* series = nullptr;
  RestErrorHeader* errors = nullptr;
  int result = 0;

  explicit Simulated(const Alphabet& alphabet, bool tuples) {
    resetRandomStates();
    series = getCutOffSeriesHeader(window, kAlphabetSize, kPulseLength, kTmin, kTmax,
                                   kSeriesLength, nullptr);
    const uint16_t seriesType = tuples ? kSeriesFixedTuples : kSeriesFixedCutoff;
    const uint16_t taskType = tuples ? kTaskTupleRecognition : kTaskRecognition;
    const uint16_t saved = tuples ? 100 : kSavedLevel;
    if (tuples) {
      const std::vector<std::vector<int32_t>> patterns = {
          {1, 2, 3}, {4, 5, 6, 7}, {8, 9, 10}, {11, 12, 13, 14}};
      std::vector<int32_t> sizes;
      std::vector<const int32_t*> rows;
      for (const auto& p : patterns) {
        sizes.push_back(static_cast<int32_t>(p.size()));
        rows.push_back(p.data());
      }
      addSomeSelectedSubsetToSeriesHeader(window, sizes.data(), rows.data(), 4, 10, 10, 1,
                                          kSubsetComplete, 1, series);
    }
    const uint16_t least = series->wMinPulses;
    const uint16_t counts = static_cast<uint16_t>(series->wMaxPulses - least + 1);
    errors = getRestErrHeader(window, counts, 29, kRepeats, nullptr);
    initRestErrHeader(window, counts, static_cast<int16_t>(least), 1, 29, 0, 5, kRepeats, errors);
    SimulationContext context;
    context.noiseSeed = kInitialNoiseSeed;
    context.clock = [] { return 0; };
    result = statCutoffPinpoint(window, errors, kAlphabetSize, alphabet.pulses,
                                static_cast<uint16_t>(alphabet.all.size()), alphabet.all.data(),
                                seriesType, taskType, saved, saved, series, context);
  }
  ~Simulated() {
    freeRestErrHeader(errors);
    freeSeriesHeader(series);
  }
};

void repaint(benchmark::State& state, bool tuples, uint32_t mode) {
  static const Alphabet alphabet;
  static const std::unique_ptr<Simulated> plain = std::make_unique<Simulated>(alphabet, false);
  static const std::unique_ptr<Simulated> tuple = std::make_unique<Simulated>(alphabet, true);
  const Simulated& sim = tuples ? *tuple : *plain;
  if (sim.result != 1) {
    state.SkipWithError("the simulation did not complete");
    return;
  }
  StatisticsViewInputs in;
  in.area = Rect{10, 10, kWidth - 200, kHeight - 11};
  in.amplitude = kPulseAmplitude;
  in.graphMode = mode;
  in.etalonList = alphabet.all.data();
  in.etalonCount = kAlphabetSize;
  in.errors = sim.errors;
  in.series = sim.series;
  in.startTime = 1700000000;
  in.endTime = 1700003725;
  RasterCanvas canvas(kWidth, kHeight);
  in.lineHeight = canvas.textMetrics().height + canvas.textMetrics().externalLeading - 1;
  for (auto _ : state) {
    canvas.fillRect(Rect{0, 0, kWidth, kHeight}, kWhite);
    const StatisticsViewLayout layout = layoutStatisticsView(canvas, in);
    drawStatisticsView(canvas, in, layout);
    benchmark::DoNotOptimize(canvas.image().pixels.data());
  }
  state.counters["P"] = sim.errors->wVariousPulses;
  state.counters["V"] = sim.errors->wNoiseLevels;
}

void BM_StatisticsViewRepaint(benchmark::State& state) {
  repaint(state, false, kGraphRestoredComponentwise);
}
BENCHMARK(BM_StatisticsViewRepaint)->Unit(benchmark::kMillisecond);

void BM_StatisticsViewRepaintDetection(benchmark::State& state) {
  repaint(state, false, kGraphDetectionComponentwise);
}
BENCHMARK(BM_StatisticsViewRepaintDetection)->Unit(benchmark::kMillisecond);

void BM_StatisticsViewRepaintTuplesWithBounds(benchmark::State& state) {
  repaint(state, true, kGraphRecognitionComponentwiseBounds);
}
BENCHMARK(BM_StatisticsViewRepaintTuplesWithBounds)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmora::bench
