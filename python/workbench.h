// The C++ side of the Python module: a started program driven as velmora-cli drives it
// (synthesis, simulation, pictures), and the searches on a series of the program's or
// the caller's own. Nothing here knows Python; module.cpp binds it.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/options.h"
#include "cli/render.h"
#include "cli/scripted_window.h"
#include "common/image.h"
#include "model/random.h"
#include "model/series.h"
#include "shell/app_state.h"
#include "simulation/simulation.h"

namespace velmora::pyext {

// A value or a set-up the program refuses; the text is the program's own message.
struct Refusal : std::runtime_error {
  using std::runtime_error::runtime_error;
};
// The program ran out of memory; the text names what it could not get.
struct OutOfMemory : std::runtime_error {
  using std::runtime_error::runtime_error;
};
// A progress callback asked the simulation to stop (an exception of its own, or Ctrl-C).
struct Stopped : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Everything that touches the process-wide generator states or runs a started program
// holds this lock: the states are one set per process.
std::mutex& programLock();

// The alphabet of a fresh program; built once, lives as long as the process.
const PulseHeader* standardAlphabet();

// A started program with the problem of the last configure() set up on it. It keeps its
// own copy of the process-wide generator states between uses, so that several programs
// (several random states in Python) each continue their own sequence.
class Workbench {
 public:
  Workbench();
  ~Workbench();
  Workbench(const Workbench&) = delete;
  Workbench& operator=(const Workbench&) = delete;

  // Series type, task type, required etalons and subsets as velmora-cli sets them up.
  // Done again only when the problem differs from the one set up last.
  void configure(const cli::Problem& problem);
  // Makes this program's generator states the process-wide ones, and keeps them back.
  void enter();
  void leave();
  // The messages shown since the last call, one "caption: text" a line.
  std::string takeMessageText();

  std::ostringstream sink;  // what the window would write; messages are held instead
  cli::ScriptedWindow window;
  AppState state;

 private:
  RandomStates states_;
  std::optional<std::string> configured_;
};

// The problem as it stood when a series was synthesised: what a search on that series
// uses unless told otherwise.
struct SeriesContext {
  uint16_t seriesType = 0;
  uint16_t taskType = 0;
  std::vector<uint16_t> required;
  uint16_t savedLevel = 100;
  uint16_t procSavedLevel = 100;
  std::vector<int32_t> subset;
  std::vector<std::vector<int32_t>> subsets;
  int32_t current = 0;
  int32_t proceedingMode = 1;
  std::vector<uint16_t> sequence;
};

struct SeriesFree {
  void operator()(SeriesHeader* h) const { freeSeriesHeader(h); }
};
using SeriesPtr = std::unique_ptr<SeriesHeader, SeriesFree>;

// A copy of a series record that owns its storage; the etalon pointers are set to
// `alphabet` by etalon number.
SeriesPtr copySeries(const SeriesHeader& from, const PulseHeader* alphabet);

// " Create series... " with `create` on `bench` after `problem` is set up: the series the
// program makes, as a record of its own, and the problem it was made for.
struct Synthesised {
  SeriesPtr series;
  SeriesContext context;
};
Synthesised synthesise(Workbench& bench, const cli::Problem& problem,
                       const cli::CreateRequest& create);

// A search request: the effective task, the etalons and the search parameters.
struct SearchRequest {
  uint16_t taskType = 0;  // kTaskDetection ... kTaskTupleRecognition
  const PulseHeader* alphabet = nullptr;
  uint16_t alphabetSize = 0;
  std::vector<uint16_t> required;
  uint16_t tmin = 0;
  uint16_t tmax = 0;
  uint16_t procSavedLevel = 100;
  std::vector<int32_t> subset;
  std::vector<std::vector<int32_t>> subsets;
  int32_t proceedingMode = 1;
  uint16_t pretenders = 10;
};

struct Chain {
  int32_t cost = 0;
  std::vector<int16_t> etalons, positions, firstSamples, lastSamples;
};

struct SearchAnswer {
  int result = 0;
  uint16_t effectiveTaskType = 0;
  uint16_t seriesType = 0;
  std::vector<int16_t> positions, etalons, firstSamples, lastSamples;
  std::vector<Chain> chains;
  int16_t foundTuple = 0;
  std::vector<std::pair<int16_t, int16_t>> tupleInstances;
  int64_t restorationError = 0;
  int64_t trueChainCost = 0;
  std::vector<std::string> messages;
};

// Runs the search the task and series types select on `series` (which receives the
// answer). Throws OutOfMemory when the search could not get its storage.
SearchAnswer search(SeriesHeader& series, uint16_t seriesType, const SearchRequest& request);

// A simulation as velmora-cli simulate makes it, on a fresh program.
struct SimulationTables {
  std::vector<int16_t> pulseValues, noiseLevels;
  int32_t repeats = 0;
  uint16_t taskType = 0, seriesType = 0;
  // [table][noise level][pulse count]: restoring, detection, tuple recognition
  std::vector<int32_t> restoring, detection, tupleRecognition;
  int32_t startTime = 0, endTime = 0;
  // The options as the dialogs held them at OK.
  std::vector<std::pair<std::string, int64_t>> options;
  std::string messages;
};
// `progress` is called after every repeat on the calling thread; false stops the run.
SimulationTables simulate(const cli::SimulatePlan& plan,
                          const std::function<bool(const SimulationProgress&)>& progress);

// The picture velmora-cli render draws for `plan` (plan.out is not written).
Image render(const cli::RenderPlan& plan);

}  // namespace velmora::pyext
