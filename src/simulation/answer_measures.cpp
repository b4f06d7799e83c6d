#include "simulation/answer_measures.h"

#include <algorithm>

namespace velmora {

namespace {

const PulseHeader* etalonOf(const SeriesHeader& s, int32_t number) {
  if (number < 1 || number > s.wEtalons || s.lpPulsesList == nullptr) return nullptr;
  const PulseHeader* e = s.lpPulsesList[number - 1];
  return e != nullptr && e->lpData != nullptr ? e : nullptr;
}

}  // namespace

int64_t rebuiltSeriesError(const SeriesHeader& h, const int16_t* positions,
                           const int16_t* etalons, const int16_t* firstSamples,
                           const int16_t* lastSamples, int32_t count) {
  if (h.lpPureData == nullptr) return 0;
  const int64_t n = h.dwSeriesSize;
  const int32_t length = h.wImpulseSize;
  int64_t sum = 0;
  int64_t k = 0;  // next sample not yet summed
  auto addPure = [&](int64_t end) {
    for (; k < end; ++k) {
      const int64_t v = h.lpPureData[k];
      sum += v * v;
    }
  };
  for (int32_t f = 0; f < count && positions != nullptr; ++f) {
    const int64_t start = positions[f];
    if (start < k || start >= n) continue;
    addPure(start);
    const PulseHeader* etalon = etalons != nullptr ? etalonOf(h, etalons[f]) : nullptr;
    const int32_t first = firstSamples != nullptr ? firstSamples[f] : 0;
    const int32_t last = lastSamples != nullptr ? lastSamples[f] : length - 1;
    for (int32_t t = 0; t < length && k < n; ++t, ++k) {
      int64_t rebuilt = 0;
      if (etalon != nullptr && t < etalon->wSize && first <= t && t <= last)
        rebuilt = etalon->lpData[t];
      const int64_t diff = h.lpPureData[k] - rebuilt;
      sum += diff * diff;
    }
  }
  addPure(n);
  return sum;
}

int64_t restoreError(const SeriesHeader& series, const ChainsHeader* chains) {
  if (chains == nullptr || chains->wPretenders == 0 || chains->wMaxSize == 0 ||
      chains->pulsesList == nullptr)
    return rebuiltSeriesError(series, nullptr, nullptr, nullptr, nullptr, 0);
  const int32_t count = std::min(chains->wSeekingPulsesQuantity, chains->wMaxPulses);
  return rebuiltSeriesError(series, chains->positionsList[0], chains->pulsesList[0],
                            chains->firstSamplesList[0], chains->lastSamplesList[0], count);
}

int64_t trueChainCost(const SeriesHeader& h) {
  if (h.lpNoisyData == nullptr || h.lpPositions == nullptr || h.lpEtalons == nullptr) return 0;
  const int32_t pulses = std::min(h.wImpulseQuantity, h.wReservedImpulses);
  const int64_t n = h.dwSeriesSize;
  int64_t sum = 0;
  for (int32_t i = 0; i < pulses; ++i) {
    const PulseHeader* etalon = etalonOf(h, h.lpEtalons[i]);
    if (etalon == nullptr) continue;
    const int32_t size = std::min<int32_t>(h.wImpulseSize, etalon->wSize);
    const int32_t first = std::max<int32_t>(h.lpFirstSamples ? h.lpFirstSamples[i] : 0, 0);
    const int32_t last = std::min<int32_t>(h.lpLastSamples ? h.lpLastSamples[i] : size - 1,
                                           size - 1);
    for (int32_t j = first; j <= last; ++j) {
      const int64_t k = int64_t{h.lpPositions[i]} + j;
      if (k < 0 || k >= n) continue;
      const int64_t s = etalon->lpData[j];
      sum += s * (s - 2 * int64_t{h.lpNoisyData[k]});
    }
  }
  return sum;
}

int64_t roundedMean(int64_t sum, int32_t repeats) {
  if (repeats <= 0) return 0;
  // (2S + R) / (2R) for S >= 0, computed without doubling S.
  int64_t mean = sum / repeats;
  if (2 * (sum % repeats) >= repeats) ++mean;
  return mean;
}

int64_t detectionContribution(const SeriesHeader& header, int32_t pulseCount,
                              uint16_t seekingPulses) {
  if (pulseCount <= 0) return 0;
  const int32_t count =
      std::min<int32_t>({pulseCount, seekingPulses, header.wReservedImpulses});
  // Position differences reach 2^15 and their squares 2^30, so d needs 64 bits.
  int64_t d = 0;
  for (int32_t k = 0; k < count; ++k) {
    const int64_t diff =
        static_cast<int64_t>(header.lpPositions[k]) - header.lpFoundPositions[k];
    d += diff * diff;
  }
  return (pulseCount + 256 * d) / (2 * static_cast<int64_t>(pulseCount));
}

int64_t getRestorationError(const SeriesHeader* header) {
  if (header == nullptr) return 0;
  const SeriesHeader& h = *header;
  return rebuiltSeriesError(h, h.lpFoundPositions, h.lpFoundEtalons, h.lpFoundFirstSamples,
                            h.lpFoundLastSamples, std::min(h.wFoundPulses, h.wReservedImpulses));
}

}  // namespace velmora
