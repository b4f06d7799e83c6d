// velmora-cli run as a process: its outputs against the reference data and against the
// shell's own results, its usage errors and refusals, determinism, safe output files and
// interruption.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <utility>

#include <nlohmann/json.hpp>

#include "model/problem_types.h"
#include "tool_runner.h"

namespace velmora::testing {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;

json parse(const std::string& text) { return json::parse(text); }

json readJson(const std::string& path) {
  std::ifstream in(path);
  return json::parse(in);
}

std::string readText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

json runJson(const std::vector<std::string>& args) {
  std::vector<std::string> a{"run", "--json"};
  a.insert(a.end(), args.begin(), args.end());
  const ToolResult r = runTool(a);
  EXPECT_EQ(r.exitCode, 0) << commandLine(a) << "\n" << r.err;
  return parse(r.out);
}

// A fresh directory for output files, removed afterwards.
class TempDir {
 public:
  TempDir() {
    char name[] = "/tmp/velmora-cli-test-XXXXXX";
    path_ = mkdtemp(name);
  }
  ~TempDir() { fs::remove_all(path_); }
  std::string file(const std::string& name) const { return (path_ / name).string(); }
  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(path_)) names.push_back(e.path().filename());
    return names;
  }

 private:
  fs::path path_;
};

TEST(CliAlphabet, JsonMatchesTheReferenceAndTextAgreesWithIt) {
  const ToolResult j = runTool({"alphabet", "--json"});
  ASSERT_EQ(j.exitCode, 0) << j.err;
  const json mine = parse(j.out);
  EXPECT_EQ(mine, readJson(std::string(VELMORA_DATA_DIR) + "/alphabet.json"));

  const ToolResult t = runTool({"alphabet"});
  ASSERT_EQ(t.exitCode, 0);
  std::istringstream lines(t.out);
  std::string line;
  std::getline(lines, line);  // heading
  for (const json& e : mine["etalons"]) {
    ASSERT_TRUE(static_cast<bool>(std::getline(lines, line)));
    std::istringstream fields(line);
    int number = 0, energy = 0;
    fields >> number >> energy;
    std::vector<int> samples;
    for (int v; fields >> v;) samples.push_back(v);
    EXPECT_EQ(number, e["number"].get<int>());
    EXPECT_EQ(energy, e["energy"].get<int>());
    EXPECT_EQ(samples, e["samples"].get<std::vector<int>>());
  }
  EXPECT_FALSE(static_cast<bool>(std::getline(lines, line)));
}

// The reference output of an independent implementation, field for field. The tool adds
// the "same" option (default 0) and each run's "messages" and "trueChainCost".
TEST(CliRun, DefaultProblemReproducesTheReferenceRuns) {
  const json reference = readJson(std::string(VELMORA_DATA_DIR) + "/run-default.json");
  const json mine = runJson({"--next", "3"});
  ASSERT_EQ(mine["runs"].size(), reference["runs"].size());
  for (auto& [key, value] : reference["options"].items()) EXPECT_EQ(mine["options"][key], value) << key;
  EXPECT_EQ(mine["options"]["same"], 0);
  for (size_t r = 0; r < reference["runs"].size(); ++r) {
    json run = mine["runs"][r];
    EXPECT_EQ(run["messages"], json::array());
    run.erase("messages");
    EXPECT_TRUE(run["trueChainCost"].is_number_integer());
    run.erase("trueChainCost");
    EXPECT_EQ(run, reference["runs"][r]) << "run " << r + 1;
  }
}

// The lines the shell's golden run writes for a run, rebuilt from the tool's JSON.
std::string joined(const json& values) {
  std::string out;
  for (const json& v : values) out += (out.empty() ? "" : " ") + std::to_string(v.get<int>());
  return out;
}
std::string digest(const json& values) {
  uint64_t h = 1469598103934665603ull;
  for (const json& v : values) {
    const uint16_t x = static_cast<uint16_t>(v.get<int>());
    for (int b = 0; b < 2; ++b) {
      h ^= (x >> (8 * b)) & 0xFF;
      h *= 1099511628211ull;
    }
  }
  std::ostringstream out;
  out << std::hex << h;
  return out.str();
}

