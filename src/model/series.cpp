#include "model/series.h"

#include <algorithm>
#include <new>

#include "common/format.h"
#include "model/random.h"
#include "model/subset_modes.h"
#include "model/texts.h"

namespace velmora {

namespace {

// Lays the fifteen arrays out over the data block: the two series arrays of dwReservedSize
// samples, then thirteen per-pulse arrays of wReservedImpulses values.
void layOutBlock(SeriesHeader& h) {
  int16_t* p = h.block.data();
  const uint32_t n = h.dwReservedSize;
  const uint32_t m = h.wReservedImpulses;
  h.lpPureData = p;
  h.lpNoisyData = p + n;
  int16_t** perPulse[] = {&h.lpEtalons,        &h.lpFoundEtalons,      &h.lpPositions,
                          &h.lpFoundPositions, &h.lpMinPositions,      &h.lpMaxPositions,
                          &h.lpFirstSamples,   &h.lpLastSamples,       &h.lpFoundFirstSamples,
                          &h.lpFoundLastSamples, &h.lpSubset,          &h.lpTupleFirst,
                          &h.lpTupleLast};
  int16_t* next = p + 2 * n;
  for (int16_t** field : perPulse) {
    *field = next;
    next += m;
  }
}

// The global window of pulse k among q: the first pulse within the first Tmax samples,
// the last starting no earlier than N - Tmax and ending inside the series, consecutive
// starts Tmin..Tmax apart. Formed in 64 bits: Tmax * (Q - k) alone nearly fills 32.
struct Window64 {
  int64_t lo;
  int64_t hi;
};
Window64 globalWindow(int64_t k, int64_t q, int64_t n, int64_t l, int64_t tmin, int64_t tmax) {
  return {std::max(k * tmin, n - tmax * (q - k)),
          std::min((k + 1) * tmax - l, n - l - tmin * (q - 1 - k))};
}

std::string incompatibleText(const SeriesHeader& h, uint32_t n, uint16_t l, uint16_t pmin,
                             uint16_t pmax, uint16_t q) {
  std::string text = kTextIncompatibleHead;
  text += "\n";
  text += formatText(kFormatSeriesSizeLine, static_cast<int>(n), static_cast<int>(h.dwSeriesSize));
  text += formatText(kFormatImpulseSizeLine, int{l}, int{h.wImpulseSize});
  text += formatText(kFormatMinPulsesLine, int{pmin}, int{h.wMinPulses});
  text += formatText(kFormatMaxPulsesLine, int{pmax}, int{h.wMaxPulses});
  text += formatText(kFormatQuantityLine, int{q});
  text += "\n";
  return text;
}

// Writes the attached subset into the etalon sequence by the header's employment mode.
// Only the entries lpSubset actually holds are used.
void employSubset(const SeriesHeader& h, uint16_t q, uint16_t* sequence) {
  const int32_t s = std::min(h.wSubsetStored, h.wReservedImpulses);
  if (h.wSubsetSize == 0 || s == 0 || h.wSubsetMode < 1 || h.wSubsetMode > 5) return;
  RandomStates& states = randomStates();
  // A position of 0 would address the entry before the sequence; it counts as the first.
  int32_t p = std::max<int32_t>(int32_t{h.wSubsetPosition} - 1, 0);
  auto pass = [&](int32_t from) {
    for (int32_t t = from; t < s && p < q; ++t, ++p)
      sequence[p] = static_cast<uint16_t>(h.lpSubset[t]);
  };
  auto shiftRandomly = [&](uint16_t& state) {
    const int32_t room = q - p - s + 1;
    if (room > 0) p += (nextRandom(state) >> 1) % room;
  };
  switch (h.wSubsetMode) {
    case kSubsetSingleRandom:
      shiftRandomly(states.subsetPlace);
      pass(0);
      break;
    case kSubsetSingleFixed:
      pass(0);
      break;
    case kSubsetMultipleRandom:
      do {
        shiftRandomly(states.subsetRepeat);
        pass(0);
      } while (p < q);
      break;
    case kSubsetComplete:
      do pass(0);
      while (p < q);
      break;
    case kSubsetShiftedComplete:
      pass((nextRandom(states.subsetPlace) >> 1) % s);
      do pass(0);
      while (p < q);
      break;
  }
}

}  // namespace

uint16_t minPulseCount(uint32_t seriesSize, uint16_t impulseSize, uint16_t tmax) {
  if (tmax == 0) return 1;
  const uint64_t count = (uint64_t{seriesSize} + impulseSize - 1) / tmax;
  if (count == 0) return 1;
  return static_cast<uint16_t>(std::min<uint64_t>(count, UINT16_MAX));
}

uint16_t maxPulseCount(uint32_t seriesSize, uint16_t impulseSize, uint16_t tmin) {
  if (tmin == 0) return 0;
  // A series shorter than a pulse holds none (unsigned arithmetic would wrap here).
  const int64_t span = int64_t{seriesSize} - impulseSize + tmin;
  if (span <= 0) return 0;
  return static_cast<uint16_t>(std::min<int64_t>(span / tmin, UINT16_MAX));
}

std::string seriesGeometryProblem(uint16_t impulseSize, uint16_t tmin, uint16_t tmax,
                                  uint32_t seriesSize) {
  std::string detail;
  if (seriesSize > kMaxSeriesSize)
    detail = formatText(kFormatSeriesTooLong, static_cast<unsigned>(seriesSize));
  else if (tmin == 0)
    detail = kTextZeroTmin;
  else if (impulseSize == 0)
    detail = kTextZeroImpulseSize;
  else if (tmin > tmax)
    detail = formatText(kFormatTminAboveTmax, unsigned{tmin}, unsigned{tmax});
  else if (impulseSize > tmax)
    detail = formatText(kFormatPulseLongerThanTmax, unsigned{impulseSize}, unsigned{tmax});
  if (detail.empty()) return detail;
  return std::string(kTextBadGeometryHead) + "\n" + detail;
}

SeriesHeader* getCutOffSeriesHeader(Reporter& reporter, uint16_t alphabetSize, uint16_t impulseSize,
                                    uint16_t tmin, uint16_t tmax, uint32_t seriesSize,
                                    SeriesHeader* old) {
  const std::string problem = seriesGeometryProblem(impulseSize, tmin, tmax, seriesSize);
  if (!problem.empty()) {
    reporter.report(problem, kCaptionGetCutOffSeriesHeader, MessageKind::kWarning);
    return old;
  }
  const uint16_t pmin = minPulseCount(seriesSize, impulseSize, tmax);
  const uint16_t pmax = maxPulseCount(seriesSize, impulseSize, tmin);

  SeriesHeader* h = old;
  if (h == nullptr) {
    try {
      h = new SeriesHeader();
    } catch (const std::bad_alloc&) {
      reporter.report(kTextNoMemoryHeader, kCaptionGetCutOffSeriesHeader);
      return nullptr;
    }
  }

  if (seriesSize > h->dwReservedSize || pmax > h->wReservedImpulses) {
    // The subset lives in the block: carry the entries it holds across the reallocation
    // when it fits the new pulse count. If it does not, or the copy cannot be made, the
    // subset is dropped whole rather than left claiming entries that were cleared.
    std::vector<int16_t> savedSubset;
    bool carry = false;
    const uint16_t stored = std::min(h->wSubsetStored, h->wReservedImpulses);
    if (h->wSubsetSize >= 1 && h->wSubsetSize <= pmax) {
      try {
        savedSubset.assign(h->lpSubset, h->lpSubset + stored);
        carry = true;
      } catch (const std::bad_alloc&) {
        carry = false;
      }
    }
    // Capacities only grow, so arrays sized for an earlier series stay valid for it.
    const uint32_t samples = std::max(seriesSize, h->dwReservedSize);
    const uint16_t pulses = std::max(pmax, h->wReservedImpulses);
    std::vector<int16_t>().swap(h->block);
    try {
      h->block.assign(2 * size_t{samples} + 13 * size_t{pulses}, 0);
    } catch (const std::bad_alloc&) {
      reporter.report(kTextNoMemoryPureData, kCaptionGetExtSeriesHeader);
      freeSeriesHeader(h);
      return nullptr;
    }
    h->dwReservedSize = samples;
    h->wReservedImpulses = pulses;
    layOutBlock(*h);
    // Processing results lived in the cleared block.
    h->wFoundPulses = 0;
    h->wTupleInstances = 0;
    h->wFoundTuple = 0;
    if (carry) {
      std::copy(savedSubset.begin(), savedSubset.end(), h->lpSubset);
      h->wSubsetStored = stored;
    } else {
      h->wSubsetSize = 0;
      h->wSubsetMode = 0;
      h->wSubsetPosition = 0;
      h->wSubsetStored = 0;
    }
  }

  if (alphabetSize > h->wReservedEtalons) {
    std::vector<const PulseHeader*>().swap(h->pulsesListBlock);
    try {
      h->pulsesListBlock.assign(alphabetSize, nullptr);
    } catch (const std::bad_alloc&) {
      reporter.report(kTextNoMemoryPulsesList, kCaptionGetExtSeriesHeader);
      freeSeriesHeader(h);
      return nullptr;
    }
    h->wReservedEtalons = alphabetSize;
  }
  h->lpPulsesList = h->pulsesListBlock.data();

  h->wEtalons = alphabetSize;
  h->dwSeriesSize = seriesSize;
  h->wMaxPulses = pmax;
  h->wMinPulses = pmin;
  h->wTmin = tmin;
  h->wTmax = tmax;
  std::fill(h->pulsesListBlock.begin(), h->pulsesListBlock.end(), nullptr);
  return h;
}

namespace {

// Why makeExtSeries refuses these parameters, as the text of its message; empty when it
// makes the series.
std::string synthesisRefusal(uint16_t alphabetSize, const PulseHeader* alphabet,
                             uint16_t impulseSize, uint16_t tmin, uint16_t tmax,
                             uint32_t seriesSize, uint16_t quantity, bool haveSequence,
                             const SeriesHeader* header) {
  std::string problem = seriesGeometryProblem(impulseSize, tmin, tmax, seriesSize);
  if (!problem.empty()) return problem;
  if (header == nullptr) return kTextHeaderTooSmall;
  const SeriesHeader& h = *header;
  const uint16_t pmin = minPulseCount(seriesSize, impulseSize, tmax);
  const uint16_t pmax = maxPulseCount(seriesSize, impulseSize, tmin);
  if (quantity < pmin || quantity > pmax)
    return incompatibleText(h, seriesSize, impulseSize, pmin, pmax, quantity);
  if (seriesSize > h.dwReservedSize || quantity > h.wReservedImpulses ||
      alphabetSize > h.wReservedEtalons || alphabetSize == 0 || alphabet == nullptr ||
      !haveSequence)
    return kTextHeaderTooSmall;
  for (uint16_t e = 0; e < alphabetSize; ++e) {
    if (alphabet[e].lpData == nullptr || alphabet[e].wSize < impulseSize)
      return formatText(kFormatBadEtalon, e + 1, unsigned{impulseSize});
  }
  for (int32_t k = 0; k < quantity; ++k) {
    const Window64 w = globalWindow(k, quantity, seriesSize, impulseSize, tmin, tmax);
    if (w.hi < w.lo)
      return formatText(kFormatEmptyWindow, k, static_cast<int>(w.lo), static_cast<int>(w.hi));
  }
  return {};
}

// Numbers outside the alphabet become 1, in the sequence as in the truth.
void validateSequence(uint16_t* sequence, int32_t quantity, uint16_t alphabetSize) {
  for (int32_t k = 0; k < quantity; ++k)
    if (sequence[k] < 1 || sequence[k] > alphabetSize) sequence[k] = 1;
}

}  // namespace

std::string loadSeries(SeriesHeader& h, const int16_t* samples, uint32_t size,
                       uint16_t impulseSize, uint16_t quantity) {
  if (impulseSize == 0 || impulseSize > size)
    return "pulses of " + std::to_string(impulseSize) + " samples do not fit a series of " +
           std::to_string(size);
  if (size != h.dwSeriesSize || size > h.dwReservedSize)
    return "the header holds " + std::to_string(h.dwSeriesSize) + " samples, not " +
           std::to_string(size);
  if (quantity > 0 && (quantity < h.wMinPulses || quantity > h.wMaxPulses ||
                       quantity > h.wReservedImpulses))
    return "a count of " + std::to_string(quantity) + " pulses lies outside " +
           std::to_string(h.wMinPulses) + ".." + std::to_string(h.wMaxPulses);
  for (int32_t k = 0; k < quantity; ++k) {
    const Window64 w = globalWindow(k, quantity, size, impulseSize, h.wTmin, h.wTmax);
    if (w.hi < w.lo)
      return formatText(kFormatEmptyWindow, k, static_cast<int>(w.lo), static_cast<int>(w.hi));
  }
  std::copy(samples, samples + size, h.lpPureData);
  std::copy(samples, samples + size, h.lpNoisyData);
  h.wImpulseSize = impulseSize;
  h.wImpulseQuantity = quantity;
  h.wNoise = 0;
  h.wFoundPulses = 0;
  h.wTupleInstances = 0;
  h.wFoundTuple = 0;
  for (int32_t k = 0; k < quantity; ++k) {
    const Window64 w = globalWindow(k, quantity, size, impulseSize, h.wTmin, h.wTmax);
    h.lpMinPositions[k] = static_cast<int16_t>(w.lo);
    h.lpMaxPositions[k] = static_cast<int16_t>(w.hi);
  }
  return {};
}

int makeExtSeries(Reporter& reporter, uint16_t alphabetSize, const PulseHeader* alphabet,
                  uint16_t impulseSize, uint16_t tmin, uint16_t tmax, uint32_t seriesSize,
                  uint16_t quantity, uint16_t* etalonSequence, int16_t amplitude,
                  uint16_t savedLevel, SeriesHeader* header) {
  // Every refusal happens before anything is written or drawn.
  const std::string refusal = synthesisRefusal(alphabetSize, alphabet, impulseSize, tmin, tmax,
                                               seriesSize, quantity, etalonSequence != nullptr, header);
  if (!refusal.empty()) {
    reporter.report(refusal, kCaptionMakeExtSeries, MessageKind::kWarning);
    return 0;
  }
  const int32_t n = static_cast<int32_t>(seriesSize);  // at most kMaxSeriesSize here
  const int32_t l = impulseSize;
  const int32_t q = quantity;
  SeriesHeader& h = *header;
  const uint16_t pmin = minPulseCount(seriesSize, impulseSize, tmax);
  const uint16_t pmax = maxPulseCount(seriesSize, impulseSize, tmin);
  std::vector<int64_t> partial;
  try {
    partial.assign(size_t(l) + 1, 0);
  } catch (const std::bad_alloc&) {
    reporter.report(kTextNoMemoryPartialEnergy, nullptr);
    return 0;
  }

  h.dwSeriesSize = seriesSize;
  h.wMaxPulses = pmax;
  h.wMinPulses = pmin;
  h.wNoise = 0;
  h.wAmplitude = amplitude;
  h.wFirstSample = 0;
  h.wLastSample = static_cast<int16_t>(l - 1);

  employSubset(h, quantity, etalonSequence);

  validateSequence(etalonSequence, q, alphabetSize);
  for (int32_t k = 0; k < q; ++k) {
    h.lpEtalons[k] = static_cast<int16_t>(etalonSequence[k]);
    h.lpFoundEtalons[k] = 0;
    h.lpFoundFirstSamples[k] = 0;
    h.lpFoundLastSamples[k] = 0;
    h.lpFirstSamples[k] = 0;
    h.lpLastSamples[k] = static_cast<int16_t>(l - 1);
  }
  h.wEtalons = alphabetSize;
  for (uint16_t e = 0; e < alphabetSize; ++e) h.lpPulsesList[e] = &alphabet[e];
  std::fill(h.lpPureData, h.lpPureData + n, int16_t{0});

  RandomStates& states = randomStates();
  auto place = [&](int32_t k, int64_t a, int64_t b) {
    if (b < a) b = a;  // excluded by the window check above
    const int32_t s = static_cast<int32_t>(a + (nextRandom(states.position) >> 2) % (b - a + 1));
    const int16_t* x = h.lpPulsesList[etalonSequence[k] - 1]->lpData;
    for (int32_t i = 0; i < l; ++i) partial[i + 1] = partial[i] + int32_t{x[i]} * x[i];
    const int64_t energy = partial[l];
    const int64_t threshold = int64_t{savedLevel} * energy / 100;
    int32_t u = l - 1;
    for (int32_t i = 0; i < l; ++i) {
      if (energy - partial[i + 1] <= threshold) {
        u = i;
        break;
      }
    }
    const int32_t first = nextRandom(states.cutStart) % (u + 1);
    int32_t v = l - 1;
    while (v > first && partial[v] - partial[first] > threshold) --v;
    const int32_t last = v + nextRandom(states.cutEnd) % (l - v);
    for (int32_t i = first; i <= last; ++i) h.lpPureData[s + i] = x[i];
    h.lpPositions[k] = static_cast<int16_t>(s);
    h.lpFoundPositions[k] = -1;
    h.lpFirstSamples[k] = static_cast<int16_t>(first);
    h.lpLastSamples[k] = static_cast<int16_t>(last);
  };
  auto storeWindow = [&](int32_t k) {
    const Window64 w = globalWindow(k, q, n, l, tmin, tmax);
    h.lpMinPositions[k] = static_cast<int16_t>(w.lo);
    h.lpMaxPositions[k] = static_cast<int16_t>(w.hi);
    return w;
  };

  const int32_t k0 = (nextRandom(states.position) >> 2) % q;
  const Window64 w0 = storeWindow(k0);
  place(k0, w0.lo, w0.hi);
  for (int32_t k = k0 + 1; k < q; ++k) {
    const Window64 w = storeWindow(k);
    const int64_t prev = h.lpPositions[k - 1];
    place(k, std::max(prev + tmin, w.lo), std::min(prev + tmax, w.hi));
  }
  for (int32_t k = k0 - 1; k >= 0; --k) {
    const Window64 w = storeWindow(k);
    const int64_t next = h.lpPositions[k + 1];
    place(k, std::max(next - tmax, w.lo), std::min(next - tmin, w.hi));
  }

  h.wTmin = tmin;
  h.wTmax = tmax;
  h.wImpulseSize = impulseSize;
  h.wImpulseQuantity = quantity;
  std::copy(h.lpPureData, h.lpPureData + n, h.lpNoisyData);
  h.lpFirstPulse = h.lpPulsesList[etalonSequence[0] - 1];
  return 1;
}

SeriesHeader* getCutOffSeries(Reporter& reporter, uint16_t alphabetSize,
                              const PulseHeader* alphabet, uint16_t impulseSize, uint16_t tmin,
                              uint16_t tmax, uint32_t seriesSize, uint16_t quantity,
                              uint16_t* etalonSequence, int16_t amplitude, uint16_t savedLevel,
                              SeriesHeader* old) {
  const bool synthesisable = seriesGeometryProblem(impulseSize, tmin, tmax, seriesSize).empty();
  SeriesHeader* h =
      getCutOffSeriesHeader(reporter, alphabetSize, impulseSize, tmin, tmax, seriesSize, old);
  if (!synthesisable) return h;  // reported; the old header is untouched
  if (h == nullptr) {
    reporter.report(kTextNoSeriesHeader, kCaptionGetCutOffSeries, MessageKind::kWarning);
    return nullptr;
  }
  makeExtSeries(reporter, alphabetSize, alphabet, impulseSize, tmin, tmax, seriesSize, quantity,
                etalonSequence, amplitude, savedLevel, h);
  return h;
}

SeriesHeader* getRandomCountSeries(Reporter& reporter, uint16_t alphabetSize,
                                   const PulseHeader* alphabet, uint16_t impulseSize, uint16_t tmin,
                                   uint16_t tmax, uint32_t seriesSize, uint16_t /*quantity*/,
                                   uint16_t* etalonSequence, int16_t amplitude, uint16_t savedLevel,
                                   SeriesHeader* header) {
  if (!seriesGeometryProblem(impulseSize, tmin, tmax, seriesSize).empty())
    return getCutOffSeriesHeader(reporter, alphabetSize, impulseSize, tmin, tmax, seriesSize,
                                 header);
  const uint16_t pmin = minPulseCount(seriesSize, impulseSize, tmax);
  const uint16_t pmax = maxPulseCount(seriesSize, impulseSize, tmin);
  if (pmax < pmin) return nullptr;
  const uint16_t quantity = static_cast<uint16_t>(
      pmin + (nextRandom(randomStates().pulseCount) >> 2) % (pmax - pmin + 1));
  return getCutOffSeries(reporter, alphabetSize, alphabet, impulseSize, tmin, tmax, seriesSize,
                         quantity, etalonSequence, amplitude, savedLevel, header);
}

void addNoise(int16_t noiseLevel, int16_t /*amplitude*/, SeriesHeader* header,
              uint16_t& noiseState) {
  if (header == nullptr) return;
  const uint32_t n = std::min(header->dwSeriesSize, header->dwReservedSize);
  for (uint32_t i = 0; i < n; ++i) {
    const int16_t noise = static_cast<int16_t>(gaussRandom(noiseState, 0, noiseLevel));
    header->lpNoisyData[i] = static_cast<int16_t>(header->lpPureData[i] + noise);
  }
  header->wNoise = noiseLevel;
}

RandomJump noiseJump(const SeriesHeader* header) {
  if (header == nullptr) return RandomJump{};
  return randomJump(12 * uint64_t{std::min(header->dwSeriesSize, header->dwReservedSize)});
}

SynthesisSkip::SynthesisSkip(uint16_t alphabetSize, const PulseHeader* alphabet,
                             uint16_t impulseSize, uint16_t tmin, uint16_t tmax,
                             uint32_t seriesSize, uint16_t quantity, const SeriesHeader* header)
    : accepted_(synthesisRefusal(alphabetSize, alphabet, impulseSize, tmin, tmax, seriesSize,
                                 quantity, true, header)
                    .empty()),
      alphabetSize_(alphabetSize),
      quantity_(quantity),
      position_(randomJump(uint64_t{quantity} + 1)),
      cut_(randomJump(quantity)) {}

bool SynthesisSkip::pass(uint16_t* etalonSequence, const SeriesHeader& header) const {
  if (!accepted_ || etalonSequence == nullptr) return false;
  employSubset(header, quantity_, etalonSequence);
  validateSequence(etalonSequence, quantity_, alphabetSize_);
  RandomStates& states = randomStates();
  states.position = position_.apply(states.position);
  states.cutStart = cut_.apply(states.cutStart);
  states.cutEnd = cut_.apply(states.cutEnd);
  return true;
}

int freeSeriesHeader(SeriesHeader* header) {
  delete header;
  return 1;
}

}  // namespace velmora
