#include "simulation/repeat_pipeline.h"

#include <algorithm>
#include <new>
#include <system_error>

#include "processing/dispatch.h"
#include "model/series_copy.h"
#include "simulation/simulation_run.h"

namespace velmora {

SimulationRun::~SimulationRun() {
  stopWorkers();
  for (RepeatSlot& slot : slots_) freeChainsHeader(slot.chains);
}

// Creates `count` slots, each with a chains record like the run's and a series record of
// the caller's layout. False (after the message) when memory ran out.
bool SimulationRun::makeSlots(size_t count) {
  try {
    slots_.resize(count);
    for (RepeatSlot& slot : slots_) cloneSeriesLayout(*series_, *slot.series);
  } catch (const std::bad_alloc&) {
    reporter_.report(kSeriesNotMade, kDriverCaption);
    return false;
  }
  ring_ = static_cast<int64_t>(count);
  for (RepeatSlot& slot : slots_) {
    slot.chains = getChainsHeader(reporter_, kChainsPretenders, maxPulses_, nullptr);
    if (slot.chains == nullptr) {
      reporter_.report(kChainsNotCreated, kChainsCaption);
      return false;
    }
    addToChainsHeader(reporter_, seriesType_, taskType_, savedLevelMaking_, savedLevelProcessing_,
                      slot.chains);
  }
  return true;
}

// Synthesises repeat q into the caller's record (as a run on one thread does) and copies
// it into its slot. False when the synthesis failed; the slot then holds its messages.
bool SimulationRun::produce(int64_t t) {
  RepeatSlot& slot = slotOf(t);
  int64_t q = t;
  if (context_.share != nullptr) {
    while (!context_.share->takes(cursor_)) {
      slot.repeat = cursor_;
      if (!passOver(cursor_++, slot.messages)) return false;
    }
    q = cursor_++;
  }
  slot.repeat = q;
  const int32_t repeats = errors_.repeats;
  const int64_t point = q / repeats;
  const int32_t r = static_cast<int32_t>(q % repeats);
  const uint16_t j = static_cast<uint16_t>(point / errors_.wNoiseLevels);
  const uint16_t i = static_cast<uint16_t>(point % errors_.wNoiseLevels);
  const int32_t pulses = errors_.wPulseValues[j];
  if (r == 0) setUpGridPoint(pulses);
  varyTruth(r, pulses);
  if (!synthesise(slot.messages, pulses, errors_.lpNoiseLevels[i])) return false;
  try {
    cloneSeriesLayout(*series_, *slot.series);
  } catch (const std::bad_alloc&) {
    return false;
  }
  copySeriesState(*series_, *slot.series);
  slot.pulses = pulses;
  slot.expectedTuple = currentTuple_;
  return true;
}

// Passes over repeat q, which another process makes: its truth and its random draws, so
// that the repeats made here get the series of a run made alone. The last repeat of a
// grid point is synthesised in full (only its noise is jumped over), so that the record
// always holds what a run alone leaves in it, which a refused synthesis would process
// again. False when that synthesis failed; `messages` then holds what it showed.
bool SimulationRun::passOver(int64_t q, RecordingReporter& messages) {
  const int32_t repeats = errors_.repeats;
  const int64_t point = q / repeats;
  const int32_t r = static_cast<int32_t>(q % repeats);
  const int32_t pulses = errors_.wPulseValues[point / errors_.wNoiseLevels];
  if (r == 0) setUpGridPoint(pulses);
  varyTruth(r, pulses);
  if (r == repeats - 1) {
    series_ = getCutOffSeries(messages, alphabetSize_, alphabet_, impulseSize_, tmin_, tmax_,
                              seriesSize_, static_cast<uint16_t>(pulses), sequence_.data(),
                              context_.amplitude, savedLevelMaking_, series_);
    if (series_ == nullptr) return false;
    messages.messages.clear();
  } else {
    if (skipPoint_ != point) {
      skip_ = SynthesisSkip(alphabetSize_, alphabet_, impulseSize_, tmin_, tmax_, seriesSize_,
                            static_cast<uint16_t>(pulses), series_);
      skipPoint_ = point;
    }
    skip_.pass(sequence_.data(), *series_);
  }
  context_.noiseSeed = noiseJump_.apply(context_.noiseSeed);
  return true;
}

// Reports what a repeat reported, in run order: to the run's reporter, or, in a shared
// run, through the share.
void SimulationRun::report(RepeatSlot& slot, bool failed) {
  if (context_.share == nullptr) {
    for (const Message& m : slot.messages.messages) reporter_.report(m);
  } else {
    context_.share->repeatDone(slot.repeat, failed, slot.messages.messages);
  }
  slot.messages.messages.clear();
}

// Ends this process's part of a shared run: passes over the repeats after its last one,
// so that the random states end where a run alone leaves them, then brings the parts
// together and stores the tables of the whole run.
bool SimulationRun::combineShares(bool completed) {
  const int64_t total = int64_t{errors_.wVariousPulses} * errors_.wNoiseLevels * errors_.repeats;
  RecordingReporter messages;
  while (completed && cursor_ < total) {
    if (!passOver(cursor_, messages)) {
      messages.report(kSeriesNotMade, kDriverCaption);
      context_.share->repeatDone(cursor_, true, messages.messages);
      completed = false;
    }
    ++cursor_;
  }
  if (!context_.share->combine(reporter_, partial_, completed)) return false;
  for (uint16_t j = 0; j < errors_.wVariousPulses; ++j)
    for (uint16_t i = 0; i < errors_.wNoiseLevels; ++i) {
      const GridPointSums& sums = partial_[size_t{j} * errors_.wNoiseLevels + i];
      storeGridPoint(i, j, sums.restoring, sums.detection, sums.tupleMisses);
    }
  return true;
}

// A worker thread: processes the synthesised repeats in the order they were made until
// the run stops.
void SimulationRun::work() {
  SearchWorkspace workspace;
  std::unique_lock<std::mutex> lock(mutex_);
  while (true) {
    workReady_.wait(lock, [this] { return stopping_ || claimed_ < produced_; });
    if (stopping_) return;
    RepeatSlot& slot = slotOf(claimed_++);
    lock.unlock();
    slot.errors = processRepeat(*slot.series, *slot.chains, workspace, slot.pulses,
                                slot.expectedTuple);
    lock.lock();
    slot.done = true;
    workDone_.notify_all();
  }
}

void SimulationRun::stopWorkers() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  workReady_.notify_all();
  for (std::thread& worker : workers_) worker.join();
  workers_.clear();
}

