// Builders of small hand-made alphabets and series records for the search tests, and a
// brute-force reference that enumerates every admissible chain.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "model/alphabet.h"
#include "model/series.h"

namespace velmora::testing {

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

}  // namespace velmora::testing
