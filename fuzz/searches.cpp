// The searches on arbitrary short series, candidate lists, tuples and parameters, each
// compared with the plain search: the fast search must leave the series record, the chains
// record and the messages exactly as the plain one leaves them and return the same result.
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "model/problem_types.h"
#include "processing/dispatch.h"
#include "processing/search_kernels.h"
#include "processing/search_workspace.h"
#include "shell/window_reporter.h"
#include "support/search_helpers.h"

using namespace velmora;
using velmora::testing::FakeWindow;

namespace {

struct Outcome {
  int result = 0;
  uint16_t found = 0;
  int16_t instances = 0, foundTuple = 0;
  std::vector<int16_t> block;
  uint16_t pretenders = 0, quan = 0, seeking = 0;
  std::vector<int32_t> distances;
  std::vector<int16_t> rows;
  std::vector<std::string> messages;
  bool operator==(const Outcome& o) const {
    return result == o.result && found == o.found && instances == o.instances &&
           foundTuple == o.foundTuple && block == o.block && pretenders == o.pretenders &&
           quan == o.quan && seeking == o.seeking && distances == o.distances &&
           rows == o.rows && messages == o.messages;
  }
};

using Search = std::function<int(Window&, ChainsHeader*, SeriesHeader*)>;

// Runs `search` with a chains record of its own of the given size, then puts the series
// record's answer back as it was.
Outcome run(const Search& search, SeriesHeader& series, bool withChains, uint16_t size) {
  FakeWindow window;
  WindowReporter reporter(window);
  const std::vector<int16_t> block = series.block;
  const uint16_t found = series.wFoundPulses;
  const int16_t instances = series.wTupleInstances, tuple = series.wFoundTuple;
  ChainsHeader* chains =
      withChains ? getChainsHeader(reporter, size, series.wReservedImpulses, nullptr) : nullptr;
  Outcome o;
  o.result = search(window, chains, &series);
  o.found = series.wFoundPulses;
  o.instances = series.wTupleInstances;
  o.foundTuple = series.wFoundTuple;
  o.block = series.block;
  if (chains) {
    o.pretenders = chains->wPretenders;
    o.quan = chains->wQuanPulses;
    o.seeking = chains->wSeekingPulsesQuantity;
    o.distances = chains->distanceBlock;
    o.rows = chains->sampleBlock;
  }
  for (const auto& m : window.messages) o.messages.push_back(m.shownCaption() + "|" + m.text);
  freeChainsHeader(chains);
  std::copy(block.begin(), block.end(), series.block.begin());
  series.wFoundPulses = found;
  series.wTupleInstances = instances;
  series.wFoundTuple = tuple;
  return o;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  FuzzedDataProvider data(bytes, size);
  // The alphabet: 1..5 etalons of n samples, quiet or loud (beyond the 32-bit sums).
  const int n = data.ConsumeIntegralInRange(1, 6);
  const int etalons = data.ConsumeIntegralInRange(1, 5);
  const bool loud = data.ConsumeIntegralInRange(0, 7) == 0;
  const int16_t amplitude = loud ? 32767 : data.ConsumeIntegralInRange<int16_t>(0, 40);
  std::vector<std::vector<int16_t>> shapes(etalons);
  for (auto& shape : shapes)
    for (int t = 0; t < n; ++t)
      shape.push_back(data.ConsumeIntegralInRange<int16_t>(-amplitude, amplitude));
  const testing::TestAlphabet alphabet(shapes);

  const uint16_t tmin = data.ConsumeIntegralInRange<uint16_t>(0, 12);
  const uint16_t tmax = std::max<uint16_t>(tmin + data.ConsumeIntegralInRange<uint16_t>(0, 30), 1);
  const uint16_t levels[] = {0, 50, 75, 100};
  const uint16_t level = data.ConsumeBool() ? data.PickValueInArray(levels)
                                            : data.ConsumeIntegralInRange<uint16_t>(0, 100);
  const uint16_t mode = data.ConsumeIntegralInRange<uint16_t>(1, 2);
  const uint16_t chainsSize = data.ConsumeIntegralInRange<uint16_t>(1, 10);
  const bool withChains = data.ConsumeIntegralInRange(0, 9) != 0;

  std::vector<uint16_t> list(data.ConsumeIntegralInRange(1, 4));
  for (auto& e : list) e = data.ConsumeIntegralInRange<uint16_t>(0, etalons);
  std::vector<std::vector<int32_t>> tuples(data.ConsumeIntegralInRange(1, 3));
  for (auto& t : tuples) {
    t.resize(data.ConsumeIntegralInRange(1, 4));
    for (auto& e : t) e = data.ConsumeIntegralInRange(1, etalons);
  }
  std::vector<int32_t> sizes;
  std::vector<const int32_t*> rows;
  for (const auto& t : tuples) {
    sizes.push_back(static_cast<int32_t>(t.size()));
    rows.push_back(t.data());
  }
  const int32_t T = static_cast<int32_t>(tuples.size());

  const int L = data.ConsumeIntegralInRange(n, 90);
  std::vector<int16_t> x(L);
  for (auto& v : x) v = data.ConsumeIntegralInRange<int16_t>(-amplitude, amplitude);
  const uint32_t length = static_cast<uint32_t>(L);
  const uint16_t pmin = minPulseCount(length, static_cast<uint16_t>(n), tmax);
  const uint16_t pmax = std::min<uint16_t>(maxPulseCount(length, static_cast<uint16_t>(n), std::max<uint16_t>(tmin, 1)), 40);
  const uint16_t pulses = std::max<uint16_t>(
      1, data.ConsumeIntegralInRange<uint16_t>(std::min(pmin, pmax), pmax + 1));
  auto series = testing::makeTestSeries(x, static_cast<uint16_t>(n), pulses, std::max(pmax, pulses));
  testing::setSynthesisWindows(*series, tmin, tmax);
  series->wMinPulses = pmin;
  series->wMaxPulses = std::max<uint16_t>(pmax, 1);

  SearchWorkspace workspace;
  workspace.fixed.pass.setFullTableCells(data.ConsumeBool() ? 0 : data.ConsumeIntegralInRange<size_t>(0, 100));
  SearchWorkspace* ws = data.ConsumeBool() ? &workspace : nullptr;
  SearchInputs in;
  in.alphabet = alphabet.data();
  in.requiredCount = static_cast<uint16_t>(list.size());
  in.requiredList = list.data();
  in.tmin = tmin;
  in.tmax = tmax;
  in.procSavedLevel = level;
  in.selectedSubsetSize = sizes[0];
  in.selectedSubset = rows[0];
  in.subsetProceedingMode = mode;
  in.subsetCount = T;
  in.subsetSizes = sizes.data();
  in.subsetRows = rows.data();
  SearchInputs fastIn = in;
  fastIn.workspace = ws;
  // Every search, by the task and series type that select it. Unfixed-count recognition
  // reads its answer back from the chains record.
  struct Pair {
    const char* name;
    uint16_t task, seriesType;
    bool chains;
  };
  const Pair pairs[] = {
      {"identification", kTaskDetection, kSeriesFixedCutoff, withChains},
      {"recognition", kTaskRecognition, kSeriesFixedCutoff, withChains},
      {"tuple detection", kTaskTupleDetection, kSeriesFixedTuples, withChains},
      {"tuple recognition", kTaskTupleRecognition, kSeriesFixedTuples, withChains},
      {"unfixed", kTaskDetection, kSeriesUnfixedCutoff, withChains},
      {"unfixed recognition", kTaskRecognition, kSeriesUnfixedCutoff, true},
      {"unfixed tuple detection", kTaskTupleDetection, kSeriesUnfixedTuples, withChains},
      {"unfixed tuple recognition", kTaskTupleRecognition, kSeriesUnfixedTuples, withChains},
  };
  const size_t which = data.ConsumeIntegralInRange<size_t>(0, std::size(pairs));
  for (size_t k = 0; k < std::size(pairs); ++k) {
    if (which < std::size(pairs) && k != which) continue;
    const Pair& p = pairs[k];
    const Search plain = [&](Window& w, ChainsHeader* h, SeriesHeader* s) {
      return shownResult(w, runSearch<PlainKernels>(p.task, p.seriesType, in, h, s));
    };
    const Search fast = [&](Window& w, ChainsHeader* h, SeriesHeader* s) {
      return shownResult(w, runSearch<FastKernels>(p.task, p.seriesType, fastIn, h, s));
    };
    if (!(run(plain, *series, p.chains, chainsSize) == run(fast, *series, p.chains, chainsSize)))
      fuzz::fail(std::string(p.name) + ": the fast search differs from the plain one");
  }
  return 0;
}
