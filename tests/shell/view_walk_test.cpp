// Every view of the window for every task type on every series type, painted as the
// window and velmora-cli render paint it, at a large, a small and a degenerate client
// size: nothing may fail or reach outside the client area, and the vector picture of the
// large one is complete. At device pixel ratios 1.25, 1.5 and 2 the large one is the
// same picture scaled.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics/raster_canvas.h"
#include "graphics/svg_canvas.h"
#include "shell/app_state.h"
#include "shell/commands.h"
#include "shell/dialogs.h"
#include "shell/paint.h"
#include "shell/scripting.h"
#include "support/fake_window.h"

namespace velmora::testing {
namespace {

// The raster canvas with the real font, refusing to let any drawing call reach beyond
// the surface (its right and bottom edges included, as lines and boxes exclude them).
class ClientCheckCanvas : public RasterCanvas {
 public:
  ClientCheckCanvas(int32_t w, int32_t h) : RasterCanvas(w, h) {}

  Point moveTo(int32_t x, int32_t y) override {
    position_ = {x, y};
    return RasterCanvas::moveTo(x, y);
  }
  void lineTo(int32_t x, int32_t y) override {
    check("line", position_.x, position_.y, x, y);
    position_ = {x, y};
    RasterCanvas::lineTo(x, y);
  }
  void rectangle(int32_t l, int32_t t, int32_t r, int32_t b) override {
    check("rectangle", l, t, r, b);
    RasterCanvas::rectangle(l, t, r, b);
  }
  void ellipse(int32_t l, int32_t t, int32_t r, int32_t b) override {
    check("ellipse", l, t, r, b);
    RasterCanvas::ellipse(l, t, r, b);
  }
  void fillRect(const Rect& r, Color c) override {
    check("fill", r.left, r.top, r.right, r.bottom);
    RasterCanvas::fillRect(r, c);
  }
  void setPixel(int32_t x, int32_t y, Color c) override {
    check("pixel", x, y, x + 1, y + 1);
    RasterCanvas::setPixel(x, y, c);
  }
  void textOut(int32_t x, int32_t y, const std::string& text) override {
    const Size s = textExtent(text);
    check("text '" + text + "'", x, y, x + s.cx, y + s.cy);
    texts += text + "\n";
    RasterCanvas::textOut(x, y, text);
  }
  void drawImage(int32_t x, int32_t y, const Image& image) override {
    check("image", x, y, x + image.width, y + image.height);
    RasterCanvas::drawImage(x, y, image);
  }

  int outside = 0;
  std::string first;
  std::string texts;  // every text drawn, one a line  // the first call that reached outside

 private:
  void check(const std::string& what, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    if (std::min(x1, x2) >= 0 && std::min(y1, y2) >= 0 && std::max(x1, x2) <= width() &&
        std::max(y1, y2) <= height())
      return;
    if (outside++ == 0)
      first = what + " (" + std::to_string(x1) + "," + std::to_string(y1) + ")-(" +
              std::to_string(x2) + "," + std::to_string(y2) + ")";
  }
  Point position_;
};

// Draws shapes only: a text leaves its opaque background box, an image a box of one
// colour. Such a picture at any pixel ratio is the picture at ratio 1 scaled exactly.
class ShapesCanvas : public RasterCanvas {
 public:
  ShapesCanvas(int32_t w, int32_t h, double ratio)
      : RasterCanvas(w, h, kDefaultWindowFontHeight, ratio) {}

  void textOut(int32_t x, int32_t y, const std::string& text) override {
    const Size s = textExtent(text);
    texts += std::to_string(x) + "," + std::to_string(y) + " " + text + "\n";
    if (backgroundMode() == BackgroundMode::kOpaque)
      RasterCanvas::fillRect(Rect{x, y, x + s.cx, y + s.cy}, backgroundColor());
  }
  void drawImage(int32_t x, int32_t y, const Image& image) override {
    RasterCanvas::fillRect(Rect{x, y, x + image.width, y + image.height}, Color{1, 2, 3});
  }

