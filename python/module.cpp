// The Python module `velmora`: the workbench's alphabet, synthesis, searches, simulation
// and pictures on numpy arrays.
#include <pybind11/eval.h>
#include <pybind11/functional.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>


#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cli/options.h"
#include "cli/render.h"
#include "export/png.h"
#include "model/problem_types.h"
#include "processing/chains.h"
#include "simulation/answer_measures.h"
#include "user_problem.h"
#include "workbench.h"

namespace py = pybind11;
using namespace velmora;
using namespace velmora::pyext;

namespace {

// ---------------------------------------------------------------- values and arrays

// A read-only numpy array over `count` values at `data`, kept alive by `owner`.
template <typename T>
py::array view(const T* data, size_t count, py::handle owner) {
  py::array a(py::dtype::of<T>(), {count}, {sizeof(T)}, data, owner);
  py::detail::array_proxy(a.ptr())->flags &= ~py::detail::npy_api::NPY_ARRAY_WRITEABLE_;
  return a;
}

template <typename T>
py::array view2(const T* data, const std::vector<size_t>& shape,
                const std::vector<size_t>& strides, py::handle owner) {
  py::array a(py::dtype::of<T>(), shape, strides, data, owner);
  py::detail::array_proxy(a.ptr())->flags &= ~py::detail::npy_api::NPY_ARRAY_WRITEABLE_;
  return a;
}

// A read-only numpy array that owns `values`.
template <typename T>
py::array owned(std::vector<T> values, std::vector<size_t> shape = {}) {
  auto* held = new std::vector<T>(std::move(values));
  py::capsule free(held, [](void* p) { delete static_cast<std::vector<T>*>(p); });
  if (shape.empty()) shape = {held->size()};
  std::vector<size_t> strides(shape.size(), sizeof(T));
  for (size_t k = shape.size() - 1; k > 0; --k) strides[k - 1] = strides[k] * shape[k];
  return view2(held->data(), shape, strides, free);
}

py::module_ numpy() { return py::module_::import("numpy"); }

// The integer values of a 1-D or 2-D array-like as 16-bit samples, row after row.
// Refused: other dimensions, no values, non-integer dtypes (floats included: a recording
// in floats is rounded by its owner, as np.rint(x).astype(np.int16) does), values
// outside -32768..32767 (the message names the first such sample).
struct Samples {
  std::vector<int16_t> values;
  std::vector<size_t> shape;
};
Samples samplesOf(py::handle object, int ndim, const std::string& what) {
  py::array a = numpy().attr("asarray")(object);
  const char kind = a.dtype().kind();
  if (kind == 'f' || kind == 'c')
    throw Refusal(what + ": float samples are not taken; round them to integers first (for "
                         "example np.rint(x).astype(np.int16))");
  if (kind != 'i' && kind != 'u')
    throw Refusal(what + ": integer samples are needed, not dtype " +
                  py::str(a.dtype()).cast<std::string>());
  if (a.ndim() != ndim)
    throw Refusal(what + ": a " + std::to_string(ndim) + "-D array is needed, not " +
                  std::to_string(a.ndim()) + "-D");
  Samples s;
  for (int d = 0; d < ndim; ++d) s.shape.push_back(static_cast<size_t>(a.shape(d)));
  if (a.size() == 0) throw Refusal(what + ": no samples");
  // 64-bit unsigned values above the signed range are out of range anyway.
  if (kind == 'u' && a.itemsize() == 8) {
    py::array big = numpy().attr("flatnonzero")(a.attr("__gt__")(32767));
    if (big.size() > 0)
      throw Refusal(what + ": sample " + py::str(big.attr("__getitem__")(0)).cast<std::string>() +
                    " does not fit 16 bits (-32768..32767)");
  }
  auto wide = py::array_t<int64_t, py::array::c_style | py::array::forcecast>::ensure(a);
  if (!wide) throw py::error_already_set();
  const int64_t* v = wide.data();
  s.values.resize(static_cast<size_t>(wide.size()));
  for (size_t k = 0; k < s.values.size(); ++k) {
    if (v[k] < -32768 || v[k] > 32767)
      throw Refusal(what + ": sample " + std::to_string(k) + " (" + std::to_string(v[k]) +
                    ") does not fit 16 bits (-32768..32767)");
    s.values[k] = static_cast<int16_t>(v[k]);
  }
  return s;
}

// A whole number in [low, high]; `what` names it in the message.
int64_t integerIn(py::handle value, const std::string& what, int64_t low, int64_t high) {
  if (py::isinstance<py::bool_>(value))
    throw Refusal(what + ": an integer is needed, not bool");
  if (!py::isinstance<py::int_>(value)) {
    // numpy integers and other objects with __index__ count as integers.
    py::object index = py::reinterpret_steal<py::object>(PyNumber_Index(value.ptr()));
    if (!index) {
      PyErr_Clear();
      throw Refusal(what + ": an integer is needed, not " +
                    py::str(py::type::of(value).attr("__name__")).cast<std::string>());
    }
    return integerIn(index, what, low, high);
  }
  int overflow = 0;
  const long long v = PyLong_AsLongLongAndOverflow(value.ptr(), &overflow);
  if (overflow != 0 || v < low || v > high)
    throw Refusal(what + ": " + py::str(value).cast<std::string>() + " lies outside " +
                  std::to_string(low) + ".." + std::to_string(high));
  return v;
}

std::vector<int32_t> numberList(py::handle object, const std::string& what, int64_t low,
                                int64_t high) {
  std::vector<int32_t> out;
  if (py::isinstance<py::str>(object) || !py::hasattr(object, "__iter__"))
    throw Refusal(what + ": a sequence of integers is needed");
  for (py::handle item : object) out.push_back(static_cast<int32_t>(integerIn(item, what, low, high)));
  return out;
}

std::string joined(const std::vector<int32_t>& v, const char* separator) {
  std::string out;
  for (int32_t x : v) out += (out.empty() ? "" : separator) + std::to_string(x);
  return out;
}

// Text of an option as velmora-cli takes it; none stays absent.
std::optional<std::string> text(py::handle value, const std::string& what) {
  if (value.is_none()) return std::nullopt;
  return std::to_string(integerIn(value, what, INT32_MIN, INT32_MAX));
}

// ---------------------------------------------------------------- problems

struct ProblemArgs {
  std::string task, series;
  py::object etalons, subset, subsets, current;
};

// The problem options as velmora-cli's --etalons, --subset, --subsets and --current.
cli::ProblemOptions problemOptions(const ProblemArgs& a) {
  cli::ProblemOptions o;
  o.task = a.task;
  o.series = a.series;
  if (!a.etalons.is_none()) o.etalons = joined(numberList(a.etalons, "etalons", INT32_MIN, INT32_MAX), ",");
  if (!a.subset.is_none()) o.subset = joined(numberList(a.subset, "subset", INT32_MIN, INT32_MAX), ",");
  if (!a.subsets.is_none()) {
    std::string rows;
    if (py::isinstance<py::str>(a.subsets) || !py::hasattr(a.subsets, "__iter__"))
      throw Refusal("subsets: a sequence of etalon lists is needed");
    for (py::handle row : a.subsets)
      rows += (rows.empty() ? "" : ";") + joined(numberList(row, "subsets", INT32_MIN, INT32_MAX), ",");
    o.subsets = rows;
  }
  o.current = text(a.current, "current");
  return o;
}

// Runs a check of velmora-cli's options; its usage errors are refusals.
template <typename F>
auto checked(F f) -> decltype(f()) {
  try {
    return f();
  } catch (const cli::UsageError& e) {
    throw Refusal(e.what());
  }
}

// ---------------------------------------------------------------- Python objects

struct RandomState {
  std::shared_ptr<Workbench> bench;
};

std::shared_ptr<Workbench> newWorkbench() {
  py::gil_scoped_release free;
  std::lock_guard<std::mutex> hold(programLock());
  const RandomStates saved = randomStates();
  auto bench = std::make_shared<Workbench>();
  randomStates() = saved;
  return bench;
}

RandomState& defaultRandomState() {
  static RandomState* state = new RandomState{newWorkbench()};
  return *state;
}

struct Series {
  SeriesPtr header;
  SeriesContext context;
};

struct Result {
  SearchAnswer answer;
  bool synthesised = false;
  std::string task;
  py::list chains;
};

struct ChainView {
  Chain chain;
};

struct Simulation {
  SimulationTables tables;
  std::string task, series;
  int32_t threads = 0;
  double seconds = 0;
};

// A table of the error record, [noise level][pulse count], as (pulse counts, noise levels).
py::object byPulseCount(const std::vector<int32_t>& table, const SimulationTables& t) {
  py::array rows = owned(table, {t.noiseLevels.size(), t.pulseValues.size()});
  py::object transposed = rows.attr("T");
  return transposed;
}

const std::map<uint16_t, std::string>& seriesTypeNames() {
  static const std::map<uint16_t, std::string> names = {
      {kSeriesFixedWhole, "fixed-whole"},     {kSeriesFixedCutoff, "fixed-cutoff"},
      {kSeriesUnfixedWhole, "unfixed-whole"}, {kSeriesUnfixedCutoff, "unfixed-cutoff"},
      {kSeriesFixedTuples, "fixed-tuples"},   {kSeriesUnfixedTuples, "unfixed-tuples"},
      // Whole-pulse series made by " Create series... " (their sequence was given).
      {kSeriesFixedWholeGiven, "fixed-whole"}, {kSeriesUnfixedWholeGiven, "unfixed-whole"}};
  return names;
}
std::string seriesName(uint16_t type) {
  auto it = seriesTypeNames().find(type);
  return it == seriesTypeNames().end() ? std::to_string(type) : it->second;
}
std::string taskName(uint16_t type) {
  switch (type) {
    case kTaskDetection: return "detection";
    case kTaskRecognition: return "recognition";
    case kTaskJoint: return "joint";
    case kTaskSeriesProcessing: return "series";
    case kTaskTupleDetection: return "tuple-detection";
    case kTaskTupleRecognition: return "tuple-recognition";
    default: return std::to_string(type);
  }
}

// ---------------------------------------------------------------- synthesis

py::object synthesize(const std::string& series, const std::string& task, py::object length,
                      py::object tmin, py::object tmax, py::object etalon, py::object saved,
                      py::object procSaved, py::object pulses, py::object sequence,
                      py::object noise, py::object etalons, py::object subset,
                      py::object subsets, py::object current, py::object randomState) {
  ProblemArgs args{task, series, etalons, subset, subsets, current};
  cli::RunOptions run;
  run.problem = problemOptions(args);
  std::string create;
  const std::pair<const char*, py::object*> keys[] = {
      {"length", &length}, {"tmin", &tmin},   {"tmax", &tmax},           {"etalon", &etalon},
      {"saved", &saved},   {"proc-saved", &procSaved}, {"pulses", &pulses}, {"noise", &noise}};
  for (const auto& [key, value] : keys)
    if (auto t = text(*value, key)) create += (create.empty() ? "" : ",") + std::string(key) + "=" + *t;
  if (!sequence.is_none())
    create += (create.empty() ? "" : ",") + std::string("sequence=") +
              joined(numberList(sequence, "sequence", INT32_MIN, INT32_MAX), ";");
  if (!create.empty()) run.create = create;
  run.next = "0";
  const cli::RunPlan plan = checked([&] { return cli::checkRunOptions(run); });
  const cli::CreateRequest request = plan.create.value_or(cli::CreateRequest{});

  RandomState* state = randomState.is_none() ? &defaultRandomState()
                                             : &randomState.cast<RandomState&>();
  std::shared_ptr<Workbench> bench = state->bench;
  standardAlphabet();
  Synthesised made;
  {
    py::gil_scoped_release free;
    made = velmora::pyext::synthesise(*bench, plan.problem, request);
  }
  auto out = std::make_unique<Series>();
  out->header = std::move(made.series);
  out->context = std::move(made.context);
  return py::cast(std::move(out));
}

// ---------------------------------------------------------------- searches

struct SearchArgs {
  py::object etalons, tmin, tmax, count, savedLevel, subset, subsets, current, pretenders;
};

// Fills the request's subsets from the arguments or, for a synthesised series, from the
// problem it was made for. Numbers must name etalons of the alphabet searched.
void takeSubsets(const SearchArgs& a, uint16_t alphabetSize, const SeriesContext* context,
                 SearchRequest& r) {
  if (!a.subsets.is_none()) {
    if (py::isinstance<py::str>(a.subsets) || !py::hasattr(a.subsets, "__iter__"))
      throw Refusal("subsets: a sequence of etalon lists is needed");
    for (py::handle row : a.subsets) {
      r.subsets.push_back(numberList(row, "subsets", 1, alphabetSize));
      if (r.subsets.back().empty() || r.subsets.back().size() > 10)
        throw Refusal("subsets: every subset holds 1..10 etalons");
    }
    if (r.subsets.size() > 10) throw Refusal("subsets: at most 10 subsets");
  } else if (context) {
    r.subsets = context->subsets;
  }
  if (!a.subset.is_none()) {
    r.subset = numberList(a.subset, "subset", 1, alphabetSize);
    if (r.subset.empty() || r.subset.size() > 10)
      throw Refusal("subset: a subset holds 1..10 etalons");
  } else if (!a.subsets.is_none() && !r.subsets.empty()) {
    const int64_t c = a.current.is_none() ? 1 : integerIn(a.current, "current", 1, r.subsets.size());
    r.subset = r.subsets[static_cast<size_t>(c - 1)];
  } else if (context) {
    r.subset = context->subset;
  }
}

py::object runTask(uint16_t task, py::handle data, const SearchArgs& a) {
  SearchRequest r;
  r.taskType = task;
  r.pretenders = static_cast<uint16_t>(
      a.pretenders.is_none() ? 10 : integerIn(a.pretenders, "pretenders", 1, 100));

  // The etalons: numbers into the alphabet, or shapes of one's own.
  std::unique_ptr<UserAlphabet> own;
  std::vector<int32_t> numbers;
  bool numbersGiven = false;
  r.alphabet = standardAlphabet();
  r.alphabetSize = kAlphabetSize;
  uint16_t pulseLength = kPulseLength;
  if (!a.etalons.is_none()) {
    py::array shapes = numpy().attr("asarray")(a.etalons);
    if (shapes.ndim() == 2) {
      Samples s = samplesOf(shapes, 2, "etalons");
      own = std::make_unique<UserAlphabet>(s.values.data(), static_cast<uint32_t>(s.shape[0]),
                                           static_cast<uint32_t>(s.shape[1]));
      r.alphabet = own->pulses();
      r.alphabetSize = own->size();
      pulseLength = own->length();
      for (uint16_t e = 1; e <= own->size(); ++e) r.required.push_back(e);
    } else {
      numbers = numberList(a.etalons, "etalons", 1, kAlphabetSize);
      if (numbers.empty()) throw Refusal("etalons: at least one etalon is needed");
      numbersGiven = true;
      for (int32_t n : numbers) r.required.push_back(static_cast<uint16_t>(n));
    }
  }

  const bool isSeries = py::isinstance<Series>(data);
  if (isSeries) {
    Series& series = data.cast<Series&>();
    const SeriesContext& c = series.context;
    const SeriesHeader& h = *series.header;
    if (!a.count.is_none())
      throw Refusal("count: a synthesised series has its own pulse count; give count for "
                    "arrays only");
    if (own && own->length() != h.wImpulseSize)
      throw Refusal("etalons: shapes of " + std::to_string(own->length()) +
                    " samples given for a series of pulses of " +
                    std::to_string(h.wImpulseSize) + " samples");
    if (!own && !numbersGiven) r.required = c.required;
    r.tmin = static_cast<uint16_t>(a.tmin.is_none() ? h.wTmin : integerIn(a.tmin, "tmin", 1, 65535));
    r.tmax = static_cast<uint16_t>(a.tmax.is_none() ? h.wTmax : integerIn(a.tmax, "tmax", 1, 65535));
    r.procSavedLevel = static_cast<uint16_t>(
        a.savedLevel.is_none() ? c.procSavedLevel : integerIn(a.savedLevel, "saved_level", 1, 100));
    r.proceedingMode = c.proceedingMode;
    takeSubsets(a, r.alphabetSize, own ? nullptr : &c, r);
    // The search writes its answer into the record: it works on a copy.
    SeriesPtr copy = copySeries(h, standardAlphabet());
    if (own) {
      // The found pulses are rebuilt from the own shapes (the restoration error).
      copy->pulsesListBlock.resize(own->size());
      for (uint16_t e = 0; e < own->size(); ++e) copy->pulsesListBlock[e] = &own->pulses()[e];
      copy->lpPulsesList = copy->pulsesListBlock.data();
      copy->wEtalons = copy->wReservedEtalons = own->size();
    }
    auto result = std::make_unique<Result>();
    {
      py::gil_scoped_release free;
      result->answer = search(*copy, c.seriesType, r);
      // The true chain is made of the alphabet's etalons, whatever was searched for.
      result->answer.trueChainCost = trueChainCost(h);
    }
    result->synthesised = true;
    return py::cast(std::move(result));
  }

  Samples samples = samplesOf(data, 1, "series");
  if (!own && !numbersGiven) {
    if (task == kTaskDetection) {
      r.required = {1};
    } else {
      for (uint16_t e = 1; e <= kAlphabetSize; ++e) r.required.push_back(e);
    }
  }
  r.tmin = static_cast<uint16_t>(a.tmin.is_none() ? 40 : integerIn(a.tmin, "tmin", 1, 65535));
  r.tmax = static_cast<uint16_t>(a.tmax.is_none() ? 181 : integerIn(a.tmax, "tmax", 1, 65535));
  r.procSavedLevel = static_cast<uint16_t>(
      a.savedLevel.is_none() ? 100 : integerIn(a.savedLevel, "saved_level", 1, 100));
  takeSubsets(a, r.alphabetSize, nullptr, r);
  std::optional<uint32_t> count;
  if (!a.count.is_none()) count = static_cast<uint32_t>(integerIn(a.count, "count", 1, 65535));
  const bool tuples = task == kTaskTupleDetection || task == kTaskTupleRecognition;
  const uint16_t type = userSeriesType(count.has_value(), tuples, r.procSavedLevel);
  auto result = std::make_unique<Result>();
  {
    py::gil_scoped_release free;
    SeriesPtr h = userSeries(samples.values.data(), static_cast<uint32_t>(samples.values.size()),
                             r.alphabet, r.alphabetSize, pulseLength, r.tmin, r.tmax, count);
    result->answer = search(*h, type, r);
  }
  return py::cast(std::move(result));
}

// ---------------------------------------------------------------- simulation

py::object simulate(const ProblemArgs& problem, const std::map<std::string, py::object>& values,
                    py::object clock, py::object threads, py::object progress,
                    double progressInterval) {
  cli::SimulateOptions o;
  o.problem = problemOptions(problem);
  const std::pair<const char*, std::optional<std::string>*> keys[] = {
      {"length", &o.length},         {"tmin", &o.tmin},
      {"tmax", &o.tmax},             {"etalon", &o.etalon},
      {"saved", &o.saved},           {"proc_saved", &o.procSaved},
      {"pulses_from", &o.from},      {"pulses_to", &o.to},
      {"pulses_step", &o.incr},      {"noise_initial", &o.noiseInitial},
      {"noise_steps", &o.noiseSteps}, {"noise_step", &o.noiseStep},
      {"repeats", &o.repeats}};
  for (const auto& [key, target] : keys) {
    auto it = values.find(key);
    if (it != values.end()) *target = text(it->second, key);
  }
  o.clock = text(clock, "clock");
  o.threads = text(threads, "threads");
  o.quiet = true;
  const cli::SimulatePlan plan = checked([&] { return cli::checkSimulateOptions(o); });

  // Progress and Ctrl-C are looked at from this thread, with the interpreter held, at
  // most every few hundredths of a second: the driver reports every repeat.
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  auto lastSignals = start, lastShown = start - std::chrono::hours(1);
  const auto signalPeriod = std::chrono::milliseconds(50);
  const auto showPeriod = std::chrono::duration<double>(progressInterval);
  std::unique_ptr<py::error_already_set> failure;
  auto watch = [&](const SimulationProgress& p) -> bool {
    const auto now = Clock::now();
    const int64_t total = int64_t{p.pulseCounts} * p.noiseLevels * p.repeats;
    const int64_t done =
        (int64_t{p.pulseIndex} * p.noiseLevels + p.levelIndex) * p.repeats + p.repeat + 1;
    const bool show = !progress.is_none() && (now - lastShown >= showPeriod || done == total);
    if (now - lastSignals < signalPeriod && !show) return true;
    py::gil_scoped_acquire held;
    lastSignals = now;
    if (PyErr_CheckSignals() != 0) {
      failure = std::make_unique<py::error_already_set>();
      return false;
    }
    if (show) {
      lastShown = now;
      try {
        progress(done, total);
      } catch (py::error_already_set& e) {
        failure = std::make_unique<py::error_already_set>(std::move(e));
        return false;
      }
    }
    return true;
  };
  auto sim = std::make_unique<Simulation>();
  try {
    py::gil_scoped_release free;
    sim->tables = velmora::pyext::simulate(plan, watch);
  } catch (const Stopped&) {
    if (failure) throw std::move(*failure);
    throw;
  }
  sim->seconds = std::chrono::duration<double>(Clock::now() - start).count();
  sim->task = problem.task;
  sim->series = problem.series;
  sim->threads = plan.threads;
  return py::cast(std::move(sim));
}

// ---------------------------------------------------------------- pictures

py::bytes pngBytes(py::array_t<uint8_t, py::array::c_style | py::array::forcecast> rgb) {
  if (rgb.ndim() != 3 || rgb.shape(2) != 3) throw Refusal("picture: an (h, w, 3) array is needed");
  Image image(static_cast<int32_t>(rgb.shape(1)), static_cast<int32_t>(rgb.shape(0)));
  const uint8_t* p = rgb.data();
  for (size_t k = 0; k < image.pixels.size(); ++k)
    image.pixels[k] = Color{p[3 * k], p[3 * k + 1], p[3 * k + 2]}.packed();
  std::vector<uint8_t> png;
  {
    py::gil_scoped_release free;
    png = encodePng(image);
  }
  return py::bytes(reinterpret_cast<const char*>(png.data()), png.size());
}

std::string keyValues(py::handle dict, const std::string& what) {
  if (!py::isinstance<py::dict>(dict)) throw Refusal(what + ": a dict is needed");
  std::string out;
  for (auto [key, value] : dict.cast<py::dict>()) {
    std::string k = py::str(key).cast<std::string>();
    for (char& c : k)
      if (c == '_') c = '-';
    std::string v;
    if (k == "sequence") {
      v = joined(numberList(value, what + " sequence", INT32_MIN, INT32_MAX), ";");
    } else if (py::isinstance<py::bool_>(value)) {
      v = value.cast<bool>() ? "1" : "0";
    } else {
      v = std::to_string(integerIn(value, what + " " + k, INT32_MIN, INT32_MAX));
    }
    out += (out.empty() ? "" : ",") + k + "=" + v;
  }
  return out;
}

py::object render(const ProblemArgs& problem, const std::string& view, py::object size,
                  const std::map<std::string, py::object>& values, py::object create,
                  py::object drawing, py::object events, const std::map<std::string, py::object>& stats) {
  cli::RenderOptions o;
  o.problem = problemOptions(problem);
  o.view = view;
  if (!size.is_none()) {
    std::vector<int32_t> wh = numberList(size, "size", INT32_MIN, INT32_MAX);
    if (wh.size() != 2) throw Refusal("size: (width, height) is needed");
    o.size = std::to_string(wh[0]) + "x" + std::to_string(wh[1]);
  }
  const std::pair<const char*, std::optional<std::string>*> keys[] = {
      {"length", &o.length},           {"noise", &o.noise},
      {"lost", &o.lost},               {"tmin", &o.tmin},
      {"tmax", &o.tmax},               {"etalon", &o.etalon},
      {"saved", &o.saved},             {"proc_saved", &o.procSaved},
      {"pulses_from", &o.from},        {"pulses_to", &o.to},
      {"pulses_step", &o.incr},        {"noise_initial", &o.noiseInitial},
      {"noise_steps", &o.noiseSteps},  {"noise_step", &o.noiseStep},
      {"repeats", &o.repeats},         {"clock", &o.clock},
      {"threads", &o.threads},         {"upper_bound", &o.upperBound}};
  for (const auto& [key, target] : keys) {
    auto it = values.find(key);
    if (it != values.end()) *target = text(it->second, key);
  }
  if (auto it = values.find("next"); it != values.end() && !it->second.is_none())
    o.next = *text(it->second, "next");
  if (auto it = values.find("same"); it != values.end() && !it->second.is_none())
    o.same = *text(it->second, "same");
  for (const auto& [key, target] : {std::pair{"graph", &o.graph}, std::pair{"graph_view", &o.graphView}}) {
    auto it = stats.find(key);
    if (it != stats.end() && !it->second.is_none()) *target = py::str(it->second).cast<std::string>();
  }
  if (auto it = stats.find("bounds"); it != stats.end() && !it->second.is_none())
    o.bounds = it->second.cast<bool>() ? "1" : "0";
  if (!create.is_none()) o.create = keyValues(create, "create");
  if (!drawing.is_none()) o.drawing = keyValues(drawing, "drawing");
  if (!events.is_none()) {
    if (!py::hasattr(events, "__iter__")) throw Refusal("events: a sequence of (x, y) clicks and (x1, y1, x2, y2) drags is needed");
    for (py::handle e : events) {
      std::vector<int32_t> v = numberList(e, "events", INT32_MIN, INT32_MAX);
      if (v.size() != 2 && v.size() != 4)
        throw Refusal("events: a click is (x, y), a drag (x1, y1, x2, y2)");
      o.events.emplace_back(v.size() == 2 ? "--click" : "--drag", joined(v, ","));
    }
  }
  o.out = "picture.png";
  const cli::RenderPlan plan = checked([&] { return cli::checkRenderOptions(o); });
  Image image;
  {
    py::gil_scoped_release free;
    image = velmora::pyext::render(plan);
  }
  std::vector<uint8_t> rgb(image.pixels.size() * 3);
  for (size_t k = 0; k < image.pixels.size(); ++k) {
    const Color c = Color::fromPacked(image.pixels[k]);
    rgb[3 * k] = c.r;
    rgb[3 * k + 1] = c.g;
    rgb[3 * k + 2] = c.b;
  }
  py::array a = owned(std::move(rgb), {static_cast<size_t>(image.height),
                                       static_cast<size_t>(image.width), 3});
  return py::module_::import("velmora").attr("Picture")(a);
}

}  // namespace

