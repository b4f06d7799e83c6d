// The statistical simulation: over a grid of pulse counts and noise levels, synthesise a
// series, add noise, process it and accumulate the errors of the answers.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/report.h"
#include "model/alphabet.h"
#include "model/series.h"
#include "processing/chains.h"
#include "simulation/process_shares.h"
#include "simulation/rest_error.h"
#include "simulation/run_estimate.h"

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

// The threads a run uses for context.threads = `requested`.
unsigned simulationThreads(uint16_t requested);

// Runs the simulation over the grid of `errors` (initialised by initRestErrHeader) and
// fills its tables. `series` must be sized for the series length (getCutOffSeriesHeader);
// every synthesis replaces it, and when a synthesis fails it becomes null (the failed
// synthesis has released the record). Returns 1 when the run completed (ifComplete is
// then 1), 0 on failure or when the observer stopped it. A search that runs out of memory
// fails the run: its text is reported once, for the first repeat in order that failed.
//
// The series are synthesised and noised on the calling thread in repeat order (the random
// sources are sequential) and processed on context.threads threads, each repeat on its
// own copy of the series with its own chains record; the errors are accumulated, the
// messages reported and the observer called in repeat order. So the tables, the messages,
// the random states and the records a completed run leaves are the same for every
// thread count. At the end `series` holds the last repeat reported, with its answer.
int statCutoffPinpoint(Reporter& reporter, RestErrorHeader* errors, uint16_t alphabetSize,
                       const PulseHeader* alphabet, uint16_t requiredCount,
                       const uint16_t* requiredList, uint16_t seriesType,
                       uint16_t effectiveTaskType, uint16_t savedLevelMaking,
                       uint16_t savedLevelProcessing, SeriesHeader*& series,
                       SimulationContext& context);

// The repeat step of a grid point: how many consecutive repeats share one truth.
// Recognition: R / n rounded; tuple detection: R; tuple recognition: R / T rounded;
// others: (R * M) >> M. Division by a zero count gives 0.
int64_t simulationStep(uint16_t effectiveTaskType, int32_t repeats, uint16_t requiredCount,
                       uint16_t tupleCount, int32_t pulseCount);

}  // namespace velmora
