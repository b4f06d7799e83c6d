// The plain kernels: every local match recomputed for every pulse and position and every
// predecessor range scanned in full. The search bodies run on them (runSearch<PlainKernels>)
// are slow (cubic in the pulse length per position and etalon, linear in Tmax - Tmin per
// cell) and serve as the reference that the fast kernels must reproduce bit for bit, ties,
// rankings and failure answers included. The tests and the benchmarks compare against
// them; the application never runs them.
#include <algorithm>
#include <vector>

#include "processing/match.h"
#include "processing/search_kernels.h"

namespace velmora {

// ---- Fixed-count chain passes ----------------------------------------------------------

void PlainPassKernels::fill(FixedSearchWork& /*work*/, size_t table,
                            const MatchEtalon* candidates, size_t count, const int16_t* samples) {
  // A copy: the prepared etalons a table was filled from may be prepared anew for the next
  // tuple while the table stays in use.
  if (tables.size() <= table) tables.resize(table + 1);
  tables[table].assign(candidates, candidates + count);
  x = samples;
}

void PlainPassKernels::run(FixedSearchWork& work, int32_t tmin, int32_t tmax,
                           const PassStarts& starts, PassChain& chain) {
  pulseTable.resize(work.pulseTables.size());
  for (size_t j = 0; j < pulseTable.size(); ++j)
    pulseTable[j] = static_cast<size_t>(work.pulseTables[j] - work.tables.data());
  work.pass.runWith(*this, tmin, tmax, starts, chain);
}

// Pulse j: the local match of every window position computed afresh, the predecessor
// range of every position scanned in full.
void PlainPassKernels::row(int32_t j, const PulseWindow& w, const PulseWindow* previous,
                           const MatchCost* previousRow, int32_t tmin, int32_t tmax,
                           MatchCost start, MatchCost* out) {
  const size_t width = static_cast<size_t>(w.hi - w.lo) + 1;
  local.resize(width);
  predecessors.resize(width);
  const std::vector<MatchEtalon>& candidates = tables[pulseTable[j]];
  fillLocalMatches(candidates.data(), candidates.size(), x, w.lo, w.hi, local.data());
  if (previous != nullptr)
    scanPredecessorRow(previousRow, previous->lo, previous->hi, tmin, tmax, w.lo, w.hi, start,
                       predecessors.data());
  for (size_t i = 0; i < width; ++i)
    out[i] = (previous != nullptr ? predecessors[i].value : 0) + local[i].cost;
}

LocalMatch PlainPassKernels::at(int32_t j, int32_t p) const {
  const std::vector<MatchEtalon>& candidates = tables[pulseTable[j]];
  return bestLocalMatch(candidates.data(), candidates.size(), x, p);
}

// ---- Unfixed-count searches --------------------------------------------------------------

void PlainUnfixedKernels::match(UnfixedSearchWork& work, const PositionSets& sets,
                                const MatchEtalon* candidates, size_t count, const int16_t* x) {
  if (count == 0 || sets.visited == nullptr) return;
  UnfixedTables& tables = work.tables;
  forEachPosition(sets.visited, [&](int32_t p) {
    const LocalMatch m = bestLocalMatch(candidates, count, x, p);
    tables.localCost[p] = m.cost;
    tables.etalon[p] = m.etalon;
    tables.firstSample[p] = m.first;
    tables.lastSample[p] = m.last;
  });
}

void PlainUnfixedKernels::chain(UnfixedSearchWork& work, const PositionSets& sets, int32_t tmin,
                                int32_t tmax) {
  MatchCost* r = work.tables.chainCost.data();
  const MatchCost* q = work.tables.localCost.data();
  int32_t* b = work.tables.predecessor.data();
  forEachPosition(sets.firstOnly, [&](int32_t p) {
    r[p] = q[p];
    b[p] = -1;
  });
  auto extend = [&](int32_t p, MatchCost start) {
    const Predecessor best = scanPredecessor(r, 0, std::max(p - tmax, 0), p - tmin, start);
    r[p] = best.value + q[p];
    b[p] = best.position >= 0 ? best.position : -2;
  };
  forEachPosition(sets.both, [&](int32_t p) { extend(p, 0); });
  forEachPosition(sets.laterOnly, [&](int32_t p) { extend(p, kEightNines); });
}

// ---- Unfixed-count tuple searches ------------------------------------------------------

void PlainLayeredKernels::match(const LayeredSearch& s, const IntervalSet* set,
                                const std::vector<MatchEtalon>& elements, int layerCount) {
  std::vector<Layer>& layers = s.work->layers;
  forEachPosition(set, [&](int32_t p) {
    for (int l = 0; l < layerCount; ++l) {
      const LocalMatch m = bestLocalMatch(&elements[l], 1, s.x, p);
      Layer& layer = layers[l];
      layer.local[p] = m.cost;
      layer.etalon[p] = m.etalon;
      layer.first[p] = m.first;
      layer.last[p] = m.last;
    }
  });
}

void PlainLayeredKernels::walk(const LayeredSearch& s, const IntervalSet* set, int layerCount,
                               MatchCost start, const LayeredStep& step) {
  const std::vector<Layer>& layers = s.work->layers;
  forEachPosition(set, [&](int32_t p) {
    for (int l = 0; l < layerCount; ++l) {
      const Layer& previous = layers[l == 0 ? layerCount - 1 : l - 1];
      step(p, l,
           scanPredecessor(previous.value.data(), 0, std::max(p - s.tmax, 0), p - s.tmin, start));
    }
  });
}

}  // namespace velmora