  std::string texts;  // every text with its place, one a line
};

// Where `scaled` (at ratio/1000) differs from `plain` (ratio 1) blown up pixel by pixel;
// empty when nowhere.
std::string scalingDifference(const Image& plain, const Image& scaled, int32_t milli) {
  std::vector<int32_t> logical(static_cast<size_t>(std::max(scaled.width, scaled.height)), 0);
  for (int32_t v = 0, d = 0; d < static_cast<int32_t>(logical.size()); ++d) {
    while (int64_t{v + 1} * milli / 1000 <= d) ++v;
    logical[d] = v;
  }
  for (int32_t y = 0; y < scaled.height; ++y)
    for (int32_t x = 0; x < scaled.width; ++x)
      if (scaled.at(x, y) != plain.at(logical[x], logical[y]))
        return "device pixel (" + std::to_string(x) + "," + std::to_string(y) + ")";
  return {};
}

struct Named {
  const char* name;
  int command;
};
constexpr Named kSeries[] = {{"fixed-whole", kCmdFixedWhole},     {"fixed-cutoff", kCmdFixedCutoffs},
                             {"unfixed-whole", kCmdUnfixedWhole}, {"unfixed-cutoff", kCmdUnfixedCutoffs},
                             {"fixed-tuples", kCmdFixedTuples},   {"unfixed-tuples", kCmdUnfixedTuples}};
constexpr Named kTasks[] = {{"detection", kCmdDetection},
                            {"recognition", kCmdRecognition},
                            {"joint", kCmdJoint},
                            {"series", kCmdSeriesProcessing}};
constexpr struct {
  int32_t w, h;
} kSizes[] = {{1280, 800}, {320, 200}, {1, 1}};

// A started window showing one problem.
struct Window {
  FakeWindow window;
  AppState state;
  // One surface per size, painted over again as a window's is.
  ClientCheckCanvas canvases[3] = {{kSizes[0].w, kSizes[0].h},
                                   {kSizes[1].w, kSizes[1].h},
                                   {kSizes[2].w, kSizes[2].h}};

  Window(const Named& series, const Named& task) {
    state.hooks.simClock = [] { return 3725; };
    EXPECT_EQ(startUp(window, state), 1);
    handleCommand(window, state, series.command);
    handleCommand(window, state, task.command);
  }
  ~Window() { shutDown(window, state); }

  // Paints the window at every size; at the first size the view shows `text`. With `svg`
  // the first size is drawn as a vector picture as well.
  void paintEverySize(const std::string& what, const std::string& text, bool svg = true) {
    for (const auto& size : kSizes) {
      ClientCheckCanvas& canvas = canvases[&size - kSizes];
      canvas.outside = 0;
      canvas.texts.clear();
      paint(canvas, window, state, Rect{0, 0, size.w, size.h});
      if (&size == &kSizes[0]) {
        EXPECT_NE(canvas.texts.find(text), std::string::npos) << what << ": " << canvas.texts;
      }
      EXPECT_EQ(canvas.outside, 0) << what << " at " << size.w << "x" << size.h << ": "
                                   << canvas.outside << " calls outside, first " << canvas.first;
    }
    if (svg) {
      SvgCanvas vector(kSizes[0].w, kSizes[0].h);
      paint(vector, window, state, Rect{0, 0, kSizes[0].w, kSizes[0].h});
      const std::string document = vector.document();
      EXPECT_EQ(document.substr(document.size() - 7), "</svg>\n") << what;
    }
    EXPECT_TRUE(window.messages.empty()) << what << ": " << window.last().text;
  }

  // At every higher pixel ratio the view draws the same texts at the same places and
  // shapes that are those of ratio 1 scaled.
  void paintEveryRatio(const std::string& what) {
    const Rect client{0, 0, kSizes[0].w, kSizes[0].h};
    ShapesCanvas plain(client.right, client.bottom, 1.0);
    paint(plain, window, state, client);
    for (double ratio : {1.25, 1.5, 2.0}) {
      ShapesCanvas scaled(client.right, client.bottom, ratio);
      paint(scaled, window, state, client);
      EXPECT_EQ(scaled.texts, plain.texts) << what << " at " << ratio;
      EXPECT_EQ(scalingDifference(plain.image(), scaled.image(), pixelRatioMilli(ratio)), "")
          << what << " at " << ratio;
    }
  }

