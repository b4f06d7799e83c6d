#include "cli/commands.h"

#include <algorithm>
#include <optional>
#include <sstream>

#include "cli/output.h"
#include "cli/output_file.h"
#include "cli/scripted_window.h"
#include "shell/commands.h"
#include "shell/dialogs.h"
#include "shell/resources.h"
#include "shell/scripting.h"

namespace velmora::cli {

namespace {

// The menu text of a command without its framing blanks.
std::string commandName(int id) {
  const char* text = menuText(id);
  std::string name = text ? text : std::to_string(id);
  const size_t first = name.find_first_not_of(' ');
  const size_t last = name.find_last_not_of(' ');
  return first == std::string::npos ? name : name.substr(first, last - first + 1);
}

int refused(std::ostream& err, const std::string& what) {
  err << "velmora-cli: " << what << " was refused\n";
  return kExitRefused;
}

Json numbers(const std::vector<int32_t>& values) { return Json(values); }

// The workbench, started as the program starts, with the problem of the options set up:
// series type and task type by their menu commands, the required etalons through
// " New pulses... " and the subsets through the selection view's OK.
class Workbench {
 public:
  explicit Workbench(std::ostream& err) : window(err) {}
  ~Workbench() {
    if (state.running) shutDown(window, state);
  }

  bool start() { return startUp(window, state) == 1; }

  void selectProblem(const Problem& p) {
    handleCommand(window, state, p.seriesCommand);
    handleCommand(window, state, p.taskCommand);
  }

  bool setRequiredEtalons(const Problem& p) {
    if (p.etalons.empty()) return true;
    std::string list;
    for (int32_t e : p.etalons) list += (list.empty() ? "" : ",") + std::to_string(e);
    window.setDialogText(kDialogRequiredEtalons, kIdcRequiredCount, std::to_string(p.etalons.size()));
    window.setDialogText(kDialogRequiredEtalons, kIdcRequiredList, list);
    handleCommand(window, state, kCmdNewPulses);
    return state.etalons.wRequiredCount == p.etalons.size();
  }

  bool attachSubsets(const Problem& p) {
    if (p.subset.empty() && p.subsets.empty()) return true;
    return attachSubsetSelection(window, state, p.subset, p.subsets, p.current) == 1;
  }

  // Problem options shared by run and simulate, as given.
  void describeProblem(const Problem& p, Json& options) const {
    options["task"] = p.task;
    options["series"] = p.series;
    if (!p.etalons.empty()) options["etalons"] = numbers(p.etalons);
  }
  void describeSubsets(const Problem& p, Json& options) const {
    if (p.subset.empty() && p.subsets.empty()) return;
    options["subset"] = numbers(p.subset);
    Json rows = Json::array();
    for (const auto& row : p.subsets) rows.push_back(numbers(row));
    options["subsets"] = rows;
    options["current"] = p.current;
  }