TEST(CliRun, ReproducesTheShellsPinnedRunForTheSameCommands) {
  // From start-up: " Fixed Number of Whole Pulses", " Recognition", " Processing Next Data ".
  std::ifstream in(std::string(VELMORA_SHELL_TEST_DIR) + "/golden_run.txt");
  ASSERT_TRUE(in.good());
  std::vector<std::string> pinned;
  bool inside = false;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("== ", 0) == 0) {
      if (inside) break;
      inside = line == "== next data, series command 40008, task command 40006";
      continue;
    }
    if (inside && line.rfind("state ", 0) != 0 && line.rfind("chains ", 0) != 0)
      pinned.push_back(line);
  }
  ASSERT_FALSE(pinned.empty());

  const json run = runJson({"--series", "fixed-whole", "--task", "recognition"})["runs"][0];
  const json& s = run["series"];
  std::vector<std::string> mine = {
      "required " + joined(run["requiredList"]),
      "sequence " + joined(run["etalonSequence"]),
      "series size=" + std::to_string(s["seriesSize"].get<int>()) +
          " quantity=" + std::to_string(s["impulseQuantity"].get<int>()) +
          " min=" + std::to_string(s["minPulses"].get<int>()) +
          " max=" + std::to_string(s["maxPulses"].get<int>()) +
          " noise=" + std::to_string(s["noise"].get<int>()) + " pure=" + digest(s["pureData"]) +
          " noisy=" + digest(s["noisyData"]),
      " positions " + joined(s["positions"]),
      " etalons " + joined(s["etalons"]),
      " samples " + joined(s["firstSamples"]) + " | " + joined(s["lastSamples"]),
      " windows " + joined(s["minPositions"]) + " | " + joined(s["maxPositions"]),
      " found " + std::to_string(s["foundPulses"].get<int>()) + ": " +
          joined(s["foundPositions"]) + " | " + joined(s["foundEtalons"]) + " | " +
          joined(s["foundFirstSamples"]) + " | " + joined(s["foundLastSamples"]),
      " subset " + joined(s["subset"]) + " tuples 0:  |  foundTuple " +
          std::to_string(s["foundTuple"].get<int>()),
  };
  int index = 0;
  for (const json& p : run["chains"]["pretenders"])
    mine.push_back(" " + std::to_string(index++) + ": " + std::to_string(p["distance"].get<int>()) +
                   " [" + std::to_string(p["etalons"].size()) + "] " + joined(p["etalons"]) +
                   " | " + joined(p["positions"]) + " | " + joined(p["firstSamples"]) + " | " +
                   joined(p["lastSamples"]));
  EXPECT_EQ(mine, pinned);
}

TEST(CliRun, TextAndJsonDescribeTheSameRuns) {
  const std::vector<std::string> args{"--length", "200", "--next", "2", "--same", "1"};
  std::vector<std::string> textArgs{"run"};
  textArgs.insert(textArgs.end(), args.begin(), args.end());
  const ToolResult text = runTool(textArgs);
  ASSERT_EQ(text.exitCode, 0) << text.err;
  const json doc = runJson(args);
  ASSERT_EQ(doc["runs"].size(), 3u);
  EXPECT_EQ(doc["options"]["length"], 200);
  EXPECT_EQ(doc["options"]["next"], 2);
  EXPECT_EQ(doc["options"]["same"], 1);

  const char* commands[] = {"Processing Next Data", "Processing Next Data", "Processing Same Data"};
  size_t at = 0;
  for (int r = 0; r < 3; ++r) {
    const json& s = doc["runs"][r]["series"];
    const std::string head = "run " + std::to_string(r + 1) + ": " + commands[r] + "\n";
    at = text.out.find(head, at);
    ASSERT_NE(at, std::string::npos) << head;
    std::string detected = "detected pulses (" + std::to_string(s["foundPulses"].get<int>()) + "):";
    for (size_t k = 0; k < s["foundPositions"].size(); ++k)
      detected += " " + std::to_string(s["foundPositions"][k].get<int>()) + " (" +
                  std::to_string(s["foundEtalons"][k].get<int>()) + ") [" +
                  std::to_string(s["foundFirstSamples"][k].get<int>()) + ".." +
                  std::to_string(s["foundLastSamples"][k].get<int>()) + "]";
    EXPECT_NE(text.out.find(detected + "\n", at), std::string::npos) << detected;
    EXPECT_NE(text.out.find("ChainsHeader:\nwMaxSize: 10\n", at), std::string::npos);
  }
  EXPECT_NE(text.out.find(" recognition for series with known number of cut-off pulses\n"
                          "series: length 200, Tmin 40, Tmax 181, amplitude 128, noise 20\n"),
            std::string::npos);

  // Next Data makes a new series each time; Same Data processes the very same one again.
  const json& second = doc["runs"][1]["series"];
  const json& third = doc["runs"][2]["series"];
  EXPECT_NE(doc["runs"][0]["series"]["noisyData"], second["noisyData"]);
  EXPECT_EQ(second["noisyData"], third["noisyData"]);
  EXPECT_EQ(second["foundPositions"], third["foundPositions"]);
  EXPECT_EQ(doc["runs"][1]["chains"], doc["runs"][2]["chains"]);
}

