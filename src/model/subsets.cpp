#include "model/subsets.h"

#include <algorithm>
#include <new>

#include "model/texts.h"

namespace velmora {

uint16_t* getRequiredList(Reporter& reporter, uint16_t count, uint16_t* oldList) {
  freeRequiredList(oldList);
  uint16_t* list = nullptr;
  try {
    list = new uint16_t[count];
  } catch (const std::bad_alloc&) {
    reporter.report(kTextNoMemoryNewList, kCaptionGetRequiredList);
    return nullptr;
  }
  for (uint16_t i = 0; i < count; ++i) list[i] = static_cast<uint16_t>(i + 1);
  return list;
}

void freeRequiredList(uint16_t* list) { delete[] list; }

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

bool paramsPanelApplies(const SeriesHeader* series) {
  return series != nullptr && series->wTmin != 0 && series->wTmax != 0;
}

ParamsHeader* getParamsHeader(Reporter& reporter, const SeriesHeader* series, ParamsHeader* old) {
  if (!paramsPanelApplies(series)) return old;
  const int32_t n = static_cast<int32_t>(series->dwSeriesSize);
  const int32_t size = series->wImpulseSize;
  const int32_t tmin = series->wTmin;
  const int32_t tmax = series->wTmax;
  const int32_t minPulses = (n + size - 1) / tmax;
  const int32_t maxPulses = (n + tmin - size) / tmin;
  const int32_t cells = std::max(maxPulses - minPulses + 1, 0);

  ParamsHeader* p = old;
  if (p == nullptr) {
    try {
      p = new ParamsHeader();
    } catch (const std::bad_alloc&) {
      reporter.report(kTextNoMemoryParamsHeader, kCaptionGetParamsHeader);
      return nullptr;
    }
  }
  if (p->dwReservedAreas < cells) {
    std::vector<CellRect>().swap(p->areasBlock);
    p->pulsesSelectedAreas = nullptr;
    p->dwReservedAreas = 0;
    try {
      p->areasBlock.assign(size_t(cells), CellRect{});
    } catch (const std::bad_alloc&) {
      // The caller replaces its record by the result, so the record goes with the failure.
      reporter.report(kTextNoMemoryAreas, kCaptionGetParamsHeader);
      freeParamsHeader(p);
      return nullptr;
    }
    p->pulsesSelectedAreas = p->areasBlock.data();
    p->dwReservedAreas = cells;
    p->dwReservedSeriesSize = n;
  }

  p->dwSeriesSize = n;
  p->dwTmin = tmin;
  p->dwTmax = tmax;
  p->dwImpulseSize = size;
  p->dwPulses = series->wImpulseQuantity;
  p->dwMaxPulses = maxPulses;
  p->dwMinPulses = minPulses;
  p->dwFirstFrom = 0;
  p->dwFirstTo = tmax - size;
  p->dwLastFrom = n - tmax;
  p->dwLastTo = n - size;
  p->dwAreas = cells;

  p->dwPrevPulses = p->dwPulses;
  p->dwPrevFirstTo = p->dwFirstTo;
  p->dwPrevLastFrom = p->dwLastFrom;
  p->dwPrevTmin = p->dwTmin;
  p->dwPrevTmax = p->dwTmax;
  p->dwPrevMaxPulses = p->dwMaxPulses;
  p->dwPrevMinPulses = p->dwMinPulses;
  std::fill(p->areasBlock.begin(), p->areasBlock.begin() + cells, CellRect{});
  // A reopened panel draws in full and carries no drag or hover over from before.
  p->dwPartialRepaint = 0;
  p->dwDragFirstTo = p->dwDragLastFrom = p->dwDragTmin = p->dwDragTmax = 0;
  p->dwHoverFirstTo = p->dwHoverLastFrom = p->dwHoverTmin = p->dwHoverTmax = 0;
  return p;
}

int freeParamsHeader(ParamsHeader* record) {
  delete record;
  return 1;
}

}  // namespace velmora
