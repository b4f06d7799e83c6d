#include "processing/fixed_search.h"

#include <algorithm>
#include <new>

#include "processing/search_kernels.h"
#include "processing/search_workspace.h"
#include "processing/simd_kernels.h"

namespace velmora {

bool searchableSeries(const SeriesHeader& s) {
  return s.lpNoisyData && s.lpMinPositions && s.lpMaxPositions && s.lpFoundPositions &&
         s.lpFoundEtalons && s.lpFoundFirstSamples && s.lpFoundLastSamples && s.lpTupleFirst &&
         s.lpTupleLast && s.dwSeriesSize <= s.dwReservedSize && s.wImpulseSize > 0 &&
         s.wImpulseQuantity > 0 && s.wImpulseQuantity <= s.wReservedImpulses;
}

void seriesWindows(const SeriesHeader& series, std::vector<PulseWindow>& windows) {
  const int32_t pulses = series.wImpulseQuantity;
  const int32_t lastStart = static_cast<int32_t>(series.dwSeriesSize) - series.wImpulseSize;
  windows.resize(static_cast<size_t>(pulses));
  for (int32_t j = 0; j < pulses; ++j) {
    windows[j].lo = std::max<int32_t>(series.lpMinPositions[j], 0);
    windows[j].hi = std::min<int32_t>(series.lpMaxPositions[j], lastStart);
  }
}

std::vector<PulseWindow> seriesWindows(const SeriesHeader& series) {
  std::vector<PulseWindow> windows;
  seriesWindows(series, windows);
  return windows;
}

void LocalMatchTable::reserve(size_t size) {
  if (cost.size() < size) {
    cost.resize(size);
    etalon.resize(size);
    first.resize(size);
    last.resize(size);
  }
}

void LocalMatchTable::fill(LocalMatcher& matcher, const MatchEtalon* candidates, size_t count,
                           const int16_t* x, int32_t lo, int32_t hi) {
  from = lo;
  to = hi;
  if (hi < lo) return;
  reserve(static_cast<size_t>(hi - lo) + 1);
  matcher.match(candidates, count, x, lo, hi, cost.data(), etalon.data(), first.data(),
                last.data());
}

namespace {

// Segments of ceil(sqrt(M)) rows keep the fewest rows at once.
size_t segmentRows(size_t pulses) {
  size_t segment = 1;
  while (segment * segment < pulses) ++segment;
  return segment;
}

}  // namespace

size_t chainStorageCells(const std::vector<PulseWindow>& windows, size_t fullTableCells) {
  size_t cells = 0;
  for (const PulseWindow& w : windows) cells += w.width();
  if (cells <= fullTableCells) return cells;
  const size_t segment = segmentRows(windows.size());
  size_t checkpoints = 0, segmentCells = 0;
  for (size_t first = 0; first < windows.size(); first += segment) {
    const size_t end = std::min(first + segment, windows.size());
    checkpoints += windows[first].width();
    size_t rest = 0;
    for (size_t j = first + 1; j < end; ++j) rest += windows[j].width();
    segmentCells = std::max(segmentCells, rest);
  }
  return checkpoints + segmentCells;
}

void ChainPass::allocate(const std::vector<PulseWindow>& windows) {
  rowsReady_ = false;
  offsets_.assign(windows.size() + 1, 0);
  rowsReady_ = true;
  windows_ = windows;
  size_t widest = 0;
  for (size_t j = 0; j < windows.size(); ++j) {
    offsets_[j + 1] = offsets_[j] + windows[j].width();
    widest = std::max(widest, windows[j].width());
  }
  const size_t pulses = windows.size();
  checkpointed_ = offsets_.back() > fullTableCells_;
  if (!checkpointed_) {
    if (values_.size() < offsets_.back()) values_.resize(offsets_.back());
  } else {
    const size_t segment = segmentRows(pulses);
    segment_ = static_cast<int32_t>(segment);
    const size_t segments = (pulses + segment - 1) / segment;
    checkpointOffsets_.assign(segments + 1, 0);
    size_t segmentCells = 0;
    for (size_t k = 0; k < segments; ++k) {
      const size_t first = k * segment;
      const size_t end = std::min(first + segment, pulses);
      checkpointOffsets_[k + 1] = checkpointOffsets_[k] + (offsets_[first + 1] - offsets_[first]);
      segmentCells = std::max(segmentCells, offsets_[end] - offsets_[first + 1]);
    }
    if (checkpoints_.size() < checkpointOffsets_.back())
      checkpoints_.resize(checkpointOffsets_.back());
    if (values_.size() < segmentCells) values_.resize(segmentCells);
  }
  minimum_.reserve(widest);
}

MatchCost* ChainPass::rowValues(int32_t j) {
  if (!checkpointed_) return values_.data() + offsets_[j];
  const int32_t k = j / segment_;
  const int32_t first = k * segment_;
  if (j == first) return checkpoints_.data() + checkpointOffsets_[k];
  return values_.data() + (offsets_[j] - offsets_[first + 1]);
}

bool ChainPass::cover(int32_t& from, int32_t& to) const {
  from = 0;
  to = -1;
  bool any = false;
  for (const PulseWindow& w : windows_) {
    if (w.hi < w.lo) continue;
    from = any ? std::min(from, w.lo) : w.lo;
    to = any ? std::max(to, w.hi) : w.hi;
    any = true;
  }
  return any;
}

void ChainPass::sizeChain(PassChain& chain) const {
  const size_t pulses = windows_.size();
  chain.positions.assign(pulses, 0);
  chain.etalons.assign(pulses, 0);
  chain.firstSamples.assign(pulses, 0);
  chain.lastSamples.assign(pulses, 0);
}

namespace {

// The rows of the fast pass: local matches read from the tables, predecessor values from
// window minima (O(1) per cell).
struct FastPassRows {
  const LocalMatchTable* const* tables;
  WindowMinimum& minimum;

