#include "cli/render.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#include "cli/progress.h"
#include "graphics/raster_canvas.h"
#include "graphics/svg_canvas.h"
#include "shell/commands.h"
#include "shell/dialogs.h"
#include "shell/mouse.h"
#include "shell/paint.h"

namespace velmora::cli {

namespace {

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    const size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end - start));
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

RenderView viewOf(const std::string& name) {
  if (name == "alphabet") return RenderView::kAlphabet;
  if (name == "results") return RenderView::kResults;
  if (name == "subsets") return RenderView::kSubsets;
  if (name == "params") return RenderView::kParams;
  if (name == "statistics") return RenderView::kStatistics;
  throw UsageError("--view: unknown view '" + echoed(name) +
                   "' (expected alphabet, results, subsets, params or statistics)");
}

void parseSize(const std::string& text, RenderPlan& plan) {
  const size_t x = text.find('x');
  if (x == std::string::npos) throw UsageError("--size: '" + echoed(text) + "' is not WxH");
  const int64_t w = parseInteger("--size", text.substr(0, x));
  const int64_t h = parseInteger("--size", text.substr(x + 1));
  if (w < 1 || h < 1 || w > kMaxCanvasSize || h > kMaxCanvasSize)
    throw UsageError("--size: a client area of " + echoed(text) +
                     " cannot be drawn: each side must be 1.." + std::to_string(kMaxCanvasSize) +
                     " pixels");
  plan.width = static_cast<int32_t>(w);
  plan.height = static_cast<int32_t>(h);
}

void parseRatio(const std::string& text, RenderPlan& plan) {
  char* end = nullptr;
  const double r = std::strtod(text.c_str(), &end);
  if (text.empty() || end != text.c_str() + text.size() || !(r >= 1.0 && r <= 8.0))
    throw UsageError("--ratio: '" + echoed(text) + "' is not a number from 1 to 8");
  const int64_t milli = pixelRatioMilli(r);
  if (int64_t{plan.width} * milli / 1000 > kMaxCanvasSize ||
      int64_t{plan.height} * milli / 1000 > kMaxCanvasSize)
    throw UsageError("--ratio: a picture of " + std::to_string(plan.width) + "x" +
                     std::to_string(plan.height) + " at ratio " + echoed(text) +
                     " would exceed " + std::to_string(kMaxCanvasSize) + " pixels a side");
  plan.ratio = r;
}

DrawingChoice parseDrawing(const std::string& text) {
  DrawingChoice d;
  for (const std::string& item : split(text, ',')) {
    const size_t eq = item.find('=');
    if (eq == std::string::npos)
      throw UsageError("--drawing: '" + echoed(item) + "' is not key=value");
    const std::string key = item.substr(0, eq), value = item.substr(eq + 1);
    const std::string option = "--drawing " + key;
    std::optional<bool>* flag = key == "frame"       ? &d.frame
                                : key == "shaded"    ? &d.shaded
                                : key == "highlight" ? &d.highlight
                                : key == "special"   ? &d.special
                                                     : nullptr;
    if (flag) {
      if (flag->has_value()) throw UsageError("--drawing: key '" + echoed(key) + "' given twice");
      *flag = parseIntegerIn(option, value, 0, 1) == 1;
    } else if (key == "tuples") {
      if (d.tuples) throw UsageError("--drawing: key 'tuples' given twice");
      d.tuples = static_cast<int>(parseIntegerIn(option, value, 0, 2));
    } else {
      throw UsageError("--drawing: unknown key '" + echoed(key) +
                       "' (expected frame, shaded, highlight, special or tuples)");
    }
  }
  return d;
}

MouseEvent parseEvent(const std::string& option, const std::string& text, const RenderPlan& plan) {
  const bool drag = option == "--drag";
  const std::vector<std::string> parts = split(text, ',');
  if (parts.size() != (drag ? 4u : 2u))
    throw UsageError(option + ": '" + echoed(text) + "' is not " + (drag ? "X1,Y1,X2,Y2" : "X,Y"));
  int32_t v[4] = {0, 0, 0, 0};
  for (size_t k = 0; k < parts.size(); ++k) {
    const int64_t limit = (k % 2 == 0 ? plan.width : plan.height) - 1;
    const int64_t value = parseInteger(option, parts[k]);
    if (value < 0 || value > limit)
      throw UsageError(option + ": " + echoed(text) + " lies outside the " +
                       std::to_string(plan.width) + "x" + std::to_string(plan.height) +
                       " client area");
    v[k] = static_cast<int32_t>(value);
  }
  MouseEvent e;
  e.drag = drag;
  e.x1 = v[0];
  e.y1 = v[1];
  e.x2 = drag ? v[2] : v[0];
  e.y2 = drag ? v[3] : v[1];
  e.given = option + " " + text;
  return e;
}

