// The restore error and the true chain's cost that the results view prints are the ones
// velmora-cli run reports: every task type on every series type, run by the tool and by
// the same commands in-process, the view drawn on a recording canvas after each run.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "shell/app_state.h"
#include "shell/commands.h"
#include "shell/results_panel.h"
#include "shell/scripting.h"
#include "support/fake_window.h"
#include "support/recording_canvas.h"
#include "tool_runner.h"

namespace velmora::testing {
namespace {

struct Measures {
  std::string restoreError;
  std::string trueChainCost;
  bool operator==(const Measures& o) const {
    return restoreError == o.restoreError && trueChainCost == o.trueChainCost;
  }
};

std::ostream& operator<<(std::ostream& os, const Measures& m) {
  return os << "{" << m.restoreError << ", " << m.trueChainCost << "}";
}

// What the tool printed for each run.
std::vector<Measures> toolMeasures(const std::string& out) {
  std::vector<Measures> runs;
  const std::regex error(R"(restoration error: (-?\d+)\ntrue chain cost: (-?\d+)\n)");
  for (std::sregex_iterator it(out.begin(), out.end(), error), end; it != end; ++it)
    runs.push_back({(*it)[1], (*it)[2]});
  return runs;
}

// What the view printed.
Measures viewMeasures(AppState& state, FakeWindow& window) {
  RecordingCanvas canvas(4000, 1000);
  state.layout.graphArea = Rect{10, 10, 1100, 900};
  paintResults(canvas, window, state);
  Measures m;
  std::smatch match;
  const std::regex error(R"(^Restore Error (-?\d+)\. $)");
  const std::regex truth(R"(^ 0\. (?: . )?  *(-?\d+)$)");
  for (const CanvasOp* op : canvas.texts()) {
    if (std::regex_match(op->text, match, error)) m.restoreError = match[1];
    if (std::regex_match(op->text, match, truth)) m.trueChainCost = match[1];
  }
  return m;
}

TEST(ResultsMeasures, TheViewPrintsWhatTheToolReports) {
  const struct {
    const char* name;
    int command;
  } series[] = {{"fixed-whole", kCmdFixedWhole},       {"fixed-cutoff", kCmdFixedCutoffs},
                {"unfixed-whole", kCmdUnfixedWhole},   {"unfixed-cutoff", kCmdUnfixedCutoffs},
                {"fixed-tuples", kCmdFixedTuples},     {"unfixed-tuples", kCmdUnfixedTuples}},
    tasks[] = {{"detection", kCmdDetection},
               {"recognition", kCmdRecognition},
               {"joint", kCmdJoint},
               {"series", kCmdSeriesProcessing}};
  int compared = 0;
  for (const auto& s : series) {
    for (const auto& t : tasks) {
      const bool tuples = std::string(s.name).find("tuples") != std::string::npos;
      std::vector<std::string> args{"run",    "--series", s.name,   "--task",
                                    t.name,   "--length", "600",    "--noise",
                                    "35",     "--next",   "2",      "--same", "1"};
      if (tuples) args.insert(args.end(), {"--subset", "3,5,8", "--subsets", "3,5,8;12,4"});
      const ToolResult tool = runTool(args);
      ASSERT_EQ(tool.exitCode, 0) << commandLine(args) << "\n" << tool.err;
      const std::vector<Measures> expected = toolMeasures(tool.out);
      ASSERT_EQ(expected.size(), 3u) << commandLine(args);

      FakeWindow window;
      AppState state;
      state.hooks.simClock = [] { return 0; };
      ASSERT_EQ(startUp(window, state), 1);
      handleCommand(window, state, s.command);
      handleCommand(window, state, t.command);
      ASSERT_TRUE(chooseSelectorValue(window, state, Selector::kSeriesLength,
                                      selectorPosition(state, Selector::kSeriesLength, 600)));
      ASSERT_TRUE(chooseSelectorValue(window, state, Selector::kNoise,
                                      selectorPosition(state, Selector::kNoise, 35)));
      if (tuples) {
        ASSERT_EQ(attachSubsetSelection(window, state, {3, 5, 8}, {{3, 5, 8}, {12, 4}}, 1), 1);
      }
      for (int run = 0; run < 3; ++run) {
        runProcessingCommand(window, state, run < 2 ? kCmdProcessNext : kCmdProcessSame);
        EXPECT_EQ(viewMeasures(state, window), expected[run]) << commandLine(args) << " run " << run;
        ++compared;
      }
      shutDown(window, state);
    }
  }
  EXPECT_EQ(compared, 72);
}

}  // namespace
}  // namespace velmora::testing