  void row(int32_t j, const PulseWindow& w, const PulseWindow* previous,
           const MatchCost* previousRow, int32_t tmin, int32_t tmax, MatchCost start,
           MatchCost* row) {
    const LocalMatchTable& table = *tables[j];
    const MatchCost* local = table.cost.data() + (w.lo - table.from);
    const int32_t width = w.hi - w.lo + 1;
    if (previous == nullptr) {
      std::copy_n(local, width, row);
      return;
    }
    // The predecessor value of p: the lowest value of pulse j - 1 over its part of
    // p - tmax .. p - tmin, or the start value when that is lower or the range is empty.
    const PulseWindow& prev = *previous;
    if (prev.hi < prev.lo || tmax < tmin) {
      for (int32_t i = 0; i < width; ++i) row[i] = start + local[i];
      return;
    }
    minimum.prepare(previousRow, prev.lo, prev.hi, tmin, tmax);
    auto clipped = [&](int32_t from, int32_t to) {
      for (int32_t p = from; p <= to; ++p) {
        const int32_t a = std::max(p - tmax, prev.lo);
        const int32_t b = std::min(p - tmin, prev.hi);
        const MatchCost value = a <= b ? std::min(start, minimum.query(a, b)) : start;
        row[p - w.lo] = value + local[p - w.lo];
      }
    };
    // Where the whole range p - tmax .. p - tmin lies inside the previous window no
    // clipping is needed and every query is the same two reads.
    const int32_t innerFrom = std::max(w.lo, prev.lo + tmax);
    const int32_t innerTo = std::min(w.hi, prev.hi + tmin);
    if (innerFrom > innerTo) {
      clipped(w.lo, w.hi);
      return;
    }
    clipped(w.lo, innerFrom - 1);
    const MatchCost* suffix = minimum.suffixes() + (innerFrom - tmax - prev.lo);
    const MatchCost* prefix = minimum.prefixes() + (innerFrom - tmin - prev.lo);
    const MatchCost* inner = local + (innerFrom - w.lo);
    MatchCost* out = row + (innerFrom - w.lo);
    const int32_t count = innerTo - innerFrom + 1;
    simdKernels().windowRow(suffix, prefix, inner, start, count, out);
    clipped(innerTo + 1, w.hi);
  }

  // scanPredecessor(values, origin, from, to, start).
  Predecessor lowest(const MatchCost* values, int32_t origin, int32_t from, int32_t to,
                     MatchCost start) const {
    if (to < from) return Predecessor{start, -1};
    const MatchCost* range = values + (from - origin);
    const int32_t i = simdKernels().firstLowest(range, to - from + 1, start);
    return i < 0 ? Predecessor{start, -1} : Predecessor{range[i], from + i};
  }

