// The chain search on a tuple series whose number of pulses M is known: pulse j carries
// the tuple's etalon at index (j + r) mod K, r being the phase (the tuple entry the series
// begins with). The searches try the admissible phases (and, in recognition, tuples) and
// answer with the best chain and the tuple instances it consists of.
#pragma once

#include <cstdint>

#include "model/alphabet.h"
#include "model/series.h"
#include "processing/chains.h"
#include "processing/fixed_search.h"

namespace velmora {

struct SearchWorkspace;

// Allocation failure texts, shown with no caption and an OK button.
inline constexpr const char* kTupleNoMemoryRows = "Нет памяти для ppDw!";
inline constexpr const char* kTupleDetectionNoMemoryBlock = "Нет памяти для ppDw[m]!";
inline constexpr const char* kTupleRecognitionNoMemoryBlock = "Нет памяти для ppDw[]!";

// Subset proceeding 1 ("Complete "): only phase 0 is tried; any other value: every phase.
inline constexpr uint16_t kSubsetProceedingComplete = 1;

// The tuple instances of a chain of `pulses` pulses for a tuple of length `tupleSize` and
// phase `phase`: the first from pulse 1 to min(K - r, M), each next one K pulses long, the
// last cut at M (1-based, inclusive bounds). Writes the bounds into first/last (room for
// `pulses` entries) and returns the count; 0 when pulses <= 0 or tupleSize <= 0.
int tupleInstances(int32_t tupleSize, int32_t phase, int32_t pulses, int16_t* first,
                   int16_t* last);

// The windows of tuple detection: the first pulse ends within Tmax samples of the series
// start, the last starts within Tmax samples of its end, every pulse lies inside the
// series, and the others are bounded by the Tmin/Tmax chain from both ends. Computed in
// 64 bits and clipped to 0 .. L - n. Throws std::bad_alloc.
void tupleDetectionWindows(const SeriesHeader& series, int64_t tmin, int64_t tmax,
                           std::vector<PulseWindow>& windows);

// A chain of a (tuple, phase) pass with its tuple instances.
struct TupleAnswer {
  PassChain chain;
  int instances = 0;
  std::vector<int16_t> first;
  std::vector<int16_t> last;
};

// What a tuple search reuses from one call to the next, besides the fixed-count work: the
// answers, and which local-match table holds each alphabet etalon during a call.
struct TupleSearchWork {
  TupleAnswer current;
  TupleAnswer best;
  std::vector<int32_t> tableOf;  // per alphabet index: table number, or -1
  int32_t tablesUsed = 0;
};

}  // namespace velmora
