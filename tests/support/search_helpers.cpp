#include "support/search_helpers.h"

#include <algorithm>
#include <functional>

#include "common/report.h"
#include "processing/dispatch.h"
#include "processing/search_kernels.h"
#include "shell/window_reporter.h"
#include "support/fake_window.h"

namespace velmora::testing {

void ChainsDeleter::operator()(ChainsHeader* h) const {
  freeChainsHeader(h);
}

SearchInputs listInputs(const PulseHeader* alphabet, uint16_t count, const uint16_t* list,
                        uint16_t tmin, uint16_t tmax, uint16_t level, SearchWorkspace* workspace) {
  SearchInputs in;
  in.alphabet = alphabet;
  in.requiredCount = count;
  in.requiredList = list;
  in.tmin = tmin;
  in.tmax = tmax;
  in.procSavedLevel = level;
  in.workspace = workspace;
  return in;
}

SearchInputs tupleInputs(const PulseHeader* alphabet, int32_t size, const int32_t* tuple,
                         uint16_t mode, uint16_t tmin, uint16_t tmax, uint16_t level,
                         SearchWorkspace* workspace, uint32_t* diagnosticFlag) {
  SearchInputs in = listInputs(alphabet, 0, nullptr, tmin, tmax, level, workspace);
  in.selectedSubsetSize = size;
  in.selectedSubset = tuple;
  in.subsetProceedingMode = mode;
  in.diagnosticFlag = diagnosticFlag;
  return in;
}

SearchInputs tupleListInputs(const PulseHeader* alphabet, const int32_t* sizes,
                             const int32_t* const* rows, int32_t count, uint16_t mode,
                             uint16_t tmin, uint16_t tmax, uint16_t level,
                             SearchWorkspace* workspace, uint32_t* diagnosticFlag) {
  SearchInputs in = listInputs(alphabet, 0, nullptr, tmin, tmax, level, workspace);
  in.subsetSizes = sizes;
  in.subsetRows = rows;
  in.subsetCount = count;
  in.subsetProceedingMode = mode;
  in.diagnosticFlag = diagnosticFlag;
  return in;
}

namespace {

template <typename Kernels>
int shownSearch(Window& window, uint16_t task, uint16_t seriesType, SearchInputs in,
                ChainsHeader* chains, SeriesHeader* series) {
  WindowReporter reporter(window);
  in.reporter = &reporter;
  return shownResult(window, runSearch<Kernels>(task, seriesType, in, chains, series));
}

}  // namespace

int fastSearch(Window& window, uint16_t task, uint16_t seriesType, const SearchInputs& inputs,
               ChainsHeader* chains, SeriesHeader* series) {
  return shownSearch<FastKernels>(window, task, seriesType, inputs, chains, series);
}

int plainSearch(Window& window, uint16_t task, uint16_t seriesType, const SearchInputs& inputs,
                ChainsHeader* chains, SeriesHeader* series) {
  return shownSearch<PlainKernels>(window, task, seriesType, inputs, chains, series);
}

ChainsPtr makeChains(uint16_t size, uint16_t pulses) {
  NullReporter reporter;
  return ChainsPtr(getChainsHeader(reporter, size, pulses, nullptr));
}

int uniform(std::mt19937& rng, int lo, int hi) {
  return std::uniform_int_distribution<int>(lo, hi)(rng);
}

std::vector<std::vector<int16_t>> randomShapes(std::mt19937& rng, int count, int length, int lo,
                                               int hi) {
  std::vector<std::vector<int16_t>> shapes(static_cast<size_t>(count));
  for (auto& s : shapes)
    for (int t = 0; t < length; ++t) s.push_back(static_cast<int16_t>(uniform(rng, lo, hi)));
  return shapes;
}

RandomTiming randomTiming(std::mt19937& rng) {
  RandomTiming r;
  r.n = static_cast<uint16_t>(uniform(rng, 1, 4));
  r.tmin = static_cast<uint16_t>(uniform(rng, std::max<int>(r.n - 1, 2), 5));
  r.tmax = static_cast<uint16_t>(uniform(rng, std::max<int>(r.tmin, r.n), r.tmin + 4));
  return r;
}

std::vector<int16_t> randomSamples(std::mt19937& rng, int minLength, int maxLength, int lo,
                                   int hi) {
  std::vector<int16_t> x(static_cast<size_t>(uniform(rng, minLength, maxLength)));
  for (auto& v : x) v = static_cast<int16_t>(uniform(rng, lo, hi));
  return x;
}

TestAlphabet::TestAlphabet(const std::vector<std::vector<int16_t>>& shapes)
    : count_(shapes.size()), pulses_(new PulseHeader[shapes.size()]) {
  for (size_t e = 0; e < shapes.size(); ++e) {
    PulseHeader& p = pulses_[e];
    p.storage = shapes[e];
    p.wReservedSize = p.wSize = static_cast<uint16_t>(shapes[e].size());
    p.wNumber = static_cast<uint16_t>(e + 1);
    p.lpData = p.storage.data();
  }
}

std::unique_ptr<SeriesHeader> makeTestSeries(const std::vector<int16_t>& samples,
                                             uint16_t impulseSize, uint16_t pulses,
                                             uint16_t reservedPulses) {
  auto s = std::make_unique<SeriesHeader>();
  const size_t L = samples.size();
  const size_t P = std::max(reservedPulses, pulses);
  s->block.assign(2 * L + 13 * P, 0);
  int16_t* b = s->block.data();
  s->lpPureData = b;
  s->lpNoisyData = b + L;
  int16_t** arrays[13] = {&s->lpEtalons,          &s->lpFoundEtalons,       &s->lpPositions,
                          &s->lpFoundPositions,   &s->lpMinPositions,       &s->lpMaxPositions,
                          &s->lpFirstSamples,     &s->lpLastSamples,        &s->lpFoundFirstSamples,
                          &s->lpFoundLastSamples, &s->lpSubset,             &s->lpTupleFirst,
                          &s->lpTupleLast};
  for (int k = 0; k < 13; ++k) *arrays[k] = b + 2 * L + k * P;
  std::copy(samples.begin(), samples.end(), s->lpPureData);
  std::copy(samples.begin(), samples.end(), s->lpNoisyData);
  s->dwReservedSize = s->dwSeriesSize = static_cast<uint32_t>(L);
  s->wReservedImpulses = static_cast<uint16_t>(P);
  s->wImpulseSize = impulseSize;
  s->wImpulseQuantity = pulses;
  return s;
}

void setSynthesisWindows(SeriesHeader& s, uint16_t tmin, uint16_t tmax) {
  const int64_t L = s.dwSeriesSize, n = s.wImpulseSize, M = s.wImpulseQuantity;
  s.wTmin = tmin;
  s.wTmax = tmax;
  for (int64_t j = 0; j < M; ++j) {
    s.lpMinPositions[j] = static_cast<int16_t>(std::max(j * tmin, L - (M - j) * tmax));
    s.lpMaxPositions[j] =
        static_cast<int16_t>(std::min((j + 1) * tmax - n, L - n - (M - 1 - j) * tmin));
  }
}

int64_t bruteRunCost(const PulseHeader* alphabet, int etalon, const std::vector<int16_t>& x,
                     int p, int first, int last) {
  const int16_t* s = alphabet[etalon - 1].lpData;
  int64_t sum = 0;
  for (int t = first; t <= last; ++t) {
    const int64_t d = int64_t{s[t]} - x[p + t];
    sum += d * d - int64_t{x[p + t]} * x[p + t];
  }
  return sum;
}

bool runAdmitted(const PulseHeader* alphabet, int etalon, int n, int first, int last,
                 int savedLevel) {
  if (first == 0 && last == n - 1) return true;
  const int16_t* s = alphabet[etalon - 1].lpData;
  int64_t total = 0, run = 0;
  for (int t = 0; t < n; ++t) {
    total += int64_t{s[t]} * s[t];
    if (t >= first && t <= last) run += int64_t{s[t]} * s[t];
  }
  return run > total * savedLevel / 100;
}

BruteLocal bruteLocal(const PulseHeader* alphabet, const std::vector<int>& candidates,
                      const std::vector<int16_t>& x, int n, int p, int savedLevel) {
  BruteLocal best;
  bool any = false;
  for (int e : candidates) {
    auto consider = [&](int a, int z) {
      const int64_t c = bruteRunCost(alphabet, e, x, p, a, z);
      if (!any || c < best.cost) best = BruteLocal{c, e, a, z};
      any = true;
    };
    consider(0, n - 1);
    for (int a = 0; a < n; ++a)
      for (int z = a; z < n; ++z)
        if (runAdmitted(alphabet, e, n, a, z, savedLevel) && !(a == 0 && z == n - 1))
          consider(a, z);
  }
  return best;
}

BruteChain bruteCheapestChain(const PulseHeader* alphabet,
                              const std::vector<std::vector<int>>& candidates,
                              const std::vector<int16_t>& x, int n,
                              const std::vector<std::pair<int, int>>& windows, int tmin,
                              int tmax, int savedLevel) {
  const int M = static_cast<int>(windows.size());
  BruteChain best;
  if (M == 0) return best;
  // Local costs per (pulse, position) first: the enumeration below only adds them up.
  std::vector<std::vector<int64_t>> local(M);
  for (int j = 0; j < M; ++j)
    for (int p = windows[j].first; p <= windows[j].second; ++p)
      local[j].push_back(bruteLocal(alphabet, candidates[j], x, n, p, savedLevel).cost);
  std::vector<int> chain(M);
  // Reverse-lexicographic order of positions: the last pulse is the most significant.
  auto better = [&](int64_t cost, const std::vector<int>& c) {
    if (!best.found || cost < best.cost) return true;
    if (cost > best.cost) return false;
    for (int j = M - 1; j >= 0; --j)
      if (c[j] != best.positions[j]) return c[j] < best.positions[j];
    return false;
  };
  std::function<void(int, int64_t)> walk = [&](int j, int64_t cost) {
    if (j == M) {
      if (better(cost, chain)) best = BruteChain{true, cost, chain};
      return;
    }
    for (int p = windows[j].first; p <= windows[j].second; ++p) {
      if (j > 0 && (p - chain[j - 1] < tmin || p - chain[j - 1] > tmax)) continue;
      chain[j] = p;
      walk(j + 1, cost + local[j][p - windows[j].first]);
    }
  };
  walk(0, 0);
  return best;
}

std::vector<std::pair<int, int>> recordWindows(const SeriesHeader& s) {
  std::vector<std::pair<int, int>> w;
  const int last = static_cast<int>(s.dwSeriesSize) - s.wImpulseSize;
  for (int j = 0; j < s.wImpulseQuantity; ++j)
    w.emplace_back(std::max<int>(s.lpMinPositions[j], 0), std::min<int>(s.lpMaxPositions[j], last));
  return w;
}

std::unique_ptr<SeriesHeader> makeUnfixedSeries(const std::vector<int16_t>& samples,
                                                uint16_t impulseSize, uint16_t tmin,
                                                uint16_t tmax, uint16_t placed) {
  const uint32_t L = static_cast<uint32_t>(samples.size());
  const uint16_t pmax = maxPulseCount(L, impulseSize, tmin);
  auto s = makeTestSeries(samples, impulseSize, placed, pmax);
  s->wTmin = tmin;
  s->wTmax = tmax;
  s->wMinPulses = minPulseCount(L, impulseSize, tmax);
  s->wMaxPulses = pmax;
  return s;
}

std::vector<std::pair<int, int>> countWindows(int L, int n, int k, int tmin, int tmax) {
  std::vector<std::pair<int, int>> w;
  for (int j = 0; j < k; ++j)
    w.emplace_back(std::max({0, j * tmin, L - (k - j) * tmax}),
                   std::min({(j + 1) * tmax - n, L - n - (k - 1 - j) * tmin, L - n}));
  return w;
}

BruteChain bruteCheapestOverCounts(const PulseHeader* alphabet,
                                   const std::vector<std::vector<int>>& cycle,
                                   const std::vector<int16_t>& x, int n, int pmin, int pmax,
                                   int tmin, int tmax, int savedLevel) {
  BruteChain best;
  if (cycle.empty()) return best;
  const int L = static_cast<int>(x.size());
  for (int k = std::max(pmin, 1); k <= pmax; ++k) {
    std::vector<std::vector<int>> candidates;
    for (int j = 0; j < k; ++j) candidates.push_back(cycle[static_cast<size_t>(j) % cycle.size()]);
    BruteChain c = bruteCheapestChain(alphabet, candidates, x, n, countWindows(L, n, k, tmin, tmax),
                                      tmin, tmax, savedLevel);
    if (c.found && (!best.found || c.cost < best.cost)) best = c;
  }
  return best;
}

}  // namespace velmora::testing
