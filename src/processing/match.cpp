#include "processing/match.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace velmora {

bool prepareMatchEtalon(const PulseHeader* alphabet, int32_t number, uint16_t size,
                        uint16_t savedLevel, MatchEtalon& out) {
  out.samples = nullptr;
  out.size = 0;
  if (!alphabet || number < 1) return false;
  const PulseHeader& pulse = alphabet[number - 1];
  if (!pulse.lpData || pulse.wSize < size) return false;
  out.energy.resize(size_t{size} + 1);
  out.energy[0] = 0;
  for (size_t t = 0; t < size; ++t) {
    const MatchCost s = pulse.lpData[t];
    out.energy[t + 1] = out.energy[t] + s * s;
  }
  out.threshold = out.energy[size] * savedLevel / 100;
  out.runStarts.clear();
  out.runEnds.clear();
  int32_t end = 0;
  for (int32_t a = 0; a < size; ++a) {
    if (out.energy[size] - out.energy[a] <= out.threshold) continue;
    // The least admitted end only moves forward as the start does.
    end = std::max(end, a);
    while (out.energy[end + 1] - out.energy[a] <= out.threshold) ++end;
    out.runStarts.push_back(a);
    out.runEnds.push_back(end);
  }
  out.largestSample = 0;
  for (size_t t = 0; t < size; ++t)
    out.largestSample = std::max<int32_t>(out.largestSample, std::abs(int32_t{pulse.lpData[t]}));
  out.samples = pulse.lpData;
  out.size = size;
  out.alphabetIndex = static_cast<uint16_t>(number - 1);
  return true;
}

MatchCost runCost(const MatchEtalon& etalon, const int16_t* x, int32_t p, int32_t a, int32_t z) {
  const int16_t* s = etalon.samples;
  MatchCost sum = 0;
  for (int32_t t = a; t <= z; ++t) {
    const MatchCost v = s[t];
    sum += v * (v - 2 * MatchCost{x[p + t]});
  }
  return sum;
}

LocalMatch bestLocalMatch(const MatchEtalon* candidates, size_t count, const int16_t* x,
                          int32_t p) {
  LocalMatch best;
  for (size_t k = 0; k < count; ++k) {
    const MatchEtalon& e = candidates[k];
    const int32_t n = e.size;
    const MatchCost whole = runCost(e, x, p, 0, n - 1);
    if (k == 0 || whole < best.cost) {
      best.cost = whole;
      best.candidate = static_cast<uint16_t>(k);
      best.etalon = e.alphabetIndex;
      best.first = 0;
      best.last = static_cast<int16_t>(n - 1);
    }
    const MatchCost* E = e.energy.data();
    for (int32_t a = 0; a < n; ++a) {
      if (E[n] - E[a] <= e.threshold) continue;
      for (int32_t z = a; z < n; ++z) {
        if (E[z + 1] - E[a] <= e.threshold) continue;
        const MatchCost c = runCost(e, x, p, a, z);
        if (c < best.cost) {
          best.cost = c;
          best.candidate = static_cast<uint16_t>(k);
          best.etalon = e.alphabetIndex;
          best.first = static_cast<int16_t>(a);
          best.last = static_cast<int16_t>(z);
        }
      }
    }
  }
  return best;
}

void fillLocalMatches(const MatchEtalon* candidates, size_t count, const int16_t* x,
                      int32_t from, int32_t to, LocalMatch* out) {
  for (int32_t p = from; p <= to; ++p) out[p - from] = bestLocalMatch(candidates, count, x, p);
}

Predecessor scanPredecessor(const MatchCost* values, int32_t origin, int32_t from, int32_t to,
                            MatchCost start) {
  Predecessor best{start, -1};
  for (int32_t m = from; m <= to; ++m) {
    const MatchCost v = values[m - origin];
    if (v < best.value) {
      best.value = v;
      best.position = m;
    }
  }
  return best;
}

void scanPredecessorRow(const MatchCost* values, int32_t mFrom, int32_t mTo, int32_t tmin,
                        int32_t tmax, int32_t pFrom, int32_t pTo, MatchCost start,
                        Predecessor* out) {
  for (int32_t p = pFrom; p <= pTo; ++p) {
    const int32_t from = std::max(p - tmax, mFrom);
    const int32_t to = std::min(p - tmin, mTo);
    out[p - pFrom] = scanPredecessor(values, mFrom, from, to, start);
  }
}

int32_t storedScore(MatchCost score) {
  constexpr MatchCost lo = std::numeric_limits<int32_t>::min();
  constexpr MatchCost hi = std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(std::clamp(score, lo, hi));
}

}  // namespace velmora
