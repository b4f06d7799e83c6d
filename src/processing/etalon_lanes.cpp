// Recognition's chain passes with the etalons as lanes: one pass over the pulse windows
// computes every etalon's chain at once, in the widest vectors the search kernels have.
#include <algorithm>
#include <climits>
#include <new>

#include "processing/fixed_search.h"
#include "processing/simd_kernels.h"

namespace velmora {

bool EtalonLanes::allocate(const std::vector<PulseWindow>& windows, size_t count,
                           int32_t from, int32_t to, size_t cellLimit) {
  const size_t lanes = (count + kLaneGroup - 1) / kLaneGroup * kLaneGroup;
  size_t cells = 0, widest = 0;
  for (const PulseWindow& w : windows) {
    cells += w.width();
    widest = std::max(widest, w.width());
  }
  // Room for the values in both widths: the limit applies to both together.
  if (cells * lanes + cells * lanes / 2 > cellLimit) return false;
  windows_ = windows;
  offsets_.assign(windows.size() + 1, 0);
  for (size_t j = 0; j < windows.size(); ++j) offsets_[j + 1] = offsets_[j] + windows[j].width();
  count_ = count;
  lanes_ = lanes;
  from_ = from;
  coverWidth_ = to >= from ? static_cast<size_t>(to - from) + 1 : 0;
  if (values_.size() < cells * lanes) values_.resize(cells * lanes);
  if (narrowValues_.size() < cells * lanes) narrowValues_.resize(cells * lanes);
  if (local_.size() < coverWidth_ * lanes) {
    local_.resize(coverWidth_ * lanes);
    narrowLocal_.resize(coverWidth_ * lanes);
  }
  if (tables_.size() < count) tables_.resize(count);
  for (size_t k = 0; k < count; ++k) tables_[k].reserve(coverWidth_);
  if (prefix_.size() < widest * lanes) {
    prefix_.resize(widest * lanes);
    suffix_.resize(widest * lanes);
    narrowPrefix_.resize(widest * lanes);
    narrowSuffix_.resize(widest * lanes);
  }
  if (endValues_.size() < lanes) {
    endValues_.resize(lanes);
    narrowEnds_.resize(lanes);
    endCells_.resize(lanes);
  }
  if (chains_.size() < count) chains_.resize(count);
  for (size_t k = 0; k < count; ++k) {
    PassChain& chain = chains_[k];
    chain.positions.assign(windows.size(), 0);
    chain.etalons.assign(windows.size(), 0);
    chain.firstSamples.assign(windows.size(), 0);
    chain.lastSamples.assign(windows.size(), 0);
  }
  return true;
}

template <typename T>
void EtalonLanes::gatherLocal(std::vector<T>& lanes) {
  // Position by position, every lane: the tables are read and the lanes written in order;
  // the spare lanes add zeros.
  sources_.resize(count_);
  for (size_t k = 0; k < count_; ++k) sources_[k] = tables_[k].cost.data();
  const MatchCost* const* sources = sources_.data();
  for (size_t i = 0; i < coverWidth_; ++i) {
    T* cell = lanes.data() + i * lanes_;
    for (size_t k = 0; k < count_; ++k) cell[k] = static_cast<T>(sources[k][i]);
    for (size_t k = count_; k < lanes_; ++k) cell[k] = 0;
  }
}


namespace {

void laneRow(const SimdKernels& kernels, const MatchCost* previous, int32_t previousLo,
             int32_t previousHi, const MatchCost* local, int32_t lo, int32_t hi, int32_t tmin,
             int32_t tmax, MatchCost start, size_t lanes, MatchCost* prefix, MatchCost* suffix,
             MatchCost* out) {
  kernels.laneRow(previous, previousLo, previousHi, local, lo, hi, tmin, tmax, start, lanes,
                  prefix, suffix, out);
}

void laneRow(const SimdKernels& kernels, const int32_t* previous, int32_t previousLo,
             int32_t previousHi, const int32_t* local, int32_t lo, int32_t hi, int32_t tmin,
             int32_t tmax, int32_t start, size_t lanes, int32_t* prefix, int32_t* suffix,
             int32_t* out) {
  kernels.laneRow32(previous, previousLo, previousHi, local, lo, hi, tmin, tmax, start, lanes,
                    prefix, suffix, out);
}

void laneEnds(const SimdKernels& kernels, const MatchCost* row, size_t lanes, int32_t count,
              MatchCost start, MatchCost* best, int64_t* at) {
  kernels.laneLowest(row, lanes, count, start, best, at);
}

void laneEnds(const SimdKernels& kernels, const int32_t* row, size_t lanes, int32_t count,
              int32_t start, int32_t* best, int64_t* at) {
  kernels.laneLowest32(row, lanes, count, start, best, at);
}

// scanPredecessor over lane k of cells from..to of a row whose first cell is position
// origin.
template <typename T>
Predecessor laneLowest(const T* row, size_t lanes, size_t k, int32_t origin, int32_t from,
                       int32_t to, MatchCost start) {
  Predecessor best{start, -1};
  for (int32_t m = from; m <= to; ++m) {
    const MatchCost v = row[static_cast<size_t>(m - origin) * lanes + k];
    if (v < best.value) {
      best.value = v;
      best.position = m;
    }
  }
  return best;
}

bool fits32(MatchCost v) { return v >= INT32_MIN && v <= INT32_MAX; }

}  // namespace

void EtalonLanes::run(int32_t tmin, int32_t tmax, const PassStarts& starts) {
  const SimdKernels& kernels = simdKernels();
  MatchCost largest = 0;
  for (size_t k = 0; k < count_; ++k)
    largest = std::max(largest, kernels.largestMagnitude(tables_[k].cost.data(), coverWidth_));
  // Every value of row j lies within |starts.predecessor| + (j + 1) times the largest
  // |local match|, so the whole pass fits 32 bits when that bound for the last row does
  // and the starts do.
  const MatchCost pulses = static_cast<MatchCost>(windows_.size());
  const MatchCost start = std::max(starts.predecessor, -starts.predecessor);
  const bool narrow = fits32(starts.predecessor) && fits32(starts.end) &&
                      fits32(starts.traceBack) && largest <= INT32_MAX &&
                      fits32(start + pulses * largest);
  valueBits_ = narrow ? 32 : 64;
  if (narrow) {
    gatherLocal(narrowLocal_);
    runIn(narrowValues_, narrowLocal_, narrowPrefix_, narrowSuffix_, narrowEnds_, tmin, tmax,
          starts);
  } else {
    gatherLocal(local_);
    runIn(values_, local_, prefix_, suffix_, endValues_, tmin, tmax, starts);
  }
}

template <typename T>
void EtalonLanes::runIn(std::vector<T>& values, std::vector<T>& local, std::vector<T>& prefix,
                        std::vector<T>& suffix, std::vector<T>& ends, int32_t tmin, int32_t tmax,
                        const PassStarts& starts) {
  const SimdKernels& kernels = simdKernels();
  const T predecessorStart = static_cast<T>(starts.predecessor);
  for (size_t j = 0; j < windows_.size(); ++j) {
    const PulseWindow& w = windows_[j];
    if (w.hi < w.lo) continue;
    const T* cells = local.data() + static_cast<size_t>(w.lo - from_) * lanes_;
    T* out = values.data() + offsets_[j] * lanes_;
    if (j == 0) {
      laneRow(kernels, static_cast<const T*>(nullptr), 0, -1, cells, w.lo, w.hi, tmin, tmax,
              predecessorStart, lanes_, prefix.data(), suffix.data(), out);
    } else {
      const PulseWindow& previous = windows_[j - 1];
      laneRow(kernels, values.data() + offsets_[j - 1] * lanes_, previous.lo, previous.hi,
              cells, w.lo, w.hi, tmin, tmax, predecessorStart, lanes_, prefix.data(),
              suffix.data(), out);
    }
  }

  // The end choice of every lane at once; then the trace-back pulse by pulse, every lane at
  // each pulse, so that the lanes of a cell are read together.
  const int32_t pulses = static_cast<int32_t>(windows_.size());
  for (size_t k = 0; k < count_; ++k) {
    chains_[k].found = false;
    chains_[k].score = starts.end;
  }
  if (pulses == 0) return;
  const PulseWindow& last = windows_[pulses - 1];
  if (last.hi < last.lo) return;
  laneEnds(kernels, values.data() + offsets_[pulses - 1] * lanes_, lanes_,
           last.hi - last.lo + 1, static_cast<T>(starts.end), ends.data(),
           endCells_.data());
  for (size_t k = 0; k < count_; ++k) {
    chains_[k].found = endCells_[k] >= 0;
    if (chains_[k].found)
      chains_[k].positions[pulses - 1] = static_cast<int16_t>(last.lo + endCells_[k]);
  }
  // With equal predecessor and trace-back starts, the lowest value the trace-back looks for
  // is the one the next pulse's cell added to its local match: the value of that cell
  // minus its local match, the start itself when nothing in range was lower. Then the scan
  // only has to find the first cell that holds it.
  const bool known = starts.predecessor == starts.traceBack;
  for (int32_t j = pulses - 2; j >= 0; --j) {
    const PulseWindow& w = windows_[j];
    const PulseWindow& after = windows_[j + 1];
    const T* row = values.data() + offsets_[j] * lanes_;
    const T* nextRow = values.data() + offsets_[j + 1] * lanes_;
    for (size_t k = 0; k < count_; ++k) {
      PassChain& chain = chains_[k];
      if (!chain.found) continue;
      const int32_t next = chain.positions[j + 1];
      const int32_t from = std::max(next - tmax, w.lo), to = std::min(next - tmin, w.hi);
      int32_t position = -1;
      if (known) {
        const MatchCost target =
            MatchCost{nextRow[static_cast<size_t>(next - after.lo) * lanes_ + k]} -
            local[static_cast<size_t>(next - from_) * lanes_ + k];
        if (target < starts.traceBack) {
          for (int32_t m = from; m <= to; ++m) {
            if (row[static_cast<size_t>(m - w.lo) * lanes_ + k] == target) {
              position = m;
              break;
            }
          }
        }
      } else {
        position = laneLowest(row, lanes_, k, w.lo, from, to, starts.traceBack).position;
      }
      if (position < 0)
        chain.found = false;
      else
        chain.positions[j] = static_cast<int16_t>(position);
    }
  }
  for (size_t k = 0; k < count_; ++k) {
    PassChain& chain = chains_[k];
    if (!chain.found) continue;
    chain.score = ends[k];
    for (int32_t j = 0; j < pulses; ++j) {
      const size_t at = static_cast<size_t>(chain.positions[j] - from_);
      chain.etalons[j] = static_cast<int16_t>(tables_[k].etalon[at] + 1);
      chain.firstSamples[j] = tables_[k].first[at];
      chain.lastSamples[j] = tables_[k].last[at];
    }
  }
}

}  // namespace velmora
