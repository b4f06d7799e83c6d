#include "common/resource_dir.h"

#include <cstdlib>

namespace velmora {

namespace {
std::string& overrideDir() {
  static std::string dir;
  return dir;
}
}  // namespace

std::string resourceDir() {
  if (!overrideDir().empty()) return overrideDir();
  if (const char* env = std::getenv("VELMORA_RESOURCES"); env && *env) return env;
  return VELMORA_DEFAULT_RESOURCE_DIR;
}

void setResourceDir(const std::string& dir) { overrideDir() = dir; }

}  // namespace velmora
