// velmora-cli's output files as a process sees them: links, FIFOs, standard output, modes,
// two names for one file, and a failure on the second output.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <atomic>
#include <thread>

#include "tool_runner.h"

namespace velmora::testing {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kSimulation = {
    "simulate", "--quiet", "--length", "200", "--from", "2", "--to", "4", "--incr", "2",
    "--noise-initial", "10", "--noise-steps", "2", "--noise-step", "15", "--repeats", "3",
    "--clock", "0"};

ToolResult simulate(const std::vector<std::string>& outputs) {
  std::vector<std::string> args = kSimulation;
  args.insert(args.end(), outputs.begin(), outputs.end());
  return runTool(args);
}

class TempDir {
 public:
  TempDir() {
    char name[] = "/tmp/velmora-cli-files-XXXXXX";
    path_ = mkdtemp(name);
  }
  ~TempDir() { fs::remove_all(path_); }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }
  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(path_)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  fs::path path_;
};

std::string readText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

struct stat statOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return st;
}

// The outputs of the simulation when nothing stands in the way, to compare against.
struct Reference {
  std::string json, csv;
  Reference() {
    TempDir dir;
    EXPECT_EQ(simulate({"--json", dir / "r.json", "--csv", dir / "r.csv"}).exitCode, 0);
    json = readText(dir / "r.json");
    csv = readText(dir / "r.csv");
  }
};
const Reference& reference() {
  static const Reference r;
  return r;
}

TEST(CliOutputFiles, ASymlinkIsWrittenThroughInsteadOfBeingReplaced) {
  TempDir dir;
  fs::create_directory(dir / "results");
  std::ofstream(dir / "results/sim.json") << "old";
  fs::create_symlink("results/sim.json", dir / "latest.json");
  const ToolResult r = simulate({"--json", dir / "latest.json"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(fs::is_symlink(dir / "latest.json"));
  EXPECT_EQ(readText(dir / "results/sim.json"), reference().json);
  EXPECT_EQ(dir.entries(), (std::vector<std::string>{"latest.json", "results"}));
}

TEST(CliOutputFiles, AFifoAndStandardOutputAreWrittenInPlaceNotReplacedByAFile) {
  TempDir dir;
  const std::string fifo = dir / "csv.pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const int reader = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);  // never blocks the tool
  ASSERT_GE(reader, 0);
  const ToolResult r = simulate({"--csv", fifo, "--json", "/dev/stdout"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  std::string received(65536, '\0');
  const ssize_t n = ::read(reader, received.data(), received.size());
  ::close(reader);
  received.resize(n > 0 ? static_cast<size_t>(n) : 0);
  EXPECT_EQ(received, reference().csv);
  EXPECT_TRUE(S_ISFIFO(statOf(fifo).st_mode));
  EXPECT_EQ(dir.entries(), std::vector<std::string>{"csv.pipe"});
  // The JSON comes first on standard output, then the dump as always.
  EXPECT_EQ(r.out.substr(0, reference().json.size()), reference().json);
  EXPECT_EQ(r.out.compare(reference().json.size(), 19, "lpRestErrorHeader:\n"), 0) << r.out;
  EXPECT_TRUE(fs::is_symlink("/dev/stdout"));
}

TEST(CliOutputFiles, AReplacedFileKeepsItsMode) {
  TempDir dir;
  std::ofstream(dir / "private.csv") << "old";
  ::chmod((dir / "private.csv").c_str(), 0600);
  const ToolResult r = simulate({"--csv", dir / "private.csv"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(readText(dir / "private.csv"), reference().csv);
  EXPECT_EQ(statOf(dir / "private.csv").st_mode & 07777, 0600u);
}

TEST(CliOutputFiles, TwoNamesOfOneFileAreRefusedAsTheSameFile) {
  TempDir dir;
  std::ofstream(dir / "kept.json") << "kept";
  fs::create_hard_link(dir / "kept.json", dir / "other-name.csv");
  for (const auto& [json, csv] : {std::pair{dir / "same.out", dir / "./same.out"},
                                  std::pair{dir / "kept.json", dir / "other-name.csv"}}) {
    const ToolResult r = simulate({"--json", json, "--csv", csv});
    EXPECT_EQ(r.exitCode, 2) << json;
    EXPECT_NE(r.err.find("--csv: the same file as --json"), std::string::npos) << r.err;
  }
  EXPECT_EQ(readText(dir / "kept.json"), "kept");
  EXPECT_EQ(dir.entries(), (std::vector<std::string>{"kept.json", "other-name.csv"}));
}

TEST(CliOutputFiles, AFailureOnTheSecondOutputLeavesTheFirstAsItWas) {
  TempDir dir;
  std::ofstream(dir / "exist.json") << "keep";
  fs::create_directory(dir / "somedir");
  const ino_t inode = statOf(dir / "exist.json").st_ino;
  const ToolResult r = simulate({"--json", dir / "exist.json", "--csv", dir / "somedir"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("velmora-cli: cannot write " + dir / "somedir" + ": Is a directory"),
            std::string::npos) << r.err;
  EXPECT_EQ(readText(dir / "exist.json"), "keep");
  EXPECT_EQ(statOf(dir / "exist.json").st_ino, inode);
  EXPECT_EQ(dir.entries(), (std::vector<std::string>{"exist.json", "somedir"}));
}

// Whether process `pid` waits in opening a file (a FIFO that no one reads).
bool waitsInOpen(int pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/syscall");
  long call = -1;
  return (in >> call) && (call == 257 || call == 2);  // openat, open
}

TEST(CliOutputFiles, ASignalEndsTheWaitForAFifosReaderAndLeavesNothing) {
  for (const auto& [signal, status] : {std::pair{SIGINT, 130}, std::pair{SIGTERM, 143}}) {
    TempDir dir;
    const std::string fifo = dir / "g.png";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::thread watcher;
    std::atomic<bool> finished{false};
    const ToolResult r = runTool(
        {"render", "--view", "alphabet", "--size", "64x48", "--out", fifo},
        [&, signal = signal](const std::string&, int pid) {
          if (watcher.joinable()) return;
          watcher = std::thread([pid, signal, &finished] {
            // Signal once the tool waits for a reader; give it 30 s to get there.
            for (int k = 0; k < 3000 && !waitsInOpen(pid); ++k) ::usleep(10000);
            ::kill(pid, signal);
            for (int k = 0; k < 1000 && !finished; ++k) ::usleep(10000);
            if (!finished) ::kill(pid, SIGKILL);  // still there after 10 s: the test fails
          });
        });
    finished = true;
    watcher.join();
    EXPECT_EQ(r.exitCode, status) << r.err;
    EXPECT_NE(r.err.find("velmora-cli: interrupted while writing the picture\n"),
              std::string::npos) << r.err;
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"g.png"});
    EXPECT_TRUE(S_ISFIFO(statOf(fifo).st_mode));
  }
}

}  // namespace
}  // namespace velmora::testing
