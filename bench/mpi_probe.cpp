// What the processes of a shared simulation spend on talking to each other, run under
// mpirun (one thread each):
//   mpirun -np N velmora_mpi_probe [points] [rounds]
// Times the step that ends a run, ROUNDS times: the reduction of the sums of POINTS grid
// points (725 for the default grid) and the gathering of the messages (none, as in a
// normal run); and the look for a stop that every accumulated repeat makes. Process 0
// prints the figures.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench_support.h"
#include "cli/processes.h"

using namespace velmora;
using Clock = std::chrono::steady_clock;

int main(int argc, char** argv) {
  std::unique_ptr<cli::Processes> processes = cli::startProcesses(argc, argv);
  if (!processes) {
    std::fprintf(stderr, "velmora_mpi_probe: this build has no MPI support\n");
    return 1;
  }
  const long points = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 725;
  const long rounds = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 200;
  if (points < 1 || rounds < 1) {
    std::fprintf(stderr, "usage: mpirun -np N velmora_mpi_probe [points >= 1] [rounds >= 1]\n");
    return 2;
  }
  bench::QuietWindow window;
  SimulationShare& share = processes->share();
  std::vector<GridPointSums> sums(static_cast<size_t>(points), GridPointSums{1, 1, 1});
  share.combine(window, sums, true);  // the first round sets up the channels

  std::vector<double> times;
  for (long k = 0; k < rounds; ++k) {
    const auto start = Clock::now();
    share.combine(window, sums, true);
    times.push_back(std::chrono::duration<double>(Clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());

  // The observer looks for a stop from the others at most every 20 ms; between looks a
  // repeat pays for reading the clock.
  SimulationObserver& observer = processes->observer(nullptr);
  const SimulationProgress progress{0, 1, 0, 1, 0, 1};
  const long looks = 2'000'000;
  const auto start = Clock::now();
  for (long k = 0; k < looks; ++k) observer.repeatDone(progress);
  const double perLook = std::chrono::duration<double>(Clock::now() - start).count() / looks;

  if (processes->rank() == 0)
    std::printf("%d processes, %ld grid points: ending a run %.1f us (median of %ld; fastest "
                "%.1f us, slowest %.1f us); the look for a stop %.3f us per repeat\n",
                processes->size(), points, 1e6 * times[times.size() / 2], rounds,
                1e6 * times.front(), 1e6 * times.back(), 1e6 * perLook);
  return 0;
}
