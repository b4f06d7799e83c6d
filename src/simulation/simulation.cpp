#include "simulation/simulation.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "model/problem_types.h"
#include "processing/chains.h"
#include "processing/dispatch.h"
#include "processing/fixed_search.h"
#include "processing/search_workspace.h"
#include "simulation/answer_measures.h"

namespace velmora {

namespace {

constexpr uint16_t kChainsPretenders = 10;
// Repeats in flight per processing thread: synthesised ahead, processed, or waiting to be
// accumulated.
constexpr size_t kSlotsPerThread = 4;

// The entries of the attached subset that lpSubset actually holds.
size_t storedSubsetEntries(const SeriesHeader& s) {
  if (s.lpSubset == nullptr) return 0;
  return std::min({s.wSubsetSize, s.wSubsetStored, s.wReservedImpulses});
}

int64_t saturatingAdd(int64_t sum, int64_t value) {
  if (value > 0 && sum > std::numeric_limits<int64_t>::max() - value)
    return std::numeric_limits<int64_t>::max();
  return sum + value;
}

int32_t saturate32(int64_t value) {
  if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

int32_t now(const SimulationContext& context) {
  if (context.clock) return context.clock();
  return static_cast<int32_t>(std::time(nullptr));
}

struct ChainsRelease {
  void operator()(ChainsHeader* chains) const { freeChainsHeader(chains); }
};
using ChainsHandle = std::unique_ptr<ChainsHeader, ChainsRelease>;

// Shows what the chains record reports on the run's window.
class WindowAsReporter : public Reporter {
 public:
  explicit WindowAsReporter(Window& window) : window_(window) {}
  using Reporter::report;
  void report(const Message& m) override {
    window_.messageBox(m.text, m.caption ? m.caption->c_str() : nullptr, kMbOk);
  }

 private:
  Window& window_;
};

// Records the messages of one repeat (its synthesis and its processing, possibly on
// another thread) so that the driver shows them on the real window in repeat order.
class MessageLog : public Window {
 public:
  int messageBox(const std::string& text, const char* caption, unsigned flags) override {
    entries_.push_back(KeptMessage{text, caption ? caption : "", caption != nullptr, flags});
    return kIdOk;
  }
  void setEditText(const std::string& /*text*/) override {}
  std::string editText() const override { return std::string(); }

  void replay(Window& window) {
    for (const KeptMessage& e : entries_)
      window.messageBox(e.text, e.hasCaption ? e.caption.c_str() : nullptr, e.flags);
    entries_.clear();
  }
  const std::vector<KeptMessage>& entries() const { return entries_; }
  void clear() { entries_.clear(); }

 private:
  std::vector<KeptMessage> entries_;
};

// The pointer fields of a series record that point into its data block.
int16_t* SeriesHeader::*const kBlockFields[] = {
    &SeriesHeader::lpPureData,          &SeriesHeader::lpNoisyData,
    &SeriesHeader::lpPositions,         &SeriesHeader::lpFoundPositions,
    &SeriesHeader::lpMinPositions,      &SeriesHeader::lpMaxPositions,
    &SeriesHeader::lpEtalons,           &SeriesHeader::lpFoundEtalons,
    &SeriesHeader::lpFirstSamples,      &SeriesHeader::lpLastSamples,
    &SeriesHeader::lpFoundFirstSamples, &SeriesHeader::lpFoundLastSamples,
    &SeriesHeader::lpSubset,            &SeriesHeader::lpTupleFirst,
    &SeriesHeader::lpTupleLast};

// Copies the series, its truth, windows, attached subset and answer from one record to
// another of the same layout (the stored subset list stays where it is). The copy must
// follow every field of the record: a new field needs a line here.
static_assert(sizeof(SeriesHeader) == 320, "copySeriesState must copy every field");
void copySeriesState(const SeriesHeader& from, SeriesHeader& to) {
  std::copy(from.block.begin(), from.block.end(), to.block.begin());
  std::copy(from.pulsesListBlock.begin(), from.pulsesListBlock.end(), to.pulsesListBlock.begin());
  to.dwSeriesSize = from.dwSeriesSize;
  to.wTmin = from.wTmin;
  to.wTmax = from.wTmax;
  to.wImpulseSize = from.wImpulseSize;
  to.wImpulseQuantity = from.wImpulseQuantity;
  to.wMaxPulses = from.wMaxPulses;
  to.wMinPulses = from.wMinPulses;
  to.wNoise = from.wNoise;
  to.wAmplitude = from.wAmplitude;
  to.lpFirstPulse = from.lpFirstPulse;
  to.wEtalons = from.wEtalons;
  to.wFoundPulses = from.wFoundPulses;
  to.wFirstSample = from.wFirstSample;
  to.wLastSample = from.wLastSample;
  to.wSubsetSize = from.wSubsetSize;
  to.wSubsetMode = from.wSubsetMode;
  to.wSubsetPosition = from.wSubsetPosition;
  to.wTupleInstances = from.wTupleInstances;
  to.wFoundTuple = from.wFoundTuple;
  to.wSubsetStored = from.wSubsetStored;
  to.lpPulsesList = from.lpPulsesList == from.pulsesListBlock.data() ? to.pulsesListBlock.data()
                                                                      : from.lpPulsesList;
}

bool sameLayout(const SeriesHeader& a, const SeriesHeader& b) {
  if (a.block.size() != b.block.size() || a.pulsesListBlock.size() != b.pulsesListBlock.size())
    return false;
  for (int16_t* SeriesHeader::*field : kBlockFields)
    if ((a.*field == nullptr) != (b.*field == nullptr) ||
        (a.*field && a.*field - a.block.data() != b.*field - b.block.data()))
      return false;
  return true;
}

// Gives `to` the layout of `from` (nothing to do when it has it already). Throws
// std::bad_alloc.
void cloneSeriesLayout(const SeriesHeader& from, SeriesHeader& to) {
  if (sameLayout(from, to)) return;
  to.block.assign(from.block.size(), 0);
  to.pulsesListBlock.assign(from.pulsesListBlock.size(), nullptr);
  for (int16_t* SeriesHeader::*field : kBlockFields)
    to.*field = from.*field ? to.block.data() + (from.*field - from.block.data()) : nullptr;
  to.dwReservedSize = from.dwReservedSize;
  to.wReservedImpulses = from.wReservedImpulses;
  to.wReservedEtalons = from.wReservedEtalons;
}

// The errors one processed repeat adds to its grid point, or the text of a search that
// ran out of memory (the repeat then has no answer and ends the run).
struct RepeatErrors {
  int64_t restoring = 0;
  int64_t detection = 0;
  int32_t tupleMisses = 0;
  const char* noMemory = nullptr;
};

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

// One repeat in flight: a copy of its series, its own chains record, the messages of its
// synthesis and processing, and the errors it yields.
struct RepeatSlot {
  std::unique_ptr<SeriesHeader> series = std::make_unique<SeriesHeader>();
  ChainsHeader* chains = nullptr;
  MessageLog messages;
  int64_t repeat = 0;  // in run order; differs from the slot's turn in a shared run
  int32_t pulses = 0;
  int32_t expectedTuple = 0;
  RepeatErrors errors;
  bool done = false;
};

// Tells, once, how long a run will take as soon as the repeats accumulated so far project
// it beyond kLongRunSeconds. The pace is measured from the first repeat accumulated on,
// over a few seconds at least: the first repeat also paid for filling the ring and for the
// threads' first storage.
class LongRunNotice {
 public:
  explicit LongRunNotice(const SimulationContext& context)
      : stopwatch_(context.stopwatch), start_(seconds()) {}

  void check(Window& window, int64_t done, int64_t total) {
    if (shown_ || done <= 0 || done >= total) return;
    const double now = seconds() - start_;
    if (done == 1) first_ = now;
    if (done < 2 || now - first_ < kEvidenceSeconds) return;
    const double pace = (now - first_) / static_cast<double>(done - 1);
    const double projected = first_ + pace * static_cast<double>(total - 1);
    if (projected <= kLongRunSeconds) return;
    shown_ = true;
    window.messageBox(longRunText(projected, done, total, now), kSimulationCaption, kMbOk);
  }

 private:
  static constexpr double kEvidenceSeconds = 2;

  double seconds() const {
    if (stopwatch_) return stopwatch_();
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }

  std::function<double()> stopwatch_;
  double start_;
  double first_ = 0;  // when the first repeat was accumulated
  bool shown_ = false;
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
  SimulationRun(Window& window, RestErrorHeader& errors, uint16_t alphabetSize,
                const PulseHeader* alphabet, uint16_t requiredCount, const uint16_t* requiredList,
                uint16_t seriesType, uint16_t taskType, uint16_t savedLevelMaking,
                uint16_t savedLevelProcessing, SeriesHeader*& series, SimulationContext& context)
      : window_(window),
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
        chains_(nullptr, ChainsRelease{}) {}
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
  bool synthesise(Window& window, int32_t pulses, int16_t noise);
  RepeatErrors processRepeat(Window& window, SeriesHeader& series, ChainsHeader& chains,
                             SearchWorkspace& workspace, int32_t pulses,
                             int32_t expectedTuple) const;
  void storeGridPoint(uint16_t i, uint16_t j, int64_t restoring, int64_t detection,
                      int32_t tupleMisses);
  int finish(int result);

  // The pipeline.
  bool runRepeats();
  bool makeSlots(size_t count);
  bool produce(int64_t q);
  bool passOver(int64_t q, MessageLog& messages);
  void report(RepeatSlot& slot, bool failed);
  bool combineShares(bool completed);
  RepeatSlot& slotOf(int64_t q) { return slots_[static_cast<size_t>(q % ring_)]; }
  void work();
  void stopWorkers();

  Window& window_;
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

SimulationRun::~SimulationRun() {
  stopWorkers();
  for (RepeatSlot& slot : slots_) freeChainsHeader(slot.chains);
}

int SimulationRun::run() {
  savedSubsetSize_ = series_->wSubsetSize;
  savedSubsetStored_ = series_->wSubsetStored;
  errors_.ifComplete = 0;
  if (!setUp()) return 0;

  context_.startTime = now(context_);
  context_.endTime = context_.startTime;

  if (errors_.repeats > 0) {
    if (!runRepeats()) return finish(0);
  } else {
    // Nothing to process: every grid point gets its set-up and zero errors.
    for (uint16_t j = 0; j < errors_.wVariousPulses; ++j)
      for (uint16_t i = 0; i < errors_.wNoiseLevels; ++i) {
        setUpGridPoint(errors_.wPulseValues[j]);
        storeGridPoint(i, j, 0, 0, 0);
      }
  }
  errors_.ifComplete = 1;
  return finish(1);
}

void SimulationRun::storeGridPoint(uint16_t i, uint16_t j, int64_t restoring, int64_t detection,
                                   int32_t tupleMisses) {
  errors_.lpErrors[0][i][j] = saturate32(roundedMean(restoring, errors_.repeats));
  errors_.lpErrors[1][i][j] = saturate32(detection / 128);
  errors_.lpErrors[2][i][j] = 0;
  errors_.lpErrors[3][i][j] = tupleMisses;
  errors_.lpErrors[4][i][j] = 0;
  errors_.lpErrors[5][i][j] = 0;
}

// Creates `count` slots, each with a chains record like the run's and a series record of
// the caller's layout. False (after the message) when memory ran out.
bool SimulationRun::makeSlots(size_t count) {
  try {
    slots_.resize(count);
    for (RepeatSlot& slot : slots_) cloneSeriesLayout(*series_, *slot.series);
  } catch (const std::bad_alloc&) {
    window_.messageBox(kSeriesNotMade, kDriverCaption, kMbOk);
    return false;
  }
  ring_ = static_cast<int64_t>(count);
  for (RepeatSlot& slot : slots_) {
    WindowAsReporter reporter(window_);
    slot.chains = getChainsHeader(reporter, kChainsPretenders, maxPulses_, nullptr);
    if (slot.chains == nullptr) {
      window_.messageBox(kChainsNotCreated, kChainsCaption, kMbOk);
      return false;
    }
    addToChainsHeader(reporter, seriesType_, taskType_, savedLevelMaking_, savedLevelProcessing_,
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
bool SimulationRun::passOver(int64_t q, MessageLog& messages) {
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
    messages.clear();
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

// Shows what a repeat showed, in run order: on the run's window, or, in a shared run,
// through the share.
void SimulationRun::report(RepeatSlot& slot, bool failed) {
  if (context_.share == nullptr) {
    slot.messages.replay(window_);
    return;
  }
  context_.share->repeatDone(slot.repeat, failed, slot.messages.entries());
  slot.messages.clear();
}

// Ends this process's part of a shared run: passes over the repeats after its last one,
// so that the random states end where a run alone leaves them, then brings the parts
// together and stores the tables of the whole run.
bool SimulationRun::combineShares(bool completed) {
  const int64_t total = int64_t{errors_.wVariousPulses} * errors_.wNoiseLevels * errors_.repeats;
  MessageLog messages;
  while (completed && cursor_ < total) {
    if (!passOver(cursor_, messages)) {
      messages.messageBox(kSeriesNotMade, kDriverCaption, kMbOk);
      context_.share->repeatDone(cursor_, true, messages.entries());
      completed = false;
    }
    ++cursor_;
  }
  if (!context_.share->combine(window_, partial_, completed)) return false;
  for (uint16_t j = 0; j < errors_.wVariousPulses; ++j)
    for (uint16_t i = 0; i < errors_.wNoiseLevels; ++i) {
      const GridPointSums& sums = partial_[size_t{j} * errors_.wNoiseLevels + i];
      storeGridPoint(i, j, sums.restoring, sums.detection, saturate32(sums.tupleMisses));
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
    slot.errors = processRepeat(slot.messages, *slot.series, *slot.chains, workspace, slot.pulses,
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
  LongRunNotice notice(context_);
  SimulationShare* const share = context_.share;
  if (share != nullptr) {
    try {
      partial_.assign(static_cast<size_t>(errors_.wVariousPulses) * errors_.wNoiseLevels,
                      GridPointSums{});
    } catch (const std::bad_alloc&) {
      window_.messageBox(kSeriesNotMade, kDriverCaption, kMbOk);
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
      slot.messages.messageBox(kSeriesNotMade, kDriverCaption, kMbOk);
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
      slot.messages.messageBox(slot.errors.noMemory, nullptr, kMbOk);
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
      notice.check(window_, q + 1, total);
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
      mine.errors = processRepeat(mine.messages, *mine.series, *mine.chains, driverWorkspace_,
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

// Ends a run that got past its set-up: stamps the end time and gives the series back its
// attached subset. The chains record and the work arrays go with the run object.
int SimulationRun::finish(int result) {
  context_.endTime = now(context_);
  if (series_ != nullptr) {
    series_->wSubsetSize = savedSubsetSize_;
    series_->wSubsetStored = savedSubsetStored_;
    std::copy(savedSubset_.begin(), savedSubset_.end(), series_->lpSubset);
  }
  return result;
}

bool SimulationRun::setUp() {
  tmin_ = series_->wTmin;
  tmax_ = series_->wTmax;
  seriesSize_ = series_->dwSeriesSize;
  const uint16_t maxPulses = series_->wMaxPulses;
  maxPulses_ = maxPulses;

  WindowAsReporter reporter(window_);
  chains_.reset(getChainsHeader(reporter, kChainsPretenders, maxPulses, nullptr));
  if (!chains_) {
    window_.messageBox(kChainsNotCreated, kChainsCaption, kMbOk);
    return false;
  }
  if (!addToChainsHeader(reporter, seriesType_, taskType_, savedLevelMaking_,
                         savedLevelProcessing_, chains_.get())) {
    window_.messageBox(kChainsNotDescribed, kChainsCaption, kMbOk);
    return false;
  }
  if (!addInitRestErrHeader(window_, seriesType_, taskType_, savedLevelMaking_,
                            savedLevelProcessing_, &errors_)) {
    window_.messageBox(kRestErrorNotDescribed, kRestErrorCaption, kMbOk);
    return false;
  }

  // The pulse length comes from the first etalon of the required list, so the list must
  // name a real etalon.
  if (requiredCount_ == 0 || requiredList_ == nullptr || alphabet_ == nullptr ||
      requiredList_[0] < 1 || requiredList_[0] > alphabetSize_) {
    window_.messageBox(kNoEtalonNumbers, kDriverCaption, kMbOk);
    return false;
  }
  impulseSize_ = alphabet_[requiredList_[0] - 1].wSize;

  // One counter and one sequence entry per pulse, for the greatest count the series can
  // hold and for every count of the grid, whichever is larger.
  size_t entries = std::max<size_t>(maxPulses, 1);
  for (uint16_t j = 0; j < errors_.wVariousPulses; ++j)
    entries = std::max<size_t>(entries, std::max<int16_t>(errors_.wPulseValues[j], 0));
  try {
    counters_.assign(entries, 1);
    sequence_.assign(entries, 1);
  } catch (const std::bad_alloc&) {
    window_.messageBox(kNoEtalonNumbers, kDriverCaption, kMbOk);
    return false;
  }

  if (isTupleSeries(seriesType_) || taskType_ == kTaskTupleDetection ||
      taskType_ == kTaskTupleRecognition) {
    if (!copyTuples()) return false;
  }
  if (taskType_ == kTaskTupleRecognition) {
    try {
      savedSubset_.assign(series_->lpSubset, series_->lpSubset + storedSubsetEntries(*series_));
    } catch (const std::bad_alloc&) {
      window_.messageBox(kNoSubsetBlock, kSubsetCaption, kMbOk);
      return false;
    }
  }
  return true;
}

bool SimulationRun::copyTuples() {
  const SeriesHeader& s = *series_;
  if (storedSubsetEntries(s) == 0) {
    window_.messageBox(kNoSelectedSubset, kSubsetCaption, kMbOk);
    return false;
  }
  if (taskType_ == kTaskTupleRecognition &&
      (s.wSubsets == 0 || s.selectedSubsetSize == nullptr || s.selectedSubsetList == nullptr)) {
    window_.messageBox(kNoSelectedSubset, kSubsetCaption, kMbOk);
    return false;
  }
  if (taskType_ == kTaskTupleRecognition) {
    try {
      tuples_.rowPointers.assign(s.wSubsets, nullptr);
    } catch (const std::bad_alloc&) {
      window_.messageBox(kNoSubsetList, kSubsetCaption, kMbOk);
      return false;
    }
  }
  try {
    tuples_.subset.assign(s.lpSubset, s.lpSubset + storedSubsetEntries(s));
    if (taskType_ == kTaskTupleRecognition) {
      tuples_.count = s.wSubsets;
      tuples_.sizes.assign(s.selectedSubsetSize, s.selectedSubsetSize + s.wSubsets);
      for (int32_t size : tuples_.sizes) tuples_.columns = std::max(tuples_.columns, size);
      tuples_.rows.assign(static_cast<size_t>(tuples_.count) * tuples_.columns, 0);
      for (int32_t t = 0; t < tuples_.count; ++t) {
        int32_t* row = tuples_.rows.data() + static_cast<size_t>(t) * tuples_.columns;
        const int16_t* source = s.selectedSubsetList[t];
        const int32_t size = std::max(tuples_.sizes[t], 0);
        if (source != nullptr) std::copy(source, source + size, row);
        tuples_.rowPointers[t] = row;
      }
    }
  } catch (const std::bad_alloc&) {
    tuples_.rowPointers.clear();
    window_.messageBox(kNoSubsetBlock, kSubsetCaption, kMbOk);
    return false;
  }
  return true;
}

// Makes tuple `number` (1-based) of the run's list the attached subset of the series.
void SimulationRun::attachTuple(int32_t number) {
  SeriesHeader& s = *series_;
  const size_t t = static_cast<size_t>(number - 1);
  const int32_t size = std::clamp<int32_t>(tuples_.sizes[t], 0, UINT16_MAX);
  const int32_t stored = std::min<int32_t>({size, s.wMaxPulses, s.wReservedImpulses});
  const int32_t* row = tuples_.rowPointers[t];
  for (int32_t k = 0; k < stored; ++k) s.lpSubset[k] = static_cast<int16_t>(row[k]);
  s.wSubsetSize = static_cast<uint16_t>(size);
  s.wSubsetStored = static_cast<uint16_t>(stored);
}

void SimulationRun::setUpGridPoint(int32_t pulses) {
  SeriesHeader& s = *series_;
  step_ = simulationStep(taskType_, errors_.repeats, requiredCount_,
                         static_cast<uint16_t>(tuples_.count), pulses);
  if (taskType_ == kTaskDetection || taskType_ == kTaskRecognition) s.wSubsetSize = 0;
  if (taskType_ == kTaskTupleRecognition) {
    currentTuple_ = 1;
    attachTuple(currentTuple_);
  }
  next_ = step_;
  for (int32_t k = 0; k < pulses; ++k) {
    counters_[k] = 1;
    sequence_[k] = requiredList_[0];
  }
}

void SimulationRun::varyTruth(int32_t repeat, int32_t pulses) {
  switch (taskType_) {
    case kTaskRecognition:
      // All pulses carry the same etalon; each etalon of the list serves about R / n
      // consecutive repeats.
      if (repeat >= next_) {
        for (int32_t k = 0; k < pulses; ++k) {
          counters_[k] = counters_[k] >= requiredCount_ ? 1 : counters_[k] + 1;
          sequence_[k] = requiredList_[counters_[k] - 1];
        }
        next_ += step_;
      }
      break;
    case kTaskTupleRecognition:
      if (repeat >= next_) {
        currentTuple_ = currentTuple_ >= tuples_.count ? 1 : currentTuple_ + 1;
        attachTuple(currentTuple_);
        next_ += step_;
      }
      break;
    case kTaskJoint:
      // The pulses' etalons run through the list like an odometer, pulse 0 fastest.
      if (static_cast<int64_t>(repeat) * pulses >= next_) {
        next_ += step_;
        for (int32_t k = 0; k < pulses; ++k) {
          if (counters_[k] < requiredCount_) {
            ++counters_[k];
            break;
          }
          counters_[k] = 1;
        }
        for (int32_t k = 0; k < pulses; ++k) sequence_[k] = requiredList_[counters_[k] - 1];
      }
      break;
    default:
      break;
  }
}

bool SimulationRun::synthesise(Window& window, int32_t pulses, int16_t noise) {
  SeriesHeader* made = getCutOffSeries(window, alphabetSize_, alphabet_, impulseSize_, tmin_,
                                       tmax_, seriesSize_, static_cast<uint16_t>(pulses),
                                       sequence_.data(), context_.amplitude, savedLevelMaking_,
                                       series_);
  // A failed synthesis has released the record it was given.
  series_ = made;
  if (made == nullptr) return false;
  addNoise(window, noise, context_.amplitude, made, context_.noiseSeed);
  return true;
}

RepeatErrors SimulationRun::processRepeat(Window& /*window*/, SeriesHeader& series,
                                          ChainsHeader& chains, SearchWorkspace& workspace,
                                          int32_t pulses, int32_t expectedTuple) const {
  SearchInputs in;
  in.alphabet = alphabet_;
  in.requiredCount = requiredCount_;
  in.requiredList = requiredList_;
  in.tmin = tmin_;
  in.tmax = tmax_;
  in.procSavedLevel = savedLevelProcessing_;
  in.selectedSubsetSize = static_cast<int32_t>(tuples_.subset.size());
  in.selectedSubset = tuples_.subset.data();
  in.subsetProceedingMode = context_.subsetProceeding;
  in.subsetCount = tuples_.count;
  in.subsetSizes = tuples_.sizes.data();
  in.subsetRows = tuples_.rowPointers.data();
  in.workspace = &workspace;
  const SearchOutcome outcome = runSearch<FastKernels>(taskType_, seriesType_, in, &chains, &series);
  RepeatErrors e;
  if (!outcome.ran()) {
    e.noMemory = outcome.noMemory;
    return e;
  }
  const int recognisedTuple = outcome.result;
  e.restoring = getRestorationError(&series);
  e.detection = detectionContribution(series, pulses, chains.wSeekingPulsesQuantity);
  if (taskType_ == kTaskTupleRecognition && recognisedTuple != expectedTuple) e.tupleMisses = 1;
  return e;
}

}  // namespace

std::string longRunText(double projectedSeconds, int64_t done, int64_t total,
                        double elapsedSeconds) {
  const long long minutes = std::llround(projectedSeconds / 60);
  const long long took = std::llround(elapsedSeconds);
  char text[160];
  std::snprintf(text, sizeof text,
                "The simulation will take about %lld h %lld min: %lld of %lld series took "
                "%lld:%02lld:%02lld.",
                minutes / 60, minutes % 60, static_cast<long long>(done),
                static_cast<long long>(total), took / 3600, took / 60 % 60, took % 60);
  return text;
}

unsigned simulationThreads(uint16_t requested) {
  unsigned threads = requested;
  if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
  return std::min(threads, 256u);
}

uint64_t simulationMemoryNeed(const SimulationSize& z) {
  const uint64_t P = z.pulseCounts, V = z.noiseLevels, L = z.seriesLength;
  // The error record: six tables of 32-bit values, their row pointers, the two axes.
  uint64_t bytes = kRestErrorTables * (P * V * sizeof(int32_t) + V * sizeof(int32_t*)) +
                   (P + V) * sizeof(int16_t);

  // Series records hold the samples twice and thirteen values per pulse; chains records
  // four values per pulse of each pretender.
  const uint64_t pulses = std::max<uint64_t>(
      z.greatestPulses,
      maxPulseCount(z.seriesLength, z.pulseLength, std::max<uint16_t>(z.tmin, 1)));
  const uint64_t series = (2 * L + 13 * pulses) * sizeof(int16_t);
  const uint64_t chains = kChainsPretenders * (4 * pulses * sizeof(int16_t) + 8 * sizeof(void*));
  const uint64_t threads = simulationThreads(z.threads);
  bytes += (1 + kSlotsPerThread * threads) * (series + chains);

  // Each thread's searches: local matches and chain values over the series positions, and
  // the chain table of the fixed-count pass at the greatest pulse count.
  uint64_t search = 64 * L;
  if (searchUsesChainPass(z.effectiveTaskType, z.seriesType) && z.greatestPulses > 0) {
    const int64_t M = z.greatestPulses, n = z.pulseLength, tmin = z.tmin, tmax = z.tmax;
    const int64_t length = z.seriesLength;
    std::vector<PulseWindow> windows(static_cast<size_t>(M));
    for (int64_t j = 0; j < M; ++j) {
      const int64_t lo = std::max<int64_t>({j * tmin, length - (M - j) * tmax, 0});
      const int64_t hi = std::min(std::min((j + 1) * tmax - n, length - n - (M - 1 - j) * tmin),
                                  length - n);
      windows[j] = hi >= lo ? PulseWindow{static_cast<int32_t>(lo), static_cast<int32_t>(hi)}
                            : PulseWindow{};
    }
    search += chainStorageCells(windows) * sizeof(MatchCost);
  }
  return bytes + threads * search;
}

void addGridPointSums(GridPointSums& to, const GridPointSums& from) {
  to.restoring = saturatingAdd(to.restoring, from.restoring);
  to.detection = saturatingAdd(to.detection, from.detection);
  to.tupleMisses = saturatingAdd(to.tupleMisses, from.tupleMisses);
}

int64_t simulationStep(uint16_t effectiveTaskType, int32_t repeats, uint16_t requiredCount,
                       uint16_t tupleCount, int32_t pulseCount) {
  const int64_t r = repeats;
  switch (effectiveTaskType) {
    case kTaskDetection: return 0;  // the truth never varies
    case kTaskRecognition:
      return requiredCount == 0 ? 0 : (requiredCount + 2 * r) / (2 * requiredCount);
    case kTaskTupleDetection: return r;
    case kTaskTupleRecognition:
      return tupleCount == 0 ? 0 : (tupleCount + 2 * r) / (2 * tupleCount);
    default:
      // (R * M) >> M: an arithmetic shift by M, which leaves 0 of any 64-bit product once
      // M reaches 63 (shifting by the full width is undefined in C++).
      if (pulseCount < 0) return 0;
      if (pulseCount >= 63) return r * pulseCount < 0 ? -1 : 0;
      return (r * pulseCount) >> pulseCount;
  }
}

int64_t roundedMean(int64_t sum, int32_t repeats) {
  if (repeats <= 0) return 0;
  // (2S + R) / (2R) for S >= 0, computed without doubling S.
  int64_t mean = sum / repeats;
  if (2 * (sum % repeats) >= repeats) ++mean;
  return mean;
}

int64_t detectionContribution(const SeriesHeader& header, int32_t pulseCount,
                              uint16_t seekingPulses) {
  if (pulseCount <= 0) return 0;
  const int32_t count =
      std::min<int32_t>({pulseCount, seekingPulses, header.wReservedImpulses});
  // Position differences reach 2^15 and their squares 2^30, so d needs 64 bits.
  int64_t d = 0;
  for (int32_t k = 0; k < count; ++k) {
    const int64_t diff =
        static_cast<int64_t>(header.lpPositions[k]) - header.lpFoundPositions[k];
    d += diff * diff;
  }
  return (pulseCount + 256 * d) / (2 * static_cast<int64_t>(pulseCount));
}

int64_t getRestorationError(const SeriesHeader* header) {
  if (header == nullptr) return 0;
  const SeriesHeader& h = *header;
  return rebuiltSeriesError(h, h.lpFoundPositions, h.lpFoundEtalons, h.lpFoundFirstSamples,
                            h.lpFoundLastSamples, std::min(h.wFoundPulses, h.wReservedImpulses));
}

int statCutoffPinpoint(Window& window, RestErrorHeader* errors, uint16_t alphabetSize,
                       const PulseHeader* alphabet, uint16_t requiredCount,
                       const uint16_t* requiredList, uint16_t seriesType,
                       uint16_t effectiveTaskType, uint16_t savedLevelMaking,
                       uint16_t savedLevelProcessing, SeriesHeader*& series,
                       SimulationContext& context) {
  if (errors == nullptr) {
    window.messageBox(kNoRestErrorHeader, kSimulationCaption, kMbOk);
    return 0;
  }
  if (series == nullptr) {
    window.messageBox(kNoSeriesHeader, kSimulationCaption, kMbOk);
    return 0;
  }
  SimulationRun run(window, *errors, alphabetSize, alphabet, requiredCount, requiredList,
                    seriesType, effectiveTaskType, savedLevelMaking, savedLevelProcessing, series,
                    context);
  return run.run();
}

}  // namespace velmora