TEST(CliRun, PerPulseArraysHoldExactlyThePulseCounts) {
  for (const char* series : {"fixed-cutoff", "unfixed-cutoff", "unfixed-tuples"}) {
    const json doc = runJson({"--series", series, "--length", "600", "--subsets", "3,5;7,1,2",
                              "--next", "2"});
    for (const json& run : doc["runs"]) {
      const json& s = run["series"];
      const size_t q = s["impulseQuantity"], f = s["foundPulses"];
      for (const char* key : {"positions", "etalons", "firstSamples", "lastSamples",
                              "minPositions", "maxPositions"})
        EXPECT_EQ(s[key].size(), q) << series << " " << key;
      for (const char* key : {"foundPositions", "foundEtalons", "foundFirstSamples",
                              "foundLastSamples"})
        EXPECT_EQ(s[key].size(), f) << series << " " << key;
      EXPECT_EQ(s["pureData"].size(), s["seriesSize"].get<size_t>());
      EXPECT_EQ(run["etalonSequence"].size(), s["maxPulses"].get<size_t>());
      for (const json& p : run["chains"]["pretenders"]) {
        EXPECT_EQ(p["positions"].size(), p["etalons"].size());
        EXPECT_EQ(p["firstSamples"].size(), p["etalons"].size());
        EXPECT_EQ(p["lastSamples"].size(), p["etalons"].size());
      }
    }
  }
}

TEST(CliRun, SelectorsEtalonsAndSubsetsReachTheSeries) {
  json doc = runJson({"--length", "600", "--noise", "35", "--lost", "50"});
  EXPECT_EQ(doc["options"]["lost"], 50);
  EXPECT_EQ(doc["runs"][0]["series"]["seriesSize"], 600);
  EXPECT_EQ(doc["runs"][0]["series"]["noise"], 35);

  // Whole-pulse series force the lost-data level to 0.
  doc = runJson({"--series", "unfixed-whole", "--length", "200"});
  EXPECT_EQ(doc["options"]["lost"], 0);

  doc = runJson({"--task", "joint", "--etalons", "2,4,6", "--length", "200"});
  EXPECT_EQ(doc["runs"][0]["requiredList"], json({2, 4, 6}));
  for (const json& e : doc["runs"][0]["series"]["etalons"]) EXPECT_TRUE(e == 2 || e == 4 || e == 6);

  // Detection searches for the single etalon alone.
  doc = runJson({"--task", "detection", "--length", "200"});
  EXPECT_EQ(doc["runs"][0]["requiredList"], json({1}));
  EXPECT_EQ(doc["runs"][0]["effectiveTaskType"], kTaskDetection);

  doc = runJson({"--series", "fixed-tuples", "--task", "detection", "--subset", "3,5,8",
                 "--length", "600"});
  EXPECT_EQ(doc["runs"][0]["effectiveTaskType"], kTaskTupleDetection);
  EXPECT_EQ(doc["runs"][0]["series"]["subset"], json({3, 5, 8}));
  EXPECT_EQ(doc["options"]["subsets"], json({{3, 5, 8}}));

  // Tuple recognition: the current row of the list makes the series.
  doc = runJson({"--series", "unfixed-tuples", "--subsets", "3,5,8;12,4", "--current", "2",
                 "--length", "600"});
  EXPECT_EQ(doc["runs"][0]["effectiveTaskType"], kTaskTupleRecognition);
  EXPECT_EQ(doc["runs"][0]["series"]["subset"], json({12, 4}));
  EXPECT_EQ(doc["options"]["subset"], json({12, 4}));
}

