// The plot of the series parameters panel as numbers: where a pulse ordinal and a start
// position fall in pixels, the lines that one set of values (M, a+, b-, Tmin, Tmax) draws
// with their handles and markers, and how near a line the pointer must be to take it.
#pragma once

#include <cstdint>

#include "common/geometry.h"

namespace velmora {

// The values the plot's lines depend on.
struct ParamsPlotValues {
  int32_t pulses = 0;    // M
  int32_t firstTo = 0;   // a+
  int32_t lastFrom = 0;  // b-
  int32_t tmin = 0;
  int32_t tmax = 0;
};

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

// The lines of values `v` on `scale`; the bounds a+ and b- reach mx / 2 left of the plot
// and mx right of ordinal M, their handles my / 2 + 1 above and below them.
ParamsPlotLines paramsPlotLines(const ParamsPlotScale& scale, const ParamsPlotValues& v,
                                int32_t mx, int32_t my);

// Whether (x, y) lies within h of a line drawn left to right, measured vertically at x
// with the line's height rounded half up. A line one pixel wide is tested over its
// height.
bool withinLineTolerance(const LineEnds& line, int32_t h, int32_t x, int32_t y);

}  // namespace velmora
