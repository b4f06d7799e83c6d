// velmora-cli render as a process: the picture in every format against the window's own
// paint, the order of the mouse events, and what it refuses.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "export/bmp.h"
#include "export/pcx.h"
#include "export/png.h"
#include "graphics/raster_canvas.h"
#include "graphics/svg_canvas.h"
#include "shell/app_state.h"
#include "shell/mouse.h"
#include "shell/paint.h"
#include "support/fake_window.h"
#include "tool_runner.h"

namespace velmora::testing {
namespace {

namespace fs = std::filesystem;

class Render : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/velmora-render-test-XXXXXX";
    dir_ = mkdtemp(name);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string file(const std::string& name) const { return (dir_ / name).string(); }
  static std::string bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static std::vector<uint8_t> data(const std::string& path) {
    const std::string b = bytes(path);
    return {b.begin(), b.end()};
  }
  // Renders with `args` into `out` and expects success with nothing printed.
  void render(std::vector<std::string> args, const std::string& out) {
    args.insert(args.begin(), "render");
    args.push_back("--out");
    args.push_back(out);
    const ToolResult r = runTool(args);
    ASSERT_EQ(r.exitCode, 0) << commandLine(args) << "\n" << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
  }

  fs::path dir_;
};

// The window of a fresh start-up, painted as the window paints it.
struct Window1280 {
  FakeWindow window;
  AppState state;
  RasterCanvas canvas{1280, 800};
  Window1280() { startUp(window, state); }
  ~Window1280() { shutDown(window, state); }
  const Image& paintFresh() {
    canvas.fillRect(Rect{0, 0, 1280, 800}, kWhite);
    paint(canvas, window, state, Rect{0, 0, 1280, 800});
    return canvas.image();
  }
};

TEST_F(Render, EveryFormatShowsTheWindowsOwnPaintTheSameOnEveryRun) {
  Window1280 w;
  const Image expected = w.paintFresh();
  SvgCanvas svg(1280, 800);
  paint(svg, w.window, w.state, Rect{0, 0, 1280, 800});

  for (const char* ext : {"png", "bmp", "pcx", "svg"}) {
    const std::string first = file(std::string("a.") + ext), second = file(std::string("b.") + ext);
    render({"--view", "alphabet"}, first);
    render({"--view", "alphabet"}, second);
    EXPECT_EQ(bytes(first), bytes(second)) << ext;
  }
  const Image png = readPng(file("a.png"));
  EXPECT_EQ(png.width, 1280);
  EXPECT_EQ(png.height, 800);
  EXPECT_TRUE(png.pixels == expected.pixels);
  EXPECT_TRUE(data(file("a.bmp")) == encodeBmp(expected));
  EXPECT_TRUE(data(file("a.pcx")) == encodePcx(expected));
  EXPECT_EQ(bytes(file("a.svg")), svg.document());
}

// For a high-density screen the picture has ratio × the client's pixels, drawn as the
// window draws at that ratio; the clicks stay in client pixels.
TEST_F(Render, RatioDrawsTheWindowOfAHighDensityScreen) {
  render({"--ratio", "1.5", "--click", "100,100"}, file("dense.png"));
  FakeWindow window;
  AppState state;
  startUp(window, state);
  state.etalons.requiredFlags[0] = 0;
  --state.etalons.wRequiredCount;
  RasterCanvas canvas(1280, 800, kDefaultWindowFontHeight, 1.5);
  paint(canvas, window, state, Rect{0, 0, 1280, 800});
  const Image dense = readPng(file("dense.png"));
  EXPECT_EQ(dense.width, 1920);
  EXPECT_EQ(dense.height, 1200);
  EXPECT_TRUE(dense.pixels == canvas.image().pixels);
  shutDown(window, state);
}

TEST_F(Render, MouseEventsRunInTheOrderGivenWithRepaintsBetween) {
  // Cell 1 is at (20, 20); the all/none button at (1126, 674), the Start slot below it.
  const std::string cell = "100,100", allNone = "1190,690", start = "1190,732";
  render({"--click", allNone, "--click", start}, file("cleared.png"));
  Window1280 w;
  for (uint16_t& flag : w.state.etalons.requiredFlags) flag = 0;
  w.state.etalons.wRequiredCount = 0;
  EXPECT_TRUE(readPng(file("cleared.png")).pixels == w.paintFresh().pixels);

  // A press and release in place as a drag; --click and --drag keep their order.
  render({"--click", allNone, "--drag", cell + "," + cell}, file("one.png"));
  render({"--drag", cell + "," + cell, "--click", allNone}, file("none.png"));
  w.state.etalons.requiredFlags[0] = 1;
  EXPECT_TRUE(readPng(file("one.png")).pixels == w.paintFresh().pixels);
  w.state.etalons.requiredFlags[0] = 0;
  w.paintFresh();  // the all/none face follows the flags
  EXPECT_TRUE(readPng(file("none.png")).pixels == w.canvas.image().pixels);
}

TEST_F(Render, RefusesWhatItCannotDraw) {
  const struct {
    std::vector<std::string> args;
    const char* message;
  } usage[] = {
      {{"--size", "0x600"}, "each side must be 1..16384"},
      {{"--size", "16385x10"}, "each side must be 1..16384"},
      {{"--size", "800"}, "is not WxH"},
      {{"--ratio", "0.5"}, "is not a number from 1 to 8"},
      {{"--ratio", "2x"}, "is not a number from 1 to 8"},
      {{"--size", "9000x10", "--ratio", "2"}, "would exceed 16384 pixels a side"},
      {{"--click", "1280,5"}, "outside the 1280x800 client area"},
      {{"--drag", "1,2,3"}, "is not X1,Y1,X2,Y2"},
      {{"--view", "map"}, "unknown view"},
      {{"--drawing", "tuples=3"}, "outside 0..2"},
      {{"--drawing", "colour=1"}, "unknown key"},
      {{"--graph", "restoring"}, "only with --view statistics"},
      {{"--view", "statistics", "--task", "detection", "--graph", "recognition"},
       "recognition task only"},
  };
  for (const auto& u : usage) {
    std::vector<std::string> args{"render"};
    args.insert(args.end(), u.args.begin(), u.args.end());
    args.insert(args.end(), {"--out", file("x.png")});
    const ToolResult r = runTool(args);
    EXPECT_EQ(r.exitCode, 2) << commandLine(args);
    EXPECT_NE(r.err.find(u.message), std::string::npos) << commandLine(args) << "\n" << r.err;
  }
  const ToolResult jpg = runTool({"render", "--out", file("x.jpg")});
  EXPECT_EQ(jpg.exitCode, 2);

  // Exit closes the window: no picture.
  const ToolResult exit = runTool({"render", "--click", "1190,774", "--out", file("x.png")});
  EXPECT_EQ(exit.exitCode, 1);
  EXPECT_NE(exit.err.find("closed the window"), std::string::npos) << exit.err;
  EXPECT_TRUE(fs::is_empty(dir_));
}

TEST_F(Render, TheStatisticsViewShowsASimulationTheSameOnEveryRun) {
  const std::vector<std::string> args{"--view",        "statistics", "--from",  "6",
                                      "--to",          "7",          "--repeats", "2",
                                      "--noise-steps", "2",          "--graph", "detection",
                                      "--graph-view",  "summary"};
  render(args, file("a.png"));
  render(args, file("b.png"));
  EXPECT_EQ(bytes(file("a.png")), bytes(file("b.png")));
}

}  // namespace
}  // namespace velmora::testing
