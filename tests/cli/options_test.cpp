// The tool's parts that do not need a process: option checks, the scripted window, the
// progress line and the all-or-nothing output files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "cli/options.h"
#include "cli/output_file.h"
#include "cli/progress.h"
#include "cli/scripted_window.h"
#include "shell/commands.h"
#include "shell/dialogs.h"

namespace velmora::cli {
namespace {

TEST(CliOptions, CreateRequestAnswersTheTwoDialogsByControl) {
  const CreateRequest request = parseCreateValues("pulses=8,length=600,sequence=1;2;13,noise=+20,tmin=-3");
  ASSERT_EQ(request.values.size(), 5u);
  EXPECT_EQ(request.values[0].dialogId, kDialogSeriesStructure);
  EXPECT_EQ(request.values[0].controlId, kIdcPulseCount);
  EXPECT_EQ(request.values[1].dialogId, kDialogSeriesParameters);
  EXPECT_EQ(request.values[1].controlId, kIdcSeriesLength);
  // The sequence goes in as the dialog shows lists.
  EXPECT_EQ(request.values[2].controlId, kIdcSequence);
  EXPECT_EQ(request.values[2].text, "1,2,13");
  EXPECT_EQ(request.values[3].text, "20");
  // Ranges are the dialog's to check: a negative Tmin is passed on for it to refuse.
  EXPECT_EQ(request.values[4].text, "-3");
  EXPECT_TRUE(parseCreateValues("").values.empty());
  EXPECT_THROW(parseCreateValues("length=600,"), UsageError);
  EXPECT_THROW(parseCreateValues("sequence="), UsageError);
}

TEST(CliOptions, SubsetAndSubsetListStandInForEachOther) {
  ProblemOptions o;
  o.series = "unfixed-tuples";
  o.subsets = "3,5;12,4,1";
  o.current = "2";
  Problem p = checkProblem(o);
  EXPECT_TRUE(p.tupleTask);
  EXPECT_EQ(p.subset, (std::vector<int32_t>{12, 4, 1}));  // the current row
  EXPECT_EQ(p.current, 2);

  o = ProblemOptions();
  o.series = "fixed-tuples";
  o.task = "detection";
  o.subset = "7";
  p = checkProblem(o);
  EXPECT_EQ(p.subsets, (std::vector<std::vector<int32_t>>{{7}}));
  EXPECT_EQ(p.current, 1);

  // Joint detection on tuple series searches with the required list: no subset needed.
  o = ProblemOptions();
  o.series = "fixed-tuples";
  o.task = "joint";
  EXPECT_FALSE(checkProblem(o).tupleTask);
  o.task = "recognition";
  EXPECT_THROW(checkProblem(o), UsageError);
}

TEST(CliOptions, NumbersAreWholeDecimalIntegers) {
  EXPECT_EQ(parseInteger("--x", "-12"), -12);
  EXPECT_EQ(parseInteger("--x", "+7"), 7);
  for (const char* bad : {"", "-", "12 ", " 12", "0x10", "1.5", "٣"})
    EXPECT_THROW(parseInteger("--x", bad), UsageError) << bad;
  EXPECT_THROW(parseInteger("--x", "9223372036854775808"), UsageError);
  EXPECT_THROW(parseIntegerIn("--x", "11", 1, 10), UsageError);
}

TEST(CliScriptedWindow, MessagesGoToStderrAndDialogsTakeTheScriptedValues) {
  std::ostringstream err;
  ScriptedWindow window(err);
  EXPECT_EQ(window.messageBox("Не могу создать ряд!", "CM_INFO", kMbOk), kIdOk);
  EXPECT_EQ(window.messageBox("two\nlines\n", nullptr, kMbOk), kIdOk);
  EXPECT_EQ(window.messageBox("sure?", "Q", kMbYesNo | kMbIconQuestion), kIdYes);
  EXPECT_EQ(err.str(), "CM_INFO: Не могу создать ряд!\nError: two\nlines\nQ: sure?\n");
  const std::vector<Message> shown = window.takeMessages();
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown[0].caption, "CM_INFO");
  EXPECT_FALSE(shown[1].caption.has_value());
  EXPECT_EQ(shown[1].text, "two\nlines\n");
  EXPECT_TRUE(window.takeMessages().empty());

