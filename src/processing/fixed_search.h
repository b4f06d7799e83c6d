// The chain search on a series whose number of pulses M is known: for each of the M pulses
// in series order a start position inside the pulse's search window and the etalon (or an
// admitted run of it) that matches the series there, consecutive starts Tmin..Tmax apart,
// at the lowest total match cost. A dynamic programme over (pulse, position) with a
// trace-back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/alphabet.h"
#include "model/series.h"
#include "processing/chains.h"
#include "processing/fast_match.h"
#include "processing/match.h"

namespace velmora {

struct SearchWorkspace;

// Allocation failure texts, shown with no caption and an OK button.
inline constexpr const char* kNoMemoryPpDw = "Нет памяти для ppDw!";
inline constexpr const char* kNoMemoryPpDwRows = "Нет памяти для ppDw[m]!";
inline constexpr const char* kNoMemoryRecognitionIndexes = "Нет памяти для indexes!";

// The search window of one pulse: admissible start positions lo..hi, inclusive (empty
// when hi < lo).
struct PulseWindow {
  int32_t lo = 0;
  int32_t hi = -1;
  size_t width() const { return hi >= lo ? static_cast<size_t>(hi - lo) + 1 : 0; }
};

// True when the series record can be searched: samples and per-pulse arrays present, a
// nonzero pulse length, and 1..wReservedImpulses pulses. A search on any other record
// reports no chain.
bool searchableSeries(const SeriesHeader& series);

// The windows recorded in the series record for its M pulses, clipped so that every pulse
// lies inside the series (0 <= lo, hi <= L - n).
std::vector<PulseWindow> seriesWindows(const SeriesHeader& series);
void seriesWindows(const SeriesHeader& series, std::vector<PulseWindow>& windows);

// The start values of one pass: of the predecessor scan, of the end choice and of the
// trace-back.
struct PassStarts {
  MatchCost predecessor = 0;
  MatchCost end = 0;
  MatchCost traceBack = 0;
};

// One chain found by a pass: per pulse its position, the number (1-based) of the etalon
// kept at its cell, and the first and last sample of the run.
struct PassChain {
  bool found = false;
  MatchCost score = 0;
  std::vector<int16_t> positions;
  std::vector<int16_t> etalons;
  std::vector<int16_t> firstSamples;
  std::vector<int16_t> lastSamples;
};

// The best local match of every position of a range, computed once and read by every
// pulse (and every pass) whose candidates it was computed for.
struct LocalMatchTable {
  int32_t from = 0;
  int32_t to = -1;
  std::vector<MatchCost> cost;
  std::vector<uint16_t> etalon;  // 0-based alphabet index
  std::vector<int16_t> first;
  std::vector<int16_t> last;

  // Room for `size` positions, so that fill() allocates nothing. Throws std::bad_alloc.
  void reserve(size_t size);

  // Fills positions from..to (nothing when to < from). Throws std::bad_alloc only when
  // the rows grow.
  void fill(LocalMatcher& matcher, const MatchEtalon* candidates, size_t count,
            const int16_t* x, int32_t from, int32_t to);
};

// Working storage of the chain search over M pulses with fixed windows, reused by every
// pass: the chain value of every (pulse, window position) cell.
//
// A table of more than fullTableCells() cells is not kept whole. The rows are then cut
// into segments of about sqrt(M) rows; the pass keeps the first row of every segment (a
// checkpoint) and the rows of one segment, and the trace-back computes the rows of each
// earlier segment again from its checkpoint. Each row depends only on the row before it,
// so the answer is the same bit for bit, for about twice the row work and a table of
// about 2 sqrt(M) rows instead of M.
class ChainPass {
 public:
  // 128 MiB of chain values.
  static constexpr size_t kFullTableCells = size_t{1} << 24;

