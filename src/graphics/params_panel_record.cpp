#include "graphics/params_panel_record.h"

#include <algorithm>
#include <new>
#include <string>

namespace velmora {

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