// The persistent picture of the window: repaints erase what they were asked to and then
// paint the client area over it, as a window's paint does.
class Screen {
 public:
  Screen(ScriptedWindow& window, AppState& state, int32_t width, int32_t height, double ratio)
      : window_(window),
        state_(state),
        canvas_(width, height, kDefaultWindowFontHeight, ratio),
        client_{0, 0, width, height} {}

  void paintAll() {
    window_.takeInvalidations();
    canvas_.fillRect(client_, kWindowBackground);
    paint(canvas_, window_, state_, client_);
  }

  // Paints when something asked for it since the last paint.
  void repaintIfAsked() {
    const std::vector<ScriptedWindow::Invalidation> asked = window_.takeInvalidations();
    if (asked.empty()) return;
    for (const auto& inv : asked) {
      if (!inv.erase) continue;
      // Repaint rectangles exclude their right and bottom edges.
      canvas_.fillRect(inv.whole ? client_ : inv.rect, kWindowBackground);
    }
    paint(canvas_, window_, state_, client_);
  }

  const Image& image() const { return canvas_.image(); }

  std::string svg() {
    SvgCanvas svg(client_.right, client_.bottom);
    paint(svg, window_, state_, client_);
    return svg.document();
  }

 private:
  ScriptedWindow& window_;
  AppState& state_;
  RasterCanvas canvas_;
  Rect client_;
};

// Shows the view asked for as its command or the window would.
void showView(ScriptedWindow& window, AppState& s, RenderView view) {
  switch (view) {
    case RenderView::kAsLeft:
      break;
    case RenderView::kAlphabet:
      s.view.dwViewMode = kViewAlphabet;
      break;
    case RenderView::kResults:
      s.view.dwViewMode = kViewResults;
      s.view.wResultKind = kResultProcessing;
      break;
    case RenderView::kStatistics:
      s.view.dwViewMode = kViewResults;
      s.view.wResultKind = kResultSimulation;
      break;
    case RenderView::kSubsets:
      handleCommand(window, s, kCmdSelectSubset);
      break;
    case RenderView::kParams:
      handleCommand(window, s, kCmdViewSeriesParameters);
      break;
  }
}

}  // namespace

