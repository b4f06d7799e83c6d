#include "model/subsets.h"

#include <algorithm>
#include <new>

#include "model/texts.h"

namespace velmora {

namespace {

// Copies a subset into lpSubset, stopping at the greatest pulse count (and the array's
// capacity), and records its size, mode and position. The size keeps the full count;
// wSubsetStored says how many entries were kept.
void attachSubset(SeriesHeader& h, const int32_t* subset, int32_t count, uint16_t mode,
                  uint16_t position) {
  const int32_t size = std::clamp<int32_t>(count, 0, UINT16_MAX);
  const int32_t room = std::min(h.wMaxPulses, h.wReservedImpulses);
  const int32_t stored = subset == nullptr ? 0 : std::min(size, room);
  for (int32_t t = 0; t < stored; ++t) h.lpSubset[t] = static_cast<int16_t>(subset[t]);
  h.wSubsetSize = static_cast<uint16_t>(size);
  h.wSubsetStored = static_cast<uint16_t>(stored);
  h.wSubsetMode = mode;
  h.wSubsetPosition = position;
}

}  // namespace

int addSubsetToSeriesHeader(const int32_t* subset, int32_t count, uint16_t mode, uint16_t position,
                            SeriesHeader* header) {
  if (header == nullptr) return 1;
  attachSubset(*header, subset, count, mode, position);
  return 1;
}

int addSomeSelectedSubsetToSeriesHeader(Reporter& reporter, const int32_t* sizes,
                                        const int32_t* const* rows, int32_t count,
                                        int32_t reservedRows, int32_t reservedColumns,
                                        int32_t selected, uint16_t mode, uint16_t position,
                                        SeriesHeader* header) {
  if (count <= 0 || sizes == nullptr || rows == nullptr) return 0;
  if (header == nullptr) return 1;
  SeriesHeader& h = *header;
  count = std::min<int32_t>(count, UINT16_MAX);

  // The store must hold every subset given, whatever capacities the caller asked for:
  // reserve at least count rows and the longest subset's columns.
  int32_t longest = 0;
  for (int32_t t = 0; t < count; ++t) longest = std::max(longest, sizes[t]);
  const int32_t rowsNeeded = std::clamp<int32_t>(std::max(reservedRows, count), 0, UINT16_MAX);
  const int32_t columnsNeeded =
      std::clamp<int32_t>(std::max(reservedColumns, longest), 0, UINT16_MAX);

  if (h.wReservedSubsets < rowsNeeded || h.wReservedSubsetSize < columnsNeeded) {
    std::vector<int16_t>().swap(h.subsetSizeBlock);
    std::vector<int16_t*>().swap(h.subsetRowsBlock);
    h.selectedSubsetSize = nullptr;
    h.selectedSubsetList = nullptr;
  }
  if (h.selectedSubsetSize == nullptr) {
    // Capacities only grow.
    const size_t r = std::max<int32_t>(rowsNeeded, h.wReservedSubsets);
    const size_t c = std::max<int32_t>(columnsNeeded, h.wReservedSubsetSize);
    try {
      h.subsetSizeBlock.assign(r * (c + 1), 0);
    } catch (const std::bad_alloc&) {
      reporter.report(kTextNoMemorySubsetSize, kCaptionAddSomeSelectedSubset);
      return 0;
    }
    h.selectedSubsetSize = h.subsetSizeBlock.data();
    try {
      h.subsetRowsBlock.assign(r, nullptr);
    } catch (const std::bad_alloc&) {
      std::vector<int16_t>().swap(h.subsetSizeBlock);
      h.selectedSubsetSize = nullptr;
      reporter.report(kTextNoMemorySubsetList, kCaptionAddSomeSelectedSubset);
      return 0;
    }
    h.selectedSubsetList = h.subsetRowsBlock.data();
    for (size_t row = 0; row < r; ++row) h.selectedSubsetList[row] = h.selectedSubsetSize + r + row * c;
    h.wReservedSubsets = static_cast<uint16_t>(r);
    h.wReservedSubsetSize = static_cast<uint16_t>(c);
  }

  h.wSubsets = static_cast<uint16_t>(count);
  for (int32_t t = 0; t < count; ++t) {
    const int32_t size = std::max(sizes[t], 0);
    h.selectedSubsetSize[t] = static_cast<int16_t>(size);
    for (int32_t e = 0; e < size; ++e)
      h.selectedSubsetList[t][e] = static_cast<int16_t>(rows[t][e]);
  }

  int32_t s = selected - 1;
  if (s < 0 || s >= count) s = count - 1;
  attachSubset(h, rows[s], std::max(sizes[s], 0), mode, position);
  return 1;
}

}  // namespace velmora
