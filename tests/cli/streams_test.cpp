// velmora-cli's standard output and signals as a process meets them: a full or closed
// standard output, runs written while later ones are still being made, and a signal that
// arrives while the output files are being put in place.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "tool_runner.h"

extern char** environ;

namespace velmora::testing {
namespace {

namespace fs = std::filesystem;

enum class Stdout { kPipe, kFull, kClosed };

// The tool started with its standard output as `where` and its stderr on a pipe.
struct Started {
  pid_t pid = 0;
  int out = -1;  // read end of stdout, kPipe only
  int err = -1;
};

Started start(const std::vector<std::string>& args, Stdout where) {
  int outPipe[2] = {-1, -1}, errPipe[2];
  if (where == Stdout::kPipe && pipe(outPipe) != 0) throw std::runtime_error("pipe failed");
  if (pipe(errPipe) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (where == Stdout::kPipe) {
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, outPipe[0]);
  } else if (where == Stdout::kFull) {
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/full", O_WRONLY, 0);
  } else {
    posix_spawn_file_actions_addclose(&actions, STDOUT_FILENO);
  }
  posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
  posix_spawn_file_actions_addclose(&actions, errPipe[0]);
  std::vector<std::string> argv{VELMORA_CLI_PATH};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> cargs;
  for (std::string& a : argv) cargs.push_back(a.data());
  cargs.push_back(nullptr);
  Started s;
  const int spawned = posix_spawn(&s.pid, VELMORA_CLI_PATH, &actions, nullptr, cargs.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (where == Stdout::kPipe) close(outPipe[1]);
  close(errPipe[1]);
  if (spawned != 0) throw std::runtime_error("cannot start " VELMORA_CLI_PATH);
  s.out = outPipe[0];
  s.err = errPipe[0];
  return s;
}

// Reads the stderr of a started tool to its end and waits for it: the exit status (128 +
// the signal that ended it) and the stderr.
std::pair<int, std::string> finish(Started& s) {
  std::string err;
  char buffer[4096];
  for (ssize_t n; (n = read(s.err, buffer, sizeof buffer)) != 0;) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    err.append(buffer, static_cast<size_t>(n));
  }
  close(s.err);
  if (s.out >= 0) close(s.out);
  int status = 0;
  while (waitpid(s.pid, &status, 0) < 0 && errno == EINTR) {
  }
  return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), err};
}

const std::vector<std::string> kSmallSimulation = {
    "simulate", "--quiet", "--length", "200", "--from", "2", "--to", "3", "--noise-steps", "2",
    "--repeats", "2", "--clock", "0"};

TEST(CliStandardOutput, AFullOrClosedStdoutExitsWithOneAndSaysWhy) {
  const std::vector<std::vector<std::string>> commands = {
      {"alphabet"}, {"run", "--json", "--next", "2"}, kSmallSimulation};
  const std::pair<Stdout, std::string> outputs[] = {
      {Stdout::kFull, "No space left on device"}, {Stdout::kClosed, "Bad file descriptor"}};
  for (const auto& [where, reason] : outputs)
    for (const auto& args : commands) {
      Started s = start(args, where);
      const auto [status, err] = finish(s);
      EXPECT_EQ(status, 1) << commandLine(args) << "\n" << err;
      EXPECT_NE(err.find("velmora-cli: cannot write to standard output: " + reason + "\n"),
                std::string::npos)
          << commandLine(args) << "\n" << err;
    }
  // A command that writes nothing to stdout does not mind it closed.
  char name[] = "/tmp/velmora-cli-streams-XXXXXX";
  const fs::path dir = mkdtemp(name);
  Started s = start({"render", "--out", (dir / "window.png").string()}, Stdout::kClosed);
  EXPECT_EQ(finish(s).first, 0);
  EXPECT_TRUE(fs::is_regular_file(dir / "window.png"));
  fs::remove_all(dir);
}

