// The required list of etalons, subsets attached to a series, and the record of the
// series parameters panel.
#pragma once

#include <cstdint>
#include <vector>

#include "model/series.h"

namespace velmora {

// A list of count etalon numbers 1..count. The old list is released first. Null on
// failure.
uint16_t* getRequiredList(Reporter& reporter, uint16_t count, uint16_t* oldList);
void freeRequiredList(uint16_t* list);

int addSubsetToSeriesHeader(const int32_t* subset, int32_t count, uint16_t mode, uint16_t position,
                            SeriesHeader* header);

int addSomeSelectedSubsetToSeriesHeader(Reporter& reporter, const int32_t* sizes,
                                        const int32_t* const* rows, int32_t count,
                                        int32_t reservedRows, int32_t reservedColumns,
                                        int32_t selected, uint16_t mode, uint16_t position,
                                        SeriesHeader* header);

struct CellRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
};

// A drawn line from (x1, y1) to (x2, y2), in client pixels.
struct LineEnds {
  int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  bool operator==(const LineEnds& o) const {
    return x1 == o.x1 && y1 == o.y1 && x2 == o.x2 && y2 == o.y2;
  }
};

// The record behind the series parameters panel. The panel's screen geometry, drag and
// hover fields follow the values; they start at zero and are written by the panel.
struct ParamsHeader {
  int32_t dwReservedSeriesSize = 0;
  int32_t dwSeriesSize = 0;
  int32_t dwTmin = 0;
  int32_t dwTmax = 0;
  int32_t dwImpulseSize = 0;
  int32_t dwPulses = 0;
  int32_t dwMaxPulses = 0;
  int32_t dwMinPulses = 0;
  int32_t dwFirstFrom = 0;
  int32_t dwFirstTo = 0;
  int32_t dwLastFrom = 0;
  int32_t dwLastTo = 0;
  int32_t dwReservedAreas = 0;
  int32_t dwAreas = 0;
  CellRect* pulsesSelectedAreas = nullptr;
  int32_t dwPrevPulses = 0;
  int32_t dwPrevFirstTo = 0;
  int32_t dwPrevLastFrom = 0;
  int32_t dwPrevTmin = 0;
  int32_t dwPrevTmax = 0;
  int32_t dwPrevMaxPulses = 0;
  int32_t dwPrevMinPulses = 0;

  // Set before a repaint that draws over the last picture without erasing it.
  int32_t dwPartialRepaint = 0;
  // Geometry of the last drawing, client pixels. The frame corners and the plot
  // (x0, yt, xr, yb) are inclusive; handles, markers and buttons are rectangles whose
  // right and bottom edges lie just outside them.
  CellRect innerFrame;
  int32_t dwPlotLeft = 0, dwPlotTop = 0, dwPlotRight = 0, dwPlotBottom = 0;
  LineEnds tmaxLine;
  int32_t dwTmaxTolerance = 0;
  LineEnds tminLine;
  int32_t dwTminTolerance = 0;
  CellRect firstToHandle, lastFromHandle;
  LineEnds prevFirstToLine, prevLastFromLine, prevTmaxLine, prevTminLine;
  CellRect prevFirstToMarker, prevLastFromMarker;
  CellRect cancelButton, okButton;
  // What the mouse is doing: one drag and one hover flag per draggable part.
  int32_t dwDragFirstTo = 0, dwDragLastFrom = 0, dwDragTmin = 0, dwDragTmax = 0;
  int32_t dwHoverFirstTo = 0, dwHoverLastFrom = 0, dwHoverTmin = 0, dwHoverTmax = 0;

  std::vector<CellRect> areasBlock;

  ParamsHeader() = default;
  ParamsHeader(const ParamsHeader&) = delete;
  ParamsHeader& operator=(const ParamsHeader&) = delete;
};

// Whether getParamsHeader describes `series` (a series with Tmin and Tmax); for any other
// it leaves the record as it is.
bool paramsPanelApplies(const SeriesHeader* series);

// Fills the record (`old`, or a new one) from `series` for a panel that opens afresh. Null
// when memory runs out (reported; `old` is released with it).
ParamsHeader* getParamsHeader(Reporter& reporter, const SeriesHeader* series, ParamsHeader* old);
int freeParamsHeader(ParamsHeader* record);

}  // namespace velmora
