#include "cli/options.h"

#include <cerrno>
#include <cstdlib>

#include "common/atomic_file.h"
#include "shell/commands.h"
#include "shell/dialogs.h"
#include "shell/scripting.h"

namespace velmora::cli {

namespace {

constexpr int32_t kEtalons = 20;

std::string quoted(const std::string& text) { return "'" + echoed(text) + "'"; }

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    const size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return parts;
}

struct Named {
  const char* name;
  int command;
};
constexpr Named kTasks[] = {{"detection", kCmdDetection},
                            {"recognition", kCmdRecognition},
                            {"joint", kCmdJoint},
                            {"series", kCmdSeriesProcessing}};
constexpr Named kSeries[] = {{"fixed-whole", kCmdFixedWhole},     {"fixed-cutoff", kCmdFixedCutoffs},
                             {"unfixed-whole", kCmdUnfixedWhole}, {"unfixed-cutoff", kCmdUnfixedCutoffs},
                             {"fixed-tuples", kCmdFixedTuples},   {"unfixed-tuples", kCmdUnfixedTuples}};

template <size_t N>
std::vector<std::string> namesOf(const Named (&table)[N]) {
  std::vector<std::string> names;
  for (const Named& n : table) names.push_back(n.name);
  return names;
}

std::string joined(const std::vector<std::string>& names) {
  std::string out;
  for (const std::string& n : names) out += (out.empty() ? "" : ", ") + n;
  return out;
}

template <size_t N>
int commandOf(const Named (&table)[N], const std::string& option, const std::string& name,
              const std::vector<std::string>& names) {
  for (const Named& n : table)
    if (name == n.name) return n.command;
  throw UsageError(option + ": unknown name " + quoted(name) + " (expected one of " +
                   joined(names) + ")");
}

struct CreateKey {
  const char* key;
  int dialogId;
  int controlId;
};
constexpr CreateKey kCreateKeys[] = {
    {"length", kDialogSeriesParameters, kIdcSeriesLength},
    {"tmin", kDialogSeriesParameters, kIdcTmin},
    {"tmax", kDialogSeriesParameters, kIdcTmax},
    {"etalon", kDialogSeriesParameters, kIdcEtalonNumber},
    {"saved", kDialogSeriesParameters, kIdcSavedLevel},
    {"proc-saved", kDialogSeriesParameters, kIdcProcSavedLevel},
    {"pulses", kDialogSeriesStructure, kIdcPulseCount},
    {"sequence", kDialogSeriesStructure, kIdcSequence},
    {"noise", kDialogSeriesStructure, kIdcNoiseLevel},
};

// A selector value: a number that its table holds.
int32_t selectorValue(const std::string& option, const std::string& text,
                      std::initializer_list<int32_t> table) {
  const int64_t value = parseInteger(option, text);
  std::string values;
  for (int32_t v : table) {
    if (v == value) return v;
    values += (values.empty() ? "" : ", ") + std::to_string(v);
  }
  throw UsageError(option + ": " + echoed(text) + " is not a value of the selector (" + values +
                   ")");
}

}  // namespace

std::string echoed(const std::string& text) {
  if (text.size() <= kMostEchoed) return text;
  // Cut at a character's start, so that a UTF-8 character is never split.
  size_t end = kMostEchoed - 3;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end) + "...";
}

std::string withShortEchoes(const std::string& line) {
  std::string out;
  size_t k = 0;
  while (k < line.size()) {
    const size_t blank = line.find_first_of(" \n", k);
    const size_t end = blank == std::string::npos ? line.size() : blank;
    out += echoed(line.substr(k, end - k));
    if (end < line.size()) out += line[end];
    k = end + 1;
  }
  return out;
}

int64_t parseInteger(const std::string& option, const std::string& text) {
  size_t k = 0;
  if (k < text.size() && (text[k] == '-' || text[k] == '+')) ++k;
  if (k == text.size()) throw UsageError(option + ": " + quoted(text) + " is not a number");
  for (size_t d = k; d < text.size(); ++d)
    if (text[d] < '0' || text[d] > '9')
      throw UsageError(option + ": " + quoted(text) + " is not a number");
  errno = 0;
  const long long value = std::strtoll(text.c_str(), nullptr, 10);
  if (errno == ERANGE) throw UsageError(option + ": " + echoed(text) + " is out of range");
  return value;
}

int64_t parseIntegerIn(const std::string& option, const std::string& text, int64_t low,
                       int64_t high) {
  const int64_t value = parseInteger(option, text);
  if (value < low || value > high)
    throw UsageError(option + ": " + echoed(text) + " is outside " + std::to_string(low) + ".." +
                     std::to_string(high));
  return value;
}

