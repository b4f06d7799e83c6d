#include "common/resource_dir.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace velmora {

namespace fs = std::filesystem;

namespace {

std::string& overrideDir() {
  static std::string dir;
  return dir;
}

// The file of the executable or shared library this code was linked into.
std::string codeFile() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&findResourceDir), &info) != 0 && info.dli_fname &&
      info.dli_fname[0] == '/')
    return info.dli_fname;
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : self.string();
}

}  // namespace

std::string findResourceDir(const std::string& file) {
  if (file.empty()) return {};
  std::error_code ec;
  fs::path dir = fs::weakly_canonical(fs::path(file), ec).parent_path();
  if (ec) dir = fs::path(file).parent_path();
  // A few levels suffice: PREFIX/lib/python3/dist-packages is the deepest installed place,
  // build/tests/<layer> the deepest in a build tree.
  for (int level = 0; level < 6 && !dir.empty(); ++level) {
    const fs::path installed = dir / "share" / "velmora";
    if (fs::is_directory(installed / "fonts", ec)) return installed.string();
    const fs::path built = dir / "velmora-resources";
    if (fs::is_directory(built, ec)) return built.string();
    if (dir == dir.root_path()) break;
    dir = dir.parent_path();
  }
  return {};
}

std::string resourceDir() {
  if (!overrideDir().empty()) return overrideDir();
  if (const char* env = std::getenv("VELMORA_RESOURCES"); env && *env) return env;
  static const std::string found = [] {
    const std::string file = codeFile();
    const std::string dir = findResourceDir(file);
    // Not found: name the installed place, so that the messages of the readers say where
    // the files were expected.
    if (dir.empty()) return (fs::path(file).parent_path().parent_path() / "share" / "velmora").string();
    return dir;
  }();
  return found;
}

void setResourceDir(const std::string& dir) { overrideDir() = dir; }

}  // namespace velmora