TEST(CliRun, CreateSeriesTakesTheDialogValuesAndFillsTheRest) {
  const json doc = runJson({"--series", "fixed-whole", "--next", "0", "--create",
                            "length=600,tmin=30,tmax=150,etalon=3,pulses=10,sequence=3;4;5,noise=25"});
  ASSERT_EQ(doc["runs"].size(), 1u);
  const json& run = doc["runs"][0];
  EXPECT_EQ(run["seriesType"], kSeriesFixedWholeGiven);  // the series follows the given sequence
  const json& s = run["series"];
  EXPECT_EQ(s["seriesSize"], 600);
  EXPECT_EQ(s["tmin"], 30);
  EXPECT_EQ(s["tmax"], 150);
  EXPECT_EQ(s["impulseQuantity"], 10);
  EXPECT_EQ(s["noise"], 25);
  EXPECT_EQ(json(std::vector<json>(s["etalons"].begin(), s["etalons"].begin() + 3)), json({3, 4, 5}));
  const json& create = doc["options"]["create"];
  EXPECT_EQ(create["saved"], 100);  // as dialog 105 showed it for a whole-pulse series
  EXPECT_EQ(create["pulses"], 10);
  EXPECT_EQ(create["sequence"].size(), 10u);
}

struct UsageCase {
  std::vector<std::string> args;
  std::string reason;
};

TEST(CliUsage, EveryBadInputExitsWithTwoAReasonAndTheHint) {
  const std::vector<UsageCase> cases = {
      {{}, "A subcommand is required"},
      {{"frobnicate"}, "frobnicate"},
      {{"run", "--bogus"}, "--bogus"},
      {{"alphabet", "extra"}, "extra"},
      {{"run", "--length", "abc"}, "--length: 'abc' is not a number"},
      {{"run", "--noise", "1e3"}, "--noise: '1e3' is not a number"},
      {{"run", "--length", "300"}, "--length: 300 is not a value of the selector (200, 600, 1200)"},
      {{"run", "--noise", "25"}, "--noise: 25 is not a value of the selector (20, 35, 50)"},
      {{"run", "--lost", "10"}, "--lost: 10 is not a value of the selector (0, 25, 50)"},
      {{"run", "--lost", "25", "--series", "fixed-whole"}, "--lost: the lost data level applies only"},
      {{"run", "--task", "classify"}, "--task: unknown name 'classify'"},
      {{"simulate", "--series", "fixed"}, "--series: unknown name 'fixed'"},
      {{"run", "--etalons", ""}, "--etalons: empty etalon list"},
      {{"run", "--etalons", "1,,2"}, "--etalons: empty entry in etalon list"},
      {{"run", "--etalons", "1,21"}, "--etalons: etalon 21 is outside the alphabet (1..20)"},
      {{"run", "--etalons", "0"}, "--etalons: etalon 0 is outside the alphabet (1..20)"},
      {{"run", "--subset", ""}, "--subset: empty subset"},
      {{"run", "--subsets", "1,2;"}, "--subsets: empty subset 2"},
      {{"run", "--subset", "1,2,3,4,5,6,7,8,9,10,11"}, "--subset: 11 entries in subset, at most 10 fit"},
      {{"run", "--subsets", "1;2;3;4;5;6;7;8;9;10;11"}, "--subsets: 11 subsets, at most 10 fit"},
      {{"run", "--subsets", "1,2;3,4,5", "--current", "3"}, "--current: 3 is outside 1..2"},
      {{"run", "--current", "1"}, "--current: there is no subset list"},
      {{"run", "--series", "unfixed-tuples"}, "needs a subset of etalons"},
      {{"simulate", "--series", "fixed-tuples", "--task", "joint"}, "needs a subset of etalons"},
      {{"simulate", "--series", "unfixed-tuples", "--task", "series"}, "needs a subset of etalons"},
      {{"run", "--next", "-1"}, "--next: -1 is outside 0..10000"},
      {{"run", "--same", "10001"}, "--same: 10001 is outside 0..10000"},
      {{"run", "--same", "x"}, "--same: 'x' is not a number"},
      {{"run", "--next", "99999999999999999999"}, "--next: 99999999999999999999 is out of range"},
      {{"run", "--create", "length"}, "--create: 'length' is not key=value"},
      {{"run", "--create", "width=3"}, "--create: unknown key 'width'"},
      {{"run", "--create", "tmin=4,tmin=5"}, "--create: key 'tmin' given twice"},
      {{"run", "--create", "noise=loud"}, "--create noise: 'loud' is not a number"},
      {{"run", "--create", "sequence=1;0"}, "--create sequence: etalon 0 is outside the alphabet"},
      {{"simulate", "--repeats", "many"}, "--repeats: 'many' is not a number"},
      {{"simulate", "--json"}, "--json"},
      {{"simulate", "--json", "-", "--csv", "-"}, "--csv: only one output can go to stdout"},
      {{"simulate", "--json", "a", "--csv", "a"}, "--csv: the same file as --json"},
      {{"simulate", "--clock", "-1"}, "--clock: -1 is outside"},
      {{"simulate", "--threads", "0"}, "--threads: 0 is outside"},
  };
  for (const UsageCase& c : cases) {
    const ToolResult r = runTool(c.args);
    const std::string command =
        c.args.empty() || c.args[0] == "frobnicate" ? "velmora-cli" : "velmora-cli " + c.args[0];
    EXPECT_EQ(r.exitCode, 2) << commandLine(c.args);
    EXPECT_TRUE(r.out.empty()) << commandLine(c.args);
    EXPECT_EQ(r.err.rfind(command + ": error: ", 0), 0u) << r.err;
    const size_t firstLine = r.err.find('\n');
    EXPECT_NE(r.err.substr(0, firstLine).find(c.reason), std::string::npos)
        << commandLine(c.args) << "\n" << r.err;
    EXPECT_EQ(r.err.substr(firstLine + 1), "Run '" + command + " --help' for usage.\n")
        << commandLine(c.args);
  }
}

