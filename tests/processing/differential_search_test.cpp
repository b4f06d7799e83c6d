// The fast searches against the plain ones on thousands of random series: every search
// must leave the series record's answer, the chains record and the messages exactly as
// the plain search leaves them, and return the same result. The fast searches share one
// workspace across all series (of every geometry) or run without one, so stale storage
// would show up as a difference too.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "model/alphabet.h"
#include "model/problem_types.h"
#include "model/random.h"
#include "model/series.h"
#include "processing/chains.h"
#include "processing/search_inputs.h"
#include "processing/search_workspace.h"
#include "shell/window_reporter.h"
#include "support/fake_window.h"
#include "support/search_helpers.h"
#include "support/simd_paths.h"

namespace velmora::testing {
namespace {

// The sanitizer build runs the plain searches many times slower; it checks fewer series.
#if defined(__SANITIZE_ADDRESS__) || !defined(NDEBUG)
constexpr int kScale = 1;
#else
constexpr int kScale = 5;
#endif

using Rng = std::mt19937;

bool chance(Rng& rng, int percent) { return uniform(rng, 1, 100) <= percent; }

// Everything a search leaves behind.
struct Outcome {
  int result = 0;
  uint16_t found = 0;
  int16_t instances = 0;
  int16_t foundTuple = 0;
  std::vector<int16_t> block;
  uint16_t pretenders = 0, quan = 0, seeking = 0;
  std::vector<int32_t> distances;
  std::vector<int16_t> rows;
  std::vector<std::string> messages;
};

Outcome capture(int result, const SeriesHeader& s, const ChainsHeader* c, FakeWindow& w) {
  Outcome o;
  o.result = result;
  o.found = s.wFoundPulses;
  o.instances = s.wTupleInstances;
  o.foundTuple = s.wFoundTuple;
  o.block = s.block;
  if (c) {
    o.pretenders = c->wPretenders;
    o.quan = c->wQuanPulses;
    o.seeking = c->wSeekingPulsesQuantity;
    o.distances = c->distanceBlock;
    o.rows = c->sampleBlock;
  }
  for (const Message& m : w.messages) o.messages.push_back(m.shownCaption() + "|" + m.text);
  w.clear();
  return o;
}

// The first difference between two outcomes, or an empty text.
std::string difference(const Outcome& a, const Outcome& b) {
  std::ostringstream out;
  if (a.result != b.result) out << "result " << a.result << " vs " << b.result;
  else if (a.found != b.found) out << "found pulses " << a.found << " vs " << b.found;
  else if (a.instances != b.instances) out << "tuple instances " << a.instances << " vs " << b.instances;
  else if (a.foundTuple != b.foundTuple) out << "found tuple " << a.foundTuple << " vs " << b.foundTuple;
  else if (a.block != b.block) {
    size_t i = 0;
    while (a.block[i] == b.block[i]) ++i;
    out << "series block differs at " << i << ": " << a.block[i] << " vs " << b.block[i];
  } else if (a.pretenders != b.pretenders || a.quan != b.quan || a.seeking != b.seeking)
    out << "chains counts " << a.pretenders << "/" << a.quan << "/" << a.seeking << " vs "
        << b.pretenders << "/" << b.quan << "/" << b.seeking;
  else if (a.distances != b.distances) out << "chains distances differ";
  else if (a.rows != b.rows) out << "chains rows differ";
  else if (a.messages != b.messages) out << "messages differ";
  return out.str();
}

// Runs a plain search and its fast counterpart on the same series and compares what they
// leave. Each side has its own chains record with an identical history.
class Comparison {
 public:
  using Search = std::function<int(Window&, ChainsHeader*, SeriesHeader*)>;

  ~Comparison() {
    freeChainsHeader(plainChains_);
    freeChainsHeader(fastChains_);
  }

  // Sizes both chains records (capacity `size` pretenders of `pulses` pulses) alike.
  void chains(uint16_t size, uint16_t pulses) {
    plainChains_ = getChainsHeader(reporter_, size, pulses, plainChains_);
    fastChains_ = getChainsHeader(reporter_, size, pulses, fastChains_);
  }

