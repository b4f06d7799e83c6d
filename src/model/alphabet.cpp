#include "model/alphabet.h"

#include <cmath>
#include <new>

#include "model/random.h"
#include "model/texts.h"

namespace velmora {

namespace {

// The decimal constants the shapes are defined with (not the exact values of pi).
constexpr double kPi = 3.141592654;
constexpr double kTwoPi = 6.283185308;

// Rise-and-decay envelope: 1 - exp(-8k/R) while k < R, then exp(-4(k-R)/(N-R)). The decay
// divisor is formed only for k >= R, where N - R >= 1 because k < N.
double envelope(int k, int rise, int length) {
  if (k < rise) return 1.0 - std::exp(k * (-8.0 / rise));
  return std::exp(-(4.0 / (length - rise)) * (k - rise));
}

}  // namespace

void freePulse(PulseHeader& pulse) {
  std::vector<int16_t>().swap(pulse.storage);
  pulse.lpData = nullptr;
}

void makeHalfSinePulse(int16_t amplitude, uint16_t length, int16_t* out) {
  const double step = kPi / (length + 1);
  double phase = 0.0;
  for (int k = 0; k < length; ++k) {
    phase += step;
    out[k] = static_cast<int16_t>(static_cast<int32_t>(std::sin(phase) * amplitude));
  }
}

void makeSinePulse(int16_t amplitude, uint16_t length, int16_t* out) {
  const double step = kTwoPi / (length + 1);
  double phase = 0.0;
  for (int k = 0; k < length; ++k) {
    phase += step;
    out[k] = static_cast<int16_t>(static_cast<int32_t>(std::sin(phase) * amplitude));
  }
}

void makeOscillationPulse(int16_t amplitude, int16_t rise, int16_t cycles, uint16_t length,
                          int16_t* out) {
  if (length == 0) return;
  const double step = cycles * kTwoPi / length;
  double phase = 0.0;
  for (int k = 0; k < length; ++k) {
    const double peak = amplitude * envelope(k, rise, length);
    out[k] = static_cast<int16_t>(static_cast<int32_t>(std::sin(phase) * peak));
    phase += step;
  }
}

void makeEnvelopePulse(int16_t amplitude, int16_t rise, int16_t /*cycles*/, uint16_t length,
                       int16_t* out) {
  for (int k = 0; k < length; ++k)
    out[k] = static_cast<int16_t>(static_cast<int32_t>(amplitude * envelope(k, rise, length)));
}

void resamplePulse(int16_t srcLength, const int16_t* src, int16_t dstLength, int16_t* dst) {
  const int32_t s = srcLength;
  const int32_t d = dstLength;
  if (s <= 0 || d <= 0) return;
  if (d < s) {
    dst[0] = src[0];
    int32_t b = 0;
    int32_t j = 0;
    for (int32_t i = 1; i <= d - 2; ++i) {
      b += s - 1;
      while (b >= d - 1) {
        b -= d - 1;
        ++j;
      }
      dst[i] = static_cast<int16_t>(src[j] + b * (src[j + 1] - src[j]) / (d - 1));
    }
  } else {
    int32_t base = src[0];
    int32_t acc = 0;
    int32_t i = 1;
    for (int32_t j = 0; j <= d - 2; ++j) {
      dst[j] = static_cast<int16_t>(base + (src[i] - base) * acc / (d - 1));
      acc += s - 1;
      if (acc >= d - 1) {
        acc -= d - 1;
        base = src[i];
        ++i;
      }
    }
  }
  dst[d - 1] = src[s - 1];
}

void makeInvertedPulse(int16_t srcLength, const int16_t* src, int16_t dstLength, int16_t* dst) {
  resamplePulse(srcLength, src, dstLength, dst);
  for (int32_t k = 0; k < dstLength; ++k) dst[k] = static_cast<int16_t>(-dst[k]);
}

int makeAlphabet(Reporter& reporter, int16_t amplitude, uint16_t count, uint16_t length,
                 PulseHeader* alphabet) {
  for (uint16_t i = 0; i < count; ++i) {
    PulseHeader& pulse = alphabet[i];
    if (pulse.lpData != nullptr && pulse.wReservedSize < length) {
      if (i == 0) reporter.report(kTextReleaseBeforehand, kCaptionDebugging, MessageKind::kWarning);
      freePulse(pulse);
    }
    if (pulse.lpData == nullptr) {
      try {
        pulse.storage.assign(length, 0);
      } catch (const std::bad_alloc&) {
        reporter.report(kTextCannotAllocate, nullptr, MessageKind::kWarning);
        for (uint16_t b = 0; b < i; ++b) freePulse(alphabet[b]);
        return 0;
      }
      pulse.lpData = pulse.storage.data();
      pulse.wReservedSize = length;
    }
    pulse.wSize = length;
    pulse.wNumber = static_cast<uint16_t>(i + 1);
  }

  const int32_t a = amplitude;
  const int32_t v = kConstantLevel;
  const int32_t n = length;
  const int16_t len16 = static_cast<int16_t>(length);
  uint16_t& state = randomStates().alphabet;
  for (uint16_t i = 0; i < count; ++i) {
    int16_t* out = alphabet[i].lpData;
    if (i == 0) {
      for (int32_t k = 0; k < n; ++k) out[k] = static_cast<int16_t>(v);
    } else if (i < 10 && i % 2 == 1) {
      makeInvertedPulse(len16, alphabet[i - 1].lpData, len16, out);
    } else if (i == 2) {
      makeHalfSinePulse(static_cast<int16_t>(2 * a / 3 - 1), length, out);
    } else if (i == 4) {
      makeSinePulse(static_cast<int16_t>(v * 1414 / 1000), length, out);
    } else if (i == 6) {
      makeOscillationPulse(static_cast<int16_t>(a * 6 / 5 + 2),
                           static_cast<int16_t>((2 * n + 4) / 8), 4, length, out);
    } else if (i == 8) {
      makeEnvelopePulse(static_cast<int16_t>((7 * a + 4) / 8 + 6),
                        static_cast<int16_t>((2 * n + 4) / 8 - 1), 4, length, out);
    } else {
      for (int32_t k = 0; k < n; ++k) {
        int32_t x = static_cast<int16_t>(gaussRandom(state, 0, static_cast<int16_t>(a / 2)));
        if (x > a - 1) x = a - 1;
        if (x < -a) x = -a;
        out[k] = static_cast<int16_t>(x);
      }
    }
  }
  return 1;
}

int32_t pulseEnergy(const PulseHeader& pulse) {
  if (pulse.lpData == nullptr) return 0;
  int64_t sum = 0;
  for (uint16_t k = 0; k < pulse.wSize; ++k) sum += int32_t{pulse.lpData[k]} * pulse.lpData[k];
  return sum > INT32_MAX ? INT32_MAX : static_cast<int32_t>(sum);
}

}  // namespace velmora