TEST(CliUsage, HelpShowsEveryOptionWithItsDefault) {
  const std::map<std::string, std::vector<std::string>> expected = {
      {"alphabet", {"--json"}},
      {"run",
       {"--task NAME=recognition", "--series NAME=fixed-cutoff", "--etalons", "--subset ",
        "--subsets", "--current VALUE=1", "--length VALUE=1200", "--noise VALUE=20",
        "--lost VALUE=25", "--create", "--next K=1", "--same K=0", "--json"}},
      {"simulate",
       {"--task NAME=recognition", "--length VALUE=1200", "--tmin VALUE=40", "--tmax VALUE=181",
        "--etalon VALUE=1", "--saved", "--proc-saved", "--from", "--to", "--incr VALUE=1",
        "--noise-initial VALUE=0", "--noise-steps VALUE=29", "--noise-step VALUE=5",
        "--repeats VALUE=100", "--json FILE", "--csv FILE", "--clock SECONDS", "--threads N", "--quiet"}},
  };
  for (const auto& [sub, options] : expected) {
    const ToolResult r = runTool({sub, "--help"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("Usage: velmora-cli " + sub), std::string::npos) << r.out;
    for (const std::string& o : options) EXPECT_NE(r.out.find(o), std::string::npos) << sub << ": " << o;
  }
  EXPECT_EQ(runTool({"--help"}).exitCode, 0);
}

TEST(CliRefusal, DialogValuesTheSystemRefusesExitWithOneAndItsMessage) {
  ToolResult r = runTool({"run", "--create", "tmin=0"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(r.out.empty());
  EXPECT_NE(r.err.find("Create Series: Min Length of Interval must lie between 1 and 65535!\n"),
            std::string::npos) << r.err;
  EXPECT_NE(r.err.find("velmora-cli: Create series... was refused\n"), std::string::npos);

  TempDir dir;
  const std::string existing = dir.file("old.json");
  std::ofstream(existing) << "keep";
  r = runTool({"simulate", "--quiet", "--repeats", "0", "--json", existing});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find(" Location Parameters: Number of Repeats must lie between 1 and 65535!"),
            std::string::npos) << r.err;
  EXPECT_EQ(readText(existing), "keep");
  EXPECT_EQ(dir.entries(), std::vector<std::string>{"old.json"});
}

const std::vector<std::string> kSmallSimulation = {
    "simulate", "--quiet", "--length", "200", "--from", "2", "--to", "4", "--incr", "2",
    "--noise-initial", "10", "--noise-steps", "2", "--noise-step", "15", "--repeats", "3"};

std::vector<std::string> with(std::vector<std::string> args, const std::vector<std::string>& more) {
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

TEST(CliDeterminism, TheSameCommandGivesByteIdenticalOutput) {
  const std::vector<std::vector<std::string>> commands = {
      {"alphabet"},
      {"run", "--length", "600", "--next", "2", "--same", "1"},
      {"run", "--json", "--series", "unfixed-cutoff", "--task", "joint", "--length", "600"},
      kSmallSimulation,
      with(kSmallSimulation, {"--json", "-", "--clock", "86400"}),
  };
  for (const auto& c : commands) {
    const ToolResult a = runTool(c), b = runTool(c);
    EXPECT_EQ(a.exitCode, 0) << commandLine(c) << a.err;
    EXPECT_FALSE(a.out.empty());
    EXPECT_EQ(a.out, b.out) << commandLine(c);
    EXPECT_EQ(a.err, b.err) << commandLine(c);
  }
}

TEST(CliSimulate, EveryThreadCountWritesTheSameBytes) {
  const auto one = runTool(with(kSmallSimulation, {"--json", "-", "--clock", "0", "--threads", "1"}));
  const auto two = runTool(with(kSmallSimulation, {"--json", "-", "--clock", "0", "--threads", "2"}));
  const auto all = runTool(with(kSmallSimulation, {"--json", "-", "--clock", "0"}));
  ASSERT_EQ(one.exitCode, 0) << one.err;
  EXPECT_EQ(one.out, two.out);
  EXPECT_EQ(one.out, all.out);
}

TEST(CliSimulate, JsonCsvAndTextAgree) {
  TempDir dir;
  const std::string jsonPath = dir.file("sim.json"), csvPath = dir.file("sim.csv");
  const ToolResult r =
      runTool(with(kSmallSimulation, {"--json", jsonPath, "--csv", csvPath, "--clock", "86400"}));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out.rfind("lpRestErrorHeader:\n", 0), 0u);  // the dump still goes to stdout
  EXPECT_NE(r.err.find("getPulseEstAsRepeats: Create series parameters:\n"), std::string::npos);

  const json doc = readJson(jsonPath);
  EXPECT_EQ(doc["format"], "velmora-sim/1");
  EXPECT_EQ(doc["pulseValues"], json({2, 4}));
  EXPECT_EQ(doc["noiseLevels"], json({10, 25}));
  EXPECT_EQ(doc["repeats"], 3);
  EXPECT_EQ(doc["complete"], 1);
  EXPECT_EQ(doc["startTime"], "1970-01-02T00:00:00Z");
  EXPECT_EQ(doc["elapsedSeconds"], 0);
  EXPECT_EQ(doc["options"]["from"], 2);
  EXPECT_EQ(doc["options"]["tmax"], 181);  // a default, as the dialog showed it
  EXPECT_EQ(doc["options"]["saved"], 75);

  std::istringstream csv(readText(csvPath));
  std::string line;
  std::getline(csv, line);
  EXPECT_EQ(line, "pulses,noise,restoring,detection,tuple_recognition");
  int rows = 0;
  for (size_t j = 0; j < 2; ++j)
    for (size_t i = 0; i < 2; ++i, ++rows) {
      ASSERT_TRUE(static_cast<bool>(std::getline(csv, line)));
      const std::string expected =
          std::to_string(doc["pulseValues"][j].get<int>()) + "," +
          std::to_string(doc["noiseLevels"][i].get<int>()) + "," +
          std::to_string(doc["tables"]["restoring"][i][j].get<int>()) + "," +
          std::to_string(doc["tables"]["detection"][i][j].get<int>()) + "," +
          std::to_string(doc["tables"]["tupleRecognition"][i][j].get<int>());
      EXPECT_EQ(line, expected);
    }
  EXPECT_FALSE(static_cast<bool>(std::getline(csv, line)));
  // The text is the error record's dump, with the same restoring errors.
  EXPECT_NE(r.out.find(" 1 [2]:  " + std::to_string(doc["tables"]["restoring"][0][0].get<int>()) +
                       " " + std::to_string(doc["tables"]["restoring"][1][0].get<int>()) + "\n"),
            std::string::npos) << r.out;

  // JSON to stdout takes the place of the dump.
  const ToolResult toStdout = runTool(with(kSmallSimulation, {"--json", "-", "--clock", "86400"}));
  EXPECT_EQ(parse(toStdout.out), doc);
}

TEST(CliSimulate, AnOutputThatCannotBeWrittenLeavesNothing) {
  TempDir dir;
  const std::string good = dir.file("good.csv");
  const ToolResult r =
      runTool(with(kSmallSimulation, {"--csv", good, "--json", dir.file("missing/sim.json")}));
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("cannot create a temporary file for"), std::string::npos) << r.err;
  EXPECT_TRUE(dir.entries().empty());  // the other output is not written either
}

TEST(CliSimulate, CtrlCAndSigtermStopCleanlyWithoutWritingAnything) {
  for (const auto& [signal, status] : {std::pair{SIGINT, 130}, std::pair{SIGTERM, 143}}) {
    TempDir dir;
    const std::string out = dir.file("sim.json");
    bool signalled = false;
    // The full default grid runs far longer than the test: stop it once it has started.
    const ToolResult r =
        runTool({"simulate", "--json", out, "--csv", dir.file("sim.csv")},
                [&, signal = signal](const std::string& err, int pid) {
                  if (!signalled && err.find("number of repeats:") != std::string::npos) {
                    signalled = true;
                    kill(pid, signal);
                  }
                });
    ASSERT_TRUE(signalled) << r.err;
    EXPECT_EQ(r.exitCode, status) << r.err;
    EXPECT_TRUE(r.out.empty());
    EXPECT_NE(r.err.find("velmora-cli: simulation interrupted, nothing written\n"),
              std::string::npos);
    EXPECT_TRUE(dir.entries().empty());
  }
}

TEST(CliUsage, LongValuesAreCutInTheErrorLine) {
  const std::string huge(100000, '9'), word(100000, 'x');
  const std::vector<std::vector<std::string>> commands = {
      {"run", "--next", huge},         {"run", "--length", huge},
      {"run", "--task", word},         {"run", "--create", word},
      {"run", "--etalons", "1," + huge}, {"run", "--" + word},
      {word},                          {"render", "--out", word},
      {"run", "extra" + word}};
  for (const auto& args : commands) {
    const ToolResult r = runTool(args);
    EXPECT_EQ(r.exitCode, 2);
    const std::string first = r.err.substr(0, r.err.find('\n'));
    EXPECT_LT(first.size(), 240u) << first.substr(0, 300);
    EXPECT_NE(first.find("..."), std::string::npos) << first.substr(0, 300);
  }
}

TEST(CliRun, DialogValuesTheProgramAdjustsAreReportedOnStderr) {
  // Outside 6..30 the pulse count becomes the middle of the range.
  ToolResult r = runTool({"run", "--next", "0", "--create", "pulses=500"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("velmora-cli: --create pulses=500 lies outside 6..30, the pulse counts "
                       "these series parameters admit; 18 was used\n"),
            std::string::npos)
      << r.err;
  for (const char* kept : {"pulses=6", "pulses=30", "tmin=40"}) {
    r = runTool({"run", "--next", "0", "--create", kept});
    EXPECT_EQ(r.err.find("was used"), std::string::npos) << kept << "\n" << r.err;
  }
  // An increment of 0 steps by 1.
  r = runTool({"simulate", "--quiet", "--length", "200", "--from", "2", "--to", "3", "--incr",
               "0", "--noise-steps", "1", "--repeats", "1", "--clock", "0"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.err.find("velmora-cli: --incr 0 steps through no pulse counts; 1 was used\n"),
            std::string::npos)
      << r.err;
}

// The length chosen on the selector is the length dialog 105 shows, as for a window user
// who clicks the length before " Create series... ".
TEST(CliRun, CreateSeriesTakesTheLengthChosenBeforeIt) {
  json doc = runJson({"--length", "600", "--next", "0", "--create", "tmin=40"});
  EXPECT_EQ(doc["runs"][0]["series"]["seriesSize"], 600);
  EXPECT_EQ(doc["options"]["create"]["length"], 600);
  doc = runJson({"--length", "600", "--next", "0", "--create", "length=200"});
  EXPECT_EQ(doc["runs"][0]["series"]["seriesSize"], 200);
}

}  // namespace
}  // namespace velmora::testing
