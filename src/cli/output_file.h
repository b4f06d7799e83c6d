// The tool's output files, written whole or not at all through the common atomic writer
// (common/atomic_file.h): a symlink is written through, a FIFO or device in place, a
// replaced file keeps its mode, and a failure on any output leaves every file as it was.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace velmora::cli {

struct PendingFile {
  std::string path;
  std::string content;
};

// Writes every file, or none of them. "-" means `out`, written last, once the files are
// in place. Returns an empty string, or the reason of the failure. A SIGINT or SIGTERM
// meanwhile (InterruptGuard::interrupted() then) gives the files up unless they were being
// put in place already, and nothing more is written.
std::string writeFiles(const std::vector<PendingFile>& files, std::ostream& out);

}  // namespace velmora::cli
