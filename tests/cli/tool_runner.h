// Runs velmora-cli as a process and collects its exit status and both output streams.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace velmora::testing {

struct ToolResult {
  int exitCode = -1;   // the exit status, or 128 + the signal that ended the process
  std::string out;
  std::string err;
};

// Runs the tool with `args`. When `onErr` is given it is called with the stderr read so
// far once the process has started and whenever more arrives, and with the process id,
// so that a test can signal it.
ToolResult runTool(const std::vector<std::string>& args,
                   const std::function<void(const std::string& err, int pid)>& onErr = {});

// Runs `argv[0]` (a path) with the arguments that follow, as runTool runs the tool.
ToolResult runProgram(const std::vector<std::string>& argv,
                      const std::function<void(const std::string& err, int pid)>& onErr = {});

// "velmora-cli arg arg ..." for messages.
std::string commandLine(const std::vector<std::string>& args);

}  // namespace velmora::testing
