#include "simulation/simulation.h"

#include <algorithm>
#include <ctime>
#include <limits>
#include <memory>
#include <new>
#include <vector>

#include "processing/chains.h"
#include "processing/fixed_search.h"
#include "processing/tuple_search.h"
#include "processing/unfixed_recognition.h"
#include "processing/unfixed_search.h"
#include "processing/unfixed_tuple_search.h"

namespace velmora {

namespace {

constexpr uint16_t kDetection = 1;
constexpr uint16_t kRecognition = 2;
constexpr uint16_t kIdentification = 4;
constexpr uint16_t kNoProcessing = 8;
constexpr uint16_t kTupleDetection = 36;
constexpr uint16_t kTupleRecognition = 40;

constexpr uint16_t kChainsPretenders = 10;

bool isUnfixedWhole(uint16_t seriesType) { return seriesType == 4 || seriesType == 8; }
bool isTupleSeries(uint16_t seriesType) { return seriesType == 36 || seriesType == 40; }

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
  Window* window;
  void operator()(ChainsHeader* chains) const { freeChainsHeader(*window, chains); }
};
using ChainsHandle = std::unique_ptr<ChainsHeader, ChainsRelease>;

// The errors one processed repeat adds to its grid point.
struct RepeatErrors {
  int64_t restoring = 0;
  int64_t detection = 0;
  int32_t tupleMisses = 0;
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

// One run of the driver. Making the truth of a repeat and synthesising its series
// (varyTruth, synthesise) draw from the shared random states and must run in repeat
// order; processing a synthesised series and measuring its errors (processRepeat) works
// only on the series and the chains record it is given and on read-only run data, so the
// repeats of a grid point can be processed apart, each with its own pair of records.
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
        chains_(nullptr, ChainsRelease{&window}) {}

  int run();

 private:
  bool setUp();
  bool copyTuples();
  void attachTuple(int32_t number);
  void setUpGridPoint(int32_t pulses);
  void varyTruth(int32_t repeat, int32_t pulses);
  bool synthesise(int32_t pulses, int16_t noise);
  RepeatErrors processRepeat(SeriesHeader& series, ChainsHeader& chains, int32_t pulses,
                             int32_t expectedTuple) const;
  int process(SeriesHeader& series, ChainsHeader& chains) const;
  int finish(int result);

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
  ChainsHandle chains_;
  std::vector<uint16_t> counters_;
  std::vector<uint16_t> sequence_;
  TupleStore tuples_;

