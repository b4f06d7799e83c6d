// velmora-cli simulate run by mpirun on this machine: any number of processes writes the
// bytes of one process, a process killed mid-run ends the run with nothing written, and a
// refused set-up is reported once. mpirun is kept on shared memory (no network) and
// allowed to start more processes than there are cores, and to run as root as CI does.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/types.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tool_runner.h"

namespace velmora::testing {
namespace {

namespace fs = std::filesystem;

// mpirun starting the tool; `before` goes between mpirun's options and the tool (more
// options, or a program that starts the tool given as its first argument).
std::vector<std::string> mpirun(int processes, const std::vector<std::string>& args,
                                const std::vector<std::string>& before = {}) {
  std::vector<std::string> argv{VELMORA_MPIEXEC, "--oversubscribe", "--bind-to", "none",
                                "--mca", "pml", "ob1", "--mca", "btl", "self,vader",
                                "--mca", "btl_vader_single_copy_mechanism", "none"};
  if (geteuid() == 0) argv.push_back("--allow-run-as-root");
  argv.insert(argv.end(), {"-np", std::to_string(processes)});
  argv.insert(argv.end(), before.begin(), before.end());
  argv.push_back(VELMORA_CLI_PATH);
  argv.insert(argv.end(), args.begin(), args.end());
  return argv;
}

std::string readText(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class Dir {
 public:
  Dir() {
    char name[] = "/tmp/velmora-mpi-test-XXXXXX";
    path_ = mkdtemp(name);
  }
  ~Dir() { fs::remove_all(path_); }
  fs::path operator/(const std::string& name) const { return path_ / name; }
  bool empty() const { return fs::is_empty(path_); }

 private:
  fs::path path_;
};

int count(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

std::vector<std::string> with(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Small grids of several task and series types, tuples among them. The second thread
// count checks that processes and threads combine.
TEST(CliMpi, EveryNumberOfProcessesWritesTheBytesOfOneProcess) {
  const std::vector<std::string> grid = {"simulate", "--quiet", "--clock", "3600", "--length",
                                         "200", "--noise-steps", "2", "--noise-step", "30",
                                         "--repeats", "7"};
  const std::vector<std::vector<std::string>> problems = {
      {"--from", "2", "--to", "4"},
      {"--task", "joint", "--series", "unfixed-cutoff", "--etalons", "2,4,6"},
      {"--task", "recognition", "--series", "fixed-tuples", "--subsets", "1,2;3,4,5",
       "--from", "3", "--to", "4"},
      {"--task", "detection", "--series", "unfixed-tuples", "--subset", "2,5,9", "--threads",
       "2"},
  };
  for (const auto& problem : problems) {
    const std::vector<std::string> args = with(grid, problem);
    Dir dir;
    const ToolResult alone =
        runTool(with(args, {"--json", (dir / "one.json").string(), "--csv", (dir / "one.csv").string()}));
    ASSERT_EQ(alone.exitCode, 0) << commandLine(args) << alone.err;
    ASSERT_FALSE(alone.out.empty());
    for (int processes : {1, 2, 3, 5}) {
      const std::string n = std::to_string(processes);
      const ToolResult r = runProgram(mpirun(
          processes, with(args, {"--json", (dir / (n + ".json")).string(), "--csv",
                                 (dir / (n + ".csv")).string()})));
      const std::string what = commandLine(args) + " over " + n + " processes";
      ASSERT_EQ(r.exitCode, 0) << what << "\n" << r.err;
      EXPECT_EQ(r.out, alone.out) << what;
      EXPECT_EQ(r.err, alone.err) << what;
      EXPECT_EQ(readText(dir / (n + ".json")), readText(dir / "one.json")) << what;
      EXPECT_EQ(readText(dir / (n + ".csv")), readText(dir / "one.csv")) << what;
    }
  }
}

// The processes of the job are mpirun's children; the pid of the one of `rank`, or 0.
int processOfRank(int mpirunPid, int rank) {
  const std::string mark = "OMPI_COMM_WORLD_RANK=" + std::to_string(rank) + '\0';
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string stat = readText(entry.path() / "stat");
    const size_t close = stat.rfind(')');
    if (close == std::string::npos) continue;
    std::istringstream rest(stat.substr(close + 2));
    std::string state;
    int parent = 0;
    rest >> state >> parent;
    if (parent == mpirunPid && readText(entry.path() / "environ").find(mark) != std::string::npos)
      return std::stoi(entry.path().filename().string());
  }
  return 0;
}

// The default grid runs long enough to be under way when process 1 is killed, or when
// mpirun gets the Ctrl-C of its terminal.
TEST(CliMpi, AKilledProcessOrCtrlCEndsTheRunWithoutOutput) {
  for (const bool ctrlC : {false, true}) {
    Dir dir;
    bool stopped = false;
    const ToolResult r = runProgram(
        mpirun(3, {"simulate", "--threads", "1", "--json", (dir / "sim.json").string(), "--csv",
                   (dir / "sim.csv").string()}),
        [&](const std::string& err, int mpirunPid) {
          if (stopped || err.find("number of repeats:") == std::string::npos) return;
          if (ctrlC) {
            stopped = kill(mpirunPid, SIGINT) == 0;
          } else if (const int pid = processOfRank(mpirunPid, 1)) {
            stopped = kill(pid, SIGKILL) == 0;
          }
        });
    const std::string what = ctrlC ? "Ctrl-C at mpirun" : "process 1 killed";
    ASSERT_TRUE(stopped) << what << "\n" << r.err;
    EXPECT_NE(r.exitCode, 0) << what << "\n" << r.err;
    EXPECT_TRUE(r.out.empty()) << what;
    EXPECT_TRUE(dir.empty()) << what;
  }
}

// Every process meets the bad dialog value; the first alone says so, and mpirun ends with
// status 1. Then each process runs under a shell that notes its own exit status, and
// mpirun is told to let every process end by itself (by default it ends the others once
// one has exited with a non-zero status).
TEST(CliMpi, ARefusedSetUpIsReportedOnceAndEveryProcessExitsOne) {
  Dir dir, statuses;
  const std::vector<std::string> args = {"simulate", "--quiet", "--repeats", "0", "--json",
                                         (dir / "sim.json").string()};
  const ToolResult r = runProgram(mpirun(3, args));
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_EQ(count(r.err, "Number of Repeats must lie between 1 and 65535!"), 1) << r.err;
  EXPECT_EQ(count(r.err, "velmora-cli: Statistical Simulation was refused"), 1) << r.err;
  EXPECT_TRUE(dir.empty());

  const std::string note = "\"$0\" \"$@\"; s=$?; echo $s > " + (statuses / "exit.").string() +
                           "$OMPI_COMM_WORLD_RANK; exit $s";
  runProgram(mpirun(3, args, {"--mca", "orte_abort_on_non_zero_status", "0", "/bin/sh", "-c", note}));
  for (int rank = 0; rank < 3; ++rank)
    EXPECT_EQ(readText(statuses / ("exit." + std::to_string(rank))), "1\n") << "process " << rank;
  EXPECT_TRUE(dir.empty());
}

}  // namespace
}  // namespace velmora::testing
