// velmora-cli as one of several processes started by an MPI launcher
// (mpirun -np N velmora-cli simulate ...): the N processes make one simulation together.
// Each makes every N-th repeat on its own threads and passes over the others; process 0
// brings the parts together and alone prints, writes files and shows progress.
#pragma once

#include <memory>

#include "simulation/simulation.h"

namespace velmora::cli {

// How the launcher started this process, from its environment (Open MPI, PMIx, and
// MPICH's Hydra set these variables).
struct Launch {
  bool byLauncher = false;
  int size = 1;       // processes of the job
  int rank = 0;       // this one, 0-based
  int localSize = 1;  // processes of the job on this machine
};
Launch launchFromEnvironment();

// Whether this build can run over MPI (the VELMORA_MPI build option).
bool mpiBuilt();

// The processes of one job, for the lifetime of the object: MPI is started and stopped
// with it. Only the thread that made it may use it.
class Processes {
 public:
  virtual ~Processes() = default;
  virtual int rank() const = 0;
  virtual int size() const = 0;

  // Threads per process when --threads is not given: the cores this process may run on,
  // shared with the other processes of the job on this machine that may run on them too.
  virtual unsigned defaultThreads() const = 0;

  // This process's share of the next simulation, and an observer to give the run in
  // place of `inner` (process 0's progress, or null): it stops the run here when another
  // process's part ended early, and tells the others when this one stops.
  virtual SimulationShare& share() = 0;
  virtual SimulationObserver& observer(SimulationObserver* inner) = 0;

  // After the run: whether some process was interrupted (Ctrl-C, or a stop from its
  // progress observer) while none failed.
  virtual bool interrupted() const = 0;
};

// Starts MPI for a process the launcher started. Null in a build without MPI.
std::unique_ptr<Processes> startProcesses(int& argc, char**& argv);

}  // namespace velmora::cli
