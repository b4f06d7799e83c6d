// A fixed script of velmora-cli commands (every task type on every series type, the
// selectors, the required etalons, " Create series... " and small simulations) whose
// complete outputs, stdout and stderr, are pinned in golden/. Any change of a result fails
// here. After a deliberate change, run with VELMORA_UPDATE_GOLDEN=1 to rewrite the files
// and review their diff.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tool_runner.h"

namespace velmora::testing {
namespace {

using Args = std::vector<std::string>;

std::vector<Args> runScript() {
  std::vector<Args> commands;
  const char* series[] = {"fixed-whole",    "fixed-cutoff", "unfixed-whole",
                          "unfixed-cutoff", "fixed-tuples", "unfixed-tuples"};
  const char* tasks[] = {"detection", "recognition", "joint", "series"};
  for (const char* s : series)
    for (const char* t : tasks) {
      Args a{"run", "--series", s, "--task", t, "--length", "200"};
      if (std::string(s).find("tuples") != std::string::npos)
        a.insert(a.end(), {"--subset", "3,5,8", "--subsets", "3,5,8;12,4"});
      commands.push_back(a);
    }
  commands.push_back({"run", "--task", "joint", "--length", "600", "--noise", "35", "--lost",
                      "50", "--etalons", "2,4,6", "--next", "2", "--same", "1"});
  commands.push_back({"run", "--series", "fixed-whole", "--create",
                      "length=600,tmin=30,tmax=150,etalon=3,saved=80,proc-saved=70,pulses=10,"
                      "sequence=3;4;5,noise=25"});
  commands.push_back({"run", "--series", "unfixed-cutoff", "--create", "length=200,pulses=3",
                      "--next", "0", "--same", "1"});
  commands.push_back({"run", "--series", "unfixed-tuples", "--subsets", "3,5;12,4;7,7,1",
                      "--current", "3", "--length", "600", "--next", "2"});
  return commands;
}

std::vector<Args> simulationScript() {
  return {
      {"simulate", "--quiet", "--length", "200", "--from", "2", "--to", "4", "--incr", "2",
       "--noise-initial", "10", "--noise-steps", "2", "--noise-step", "15", "--repeats", "3",
       "--clock", "0"},
      {"simulate", "--quiet", "--series", "fixed-tuples", "--task", "detection", "--subset",
       "3,5,8", "--length", "600", "--from", "5", "--to", "6", "--noise-steps", "2",
       "--noise-step", "30", "--repeats", "2", "--clock", "0"},
      {"simulate", "--quiet", "--series", "unfixed-tuples", "--subsets", "3,5;12,4", "--length",
       "400", "--from", "2", "--to", "4", "--noise-steps", "2", "--noise-step", "30",
       "--repeats", "4", "--clock", "0"},
      {"simulate", "--quiet", "--series", "unfixed-whole", "--task", "joint", "--length", "200",
       "--from", "1", "--to", "4", "--noise-steps", "3", "--noise-step", "20", "--repeats", "2",
       "--clock", "0"},
  };
}

// Every command with its exit status, stdout and stderr.
std::string transcript(const std::vector<Args>& commands) {
  std::string out;
  for (const Args& c : commands) {
    const ToolResult r = runTool(c);
    out += "$ " + commandLine(c) + "\n";
    out += "exit " + std::to_string(r.exitCode) + "\n";
    out += "--- stdout\n" + r.out;
    out += "--- stderr\n" + r.err;
  }
  return out;
}

Args with(Args a, const Args& more) {
  a.insert(a.end(), more.begin(), more.end());
  return a;
}

void compareWithGolden(const std::string& name, const std::string& text) {
  const std::string path = std::string(VELMORA_CLI_GOLDEN_DIR) + "/" + name;
  if (std::getenv("VELMORA_UPDATE_GOLDEN")) {
    std::ofstream(path) << text;
    GTEST_SKIP() << "rewrote " << path;
  }
  std::ifstream in(path);
  ASSERT_TRUE(in.good()) << "missing " << path;
  std::stringstream expected;
  expected << in.rdbuf();
  std::istringstream a(expected.str()), b(text);
  std::string lineA, lineB, command;
  for (int line = 1; std::getline(a, lineA); ++line) {
    if (lineA.rfind("$ ", 0) == 0) command = lineA;
    ASSERT_TRUE(static_cast<bool>(std::getline(b, lineB))) << name << " ends before line " << line;
    ASSERT_EQ(lineB, lineA) << name << " line " << line << " of " << command;
  }
  EXPECT_FALSE(static_cast<bool>(std::getline(b, lineB))) << name << " goes on: " << lineB;
}

TEST(CliGolden, TextOutputsOfTheScript) {
  std::vector<Args> commands{{"alphabet"}};
  for (const Args& c : runScript()) commands.push_back(c);
  for (const Args& c : simulationScript()) commands.push_back(c);
  commands.push_back(with(simulationScript()[0], {"--csv", "-"}));
  compareWithGolden("script-text.txt", transcript(commands));
}

TEST(CliGolden, JsonOutputsOfTheScript) {
  std::vector<Args> commands{{"alphabet", "--json"}};
  for (const Args& c : runScript()) commands.push_back(with(c, {"--json"}));
  for (const Args& c : simulationScript()) commands.push_back(with(c, {"--json", "-"}));
  compareWithGolden("script-json.txt", transcript(commands));
}

}  // namespace
}  // namespace velmora::testing
