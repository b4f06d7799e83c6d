#include "cli/output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora::cli {

namespace {

std::string failure(const std::string& what, const std::string& path) {
  return "cannot " + what + " " + path + ": " + std::strerror(errno);
}

// Writes `content` to a new temporary file beside `path`; returns its name, or sets `error`.
std::string writeTemporary(const PendingFile& file, std::string& error) {
  std::string name = file.path + ".tmp-XXXXXX";
  const int fd = mkstemp(name.data());
  if (fd < 0) {
    error = failure("create a temporary file for", file.path);
    return {};
  }
  const char* data = file.content.data();
  size_t left = file.content.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, data, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = failure("write", name);
      ::close(fd);
      ::unlink(name.c_str());
      return {};
    }
    data += n;
    left -= static_cast<size_t>(n);
  }
  // mkstemp creates the file for its owner alone; give it the usual permissions.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  if (::fsync(fd) != 0 || ::close(fd) != 0) {
    error = failure("write", name);
    ::unlink(name.c_str());
    return {};
  }
  return name;
}

}  // namespace

std::string writeFiles(const std::vector<PendingFile>& files, std::ostream& out) {
  std::vector<std::string> temporaries;
  std::string error;
  for (const PendingFile& f : files) {
    if (f.path == "-") {
      temporaries.emplace_back();
      continue;
    }
    std::string name = writeTemporary(f, error);
    if (name.empty()) break;
    temporaries.push_back(std::move(name));
  }
  if (error.empty()) {
    for (size_t k = 0; k < files.size(); ++k) {
      if (files[k].path == "-") continue;
      if (std::rename(temporaries[k].c_str(), files[k].path.c_str()) != 0) {
        error = failure("rename a temporary file to", files[k].path);
        break;
      }
      temporaries[k].clear();
    }
  }
  for (const std::string& t : temporaries)
    if (!t.empty()) ::unlink(t.c_str());
  if (!error.empty()) return error;
  for (const PendingFile& f : files)
    if (f.path == "-") out << f.content << std::flush;
  return {};
}

}  // namespace velmora::cli
