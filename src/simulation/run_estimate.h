// What a run will take: the time, told once a run's first repeats project it beyond an
// hour, and the memory, to refuse a run that cannot be had before anything is allocated.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "common/report.h"

namespace velmora {

// A run that will take longer than this (seconds) says so, once, as soon as the time its
// first repeats took projects it there.
inline constexpr double kLongRunSeconds = 3600;

// "The simulation will take about 7 h 20 min: 1234 of 4567890 series took 0:00:02."
std::string longRunText(double projectedSeconds, int64_t done, int64_t total,
                        double elapsedSeconds);

// Tells, once, how long a run will take as soon as the repeats accumulated so far project
// it beyond kLongRunSeconds. The pace is measured from the first repeat accumulated on,
// over a few seconds at least: the first repeat also paid for filling the ring and for the
// threads' first storage.
class LongRunNotice {
 public:
  // `stopwatch`: seconds on a steady clock; the system's steady clock when empty.
  explicit LongRunNotice(std::function<double()> stopwatch);

  // `done` of `total` repeats have been accumulated.
  void check(Reporter& reporter, int64_t done, int64_t total);

 private:
  double seconds() const;

  std::function<double()> stopwatch_;
  double start_;
  double first_ = 0;  // when the first repeat was accumulated
  bool shown_ = false;
};

// What a run will take in memory.
struct SimulationSize {
  uint16_t pulseCounts = 0;  // P
  uint16_t noiseLevels = 0;  // V
  uint32_t seriesLength = 0;
  uint16_t pulseLength = 0;
  uint16_t tmin = 0;
  uint16_t tmax = 0;
  uint16_t greatestPulses = 0;  // the grid's greatest pulse count
  uint16_t seriesType = 0;
  uint16_t effectiveTaskType = 0;
  uint16_t threads = 0;  // as SimulationContext::threads
};

// About how many bytes the run allocates: the error record's six tables over the grid;
// the caller's series record, and a series record and a chains record for each repeat in
// flight (four per thread); and per thread the storage of its searches (the chain table a
// fixed-count search keeps for the greatest pulse count, and tables over the series
// positions).
uint64_t simulationMemoryNeed(const SimulationSize& size);

}  // namespace velmora