  // Sizes the tables for the windows. Throws std::bad_alloc: first for the row table,
  // then (after rowsReady() turns true) for the cells. Storage only grows.
  void allocate(const std::vector<PulseWindow>& windows);
  bool rowsReady() const { return rowsReady_; }

  // The largest table kept whole; allocate() decides by it. The tests lower it to run the
  // checkpointed form on small series.
  void setFullTableCells(size_t cells) { fullTableCells_ = cells; }
  size_t fullTableCells() const { return fullTableCells_; }
  // True when the last allocate() chose checkpoints.
  bool checkpointed() const { return checkpointed_; }
  // The chain values the storage holds, in cells.
  size_t storedCells() const { return values_.size() + checkpoints_.size(); }

  // The positions from..to that cover every nonempty window; false (from 0, to -1) when
  // all are empty.
  bool cover(int32_t& from, int32_t& to) const;

  // One pass: pulse 0 takes its local match; pulse j > 0 adds its local match to the
  // lowest chain value of pulse j - 1 over p - tmax .. p - tmin inside that pulse's
  // window, or to starts.predecessor when none is lower (a window minimum, O(1) per
  // cell); the end is the earliest strictly lowest value of the last pulse (from
  // starts.end); the trace-back picks, for each earlier pulse, the earliest strictly
  // lowest value in range (from starts.traceBack), and each pulse takes the etalon and run
  // of its table at its position. tables[j] covers the window of pulse j. No chain when
  // there are no pulses, the end window holds nothing below its start, or a trace-back
  // step finds nothing. Allocates nothing.
  void run(const LocalMatchTable* const* tables, int32_t tmin, int32_t tmax,
           const PassStarts& starts, PassChain& chain);

  // The same pass with the chain values of each pulse and its local matches taken from
  // `rows`: rows.row(j, window, previous window or null for pulse 0, previous row, tmin,
  // tmax, starts.predecessor, row), rows.at(j, p) and the scans rows.lowest(values, origin,
  // from, to, start) (see search_kernels.h). row() must
  // give the same values whenever it is called again with the same previous row.
  template <typename Rows>
  void runWith(Rows& rows, int32_t tmin, int32_t tmax, const PassStarts& starts,
               PassChain& chain);

  // Answer storage sized for this pass's pulse count.
  void sizeChain(PassChain& chain) const;

 private:
  // Where the values of row j live: in the whole table; or, checkpointed, in its
  // segment's checkpoint (the segment's first row) or in the segment rows.
  MatchCost* rowValues(int32_t j);
  template <typename Rows>
  void computeRows(Rows& rows, int32_t first, int32_t end, int32_t tmin, int32_t tmax,
                   MatchCost start);

  bool rowsReady_ = false;
  size_t fullTableCells_ = kFullTableCells;
  bool checkpointed_ = false;
  int32_t segment_ = 1;  // rows per segment when checkpointed
  std::vector<PulseWindow> windows_;
  std::vector<size_t> offsets_;  // row j's cells are offsets_[j] .. offsets_[j + 1] - 1
  std::vector<MatchCost> values_;  // the whole table, or the rows of one segment but its first
  std::vector<size_t> checkpointOffsets_;  // segment k's first row at checkpointOffsets_[k]
  std::vector<MatchCost> checkpoints_;
  WindowMinimum minimum_;
};

// The chain values ChainPass::allocate keeps for these windows: the whole table when it
// has at most fullTableCells cells, else the checkpoints and the rows of one segment.
size_t chainStorageCells(const std::vector<PulseWindow>& windows,
                         size_t fullTableCells = ChainPass::kFullTableCells);

// Recognition's passes, one per list etalon, run together: the chain values of all the
// etalons at a cell are consecutive lanes of one table, so that every step of the pass is
// one vector operation over the etalons instead of one scalar operation per etalon. Each
// lane's chain is the one its own ChainPass::run gives with the same starts.
class EtalonLanes {
 public:
  // Lanes come in groups of this many (a 512-bit vector of costs); the spare lanes of the
  // last group compute values nobody reads.
  static constexpr size_t kLaneGroup = 8;

