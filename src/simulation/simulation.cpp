#include "simulation/simulation.h"

#include <algorithm>
#include <ctime>
#include <limits>
#include <new>
#include <vector>

#include "model/problem_types.h"
#include "processing/dispatch.h"
#include "processing/search_kernels.h"
#include "simulation/answer_measures.h"
#include "simulation/simulation_run.h"

namespace velmora {

namespace {

// The entries of the attached subset that lpSubset actually holds.
size_t storedSubsetEntries(const SeriesHeader& s) {
  if (s.lpSubset == nullptr) return 0;
  return std::min({s.wSubsetSize, s.wSubsetStored, s.wReservedImpulses});
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

}  // namespace

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
                                   int64_t tupleMisses) {
  errors_.lpErrors[0][i][j] = saturate32(roundedMean(restoring, errors_.repeats));
  errors_.lpErrors[1][i][j] = saturate32(detection / 128);
  errors_.lpErrors[2][i][j] = 0;
  errors_.lpErrors[3][i][j] = saturate32(tupleMisses);
  errors_.lpErrors[4][i][j] = 0;
  errors_.lpErrors[5][i][j] = 0;
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

  chains_.reset(getChainsHeader(reporter_, kChainsPretenders, maxPulses, nullptr));
  if (!chains_) {
    reporter_.report(kChainsNotCreated, kChainsCaption);
    return false;
  }
  if (!addToChainsHeader(reporter_, seriesType_, taskType_, savedLevelMaking_,
                         savedLevelProcessing_, chains_.get())) {
    reporter_.report(kChainsNotDescribed, kChainsCaption);
    return false;
  }
  if (!addInitRestErrHeader(reporter_, seriesType_, taskType_, savedLevelMaking_,
                            savedLevelProcessing_, &errors_)) {
    reporter_.report(kRestErrorNotDescribed, kRestErrorCaption);
    return false;
  }

  // The pulse length comes from the first etalon of the required list, so the list must
  // name a real etalon.
  if (requiredCount_ == 0 || requiredList_ == nullptr || alphabet_ == nullptr ||
      requiredList_[0] < 1 || requiredList_[0] > alphabetSize_) {
    reporter_.report(kNoEtalonNumbers, kDriverCaption);
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
    reporter_.report(kNoEtalonNumbers, kDriverCaption);
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
      reporter_.report(kNoSubsetBlock, kSubsetCaption);
      return false;
    }
  }
  return true;
}

bool SimulationRun::copyTuples() {
  const SeriesHeader& s = *series_;
  if (storedSubsetEntries(s) == 0) {
    reporter_.report(kNoSelectedSubset, kSubsetCaption);
    return false;
  }
  if (taskType_ == kTaskTupleRecognition &&
      (s.wSubsets == 0 || s.selectedSubsetSize == nullptr || s.selectedSubsetList == nullptr)) {
    reporter_.report(kNoSelectedSubset, kSubsetCaption);
    return false;
  }
  if (taskType_ == kTaskTupleRecognition) {
    try {
      tuples_.rowPointers.assign(s.wSubsets, nullptr);
    } catch (const std::bad_alloc&) {
      reporter_.report(kNoSubsetList, kSubsetCaption);
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
    reporter_.report(kNoSubsetBlock, kSubsetCaption);
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

bool SimulationRun::synthesise(Reporter& reporter, int32_t pulses, int16_t noise) {
  SeriesHeader* made = getCutOffSeries(reporter, alphabetSize_, alphabet_, impulseSize_, tmin_,
                                       tmax_, seriesSize_, static_cast<uint16_t>(pulses),
                                       sequence_.data(), context_.amplitude, savedLevelMaking_,
                                       series_);
  // A failed synthesis has released the record it was given.
  series_ = made;
  if (made == nullptr) return false;
  addNoise(noise, context_.amplitude, made, context_.noiseSeed);
  return true;
}

RepeatErrors SimulationRun::processRepeat(SeriesHeader& series, ChainsHeader& chains,
                                          SearchWorkspace& workspace, int32_t pulses,
                                          int32_t expectedTuple) const {
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
  const SearchOutcome outcome =
      runSearch<FastKernels>(taskType_, seriesType_, in, &chains, &series);
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

int statCutoffPinpoint(Reporter& reporter, RestErrorHeader* errors, uint16_t alphabetSize,
                       const PulseHeader* alphabet, uint16_t requiredCount,
                       const uint16_t* requiredList, uint16_t seriesType,
                       uint16_t effectiveTaskType, uint16_t savedLevelMaking,
                       uint16_t savedLevelProcessing, SeriesHeader*& series,
                       SimulationContext& context) {
  if (errors == nullptr) {
    reporter.report(kNoRestErrorHeader, kSimulationCaption);
    return 0;
  }
  if (series == nullptr) {
    reporter.report(kNoSeriesHeader, kSimulationCaption);
    return 0;
  }
  SimulationRun run(reporter, *errors, alphabetSize, alphabet, requiredCount, requiredList,
                    seriesType, effectiveTaskType, savedLevelMaking, savedLevelProcessing, series,
                    context);
  return run.run();
}

}  // namespace velmora
