// The options of velmora-cli's subcommands, their parsing and their checks. Every value
// the tool cannot use is a usage error (exit status 2) with a one-line reason.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace velmora::cli {

inline constexpr int kExitDone = 0;
inline constexpr int kExitRefused = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitInterrupted = 130;

struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The longest value an error message repeats whole.
inline constexpr size_t kMostEchoed = 80;
// `text` as an error message repeats it: cut to kMostEchoed characters, the last three
// "...", when it is longer.
std::string echoed(const std::string& text);
// `line` with every word (a run without blanks) longer than kMostEchoed cut as echoed cuts
// it; for messages that repeat values the tool did not write itself.
std::string withShortEchoes(const std::string& line);

// A whole decimal integer (optional sign, digits, nothing else). `option` names the
// option in the error message.
int64_t parseInteger(const std::string& option, const std::string& text);
// The same, also checked to lie in [low, high].
int64_t parseIntegerIn(const std::string& option, const std::string& text, int64_t low,
                       int64_t high);

// A list of etalon numbers separated by `separator`: at least one, at most `most`, each
// naming an etalon of the alphabet (1..20).
std::vector<int32_t> parseEtalonList(const std::string& option, const std::string& text,
                                     char separator, size_t most, const std::string& what);

// Subset rows "1,2;3,4,5": rows separated by ";", entries by ",".
std::vector<std::vector<int32_t>> parseSubsetRows(const std::string& option,
                                                  const std::string& text);

// Menu command of a task name (detection, recognition, joint, series) and of a series
// name (fixed-whole, fixed-cutoff, unfixed-whole, unfixed-cutoff, fixed-tuples,
// unfixed-tuples). Unknown names are usage errors.
int taskCommand(const std::string& name);
int seriesCommand(const std::string& name);
const std::vector<std::string>& taskNames();
const std::vector<std::string>& seriesNames();

// What " Create series... " is answered with. Each entry is one given key with its value
// as the dialog control takes it (the sequence joined by ","), in the order given.
struct CreateValue {
  std::string key;
  int dialogId = 0;
  int controlId = 0;
  std::string text;
};
struct CreateRequest {
  std::vector<CreateValue> values;
};
// "length=600,tmin=40,...,sequence=1;2;3,noise=20".
CreateRequest parseCreateValues(const std::string& text);
const std::vector<std::string>& createKeys();

// The problem both run and simulate set up: types, required etalons and subsets.
struct ProblemOptions {
  std::string task = "recognition";
  std::string series = "fixed-cutoff";
  std::optional<std::string> etalons;  // absent: not given
  std::optional<std::string> subset;
  std::optional<std::string> subsets;
  std::optional<std::string> current;
};

// The parsed and checked problem.
struct Problem {
  std::string task;
  std::string series;
  int taskCommand = 0;
  int seriesCommand = 0;
  std::vector<int32_t> etalons;  // empty: the start-up list
  bool tupleTask = false;        // tuple detection or recognition: subsets are needed
  bool subsetGiven = false;      // --subset
  bool subsetsGiven = false;     // --subsets
  bool currentGiven = false;
  std::vector<int32_t> subset;
  std::vector<std::vector<int32_t>> subsets;
  int32_t current = 0;  // 1-based row of subsets; 0 when there is none
};
Problem checkProblem(const ProblemOptions& options);

// Most runs of each kind one invocation makes: the outputs are kept until the last run.
inline constexpr int64_t kMostRuns = 10000;

struct RunOptions {
  ProblemOptions problem;
  std::optional<std::string> length, noise, lost;  // absent: not given
  std::optional<std::string> create;
  std::string next = "1";
  std::string same = "0";
  bool json = false;
};

struct RunPlan {
  Problem problem;
  std::optional<int32_t> length, noise, lost;  // selector values given
  std::optional<CreateRequest> create;
  int64_t next = 1;
  int64_t same = 0;
  bool json = false;
};
RunPlan checkRunOptions(const RunOptions& options);

// The dialog values of a simulation: an absent value keeps what the dialog shows.
struct SimulateOptions {
  ProblemOptions problem;
  std::optional<std::string> length, tmin, tmax, etalon, saved, procSaved;
  std::optional<std::string> from, to, incr, noiseInitial, noiseSteps, noiseStep, repeats;
  std::optional<std::string> json, csv;  // output files, "-" for stdout
  std::optional<std::string> clock;      // fixed time stamps (seconds since 1970)
  std::optional<std::string> threads;    // processing threads; all cores when absent
  bool quiet = false;
};

struct SimulatePlan {
  Problem problem;
  // (dialog id, control id, text) for every dialog value given.
  std::vector<CreateValue> dialogValues;
  std::string json, csv;  // empty: not written
  std::optional<int64_t> clock;
  uint16_t threads = 0;  // 0: every core
  bool quiet = false;
};
SimulatePlan checkSimulateOptions(const SimulateOptions& options);

}  // namespace velmora::cli
