// The main window at 1920 × 1080 on the raster canvas: a full paint of the alphabet view
// (the layout, the twenty etalon cells, the button faces and the three selectors), and a
// PCX snapshot of that picture written as a file (encoded and written through the atomic
// writer), as " Save image as..." does.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "bench_support.h"
#include "export/image_files.h"
#include "graphics/raster_canvas.h"
#include "shell/app_state.h"
#include "shell/paint.h"

namespace velmora::bench {
namespace {

constexpr int32_t kWidth = 1920;
constexpr int32_t kHeight = 1080;

struct StartedWindow {
  QuietWindow window;
  AppState state;
  StartedWindow() { startUp(window, state); }
  ~StartedWindow() { shutDown(window, state); }
};

void BM_AlphabetViewPaint(benchmark::State& bm) {
  StartedWindow w;
  if (!w.state.running) {
    bm.SkipWithError("start-up failed");
    return;
  }
  RasterCanvas canvas(kWidth, kHeight);
  const Rect client{0, 0, kWidth, kHeight};
  for (auto _ : bm) {
    canvas.fillRect(client, kWindowBackground);
    paint(canvas, w.window, w.state, client);
    benchmark::DoNotOptimize(canvas.image().pixels.data());
  }
}
BENCHMARK(BM_AlphabetViewPaint)->Unit(benchmark::kMillisecond);

void BM_AlphabetViewPcxSnapshot(benchmark::State& bm) {
  StartedWindow w;
  RasterCanvas canvas(kWidth, kHeight);
  paint(canvas, w.window, w.state, Rect{0, 0, kWidth, kHeight});
  const std::string path = "/tmp/velmora-window-bench-" + std::to_string(::getpid()) + ".pcx";
  for (auto _ : bm) {
    const ImageFileResult r = writePcxFile(path, canvas.image());
    if (!r.ok()) {
      bm.SkipWithError(r.message.c_str());
      break;
    }
  }
  std::remove(path.c_str());
}
BENCHMARK(BM_AlphabetViewPcxSnapshot)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmora::bench
