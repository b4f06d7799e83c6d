#include "processing/interval_set.h"

#include <algorithm>
#include <new>

namespace velmora {

namespace {

// Shifts the intervals from index `from` on by `by` slots toward the back (by > 0) or
// the front (by < 0), both arrays together.
void shiftTail(IntervalSet& set, int from, int by) {
  int count = set.wIntervals;
  if (by > 0) {
    for (int i = count - 1; i >= from; --i) {
      set.lpFirst[i + by] = set.lpFirst[i];
      set.lpLast[i + by] = set.lpLast[i];
    }
  } else if (by < 0) {
    for (int i = from; i < count; ++i) {
      set.lpFirst[i + by] = set.lpFirst[i];
      set.lpLast[i + by] = set.lpLast[i];
    }
  }
  set.wIntervals = static_cast<uint16_t>(count + by);
}

}  // namespace

IntervalSet* newIntervalSet(IntervalSet* set, uint16_t capacity) {
  IntervalSet* result = set;
  try {
    if (result == nullptr) result = new IntervalSet();
    if (result->wMaxIntervals < capacity || result->lpFirst == nullptr) {
      std::vector<uint16_t> fresh(2 * static_cast<size_t>(capacity));
      result->block.swap(fresh);
      result->wMaxIntervals = capacity;
    }
  } catch (const std::bad_alloc&) {
    delete result;
    return nullptr;
  }
  std::fill(result->block.begin(), result->block.end(), uint16_t{0});
  result->lpFirst = result->block.data();
  result->lpLast = result->block.data() + result->wMaxIntervals;
  result->wIntervals = 0;
  return result;
}

IntervalSet* freeIntervalSet(IntervalSet* set) {
  delete set;
  return nullptr;
}

IntervalSet* copyIntervalSet(IntervalSet* destination, const IntervalSet* source) {
  if (source == nullptr) return nullptr;
  IntervalSet* result = newIntervalSet(destination, source->wMaxIntervals);
  if (result == nullptr) return nullptr;
  std::copy(source->lpFirst, source->lpFirst + source->wIntervals, result->lpFirst);
  std::copy(source->lpLast, source->lpLast + source->wIntervals, result->lpLast);
  result->wIntervals = source->wIntervals;
  return result;
}

int addInterval(IntervalSet* set, uint16_t first, uint16_t last) {
  if (set == nullptr || last < first) return 0;
  const int count = set->wIntervals;
  int j = 0;
  while (j < count && set->lpLast[j] < first) ++j;
  if (j == count || last < set->lpFirst[j]) {
    // Overlaps nothing: insert at its sorted place.
    if (count >= set->wMaxIntervals) return 0;
    shiftTail(*set, j, 1);
    set->lpFirst[j] = first;
    set->lpLast[j] = last;
    return 1;
  }
  // Merge interval j and every following one that starts within [first, last].
  uint16_t mergedFirst = std::min(first, set->lpFirst[j]);
  uint16_t mergedLast = std::max(last, set->lpLast[j]);
  int k = j + 1;
  while (k < count && set->lpFirst[k] <= last) {
    mergedLast = std::max(last, set->lpLast[k]);
    ++k;
  }
  set->lpFirst[j] = mergedFirst;
  set->lpLast[j] = mergedLast;
  shiftTail(*set, k, -(k - j - 1));
  return 1;
}

int addIntervalSet(IntervalSet* set, const IntervalSet* other) {
  if (set == nullptr || other == nullptr) return 0;
  // A set added to itself would see its own arrays change underneath; it is its own
  // union anyway.
  if (set == other) return 1;
  for (int i = 0; i < other->wIntervals; ++i) {
    addInterval(set, other->lpFirst[i], other->lpLast[i]);
  }
  return 1;
}

int removeInterval(IntervalSet* set, uint16_t first, uint16_t last) {
  if (set == nullptr || last < first) return 0;
  // A split needs one more slot; refuse before changing anything.
  for (int i = 0; i < set->wIntervals; ++i) {
    if (set->lpFirst[i] < first && set->lpLast[i] > last) {
      if (set->wIntervals >= set->wMaxIntervals) return 0;
      shiftTail(*set, i + 1, 1);
      set->lpFirst[i + 1] = static_cast<uint16_t>(last + 1);
      set->lpLast[i + 1] = set->lpLast[i];
      set->lpLast[i] = static_cast<uint16_t>(first - 1);
      return 1;
    }
  }
  int i = 0;
  while (i < set->wIntervals) {
    uint16_t a = set->lpFirst[i];
    uint16_t b = set->lpLast[i];
    if (b < first || a > last) {
      ++i;
    } else if (a >= first && b <= last) {
      shiftTail(*set, i + 1, -1);
    } else if (a < first) {
      set->lpLast[i] = static_cast<uint16_t>(first - 1);
      ++i;
    } else {
      set->lpFirst[i] = static_cast<uint16_t>(last + 1);
      ++i;
    }
  }
  return 1;
}

int removeIntervalSet(IntervalSet* set, const IntervalSet* other) {
  if (set == nullptr || other == nullptr) return 0;
  if (set == other) {
    set->wIntervals = 0;
    return 1;
  }
  for (int i = 0; i < other->wIntervals; ++i) {
    removeInterval(set, other->lpFirst[i], other->lpLast[i]);
  }
  return 1;
}

int clipIntervalSet(IntervalSet* set, uint16_t first, uint16_t last) {
  if (set == nullptr || last < first) return 0;
  int kept = 0;
  for (int i = 0; i < set->wIntervals; ++i) {
    uint16_t a = set->lpFirst[i];
    uint16_t b = set->lpLast[i];
    if (b < first || a > last) continue;
    set->lpFirst[kept] = std::max(a, first);
    set->lpLast[kept] = std::min(b, last);
    ++kept;
  }
  set->wIntervals = static_cast<uint16_t>(kept);
  return 1;
}

int intersectIntervalSet(IntervalSet* set, const IntervalSet* other) {
  if (set == nullptr || other == nullptr) return 0;
  if (set == other) return 1;
  IntervalSet* saved = copyIntervalSet(nullptr, set);
  if (saved == nullptr) return 0;
  IntervalSet* piece = nullptr;
  int result = 1;
  set->wIntervals = 0;
  for (int i = 0; i < other->wIntervals; ++i) {
    piece = copyIntervalSet(piece, saved);
    if (piece == nullptr) {
      result = 0;
      break;
    }
    clipIntervalSet(piece, other->lpFirst[i], other->lpLast[i]);
    addIntervalSet(set, piece);
  }
  freeIntervalSet(piece);
  freeIntervalSet(saved);
  return result;
}

}  // namespace velmora
