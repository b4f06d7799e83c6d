#include "support/simulation_trace.h"

#include <gtest/gtest.h>

#include "model/problem_types.h"
#include "model/series.h"
#include "model/subsets.h"
#include "simulation/rest_error.h"

namespace velmora::testing {
namespace {

// Keeps a report of every repeat and asks to stop after `stopAfter` of them.
struct TraceObserver : SimulationObserver {
  int stopAfter = -1;
  std::vector<std::vector<int32_t>>* out = nullptr;
  bool repeatDone(const SimulationProgress& p) override {
    std::vector<int32_t> r = {p.pulseIndex, p.levelIndex, p.repeat, p.pulseCounts,
                              p.noiseLevels, p.repeats};
    const SeriesHeader& s = *p.series;
    r.insert(r.end(), s.lpEtalons, s.lpEtalons + s.wImpulseQuantity);
    r.insert(r.end(), s.lpPositions, s.lpPositions + s.wImpulseQuantity);
    r.insert(r.end(), s.lpFoundPositions, s.lpFoundPositions + s.wFoundPulses);
    r.insert(r.end(), s.lpFoundEtalons, s.lpFoundEtalons + s.wFoundPulses);
    r.insert(r.end(), s.lpSubset, s.lpSubset + s.wSubsetStored);
    r.push_back(s.wFoundTuple);
    r.push_back(p.chains->wPretenders);
    r.insert(r.end(), p.chains->distance, p.chains->distance + p.chains->wPretenders);
    out->push_back(r);
    return stopAfter < 0 || static_cast<int>(out->size()) < stopAfter;
  }
};

}  // namespace

SimulationTrace traceSimulation(FakeWindow& w, const PulseHeader* alphabet,
                                const TraceProblem& problem, const TraceRun& run) {
  resetRandomStates();
  SimulationTrace t;
  SeriesHeader* series =
      getCutOffSeriesHeader(w, kAlphabetSize, kPulseLength, 40, 60, 200, nullptr);
  EXPECT_NE(series, nullptr);
  if (problem.taskType == kTaskTupleRecognition) {
    const std::vector<int32_t> a{1, 2}, b{3, 4, 5}, c{6, 7};
    const int32_t sizes[] = {2, 3, 2};
    const int32_t* rows[] = {a.data(), b.data(), c.data()};
    EXPECT_EQ(addSomeSelectedSubsetToSeriesHeader(w, sizes, rows, 3, 3, 3, 3, problem.subsetMode,
                                                  1, series),
              1);
  } else if (problem.taskType == kTaskTupleDetection) {
    const int32_t subset[] = {2, 5, 9};
    EXPECT_EQ(addSubsetToSeriesHeader(subset, 3, problem.subsetMode, 1, series), 1);
  }
  RestErrorHeader* errors = getRestErrHeader(w, 2, 2, run.repeats, nullptr);
  EXPECT_EQ(initRestErrHeader(w, 2, run.firstPulses, 1, 2, 0, 40, run.repeats, errors), 1);
  SimulationContext context;
  context.noiseSeed = kInitialNoiseSeed;
  context.subsetProceeding = 2;
  context.clock = [] { return 0; };
  context.threads = run.threads;
  context.share = run.share;
  TraceObserver reporter;
  reporter.stopAfter = run.stopAfter;
  reporter.out = &t.reports;
  if (run.observed) context.observer = &reporter;
  const std::vector<uint16_t> required{1, 2, 3};
  t.result = statCutoffPinpoint(w, errors, kAlphabetSize, alphabet, 3, required.data(),
                                problem.seriesType, problem.taskType, problem.savedLevel,
                                problem.savedLevel, series, context);
  t.complete = errors->ifComplete;
  for (int k = 0; k < 6; ++k)
    for (int i = 0; i < 2; ++i)
      for (int j = 0; j < 2; ++j) t.tables.push_back(errors->lpErrors[k][i][j]);
  t.noiseSeed = context.noiseSeed;
  t.states = randomStates();
  if (run.observed && series != nullptr) {
    t.seriesBlock = series->block;
    t.found = series->wFoundPulses;
    t.subsetSize = series->wSubsetSize;
    t.foundTuple = series->wFoundTuple;
  }
  for (const auto& m : w.messages) t.messages.push_back(m.shownCaption() + "|" + m.text);
  w.clear();
  freeSeriesHeader(series);
  freeRestErrHeader(errors);
  return t;
}

bool sameRandomStates(const RandomStates& a, const RandomStates& b) {
  return a.alphabet == b.alphabet && a.cutStart == b.cutStart && a.cutEnd == b.cutEnd &&
         a.position == b.position && a.pulseCount == b.pulseCount &&
         a.subsetPlace == b.subsetPlace && a.subsetRepeat == b.subsetRepeat;
}

void expectSameRun(const SimulationTrace& a, const SimulationTrace& b, const std::string& what) {
  EXPECT_EQ(a.result, b.result) << what;
  EXPECT_EQ(a.complete, b.complete) << what;
  EXPECT_EQ(a.tables, b.tables) << what;
  EXPECT_EQ(a.noiseSeed, b.noiseSeed) << what;
  EXPECT_TRUE(sameRandomStates(a.states, b.states)) << what;
  EXPECT_EQ(a.seriesBlock, b.seriesBlock) << what;
  EXPECT_EQ(a.found, b.found) << what;
  EXPECT_EQ(a.subsetSize, b.subsetSize) << what;
  EXPECT_EQ(a.foundTuple, b.foundTuple) << what;
  EXPECT_EQ(a.messages, b.messages) << what;
  EXPECT_EQ(a.reports, b.reports) << what;
}

}  // namespace velmora::testing