  // A small simulation with the dialogs' answers; the statistics view shows it.
  void simulate() {
    window.dialogAnswers.push_back({kDialogSeriesParameters, kIdOk, {{kIdcSeriesLength, "200"}}, {}});
    window.dialogAnswers.push_back({kDialogSimulation, kIdOk,
                                    {{kIdcSimFrom, "2"},
                                     {kIdcSimTo, "3"},
                                     {kIdcSimNoiseInitial, "0"},
                                     {kIdcSimNoiseSteps, "6"},
                                     {kIdcSimNoiseStep, "20"},
                                     {kIdcSimRepeats, "2"}},
                                    {}});
    window.dialogAnswers.push_back({0, kIdOk, {}, {}});  // the display dialog as it opens
    handleCommand(window, state, kCmdSimulation);
    window.clear();  // the set-up summary
  }
};

TEST(ViewWalk, EveryViewOfEveryProblemDrawsInsideTheClientArea) {
  for (const Named& series : kSeries) {
    for (const Named& task : kTasks) {
      SCOPED_TRACE(std::string(series.name) + " " + task.name);
      Window w(series, task);
      const bool tuples = series.command == kCmdFixedTuples || series.command == kCmdUnfixedTuples;
      // Series processing shows no results on tuple series.
      const std::string results = tuples && task.command == kCmdSeriesProcessing ? "" : "Restore Error ";
      if (tuples) {
        ASSERT_EQ(attachSubsetSelection(w.window, w.state, {3, 5, 8}, {{3, 5, 8}, {12, 4}, {7}}, 2), 1);
      }
      AppState& s = w.state;
      s.view.dwViewMode = kViewAlphabet;
      w.paintEverySize("alphabet", " pulse 20 [");
      w.paintEveryRatio("alphabet");
      ASSERT_TRUE(runProcessingCommand(w.window, s, kCmdProcessNext));
      w.paintEverySize("results", results);
      w.paintEveryRatio("results");
      // The drawing settings' extremes: the special size without frames, every tuple mark.
      for (uint32_t marks : {0u, 1u}) {
        s.drawing.dwTupleHighlighting = marks;
        s.drawing.dwSpecialGraphSize = 1 - marks;
        s.drawing.dwFrameGraphFields = marks;
        w.paintEverySize("results with tuple marks " + std::to_string(marks), results, false);
      }
      handleCommand(w.window, s, kCmdSelectSubset);
      ASSERT_EQ(s.view.dwViewMode, kViewSubsetSelection);
      w.paintEverySize("subsets", " Delete All ");
      w.paintEveryRatio("subsets");
      handleCommand(w.window, s, kCmdViewSeriesParameters);
      ASSERT_EQ(s.view.dwViewMode, kViewSeriesParameters);
      w.paintEverySize("params", " Tmin = ");
      w.paintEveryRatio("params");

      w.simulate();
      ASSERT_EQ(s.view.wResultKind, kResultSimulation);
      ASSERT_EQ(s.view.dwViewMode, kViewResults);
      for (uint32_t mode : {0u, 1u, 2u, 3u, 4u, 5u, 12u, 13u}) {
        s.statistics.dwGraphMode = mode;
        w.paintEverySize("statistics mode " + std::to_string(mode), "etEnergy=", mode == 13);
        if (mode == 0 || mode == 13) w.paintEveryRatio("statistics mode " + std::to_string(mode));
      }
      s.statistics.dwFixedUpperBound = 1;
      s.statistics.upperBound = 0.0004;
      w.paintEverySize("statistics with a fixed bound below 0.001", "0.000", false);
    }
  }
}

}  // namespace
}  // namespace velmora::testing
