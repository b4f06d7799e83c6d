#include "user_problem.h"

#include <algorithm>
#include <string>

#include "common/report.h"
#include "model/problem_types.h"

namespace velmora::pyext {

UserAlphabet::UserAlphabet(const int16_t* samples, uint32_t count, uint32_t length) {
  if (count < 1 || count > kMostUserEtalons)
    throw Refusal("etalons: " + std::to_string(count) + " shapes given; 1.." +
                  std::to_string(kMostUserEtalons) + " can be searched for");
  if (length < 1 || length > kMaxSeriesSize)
    throw Refusal("etalons: shapes of " + std::to_string(length) + " samples given; 1.." +
                  std::to_string(kMaxSeriesSize) + " samples can be searched for");
  count_ = static_cast<uint16_t>(count);
  length_ = static_cast<uint16_t>(length);
  pulses_.reset(new PulseHeader[count]);
  for (uint32_t e = 0; e < count; ++e) {
    PulseHeader& p = pulses_[e];
    p.storage.assign(samples + size_t{e} * length, samples + size_t{e + 1} * length);
    p.lpData = p.storage.data();
    p.wReservedSize = p.wSize = length_;
    p.wNumber = static_cast<uint16_t>(e + 1);
  }
}

uint16_t userSeriesType(bool countKnown, bool tuples, uint16_t procSavedLevel) {
  if (tuples) return countKnown ? kSeriesFixedTuples : kSeriesUnfixedTuples;
  if (procSavedLevel < 100) return countKnown ? kSeriesFixedCutoff : kSeriesUnfixedCutoff;
  return countKnown ? kSeriesFixedWhole : kSeriesUnfixedWhole;
}

SeriesPtr userSeries(const int16_t* samples, uint32_t n, const PulseHeader* alphabet,
                     uint16_t alphabetSize, uint16_t pulseLength, uint16_t tmin, uint16_t tmax,
                     std::optional<uint32_t> count) {
  const std::string problem = seriesGeometryProblem(pulseLength, tmin, tmax, n);
  if (!problem.empty()) throw Refusal(problem);
  if (n < pulseLength)
    throw Refusal("a series of " + std::to_string(n) + " samples holds no pulse of " +
                  std::to_string(pulseLength) + " samples");
  const uint16_t pmin = minPulseCount(n, pulseLength, tmax);
  const uint16_t pmax = maxPulseCount(n, pulseLength, tmin);
  if (count && (*count < 1 || *count < pmin || *count > pmax))
    throw Refusal("count " + std::to_string(*count) + ": a series of " + std::to_string(n) +
                  " samples holds " + std::to_string(pmin) + ".." + std::to_string(pmax) +
                  " pulses of " + std::to_string(pulseLength) + " samples at Tmin " +
                  std::to_string(tmin) + ", Tmax " + std::to_string(tmax));
  if (!count && pmax < pmin)
    throw Refusal("a series of " + std::to_string(n) + " samples holds no admissible pulse "
                  "count at Tmin " + std::to_string(tmin) + ", Tmax " + std::to_string(tmax));

  RecordingReporter reported;
  SeriesPtr h(getCutOffSeriesHeader(reported, alphabetSize, pulseLength, tmin, tmax, n, nullptr));
  if (!h) {
    const std::vector<Message>& m = reported.messages;
    throw OutOfMemory(m.empty() ? "not enough memory for the series" : m.front().text);
  }
  const std::string refused =
      loadSeries(*h, samples, n, pulseLength, count ? static_cast<uint16_t>(*count) : 0);
  if (!refused.empty()) throw Refusal(refused);
  h->wAmplitude = kPulseAmplitude;
  h->wFirstSample = 0;
  h->wLastSample = static_cast<int16_t>(pulseLength - 1);
  h->wEtalons = alphabetSize;
  for (uint16_t e = 0; e < alphabetSize; ++e) h->lpPulsesList[e] = &alphabet[e];
  return h;
}

}  // namespace velmora::pyext
