// The options of every subcommand of velmora-cli. The input is text: a first line naming
// the subcommand, then one option a line ("--name value"); the options are checked as the
// tool checks them and, when they pass, the subcommand runs on a tiny version of the
// problem (short series, few runs, repeats and grid points, a small picture written into a
// scratch folder).
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>
#include <string>

#include "cli/commands.h"
#include "cli/options.h"
#include "cli/render.h"
#include "fuzz_support.h"
#include "shell/dialogs.h"

using namespace velmora;
using namespace velmora::cli;

namespace {

using Fields = std::map<std::string, std::optional<std::string>*>;

Fields problemFields(ProblemOptions& p) {
  return {{"--etalons", &p.etalons}, {"--subset", &p.subset}, {"--subsets", &p.subsets},
          {"--current", &p.current}};
}

// The folder the pictures and tables are written to.
const std::string& scratch() {
  static const std::string dir = [] {
    const auto path = std::filesystem::temp_directory_path() /
                      ("velmora-fuzz-" + std::to_string(getpid()));
    std::filesystem::create_directories(path);
    return path.string();
  }();
  return dir;
}

// A file name of the scratch folder with the extension of `given`; one in a folder that
// does not exist when `given` names a folder.
std::string scratchFile(const std::string& given) {
  const size_t dot = given.rfind('.');
  const std::string ext = dot == std::string::npos ? "" : given.substr(dot);
  const bool inFolder = given.find('/') != std::string::npos;
  return scratch() + (inFolder ? "/no-such-folder/out" : "/out") + ext;
}

void capRuns(RunPlan& run) {
  run.length = 200;  // the shortest series of the selector
  run.next = std::min<int64_t>(run.next, 2);
  run.same = std::min<int64_t>(run.same, 1);
  if (run.create)
    for (CreateValue& v : run.create->values)
      if (v.dialogId == kDialogSeriesParameters && v.controlId == kIdcSeriesLength)
        fuzz::capNumber(v.text, 400);
}


void capSimulation(SimulatePlan& sim) {
  DialogControls series, grid;
  bool toGiven = false;
  for (const CreateValue& v : sim.dialogValues)
    (v.dialogId == kDialogSimulation ? grid : series).setText(v.controlId, v.text);
  for (const CreateValue& v : sim.dialogValues) toGiven |= v.controlId == kIdcSimTo && v.dialogId == kDialogSimulation;
  if (series.texts.count(kIdcSeriesLength) == 0) series.setText(kIdcSeriesLength, "400");
  if (grid.texts.count(kIdcSimRepeats) == 0) grid.setText(kIdcSimRepeats, "2");
  if (grid.texts.count(kIdcSimNoiseSteps) == 0) grid.setText(kIdcSimNoiseSteps, "2");
  if (!toGiven) grid.setText(kIdcSimTo, std::to_string(readNumber(grid.text(kIdcSimFrom)) + 3));
  fuzz::capCostlyValues(kDialogSeriesParameters, series);
  fuzz::capCostlyValues(kDialogSimulation, grid);
  sim.dialogValues.clear();
  for (const auto& [id, text] : series.texts)
    sim.dialogValues.push_back({"", kDialogSeriesParameters, id, text});
  for (const auto& [id, text] : grid.texts)
    sim.dialogValues.push_back({"", kDialogSimulation, id, text});
  sim.threads = 1;
  if (!sim.clock) sim.clock = 0;
  if (!sim.json.empty() && sim.json != "-") sim.json = scratchFile(sim.json);
  if (!sim.csv.empty() && sim.csv != "-") sim.csv = scratchFile(sim.csv);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  std::istringstream input(std::string(reinterpret_cast<const char*>(bytes), size));
  std::string subcommand, line;
  std::getline(input, subcommand);
  RunOptions run;
  SimulateOptions sim;
  RenderOptions render;
  bool json = false;
  std::optional<std::string> next, same;
  Fields fields;
  std::map<std::string, std::string*> names;  // the options that always have a value
  if (subcommand == "run") {
    fields = problemFields(run.problem);
    fields.insert({{"--length", &run.length}, {"--noise", &run.noise}, {"--lost", &run.lost},
                   {"--create", &run.create}});
    names = {{"--task", &run.problem.task}, {"--series", &run.problem.series},
             {"--next", &run.next}, {"--same", &run.same}};
  } else if (subcommand == "simulate") {
    fields = problemFields(sim.problem);
    fields.insert({{"--length", &sim.length}, {"--tmin", &sim.tmin}, {"--tmax", &sim.tmax},
                   {"--etalon", &sim.etalon}, {"--saved", &sim.saved},
                   {"--proc-saved", &sim.procSaved}, {"--from", &sim.from}, {"--to", &sim.to},
                   {"--incr", &sim.incr}, {"--noise-initial", &sim.noiseInitial},
                   {"--noise-steps", &sim.noiseSteps}, {"--noise-step", &sim.noiseStep},
                   {"--repeats", &sim.repeats}, {"--json", &sim.json}, {"--csv", &sim.csv},
                   {"--clock", &sim.clock}, {"--threads", &sim.threads}});
    names = {{"--task", &sim.problem.task}, {"--series", &sim.problem.series}};
  } else if (subcommand == "render") {
    fields = problemFields(render.problem);
    fields.insert({{"--length", &render.length}, {"--noise", &render.noise},
                   {"--lost", &render.lost}, {"--create", &render.create},
                   {"--tmin", &render.tmin}, {"--tmax", &render.tmax},
                   {"--etalon", &render.etalon}, {"--saved", &render.saved},
                   {"--proc-saved", &render.procSaved}, {"--from", &render.from},
                   {"--to", &render.to}, {"--incr", &render.incr},
                   {"--noise-initial", &render.noiseInitial},
                   {"--noise-steps", &render.noiseSteps}, {"--noise-step", &render.noiseStep},
                   {"--repeats", &render.repeats}, {"--clock", &render.clock},
                   {"--threads", &render.threads}, {"--graph", &render.graph},
                   {"--graph-view", &render.graphView}, {"--bounds", &render.bounds},
                   {"--upper-bound", &render.upperBound}, {"--view", &render.view},
                   {"--drawing", &render.drawing}, {"--size", &render.size},
                   {"--out", &render.out}});
    names = {{"--task", &render.problem.task}, {"--series", &render.problem.series},
             {"--next", &render.next}, {"--same", &render.same}};
  } else if (subcommand != "alphabet") {
    return -1;  // not an input of this target
  }
  while (std::getline(input, line)) {
    const size_t cut = line.find_first_of(" =");
    const std::string name = line.substr(0, cut);
    const std::string value = cut == std::string::npos ? "" : line.substr(cut + 1);
    if (name == "--json") json = true;
    if (name == "--quiet") sim.quiet = true;
    if (name == "--click" || name == "--drag") render.events.emplace_back(name, value);
    if (auto f = fields.find(name); f != fields.end()) *f->second = value;
    if (auto f = names.find(name); f != names.end()) *f->second = value;
  }
  if (render.out) render.out = scratchFile(*render.out);
  if (render.events.size() > 6) render.events.resize(6);

  std::ostringstream out, err;
  try {
    if (subcommand == "alphabet") {
      alphabetCommand(json, out, err);
    } else if (subcommand == "run") {
      run.json = json;
      RunPlan plan = checkRunOptions(run);
      capRuns(plan);
      runCommand(plan, out, err);
    } else if (subcommand == "simulate") {
      SimulatePlan plan = checkSimulateOptions(sim);
      capSimulation(plan);
      simulateCommand(plan, ProgressMode::kLines, out, err);
    } else {
      RenderPlan plan = checkRenderOptions(render);
      capRuns(plan.run);
      if (plan.view == RenderView::kStatistics) capSimulation(plan.simulation);
      plan.width = std::min(plan.width, 200);
      plan.height = std::min(plan.height, 160);
      renderCommand(plan, err);
    }
  } catch (const UsageError&) {
  }
  return 0;
}
