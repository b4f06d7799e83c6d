#include "shell/params_panel.h"

#include <algorithm>
#include <string>

#include "graphics/params_panel_view.h"
#include "shell/commands.h"
#include "shell/dialogs.h"
#include "common/format.h"
#include "shell/pipeline.h"

namespace velmora {

namespace {

// The edit control's text is read through a buffer of this many characters.
constexpr size_t kEditTextLimit = 100;

// The window font's measures from the paint's layout, or from the canvas before the
// window has been laid out.
ParamsPanelMetrics metricsOf(const Canvas& canvas, const ShellLayout& layout) {
  if (layout.lineHeight > 0 && layout.aveCharWidth > 0)
    return ParamsPanelMetrics{layout.lineHeight, layout.aveCharWidth};
  const TextMetrics tm = canvas.textMetrics();
  return ParamsPanelMetrics{tm.height + tm.externalLeading - 1, tm.aveCharWidth};
}

bool inside(const CellRect& r, int32_t x, int32_t y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// Pointer positions arrive as signed 16-bit values.
int32_t pointer(int32_t v) { return std::clamp<int32_t>(v, INT16_MIN, INT16_MAX); }

// What the pointer can drag on the panel: the two range handles and the Tmin and Tmax lines.
enum class Handle { kNone, kFirstTo, kLastFrom, kTmin, kTmax };

// The drag handle under the pointer, in the order the clicks test them.
Handle handleAt(const ParamsHeader& p, int32_t x, int32_t y) {
  if (inside(p.firstToHandle, x, y)) return Handle::kFirstTo;
  if (inside(p.lastFromHandle, x, y)) return Handle::kLastFrom;
  // A tolerance of 0 means no plot was drawn, so there is no line to hit.
  if (p.dwTminTolerance > 0 && withinLineTolerance(p.tminLine, p.dwTminTolerance, x, y))
    return Handle::kTmin;
  if (p.dwTmaxTolerance > 0 && withinLineTolerance(p.tmaxLine, p.dwTmaxTolerance, x, y))
    return Handle::kTmax;
  return Handle::kNone;
}

Handle hovered(const ParamsHeader& p) {
  if (p.dwHoverFirstTo) return Handle::kFirstTo;
  if (p.dwHoverLastFrom) return Handle::kLastFrom;
  if (p.dwHoverTmin) return Handle::kTmin;
  if (p.dwHoverTmax) return Handle::kTmax;
  return Handle::kNone;
}

void setHover(ParamsHeader& p, Handle handle) {
  p.dwHoverFirstTo = handle == Handle::kFirstTo;
  p.dwHoverLastFrom = handle == Handle::kLastFrom;
  p.dwHoverTmin = handle == Handle::kTmin;
  p.dwHoverTmax = handle == Handle::kTmax;
}

bool dragging(const ParamsHeader& p) {
  return p.dwDragFirstTo || p.dwDragLastFrom || p.dwDragTmin || p.dwDragTmax;
}

void endDrags(ParamsHeader& p) {
  p.dwDragFirstTo = p.dwDragLastFrom = p.dwDragTmin = p.dwDragTmax = 0;
}

int64_t spans(const ParamsHeader& p) { return std::max(p.dwMaxPulses - 1, 1); }

// The least count that bounds a+ and b- admit with intervals of at most t.
int64_t leastCount(const ParamsHeader& p, int64_t t) {
  const int64_t gap = int64_t{p.dwLastFrom} - p.dwFirstTo;
  return gap <= 0 ? 1 : (gap + t - 1) / t + 1;
}

// Moves the dragged value to the pointer. False when the drag ended because the pointer
// gives a value that cannot be taken.
bool dragTo(ParamsHeader& p, int32_t x, int32_t y) {
  if (p.dwDragFirstTo) p.dwFirstTo = paramsBoundAt(p, y);
  if (p.dwDragLastFrom) p.dwLastFrom = paramsBoundAt(p, y);
  if (p.dwDragTmax) {
    const int64_t t = paramsTmaxCandidate(p, x, y);
    if (!paramsTmaxAdmissible(p, t)) {
      p.dwDragTmax = 0;
      return false;
    }
    p.dwTmax = static_cast<int32_t>(t);
  }
  if (p.dwDragTmin) {
    const int64_t t = paramsTminCandidate(p, x, y);
    if (!paramsTminAdmissible(p, t)) {
      p.dwDragTmin = 0;
      return false;
    }
    p.dwTmin = static_cast<int32_t>(t);
  }
  return true;
}

void repaintPanel(Window& window, ParamsHeader& p) {
  p.dwPartialRepaint = 1;
  window.sendCommand(kCmdRepaintGraph);
}

// OK and Cancel: the edit control goes, and a new series is built and processed with the
// settings as they now are (tuple series without a subset go to the selection first).
void leavePanel(Window& window, AppState& s, bool ok) {
  if (ok) {
    window.moveEditControl(0, 1000, 0, 0);
    s.view.dwPendingStatus = 1;
  } else {
    window.moveEditControl(0, 0, 0, 0);
    s.view.dwPendingSeriesLength = 0;
    s.view.dwPendingNoise = 0;
  }
  if (ParamsHeader* p = s.records.lpParamsHeader) {
    if (hovered(*p) != Handle::kNone) {
      window.setCursor(Cursor::kArrow);
      window.releaseCapture();
    }
    setHover(*p, Handle::kNone);
    endDrags(*p);
    p->dwPartialRepaint = 0;
  }
  s.view.dwPendingLost = 0;
  if (isTupleSeries(s.problem.wSeriesType) && !hasSelectedSubset(s)) {
    s.view.dwViewMode = kViewSubsetSelection;
    window.sendCommand(kCmdSelectSubset);
  } else {
    s.view.dwViewMode = kViewResults;
    window.sendCommand(kCmdNewData);
  }
}

// OK commits the typed Tmin. A value the series cannot be built with is refused with a
// message and the panel stays as it is.
void confirmPanel(Window& window, AppState& s) {
  const int64_t tmin = readNumber(window.editText().substr(0, kEditTextLimit));
  if (tmin < 1 || tmin > s.series.wTmax) {
    window.messageBox(formatText(kFormatBadPanelTmin, int{s.series.wTmax}),
                      kCaptionSeriesParameters, kMbOk | kMbIconWarning);
    return;
  }
  s.series.wTmin = static_cast<uint16_t>(tmin);
  leavePanel(window, s, true);
}

}  // namespace

int32_t paramsBoundAt(const ParamsHeader& p, int32_t y) {
  const int64_t h = int64_t{p.dwPlotBottom} - p.dwPlotTop + 1;
  const int64_t a = p.dwFirstFrom, b = p.dwLastTo;
  if (h <= 0) return p.dwFirstFrom;
  const int64_t v = (int64_t{p.dwPlotBottom} - y) * (b - a) / h + a;
  return static_cast<int32_t>(std::clamp(v, std::min(a, b), std::max(a, b)));
}

int64_t paramsTmaxCandidate(const ParamsHeader& p, int32_t x, int32_t y) {
  const int64_t w = int64_t{p.dwPlotRight} - p.dwPlotLeft + 1;
  const int64_t h = int64_t{p.dwPlotBottom} - p.dwPlotTop + 1;
  const int64_t a = p.dwFirstFrom, b = p.dwLastTo;
  const int64_t big = (int64_t{x} - p.dwPlotLeft) * spans(p) * h;
  if (big <= 0) return 0;
  return (big + 2 * w * ((b - a) * (int64_t{p.dwPlotBottom} - y + 1) - (p.dwFirstTo - a) * h)) /
         (2 * big);
}

int64_t paramsTminCandidate(const ParamsHeader& p, int32_t x, int32_t y) {
  const int64_t w = int64_t{p.dwPlotRight} - p.dwPlotLeft + 1;
  const int64_t h = int64_t{p.dwPlotBottom} - p.dwPlotTop + 1;
  const int64_t a = p.dwFirstFrom, b = p.dwLastTo;
  const int64_t big =
      ((int64_t{p.dwPulses} - 1) * w - (int64_t{x} - p.dwPlotLeft) * spans(p)) * h;
  if (big <= 0) return 0;
  return (big + 2 * (int64_t{y} - p.dwPlotTop) * (b - a) * w) / (2 * big);
}

bool paramsTmaxAdmissible(const ParamsHeader& p, int64_t tmax) {
  if (tmax <= p.dwTmin || tmax > p.dwLastFrom || p.dwTmin <= 0) return false;
  const int64_t m = p.dwPulses;
  return leastCount(p, tmax) <= m && m <= (int64_t{p.dwLastTo} - p.dwFirstFrom) / p.dwTmin + 1;
}

bool paramsTminAdmissible(const ParamsHeader& p, int64_t tmin) {
  if (tmin < std::max(p.dwImpulseSize, 1) || tmin > p.dwTmax) return false;
  const int64_t m = p.dwPulses;
  return leastCount(p, p.dwTmax) <= m && m <= (int64_t{p.dwLastTo} - p.dwFirstFrom) / tmin + 1;
}

void paintSeriesParameters(Canvas& canvas, Window& window, AppState& state) {
  const Rect& field = state.layout.graphArea;
  if (!state.records.lpParamsHeader) {
    drawEmptyParamsPanel(canvas, field);
    window.moveEditControl(0, 0, 0, 0);
    return;
  }
  ParamsHeader& p = *state.records.lpParamsHeader;
  const ParamsPanelLayout layout =
      layoutParamsPanel(canvas, p, field, metricsOf(canvas, state.layout));
  drawParamsPanel(canvas, p, layout, p.dwPartialRepaint != 0, window.editText());
  storeParamsPanelGeometry(layout, p);

  // The edit control sits on its box while the box lies whole in the field.
  const Rect& box = layout.editBox;
  if (box.left >= field.left && box.top >= field.top &&
      box.right <= field.right + 1 && box.bottom <= field.bottom + 1)
    window.moveEditControl(box.left, box.top, box.right - box.left, box.bottom - box.top);
  else
    window.moveEditControl(0, 0, 0, 0);

  p.dwPrevPulses = p.dwPulses;
  p.dwPrevFirstTo = p.dwFirstTo;
  p.dwPrevLastFrom = p.dwLastFrom;
  p.dwPrevTmin = p.dwTmin;
  p.dwPrevTmax = p.dwTmax;
  p.dwPrevMaxPulses = p.dwMaxPulses;
  p.dwPrevMinPulses = p.dwMinPulses;
  p.dwPartialRepaint = 0;
}

bool seriesParametersButtonDown(Window& window, AppState& state, int32_t x, int32_t y) {
  ParamsHeader* p = state.records.lpParamsHeader;
  if (!p) return false;
  x = pointer(x);
  y = pointer(y);
  if (inside(p->cancelButton, x, y)) {
    leavePanel(window, state, false);
    return true;
  }
  if (inside(p->okButton, x, y)) {
    confirmPanel(window, state);
    return true;
  }
  const int32_t cells = std::min(p->dwAreas, p->dwReservedAreas);
  for (int32_t i = 0; i < cells && p->pulsesSelectedAreas; ++i) {
    if (inside(p->pulsesSelectedAreas[i], x, y)) {
      p->dwPulses = p->dwMinPulses + i;
      repaintPanel(window, *p);
      return true;
    }
  }
  switch (handleAt(*p, x, y)) {
    case Handle::kFirstTo:
      p->dwDragFirstTo = 1;
      return true;
    case Handle::kLastFrom:
      p->dwDragLastFrom = 1;
      return true;
    case Handle::kTmin:
      p->dwDragTmin = 1;
      return true;
    case Handle::kTmax:
      p->dwDragTmax = 1;
      return true;
    case Handle::kNone:
      break;
  }
  return false;
}

void seriesParametersButtonUp(Window& window, AppState& state, int32_t x, int32_t y) {
  ParamsHeader* p = state.records.lpParamsHeader;
  if (!p) return;
  if (dragging(*p)) {
    dragTo(*p, pointer(x), pointer(y));
    endDrags(*p);
  }
  repaintPanel(window, *p);
}

void seriesParametersMouseMove(Window& window, AppState& state, int32_t x, int32_t y) {
  ParamsHeader* p = state.records.lpParamsHeader;
  if (!p) return;
  x = pointer(x);
  y = pointer(y);
  if (dragging(*p)) {
    if (dragTo(*p, x, y)) repaintPanel(window, *p);
    return;
  }
  const Handle was = hovered(*p);
  const Handle now = handleAt(*p, x, y);
  if (now == was) return;
  setHover(*p, now);
  if (now == Handle::kNone) {
    window.setCursor(Cursor::kArrow);
    window.releaseCapture();
    return;
  }
  if (was == Handle::kNone) window.setCapture();
  window.setCursor(now == Handle::kFirstTo || now == Handle::kLastFrom ? Cursor::kSizeNS
                                                                   : Cursor::kSizeNWSE);
}

}  // namespace velmora
