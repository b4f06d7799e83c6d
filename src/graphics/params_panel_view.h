// The series parameters panel: the admissible placements of the pulses of the current
// series drawn over pulse ordinal (across) and start position (up), the bounds a+ and b-,
// the lines that the extreme intervals Tmin and Tmax trace, the text block with the
// values, the Tmin box and the Cancel and OK buttons.
//
// One layout serves the drawing and the mouse: layoutParamsPanel computes every position
// from the record's values, drawParamsPanel draws from it and storeParamsPanelGeometry
// writes what the mouse handling tests into the record.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "graphics/canvas.h"
#include "graphics/params_panel_record.h"

namespace velmora {

inline constexpr Color kParamsPanelBackground = rgb(235, 240, 225);
// Lines at a value that has just changed are drawn over in this grey.
inline constexpr Color kParamsPanelPreviousGrey = rgb(250, 250, 250);

inline constexpr const char* kParamsCancelText = " Cancel ";
inline constexpr const char* kParamsOkText = " OK ";
inline constexpr const char* kParamsTminLabel = " Tmin ";
// The edit box is as wide as this text.
inline constexpr const char* kParamsEditWidthText = " 9999";

// The values the plot's lines depend on.
struct ParamsPlotValues {
  int32_t pulses = 0;    // M
  int32_t firstTo = 0;   // a+
  int32_t lastFrom = 0;  // b-
  int32_t tmin = 0;
  int32_t tmax = 0;
};
ParamsPlotValues currentPlotValues(const ParamsHeader& p);
ParamsPlotValues previousPlotValues(const ParamsHeader& p);

// Pixels of the plot: ordinal k at x0 + (k − 1) × W / spans, start position v at
// yb − (v − a) × H / range, both truncated. spans is Mmax − 1 and range b − a, each at
// least 1, so that a series with room for one pulse only still gets an axis.
struct ParamsPlotScale {
  int32_t x0 = 0, yt = 0, xr = 0, yb = 0;
  int32_t width = 0, height = 0;  // W = xr − x0 + 1, H = yb − yt + 1
  int32_t spans = 1;
  int32_t first = 0, last = 0;  // a, b
  int32_t range = 1;

  int32_t ordinalX(int32_t k) const;
  int32_t positionY(int64_t v) const;
  // The point at ordinal twiceK / 2 and start position twiceV / 2, each quotient rounded
  // half up.
  Point halfPoint(int64_t twiceK, int64_t twiceV) const;
};

// The plot's lines for one set of values.
struct ParamsPlotLines {
  LineEnds top;       // at b, from ordinal 1 to ordinal M
  LineEnds vertical;  // at ordinal M, from a to b
  LineEnds firstTo, lastFrom;  // the dotted bounds a+ and b-
  CellRect firstToHandle, lastFromHandle;
  CellRect firstToMarker, lastFromMarker;  // where a previous bound is marked
  LineEnds tmax, tmin;                     // latest starts
  LineEnds earliestFirst, earliestLast;    // earliest starts
};

// Where the lines of the Tmax interval and of the Tmin interval end, in half ordinals:
// e1 for the Tmax line and the Tmin line, e2 for the two earliest-start lines.
struct ParamsLineEnds {
  int64_t e1 = 1;
  int64_t e2 = 1;
};
ParamsLineEnds paramsLineEnds(const ParamsPlotValues& v, int32_t a, int32_t b);

ParamsPlotLines paramsPlotLines(const ParamsPlotScale& scale, const ParamsPlotValues& v,
                                int32_t mx, int32_t my);

struct ParamsPanelMetrics {
  int32_t lineHeight = 15;  // character height + external leading − 1
  int32_t charWidth = 8;    // average character width
};

// Frames and the plot are inclusive corner coordinates; the handles, cells, edit box and
// buttons are rectangles whose right and bottom edges lie just outside them.
struct ParamsPanelLayout {
  Rect field;
  int32_t mx = 0, my = 0;
  int32_t lineHeight = 0, charWidth = 0;
  Rect graphFrame, innerFrame;
  ParamsPlotScale scale;
  // False when the field leaves the plot no room: then no plot is drawn and nothing of
  // it can be clicked or dragged.
  bool plotShown = false;
  int32_t tolerance = 0;  // h of both interval lines
  ParamsPlotLines current, previous;
  int32_t ordinalRowTop = 0, countRowTop = 0;
  std::vector<CellRect> countCells;  // one per count Mmin..Mmax
  Point textOrigin;
  int32_t labelWidth = 0;  // the values' labels end here, right of textOrigin.x
  Point tminLabel;
  Rect editBox;
  Rect cancelButton, okButton;
};

// `measure` answers the text widths (the window font must be current).
ParamsPanelLayout layoutParamsPanel(const Canvas& measure, const ParamsHeader& p,
                                    const Rect& field, const ParamsPanelMetrics& metrics);

// Draws the panel. A partial drawing erases nothing: it draws over the last picture, and
// whatever moved since is drawn over at its old place in the light grey first. editText
// is shown in the edit box's place, under the edit control itself.
void drawParamsPanel(Canvas& canvas, const ParamsHeader& p, const ParamsPanelLayout& layout,
                     bool partial, const std::string& editText);

// The panel's field with nothing to show (no record).
void drawEmptyParamsPanel(Canvas& canvas, const Rect& field);

// Writes the geometry the mouse handling needs into the record: plot corners, line ends
// and tolerances, handles, the previous lines and markers, the pulse-count cells and
// the buttons. With no plot shown the plot's parts are left empty.
void storeParamsPanelGeometry(const ParamsPanelLayout& layout, ParamsHeader& p);

// Whether (x, y) lies within h of a line drawn left to right, measured vertically at x
// with the line's height rounded half up. A line one pixel wide is tested over its
// height.
bool withinLineTolerance(const LineEnds& line, int32_t h, int32_t x, int32_t y);

}  // namespace velmora
