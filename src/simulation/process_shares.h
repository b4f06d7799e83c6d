// A run that several processes make together: each process makes the repeats it takes,
// sums their errors per grid point and hands its messages on; the share brings the parts
// together at the end.
#pragma once

#include <cstdint>
#include <vector>

#include "common/report.h"

namespace velmora {

// What the repeats of one grid point add up to. Every value is non-negative and a sum
// stops at the largest 64-bit value, so sums over parts of the repeats add up, in any
// order and grouping, to the sums over all of them.
struct GridPointSums {
  int64_t restoring = 0;
  int64_t detection = 0;
  int64_t tupleMisses = 0;
};
void addGridPointSums(GridPointSums& to, const GridPointSums& from);

// sum + value for a non-negative value, stopping at the largest 64-bit value.
int64_t saturatingAdd(int64_t sum, int64_t value);

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
  // synthesis and processing reported; or it failed (`failed`; its last message says why)
  // and this process's part ends with it.
  virtual void repeatDone(int64_t repeat, bool failed, const std::vector<Message>& messages) = 0;
  // This process's part has ended: completed, or not (a failure, or the observer stopped
  // it). Brings every process's part together: on return `sums` (one per grid point,
  // pulse count major) holds the sums over all the repeats, and the messages of the
  // repeats have been reported to `reporter` in run order, as a run made alone reports
  // them. Returns whether every part completed.
  virtual bool combine(Reporter& reporter, std::vector<GridPointSums>& sums, bool completed) = 0;
};

}  // namespace velmora