  LocalMatch at(int32_t j, int32_t p) const {
    const LocalMatchTable& table = *tables[j];
    const size_t i = static_cast<size_t>(p - table.from);
    LocalMatch m;
    m.cost = table.cost[i];
    m.etalon = table.etalon[i];
    m.first = table.first[i];
    m.last = table.last[i];
    return m;
  }
};

}  // namespace

// Rows first .. end - 1, each from the row before it. Checkpointed, a segment's first row
// goes to its checkpoint and the others over the segment rows, so that computing every
// row in order keeps the checkpoints and leaves the last segment's rows in place.
template <typename Rows>
void ChainPass::computeRows(Rows& rows, int32_t first, int32_t end, int32_t tmin, int32_t tmax,
                            MatchCost start) {
  for (int32_t j = first; j < end; ++j) {
    const PulseWindow& w = windows_[j];
    if (w.hi < w.lo) continue;
    if (j == 0)
      rows.row(j, w, nullptr, nullptr, tmin, tmax, start, rowValues(j));
    else
      rows.row(j, w, &windows_[j - 1], rowValues(j - 1), tmin, tmax, start, rowValues(j));
  }
}

template <typename Rows>
void ChainPass::runWith(Rows& rows, int32_t tmin, int32_t tmax, const PassStarts& starts,
                        PassChain& chain) {
  chain.found = false;
  chain.score = starts.end;
  const int32_t pulses = static_cast<int32_t>(windows_.size());
  if (pulses == 0) return;

  computeRows(rows, 0, pulses, tmin, tmax, starts.predecessor);

  const PulseWindow& last = windows_[pulses - 1];
  const Predecessor end =
      rows.lowest(rowValues(pulses - 1), last.lo, last.lo, last.hi, starts.end);
  if (end.position < 0) return;
  chain.positions[pulses - 1] = static_cast<int16_t>(end.position);
  // The segment whose rows are in place (checkpointed only).
  int32_t loaded = (pulses - 1) / segment_;
  for (int32_t j = pulses - 2; j >= 0; --j) {
    if (checkpointed_ && j / segment_ != loaded) {
      loaded = j / segment_;
      computeRows(rows, loaded * segment_ + 1, j + 1, tmin, tmax, starts.predecessor);
    }
    const PulseWindow& w = windows_[j];
    const int32_t next = chain.positions[j + 1];
    const Predecessor m = rows.lowest(rowValues(j), w.lo, std::max(next - tmax, w.lo),
                                          std::min(next - tmin, w.hi), starts.traceBack);
    if (m.position < 0) return;
    chain.positions[j] = static_cast<int16_t>(m.position);
  }
  for (int32_t j = 0; j < pulses; ++j) {
    const LocalMatch m = rows.at(j, chain.positions[j]);
    chain.etalons[j] = static_cast<int16_t>(m.etalon + 1);
    chain.firstSamples[j] = m.first;
    chain.lastSamples[j] = m.last;
  }
  chain.found = true;
  chain.score = end.value;
}

// The plain kernels (with the plain searches) run the same pass.
template void ChainPass::runWith<PlainPassKernels>(PlainPassKernels&, int32_t, int32_t,
                                                   const PassStarts&, PassChain&);

void ChainPass::run(const LocalMatchTable* const* tables, int32_t tmin, int32_t tmax,
                    const PassStarts& starts, PassChain& chain) {
  FastPassRows rows{tables, minimum_};
  runWith(rows, tmin, tmax, starts, chain);
}

void FastPassKernels::fill(FixedSearchWork& work, size_t table, const MatchEtalon* candidates,
                           size_t count, const int16_t* x) {
  int32_t from = 0, to = -1;
  work.pass.cover(from, to);
  work.tables[table].fill(work.matcher, candidates, count, x, from, to);
}

void FastPassKernels::run(FixedSearchWork& work, int32_t tmin, int32_t tmax,
                          const PassStarts& starts, PassChain& chain) {
  work.pass.run(work.pulseTables.data(), tmin, tmax, starts, chain);
}

void writeSeriesAnswer(SeriesHeader& series, const PassChain& chain) {
  const size_t pulses = chain.positions.size();
  series.wFoundPulses = static_cast<uint16_t>(pulses);
  std::copy_n(chain.positions.data(), pulses, series.lpFoundPositions);
  std::copy_n(chain.etalons.data(), pulses, series.lpFoundEtalons);
  std::copy_n(chain.firstSamples.data(), pulses, series.lpFoundFirstSamples);
  std::copy_n(chain.lastSamples.data(), pulses, series.lpFoundLastSamples);
}

void insertChain(ChainsHeader& chains, const PassChain& chain) {
  insertPretender(chains, storedScore(chain.score), static_cast<int>(chain.positions.size()),
                  chain.etalons.data(), chain.positions.data(), chain.firstSamples.data(),
                  chain.lastSamples.data());
}

const char* allocateFixedWork(size_t etalonCount, size_t tables, uint16_t n,
                              const char* rowsText, const char* blockText,
                              FixedSearchWork& work) {
  ChainPass& pass = work.pass;
  try {
    pass.allocate(work.windows);
    pass.sizeChain(work.chain);
    pass.sizeChain(work.best);
    if (work.etalons.size() < etalonCount) work.etalons.resize(etalonCount);
    for (MatchEtalon& e : work.etalons) {
      e.energy.reserve(size_t{n} + 1);
      e.runStarts.reserve(n);
      e.runEnds.reserve(n);
    }
    work.matcher.reserve(n);
    int32_t from = 0, to = -1;
    pass.cover(from, to);
    if (work.tables.size() < tables) work.tables.resize(tables);
    for (size_t t = 0; t < tables; ++t) work.tables[t].reserve(static_cast<size_t>(to - from + 1));
    work.pulseTables.assign(work.windows.size(), tables > 0 ? &work.tables[0] : nullptr);
  } catch (const std::bad_alloc&) {
    return pass.rowsReady() ? blockText : rowsText;
  }
  return nullptr;
}

namespace {

const char* allocateWork(const SeriesHeader& series, size_t etalonCount, const char* blockText,
                         FixedSearchWork& work) {
  try {
    if (searchableSeries(series))
      seriesWindows(series, work.windows);
    else
      work.windows.clear();
  } catch (const std::bad_alloc&) {
    return kNoMemoryPpDw;
  }
  return allocateFixedWork(etalonCount, 1, series.wImpulseSize, kNoMemoryPpDw, blockText, work);
}

}  // namespace

template <typename Kernels>
SearchOutcome identificationSearchWith(Kernels& kernels, const SearchInputs& in,
                                       ChainsHeader* chains, SeriesHeader* series) {
  if (!series) return {0};
  const PulseHeader* const alphabet = in.alphabet;
  const uint16_t etalonCount = in.requiredCount;
  const uint16_t* const etalons = in.requiredList;
  const uint16_t tmin = in.tmin, tmax = in.tmax, savedLevel = in.procSavedLevel;
  SearchWorkspace* const workspace = in.workspace;
  SearchWorkspace own;
  FixedSearchWork& work = (workspace ? *workspace : own).fixed;
  if (const char* failure = allocateWork(*series, etalonCount, kNoMemoryPpDwRows, work))
    return {0, failure};

  const uint16_t pulses = series->wImpulseQuantity;
  bool usable = searchableSeries(*series) && etalonCount > 0 && etalons;
  for (uint16_t k = 0; usable && k < etalonCount; ++k)
    usable = prepareMatchEtalon(alphabet, etalons[k], series->wImpulseSize, savedLevel,
                                work.etalons[k]);
  if (usable) kernels.fill(work, 0, work.etalons.data(), etalonCount, series->lpNoisyData);

  if (chains) emptyChainsHeader(*chains, pulses, pulses, pulses);
  PassChain& chain = work.chain;
  chain.found = false;
  if (usable) kernels.run(work, tmin, tmax, PassStarts{kSixNines, kSevenNines, kNineNines}, chain);
  if (!chain.found) {
    series->wFoundPulses = 0;
    return {1};
  }
  writeSeriesAnswer(*series, chain);
  if (chains) insertChain(*chains, chain);
  return {1};
}

// Recognition with the list's etalons as lanes of one pass (EtalonLanes): the same chains,
// ranked in list order, as the passes one by one. False, having written nothing, when the
// passes must run one by one: fewer than two usable etalons, a table too large to keep
// whole, or no memory for the lanes.
template <typename Kernels>
bool recogniseInLanes(Kernels& /*kernels*/, FixedSearchWork& work, const PulseHeader* alphabet,
                      uint16_t etalonCount, const uint16_t* etalons, uint16_t tmin,
                      uint16_t tmax, uint16_t savedLevel, ChainsHeader* chains,
                      SeriesHeader& series, int& recognised) {
  std::vector<size_t>& used = work.laneEtalons;
  int32_t from = 0, to = -1;
  work.pass.cover(from, to);
  try {
    if (work.etalons.size() < etalonCount) work.etalons.resize(etalonCount);
    used.clear();
    for (uint16_t k = 0; k < etalonCount; ++k)
      if (prepareMatchEtalon(alphabet, etalons[k], series.wImpulseSize, savedLevel,
                             work.etalons[k]))
        used.push_back(k);
    if (used.size() < 2 ||
        !work.lanes.allocate(work.windows, used.size(), from, to, work.pass.fullTableCells()))
      return false;
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (size_t lane = 0; lane < used.size(); ++lane)
    work.lanes.table(lane).fill(work.matcher, &work.etalons[used[lane]], 1, series.lpNoisyData,
                                from, to);
  work.lanes.run(tmin, tmax, PassStarts{kNineNines, kNineNines, kNineNines});

  MatchCost bestScore = kNineNines;
  size_t best = 0;
  recognised = -1;
  for (size_t lane = 0; lane < used.size(); ++lane) {
    const PassChain& chain = work.lanes.chain(lane);
    if (!chain.found) continue;
    if (chains) insertChain(*chains, chain);
    if (chain.score < bestScore) {
      bestScore = chain.score;
      recognised = etalons[used[lane]];
      best = lane;
    }
  }
  if (recognised < 0)
    series.wFoundPulses = 0;
  else
    writeSeriesAnswer(series, work.lanes.chain(best));
  return true;
}

template <typename Kernels>
SearchOutcome recognitionSearchWith(Kernels& kernels, const SearchInputs& in,
                                    ChainsHeader* chains, SeriesHeader* series) {
  if (!series) return {-1};
  const PulseHeader* const alphabet = in.alphabet;
  const uint16_t etalonCount = in.requiredCount;
  const uint16_t* const etalons = in.requiredList;
  const uint16_t tmin = in.tmin, tmax = in.tmax, savedLevel = in.procSavedLevel;
  SearchWorkspace* const workspace = in.workspace;
  SearchWorkspace own;
  FixedSearchWork& work = (workspace ? *workspace : own).fixed;
  if (const char* failure = allocateWork(*series, 1, kNoMemoryRecognitionIndexes, work))
    return {-1, failure};

  const uint16_t pulses = series->wImpulseQuantity;
  const bool usable = searchableSeries(*series) && etalons;
  if (chains) emptyChainsHeader(*chains, pulses, pulses, pulses);

  if constexpr (Kernels::kEtalonLanes) {
    int recognised = -1;
    if (usable && recogniseInLanes(kernels, work, alphabet, etalonCount, etalons, tmin, tmax,
                                   savedLevel, chains, *series, recognised))
      return {recognised};
  }

  MatchCost bestScore = kNineNines;
  int recognised = -1;
  for (uint16_t k = 0; usable && k < etalonCount; ++k) {
    MatchEtalon& candidate = work.etalons[0];
    if (!prepareMatchEtalon(alphabet, etalons[k], series->wImpulseSize, savedLevel, candidate))
      continue;
    kernels.fill(work, 0, &candidate, 1, series->lpNoisyData);
    kernels.run(work, tmin, tmax, PassStarts{kNineNines, kNineNines, kNineNines}, work.chain);
    if (!work.chain.found) continue;
    if (chains) insertChain(*chains, work.chain);
    if (work.chain.score < bestScore) {
      bestScore = work.chain.score;
      recognised = etalons[k];
      std::swap(work.best, work.chain);
    }
  }
  if (recognised < 0) {
    series->wFoundPulses = 0;
    return {-1};
  }
  writeSeriesAnswer(*series, work.best);
  return {recognised};
}

#define VELMORA_FIXED_SEARCHES(Kernels)                                                      \
  template SearchOutcome identificationSearchWith<Kernels>(Kernels&, const SearchInputs&,    \
                                                           ChainsHeader*, SeriesHeader*);     \
  template SearchOutcome recognitionSearchWith<Kernels>(Kernels&, const SearchInputs&,       \
                                                        ChainsHeader*, SeriesHeader*);
VELMORA_FIXED_SEARCHES(FastPassKernels)
VELMORA_FIXED_SEARCHES(PlainPassKernels)
#undef VELMORA_FIXED_SEARCHES

}  // namespace velmora
