// The raster and SVG canvases on text-heavy content: a full 1920 × 1080 surface of labels
// in the window font with a few other sizes and the symbol font (the glyph cache warm, as
// after the first paint), and a page of short lines such as the series curves draw.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "graphics/raster_canvas.h"
#include "graphics/svg_canvas.h"

namespace velmora::bench {
namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

void drawLabels(Canvas& c) {
  const int lineHeight = c.textMetrics().height;
  char text[96];
  for (int row = 0, y = 4; y + lineHeight < kHeight; ++row, y += lineHeight) {
    c.setFont(FontSpec{row % 7 == 3 ? 18 : 0, row % 5 == 1 ? 700 : 400, row % 11 == 6});
    for (int x = 4; x < kWidth - 300; x += 320) {
      std::snprintf(text, sizeof text, " series length: %d  noise %3d%% ", row * 37 + x, row % 100);
      c.textOut(x, y, text);
    }
  }
  c.setFont(FontSpec{});
}

void drawCurves(Canvas& c) {
  for (int curve = 0; curve < 40; ++curve) {
    c.moveTo(0, 20 + curve * 26);
    for (int x = 3; x < kWidth; x += 3) c.lineTo(x, 20 + curve * 26 + (x * 7919 + curve) % 23);
  }
}

void BM_RasterText(benchmark::State& state) {
  for (auto _ : state) {
    RasterCanvas c(kWidth, kHeight);
    drawLabels(c);
    benchmark::DoNotOptimize(c.image().pixels.data());
  }
}
BENCHMARK(BM_RasterText)->Unit(benchmark::kMillisecond);

void BM_RasterLines(benchmark::State& state) {
  for (auto _ : state) {
    RasterCanvas c(kWidth, kHeight);
    drawCurves(c);
    benchmark::DoNotOptimize(c.image().pixels.data());
  }
}
BENCHMARK(BM_RasterLines)->Unit(benchmark::kMillisecond);

void BM_SvgText(benchmark::State& state) {
  for (auto _ : state) {
    SvgCanvas c(kWidth, kHeight);
    drawLabels(c);
    benchmark::DoNotOptimize(c.document().size());
  }
}
BENCHMARK(BM_SvgText)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmora::bench