PYBIND11_MODULE(velmora, m) {
  m.doc() = R"(Velmora: exact dynamic-programming search for reference pulses (etalons) in
a noisy series, the synthesis of test series, and statistical simulations.

Etalons are numbered from 1 as in the program: alphabet()[k - 1] is etalon k. Series
samples and etalon samples are 16-bit integers; series hold at most 32767 samples.
Refusals raise ValueError with the program's own message; running out of memory raises
MemoryError.)";

  py::register_exception_translator([](std::exception_ptr p) {
    try {
      if (p) std::rethrow_exception(p);
    } catch (const Refusal& e) {
      PyErr_SetString(PyExc_ValueError, e.what());
    } catch (const OutOfMemory& e) {
      PyErr_SetString(PyExc_MemoryError, e.what());
    } catch (const Stopped& e) {
      PyErr_SetString(PyExc_KeyboardInterrupt, e.what());
    } catch (const std::bad_alloc&) {
      PyErr_SetString(PyExc_MemoryError, "not enough memory");
    }
  });

  standardAlphabet();

  m.def(
      "alphabet",
      [] {
        const PulseHeader* a = standardAlphabet();
        std::vector<int16_t> v;
        for (uint16_t e = 0; e < kAlphabetSize; ++e) v.insert(v.end(), a[e].lpData, a[e].lpData + a[e].wSize);
        return owned(std::move(v), {kAlphabetSize, kPulseLength});
      },
      R"(The 20 etalons of the program as a read-only (20, 20) int16 array: row k - 1 is
etalon k, its 20 samples (amplitude 128).)");

  py::class_<RandomState>(m, "RandomState", R"(The random sources of a freshly started program.

synthesize(random_state=state) draws from these sources and advances them, so the same
calls on a new RandomState give the same series, on every run and machine. Without
random_state, synthesize uses the module's own sources, fresh at import.)")
      .def(py::init([] { return RandomState{newWorkbench()}; }));

  py::class_<Series>(m, "Series", R"(A synthesised series: the record the program made, read-only.

The sample and per-pulse arrays are read-only views on the record's own storage (no copy).)")
      .def_property_readonly("pure", [](py::object self) {
        const SeriesHeader& h = *self.cast<Series&>().header;
        return view(h.lpPureData, h.dwSeriesSize, self);
      }, "the samples without noise (int16, length samples)")
      .def_property_readonly("noisy", [](py::object self) {
        const SeriesHeader& h = *self.cast<Series&>().header;
        return view(h.lpNoisyData, h.dwSeriesSize, self);
      }, "the samples with noise, what the searches see (int16)")
      .def_property_readonly("positions", [](py::object self) {
        const SeriesHeader& h = *self.cast<Series&>().header;
        return view(h.lpPositions, std::min(h.wImpulseQuantity, h.wReservedImpulses), self);
      }, "true start of every pulse (int16, samples)")
      .def_property_readonly("etalons", [](py::object self) {
        const SeriesHeader& h = *self.cast<Series&>().header;
        return view(h.lpEtalons, std::min(h.wImpulseQuantity, h.wReservedImpulses), self);
      }, "true etalon number (1-based) of every pulse (int16)")
      .def_property_readonly("first_samples", [](py::object self) {
        const SeriesHeader& h = *self.cast<Series&>().header;
        return view(h.lpFirstSamples, std::min(h.wImpulseQuantity, h.wReservedImpulses), self);
      }, "first etalon sample kept of every pulse (cut-off series; 0 otherwise)")
      .def_property_readonly("last_samples", [](py::object self) {
        const SeriesHeader& h = *self.cast<Series&>().header;
        return view(h.lpLastSamples, std::min(h.wImpulseQuantity, h.wReservedImpulses), self);
      }, "last etalon sample kept of every pulse (cut-off series; pulse length - 1 otherwise)")
      .def_property_readonly("length", [](const Series& s) { return s.header->dwSeriesSize; })
      .def_property_readonly("tmin", [](const Series& s) { return s.header->wTmin; })
      .def_property_readonly("tmax", [](const Series& s) { return s.header->wTmax; })
      .def_property_readonly("pulse_length", [](const Series& s) { return s.header->wImpulseSize; })
      .def_property_readonly("pulse_count", [](const Series& s) { return s.header->wImpulseQuantity; })
      .def_property_readonly("min_pulses", [](const Series& s) { return s.header->wMinPulses; })
      .def_property_readonly("max_pulses", [](const Series& s) { return s.header->wMaxPulses; })
      .def_property_readonly("noise", [](const Series& s) { return s.header->wNoise; }, "noise level")
      .def_property_readonly("amplitude", [](const Series& s) { return s.header->wAmplitude; })
      .def_property_readonly("series_type", [](const Series& s) { return seriesName(s.context.seriesType); })
      .def_property_readonly("task", [](const Series& s) { return taskName(s.context.taskType); })
      .def_property_readonly("required", [](const Series& s) { return s.context.required; },
                             "the required etalons the series was drawn from")
      .def_property_readonly("saved_level", [](const Series& s) { return s.context.savedLevel; },
                             "saved energy level of the synthesis, percent")
      .def_property_readonly("proc_saved_level", [](const Series& s) { return s.context.procSavedLevel; },
                             "saved energy level the searches assume by default, percent")
      .def_property_readonly("subset", [](const Series& s) { return s.context.subset; })
      .def_property_readonly("subsets", [](const Series& s) { return s.context.subsets; })
      .def_property_readonly("sequence", [](const Series& s) { return s.context.sequence; },
                             "the etalon sequence of the synthesis")
      .def("__len__", [](const Series& s) { return s.header->dwSeriesSize; })
      .def("__repr__", [](const Series& s) {
        const SeriesHeader& h = *s.header;
        return "<velmora.Series " + seriesName(s.context.seriesType) + ", length " +
               std::to_string(h.dwSeriesSize) + ", " + std::to_string(h.wImpulseQuantity) +
               " pulses, Tmin " + std::to_string(h.wTmin) + ", Tmax " + std::to_string(h.wTmax) +
               ", noise " + std::to_string(h.wNoise) + ">";
      });

  py::class_<ChainView>(m, "Chain", "A ranked candidate chain: its cost and its pulses.")
      .def_property_readonly("cost", [](const ChainView& c) { return c.chain.cost; },
                             "match cost (lower is better), saturated to 32 bits")
      .def_property_readonly("etalons", [](const ChainView& c) { return owned(c.chain.etalons); })
      .def_property_readonly("positions", [](const ChainView& c) { return owned(c.chain.positions); })
      .def_property_readonly("first_samples", [](const ChainView& c) { return owned(c.chain.firstSamples); })
      .def_property_readonly("last_samples", [](const ChainView& c) { return owned(c.chain.lastSamples); })
      .def("__repr__", [](const ChainView& c) {
        return "<velmora.Chain cost " + std::to_string(c.chain.cost) + ", " +
               std::to_string(c.chain.positions.size()) + " pulses>";
      });

  py::class_<Result>(m, "Result", "The answer of a search.")
      .def_property_readonly("positions", [](const Result& r) { return owned(r.answer.positions); },
                             "start of every found pulse (int16, samples)")
      .def_property_readonly("etalons", [](const Result& r) { return owned(r.answer.etalons); },
                             "etalon number (1-based) of every found pulse")
      .def_property_readonly("first_samples", [](const Result& r) { return owned(r.answer.firstSamples); })
      .def_property_readonly("last_samples", [](const Result& r) { return owned(r.answer.lastSamples); })
      .def_property_readonly("chains", [](const Result& r) {
        py::list out;
        for (const Chain& c : r.answer.chains) out.append(py::cast(ChainView{c}));
        return out;
      }, "the ranked candidate chains, best first")
      .def_property_readonly("value", [](const Result& r) { return r.answer.result; },
                             "what the search returned: the recognised etalon (recognition), "
                             "the recognised subset (tuple recognition), else 1")
      .def_property_readonly("found_tuple", [](const Result& r) { return r.answer.foundTuple; })
      .def_property_readonly("tuple_instances", [](const Result& r) {
        std::vector<int16_t> v;
        for (auto [a, b] : r.answer.tupleInstances) {
          v.push_back(a);
          v.push_back(b);
        }
        return owned(std::move(v), {r.answer.tupleInstances.size(), 2});
      }, "first and last pulse index of every found tuple instance, (k, 2)")
      .def_property_readonly("task", [](const Result& r) { return taskName(r.answer.effectiveTaskType); })
      .def_property_readonly("series_type", [](const Result& r) { return seriesName(r.answer.seriesType); })
      .def_property_readonly("restoration_error", [](const Result& r) -> py::object {
        if (!r.synthesised) return py::none();
        return py::int_(r.answer.restorationError);
      }, "sum of squared differences between the pure series and the series rebuilt from "
         "the found pulses (synthesised series only, else None)")
      .def_property_readonly("true_chain_cost", [](const Result& r) -> py::object {
        if (!r.synthesised) return py::none();
        return py::int_(r.answer.trueChainCost);
      }, "match cost of the true chain, what the best chain's cost compares with "
         "(synthesised series only, else None)")
      .def_property_readonly("messages", [](const Result& r) { return r.answer.messages; })
      .def("__repr__", [](const Result& r) {
        return "<velmora.Result " + taskName(r.answer.effectiveTaskType) + ", " +
               std::to_string(r.answer.positions.size()) + " pulses, best cost " +
               (r.answer.chains.empty() ? std::string("-") : std::to_string(r.answer.chains[0].cost)) + ">";
      });

  py::class_<Simulation>(m, "Simulation", R"(The tables of a statistical simulation.

restoring, detection and tuple_recognition are int32 arrays of shape
(len(pulse_counts), len(noise_levels)): the mean error over the repeats at each pulse
count and noise level.)")
      .def_property_readonly("pulse_counts", [](const Simulation& s) { return owned(s.tables.pulseValues); })
      .def_property_readonly("noise_levels", [](const Simulation& s) { return owned(s.tables.noiseLevels); })
      .def_property_readonly("repeats", [](const Simulation& s) { return s.tables.repeats; })
      .def_property_readonly("task", [](const Simulation& s) { return s.task; })
      .def_property_readonly("series", [](const Simulation& s) { return s.series; })
      .def_property_readonly("threads", [](const Simulation& s) { return s.threads; })
      .def_property_readonly("restoring", [](const Simulation& s) {
        return byPulseCount(s.tables.restoring, s.tables);
      }, "restoration error, (pulse counts, noise levels)")
      .def_property_readonly("detection", [](const Simulation& s) {
        return byPulseCount(s.tables.detection, s.tables);
      }, "detection (position) error, (pulse counts, noise levels)")
      .def_property_readonly("tuple_recognition", [](const Simulation& s) {
        return byPulseCount(s.tables.tupleRecognition, s.tables);
      }, "tuple recognition misses, (pulse counts, noise levels)")
      .def_property_readonly("options", [](const Simulation& s) {
        py::dict d;
        for (const auto& [k, v] : s.tables.options) d[py::str(k)] = v;
        return d;
      }, "the dialog values the run used")
      .def_property_readonly("start_time", [](const Simulation& s) { return s.tables.startTime; },
                             "seconds since 1970 (clock= fixes it)")
      .def_property_readonly("end_time", [](const Simulation& s) { return s.tables.endTime; })
      .def_property_readonly("seconds", [](const Simulation& s) { return s.seconds; },
                             "wall time the call took")
      .def("__repr__", [](const Simulation& s) {
        return "<velmora.Simulation " + s.task + " on " + s.series + ", " +
               std::to_string(s.tables.pulseValues.size()) + " pulse counts x " +
               std::to_string(s.tables.noiseLevels.size()) + " noise levels x " +
               std::to_string(s.tables.repeats) + " repeats>";
      });

  m.def("synthesize", &synthesize, py::arg("series") = "fixed-cutoff",
        py::arg("task") = "recognition", py::kw_only(), py::arg("length") = py::none(),
        py::arg("tmin") = py::none(), py::arg("tmax") = py::none(), py::arg("etalon") = py::none(),
        py::arg("saved") = py::none(), py::arg("proc_saved") = py::none(),
        py::arg("pulses") = py::none(), py::arg("sequence") = py::none(),
        py::arg("noise") = py::none(), py::arg("etalons") = py::none(),
        py::arg("subset") = py::none(), py::arg("subsets") = py::none(),
        py::arg("current") = py::none(), py::arg("random_state") = py::none(),
        R"(Makes a series as " Create series... " does, for a series type and a task.

series: fixed-whole | fixed-cutoff | unfixed-whole | unfixed-cutoff | fixed-tuples |
    unfixed-tuples. task: detection | recognition | joint | series (the task decides the
    etalon sequence: detection and recognition place one etalon throughout).
length: samples, 1..32767 (1200). tmin, tmax: least and greatest distance between
    consecutive pulse starts, samples (40, 181). etalon: the default etalon number (1).
saved, proc_saved: saved energy level of the synthesis and of the processing, percent
    (75; 100 for whole pulses). pulses: the pulse count of fixed-count series (a count
    outside what length, tmin and tmax admit becomes the middle of that range).
sequence: etalon numbers of the pulses in order. noise: noise level (20).
etalons: the required etalons (all 20; detection: etalon 1). subset, subsets, current:
    the selected subset, the list of subsets and its current row (1-based) of the tuple
    tasks, at most 10 etalons each and 10 subsets.
random_state: a RandomState to draw from (default: the module's own).
Values not given keep what the program's dialogs hold (for that random state).)");

  const char* searchDoc = R"(

data: a Series from synthesize(), or a 1-D integer array (at most 32767 samples, each
    within int16; float arrays are refused: round them first).
etalons: etalon numbers into alphabet() (1-based), or a 2-D integer array of one's own
    pulse shapes, one shape a row, all of one length (1..20 shapes of 1..Tmax samples;
    the series must hold at least one). Default: the series' required etalons; for an
    array all 20 (detection: etalon 1).
tmin, tmax: least and greatest distance between consecutive pulse starts (default: the
    series' own; 40 and 181 for an array).
count: for an array, the number of pulses when known; None searches over every
    admissible count. Not taken for a Series, whose type says it.
saved_level: the least share of a pulse's energy assumed kept, percent, 1..100 (default:
    the series' processing level; 100 for an array: whole pulses).
subset, subsets, current: the subset (tuple detection) or list of subsets (tuple
    recognition) of etalon numbers, at most 10 each.
pretenders: how many ranked chains to keep, 1..100 (10).)";
  struct TaskFunction {
    const char* name;
    uint16_t task;
    const char* doc;
  };
  const TaskFunction tasks[] = {
      {"detect", kTaskDetection, "Detection: where are the pulses of the given etalon."},
      {"recognize", kTaskRecognition,
       "Recognition: which single etalon all pulses carry (Result.value), and where."},
      {"identify", kTaskJoint,
       "Joint detection and identification: where the pulses are and which etalon each carries."},
      {"process", kTaskSeriesProcessing, "Series processing: the pulses and their etalons."},
      {"detect_tuples", kTaskTupleDetection,
       "Tuple detection: where the instances of a subset of etalons (subset=) lie."},
      {"recognize_tuples", kTaskTupleRecognition,
       "Tuple recognition: which subset of the list (subsets=) the series carries (Result.value)."}};
  for (const TaskFunction& t : tasks) {
    const uint16_t task = t.task;
    m.def(
        t.name,
        [task](py::object data, py::object etalons, py::object tmin, py::object tmax,
               py::object count, py::object savedLevel, py::object subset, py::object subsets,
               py::object current, py::object pretenders) {
          return runTask(task, data,
                         SearchArgs{etalons, tmin, tmax, count, savedLevel, subset, subsets,
                                    current, pretenders});
        },
        py::arg("data"), py::kw_only(), py::arg("etalons") = py::none(),
        py::arg("tmin") = py::none(), py::arg("tmax") = py::none(),
        py::arg("count") = py::none(), py::arg("saved_level") = py::none(),
        py::arg("subset") = py::none(), py::arg("subsets") = py::none(),
        py::arg("current") = py::none(), py::arg("pretenders") = py::none(),
        (std::string(t.doc) + searchDoc).c_str());
  }

  m.def(
      "simulate",
      [](const std::string& task, const std::string& series, py::object etalons,
         py::object subset, py::object subsets, py::object current, py::object length,
         py::object tmin, py::object tmax, py::object etalon, py::object saved,
         py::object procSaved, py::object from, py::object to, py::object step,
         py::object noiseInitial, py::object noiseSteps, py::object noiseStep,
         py::object repeats, py::object clock, py::object threads, py::object progress,
         double progressInterval) {
        std::map<std::string, py::object> values = {
            {"length", length},        {"tmin", tmin},
            {"tmax", tmax},            {"etalon", etalon},
            {"saved", saved},          {"proc_saved", procSaved},
            {"pulses_from", from},     {"pulses_to", to},
            {"pulses_step", step},     {"noise_initial", noiseInitial},
            {"noise_steps", noiseSteps}, {"noise_step", noiseStep},
            {"repeats", repeats}};
        if (!(progressInterval >= 0)) throw Refusal("progress_interval: seconds >= 0 are needed");
        return simulate(ProblemArgs{task, series, etalons, subset, subsets, current}, values,
                        clock, threads, progress, progressInterval);
      },
      py::arg("task") = "recognition", py::arg("series") = "fixed-cutoff", py::kw_only(),
      py::arg("etalons") = py::none(), py::arg("subset") = py::none(),
      py::arg("subsets") = py::none(), py::arg("current") = py::none(),
      py::arg("length") = py::none(), py::arg("tmin") = py::none(), py::arg("tmax") = py::none(),
      py::arg("etalon") = py::none(), py::arg("saved") = py::none(),
      py::arg("proc_saved") = py::none(), py::arg("pulses_from") = py::none(),
      py::arg("pulses_to") = py::none(), py::arg("pulses_step") = py::none(),
      py::arg("noise_initial") = py::none(), py::arg("noise_steps") = py::none(),
      py::arg("noise_step") = py::none(), py::arg("repeats") = py::none(),
      py::arg("clock") = py::none(), py::arg("threads") = py::none(),
      py::arg("progress") = py::none(), py::arg("progress_interval") = 0.5,
      R"(The statistical simulation: synthesis and processing repeated over a grid of
pulse counts x noise levels, on a freshly started program (as velmora-cli simulate; the
random state of synthesize() is not touched).

task, series, etalons, subset, subsets, current: the problem, as for synthesize().
length (1200), tmin (40), tmax (181), etalon (1), saved and proc_saved (75; 100 for whole
    pulses): the series, as in the simulation dialog.
pulses_from, pulses_to, pulses_step: the pulse counts (default: every count the series
    admits, 6..30 for the defaults, step 1).
noise_initial (0), noise_steps (29), noise_step (5): the noise levels.
repeats: series per grid point (100).
clock: fixed time stamps, seconds since 1970 (default: the wall clock).
threads: processing threads, 1..256 (default: every core); the tables do not depend on it.
progress: called as progress(done, total) from this thread at most every
    progress_interval seconds and once at the end; an exception it raises stops the run
    and is raised here. Ctrl-C stops the run and raises KeyboardInterrupt.)");

  m.def(
      "render",
      [](const std::string& view, py::object size, const std::string& task,
         const std::string& series, py::object etalons, py::object subset, py::object subsets,
         py::object current, py::object length, py::object noise, py::object lost,
         py::object create, py::object next, py::object same, py::object drawing,
         py::object events, py::kwargs kwargs) {
        std::map<std::string, py::object> values = {{"length", length}, {"noise", noise},
                                                    {"lost", lost},     {"next", next},
                                                    {"same", same}};
        std::map<std::string, py::object> stats;
        static const char* simulation[] = {"tmin", "tmax", "etalon", "saved", "proc_saved",
                                           "pulses_from", "pulses_to", "pulses_step",
                                           "noise_initial", "noise_steps", "noise_step",
                                           "repeats", "clock", "threads", "upper_bound"};
        for (auto [key, value] : kwargs) {
          const std::string k = py::str(key).cast<std::string>();
          bool known = false;
          for (const char* s : simulation) known = known || k == s;
          if (known) {
            values[k] = py::reinterpret_borrow<py::object>(value);
          } else if (k == "graph" || k == "graph_view" || k == "bounds") {
            stats[k] = py::reinterpret_borrow<py::object>(value);
          } else {
            throw py::type_error("render() got an unexpected keyword argument '" + k + "'");
          }
        }
        return render(ProblemArgs{task, series, etalons, subset, subsets, current}, view, size,
                      values, create, drawing, events, stats);
      },
      py::arg("view") = "results", py::arg("size") = py::make_tuple(1280, 800), py::kw_only(),
      py::arg("task") = "recognition", py::arg("series") = "fixed-cutoff",
      py::arg("etalons") = py::none(), py::arg("subset") = py::none(),
      py::arg("subsets") = py::none(), py::arg("current") = py::none(),
      py::arg("length") = py::none(), py::arg("noise") = py::none(), py::arg("lost") = py::none(),
      py::arg("create") = py::none(), py::arg("next") = 0, py::arg("same") = 0,
      py::arg("drawing") = py::none(), py::arg("events") = py::none(),
      R"(The main window's picture, as velmora-cli render draws it: an (h, w, 3) uint8
array (a Picture, which notebooks show inline).

view: alphabet | results | subsets | params | statistics (statistics runs a simulation
    first). size: (width, height) of the client area, each 1..16384 pixels.
task, series, etalons, subset, subsets, current: the problem, as for synthesize().
length, noise, lost: the selector values (200|600|1200, 20|35|50, 0|25|50); with view
    "statistics", length is the simulation's series length.
create: a dict of " Create series... " values (length, tmin, tmax, etalon, saved,
    proc_saved, pulses, sequence, noise); not run when None.
next, same: runs of " Processing Next Data " (0) and " Processing Same Data" (0).
drawing: a dict of the drawing settings (frame, shaded, highlight, special: bool;
    tuples: 0|1|2). events: clicks (x, y) and drags (x1, y1, x2, y2) in order.
With view "statistics" the keywords of simulate() (tmin, ..., repeats, clock, threads)
and graph (restoring|detection|recognition), graph_view (componentwise|summary),
bounds (bool) and upper_bound are taken too.)");

  m.def("_png", &pngBytes, "PNG bytes of an (h, w, 3) uint8 array");

  // The C++ side alone, for the benchmark of what the Python layer adds: `repeats`
  // searches of a series' own problem, in one call, on one copy of the record.
  m.def(
      "_native_search",
      [](const Series& series, const std::string& task, int64_t repeats) {
        static const std::map<std::string, uint16_t> codes = {
            {"detect", kTaskDetection}, {"recognize", kTaskRecognition},
            {"identify", kTaskJoint},   {"process", kTaskSeriesProcessing}};
        auto code = codes.find(task);
        if (code == codes.end()) throw Refusal("task: detect, recognize, identify or process");
        const SeriesContext& c = series.context;
        SearchRequest r;
        r.taskType = code->second;
        r.alphabet = standardAlphabet();
        r.alphabetSize = kAlphabetSize;
        r.required = c.required;
        r.tmin = series.header->wTmin;
        r.tmax = series.header->wTmax;
        r.procSavedLevel = c.procSavedLevel;
        r.proceedingMode = c.proceedingMode;
        r.subset = c.subset;
        r.subsets = c.subsets;
        py::gil_scoped_release free;
        SeriesPtr copy = copySeries(*series.header, standardAlphabet());
        int64_t found = 0;
        for (int64_t k = 0; k < repeats; ++k) found += search(*copy, c.seriesType, r).positions.size();
        return found;
      },
      py::arg("series"), py::arg("task"), py::arg("repeats"));

  // A picture is an ndarray that notebooks show inline.
  py::dict scope;
  scope["np"] = numpy();
  scope["_png"] = m.attr("_png");
  py::exec(R"(
class Picture(np.ndarray):
    """An (h, w, 3) uint8 picture of the window; shown inline by notebooks."""
    def __new__(cls, array):
        return np.asarray(array).view(cls)
    def _repr_png_(self):
        return _png(np.asarray(self))
)", scope);
  py::object picture = scope["Picture"];
  picture.attr("__module__") = "velmora";
  m.attr("Picture") = picture;
}
