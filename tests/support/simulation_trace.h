// A small statistical simulation run from a fresh program, and what it looked like from
// outside, for the tests that compare runs made in different ways (threads, shares) bit
// for bit.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/alphabet.h"
#include "model/random.h"
#include "model/subset_modes.h"
#include "simulation/simulation.h"
#include "support/fake_window.h"

namespace velmora::testing {

// A problem: series and task type, saved level, and the employment mode of the subsets
// the tuple tasks are given.
struct TraceProblem {
  uint16_t seriesType;
  uint16_t taskType;
  uint16_t savedLevel;
  uint16_t subsetMode = kSubsetComplete;
};

// How the run is made.
struct TraceRun {
  uint16_t threads = 1;
  int32_t repeats = 5;
  int16_t firstPulses = 3;
  // Observed: the trace keeps a report of every repeat and the series record the run
  // leaves behind, and the run stops after `stopAfter` reports (-1: never). A share of a
  // run leaves the series of its own repeats, so a run in shares is not observed.
  bool observed = true;
  int stopAfter = -1;
  SimulationShare* share = nullptr;  // null: the whole run
};

struct SimulationTrace {
  int result = 0;
  uint16_t complete = 0;
  std::vector<int32_t> tables;
  uint16_t noiseSeed = 0;
  RandomStates states;
  std::vector<std::string> messages;  // caption|text
  // Observed runs only.
  std::vector<int16_t> seriesBlock;
  uint16_t found = 0, subsetSize = 0;
  int16_t foundTuple = 0;
  // Per report: grid point and repeat, and the repeat's truth, answer and chains.
  std::vector<std::vector<int32_t>> reports;
};

// Runs `problem` from a fresh program over 2 pulse counts from `run.firstPulses`, noise
// levels 0 and 40, required etalons 1..3 on series of 200 samples 40..60 apart; tuple
// tasks get the subset {2, 5, 9} (detection) or the list {1, 2}, {3, 4, 5}, {6, 7} with
// the third current (recognition). `w` is cleared afterwards.
SimulationTrace traceSimulation(FakeWindow& w, const PulseHeader* alphabet,
                                const TraceProblem& problem, const TraceRun& run);

// The two traces are equal in everything; `what` names the comparison in a failure.
void expectSameRun(const SimulationTrace& a, const SimulationTrace& b, const std::string& what);

bool sameRandomStates(const RandomStates& a, const RandomStates& b);

}  // namespace velmora::testing
