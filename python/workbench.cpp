#include "workbench.h"

#include <algorithm>
#include <new>

#include "cli/commands.h"
#include "model/problem_types.h"
#include "model/series_copy.h"
#include "processing/chains.h"
#include "processing/dispatch.h"
#include "processing/search_workspace.h"
#include "shell/commands.h"
#include "shell/dialogs.h"
#include "shell/scripting.h"
#include "shell/window_reporter.h"
#include "simulation/answer_measures.h"
#include "simulation/rest_error.h"

namespace velmora::pyext {

namespace {

// Puts the generator states back as they were when it was made: simulations and pictures
// start from a fresh program and leave the caller's series generators alone.
class KeptRandomStates {
 public:
  KeptRandomStates() : saved_(randomStates()) {}
  ~KeptRandomStates() { randomStates() = saved_; }
  KeptRandomStates(const KeptRandomStates&) = delete;
  KeptRandomStates& operator=(const KeptRandomStates&) = delete;

 private:
  const RandomStates saved_;
};

std::string joined(const std::vector<int32_t>& values, char separator) {
  std::string out;
  for (int32_t v : values) out += (out.empty() ? "" : std::string(1, separator)) + std::to_string(v);
  return out;
}

// A key that tells two problems apart.
std::string problemKey(const cli::Problem& p) {
  std::string rows;
  for (const auto& row : p.subsets) rows += joined(row, ',') + ";";
  return p.task + "|" + p.series + "|" + joined(p.etalons, ',') + "|" + joined(p.subset, ',') +
         "|" + rows + "|" + std::to_string(p.current);
}

std::string refusalText(Workbench& bench, const std::string& what) {
  std::string text = bench.takeMessageText();
  return text.empty() ? what + " was refused" : text;
}

struct ChainsFree {
  void operator()(ChainsHeader* c) const { freeChainsHeader(c); }
};

}  // namespace

std::mutex& programLock() {
  static std::mutex lock;
  return lock;
}

const PulseHeader* standardAlphabet() {
  // A program that is never shut down: its alphabet is referred to by every series the
  // module hands out, up to the end of the process.
  static Workbench* bench = [] {
    std::lock_guard<std::mutex> hold(programLock());
    const RandomStates saved = randomStates();
    auto* b = new Workbench();
    randomStates() = saved;
    return b;
  }();
  return bench->state.etalons.alphabet;
}

Workbench::Workbench() : window(sink) {
  window.holdMessages(true);
  if (startUp(window, state) != 1) throw Refusal(refusalText(*this, "start-up"));
  states_ = randomStates();
}

Workbench::~Workbench() {
  if (state.running) shutDown(window, state);
}

void Workbench::enter() { randomStates() = states_; }
void Workbench::leave() { states_ = randomStates(); }

std::string Workbench::takeMessageText() {
  std::string out;
  for (const Message& m : window.takeMessages()) {
    out += (out.empty() ? "" : "\n") + m.shownCaption() + ": " + m.text;
    while (!out.empty() && out.back() == '\n') out.pop_back();
  }
  return out;
}

void Workbench::configure(const cli::Problem& p) {
  const std::string key = problemKey(p);
  if (configured_ == key) return;
  configured_.reset();
  handleCommand(window, state, p.seriesCommand);
  handleCommand(window, state, p.taskCommand);
  if (!p.etalons.empty()) {
    std::vector<int32_t> list(p.etalons.begin(), p.etalons.end());
    window.setDialogText(kDialogRequiredEtalons, kIdcRequiredCount, std::to_string(list.size()));
    window.setDialogText(kDialogRequiredEtalons, kIdcRequiredList, joined(list, ','));
    handleCommand(window, state, kCmdNewPulses);
    if (state.etalons.wRequiredCount != p.etalons.size())
      throw Refusal(refusalText(*this, "the list of required etalons"));
  }
  if (!p.subset.empty() || !p.subsets.empty()) {
    if (attachSubsetSelection(window, state, p.subset, p.subsets, p.current) != 1)
      throw Refusal(refusalText(*this, "the subset selection"));
  }
  takeMessageText();
  configured_ = key;
}

SeriesPtr copySeries(const SeriesHeader& f, const PulseHeader* alphabet) {
  SeriesPtr out(copySeriesHeader(f));
  SeriesHeader& t = *out;
  // The copy's etalons are those of `alphabet`, by number: the record it was made from
  // points at a program state that goes on changing.
  auto etalon = [&](const PulseHeader* p) -> const PulseHeader* {
    if (p == nullptr || p->wNumber < 1 || p->wNumber > kAlphabetSize) return nullptr;
    return &alphabet[p->wNumber - 1];
  };
  t.lpFirstPulse = etalon(f.lpFirstPulse);
  for (const PulseHeader*& e : t.pulsesListBlock) e = etalon(e);
  return out;
}

Synthesised synthesise(Workbench& bench, const cli::Problem& problem,
                       const cli::CreateRequest& create) {
  std::lock_guard<std::mutex> hold(programLock());
  struct Entered {
    Workbench& b;
    ~Entered() { b.leave(); }
  } entered{bench};
  bench.enter();
  bench.configure(problem);
  for (const cli::CreateValue& v : create.values)
    bench.window.setDialogText(v.dialogId, v.controlId, v.text);
  const AppState& s = bench.state;
  bool made = false;
  try {
    made = runProcessingCommand(bench.window, bench.state, kCmdCreateSeries);
  } catch (const std::bad_alloc&) {
    throw OutOfMemory("not enough memory for the series");
  }
  if (!made || s.records.lpSeriesHeader == nullptr)
    throw Refusal(refusalText(bench, "\" Create series... \""));
  bench.takeMessageText();

  Synthesised out;
  out.series = copySeries(*s.records.lpSeriesHeader, standardAlphabet());
  SeriesContext& c = out.context;
  c.seriesType = s.problem.wSeriesType;
  c.taskType = s.problem.wTaskType;
  c.required.assign(s.etalons.lpRequiredList, s.etalons.lpRequiredList + s.etalons.wRequiredCount);
  c.savedLevel = s.series.wSavedLevelCur;
  c.procSavedLevel = s.series.wProcSavedLevelCur;
  const SubsetSelection& sel = s.records.selection;
  if (sel.selectedSubset) c.subset.assign(sel.selectedSubset, sel.selectedSubset + sel.count);
  for (int32_t r = 0; r < sel.rowsInUse; ++r)
    c.subsets.emplace_back(sel.rows[r], sel.rows[r] + sel.selectedSubsetArraySize[r]);
  c.current = sel.currentRow;
  c.proceedingMode = static_cast<int32_t>(s.subsets.dwSubsetProceedingMode);
  c.sequence.assign(s.etalons.lpEtalonSequence,
                    s.etalons.lpEtalonSequence +
                        std::min<size_t>(s.series.wMaxPulses, s.etalons.wEtalonSequenceSize));
  return out;
}

SearchAnswer search(SeriesHeader& series, uint16_t seriesType, const SearchRequest& r) {
  std::ostringstream sink;
  cli::ScriptedWindow window(sink);
  window.holdMessages(true);

  const bool tupleDetection = r.taskType == kTaskTupleDetection ||
                              (r.taskType == kTaskDetection && isTupleSeries(seriesType));
  const bool tupleRecognition = r.taskType == kTaskTupleRecognition ||
                                (r.taskType == kTaskRecognition && isTupleSeries(seriesType));
  if ((tupleDetection || tupleRecognition) && r.subset.empty())
    throw Refusal("tuple searches need a subset of etalons (subset=...)");
  if (tupleRecognition && r.subsets.empty())
    throw Refusal("tuple recognition needs the list of subsets (subsets=...)");
  if (r.required.empty()) throw Refusal("the list of etalons is empty");

  // The chains record holds every pulse the search may write: the series' greatest pulse
  // count, also for the Tmin the search is given.
  uint32_t need = std::max(series.wMaxPulses, series.wImpulseQuantity);
  if (r.tmin > 0 && series.dwSeriesSize >= series.wImpulseSize)
    need = std::max<uint32_t>(need, (series.dwSeriesSize - series.wImpulseSize + r.tmin) / r.tmin);
  need = std::min<uint32_t>(need, 65535);
  WindowReporter reporter(window);
  std::unique_ptr<ChainsHeader, ChainsFree> chains(
      getChainsHeader(reporter, r.pretenders, static_cast<uint16_t>(need), nullptr));
  if (!chains) {
    const std::vector<Message> m = window.takeMessages();
    throw OutOfMemory(m.empty() ? "not enough memory for the chains record" : m.front().text);
  }

  std::vector<int32_t> sizes;
  std::vector<const int32_t*> rows;
  for (const auto& row : r.subsets) {
    sizes.push_back(static_cast<int32_t>(row.size()));
    rows.push_back(row.data());
  }
  uint32_t diagnostic = 0;
  SearchInputs in;
  in.alphabet = r.alphabet;
  in.requiredCount = static_cast<uint16_t>(r.required.size());
  in.requiredList = r.required.data();
  in.tmin = r.tmin;
  in.tmax = r.tmax;
  in.procSavedLevel = r.procSavedLevel;
  in.selectedSubsetSize = static_cast<int32_t>(r.subset.size());
  in.selectedSubset = r.subset.empty() ? nullptr : r.subset.data();
  in.subsetProceedingMode = r.proceedingMode;
  in.subsetCount = static_cast<int32_t>(rows.size());
  in.subsetSizes = sizes.empty() ? nullptr : sizes.data();
  in.subsetRows = rows.empty() ? nullptr : rows.data();
  in.diagnosticFlag = &diagnostic;
  in.reporter = &reporter;
  // The searches' tables are kept per thread between calls, as the simulation keeps them:
  // sizing and clearing them afresh costs more than a search at the defaults.
  thread_local SearchWorkspace workspace;
  in.workspace = &workspace;

  SearchAnswer a;
  a.seriesType = seriesType;
  a.effectiveTaskType = effectiveTaskType(r.taskType, seriesType);
  SearchOutcome outcome;
  try {
    outcome = runSearch<FastKernels>(a.effectiveTaskType, seriesType, in, chains.get(), &series);
  } catch (const std::bad_alloc&) {
    throw OutOfMemory("not enough memory for the search");
  }
  if (!outcome.ran()) throw OutOfMemory(outcome.noMemory);
  a.result = outcome.result;
  for (const Message& m : window.takeMessages())
    a.messages.push_back(m.shownCaption() + ": " + m.text);

  const size_t found = std::min(series.wFoundPulses, series.wReservedImpulses);
  a.positions.assign(series.lpFoundPositions, series.lpFoundPositions + found);
  a.etalons.assign(series.lpFoundEtalons, series.lpFoundEtalons + found);
  a.firstSamples.assign(series.lpFoundFirstSamples, series.lpFoundFirstSamples + found);
  a.lastSamples.assign(series.lpFoundLastSamples, series.lpFoundLastSamples + found);
  const ChainsHeader& c = *chains;
  for (int i = 0; i < std::min(c.wPretenders, c.wMaxSize); ++i) {
    const size_t n = static_cast<size_t>(std::clamp<int32_t>(c.pulsesCount[i], 0, c.wMaxPulses));
    Chain chain;
    chain.cost = c.distance[i];
    chain.etalons.assign(c.pulsesList[i], c.pulsesList[i] + n);
    chain.positions.assign(c.positionsList[i], c.positionsList[i] + n);
    chain.firstSamples.assign(c.firstSamplesList[i], c.firstSamplesList[i] + n);
    chain.lastSamples.assign(c.lastSamplesList[i], c.lastSamplesList[i] + n);
    a.chains.push_back(std::move(chain));
  }
  a.foundTuple = series.wFoundTuple;
  for (int k = 0; k < series.wTupleInstances && series.lpTupleFirst && series.lpTupleLast; ++k)
    a.tupleInstances.emplace_back(series.lpTupleFirst[k], series.lpTupleLast[k]);
  a.restorationError = getRestorationError(&series);
  a.trueChainCost = trueChainCost(series);
  return a;
}

namespace {

class CallbackObserver : public SimulationObserver {
 public:
  explicit CallbackObserver(const std::function<bool(const SimulationProgress&)>& f) : f_(f) {}
  bool repeatDone(const SimulationProgress& progress) override {
    if (!f_) return true;
    if (!f_(progress)) stopped = true;
    return !stopped;
  }
  bool stopped = false;

