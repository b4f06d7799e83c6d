// The record of a series and its synthesis.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/report.h"
#include "model/alphabet.h"
#include "model/random.h"

namespace velmora {

// The current series: pure and noisy samples, the truth about every placed pulse, the
// answers of processing and the attached subset.
//
// The pointer fields point into the header's own blocks: `block` holds the two series
// arrays followed by the thirteen per-pulse arrays (each wReservedImpulses long),
// `pulsesListBlock` the etalon pointers, `subsetSizeBlock`/`subsetRowsBlock` the
// selected-subset store.
struct SeriesHeader {
  uint32_t dwReservedSize = 0;
  uint32_t dwSeriesSize = 0;
  uint16_t wTmin = 0;
  uint16_t wTmax = 0;
  int16_t* lpPureData = nullptr;
  int16_t* lpNoisyData = nullptr;
  uint16_t wImpulseSize = 0;
  uint16_t wImpulseQuantity = 0;
  uint16_t wMaxPulses = 0;
  uint16_t wMinPulses = 0;
  int16_t wNoise = 0;
  int16_t wAmplitude = 0;
  int16_t* lpPositions = nullptr;
  int16_t* lpFoundPositions = nullptr;
  int16_t* lpMinPositions = nullptr;
  int16_t* lpMaxPositions = nullptr;
  const PulseHeader* lpFirstPulse = nullptr;
  int16_t* lpEtalons = nullptr;
  int16_t* lpFoundEtalons = nullptr;
  uint16_t wReservedEtalons = 0;
  uint16_t wEtalons = 0;
  uint16_t wReservedImpulses = 0;
  const PulseHeader** lpPulsesList = nullptr;
  uint16_t wFoundPulses = 0;
  int16_t wFirstSample = 0;
  int16_t wLastSample = 0;
  int16_t* lpFirstSamples = nullptr;
  int16_t* lpLastSamples = nullptr;
  int16_t* lpFoundFirstSamples = nullptr;
  int16_t* lpFoundLastSamples = nullptr;
  int16_t* lpSubset = nullptr;
  uint16_t wSubsetSize = 0;
  uint16_t wSubsetMode = 0;
  uint16_t wSubsetPosition = 0;
  int16_t wTupleInstances = 0;
  int16_t* lpTupleFirst = nullptr;
  int16_t* lpTupleLast = nullptr;
  uint16_t wReservedSubsets = 0;
  uint16_t wSubsets = 0;
  uint16_t wReservedSubsetSize = 0;
  int16_t wFoundTuple = 0;
  int16_t* selectedSubsetSize = nullptr;
  int16_t** selectedSubsetList = nullptr;
  // Number of entries lpSubset actually holds: wSubsetSize bounded by the pulse capacity
  // when the subset was attached. Every reader of lpSubset stops here.
  uint16_t wSubsetStored = 0;

  std::vector<int16_t> block;
  std::vector<const PulseHeader*> pulsesListBlock;
  std::vector<int16_t> subsetSizeBlock;
  std::vector<int16_t*> subsetRowsBlock;

