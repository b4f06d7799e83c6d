#include "graphics/statistics_scale.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "graphics/pattern_box.h"
#include "model/problem_types.h"

namespace velmora {

namespace {

// Full scale of the modes that have no top value of their own (1.0).
constexpr uint64_t kNeutralFullScale = 1000;
// Largest full scale used: keeps every product of the scale exact in 128 bits.
constexpr uint64_t kLargestFullScale = 1000000000000000ull;

// A divisor of 0 from the data counts as 1, as the normalisers start out.
uint64_t divisor(int64_t d) { return d > 0 ? static_cast<uint64_t>(d) : 1; }

int64_t sample(const PulseHeader* e, int32_t k) {
  return e != nullptr && e->lpData != nullptr && k >= 0 && k < e->wSize ? e->lpData[k] : 0;
}

int64_t energyOf(const PulseHeader* e) {
  int64_t sum = 0;
  for (int32_t k = 0; e != nullptr && e->lpData != nullptr && k < e->wSize; ++k)
    sum += sample(e, k) * sample(e, k);
  return sum;
}

// The etalon a list entry names; an entry that names none stands for the first pulse.
const PulseHeader* entryEtalon(const SeriesHeader& s, int32_t number) {
  const PulseHeader* e = seriesEtalon(s, number);
  return e != nullptr ? e : s.lpFirstPulse;
}

// Extremes of the full cross-correlation Σ_t a[t + s] b[t] over the shifts -n..n.
void correlationExtremes(const PulseHeader* a, const PulseHeader* b, int32_t n, int64_t& lo,
                         int64_t& hi) {
  for (int32_t s = -n; s <= n; ++s) {
    int64_t c = 0;
    for (int32_t t = std::max(0, -s); t < n && t + s < n; ++t) c += sample(a, t + s) * sample(b, t);
    lo = std::min(lo, c);
    hi = std::max(hi, c);
  }
}

using Wide = unsigned __int128;

// floor(num / den) for the plot's unsigned heights: 128 bits hold every product of a
// legal table value, the plot height, the repeats, the pulse counts and the full scale.
int64_t scaled(Wide num, Wide den) {
  const Wide q = num / (den == 0 ? 1 : den);
  const Wide cap = Wide{kLargestPlotHeight} * 4;
  return static_cast<int64_t>(q > cap ? cap : q);
}


}  // namespace

bool isTupleRecognitionRecord(const RestErrorHeader& e) {
  return isTupleSeries(e.wSeriesType) && e.wTaskType == kTaskTupleRecognition;
}

StatisticsGrid::StatisticsGrid(const RestErrorHeader& errors) : e(errors) {
  pulses = e.wPulseValues ? e.wVariousPulses : 0;
  levels = e.lpNoiseLevels ? e.wNoiseLevels : 0;
  repeats = e.repeats;
}

uint64_t StatisticsGrid::value(int table, int32_t i, int32_t j) const {
  if (e.lpErrors[table] == nullptr || e.lpErrors[table][i] == nullptr) return 0;
  return static_cast<uint32_t>(e.lpErrors[table][i][j]);
}

uint64_t StatisticsGrid::rowSum(int table, int32_t i) const {
  uint64_t sum = 0;
  for (int32_t j = 0; j < pulses; ++j) sum += value(table, i, j);
  return sum;
}

int64_t truncatedHeight(double v) {
  if (!(v > 0)) return 0;  // also NaN
  return v >= 4e18 ? int64_t{4000000000000000000} : static_cast<int64_t>(v);
}

SignalStatistics signalStatistics(const StatisticsViewInputs& in) {
  SignalStatistics st;
  if (in.series == nullptr || in.errors == nullptr) return st;
  const SeriesHeader& s = *in.series;
  const int32_t n = s.wImpulseSize;
  const PulseHeader* first = s.lpFirstPulse;
  st.energy = energyOf(first);
  if (first != nullptr && first->lpData != nullptr && first->wSize > 0) {
    st.smallestSquare = std::numeric_limits<int64_t>::max();
    for (int32_t k = 0; k < first->wSize; ++k)
      st.smallestSquare = std::min(st.smallestSquare, sample(first, k) * sample(first, k));
  }

  // The first etalon in use against the second (or itself): the sum runs over the first
  // n - |s| samples of b, so negative shifts see fewer terms.
  const int32_t k = in.etalonList ? in.etalonCount : 0;
  const PulseHeader* a = entryEtalon(s, k > 0 ? in.etalonList[0] : 0);
  const PulseHeader* b = entryEtalon(s, k > 1 ? in.etalonList[1] : k > 0 ? in.etalonList[0] : 0);
  for (int32_t shift = -n; shift <= n; ++shift) {
    int64_t c = 0;
    for (int32_t t = 0; t < n - std::abs(shift); ++t) c += sample(a, t + shift) * sample(b, t);
    st.rmin = std::min(st.rmin, c);
  }

  const int32_t rows = patternListRows(s);
  if (!isTupleRecognitionRecord(*in.errors) || rows == 0) return st;
  // Tuples: the largest energy of a pattern's etalon, and the extreme correlations of
  // etalons from two different patterns. Pairs of the same two etalons recur across the
  // patterns, so each pair's extremes are computed once.
  std::vector<const PulseHeader*> distinct;
  std::vector<std::vector<int32_t>> members(rows);
  for (int32_t r = 0; r < rows; ++r) {
    for (int32_t m = 0; m < patternRowSize(s, r); ++m) {
      const PulseHeader* e = entryEtalon(s, s.selectedSubsetList[r][m]);
      const auto at = std::find(distinct.begin(), distinct.end(), e);
      members[r].push_back(static_cast<int32_t>(at - distinct.begin()));
      if (at == distinct.end()) distinct.push_back(e);
    }
  }
  st.energy = 0;
  for (const PulseHeader* e : distinct) st.energy = std::max(st.energy, energyOf(e));
  const size_t d = distinct.size();
  std::vector<int64_t> lows(d * d), highs(d * d);
  std::vector<char> known(d * d, 0);
  st.rmin = 0;
  st.rmax = 0;
  for (int32_t i = 0; i < rows; ++i)
    for (int32_t j = i + 1; j < rows; ++j)
      for (int32_t ea : members[i])
        for (int32_t eb : members[j]) {
          const size_t pair = static_cast<size_t>(ea) * d + static_cast<size_t>(eb);
          if (!known[pair]) {
            lows[pair] = 0;
            highs[pair] = 0;
            correlationExtremes(distinct[ea], distinct[eb], n, lows[pair], highs[pair]);
            known[pair] = 1;
          }
          st.rmin = std::min(st.rmin, lows[pair]);
          st.rmax = std::max(st.rmax, highs[pair]);
        }
  return st;
}

StatisticsScale statisticsScale(const StatisticsViewInputs& in, const SignalStatistics& st) {
  StatisticsScale sc;
  if (in.series == nullptr || in.errors == nullptr) return sc;
  const StatisticsGrid g(*in.errors);
  const SeriesHeader& s = *in.series;
  const uint64_t r = divisor(g.repeats);
  const uint64_t p = divisor(g.pulses);
  sc.restoringNormalisers.assign(static_cast<size_t>(g.pulses), 1);
  // Wide, so that long etalons of loud samples saturate instead of wrapping.
  const Wide product = Wide{2} * s.wMaxPulses * static_cast<uint64_t>(st.energy - st.rmin);
  const uint64_t restoring = product > std::numeric_limits<uint64_t>::max()
                                 ? std::numeric_limits<uint64_t>::max()
                                 : static_cast<uint64_t>(product);
  if (restoring > 0) std::fill(sc.restoringNormalisers.begin(), sc.restoringNormalisers.end(), restoring);
  const int64_t spread = int64_t{s.wTmax} - s.wImpulseSize;
  sc.detectionNormaliser = spread != 0 ? static_cast<double>(spread * spread) : 1.0;
  const double dn = sc.detectionNormaliser;

  uint64_t u = 0;
  bool hasTop = true;
  switch (in.graphMode) {
    case kGraphRestoredComponentwise:
      u = 50;
      for (int32_t j = 0; j < g.pulses; ++j) {
        uint64_t largest = 0;
        for (int32_t i = 0; i < g.levels; ++i) largest = std::max(largest, g.value(kRestoringErrors, i, j));
        u = std::max(u, 1000 * largest / sc.restoringNormalisers[j]);
      }
      break;
    case kGraphRestoredAggregate: {
      double m = 0;
      for (int32_t i = 0; i < g.levels; ++i) {
        double sum = 0;
        for (int32_t j = 0; j < g.pulses; ++j)
          sum += static_cast<double>(g.value(kRestoringErrors, i, j)) /
                 static_cast<double>(sc.restoringNormalisers[j]);
        m = std::max(m, sum);
      }
      m = std::max({m, 0.079, 0.49 * g.pulses});
      u = static_cast<uint64_t>(truncatedHeight(1000 * m / static_cast<double>(p)));
      break;
    }
    case kGraphDetectionComponentwise: {
      double top = 0.3;
      for (int32_t j = 0; j < g.pulses; ++j) {
        uint64_t largest = 0;
        for (int32_t i = 0; i < g.levels; ++i) largest = std::max(largest, g.value(kDetectionErrors, i, j));
        const uint64_t mean = (r + 2 * largest) / (2 * r);  // rounded
        top = std::max(top, std::sqrt(static_cast<double>(mean) / dn));
      }
      u = std::max<uint64_t>(static_cast<uint64_t>(truncatedHeight(1000 * top)), 50);
      break;
    }
    case kGraphDetectionAggregate: {
      uint64_t largest = 0;
      for (int32_t i = 0; i < g.levels; ++i) largest = std::max(largest, g.rowSum(kDetectionErrors, i));
      const double top = std::max(
          std::sqrt(static_cast<double>(largest) / (static_cast<double>(p) * dn * static_cast<double>(r))),
          0.24);
      u = std::max<uint64_t>(static_cast<uint64_t>(truncatedHeight(1000 * top)), 50);
      break;
    }
    case kGraphRecognitionComponentwise:
    case kGraphRecognitionAggregate:
    case kGraphRecognitionComponentwiseBounds:
    case kGraphRecognitionAggregateBounds:
      u = 500;
      break;
    case kGraphFragmentsMean:
    case kGraphFragmentsBias:
    case kGraphFragmentsMeanSquareError:
      u = 990;
      break;
    case kGraphFragmentsVariance:
      u = 99;
      break;
    default:
      hasTop = false;
      break;
  }
  sc.topValue = u;

  // T: the power of ten with as many digits as U, divided by 5 and by 2 (twice) while it
  // still holds U.
  uint64_t t = kNeutralFullScale;
  if (hasTop && u > 0) {
    t = 1;
    for (uint64_t v = std::min(u, kLargestFullScale / 10); v > 0; v /= 10) t *= 10;
    if (5 * u <= t) t /= 5;
    if (2 * u <= t) t /= 2;
    if (2 * u <= t) t /= 2;
  }
  if (in.fixedUpperBound && in.upperBound > 0) {
    // A bound below 0.001 shows as 0.001, the finest full scale.
    const double bound = std::min(1000 * in.upperBound, static_cast<double>(kLargestFullScale));
    t = std::max<uint64_t>(static_cast<uint64_t>(bound), 1);
  }
  sc.fullScale = std::clamp<uint64_t>(t, 1, kLargestFullScale);
  return sc;
}

int64_t pointHeight(const StatisticsGrid& g, const StatisticsScale& sc, uint32_t mode,
                    int32_t plotHeight, int32_t i, int32_t j) {
  const uint64_t hh = static_cast<uint64_t>(plotHeight);
  const uint64_t t = sc.fullScale;
  const double ratio = 1000.0 / static_cast<double>(t);  // full height per unit
  const uint64_t r = divisor(g.repeats);
  const uint64_t p = divisor(g.pulses);
  const double dn = sc.detectionNormaliser;
  switch (mode) {
    case kGraphRestoredComponentwise:
      return scaled(Wide{1000 * g.value(kRestoringErrors, i, j)} * hh,
                    Wide{t} * sc.restoringNormalisers[j]);
    case kGraphRestoredAggregate: {
      double sum = 0;
      for (int32_t k = 0; k < g.pulses; ++k)
        sum += static_cast<double>(g.value(kRestoringErrors, i, k)) /
               static_cast<double>(sc.restoringNormalisers[k]);
      return truncatedHeight(ratio * sum / static_cast<double>(p) * static_cast<double>(hh));
    }
    case kGraphDetectionComponentwise:
      return truncatedHeight(ratio *
                             std::sqrt(static_cast<double>(g.value(kDetectionErrors, i, j)) /
                                       static_cast<double>(r) / dn) *
                             static_cast<double>(hh));
    case kGraphDetectionAggregate:
      return truncatedHeight(ratio *
                             std::sqrt(static_cast<double>(g.rowSum(kDetectionErrors, i)) /
                                       (static_cast<double>(p) * dn * static_cast<double>(r))) *
                             static_cast<double>(hh));
    case kGraphRecognitionComponentwise:
    case kGraphRecognitionComponentwiseBounds:
      return scaled(Wide{g.value(kTupleRecognitionErrors, i, j) * 1000} * hh, Wide{r} * t);
    case kGraphRecognitionAggregate:
    case kGraphRecognitionAggregateBounds:
      return scaled(Wide{g.rowSum(kTupleRecognitionErrors, i)} * 1000 * hh, Wide{r} * p * t);
    default:
      return 0;
  }
}

}  // namespace velmora
