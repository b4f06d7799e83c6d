// The record behind the series parameters panel: the values it shows, taken from the
// series when the panel opens, and the geometry, drag and hover state of its last drawing.
#pragma once

#include <cstdint>
#include <vector>

#include "common/report.h"
#include "model/series.h"
#include "common/geometry.h"
#include "model/subsets.h"

namespace velmora {

inline constexpr const char* kTextNoMemoryParamsHeader = "Нет памяти для newParamsHeader!";
inline constexpr const char* kTextNoMemoryAreas =
    "Нет памяти для newParamsHeader->pulsesSelectedAreas!";
inline constexpr const char* kCaptionGetParamsHeader = " getParamsHeader ";

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
