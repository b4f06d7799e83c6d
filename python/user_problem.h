// A series and etalons that the caller brings: the records the searches take, made from
// plain arrays, with every value the searches cannot take refused by a Refusal.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "model/alphabet.h"
#include "workbench.h"

namespace velmora::pyext {

// The most etalons of one's own: as many as the alphabet has, the etalons the searches,
// the chains record and the views are made for (and what velmora-cli find takes).
inline constexpr uint32_t kMostUserEtalons = kAlphabetSize;

// Etalons of the caller's own: `count` shapes of `length` samples each, row after row.
// Numbered from 1 in the order given.
class UserAlphabet {
 public:
  UserAlphabet(const int16_t* samples, uint32_t count, uint32_t length);
  const PulseHeader* pulses() const { return pulses_.get(); }
  uint16_t size() const { return count_; }
  uint16_t length() const { return length_; }

 private:
  std::unique_ptr<PulseHeader[]> pulses_;
  uint16_t count_ = 0;
  uint16_t length_ = 0;
};

// The series type a search of the caller's series runs on: a known pulse count gives a
// fixed-count type, none an unfixed one; pulses cut below a processing saved level of 100
// give the cut-off types; the tuple tasks take the tuple series types.
uint16_t userSeriesType(bool countKnown, bool tuples, uint16_t procSavedLevel);

// A series record over the caller's `n` samples (pure and noisy alike), for pulses of
// `pulseLength` samples at starts Tmin..Tmax apart, with `count` pulses when known (their
// admissible windows as the synthesis sets them). Refuses a geometry the program refuses
// and a count the series cannot hold.
SeriesPtr userSeries(const int16_t* samples, uint32_t n, const PulseHeader* alphabet,
                     uint16_t alphabetSize, uint16_t pulseLength, uint16_t tmin, uint16_t tmax,
                     std::optional<uint32_t> count);

}  // namespace velmora::pyext
