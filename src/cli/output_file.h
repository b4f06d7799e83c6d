// Files written whole or not at all: the content goes to a temporary file beside the
// target, which is then renamed over it.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace velmora::cli {

struct PendingFile {
  std::string path;
  std::string content;
};

// Writes every file's temporary copy first and renames them only when all were written,
// so that a failure leaves no file half-written. "-" means `out`, written last. Returns
// an empty string, or the reason of the first failure.
std::string writeFiles(const std::vector<PendingFile>& files, std::ostream& out);

}  // namespace velmora::cli
