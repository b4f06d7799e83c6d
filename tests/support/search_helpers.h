// Builders of small hand-made alphabets and series records for the search tests, random
// small cases, and a brute-force reference that enumerates every admissible chain.
#pragma once

#include <cstdint>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "common/window.h"
#include "model/alphabet.h"
#include "model/series.h"
#include "processing/chains.h"
#include "processing/search_inputs.h"

namespace velmora::testing {

// A chains record released (with a throwaway window) when it goes out of scope.
struct ChainsDeleter {
  void operator()(ChainsHeader* h) const;
};
using ChainsPtr = std::unique_ptr<ChainsHeader, ChainsDeleter>;

// A new chains record of `size` pretenders of `pulses` pulses.
ChainsPtr makeChains(uint16_t size, uint16_t pulses);

// The inputs of the single-pulse searches: `count` etalons of `list`.
SearchInputs listInputs(const PulseHeader* alphabet, uint16_t count, const uint16_t* list,
                        uint16_t tmin, uint16_t tmax, uint16_t level,
                        SearchWorkspace* workspace = nullptr);

// The inputs of tuple detection: one tuple (the selected subset).
SearchInputs tupleInputs(const PulseHeader* alphabet, int32_t size, const int32_t* tuple,
                         uint16_t mode, uint16_t tmin, uint16_t tmax, uint16_t level,
                         SearchWorkspace* workspace = nullptr, uint32_t* diagnosticFlag = nullptr);

// The inputs of tuple recognition: `count` tuples (the subset list).
SearchInputs tupleListInputs(const PulseHeader* alphabet, const int32_t* sizes,
                             const int32_t* const* rows, int32_t count, uint16_t mode,
                             uint16_t tmin, uint16_t tmax, uint16_t level,
                             SearchWorkspace* workspace = nullptr,
                             uint32_t* diagnosticFlag = nullptr);

// The search the one entry selects for `task` on a series of `seriesType`, on the fast
// or the plain kernels, its dumps and a failure shown on `window` as the shell shows
// them. Returns the search's result.
int fastSearch(Window& window, uint16_t task, uint16_t seriesType, const SearchInputs& inputs,
               ChainsHeader* chains, SeriesHeader* series);
int plainSearch(Window& window, uint16_t task, uint16_t seriesType, const SearchInputs& inputs,
                ChainsHeader* chains, SeriesHeader* series);

// A uniform draw from lo..hi.
int uniform(std::mt19937& rng, int lo, int hi);

// `count` random etalon shapes of `length` samples each, in lo..hi (drawn etalon by etalon).
std::vector<std::vector<int16_t>> randomShapes(std::mt19937& rng, int count, int length, int lo,
                                               int hi);

// A random small pulse length n (1..4) and distances Tmin..Tmax that admit it, drawn in
// that order.
struct RandomTiming {
  uint16_t n = 0;
  uint16_t tmin = 0;
  uint16_t tmax = 0;
};
RandomTiming randomTiming(std::mt19937& rng);

// A random series of minLength..maxLength samples in lo..hi (the length drawn first).
std::vector<int16_t> randomSamples(std::mt19937& rng, int minLength, int maxLength, int lo,
                                   int hi);

// An alphabet of etalons with the given samples (etalon e is shapes[e - 1]).
class TestAlphabet {
 public:
  explicit TestAlphabet(const std::vector<std::vector<int16_t>>& shapes);
  const PulseHeader* data() const { return pulses_.get(); }
  size_t size() const { return count_; }

 private:
  size_t count_ = 0;
  std::unique_ptr<PulseHeader[]> pulses_;
};

// A series record laid out as the synthesis lays it out (pure and noisy samples, then the
// thirteen per-pulse arrays), holding `samples` as both the pure and the noisy series.
// The pulse count, pulse length, distances and windows are set by the caller or by
// setSynthesisWindows.
std::unique_ptr<SeriesHeader> makeTestSeries(const std::vector<int16_t>& samples,
                                             uint16_t impulseSize, uint16_t pulses,
                                             uint16_t reservedPulses = 0);

// The windows of the synthesis for pulse j of M (signed arithmetic):
// lo = max(j Tmin, L - (M - j) Tmax), hi = min((j + 1) Tmax - n, L - n - (M - 1 - j) Tmin).
void setSynthesisWindows(SeriesHeader& series, uint16_t tmin, uint16_t tmax);

// The best local match over the candidates (etalon numbers, in order) at position p, with
// the cost taken as the squared distance minus the covered series energy; whole etalon
// first, then runs carrying strictly more than savedLevel percent of the energy; strictly
// lower replaces.
struct BruteLocal {
  int64_t cost = 0;
  int etalon = 0;  // 1-based
  int first = 0;
  int last = 0;
};
BruteLocal bruteLocal(const PulseHeader* alphabet, const std::vector<int>& candidates,
                      const std::vector<int16_t>& x, int n, int p, int savedLevel);

// Cost of one pulse of a chain: etalon e (1-based), run first..last at position p.
int64_t bruteRunCost(const PulseHeader* alphabet, int etalon, const std::vector<int16_t>& x,
                     int p, int first, int last);

// True when the run carries strictly more than savedLevel percent of the etalon's energy
// (a whole etalon always qualifies).
bool runAdmitted(const PulseHeader* alphabet, int etalon, int n, int first, int last,
                 int savedLevel);

struct BruteChain {
  bool found = false;
  int64_t cost = 0;
  std::vector<int> positions;
};

// Every admissible chain (pulse j in windows[j], consecutive starts tmin..tmax apart)
// enumerated; the cheapest, and among equally cheap ones the one with the earliest last
// pulse, then the earliest pulse before it, and so on. candidates[j] lists the etalons of
// pulse j.
BruteChain bruteCheapestChain(const PulseHeader* alphabet,
                              const std::vector<std::vector<int>>& candidates,
                              const std::vector<int16_t>& x, int n,
                              const std::vector<std::pair<int, int>>& windows, int tmin,
                              int tmax, int savedLevel);

// The windows of a series record, clipped to the series.
std::vector<std::pair<int, int>> recordWindows(const SeriesHeader& series);

// A series record for the searches that choose the pulse count: `placed` pulses laid,
// distances tmin..tmax, and room for and the range of every admissible pulse count.
std::unique_ptr<SeriesHeader> makeUnfixedSeries(const std::vector<int16_t>& samples,
                                                uint16_t impulseSize, uint16_t tmin,
                                                uint16_t tmax, uint16_t placed = 0);

// The windows of the k pulses of a chain of exactly k pulses in a series of L samples,
// clipped to the series.
std::vector<std::pair<int, int>> countWindows(int L, int n, int k, int tmin, int tmax);

// The cheapest admissible chain over every pulse count pmin..pmax (at least 1), pulse j
// drawing its etalon from cycle[j % cycle.size()]; of equally cheap counts the smallest.
// An empty cycle has no chain.
BruteChain bruteCheapestOverCounts(const PulseHeader* alphabet,
                                   const std::vector<std::vector<int>>& cycle,
                                   const std::vector<int16_t>& x, int n, int pmin, int pmax,
                                   int tmin, int tmax, int savedLevel);

}  // namespace velmora::testing