// The first runs reach stdout while the later ones are still being made, so memory does
// not grow with the number of runs.
TEST(CliRun, RunsAreWrittenAsTheyFinishNotHeldToTheEnd) {
  for (const bool json : {true, false}) {
    std::vector<std::string> args{"run", "--next", "10000", "--same", "10000"};
    if (json) args.push_back("--json");
    Started s = start(args, Stdout::kPipe);
    std::string out;
    char buffer[65536];
    pollfd fd{s.out, POLLIN, 0};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (out.size() < 4096 && std::chrono::steady_clock::now() < deadline) {
      if (poll(&fd, 1, 1000) <= 0) continue;
      const ssize_t n = read(s.out, buffer, sizeof buffer);
      if (n <= 0) break;
      out.append(buffer, static_cast<size_t>(n));
    }
    int status = 0;
    EXPECT_EQ(waitpid(s.pid, &status, WNOHANG), 0) << "the tool ended before its first output";
    kill(s.pid, SIGKILL);
    finish(s);
    ASSERT_GE(out.size(), 4096u);
    EXPECT_EQ(out.rfind(json ? "{\"format\":\"velmora-run/1\"" : "run 1: Processing Next Data\n", 0),
              0u);
  }
}

// A SIGTERM while the outputs are written leaves no temporary file behind. Caught while the
// tool still waits for the FIFO's reader, it ends the write with nothing put in place;
// caught once the files are being put in place, it waits until every output is whole.
TEST(CliSimulate, ASignalWhileTheFilesAreWrittenLeavesNoTemporaryFile) {
  char name[] = "/tmp/velmora-cli-streams-XXXXXX";
  const fs::path dir = mkdtemp(name);
  const std::string fifo = (dir / "sim.json").string(), csv = (dir / "sim.csv").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

  // The regular output is written to a temporary file first; the FIFO is opened after it
  // and holds the writing up until a reader comes. Signal the tool in between.
  std::atomic<bool> signalled{false};
  std::string received;
  std::thread reader;
  std::vector<std::string> args = kSmallSimulation;
  args.insert(args.end(), {"--json", fifo, "--csv", csv});
  const ToolResult r = runTool(args, [&](const std::string&, int pid) {
    if (reader.joinable()) return;
    reader = std::thread([&, pid] {
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
      bool temporary = false;
      while (!temporary && std::chrono::steady_clock::now() < deadline) {
        for (const auto& e : fs::directory_iterator(dir))
          temporary = temporary || e.path().filename().string().rfind("sim.csv.", 0) == 0;
        if (!temporary) std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
      if (!temporary) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      kill(pid, SIGTERM);
      signalled = true;
      // Read without blocking, so that a tool the signal ended cannot hang the test.
      const int fd = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
      const auto readUntil = std::chrono::steady_clock::now() + std::chrono::seconds(15);
      char buffer[4096];
      while (fd >= 0 && std::chrono::steady_clock::now() < readUntil) {
        pollfd p{fd, POLLIN, 0};
        poll(&p, 1, 100);
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n > 0) received.append(buffer, static_cast<size_t>(n));
        if (n == 0 && !received.empty()) break;  // the writer is done
        if (n == 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
      if (fd >= 0) close(fd);
    });
  });
  if (reader.joinable()) reader.join();
  ASSERT_TRUE(signalled) << r.err;
  EXPECT_EQ(r.exitCode, 143) << r.err;
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  if (names == std::vector<std::string>{"sim.json"}) {  // ended while waiting for the reader
    EXPECT_NE(r.err.find("interrupted"), std::string::npos) << r.err;
  } else {
    EXPECT_EQ(names, (std::vector<std::string>{"sim.csv", "sim.json"}));
    std::ifstream in(csv);
    std::string header;
    std::getline(in, header);
    EXPECT_EQ(header, "pulses,noise,restoring,detection,tuple_recognition");
    ASSERT_FALSE(received.empty());
    EXPECT_EQ(received.front(), '{');
    EXPECT_EQ(received.back(), '\n');
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace velmora::testing
