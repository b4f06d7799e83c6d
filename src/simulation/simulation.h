// The statistical simulation: over a grid of pulse counts and noise levels, synthesise a
// series, add noise, process it and accumulate the errors of the answers.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/window.h"
#include "model/alphabet.h"
#include "model/series.h"
#include "processing/chains.h"
#include "simulation/rest_error.h"

namespace velmora {

// Messages and captions of the driver.
inline constexpr const char* kSimulationCaption = "statCutoffPinpoint";
inline constexpr const char* kNoRestErrorHeader = "Absence of RestoreErrorHeader!";
inline constexpr const char* kNoSeriesHeader = "Absence of SeriesHeader!";
inline constexpr const char* kChainsCaption = " About ChainsHeader ";
inline constexpr const char* kChainsNotCreated = "Error getChainsHeader!";
inline constexpr const char* kChainsNotDescribed = "Error addToChainsHeader!";
inline constexpr const char* kRestErrorCaption = " About RestoreErrorHeader ";
inline constexpr const char* kRestErrorNotDescribed = "Ошибка addInitRestErrHeader!";
inline constexpr const char* kDriverCaption = " About statCutoffPinpoint ";
inline constexpr const char* kNoEtalonNumbers = "Ошибка lpEtalonNumbersList!";
inline constexpr const char* kSeriesNotMade = "Не могу создать ряд!";
inline constexpr const char* kSubsetCaption = " About selectedSubset ";
inline constexpr const char* kNoSelectedSubset = "Error: selected Subset is absence!";
inline constexpr const char* kNoSubsetList = "Ошибка selectedSubsetList!";
inline constexpr const char* kNoSubsetBlock = "Ошибка selectedSubset!";

// Where a run stands, reported after every repeat.
struct SimulationProgress {
  uint16_t pulseIndex = 0;   // j, 0-based
  uint16_t pulseCounts = 0;  // P
  uint16_t levelIndex = 0;   // i, 0-based
  uint16_t noiseLevels = 0;  // V
  int32_t repeat = 0;        // r, 0-based: the repeat just accumulated
  int32_t repeats = 0;       // R
  // The repeat's series (its truth, noisy samples, attached subset and answer) and its
  // chains record, valid during the call only. Later repeats may already be synthesised
  // into the caller's record by then, so this is the place to look at the repeat.
  const SeriesHeader* series = nullptr;
  const ChainsHeader* chains = nullptr;
};

// Watches a run. It is called on the thread that runs the driver, after a repeat's errors
// have been added to its grid point's sums, in repeat order; returning false stops the
// run (the repeats already processed ahead are dropped). It only observes: a run that
// completes gives the same results with or without an observer.
class SimulationObserver {
 public:
  virtual ~SimulationObserver() = default;
  virtual bool repeatDone(const SimulationProgress& progress) = 0;
};

// A message box shown during a run, kept to be shown later.
struct KeptMessage {
  std::string text;
  std::string caption;
  bool hasCaption = false;
  unsigned flags = 0;
};

// What the repeats of one grid point add up to. Every value is non-negative and a sum
// stops at the largest 64-bit value, so sums over parts of the repeats add up, in any
// order and grouping, to the sums over all of them.
struct GridPointSums {
  int64_t restoring = 0;
  int64_t detection = 0;
  int64_t tupleMisses = 0;
};
void addGridPointSums(GridPointSums& to, const GridPointSums& from);

// One process's part of a run that several processes make together. The repeats of a run
// are numbered in run order from 0: pulse count, then noise level, then repeat. A process
// synthesises and processes only the repeats it takes and passes over the others (their
// random draws, without their series or noise), so that every series it processes is the
// one a run made alone would process. The errors of its repeats go into sums per grid
// point; the share brings the sums of all processes together at the end, and the tables
// are made from the total.
class SimulationShare {
 public:
  virtual ~SimulationShare() = default;
  // Whether this process makes repeat `repeat`. Every repeat is taken by one process.
  virtual bool takes(int64_t repeat) const = 0;
  // A repeat made here has been accumulated (in run order), with the messages its
  // synthesis and processing showed; or it failed (`failed`; its last message says why)
  // and this process's part ends with it.
  virtual void repeatDone(int64_t repeat, bool failed, const std::vector<KeptMessage>& messages) = 0;
  // This process's part has ended: completed, or not (a failure, or the observer stopped
  // it). Brings every process's part together: on return `sums` (one per grid point,
  // pulse count major) holds the sums over all the repeats, and the messages of the
  // repeats have been shown on `window` in run order, as a run made alone shows them.
  // Returns whether every part completed.
  virtual bool combine(Window& window, std::vector<GridPointSums>& sums, bool completed) = 0;
};

// The few settings of the application a run reads and writes. The driver advances
// noiseSeed and writes the two time stamps; the caller copies them back.
struct SimulationContext {
  int16_t amplitude = kPulseAmplitude;
  uint16_t noiseSeed = 0;
  uint16_t subsetProceeding = 1;
  int32_t startTime = 0;  // seconds
  int32_t endTime = 0;
  // Source of the time stamps; the wall clock when empty.
  std::function<int32_t()> clock;
  SimulationObserver* observer = nullptr;
  // Threads that process series: 0 uses every core the machine has, 1 processes on the
  // calling thread alone. The tables do not depend on it.
  uint16_t threads = 0;
  // This process's part of a run made by several processes; null: the whole run. When
  // the run completes, the random states and the noise seed are those of the whole run;
  // `series` holds the last repeat this process made.
  SimulationShare* share = nullptr;
  // Seconds on a steady clock, for the estimate of the run's time; the system's steady
  // clock when empty.
  std::function<double()> stopwatch;
};

// A run that will take longer than this (seconds) says so, once, as soon as the time its
// first repeats took projects it there.
inline constexpr double kLongRunSeconds = 3600;

// "The simulation will take about 7 h 20 min: 1234 of 4567890 series took 0:00:02."
std::string longRunText(double projectedSeconds, int64_t done, int64_t total,
                        double elapsedSeconds);

// The threads a run uses for context.threads = `requested`.
unsigned simulationThreads(uint16_t requested);

// What a run will take in memory, to refuse one that cannot be had before anything is
// allocated.
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

// Runs the simulation over the grid of `errors` (initialised by initRestErrHeader) and
// fills its tables. `series` must be sized for the series length (getCutOffSeriesHeader);
// every synthesis replaces it, and when a synthesis fails it becomes null (the failed
// synthesis has released the record). Returns 1 when the run completed (ifComplete is
// then 1), 0 on failure or when the observer stopped it. A search that runs out of memory
// fails the run: its text is shown once, for the first repeat in order that failed.
//
// The series are synthesised and noised on the calling thread in repeat order (the random
// sources are sequential) and processed on context.threads threads, each repeat on its
// own copy of the series with its own chains record; the errors are accumulated, the
// messages shown and the observer called in repeat order. So the tables, the messages,
// the random states and the records a completed run leaves are the same for every
// thread count. At the end `series` holds the last repeat reported, with its answer.
int statCutoffPinpoint(Window& window, RestErrorHeader* errors, uint16_t alphabetSize,
                       const PulseHeader* alphabet, uint16_t requiredCount,
                       const uint16_t* requiredList, uint16_t seriesType,
                       uint16_t effectiveTaskType, uint16_t savedLevelMaking,
                       uint16_t savedLevelProcessing, SeriesHeader*& series,
                       SimulationContext& context);

// Sum over the series of the squared difference between the pure samples and the series
// rebuilt from the found pulses. 64-bit: a series of 32767 samples with full-range 16-bit
// differences exceeds 32 bits, and every value that fits 32 bits is unchanged.
int64_t getRestorationError(const SeriesHeader* header);

// The repeat step of a grid point: how many consecutive repeats share one truth.
// Recognition: R / n rounded; tuple detection: R; tuple recognition: R / T rounded;
// others: (R * M) >> M. Division by a zero count gives 0.
int64_t simulationStep(uint16_t effectiveTaskType, int32_t repeats, uint16_t requiredCount,
                       uint16_t tupleCount, int32_t pulseCount);

// The mean of a non-negative sum over the repeats, rounded half up: (2S + R) / (2R).
// 0 when there are no repeats.
int64_t roundedMean(int64_t sum, int32_t repeats);

// One repeat's addition to the detection sum: with d the sum of squared position errors
// of the first min(M, seeking) pulses, (M + 256 d) / (2M), that is 128 d / M rounded.
int64_t detectionContribution(const SeriesHeader& header, int32_t pulseCount,
                              uint16_t seekingPulses);

}  // namespace velmora
