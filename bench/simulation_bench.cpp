// The default statistical simulation (recognition on a fixed number of cut-off pulses,
// L 1200, pulse counts 6..30, 29 noise levels, 20 etalons, saved level 75) on 1 and on all
// threads. The full run has 100 repeats (72,500 series); the short one 4 repeats.
#include <benchmark/benchmark.h>

#include "bench_support.h"

namespace velmora::bench {
namespace {

void BM_DefaultSimulation(benchmark::State& state) {
  const int32_t repeats = static_cast<int32_t>(state.range(0));
  const uint16_t threads = static_cast<uint16_t>(state.range(1));
  SimulationRun run;
  for (auto _ : state) run = runDefaultSimulation(repeats, threads);
  if (run.result != 1) state.SkipWithError("the simulation did not complete");
  state.counters["series"] = static_cast<double>(run.series);
  state.counters["per_series"] =
      benchmark::Counter(static_cast<double>(run.series),
                         benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["checksum_low"] = static_cast<double>(run.checksum & 0xFFFFFF);
}
// Arguments: repeats, threads (0: all cores).
BENCHMARK(BM_DefaultSimulation)
    ->Args({4, 1})
    ->Args({4, 0})
    ->Args({100, 1})
    ->Args({100, 0})
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);

}  // namespace
}  // namespace velmora::bench
