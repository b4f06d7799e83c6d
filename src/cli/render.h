// velmora-cli render: the main window's picture after the commands, settings and mouse
// events of the options, written as a PNG, BMP, PCX or SVG file.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/options.h"
#include "cli/scripted_window.h"
#include "shell/app_state.h"
#include "shell/snapshot.h"

namespace velmora::cli {

inline constexpr int32_t kDefaultRenderWidth = 1280;
inline constexpr int32_t kDefaultRenderHeight = 800;
// A drag is delivered as mouse moves at most this many pixels apart.
inline constexpr int32_t kDragStep = 4;
// The simulation's time stamps unless --clock gives others, so that pictures of the
// statistics view are the same on every run.
inline constexpr int64_t kRenderClock = 0;

// The options as typed. `length` is the series-length selector, except with --view
// statistics, where it is the simulation's "Samples Length" as for simulate.
struct RenderOptions {
  ProblemOptions problem;
  std::optional<std::string> length, noise, lost, create;
  std::string next = "0";
  std::string same = "0";
  // The simulation's dialog values (--view statistics only).
  std::optional<std::string> tmin, tmax, etalon, saved, procSaved;
  std::optional<std::string> from, to, incr, noiseInitial, noiseSteps, noiseStep, repeats;
  std::optional<std::string> clock, threads;
  // The statistics display dialog (--view statistics only).
  std::optional<std::string> graph, graphView, bounds, upperBound;
  std::optional<std::string> view, drawing, size, ratio, out;
  // (option, value) of every --click and --drag, in the order given.
  std::vector<std::pair<std::string, std::string>> events;
};

enum class RenderView { kAsLeft, kAlphabet, kResults, kSubsets, kParams, kStatistics };

struct MouseEvent {
  bool drag = false;
  int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // a click has only (x1, y1)
  std::string given;                        // as typed, for messages
};

// Values for dialog 112 ("Drawing settings"); absent ones stay as they are.
struct DrawingChoice {
  std::optional<bool> frame, shaded, highlight, special;
  std::optional<int> tuples;  // 0 none, 1 dotted frame, 2 coloured background
  bool any() const { return frame || shaded || highlight || special || tuples; }
};

// Values for the statistics display dialog (113, or 114 for recognition).
struct StatisticsChoice {
  std::optional<int> handling;  // 1 restoring, 2 detection, 3 recognition error
  std::optional<int> viewCase;  // 1 componentwise, 2 summary
  std::optional<bool> bounds;   // "bounds incl." (114 only)
  std::optional<std::string> upperBound;  // sets "fixed upper bound" with this value
};

struct RenderPlan {
  RunPlan run;  // problem, selectors, " Create series... ", --next, --same
  RenderView view = RenderView::kAsLeft;
  SimulatePlan simulation;  // its dialog values, clock and threads (statistics only)
  StatisticsChoice statistics;
  DrawingChoice drawing;
  int32_t width = kDefaultRenderWidth;
  int32_t height = kDefaultRenderHeight;
  // The device pixel ratio of the screen drawn for: the picture has this many pixels per
  // client pixel, drawn as the window draws on such a screen.
  double ratio = 1.0;
  std::vector<MouseEvent> events;
  std::string out;
  SnapshotFormat format = SnapshotFormat::kNone;
  // When set, the picture is kept here instead of written to `out`.
  Image* picture = nullptr;
};

// Checks the options; every value the tool cannot use is a UsageError.
RenderPlan checkRenderOptions(const RenderOptions& options);

// Shows `view`, delivers the mouse events with a repaint after each one that asked for
// it, and writes the picture to plan.out. The problem and the runs are set up already.
// Returns the exit status; failures are reported on `err`.
int renderPicture(ScriptedWindow& window, AppState& state, const RenderPlan& plan,
                  std::ostream& err);

}  // namespace velmora::cli
