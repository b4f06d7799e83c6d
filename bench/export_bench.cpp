// Snapshots of a 1920 × 1080 window picture: BMP, PCX and PNG, encoded in memory and
// written as files (through the atomic writer: temporary file, flush to disk, rename).
// The picture has what the window shows: a button column, a grid of etalon cells with
// their curves and labels, value selectors and text, on the white background.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "export/bmp.h"
#include "export/image_files.h"
#include "export/pcx.h"
#include "export/png.h"
#include "graphics/raster_canvas.h"

namespace velmora::bench {
namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

Image windowPicture() {
  RasterCanvas c(kWidth, kHeight);
  char text[64];
  // The button column.
  for (int b = 0; b < 5; ++b) {
    c.setBrush(Brush{rgb(192, 192, 192), false});
    c.rectangle(8, 8 + b * 40, 152, 40 + b * 40);
    std::snprintf(text, sizeof text, "Button %d", b + 1);
    c.setBackgroundMode(BackgroundMode::kTransparent);
    c.textOut(40, 16 + b * 40, text);
  }
  // Twenty etalon cells with a curve each.
  c.setBrush(Brush{kWhite, true});
  for (int cell = 0; cell < 20; ++cell) {
    const int left = 180 + (cell % 5) * 340, top = 60 + (cell / 5) * 230;
    c.setPen(Pen{kBlack, PenStyle::kSolid, 1});
    c.rectangle(left, top, left + 320, top + 210);
    std::snprintf(text, sizeof text, "Etalon %2d  energy %d", cell + 1, 4000 + cell * 37);
    c.textOut(left + 6, top + 4, text);
    c.setPen(Pen{rgb(0, 0, 200), PenStyle::kSolid, 1});
    c.moveTo(left + 10, top + 120);
    for (int k = 1; k < 20; ++k) c.lineTo(left + 10 + k * 16, top + 120 - ((k * 7919 + cell * 31) % 160 - 80));
    c.setPen(Pen{rgb(128, 128, 128), PenStyle::kDot, 1});
    c.moveTo(left + 10, top + 120);
    c.lineTo(left + 310, top + 120);
  }
  // Value selectors along the bottom.
  c.setPen(Pen{});
  for (int row = 0; row < 3; ++row)
    for (int k = 0; k < 40; ++k) {
      const int left = 180 + k * 42, top = 990 + row * 28;
      c.rectangle(left, top, left + 40, top + 26);
      std::snprintf(text, sizeof text, "%d", (k + 1) * (row + 1) * 5);
      c.textOut(left + 6, top + 5, text);
    }
  c.textOut(8, 260, "Recognition, fixed number of cut-off pulses");
  return c.takeImage();
}

const Image& picture() {
  static const Image image = windowPicture();
  return image;
}

std::string temporaryName(const char* extension) {
  return "/tmp/velmora-export-bench-" + std::to_string(::getpid()) + extension;
}

void BM_PcxEncode(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(encodePcx(picture()));
}
void BM_BmpEncode(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(encodeBmp(picture()));
}
void BM_PngEncode(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(encodePng(picture()));
}

template <ImageFileResult (*Write)(const std::string&, const Image&)>
void writeFile(benchmark::State& state, const char* extension) {
  const std::string path = temporaryName(extension);
  for (auto _ : state)
    if (!Write(path, picture()).ok()) state.SkipWithError("the file could not be written");
  std::remove(path.c_str());
}
ImageFileResult writePcx(const std::string& path, const Image& image) {
  return writePcxFile(path, image);
}
void BM_PcxSnapshotFile(benchmark::State& state) { writeFile<writePcx>(state, ".pcx"); }
void BM_BmpSnapshotFile(benchmark::State& state) { writeFile<writeBmpFile>(state, ".bmp"); }
void BM_PngSnapshotFile(benchmark::State& state) { writeFile<writePngFile>(state, ".png"); }

BENCHMARK(BM_PcxEncode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PcxSnapshotFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BmpEncode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BmpSnapshotFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngEncode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PngSnapshotFile)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmora::bench