  // False after the first difference (reported as a test failure).
  bool same(const std::string& what, SeriesHeader& series, bool withChains, const Search& plain,
            const Search& fast) {
    ++compared_;
    const std::vector<int16_t> block = series.block;
    const uint16_t found = series.wFoundPulses;
    const int16_t instances = series.wTupleInstances, tuple = series.wFoundTuple;
    ChainsHeader* pc = withChains ? plainChains_ : nullptr;
    ChainsHeader* fc = withChains ? fastChains_ : nullptr;
    const Outcome a = capture(plain(window_, pc, &series), series, pc, window_);
    std::copy(block.begin(), block.end(), series.block.begin());
    series.wFoundPulses = found;
    series.wTupleInstances = instances;
    series.wFoundTuple = tuple;
    const Outcome b = capture(fast(window_, fc, &series), series, fc, window_);
    const std::string diff = difference(a, b);
    EXPECT_EQ(diff, "") << what;
    return diff.empty();
  }

  SearchWorkspace* workspace(Rng& rng) { return chance(rng, 80) ? &workspace_ : nullptr; }
  int compared() const { return compared_; }

 private:
  FakeWindow window_;
  WindowReporter reporter_{window_};
  ChainsHeader* plainChains_ = nullptr;
  ChainsHeader* fastChains_ = nullptr;
  SearchWorkspace workspace_;
  int compared_ = 0;
};

// The search inputs of one series: a candidate list, tuples, the distances and the saved
// level of processing.
struct Inputs {
  std::vector<uint16_t> list;
  std::vector<std::vector<int32_t>> tuples;
  std::vector<int32_t> sizes;
  std::vector<const int32_t*> rows;
  uint16_t proceeding = 1;
  uint16_t tmin = 0, tmax = 0, level = 0;

