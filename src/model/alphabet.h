// The alphabet of reference pulses (etalons).
#pragma once

#include <cstdint>
#include <vector>

#include "common/report.h"

namespace velmora {

inline constexpr uint16_t kAlphabetSize = 20;
inline constexpr uint16_t kPulseLength = 20;
inline constexpr int16_t kPulseAmplitude = 128;
inline constexpr int16_t kConstantLevel = 60;

// One etalon. lpData points into storage (null when absent).
struct PulseHeader {
  uint16_t wReservedSize = 0;
  uint16_t wSize = 0;
  uint16_t wNumber = 0;  // 1-based
  int16_t* lpData = nullptr;

  std::vector<int16_t> storage;

  PulseHeader() = default;
  PulseHeader(const PulseHeader&) = delete;
  PulseHeader& operator=(const PulseHeader&) = delete;
};

// Releases an etalon's buffer and sets lpData to null.
void freePulse(PulseHeader& pulse);

// Builds count etalons of length samples into alphabet[0..count-1]. 1 on success, 0 on
// failure (the buffers built so far are released), reported.
int makeAlphabet(Reporter& reporter, int16_t amplitude, uint16_t count, uint16_t length,
                 PulseHeader* alphabet);

void makeHalfSinePulse(int16_t amplitude, uint16_t length, int16_t* out);
void makeSinePulse(int16_t amplitude, uint16_t length, int16_t* out);
void makeOscillationPulse(int16_t amplitude, int16_t rise, int16_t cycles, uint16_t length,
                          int16_t* out);
void makeEnvelopePulse(int16_t amplitude, int16_t rise, int16_t cycles, uint16_t length,
                       int16_t* out);
void resamplePulse(int16_t srcLength, const int16_t* src, int16_t dstLength, int16_t* dst);
void makeInvertedPulse(int16_t srcLength, const int16_t* src, int16_t dstLength, int16_t* dst);

// Energy of an etalon: the sum of its squared samples.
int32_t pulseEnergy(const PulseHeader& pulse);

}  // namespace velmora