// Runs every repeat of the grid. The driver's thread synthesises ahead as far as the ring
// allows, accumulates the next repeat as soon as it is processed, and otherwise processes
// repeats itself. False when a synthesis or a search failed or the observer stopped the
// run.
bool SimulationRun::runRepeats() {
  const unsigned threads = simulationThreads(context_.threads);
  LongRunNotice notice(context_.stopwatch);
  SimulationShare* const share = context_.share;
  if (share != nullptr) {
    try {
      partial_.assign(static_cast<size_t>(errors_.wVariousPulses) * errors_.wNoiseLevels,
                      GridPointSums{});
    } catch (const std::bad_alloc&) {
      reporter_.report(kSeriesNotMade, kDriverCaption);
      return combineShares(false);
    }
  }
  if (!makeSlots(kSlotsPerThread * threads)) return share ? combineShares(false) : false;
  try {
    for (unsigned t = 1; t < threads; ++t) workers_.emplace_back([this] { work(); });
  } catch (const std::system_error&) {
    // Fewer threads than asked for: the run goes on with those that started.
  }

  const int32_t repeats = errors_.repeats;
  int64_t total = int64_t{errors_.wVariousPulses} * errors_.wNoiseLevels * repeats;
  if (share != nullptr) {
    // Only the repeats taken here go round the ring.
    const int64_t all = total;
    total = 0;
    for (int64_t q = 0; q < all; ++q) total += share->takes(q) ? 1 : 0;
    noiseJump_ = noiseJump(series_);
  }
  int64_t failedAt = -1;  // the repeat whose synthesis failed
  int64_t last = -1;      // the last repeat accumulated
  int64_t restoring = 0, detection = 0;
  int32_t tupleMisses = 0;
  bool completed = true;

  std::unique_lock<std::mutex> lock(mutex_);
  while (consumed_ < total) {
    const int64_t q = consumed_;
    RepeatSlot& slot = slotOf(q);
    if (q == failedAt) {
      // Every repeat before it is accumulated: now the failure is reported, as it would
      // be on one thread.
      lock.unlock();
      slot.messages.report(kSeriesNotMade, kDriverCaption);
      report(slot, true);
      completed = false;
      break;
    }
    if (failedAt < 0 && produced_ < total && produced_ - q < ring_) {
      const int64_t next = produced_;
      lock.unlock();
      const bool made = produce(next);
      lock.lock();
      if (made) {
        ++produced_;
        workReady_.notify_one();
      } else {
        failedAt = next;
      }
      continue;
    }
    if (q < produced_ && slot.done && slot.errors.noMemory != nullptr) {
      // A search that ran out of memory leaves the repeat without an answer, and the grid
      // point's errors cannot be had: the run ends, reporting the first such repeat once.
      // The repeats processed ahead of it are dropped with their messages.
      lock.unlock();
      slot.messages.report(slot.errors.noMemory, nullptr);
      report(slot, true);
      completed = false;
      break;
    }
    if (q < produced_ && slot.done) {
      lock.unlock();
      const int32_t r = static_cast<int32_t>(slot.repeat % repeats);
      const int64_t point = slot.repeat / repeats;
      const uint16_t j = static_cast<uint16_t>(point / errors_.wNoiseLevels);
      const uint16_t i = static_cast<uint16_t>(point % errors_.wNoiseLevels);
      if (share != nullptr) {
        addGridPointSums(partial_[static_cast<size_t>(point)],
                         {slot.errors.restoring, slot.errors.detection, slot.errors.tupleMisses});
      } else {
        if (r == 0) {
          restoring = detection = 0;
          tupleMisses = 0;
        }
        restoring = saturatingAdd(restoring, slot.errors.restoring);
        detection = saturatingAdd(detection, slot.errors.detection);
        tupleMisses += slot.errors.tupleMisses;
      }
      report(slot, false);
      last = q;
      notice.check(reporter_, q + 1, total);
      bool go = true;
      if (context_.observer != nullptr) {
        SimulationProgress progress{j, errors_.wVariousPulses, i, errors_.wNoiseLevels, r, repeats};
        progress.series = slot.series.get();
        progress.chains = slot.chains;
        go = context_.observer->repeatDone(progress);
      }
      if (go && r == repeats - 1 && share == nullptr)
        storeGridPoint(i, j, restoring, detection, tupleMisses);
      lock.lock();
      slot.done = false;
      ++consumed_;
      if (!go) {
        completed = false;
        break;
      }
      continue;
    }
    if (claimed_ < produced_) {
      RepeatSlot& mine = slotOf(claimed_++);
      lock.unlock();
      mine.errors = processRepeat(*mine.series, *mine.chains, driverWorkspace_,
                                  mine.pulses, mine.expectedTuple);
      lock.lock();
      mine.done = true;
      continue;
    }
    workDone_.wait(lock);
  }
  if (lock.owns_lock()) lock.unlock();
  stopWorkers();
  if (share != nullptr) completed = combineShares(completed);

  // The caller's record shows the last repeat accumulated, with its answer, as after a
  // run on one thread.
  if (last >= 0 && series_ != nullptr && sameLayout(*slotOf(last).series, *series_))
    copySeriesState(*slotOf(last).series, *series_);
  return completed;
}

unsigned simulationThreads(uint16_t requested) {
  unsigned threads = requested;
  if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
  return std::min(threads, 256u);
}

}  // namespace velmora
