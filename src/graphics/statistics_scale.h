// The numbers of the statistics view, computed without a canvas: the simulated grid as the
// error record holds it, the etalons' energy and extreme cross-correlations, the plot's
// vertical scale and normalisers, and the height of each point of a curve.
#pragma once

#include <cstdint>
#include <vector>

#include "graphics/statistics_inputs.h"

namespace velmora {

// Largest plot height: keeps 1000 × table value × height within 64 bits.
inline constexpr int32_t kLargestPlotHeight = 1000000;

// Tuple recognition on a tuple series: the record's pattern tuples come from the list.
bool isTupleRecognitionRecord(const RestErrorHeader& e);

// The simulated grid as the record holds it; a table that is missing reads as zeros.
struct StatisticsGrid {
  const RestErrorHeader& e;
  int32_t pulses = 0;   // P
  int32_t levels = 0;   // V
  int64_t repeats = 0;  // R

  explicit StatisticsGrid(const RestErrorHeader& errors);
  // The value of table `table` at noise level i and pulse-count column j, read as
  // unsigned 32-bit.
  uint64_t value(int table, int32_t i, int32_t j) const;
  // The sum of a noise level's row over the pulse counts.
  uint64_t rowSum(int table, int32_t i) const;
  int32_t level(int32_t i) const { return e.lpNoiseLevels[i]; }
};

// The etalons' energy and extreme cross-correlations printed over the plot and used by its
// normalisers and bounds.
struct SignalStatistics {
  int64_t energy = 0;          // etEnergy
  int64_t smallestSquare = 0;  // of the first pulse's samples
  int64_t rmin = 0;
  int64_t rmax = 0;
};

// The plot's vertical scale: U, the top value in thousandths; T, the full height in
// thousandths; the normalisers of the restoring errors (per pulse count) and of the
// detection errors.
struct StatisticsScale {
  uint64_t topValue = 0;
  uint64_t fullScale = 1000;
  std::vector<uint64_t> restoringNormalisers;
  double detectionNormaliser = 1;
};

SignalStatistics signalStatistics(const StatisticsViewInputs& in);
// Throws std::bad_alloc when the normalisers cannot be held.
StatisticsScale statisticsScale(const StatisticsViewInputs& in, const SignalStatistics& stats);

// The height above the plot's bottom, in pixels of a plot `plotHeight` high, of the point
// at noise level i of pulse-count column j (the aggregate for j < 0) in graph mode `mode`;
// 0 for a mode without curves. Unbounded above: the caller holds it inside the plot.
int64_t pointHeight(const StatisticsGrid& g, const StatisticsScale& sc, uint32_t mode,
                    int32_t plotHeight, int32_t i, int32_t j);

// A non-negative double truncated to an integer, saturated far beyond any plot (NaN and
// negative values give 0).
int64_t truncatedHeight(double v);

}  // namespace velmora