RenderPlan checkRenderOptions(const RenderOptions& o) {
  RenderPlan plan;
  if (o.view) plan.view = viewOf(*o.view);
  const bool statistics = plan.view == RenderView::kStatistics;

  RunOptions run;
  run.problem = o.problem;
  if (!statistics) run.length = o.length;
  run.noise = o.noise;
  run.lost = o.lost;
  run.create = o.create;
  run.next = o.next;
  run.same = o.same;
  plan.run = checkRunOptions(run);

  const struct {
    const char* name;
    const std::optional<std::string>* value;
  } statisticsOnly[] = {{"--tmin", &o.tmin},
                        {"--tmax", &o.tmax},
                        {"--etalon", &o.etalon},
                        {"--saved", &o.saved},
                        {"--proc-saved", &o.procSaved},
                        {"--from", &o.from},
                        {"--to", &o.to},
                        {"--incr", &o.incr},
                        {"--noise-initial", &o.noiseInitial},
                        {"--noise-steps", &o.noiseSteps},
                        {"--noise-step", &o.noiseStep},
                        {"--repeats", &o.repeats},
                        {"--clock", &o.clock},
                        {"--threads", &o.threads},
                        {"--graph", &o.graph},
                        {"--graph-view", &o.graphView},
                        {"--bounds", &o.bounds},
                        {"--upper-bound", &o.upperBound}};
  if (!statistics) {
    for (const auto& option : statisticsOnly)
      if (option.value->has_value())
        throw UsageError(std::string(option.name) + ": only with --view statistics");
  } else {
    SimulateOptions sim;
    sim.problem = o.problem;
    sim.length = o.length;
    sim.tmin = o.tmin;
    sim.tmax = o.tmax;
    sim.etalon = o.etalon;
    sim.saved = o.saved;
    sim.procSaved = o.procSaved;
    sim.from = o.from;
    sim.to = o.to;
    sim.incr = o.incr;
    sim.noiseInitial = o.noiseInitial;
    sim.noiseSteps = o.noiseSteps;
    sim.noiseStep = o.noiseStep;
    sim.repeats = o.repeats;
    sim.clock = o.clock;
    sim.threads = o.threads;
    sim.quiet = true;
    plan.simulation = checkSimulateOptions(sim);
    if (!plan.simulation.clock) plan.simulation.clock = kRenderClock;

    // The recognition task's dialog (114) has the recognition error and "bounds incl.".
    const bool recognition = plan.run.problem.taskCommand == kCmdRecognition;
    if (o.graph) {
      const std::string& g = *o.graph;
      if (g == "restoring") {
        plan.statistics.handling = 1;
      } else if (g == "detection") {
        plan.statistics.handling = 2;
      } else if (g == "recognition" && recognition) {
        plan.statistics.handling = 3;
      } else if (g == "recognition") {
        throw UsageError("--graph: the recognition error is shown for the recognition task only");
      } else {
        throw UsageError("--graph: unknown graph '" + echoed(g) +
                         "' (expected restoring, detection or recognition)");
      }
    }
    if (o.graphView) {
      if (*o.graphView == "componentwise") {
        plan.statistics.viewCase = 1;
      } else if (*o.graphView == "summary") {
        plan.statistics.viewCase = 2;
      } else {
        throw UsageError("--graph-view: unknown view case '" + echoed(*o.graphView) +
                         "' (expected componentwise or summary)");
      }
    }
    if (o.bounds) {
      if (!recognition) throw UsageError("--bounds: only for the recognition task");
      plan.statistics.bounds = parseIntegerIn("--bounds", *o.bounds, 0, 1) == 1;
    }
    if (o.upperBound) {
      char* end = nullptr;
      const double v = std::strtod(o.upperBound->c_str(), &end);
      if (o.upperBound->empty() || *end != '\0' || !(v > 0.0))
        throw UsageError("--upper-bound: '" + echoed(*o.upperBound) + "' is not a positive number");
      plan.statistics.upperBound = *o.upperBound;
    }
  }

  if (o.drawing) plan.drawing = parseDrawing(*o.drawing);
  if (o.size) parseSize(*o.size, plan);
  if (o.ratio) parseRatio(*o.ratio, plan);
  for (const auto& [option, value] : o.events) plan.events.push_back(parseEvent(option, value, plan));

  if (!o.out || o.out->empty()) throw UsageError("--out: the picture's file name is required");
  plan.out = *o.out;
  plan.format = snapshotFormat(plan.out);
  if (plan.format == SnapshotFormat::kNone)
    throw UsageError("--out: '" + echoed(plan.out) + "' does not end in .png, .bmp, .pcx or .svg");
  return plan;
}

int renderPicture(ScriptedWindow& window, AppState& s, const RenderPlan& plan,
                  std::ostream& err) {
  try {
    showView(window, s, plan.view);
    Screen screen(window, s, plan.width, plan.height, plan.ratio);
    screen.paintAll();
    for (const MouseEvent& e : plan.events) {
      buttonDown(window, s, e.x1, e.y1);
      screen.repaintIfAsked();
      if (e.drag) {
        const int32_t dx = e.x2 - e.x1, dy = e.y2 - e.y1;
        const int32_t steps = std::max(1, (std::max(std::abs(dx), std::abs(dy)) + kDragStep - 1) /
                                              kDragStep);
        for (int32_t k = 1; k <= steps; ++k) {
          if (window.closeRequested()) break;
          mouseMove(window, s, e.x1 + dx * k / steps, e.y1 + dy * k / steps);
          screen.repaintIfAsked();
        }
      }
      if (!window.closeRequested()) {
        buttonUp(window, s, e.x2, e.y2);
        screen.repaintIfAsked();
      }
      if (window.closeRequested()) {
        err << "velmora-cli: " << e.given << " closed the window; no picture was taken\n";
        return kExitRefused;
      }
    }
    if (plan.picture != nullptr) {
      *plan.picture = screen.image();
      return kExitDone;
    }
    bool written = false;
    {
      WriteInterruptGuard guard;  // the picture is written whole, or not at all
      written = writeSnapshot(window, plan.format, plan.out, screen.image(),
                              [&screen] { return screen.svg(); });
    }
    if (InterruptGuard::interrupted()) {
      err << "velmora-cli: interrupted while writing the picture\n";
      return kExitInterrupted;
    }
    return written ? kExitDone : kExitRefused;
  } catch (const std::bad_alloc&) {
    err << "velmora-cli: not enough memory for a picture of " << plan.width << "x" << plan.height
        << " pixels\n";
    return kExitRefused;
  }
}

}  // namespace velmora::cli