  SeriesHeader() = default;
  SeriesHeader(const SeriesHeader&) = delete;
  SeriesHeader& operator=(const SeriesHeader&) = delete;
};

// Least and greatest admissible pulse counts for series length n, pulse length l.
// Pmin = (n + l - 1) / tmax raised to 1; Pmax = (n - l + tmin) / tmin.
uint16_t minPulseCount(uint32_t seriesSize, uint16_t impulseSize, uint16_t tmax);
uint16_t maxPulseCount(uint32_t seriesSize, uint16_t impulseSize, uint16_t tmin);

// Largest series length: positions are signed 16-bit.
inline constexpr uint32_t kMaxSeriesSize = 32767;

// Empty when a series of this geometry can be synthesised; otherwise the reason as the
// text of the message the synthesis shows (series too long for 16-bit positions, a Tmin
// of 0, Tmin above Tmax, a pulse of length 0 or longer than Tmax).
std::string seriesGeometryProblem(uint16_t impulseSize, uint16_t tmin, uint16_t tmax,
                                  uint32_t seriesSize);

// Creates or resizes a header for a series of seriesSize samples. Null when memory runs
// out (the old header is then released with it). A geometry that seriesGeometryProblem
// rejects is reported and the old header is returned untouched (it may be null).
SeriesHeader* getCutOffSeriesHeader(Reporter& reporter, uint16_t alphabetSize, uint16_t impulseSize,
                                    uint16_t tmin, uint16_t tmax, uint32_t seriesSize,
                                    SeriesHeader* old);

// Fixed-count synthesis of quantity pulses. The etalon sequence holds at least quantity
// numbers; it is read and written (subsets, invalid numbers become 1). Returns the header
// also when makeExtSeries refused the parameters; null when memory ran out. A geometry
// that seriesGeometryProblem rejects is reported and the old header returned untouched.
SeriesHeader* getCutOffSeries(Reporter& reporter, uint16_t alphabetSize,
                              const PulseHeader* alphabet, uint16_t impulseSize, uint16_t tmin,
                              uint16_t tmax, uint32_t seriesSize, uint16_t quantity,
                              uint16_t* etalonSequence, int16_t amplitude, uint16_t savedLevel,
                              SeriesHeader* old);

// Unfixed-count synthesis: draws the pulse count from the pulse-count state. Null without
// a message when no count is admissible (Pmax < Pmin); the header passed in is then left
// untouched and still belongs to the caller.
SeriesHeader* getRandomCountSeries(Reporter& reporter, uint16_t alphabetSize,
                                   const PulseHeader* alphabet, uint16_t impulseSize, uint16_t tmin,
                                   uint16_t tmax, uint32_t seriesSize, uint16_t quantity,
                                   uint16_t* etalonSequence, int16_t amplitude, uint16_t savedLevel,
                                   SeriesHeader* header);

// The synthesis proper on a sized header. 1 when the series was made, 0 when the
// parameters were refused (a message is reported and the series, the etalon sequence and
// the generator states are left as they were).
int makeExtSeries(Reporter& reporter, uint16_t alphabetSize, const PulseHeader* alphabet,
                  uint16_t impulseSize, uint16_t tmin, uint16_t tmax, uint32_t seriesSize,
                  uint16_t quantity, uint16_t* etalonSequence, int16_t amplitude,
                  uint16_t savedLevel, SeriesHeader* header);

// Puts a series the caller brings into a header sized for it by getCutOffSeriesHeader:
// the samples become the pure and the noisy series, pulses are `impulseSize` samples long,
// `quantity` is the number of pulses to find (0: unknown), and every pulse of a known count gets the window its start must lie
// in, as synthesis gives it. Empty when done; otherwise why not, and the header is left
// as it was (size beyond the header, a count outside the header's range, an empty window).
std::string loadSeries(SeriesHeader& header, const int16_t* samples, uint32_t size,
                       uint16_t impulseSize, uint16_t quantity);

// Adds Gaussian noise of the given level to the pure series into lpNoisyData.
void addNoise(int16_t noiseLevel, int16_t amplitude, SeriesHeader* header, uint16_t& noiseState);

// What addNoise draws from the noise state on this header (12 steps per sample), as one
// jump.
RandomJump noiseJump(const SeriesHeader* header);

// Passes over syntheses of getCutOffSeries without making them: a pass draws from the
// random sources exactly what the synthesis would draw and writes the caller's etalon
// sequence as it would (the attached subset, numbers outside the alphabet), and touches
// nothing else. So a process that makes only some series of a long sequence can pass over
// the others for a small fraction of their cost and still make its own series exactly.
// The parameters are those of getCutOffSeries; they are checked once, here.
class SynthesisSkip {
 public:
  SynthesisSkip() = default;
  SynthesisSkip(uint16_t alphabetSize, const PulseHeader* alphabet, uint16_t impulseSize,
                uint16_t tmin, uint16_t tmax, uint32_t seriesSize, uint16_t quantity,
                const SeriesHeader* header);
  // One synthesis on `header` (which holds the attached subset) passed over. False when
  // the synthesis would be refused: nothing is drawn or written then.
  bool pass(uint16_t* etalonSequence, const SeriesHeader& header) const;

 private:
  bool accepted_ = false;
  uint16_t alphabetSize_ = 0;
  uint16_t quantity_ = 0;
  RandomJump position_;  // the first pulse's draw and one per pulse
  RandomJump cut_;       // one draw per pulse from each cut state
};

int freeSeriesHeader(SeriesHeader* header);

}  // namespace velmora
