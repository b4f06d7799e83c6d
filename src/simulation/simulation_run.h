// The run of the simulation driver (statCutoffPinpoint): the experiment (set-up, the
// truth of each repeat, its synthesis and its processing, in simulation.cpp) driven by the
// repeat pipeline (repeat_pipeline.cpp), possibly as one process's share of a run.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "common/report.h"
#include "model/alphabet.h"
#include "model/series.h"
#include "processing/chains.h"
#include "processing/search_workspace.h"
#include "simulation/process_shares.h"
#include "simulation/repeat_pipeline.h"
#include "simulation/rest_error.h"
#include "simulation/simulation.h"

namespace velmora {

struct ChainsRelease {
  void operator()(ChainsHeader* chains) const { freeChainsHeader(chains); }
};
using ChainsHandle = std::unique_ptr<ChainsHeader, ChainsRelease>;

// The tuples of a run, copied as 32-bit values for the tuple searches: the attached
// subset, and for tuple recognition every subset of the header's list.
struct TupleStore {
  std::vector<int32_t> subset;
  int32_t count = 0;  // T
  std::vector<int32_t> sizes;
  std::vector<int32_t> rows;  // T rows of `columns` entries
  std::vector<const int32_t*> rowPointers;
  int32_t columns = 0;  // Cmax
};

// One run of the driver. Making the truth of a repeat and synthesising its series
// (varyTruth, synthesise) draw from the shared random states and run in repeat order on
// the driver's thread; processing a synthesised series and measuring its errors
// (processRepeat) works only on the slot it is given, the workspace of its thread and
// read-only run data, so the repeats are processed on every thread at once. A ring of
// slots carries the repeats from synthesis through processing to their accumulation,
// which again runs in repeat order on the driver's thread.
class SimulationRun {
 public:
  SimulationRun(Reporter& reporter, RestErrorHeader& errors, uint16_t alphabetSize,
                const PulseHeader* alphabet, uint16_t requiredCount, const uint16_t* requiredList,
                uint16_t seriesType, uint16_t taskType, uint16_t savedLevelMaking,
                uint16_t savedLevelProcessing, SeriesHeader*& series, SimulationContext& context)
      : reporter_(reporter),
        errors_(errors),
        alphabetSize_(alphabetSize),
        alphabet_(alphabet),
        requiredCount_(requiredCount),
        requiredList_(requiredList),
        seriesType_(seriesType),
        taskType_(taskType),
        savedLevelMaking_(savedLevelMaking),
        savedLevelProcessing_(savedLevelProcessing),
        series_(series),
        context_(context),
        chains_(nullptr) {}
  SimulationRun(const SimulationRun&) = delete;
  SimulationRun& operator=(const SimulationRun&) = delete;
  ~SimulationRun();

  int run();

 private:
  bool setUp();
  bool copyTuples();
  void attachTuple(int32_t number);
  void setUpGridPoint(int32_t pulses);
  void varyTruth(int32_t repeat, int32_t pulses);
  bool synthesise(Reporter& reporter, int32_t pulses, int16_t noise);
  RepeatErrors processRepeat(SeriesHeader& series, ChainsHeader& chains,
                             SearchWorkspace& workspace, int32_t pulses,
                             int32_t expectedTuple) const;
  void storeGridPoint(uint16_t i, uint16_t j, int64_t restoring, int64_t detection,
                      int64_t tupleMisses);
  int finish(int result);

  // The pipeline (repeat_pipeline.cpp).
  bool runRepeats();
  bool makeSlots(size_t count);
  bool produce(int64_t q);
  bool passOver(int64_t q, RecordingReporter& messages);
  void report(RepeatSlot& slot, bool failed);
  bool combineShares(bool completed);
  RepeatSlot& slotOf(int64_t q) { return slots_[static_cast<size_t>(q % ring_)]; }
  void work();
  void stopWorkers();

  Reporter& reporter_;
  RestErrorHeader& errors_;
  uint16_t alphabetSize_;
  const PulseHeader* alphabet_;
  uint16_t requiredCount_;
  const uint16_t* requiredList_;
  uint16_t seriesType_;
  uint16_t taskType_;
  uint16_t savedLevelMaking_;
  uint16_t savedLevelProcessing_;
  SeriesHeader*& series_;
  SimulationContext& context_;

  // The attached subset as the run found it; tuple recognition attaches other tuples.
  uint16_t savedSubsetSize_ = 0;
  uint16_t savedSubsetStored_ = 0;
  std::vector<int16_t> savedSubset_;
  uint16_t tmin_ = 0;
  uint16_t tmax_ = 0;
  uint32_t seriesSize_ = 0;
  uint16_t impulseSize_ = 0;
  uint16_t maxPulses_ = 0;
  ChainsHandle chains_;
  std::vector<uint16_t> counters_;
  std::vector<uint16_t> sequence_;
  TupleStore tuples_;

  // Truth of the grid point being synthesised.
  int64_t step_ = 0;
  int64_t next_ = 0;
  int32_t currentTuple_ = 1;

  // A shared run: the next repeat to make or pass over, how the repeats passed over draw,
  // and the sums of the repeats made here.
  int64_t cursor_ = 0;
  int64_t skipPoint_ = -1;  // the grid point skip_ is for
  SynthesisSkip skip_;
  RandomJump noiseJump_;
  std::vector<GridPointSums> partial_;

  // The ring of slots: repeat q (counted over the whole run) uses slot q % ring_. Repeats
  // below produced_ are synthesised, below claimed_ taken by a thread, below consumed_
  // accumulated. The counters and the slots' done flags are guarded by mutex_.
  std::vector<RepeatSlot> slots_;
  int64_t ring_ = 1;
  std::vector<std::thread> workers_;
  std::mutex mutex_;
  std::condition_variable workReady_;
  std::condition_variable workDone_;
  int64_t produced_ = 0;
  int64_t claimed_ = 0;
  int64_t consumed_ = 0;
  bool stopping_ = false;
  SearchWorkspace driverWorkspace_;
};

}  // namespace velmora
