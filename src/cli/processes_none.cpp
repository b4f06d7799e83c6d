// A build without MPI: the tool runs as one process and says so when a launcher started
// several.
#include "cli/processes.h"

namespace velmora::cli {

bool mpiBuilt() { return false; }

std::unique_ptr<Processes> startProcesses(int& /*argc*/, char**& /*argv*/) { return nullptr; }

}  // namespace velmora::cli