 private:
  const std::function<bool(const SimulationProgress&)>& f_;
};

std::vector<int32_t> table(const RestErrorHeader& e, int t) {
  std::vector<int32_t> out;
  for (uint16_t i = 0; i < e.wNoiseLevels; ++i)
    out.insert(out.end(), e.lpErrors[t][i], e.lpErrors[t][i] + e.wVariousPulses);
  return out;
}

}  // namespace

SimulationTables simulate(const cli::SimulatePlan& plan,
                          const std::function<bool(const SimulationProgress&)>& progress) {
  std::lock_guard<std::mutex> hold(programLock());
  // A simulation starts from a fresh program, as velmora-cli simulate does, and leaves
  // the generator states of the caller's series as they were.
  const KeptRandomStates kept;

  Workbench bench;
  bench.configure(plan.problem);
  AppState& s = bench.state;
  for (const cli::CreateValue& v : plan.dialogValues)
    bench.window.setDialogText(v.dialogId, v.controlId, v.text);
  if (plan.clock) {
    const int32_t seconds = static_cast<int32_t>(*plan.clock);
    s.hooks.simClock = [seconds] { return seconds; };
  }
  s.simulation.simThreads = plan.threads;
  CallbackObserver observer(progress);
  s.hooks.simObserver = &observer;
  try {
    handleCommand(bench.window, s, kCmdSimulation);
  } catch (const std::bad_alloc&) {
    s.hooks.simObserver = nullptr;
    throw OutOfMemory("not enough memory for the simulation");
  }
  s.hooks.simObserver = nullptr;
  if (observer.stopped) throw Stopped("the simulation was stopped");
  if (!s.records.lpRestErrorHeader || s.records.lpRestErrorHeader->ifComplete == 0)
    throw Refusal(refusalText(bench, "the simulation"));

  const RestErrorHeader& e = *s.records.lpRestErrorHeader;
  SimulationTables t;
  t.pulseValues.assign(e.wPulseValues, e.wPulseValues + e.wVariousPulses);
  t.noiseLevels.assign(e.lpNoiseLevels, e.lpNoiseLevels + e.wNoiseLevels);
  t.repeats = e.repeats;
  t.taskType = e.wTaskType;
  t.seriesType = e.wSeriesType;
  t.restoring = table(e, kRestoringErrors);
  t.detection = table(e, kDetectionErrors);
  t.tupleRecognition = table(e, kTupleRecognitionErrors);
  t.startTime = s.simulation.simStartTime;
  t.endTime = s.simulation.simEndTime;
  t.options = {{"length", s.series.dwSeriesLengthCur},
               {"tmin", s.series.wTmin},
               {"tmax", s.series.wTmax},
               {"etalon", s.etalons.dwDefaultEtalon},
               {"saved", s.series.wSavedLevelCur},
               {"proc_saved", s.series.wProcSavedLevelCur},
               {"from", s.series.wMinPulses},
               {"to", s.series.wMaxPulses},
               {"incr", s.simulation.wSimPulsesStep},
               {"noise_initial", s.simulation.wSimNoiseInitial},
               {"noise_steps", s.simulation.wSimNoiseSteps},
               {"noise_step", s.simulation.wSimNoiseStep},
               {"repeats", s.simulation.wSimRepeats}};
  t.messages = bench.takeMessageText();
  return t;
}

Image render(const cli::RenderPlan& plan) {
  std::lock_guard<std::mutex> hold(programLock());
  const KeptRandomStates kept;
  Image image;
  cli::RenderPlan own = plan;
  own.picture = &image;
  std::ostringstream err;
  if (cli::renderCommand(own, err) != cli::kExitDone) {
    std::string text = err.str();
    while (!text.empty() && text.back() == '\n') text.pop_back();
    throw Refusal(text.empty() ? "the picture was refused" : text);
  }
  return image;
}

}  // namespace velmora::pyext