std::vector<int32_t> parseEtalonList(const std::string& option, const std::string& text,
                                     char separator, size_t most, const std::string& what) {
  if (text.empty()) throw UsageError(option + ": empty " + what);
  const std::vector<std::string> parts = split(text, separator);
  if (parts.size() > most)
    throw UsageError(option + ": " + std::to_string(parts.size()) + " entries in " + what +
                     ", at most " + std::to_string(most) + " fit");
  std::vector<int32_t> numbers;
  for (const std::string& part : parts) {
    if (part.empty()) throw UsageError(option + ": empty entry in " + what);
    const int64_t value = parseInteger(option, part);
    if (value < 1 || value > kEtalons)
      throw UsageError(option + ": etalon " + echoed(part) + " is outside the alphabet (1.." +
                       std::to_string(kEtalons) + ")");
    numbers.push_back(static_cast<int32_t>(value));
  }
  return numbers;
}

std::vector<std::vector<int32_t>> parseSubsetRows(const std::string& option,
                                                  const std::string& text) {
  if (text.empty()) throw UsageError(option + ": empty subset list");
  const std::vector<std::string> rows = split(text, ';');
  if (rows.size() > static_cast<size_t>(kSubsetRows))
    throw UsageError(option + ": " + std::to_string(rows.size()) + " subsets, at most " +
                     std::to_string(kSubsetRows) + " fit");
  std::vector<std::vector<int32_t>> out;
  for (size_t r = 0; r < rows.size(); ++r)
    out.push_back(parseEtalonList(option, rows[r], ',', kSubsetCapacity,
                                  "subset " + std::to_string(r + 1)));
  return out;
}

const std::vector<std::string>& taskNames() {
  static const std::vector<std::string> names = namesOf(kTasks);
  return names;
}
const std::vector<std::string>& seriesNames() {
  static const std::vector<std::string> names = namesOf(kSeries);
  return names;
}
int taskCommand(const std::string& name) { return commandOf(kTasks, "--task", name, taskNames()); }
int seriesCommand(const std::string& name) {
  return commandOf(kSeries, "--series", name, seriesNames());
}

const std::vector<std::string>& createKeys() {
  static const std::vector<std::string> keys = [] {
    std::vector<std::string> k;
    for (const CreateKey& c : kCreateKeys) k.push_back(c.key);
    return k;
  }();
  return keys;
}

CreateRequest parseCreateValues(const std::string& text) {
  const std::string option = "--create";
  CreateRequest request;
  // An empty request answers both dialogs with what they show.
  if (text.empty()) return request;
  for (const std::string& item : split(text, ',')) {
    const size_t eq = item.find('=');
    if (eq == std::string::npos)
      throw UsageError(option + ": " + quoted(item) + " is not key=value");
    const std::string key = item.substr(0, eq);
    const std::string value = item.substr(eq + 1);
    const CreateKey* found = nullptr;
    for (const CreateKey& c : kCreateKeys)
      if (key == c.key) found = &c;
    if (!found)
      throw UsageError(option + ": unknown key " + quoted(key) + " (expected one of " +
                       joined(createKeys()) + ")");
    for (const CreateValue& v : request.values)
      if (v.key == key) throw UsageError(option + ": key " + quoted(key) + " given twice");
    CreateValue v{key, found->dialogId, found->controlId, ""};
    if (key == "sequence") {
      // The dialog reads as many entries as the series has pulses; the list goes in as
      // the dialog shows lists, joined by ",".
      for (int32_t e : parseEtalonList(option + " sequence", value, ';', 65535, "sequence"))
        v.text += (v.text.empty() ? "" : ",") + std::to_string(e);
    } else {
      v.text = std::to_string(parseInteger(option + " " + key, value));
    }
    request.values.push_back(std::move(v));
  }
  return request;
}

Problem checkProblem(const ProblemOptions& o) {
  Problem p;
  p.task = o.task;
  p.series = o.series;
  p.seriesCommand = seriesCommand(o.series);
  p.taskCommand = taskCommand(o.task);
  const bool tupleSeries = p.seriesCommand == kCmdFixedTuples || p.seriesCommand == kCmdUnfixedTuples;
  p.tupleTask = tupleSeries && (p.taskCommand == kCmdDetection || p.taskCommand == kCmdRecognition);
  const bool recognition = p.tupleTask && p.taskCommand == kCmdRecognition;

  if (o.etalons) p.etalons = parseEtalonList("--etalons", *o.etalons, ',', kEtalons, "etalon list");
  p.subsetGiven = o.subset.has_value();
  p.subsetsGiven = o.subsets.has_value();
  p.currentGiven = o.current.has_value();
  if (p.subsetGiven)
    p.subset = parseEtalonList("--subset", *o.subset, ',', kSubsetCapacity, "subset");
  if (p.subsetsGiven) p.subsets = parseSubsetRows("--subsets", *o.subsets);
  if (p.currentGiven && !p.subsetsGiven && !p.subsetGiven)
    throw UsageError("--current: there is no subset list (give --subsets)");

  if (p.tupleTask && !p.subsetGiven && !p.subsetsGiven)
    throw UsageError(std::string("--subset: the tuple ") +
                     (recognition ? "recognition" : "detection") +
                     " task needs a subset of etalons (give --subset or --subsets)");
  // The list defaults to the selected subset alone, as " Accept " would store it; the
  // selected subset defaults to the current row of the list, as a click on it would pick it.
  if (p.subsetGiven && !p.subsetsGiven) p.subsets = {p.subset};
  if (!p.subsets.empty()) {
    p.current = 1;
    if (p.currentGiven)
      p.current = static_cast<int32_t>(parseIntegerIn(
          "--current", *o.current, 1, static_cast<int64_t>(p.subsets.size())));
  }
  if (!p.subsetGiven && p.subsetsGiven) p.subset = p.subsets[static_cast<size_t>(p.current - 1)];
  return p;
}

