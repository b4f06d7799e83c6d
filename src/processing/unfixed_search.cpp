#include "processing/unfixed_search.h"

#include <algorithm>
#include <limits>
#include <new>

#include "processing/search_kernels.h"
#include "processing/search_workspace.h"

namespace velmora {

namespace {

// Interval bounds are computed in 64 bits: Tmax × k alone can pass 2^31 for a 16-bit Tmax
// and a long series. Below that every bound equals its 32-bit value.
using Bound = int64_t;

// Calls fn(first, last) for every interval of the three position sets, in the order the
// sets receive them. which: 0 omega_minus, 1 omega_tilda, 2 omega_plus.
template <typename Fn>
void forEachWindow(int which, Bound L, Bound n, Bound pmin, Bound pmax, Bound tmin, Bound tmax,
                   Fn fn) {
  for (Bound k = pmin; k <= pmax; ++k) {
    if (which == 0) {
      fn(std::max<Bound>(0, L - tmax * k), std::min(tmax - n, L - n - tmin * (k - 1)));
    } else if (which == 1) {
      for (Bound i = 1; i <= k - 1; ++i) {
        fn(std::max(tmin * i, L - tmax * (k - i)),
           std::min(tmax * (i + 1) - n, L - n - tmin * (k - 1 - i)));
      }
    } else {
      fn(std::max(L - tmax, tmin * (k - 1)), std::min(L - n, tmax * k - n));
    }
  }
}

uint16_t setCapacity(Bound intervals, Bound positions) {
  Bound cap = std::min(intervals, positions);
  return static_cast<uint16_t>(std::clamp<Bound>(cap, 1, std::numeric_limits<uint16_t>::max()));
}

// A new set of `capacity` holding a copy of `source`.
IntervalSet* copyWithCapacity(const IntervalSet* source, uint16_t capacity) {
  IntervalSet* set = newIntervalSet(nullptr, capacity);
  if (set == nullptr) return nullptr;
  return copyIntervalSet(set, source);
}

}  // namespace

bool isAlphabetEtalon(int32_t number) { return number >= 1 && number <= kAlphabetSize; }

int buildPositionSets(int32_t seriesSize, int32_t impulseSize, int32_t minPulses,
                      int32_t maxPulses, int32_t tmin, int32_t tmax, PositionSets& sets) {
  freePositionSets(sets);
  const Bound L = seriesSize;
  const Bound n = impulseSize;
  // Every position must leave the whole pulse inside the series.
  const Bound lastPosition = L - n;
  const Bound positions = lastPosition + 1;

  IntervalSet** targets[3] = {&sets.omega_minus, &sets.omega_tilda, &sets.omega_plus};
  for (int which = 0; which < 3; ++which) {
    Bound count = 0;
    auto clipped = [&](Bound& first, Bound& last) {
      first = std::max<Bound>(first, 0);
      last = std::min(last, lastPosition);
      return first <= last;
    };
    forEachWindow(which, L, n, minPulses, maxPulses, tmin, tmax, [&](Bound first, Bound last) {
      if (clipped(first, last)) ++count;
    });
    IntervalSet* set = newIntervalSet(nullptr, setCapacity(count, positions));
    if (set == nullptr) {
      freePositionSets(sets);
      return 0;
    }
    *targets[which] = set;
    forEachWindow(which, L, n, minPulses, maxPulses, tmin, tmax, [&](Bound first, Bound last) {
      if (clipped(first, last)) {
        addInterval(set, static_cast<uint16_t>(first), static_cast<uint16_t>(last));
      }
    });
  }

  const uint16_t cap =
      setCapacity(Bound{sets.omega_minus->wIntervals} + sets.omega_tilda->wIntervals, positions);
  sets.visited = copyWithCapacity(sets.omega_minus, cap);
  sets.firstOnly = copyWithCapacity(sets.omega_minus, cap);
  sets.both = copyWithCapacity(sets.omega_minus, cap);
  sets.laterOnly = copyWithCapacity(sets.omega_tilda, cap);
  if (!sets.visited || !sets.firstOnly || !sets.both || !sets.laterOnly) {
    freePositionSets(sets);
    return 0;
  }
  addIntervalSet(sets.visited, sets.omega_tilda);
  removeIntervalSet(sets.firstOnly, sets.omega_tilda);
  removeIntervalSet(sets.laterOnly, sets.omega_minus);
  if (!intersectIntervalSet(sets.both, sets.omega_tilda)) {
    freePositionSets(sets);
    return 0;
  }
  return 1;
}

void freePositionSets(PositionSets& sets) {
  for (IntervalSet** set : {&sets.omega_minus, &sets.omega_tilda, &sets.omega_plus, &sets.visited,
                            &sets.firstOnly, &sets.both, &sets.laterOnly}) {
    *set = freeIntervalSet(*set);
  }
}

void resetUnfixedTables(UnfixedTables& tables, int32_t seriesSize, uint16_t impulseSize) {
  const size_t L = static_cast<size_t>(std::max(seriesSize, 0));
  tables.localCost.assign(L, kEightNines);
  tables.etalon.assign(L, 0);
  tables.firstSample.assign(L, 0);
  tables.lastSample.assign(L, static_cast<int16_t>(impulseSize - 1));
  tables.chainCost.assign(L, kEightNines);
  tables.predecessor.assign(L, static_cast<int32_t>(kEightNines));
}

void matchUnfixedPositions(UnfixedTables& tables, const PositionSets& sets,
                           const MatchEtalon* candidates, size_t count, const int16_t* x,
                           LocalMatcher& matcher) {
  if (count == 0 || sets.visited == nullptr) return;
  for (int i = 0; i < sets.visited->wIntervals; ++i) {
    const int32_t from = sets.visited->lpFirst[i];
    const int32_t to = sets.visited->lpLast[i];
    matcher.match(candidates, count, x, from, to, tables.localCost.data() + from,
                  tables.etalon.data() + from, tables.firstSample.data() + from,
                  tables.lastSample.data() + from);
  }
}

namespace {

// One pass of the chain costs over `set` ascending: r[p] = the earliest lowest r[m] over
// m = max(p - tmax, 0) .. p - tmin below `start` (or `start`) plus q[p], and b[p] = that
// m or -2. Every m read lies before p (tmin >= 1), so its cost is final for this pass by
// the time it enters the queue.
void chainPass(const IntervalSet* set, MatchCost* r, const MatchCost* q, int32_t* b,
               int32_t tmin, int32_t tmax, MatchCost start, SlidingMinimum& queue,
               size_t positions) {
  queue.reset(positions);
  int32_t next = 0;  // the next position to enter the queue
  forEachPosition(set, [&](int32_t p) {
    const int32_t from = std::max(p - tmax, 0);
    const int32_t to = p - tmin;
    next = std::max(next, from);
    for (; next <= to; ++next) queue.push(next, r[next]);
    queue.dropBefore(from);
    const Predecessor best = queue.best(start);
    r[p] = best.value + q[p];
    b[p] = best.position >= 0 ? best.position : -2;
  });
}

}  // namespace

void chainUnfixedCosts(UnfixedTables& tables, const PositionSets& sets, int32_t tmin,
                       int32_t tmax, SlidingMinimum& queue) {
  MatchCost* r = tables.chainCost.data();
  const MatchCost* q = tables.localCost.data();
  int32_t* b = tables.predecessor.data();
  forEachPosition(sets.firstOnly, [&](int32_t p) {
    r[p] = q[p];
    b[p] = -1;
  });
  if (tmin < 1) {
    // The range of p holds p itself, whose cost changes during the pass.
    auto extend = [&](int32_t p, MatchCost start) {
      const Predecessor best = scanPredecessor(r, 0, std::max(p - tmax, 0), p - tmin, start);
      r[p] = best.value + q[p];
      b[p] = best.position >= 0 ? best.position : -2;
    };
    forEachPosition(sets.both, [&](int32_t p) { extend(p, 0); });
    forEachPosition(sets.laterOnly, [&](int32_t p) { extend(p, kEightNines); });
    return;
  }
  // A position that may also start a chain continues one only when its cost is negative.
  const size_t positions = tables.chainCost.size();
  chainPass(sets.both, r, q, b, tmin, tmax, 0, queue, positions);
  chainPass(sets.laterOnly, r, q, b, tmin, tmax, kEightNines, queue, positions);
}

int32_t chooseUnfixedEnd(const UnfixedTables& tables, const PositionSets& sets, MatchCost start,
                         MatchCost& score) {
  score = start;
  int32_t end = -1;
  forEachPosition(sets.omega_plus, [&](int32_t p) {
    if (tables.chainCost[p] < score) {
      score = tables.chainCost[p];
      end = p;
    }
  });
  return end;
}

bool traceUnfixedChain(const UnfixedTables& tables, int32_t end, int maxPulses, FoundChain& chain) {
  chain.clear();
  const int32_t L = static_cast<int32_t>(tables.predecessor.size());
  // Collected from the last pulse back, then turned into series order.
  for (int32_t p = end; p >= 0;) {
    const int32_t previous = p < L ? tables.predecessor[p] : p;
    // Predecessors lie strictly before; anything else is a cell no pass has set.
    if (p >= L || previous >= p || chain.count() >= maxPulses) {
      chain.clear();
      return false;
    }
    chain.positions.push_back(static_cast<int16_t>(p));
    chain.etalons.push_back(static_cast<int16_t>(tables.etalon[p] + 1));
    chain.firstSamples.push_back(tables.firstSample[p]);
    chain.lastSamples.push_back(tables.lastSample[p]);
    p = previous;
  }
  std::reverse(chain.positions.begin(), chain.positions.end());
  std::reverse(chain.etalons.begin(), chain.etalons.end());
  std::reverse(chain.firstSamples.begin(), chain.firstSamples.end());
  std::reverse(chain.lastSamples.begin(), chain.lastSamples.end());
  return true;
}

void writeFoundChain(SeriesHeader& series, const FoundChain& chain) {
  const int count = std::min<int>(chain.count(), series.wReservedImpulses);
  series.wFoundPulses = static_cast<uint16_t>(count);
  for (int i = 0; i < count; ++i) {
    series.lpFoundPositions[i] = chain.positions[i];
    series.lpFoundEtalons[i] = chain.etalons[i];
    series.lpFoundFirstSamples[i] = chain.firstSamples[i];
    series.lpFoundLastSamples[i] = chain.lastSamples[i];
  }
}

void reserveUnfixedWork(UnfixedSearchWork& work, size_t count, int32_t seriesSize, uint16_t n,
                        uint16_t maxPulses) {
  if (work.candidates.size() < count) work.candidates.resize(count);
  for (MatchEtalon& e : work.candidates) {
    e.energy.reserve(size_t{n} + 1);
    e.runStarts.reserve(n);
    e.runEnds.reserve(n);
  }
  work.matcher.reserve(n);
  resetUnfixedTables(work.tables, seriesSize, n);
  const size_t positions = static_cast<size_t>(std::max(seriesSize, 0));
  work.queue.reset(positions);
  for (FoundChain* c : {&work.chain, &work.answer}) {
    c->etalons.reserve(maxPulses);
    c->positions.reserve(maxPulses);
    c->firstSamples.reserve(maxPulses);
    c->lastSamples.reserve(maxPulses);
  }
}

PositionSetsCache::~PositionSetsCache() {
  for (IntervalSet* set : {sets_.omega_minus, sets_.omega_tilda, sets_.omega_plus, sets_.visited,
                           sets_.firstOnly, sets_.both, sets_.laterOnly})
    delete set;
}

const PositionSets* PositionSetsCache::get(int32_t seriesSize, int32_t impulseSize,
                                           int32_t minPulses, int32_t maxPulses, int32_t tmin,
                                           int32_t tmax) {
  const int32_t key[6] = {seriesSize, impulseSize, minPulses, maxPulses, tmin, tmax};
  if (valid_ && std::equal(key, key + 6, key_)) return &sets_;
  valid_ = false;
  if (!buildPositionSets(seriesSize, impulseSize, minPulses, maxPulses, tmin, tmax, sets_))
    return nullptr;
  std::copy(key, key + 6, key_);
  valid_ = true;
  return &sets_;
}

template <typename Kernels>
SearchOutcome searchUnfixedCountWith(Kernels& kernels, const SearchInputs& in,
                                     ChainsHeader* chains, SeriesHeader* series) {
  if (series == nullptr) return {0};
  const PulseHeader* const alphabet = in.alphabet;
  const uint16_t etalonCount = in.requiredCount;
  const uint16_t* const etalons = in.requiredList;
  const uint16_t tmin = in.tmin, tmax = in.tmax, savedLevel = in.procSavedLevel;
  SearchWorkspace* const workspace = in.workspace;
  const int32_t L = series->lpNoisyData ? static_cast<int32_t>(series->dwSeriesSize) : 0;
  const uint16_t n = series->wImpulseSize;
  const uint16_t pmax = series->wMaxPulses;
  SearchWorkspace own;
  SearchWorkspace& ws = workspace ? *workspace : own;
  UnfixedSearchWork& work = ws.unfixed;

  try {
    if (work.candidates.size() < etalonCount) work.candidates.resize(etalonCount);
  } catch (const std::bad_alloc&) {
    return {0, kNoMemoryPartialEnergy};
  }
  // An etalon number outside the alphabet cannot be matched; it is no candidate.
  size_t used = 0;
  try {
    reserveUnfixedWork(work, etalonCount, L, n, series->wReservedImpulses);
    for (uint16_t i = 0; i < etalonCount && etalons != nullptr; ++i) {
      if (isAlphabetEtalon(etalons[i]) &&
          prepareMatchEtalon(alphabet, etalons[i], n, savedLevel, work.candidates[used]))
        ++used;
    }
  } catch (const std::bad_alloc&) {
    return {0, kNoMemoryIndexes};
  }

  if (chains != nullptr) emptyChainsHeader(*chains, 0, 0, pmax);

  const PositionSets* sets = ws.positionSets.get(L, n, series->wMinPulses, pmax, tmin, tmax);
  if (sets == nullptr) return {0, kNoMemoryIndexes};
  FoundChain& chain = work.chain;
  chain.clear();
  chain.score = kSevenNines;
  if (used > 0) {
    kernels.match(work, *sets, work.candidates.data(), used, series->lpNoisyData);
    kernels.chain(work, *sets, tmin, tmax);
    MatchCost score = 0;
    const int32_t end = chooseUnfixedEnd(work.tables, *sets, kEightNines, score);
    if (end >= 0 && score < kSevenNines &&
        traceUnfixedChain(work.tables, end, series->wReservedImpulses, chain)) {
      chain.score = score;
    } else {
      chain.clear();
    }
  }

  writeFoundChain(*series, chain);
  if (chains != nullptr) {
    insertPretender(*chains, storedScore(chain.score), chain.count(), chain.etalons.data(),
                    chain.positions.data(), chain.firstSamples.data(), chain.lastSamples.data());
    chains->wSeekingPulsesQuantity =
        chains->wPretenders > 0 ? static_cast<uint16_t>(chains->pulsesCount[0]) : 0;
  }
  return {1};
}

template SearchOutcome searchUnfixedCountWith<FastUnfixedKernels>(FastUnfixedKernels&,
                                                                   const SearchInputs&,
                                                                   ChainsHeader*, SeriesHeader*);
template SearchOutcome searchUnfixedCountWith<PlainUnfixedKernels>(PlainUnfixedKernels&,
                                                                    const SearchInputs&,
                                                                    ChainsHeader*, SeriesHeader*);

}  // namespace velmora