  window.setDialogText(kDialogSeriesParameters, kIdcTmin, "30");
  DialogControls controls;
  controls.setText(kIdcTmin, "40");
  controls.setText(kIdcTmax, "181");
  EXPECT_EQ(window.runDialog(kDialogSeriesParameters, controls), kIdOk);
  EXPECT_EQ(controls.text(kIdcTmin), "30");
  EXPECT_EQ(controls.text(kIdcTmax), "181");  // not scripted: as initialised
  ASSERT_NE(window.lastControls(kDialogSeriesParameters), nullptr);
  EXPECT_EQ(window.lastControls(kDialogSeriesParameters)->text(kIdcTmin), "30");
  EXPECT_EQ(window.lastControls(kDialogSimulation), nullptr);
}

// A scripted button state is given by a click, as a user gives it, so the dialog logic
// reads a scripted dialog as it reads a real one: a radio button checked already still
// counts, a check box left as it was does not.
TEST(CliScriptedWindow, ScriptedStatesArriveAsClicks) {
  std::ostringstream err;
  ScriptedWindow window(err);
  AppState state;
  state.statistics.dwHandlingCase = 3;  // 113 shows it as "restoring error"
  window.setDialogCheck(kDialogShowStatistics, kIdcRestoringError, true);
  window.setDialogCheck(kDialogShowStatistics, kIdcDetectionError, false);
  window.setDialogCheck(kDialogShowStatistics, kIdcFixedUpperBound, false);
  runParameterDialog(window, state, kDialogShowStatistics);
  EXPECT_EQ(state.statistics.dwHandlingCase, 1u);
  ASSERT_NE(window.lastControls(kDialogShowStatistics), nullptr);
  EXPECT_EQ(window.lastControls(kDialogShowStatistics)->clicks, std::vector<int>{kIdcRestoringError});

  window.setDialogCheck(kDialogShowStatistics, kIdcFixedUpperBound, true);
  window.setDialogText(kDialogShowStatistics, kIdcUpperBound, "0.5");
  runParameterDialog(window, state, kDialogShowStatistics);
  EXPECT_EQ(window.lastControls(kDialogShowStatistics)->clicks,
            (std::vector<int>{kIdcRestoringError, kIdcFixedUpperBound}));
  EXPECT_EQ(state.statistics.dwFixedUpperBound, 1u);
  EXPECT_DOUBLE_EQ(state.statistics.upperBound, 0.5);
}

TEST(CliProgress, LineShowsShareGridPointAndTimes) {
  SimulationProgress p;
  p.pulseCounts = 4;
  p.noiseLevels = 5;
  p.repeats = 10;
  p.pulseIndex = 1;
  p.levelIndex = 2;
  p.repeat = 9;  // 80 of 200 repeats done
  EXPECT_EQ(ProgressReporter::describe(p, 7, 30, 8.0),
            " 40% pulses 7 (2/4), noise 30 (3/5), elapsed 0:08, remaining 0:12");
  EXPECT_EQ(clockText(3725), "1:02:05");
  EXPECT_EQ(clockText(-1), "0:00");
}

TEST(CliOutputFile, FilesAreReplacedWholeOrNotAtAll) {
  namespace fs = std::filesystem;
  char name[] = "/tmp/velmora-cli-files-XXXXXX";
  const fs::path dir = mkdtemp(name);
  const std::string a = (dir / "a.json").string();
  std::ofstream(a) << "old";
  std::ostringstream out;

  // The second file cannot be made: the first keeps its old content, no temporary stays.
  std::string error = writeFiles({{a, "new"}, {(dir / "no/b.csv").string(), "x"}}, out);
  EXPECT_NE(error.find("no/b.csv"), std::string::npos);
  std::ifstream in(a);
  std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(content, "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
  EXPECT_TRUE(out.str().empty());

  error = writeFiles({{"-", "to stdout\n"}, {a, "new"}}, out);
  EXPECT_EQ(error, "");
  std::ifstream again(a);
  std::string replaced((std::istreambuf_iterator<char>(again)), std::istreambuf_iterator<char>());
  EXPECT_EQ(replaced, "new");
  EXPECT_EQ(out.str(), "to stdout\n");
  EXPECT_EQ(fs::status(a).permissions() & fs::perms::others_read, fs::perms::others_read);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace velmora::cli