  // Sizes the table for `count` etalons over `windows`, with local matches over from..to.
  // False, allocating nothing, when the table would hold more than `cellLimit` values.
  // Throws std::bad_alloc; storage only grows.
  bool allocate(const std::vector<PulseWindow>& windows, size_t count, int32_t from,
                int32_t to, size_t cellLimit);

  // Lane k's local matches, to be filled over from..to for that one etalon before run().
  LocalMatchTable& table(size_t k) { return tables_[k]; }

  // The passes of every lane; chain(k) then holds lane k's chain.
  void run(int32_t tmin, int32_t tmax, const PassStarts& starts);
  const PassChain& chain(size_t k) const { return chains_[k]; }
  // The width of the values of the last run(): 32 or 64 bits (0 before any run).
  int valueBits() const { return valueBits_; }

 private:

  // The pass in T: int32_t when every value provably fits 32 bits (twice the lanes per
  // vector, half the memory traffic), else MatchCost.
  // The local matches of the tables laid out in lanes.
  template <typename T>
  void gatherLocal(std::vector<T>& lanes);
  template <typename T>
  void runIn(std::vector<T>& values, std::vector<T>& local, std::vector<T>& prefix,
             std::vector<T>& suffix, std::vector<T>& ends, int32_t tmin, int32_t tmax,
             const PassStarts& starts);

  size_t count_ = 0;
  size_t lanes_ = 0;
  int valueBits_ = 0;
  int32_t from_ = 0;
  size_t coverWidth_ = 0;
  std::vector<PulseWindow> windows_;
  std::vector<size_t> offsets_;      // row j's cells are offsets_[j] .. offsets_[j + 1] - 1
  std::vector<MatchCost> values_;    // cell i's lanes at i * lanes_
  std::vector<MatchCost> local_;     // position from + i's lanes at i * lanes_
  std::vector<LocalMatchTable> tables_;  // lane k's local matches
  std::vector<const MatchCost*> sources_;  std::vector<MatchCost> prefix_;
  std::vector<MatchCost> suffix_;
  std::vector<int32_t> narrowValues_;
  std::vector<int32_t> narrowLocal_;
  std::vector<int32_t> narrowPrefix_;
  std::vector<int32_t> narrowSuffix_;
  std::vector<int32_t> narrowEnds_;
  std::vector<MatchCost> endValues_;
  std::vector<int64_t> endCells_;
  std::vector<PassChain> chains_;
};

// What a fixed-count search reuses from one call to the next.
struct FixedSearchWork {
  EtalonLanes lanes;
  std::vector<size_t> laneEtalons;  // the list index of each lane
  std::vector<PulseWindow> windows;
  ChainPass pass;
  PassChain chain;
  PassChain best;
  std::vector<MatchEtalon> etalons;
  LocalMatcher matcher;
  std::vector<LocalMatchTable> tables;
  std::vector<const LocalMatchTable*> pulseTables;  // the table each pulse reads
};

// Sizes `work` for a search over the windows set in work.windows: the row table, the
// cells and answers of the pass, room for `etalonCount` etalons of n samples, and
// `tables` local-match tables over the positions the windows cover; pulseTables points
// every pulse at the first table. After this the search allocates nothing. Null when all
// is in place; when memory runs out, `rowsText` (the row table failed) or `blockText`
// (anything after it).
const char* allocateFixedWork(size_t etalonCount, size_t tables, uint16_t n,
                              const char* rowsText, const char* blockText,
                              FixedSearchWork& work);

// Writes a found chain into the series record: wFoundPulses and the four found arrays.
void writeSeriesAnswer(SeriesHeader& series, const PassChain& chain);

// Ranks a found chain into the chains record.
void insertChain(ChainsHeader& chains, const PassChain& chain);

}  // namespace velmora