  void addTuple(std::vector<int32_t> t) {
    tuples.push_back(std::move(t));
    sizes.clear();
    rows.clear();
    for (const auto& u : tuples) {
      sizes.push_back(static_cast<int32_t>(u.size()));
      rows.push_back(u.data());
    }
  }
};

// The inputs of every search on one series.
SearchInputs searchInputs(const PulseHeader* a, const Inputs& in, SearchWorkspace* ws) {
  SearchInputs s;
  s.alphabet = a;
  s.requiredCount = static_cast<uint16_t>(in.list.size());
  s.requiredList = in.list.data();
  s.tmin = in.tmin;
  s.tmax = in.tmax;
  s.procSavedLevel = in.level;
  s.selectedSubsetSize = in.sizes[0];
  s.selectedSubset = in.rows[0];
  s.subsetProceedingMode = in.proceeding;
  s.subsetCount = static_cast<int32_t>(in.tuples.size());
  s.subsetSizes = in.sizes.data();
  s.subsetRows = in.rows.data();
  s.workspace = ws;
  return s;
}

// The four tasks on series of a fixed and of an unfixed pulse count select the eight
// searches.
const uint16_t kTasks[] = {kTaskDetection, kTaskRecognition, kTaskTupleDetection,
                           kTaskTupleRecognition};
const uint16_t kSeriesTypes[] = {kSeriesFixedCutoff, kSeriesUnfixedCutoff};

std::string searchName(uint16_t task, uint16_t seriesType) {
  return "task " + std::to_string(task) + " on series type " + std::to_string(seriesType);
}

// Every search, plain against fast, on one series. False after the first difference.
bool compareAll(Comparison& c, Rng& rng, const PulseHeader* a, SeriesHeader& s, const Inputs& in,
                const std::string& what) {
  const bool chains = !chance(rng, 10);
  const SearchInputs plainInputs = searchInputs(a, in, nullptr);
  const SearchInputs fastInputs = searchInputs(a, in, c.workspace(rng));
  for (uint16_t task : kTasks) {
    for (uint16_t type : kSeriesTypes) {
      // Unfixed-count recognition reads its answer back from the chains record.
      const bool withChains = chains || (task == kTaskRecognition && type == kSeriesUnfixedCutoff);
      const bool same = c.same(
          what + " " + searchName(task, type), s, withChains,
          [&](Window& w, ChainsHeader* h, SeriesHeader* x) {
            return plainSearch(w, task, type, plainInputs, h, x);
          },
          [&](Window& w, ChainsHeader* h, SeriesHeader* x) {
            return fastSearch(w, task, type, fastInputs, h, x);
          });
      if (!same) return false;
    }
  }
  return true;
}

const uint16_t kLevels[] = {0, 50, 75, 100};

// A random list of `count` etalon numbers from 1..etalons, repeats allowed.
std::vector<uint16_t> randomList(Rng& rng, int count, int etalons) {
  std::vector<uint16_t> list;
  for (int k = 0; k < count; ++k) list.push_back(static_cast<uint16_t>(uniform(rng, 1, etalons)));
  return list;
}

void addRandomTuples(Rng& rng, Inputs& in, int etalons, int count, int longest) {
  for (int t = 0; t < count; ++t) {
    std::vector<int32_t> tuple;
    const int size = uniform(rng, 1, longest);
    for (int k = 0; k < size; ++k) tuple.push_back(uniform(rng, 1, etalons));
    in.addTuple(tuple);
  }
}

// A small hand-made alphabet (with repeated etalons and zero samples) on a short series
// of small values, so that costs tie all the time: distances narrow and wide, Tmin 0
// included, pulse counts that leave no chain included.
struct SmallProblem {
  TestAlphabet alphabet;
  std::unique_ptr<SeriesHeader> series;
  Inputs in;
  std::string what;
};

SmallProblem smallProblem(Rng& rng) {
  const int n = uniform(rng, 1, 6);
  const int etalons = uniform(rng, 1, 5);
  const bool loud = chance(rng, 15);  // samples beyond the 32-bit sums
  std::vector<std::vector<int16_t>> shapes;
  for (int e = 0; e < etalons; ++e) {
    if (e > 0 && chance(rng, 25)) {
      shapes.push_back(shapes[uniform(rng, 0, e - 1)]);
      continue;
    }
    std::vector<int16_t> shape;
    for (int t = 0; t < n; ++t)
      shape.push_back(static_cast<int16_t>(loud ? uniform(rng, -32768, 32767)
                                                : uniform(rng, -3, 3)));
    shapes.push_back(shape);
  }
  SmallProblem p{TestAlphabet(shapes), nullptr, Inputs{}, ""};

  const int L = uniform(rng, n, 90);
  const int range = chance(rng, 15) ? 0 : chance(rng, 50) ? 2 : loud ? 32767 : 40;
  std::vector<int16_t> x;
  for (int k = 0; k < L; ++k) x.push_back(static_cast<int16_t>(uniform(rng, -range, range)));

  Inputs& in = p.in;
  in.tmin = static_cast<uint16_t>(chance(rng, 10) ? 0 : uniform(rng, 1, 12));
  in.tmax = static_cast<uint16_t>(in.tmin + (chance(rng, 50) ? uniform(rng, 0, 2) : uniform(rng, 0, 30)));
  in.tmax = std::max<uint16_t>(in.tmax, 1);
  in.level = kLevels[uniform(rng, 0, 3)];
  in.proceeding = static_cast<uint16_t>(uniform(rng, 1, 2));
  // Lists of more than one group of etalon lanes now and then.
  in.list = randomList(rng, chance(rng, 15) ? uniform(rng, 5, 20) : uniform(rng, 1, 4), etalons);
  if (chance(rng, 5)) in.list[0] = 0;  // a number that names no etalon
  addRandomTuples(rng, in, etalons, uniform(rng, 1, 3), 4);

  const uint32_t length = static_cast<uint32_t>(L);
  const uint16_t tmin = std::max<uint16_t>(in.tmin, 1);
  const uint16_t pmin = minPulseCount(length, static_cast<uint16_t>(n), in.tmax);
  const uint16_t pmax = std::min<uint16_t>(maxPulseCount(length, static_cast<uint16_t>(n), tmin), 40);
  const int pulses = std::max(1, uniform(rng, std::min<int>(pmin, pmax), pmax + 1));
  p.series = makeTestSeries(x, static_cast<uint16_t>(n), static_cast<uint16_t>(pulses),
                            std::max<uint16_t>(pmax, static_cast<uint16_t>(pulses)));
  setSynthesisWindows(*p.series, in.tmin, in.tmax);
  p.series->wMinPulses = pmin;
  p.series->wMaxPulses = std::max<uint16_t>(pmax, 1);

  std::ostringstream what;
  what << "(L " << L << ", n " << n << ", M " << pulses << ", T " << in.tmin << ".." << in.tmax
       << ", P " << in.level << ")";
  p.what = what.str();
  return p;
}

// Each test runs once per SIMD path the CPU supports.
class DifferentialSearch : public ForcedSimdPath {};
VELMORA_EVERY_SIMD_PATH(DifferentialSearch);

TEST_P(DifferentialSearch, SmallAlphabetsAndTies) {
  Rng rng(20240611);
  Comparison c;
  const int series = 2000 * kScale;
  for (int i = 0; i < series; ++i) {
    SmallProblem p = smallProblem(rng);
    c.chains(static_cast<uint16_t>(uniform(rng, 1, 10)), p.series->wReservedImpulses);
    const std::string what = "series " + std::to_string(i) + " " + p.what;
    if (!compareAll(c, rng, p.alphabet.data(), *p.series, p.in, what)) break;
  }
  EXPECT_GE(c.compared(), 8 * series);
}

// The fixed-count searches with the chain table cut into checkpointed segments, on the
// fast and on the plain kernels, against the fast searches with the whole table. Limits
// of a few cells force the checkpoints on these short series, from one row per segment
// up.
TEST_P(DifferentialSearch, CheckpointedChainTableGivesTheWholeTablesAnswers) {
  Rng rng(4099);
  Comparison c;
  SearchWorkspace whole, cut, plainCut;
  int checkpointed = 0;
  const int series = 400 * kScale;
  for (int i = 0; i < series; ++i) {
    SmallProblem p = smallProblem(rng);
    c.chains(static_cast<uint16_t>(uniform(rng, 1, 10)), p.series->wReservedImpulses);
    const size_t limit = chance(rng, 75) ? 0 : static_cast<size_t>(uniform(rng, 0, 100));
    cut.fixed.pass.setFullTableCells(limit);
    plainCut.fixed.pass.setFullTableCells(limit);

    bool same = true;
    for (uint16_t task : kTasks) {
      if (!same) break;
      const std::string what = "series " + std::to_string(i) + " " + p.what + " " +
                               searchName(task, kSeriesFixedCutoff) + ", limit " +
                               std::to_string(limit);
      auto run = [&](SearchWorkspace* ws, bool plain) {
        const SearchInputs in = searchInputs(p.alphabet.data(), p.in, ws);
        return [in, task, plain](Window& w, ChainsHeader* h, SeriesHeader* x) {
          return plain ? plainSearch(w, task, kSeriesFixedCutoff, in, h, x)
                       : fastSearch(w, task, kSeriesFixedCutoff, in, h, x);
        };
      };
      same = c.same(what + " (fast)", *p.series, true, run(&whole, false), run(&cut, false)) &&
             c.same(what + " (plain)", *p.series, true, run(&whole, false), run(&plainCut, true));
      if (cut.fixed.pass.checkpointed()) ++checkpointed;
      ASSERT_FALSE(whole.fixed.pass.checkpointed());
    }
    if (!same) break;
  }
  // Series whose windows are all empty, or hold fewer cells than the limit, keep none.
  EXPECT_GE(checkpointed, 4 * series / 2);
}

// Series synthesised from the system's alphabet, as the simulation makes them: whole and
// cut-off pulses, tuple series, no noise to loud noise, short and long series, narrow and
// wide distances, every saved level of processing.
TEST_P(DifferentialSearch, SynthesisedSeries) {
  Rng rng(777);
  FakeWindow w;
  resetRandomStates();
  PulseHeader alphabet[kAlphabetSize];
  ASSERT_EQ(makeAlphabet(w, kPulseAmplitude, kAlphabetSize, kPulseLength, alphabet), 1);
  uint16_t noiseState = kInitialNoiseSeed;
  SeriesHeader* s = nullptr;
  Comparison c;
  const int series = 200 * kScale;
  int made = 0;
  for (int i = 0; i < series; ++i) {
    const bool wide = chance(rng, 50);
    Inputs in;
    in.tmin = static_cast<uint16_t>(uniform(rng, 10, 50));
    in.tmax = static_cast<uint16_t>(std::max<int>(kPulseLength, in.tmin + (wide ? uniform(rng, 60, 180) : uniform(rng, 0, 6))));
    const bool longSeries = chance(rng, 10);
    // The plain searches are slow at low saved levels: long series are searched whole.
    in.level = longSeries ? 100 : kLevels[uniform(rng, 0, 3)];
    const uint32_t L = static_cast<uint32_t>(longSeries ? uniform(rng, 1200, 2500) : uniform(rng, 40, 360));
    const uint16_t pmin = minPulseCount(L, kPulseLength, in.tmax);
    const uint16_t pmax = maxPulseCount(L, kPulseLength, in.tmin);
    if (pmax < pmin || pmax == 0) continue;
    const uint16_t M = static_cast<uint16_t>(uniform(rng, pmin, pmax));

    s = getCutOffSeriesHeader(w, kAlphabetSize, kPulseLength, in.tmin, in.tmax, L, s);
    ASSERT_NE(s, nullptr);
    const int listSize = longSeries ? uniform(rng, 1, 3) : chance(rng, 10) ? uniform(rng, 6, 20) : uniform(rng, 1, 5);
    in.list = randomList(rng, listSize, kAlphabetSize);
    if (chance(rng, 20)) in.list.push_back(in.list[0]);  // a repeated etalon ties with itself
    addRandomTuples(rng, in, kAlphabetSize, longSeries ? 1 : uniform(rng, 1, 3), 4);
    in.proceeding = static_cast<uint16_t>(uniform(rng, 1, 2));

    // The truth: one etalon, the list in turn, or the first tuple from some phase.
    std::vector<uint16_t> sequence(std::max(pmax, M));
    const int kind = uniform(rng, 0, 2);
    const auto& tuple = in.tuples[0];
    const int phase = uniform(rng, 0, static_cast<int>(tuple.size()) - 1);
    for (size_t k = 0; k < sequence.size(); ++k)
      sequence[k] = kind == 0   ? in.list[0]
                    : kind == 1 ? in.list[k % in.list.size()]
                                : static_cast<uint16_t>(tuple[(k + phase) % tuple.size()]);
    const uint16_t making = chance(rng, 30) ? 100 : static_cast<uint16_t>(uniform(rng, 30, 99));
    s = getCutOffSeries(w, kAlphabetSize, alphabet, kPulseLength, in.tmin, in.tmax, L, M,
                        sequence.data(), kPulseAmplitude, making, s);
    ASSERT_NE(s, nullptr);
    ASSERT_TRUE(w.messages.empty()) << w.messages.front().text;
    const int16_t noise = static_cast<int16_t>(chance(rng, 20) ? 0 : uniform(rng, 5, 140));
    addNoise(noise, kPulseAmplitude, s, noiseState);
    c.chains(10, s->wReservedImpulses);
    ++made;

    std::ostringstream what;
    what << "series " << i << " (L " << L << ", M " << M << ", T " << in.tmin << ".." << in.tmax
         << ", noise " << noise << ", making " << making << ", P " << in.level << ")";
    if (!compareAll(c, rng, alphabet, *s, in, what.str())) break;
  }
  EXPECT_GE(made, series / 2);
  freeSeriesHeader(s);
  for (auto& pulse : alphabet) freePulse(pulse);
}

}  // namespace
}  // namespace velmora::testing