  // State of the current grid point.
  int64_t step_ = 0;
  int64_t next_ = 0;
  int32_t currentTuple_ = 1;
};

int SimulationRun::run() {
  savedSubsetSize_ = series_->wSubsetSize;
  savedSubsetStored_ = series_->wSubsetStored;
  errors_.ifComplete = 0;
  if (!setUp()) return 0;

  context_.startTime = now(context_);
  context_.endTime = context_.startTime;

  const int32_t repeats = errors_.repeats;
  for (uint16_t j = 0; j < errors_.wVariousPulses; ++j) {
    const int32_t pulses = errors_.wPulseValues[j];
    for (uint16_t i = 0; i < errors_.wNoiseLevels; ++i) {
      const int16_t noise = errors_.lpNoiseLevels[i];
      setUpGridPoint(pulses);
      int64_t restoring = 0;
      int64_t detection = 0;
      int32_t tupleMisses = 0;
      for (int32_t r = 0; r < repeats; ++r) {
        varyTruth(r, pulses);
        if (!synthesise(pulses, noise)) return finish(0);
        const RepeatErrors e = processRepeat(*series_, *chains_, pulses, currentTuple_);
        restoring = saturatingAdd(restoring, e.restoring);
        detection = saturatingAdd(detection, e.detection);
        tupleMisses += e.tupleMisses;
        if (context_.observer != nullptr) {
          const SimulationProgress progress{j, errors_.wVariousPulses, i, errors_.wNoiseLevels,
                                            r, repeats};
          if (!context_.observer->repeatDone(progress)) return finish(0);
        }
      }
      // The mean restoring error, rounded: (2S + R) / (2R) computed without doubling S.
      int64_t mean = 0;
      if (repeats > 0) {
        mean = restoring / repeats;
        if (2 * (restoring % repeats) >= repeats) ++mean;
      }
      errors_.lpErrors[0][i][j] = saturate32(mean);
      errors_.lpErrors[1][i][j] = saturate32(detection / 128);
      errors_.lpErrors[2][i][j] = 0;
      errors_.lpErrors[3][i][j] = tupleMisses;
      errors_.lpErrors[4][i][j] = 0;
      errors_.lpErrors[5][i][j] = 0;
    }
  }
  errors_.ifComplete = 1;
  return finish(1);
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

  chains_.reset(getChainsHeader(window_, kChainsPretenders, maxPulses, nullptr));
  if (!chains_) {
    window_.messageBox(kChainsNotCreated, kChainsCaption, kMbOk);
    return false;
  }
  if (!addToChainsHeader(window_, seriesType_, taskType_, savedLevelMaking_,
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

  if (isTupleSeries(seriesType_) || taskType_ == kTupleDetection ||
      taskType_ == kTupleRecognition) {
    if (!copyTuples()) return false;
  }
  if (taskType_ == kTupleRecognition) {
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
  if (taskType_ == kTupleRecognition &&
      (s.wSubsets == 0 || s.selectedSubsetSize == nullptr || s.selectedSubsetList == nullptr)) {
    window_.messageBox(kNoSelectedSubset, kSubsetCaption, kMbOk);
    return false;
  }
  if (taskType_ == kTupleRecognition) {
    try {
      tuples_.rowPointers.assign(s.wSubsets, nullptr);
    } catch (const std::bad_alloc&) {
      window_.messageBox(kNoSubsetList, kSubsetCaption, kMbOk);
      return false;
    }
  }
  try {
    tuples_.subset.assign(s.lpSubset, s.lpSubset + storedSubsetEntries(s));
    if (taskType_ == kTupleRecognition) {
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
  if (taskType_ == kDetection || taskType_ == kRecognition) s.wSubsetSize = 0;
  if (taskType_ == kTupleRecognition) {
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
    case kRecognition:
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
    case kTupleRecognition:
      if (repeat >= next_) {
        currentTuple_ = currentTuple_ >= tuples_.count ? 1 : currentTuple_ + 1;
        attachTuple(currentTuple_);
        next_ += step_;
      }
      break;
    case kIdentification:
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

bool SimulationRun::synthesise(int32_t pulses, int16_t noise) {
  SeriesHeader* made = getCutOffSeries(window_, alphabetSize_, alphabet_, impulseSize_, tmin_,
                                       tmax_, seriesSize_, static_cast<uint16_t>(pulses),
                                       sequence_.data(), context_.amplitude, savedLevelMaking_,
                                       series_);
  // A failed synthesis has released the record it was given.
  series_ = made;
  if (made == nullptr) {
    window_.messageBox(kSeriesNotMade, kDriverCaption, kMbOk);
    return false;
  }
  addNoise(window_, noise, context_.amplitude, made, context_.noiseSeed);
  return true;
}

// The processing routine of the simulation by effective task type and series type.
// Returns the recognised tuple number for tuple recognition, 0 otherwise.
int SimulationRun::process(SeriesHeader& series, ChainsHeader& chains) const {
  const bool unfixed = isUnfixedWhole(seriesType_);
  switch (taskType_) {
    case kRecognition:
      if (unfixed)
        recognizeUnfixedCount(window_, alphabet_, requiredCount_, requiredList_, tmin_, tmax_,
                              savedLevelProcessing_, &chains, &series);
      else
        recognitionSearch(window_, alphabet_, requiredCount_, requiredList_, tmin_, tmax_,
                          savedLevelProcessing_, &chains, &series);
      return 0;
    case kTupleDetection:
      if (unfixed || seriesType_ == 40)
        detectUnfixedTuples(window_, alphabet_, static_cast<int32_t>(tuples_.subset.size()),
                            tuples_.subset.data(), context_.subsetProceeding, tmin_, tmax_,
                            savedLevelProcessing_, &chains, &series);
      else
        tupleDetectionSearch(window_, alphabet_, static_cast<int32_t>(tuples_.subset.size()),
                             tuples_.subset.data(), context_.subsetProceeding, tmin_, tmax_,
                             savedLevelProcessing_, &chains, &series);
      return 0;
    case kTupleRecognition:
      if (unfixed || seriesType_ == 40)
        return recognizeUnfixedTuples(window_, alphabet_, tuples_.sizes.data(),
                                      tuples_.rowPointers.data(), tuples_.count,
                                      context_.subsetProceeding, tmin_, tmax_,
                                      savedLevelProcessing_, &chains, &series);
      return tupleRecognitionSearch(window_, alphabet_, tuples_.sizes.data(),
                                    tuples_.rowPointers.data(), tuples_.count,
                                    context_.subsetProceeding, tmin_, tmax_,
                                    savedLevelProcessing_, &chains, &series);
    case kNoProcessing:
      return 0;
    default:
      if (unfixed)
        searchUnfixedCount(window_, alphabet_, requiredCount_, requiredList_, tmin_, tmax_,
                           savedLevelProcessing_, &chains, &series);
      else
        identificationSearch(window_, alphabet_, requiredCount_, requiredList_, tmin_, tmax_,
                             savedLevelProcessing_, &chains, &series);
      return 0;
  }
}

RepeatErrors SimulationRun::processRepeat(SeriesHeader& series, ChainsHeader& chains,
                                          int32_t pulses, int32_t expectedTuple) const {
  const int recognisedTuple = process(series, chains);
  RepeatErrors e;
  e.restoring = getRestorationError(&series);
  e.detection = detectionContribution(series, pulses, chains.wSeekingPulsesQuantity);
  if (taskType_ == kTupleRecognition && recognisedTuple != expectedTuple) e.tupleMisses = 1;
  return e;
}

}  // namespace

int64_t simulationStep(uint16_t effectiveTaskType, int32_t repeats, uint16_t requiredCount,
                       uint16_t tupleCount, int32_t pulseCount) {
  const int64_t r = repeats;
  switch (effectiveTaskType) {
    case kDetection: return 0;  // the truth never varies
    case kRecognition:
      return requiredCount == 0 ? 0 : (requiredCount + 2 * r) / (2 * requiredCount);
    case kTupleDetection: return r;
    case kTupleRecognition:
      return tupleCount == 0 ? 0 : (tupleCount + 2 * r) / (2 * tupleCount);
    default:
      // (R * M) >> M: an arithmetic shift by M, which leaves 0 of any 64-bit product once
      // M reaches 63 (shifting by the full width is undefined in C++).
      if (pulseCount < 0) return 0;
      if (pulseCount >= 63) return r * pulseCount < 0 ? -1 : 0;
      return (r * pulseCount) >> pulseCount;
  }
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
  if (header == nullptr || header->lpPureData == nullptr) return 0;
  const SeriesHeader& h = *header;
  const int64_t n = h.dwSeriesSize;
  const int32_t length = h.wImpulseSize;
  int64_t sum = 0;
  int64_t k = 0;  // next sample not yet summed
  auto addPure = [&](int64_t end) {
    for (; k < end; ++k) {
      const int64_t v = h.lpPureData[k];
      sum += v * v;
    }
  };
  for (uint16_t f = 0; f < h.wFoundPulses && f < h.wReservedImpulses; ++f) {
    const int64_t start = h.lpFoundPositions[f];
    // Found pulses do not overlap: one that starts before the end of the previous one
    // (or before the series) is skipped.
    if (start < k || start >= n) continue;
    addPure(start);
    const int16_t number = h.lpFoundEtalons[f];
    const PulseHeader* etalon = nullptr;
    if (number >= 1 && number <= h.wEtalons && h.lpPulsesList != nullptr)
      etalon = h.lpPulsesList[number - 1];
    const int32_t first = h.lpFoundFirstSamples[f];
    const int32_t last = h.lpFoundLastSamples[f];
    for (int32_t t = 0; t < length && k < n; ++t, ++k) {
      int64_t rebuilt = 0;
      if (etalon != nullptr && etalon->lpData != nullptr && t < etalon->wSize && first <= t &&
          t <= last)
        rebuilt = etalon->lpData[t];
      const int64_t diff = h.lpPureData[k] - rebuilt;
      sum += diff * diff;
    }
  }
  addPure(n);
  return sum;
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
