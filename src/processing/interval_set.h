// Ordered sets of disjoint closed position intervals, used by the searches for an
// unfixed number of pulses to bound the positions they visit.
#pragma once

#include <cstdint>
#include <vector>

namespace velmora {

// Intervals in use are sorted by first position and share no position. Intervals that
// merely touch (last + 1 == next first) stay separate. lpFirst and lpLast are the two
// halves of `block`.
struct IntervalSet {
  uint16_t wMaxIntervals = 0;
  uint16_t wIntervals = 0;
  uint16_t* lpFirst = nullptr;
  uint16_t* lpLast = nullptr;

  std::vector<uint16_t> block;

  IntervalSet() = default;
  IntervalSet(const IntervalSet&) = delete;
  IntervalSet& operator=(const IntervalSet&) = delete;
};

// Returns `set` (or a new record when null) able to hold `capacity` intervals, emptied.
// A sufficient capacity is kept. On allocation failure the record is freed and null
// returned; callers replace their pointer by the result.
IntervalSet* newIntervalSet(IntervalSet* set, uint16_t capacity);

// Frees the record; null is accepted. Returns null.
IntervalSet* freeIntervalSet(IntervalSet* set);

// Makes `destination` (or a new record) a copy of `source`, with at least its capacity.
// Null when the source is null or memory ran out.
IntervalSet* copyIntervalSet(IntervalSet* destination, const IntervalSet* source);

// Union with [first, last]. 0 (set unchanged) when the set is null, last < first, or an
// insertion would need a slot the set does not have.
int addInterval(IntervalSet* set, uint16_t first, uint16_t last);

// Adds every interval of `other` in order. 0 when either set is null; failures of single
// additions are not reported.
int addIntervalSet(IntervalSet* set, const IntervalSet* other);

// Difference with [first, last]. 0 (set unchanged) when the set is null, last < first, or
// a split would need a slot the set does not have.
int removeInterval(IntervalSet* set, uint16_t first, uint16_t last);

// Removes every interval of `other` in order. 0 when either set is null.
int removeIntervalSet(IntervalSet* set, const IntervalSet* other);

// Intersection with [first, last]. 0 when the set is null or last < first.
int clipIntervalSet(IntervalSet* set, uint16_t first, uint16_t last);

// Intersection with `other`. 0 when either set is null.
int intersectIntervalSet(IntervalSet* set, const IntervalSet* other);

}  // namespace velmora
