// A repaint of the results view at 1920 × 1080 on the raster canvas: a series of 32767
// samples (the longest) with its answer, recognition on cut-off pulses, every drawing
// setting on. The graph area is what the window leaves beside its button column.
#include <benchmark/benchmark.h>

#include "bench_support.h"
#include "graphics/raster_canvas.h"
#include "graphics/results_view.h"
#include "model/problem_types.h"
#include "processing/dispatch.h"
#include "processing/search_kernels.h"
#include "processing/search_workspace.h"
#include "shell/window_reporter.h"

namespace velmora::bench {
namespace {

constexpr int32_t kWidth = 1920;
constexpr int32_t kHeight = 1080;

void BM_ResultsViewRepaint(benchmark::State& state) {
  static const Alphabet alphabet;
  const uint32_t length = kMaxSeriesSize;
  Series s(alphabet, length, defaultPulseCount(length), {3, 9, 5, 11, 9, 6}, kSavedLevel, kNoise);
  SearchWorkspace workspace;
  SearchInputs search;
  search.alphabet = alphabet.pulses;
  search.requiredCount = kAlphabetSize;
  search.requiredList = alphabet.all.data();
  search.tmin = kTmin;
  search.tmax = kTmax;
  search.procSavedLevel = kSavedLevel;
  search.workspace = &workspace;
  shownResult(s.window, runSearch<FastKernels>(kTaskRecognition, kSeriesFixedCutoff, search,
                                               s.chains, s.header));
  WindowReporter reporter(s.window);
  addToChainsHeader(reporter, kSeriesFixedCutoff, kTaskRecognition, kSavedLevel, kSavedLevel,
                    s.chains);
  if (s.window.messages > 0) {
    state.SkipWithError(s.window.last.c_str());
    return;
  }

  ResultsViewInputs in;
  in.area = Rect{10, 10, kWidth - 200, kHeight - 11};
  in.etalonList = alphabet.all.data();
  in.etalonCount = kAlphabetSize;
  in.chains = s.chains;
  in.series = s.header;
  RasterCanvas canvas(kWidth, kHeight);
  in.lineHeight = canvas.textMetrics().height + canvas.textMetrics().externalLeading - 1;
  for (auto _ : state) {
    canvas.fillRect(Rect{0, 0, kWidth, kHeight}, kWhite);
    const ResultsViewLayout layout = layoutResultsView(canvas, in);
    drawResultsView(canvas, in, layout);
    benchmark::DoNotOptimize(canvas.image().pixels.data());
  }
  state.counters["L"] = length;
  state.counters["pulses"] = s.header->wImpulseQuantity;
}
BENCHMARK(BM_ResultsViewRepaint)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmora::bench