RunPlan checkRunOptions(const RunOptions& o) {
  RunPlan plan;
  plan.problem = checkProblem(o.problem);
  if (o.length) plan.length = selectorValue("--length", *o.length, {200, 600, 1200});
  if (o.noise) plan.noise = selectorValue("--noise", *o.noise, {20, 35, 50});
  if (o.lost) {
    plan.lost = selectorValue("--lost", *o.lost, {0, 25, 50});
    if (plan.problem.seriesCommand != kCmdFixedCutoffs &&
        plan.problem.seriesCommand != kCmdUnfixedCutoffs)
      throw UsageError("--lost: the lost data level applies only to the cut-off series "
                       "(fixed-cutoff, unfixed-cutoff)");
  }
  if (o.create) {
    plan.create = parseCreateValues(*o.create);
    // A window user picks the length on its selector first, which makes it the current
    // length that dialog 105 then shows: the series is created with that length unless
    // --create names another.
    bool lengthGiven = false;
    for (const CreateValue& v : plan.create->values) lengthGiven = lengthGiven || v.key == "length";
    if (plan.length && !lengthGiven)
      plan.create->values.push_back(
          {"length", kDialogSeriesParameters, kIdcSeriesLength, std::to_string(*plan.length)});
  }
  plan.next = parseIntegerIn("--next", o.next, 0, kMostRuns);
  plan.same = parseIntegerIn("--same", o.same, 0, kMostRuns);
  plan.json = o.json;
  return plan;
}

SimulatePlan checkSimulateOptions(const SimulateOptions& o) {
  SimulatePlan plan;
  plan.problem = checkProblem(o.problem);
  const struct {
    const char* option;
    const std::optional<std::string>* text;
    int dialogId;
    int controlId;
  } values[] = {
      {"--length", &o.length, kDialogSeriesParameters, kIdcSeriesLength},
      {"--tmin", &o.tmin, kDialogSeriesParameters, kIdcTmin},
      {"--tmax", &o.tmax, kDialogSeriesParameters, kIdcTmax},
      {"--etalon", &o.etalon, kDialogSeriesParameters, kIdcEtalonNumber},
      {"--saved", &o.saved, kDialogSeriesParameters, kIdcSavedLevel},
      {"--proc-saved", &o.procSaved, kDialogSeriesParameters, kIdcProcSavedLevel},
      {"--from", &o.from, kDialogSimulation, kIdcSimFrom},
      {"--to", &o.to, kDialogSimulation, kIdcSimTo},
      {"--incr", &o.incr, kDialogSimulation, kIdcSimIncrement},
      {"--noise-initial", &o.noiseInitial, kDialogSimulation, kIdcSimNoiseInitial},
      {"--noise-steps", &o.noiseSteps, kDialogSimulation, kIdcSimNoiseSteps},
      {"--noise-step", &o.noiseStep, kDialogSimulation, kIdcSimNoiseStep},
      {"--repeats", &o.repeats, kDialogSimulation, kIdcSimRepeats},
  };
  // A simulation of tuple series places the selected subset in every series, whatever
  // the task.
  const bool tupleSeries = plan.problem.seriesCommand == kCmdFixedTuples ||
                           plan.problem.seriesCommand == kCmdUnfixedTuples;
  if (tupleSeries && !plan.problem.subsetGiven && !plan.problem.subsetsGiven)
    throw UsageError("--subset: a simulation of tuple series needs a subset of etalons (give "
                     "--subset or --subsets)");
  for (const auto& v : values) {
    if (!v.text->has_value()) continue;
    // The dialogs check the ranges themselves and refuse what they cannot take.
    plan.dialogValues.push_back(
        {v.option + 2, v.dialogId, v.controlId, std::to_string(parseInteger(v.option, **v.text))});
  }
  if (o.json && o.json->empty()) throw UsageError("--json: empty file name");
  if (o.csv && o.csv->empty()) throw UsageError("--csv: empty file name");
  plan.json = o.json.value_or("");
  plan.csv = o.csv.value_or("");
  // Compared as files, not as names: "a.json" and "./a.json", or two links to one file.
  if (!plan.json.empty() && !plan.csv.empty() && plan.json != "-" && plan.csv != "-" &&
      isSameFile(plan.json, plan.csv))
    throw UsageError("--csv: the same file as --json");
  if (plan.json == "-" && plan.csv == "-")
    throw UsageError("--csv: only one output can go to stdout");
  if (o.clock) plan.clock = parseIntegerIn("--clock", *o.clock, 0, int64_t{INT32_MAX});
  if (o.threads) plan.threads = static_cast<uint16_t>(parseIntegerIn("--threads", *o.threads, 1, 256));
  plan.quiet = o.quiet;
  return plan;
}

}  // namespace velmora::cli