  ScriptedWindow window;
  AppState state;
};

int64_t controlNumber(const DialogControls* c, int id) {
  return c ? readNumber(c->text(id)) : 0;
}

// The values " Create series... " was answered with, as the dialogs held them at OK.
Json createValues(const ScriptedWindow& window, const AppState& state) {
  const DialogControls* p = window.lastControls(kDialogSeriesParameters);
  const DialogControls* s = window.lastControls(kDialogSeriesStructure);
  Json j;
  j["length"] = controlNumber(p, kIdcSeriesLength);
  j["tmin"] = controlNumber(p, kIdcTmin);
  j["tmax"] = controlNumber(p, kIdcTmax);
  j["etalon"] = controlNumber(p, kIdcEtalonNumber);
  j["saved"] = controlNumber(p, kIdcSavedLevel);
  j["proc-saved"] = controlNumber(p, kIdcProcSavedLevel);
  j["pulses"] = state.series.wMeanPulses;
  std::vector<uint16_t> sequence(state.series.wMeanPulses);
  if (s) readList(s->text(kIdcSequence), sequence.data(), sequence.size());
  j["sequence"] = sequence;
  j["noise"] = controlNumber(s, kIdcNoiseLevel);
  return j;
}

// Says on `err` which values " Create series... " did not take as given: a pulse count
// outside the range the series parameters admit becomes the middle of that range.
void reportCreateAdjustments(const CreateRequest& request, const AppState& s, std::ostream& err) {
  for (const CreateValue& v : request.values) {
    if (v.key != "pulses" || v.text == std::to_string(s.series.wMeanPulses)) continue;
    err << "velmora-cli: --create pulses=" << v.text << " lies outside " << s.series.wMinPulses
        << ".." << s.series.wMaxPulses << ", the pulse counts these series parameters admit; "
        << s.series.wMeanPulses << " was used\n";
  }
}

}  // namespace

int alphabetCommand(bool json, std::ostream& out, std::ostream& err) {
  Workbench workbench(err);
  if (!workbench.start()) return refused(err, "start-up");
  out << (json ? dumpJson(alphabetJson(workbench.state)) : alphabetText(workbench.state));
  return kExitDone;
}

int runCommand(const RunPlan& plan, std::ostream& out, std::ostream& err) {
  Workbench workbench(err);
  AppState& s = workbench.state;
  if (!workbench.start()) return refused(err, "start-up");
  workbench.selectProblem(plan.problem);

  const struct {
    const std::optional<int32_t>& value;
    Selector selector;
    const char* name;
  } selectors[] = {{plan.length, Selector::kSeriesLength, "--length"},
                   {plan.noise, Selector::kNoise, "--noise"},
                   {plan.lost, Selector::kLost, "--lost"}};
  for (const auto& sel : selectors) {
    if (!sel.value) continue;
    const int32_t position = selectorPosition(s, sel.selector, *sel.value);
    if (!chooseSelectorValue(workbench.window, s, sel.selector, position))
      return refused(err, std::string("the selector value of ") + sel.name);
  }
  if (!workbench.setRequiredEtalons(plan.problem))
    return refused(err, "the list of required etalons");
  if (!workbench.attachSubsets(plan.problem)) return refused(err, "the subset selection");
  workbench.window.takeMessages();

  Json options;
  workbench.describeProblem(plan.problem, options);
  options["length"] = s.series.seriesLengthTable[s.series.dwSeriesLengthIndex];
  options["noise"] = s.series.noiseTable[s.series.dwNoiseIndex];
  options["lost"] = s.series.lostTable[s.series.dwLostIndex];
  options["next"] = plan.next;
  options["same"] = plan.same;
  workbench.describeSubsets(plan.problem, options);

  // Each run is written as soon as it is done, so that memory stays bounded however many
  // runs there are; the JSON document is put together from the runs' own compact dumps,
  // byte for byte as dumpJson would write it whole. " Create series... " runs first, as
  // its dialog values belong in the options before the document starts.
  size_t written = 0;
  auto write = [&](const std::string& run) {
    if (plan.json) out << (written ? "," : "");
    out << run;
    ++written;
  };
  auto process = [&](int command) -> std::optional<std::string> {
    if (!runProcessingCommand(workbench.window, s, command)) return std::nullopt;
    const std::vector<Message> messages = workbench.window.takeMessages();
    if (plan.json)
      return runJson(s, messages).dump(-1, ' ', false, Json::error_handler_t::replace);
    return runText(s, static_cast<int>(written) + 1, commandName(command)) + "\n";
  };
  // A stream that stopped taking output (a full disk) ends the runs; main says why.
  auto stopped = [&] { return !out.good(); };

  std::optional<std::string> created;
  if (plan.create) {
    for (const CreateValue& v : plan.create->values)
      workbench.window.setDialogText(v.dialogId, v.controlId, v.text);
    created = process(kCmdCreateSeries);
    if (!created) return refused(err, commandName(kCmdCreateSeries));
    options["create"] = createValues(workbench.window, s);
    reportCreateAdjustments(*plan.create, s, err);
  }
  if (plan.json) {
    Json doc;
    doc["format"] = kRunFormat;
    doc["options"] = options;
    doc["runs"] = Json::array();
    std::string head = dumpJson(doc);
    head.resize(head.size() - 3);  // "]}\n"
    out << head;
  }
  if (created) write(*created);
  for (int64_t k = 0; k < plan.next && !stopped(); ++k) {
    const std::optional<std::string> run = process(kCmdProcessNext);
    if (!run) return refused(err, commandName(kCmdProcessNext));
    write(*run);
  }
  for (int64_t k = 0; k < plan.same && !stopped(); ++k) {
    const std::optional<std::string> run = process(kCmdProcessSame);
    if (!run) return refused(err, commandName(kCmdProcessSame));
    write(*run);
  }
  if (plan.json) out << "]}\n";
  out.flush();
  return kExitDone;
}

int simulateCommand(const SimulatePlan& plan, ProgressMode mode, std::ostream& out,
                    std::ostream& err, Processes* processes) {
  Workbench workbench(err);
  AppState& s = workbench.state;
  if (!workbench.start()) return refused(err, "start-up");
  workbench.selectProblem(plan.problem);
  if (!workbench.setRequiredEtalons(plan.problem))
    return refused(err, "the list of required etalons");
  if (!workbench.attachSubsets(plan.problem)) return refused(err, "the subset selection");

  for (const CreateValue& v : plan.dialogValues)
    workbench.window.setDialogText(v.dialogId, v.controlId, v.text);
  if (plan.clock) {
    const int32_t seconds = static_cast<int32_t>(*plan.clock);
    s.hooks.simClock = [seconds] { return seconds; };
  }
  s.simulation.simThreads = plan.threads;
  if (processes != nullptr && plan.threads == 0)
    s.simulation.simThreads = static_cast<uint16_t>(std::min(processes->defaultThreads(), 256u));
  const bool lead = processes == nullptr || processes->rank() == 0;
  ProgressReporter reporter(plan.quiet || !lead ? ProgressMode::kNone : mode, err, s);
  s.hooks.simObserver = &reporter;
  if (processes != nullptr) {
    s.hooks.simShare = &processes->share();
    s.hooks.simObserver = &processes->observer(&reporter);
  }
  {
    InterruptGuard guard;
    handleCommand(workbench.window, s, kCmdSimulation);
    reporter.finish();
    s.hooks.simObserver = nullptr;
    s.hooks.simShare = nullptr;
    if (InterruptGuard::interrupted() || (processes != nullptr && processes->interrupted())) {
      err << "velmora-cli: simulation interrupted, nothing written\n";
      return kExitInterrupted;
    }
  }
  if (!s.records.lpRestErrorHeader || s.records.lpRestErrorHeader->ifComplete == 0)
    return refused(err, commandName(kCmdSimulation));
  for (const CreateValue& v : plan.dialogValues)
    if (v.key == "incr" && v.text == "0")
      err << "velmora-cli: --incr 0 steps through no pulse counts; " << s.simulation.wSimPulsesStep
          << " was used\n";
  if (!lead) return kExitDone;

  Json options;
  workbench.describeProblem(plan.problem, options);
  workbench.describeSubsets(plan.problem, options);
  options["length"] = s.series.dwSeriesLengthCur;
  options["tmin"] = s.series.wTmin;
  options["tmax"] = s.series.wTmax;
  options["etalon"] = s.etalons.dwDefaultEtalon;
  options["saved"] = s.series.wSavedLevelCur;
  options["proc-saved"] = s.series.wProcSavedLevelCur;
  options["from"] = s.series.wMinPulses;
  options["to"] = s.series.wMaxPulses;
  options["incr"] = s.simulation.wSimPulsesStep;
  options["noise-initial"] = s.simulation.wSimNoiseInitial;
  options["noise-steps"] = s.simulation.wSimNoiseSteps;
  options["noise-step"] = s.simulation.wSimNoiseStep;
  options["repeats"] = s.simulation.wSimRepeats;
  if (plan.clock) options["clock"] = *plan.clock;

  std::vector<PendingFile> files;
  if (!plan.json.empty()) files.push_back({plan.json, dumpJson(simulationJson(s, options))});
  if (!plan.csv.empty()) files.push_back({plan.csv, simulationCsv(*s.records.lpRestErrorHeader)});
  const std::string error = writeFiles(files, out);
  if (InterruptGuard::interrupted()) {
    err << "velmora-cli: interrupted while writing the outputs\n";
    return kExitInterrupted;
  }
  if (!error.empty()) {
    err << "velmora-cli: " << error << "\n";
    return kExitRefused;
  }
  // The dump goes to stdout unless an output took it.
  if (plan.json != "-" && plan.csv != "-") out << restErrHeaderText(*s.records.lpRestErrorHeader);
  return kExitDone;
}

namespace {

int render(Workbench& workbench, const RenderPlan& plan, std::ostream& err) {
  AppState& s = workbench.state;
  ScriptedWindow& window = workbench.window;
  if (!workbench.start()) return refused(err, "start-up");
  workbench.selectProblem(plan.run.problem);

  const DrawingChoice& d = plan.drawing;
  if (d.any()) {
    const struct {
      const std::optional<bool>& value;
      int control;
    } boxes[] = {{d.frame, kIdcFrameGraphFields},
                 {d.shaded, kIdcShadedOriginal},
                 {d.highlight, kIdcHighlightDetected},
                 {d.special, kIdcSpecialGraphSize}};
    for (const auto& box : boxes)
      if (box.value) window.setDialogCheck(kDialogDrawingSettings, box.control, *box.value);
    if (d.tuples) {
      const int chosen = *d.tuples == 0   ? kIdcNoHighlight
                         : *d.tuples == 1 ? kIdcDottedFrame
                                          : kIdcColouredBackground;
      for (int id : {kIdcNoHighlight, kIdcDottedFrame, kIdcColouredBackground})
        window.setDialogCheck(kDialogDrawingSettings, id, id == chosen);
    }
    handleCommand(window, s, kCmdDrawingSettings);
  }

  const RunPlan& run = plan.run;
  const struct {
    const std::optional<int32_t>& value;
    Selector selector;
    const char* name;
  } selectors[] = {{run.length, Selector::kSeriesLength, "--length"},
                   {run.noise, Selector::kNoise, "--noise"},
                   {run.lost, Selector::kLost, "--lost"}};
  for (const auto& sel : selectors) {
    if (!sel.value) continue;
    const int32_t position = selectorPosition(s, sel.selector, *sel.value);
    if (!chooseSelectorValue(window, s, sel.selector, position))
      return refused(err, std::string("the selector value of ") + sel.name);
  }
  if (!workbench.setRequiredEtalons(run.problem))
    return refused(err, "the list of required etalons");
  if (!workbench.attachSubsets(run.problem)) return refused(err, "the subset selection");

  if (run.create) {
    for (const CreateValue& v : run.create->values)
      window.setDialogText(v.dialogId, v.controlId, v.text);
    if (!runProcessingCommand(window, s, kCmdCreateSeries))
      return refused(err, commandName(kCmdCreateSeries));
  }
  for (int64_t k = 0; k < run.next; ++k)
    if (!runProcessingCommand(window, s, kCmdProcessNext))
      return refused(err, commandName(kCmdProcessNext));
  for (int64_t k = 0; k < run.same; ++k)
    if (!runProcessingCommand(window, s, kCmdProcessSame))
      return refused(err, commandName(kCmdProcessSame));

  if (plan.view == RenderView::kStatistics) {
    const SimulatePlan& sim = plan.simulation;
    for (const CreateValue& v : sim.dialogValues)
      window.setDialogText(v.dialogId, v.controlId, v.text);
    const StatisticsChoice& c = plan.statistics;
    for (int dialog : {kDialogShowStatistics, kDialogShowStatisticsRecognition}) {
      if (c.handling) {
        const int chosen = *c.handling == 1   ? kIdcRestoringError
                           : *c.handling == 2 ? kIdcDetectionError
                                              : kIdcRecognitionError;
        for (int id : {kIdcRestoringError, kIdcDetectionError, kIdcRecognitionError})
          window.setDialogCheck(dialog, id, id == chosen);
      }
      if (c.viewCase) {
        window.setDialogCheck(dialog, kIdcComponentwise, *c.viewCase == 1);
        window.setDialogCheck(dialog, kIdcSummaryView, *c.viewCase == 2);
      }
      if (c.bounds) window.setDialogCheck(dialog, kIdcBoundsIncluded, *c.bounds);
      if (c.upperBound) {
        window.setDialogCheck(dialog, kIdcFixedUpperBound, true);
        window.setDialogText(dialog, kIdcUpperBound, *c.upperBound);
      }
    }
    const int32_t seconds = static_cast<int32_t>(sim.clock.value_or(kRenderClock));
    s.hooks.simClock = [seconds] { return seconds; };
    s.simulation.simThreads = sim.threads;
    handleCommand(window, s, kCmdSimulation);
    if (!s.records.lpRestErrorHeader || s.records.lpRestErrorHeader->ifComplete == 0)
      return refused(err, commandName(kCmdSimulation));
  }
  return renderPicture(window, s, plan, err);
}

}  // namespace

int renderCommand(const RenderPlan& plan, std::ostream& err) {
  // A picture taken is all the output; the messages shown on the way are written only
  // when the picture could not be taken, before the reason.
  Workbench workbench(err);
  workbench.window.holdMessages(true);
  std::ostringstream reason;
  const int status = render(workbench, plan, reason);
  if (status != kExitDone) {
    for (const Message& m : workbench.window.takeMessages()) {
      err << m.shownCaption() << ": " << m.text;
      if (m.text.empty() || m.text.back() != '\n') err << '\n';
    }
    err << reason.str();
  }
  return status;
}

}  // namespace velmora::cli
