#include "cli/processes.h"

#include <climits>
#include <cstdlib>

namespace velmora::cli {

namespace {

bool readCount(const char* name, int& out) {
  const char* text = std::getenv(name);
  if (text == nullptr || *text == '\0') return false;
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (*end != '\0' || value < 0 || value > INT_MAX) return false;
  out = static_cast<int>(value);
  return true;
}

}  // namespace

Launch launchFromEnvironment() {
  Launch launch;
  const struct {
    const char* size;
    const char* rank;
    const char* localSize;
  } launchers[] = {{"OMPI_COMM_WORLD_SIZE", "OMPI_COMM_WORLD_RANK", "OMPI_COMM_WORLD_LOCAL_SIZE"},
                   {"PMI_SIZE", "PMI_RANK", "MPI_LOCALNRANKS"}};
  for (const auto& names : launchers) {
    int size = 0, rank = 0;
    if (!readCount(names.size, size) || !readCount(names.rank, rank) || size < 1 || rank >= size)
      continue;
    launch.byLauncher = true;
    launch.size = size;
    launch.rank = rank;
    if (!readCount(names.localSize, launch.localSize) || launch.localSize < 1)
      launch.localSize = 1;
    break;
  }
  return launch;
}

}  // namespace velmora::cli
