// The series parameters panel: the admissible placements of the pulses of the current
// series drawn over pulse ordinal (across) and start position (up), the bounds a+ and b-,
// the lines that the extreme intervals Tmin and Tmax trace, the text block with the
// values, the Tmin box and the Cancel and OK buttons.
//
// One layout serves the drawing and the mouse: layoutParamsPanel computes every position
// from the record's values, drawParamsPanel draws from it and storeParamsPanelGeometry
// writes what the mouse handling tests into the record. The plot's numbers are in
// params_panel_plot.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "graphics/canvas.h"
#include "graphics/params_panel_plot.h"
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

// The plot values of the record now and at the last drawing.
ParamsPlotValues currentPlotValues(const ParamsHeader& p);
ParamsPlotValues previousPlotValues(const ParamsHeader& p);

struct ParamsPanelMetrics {
  int32_t lineHeight = 15;  // character height + external leading − 1
  int32_t charWidth = 8;    // average character width
};

// The field, the frames and the plot are inclusive; the handles, cells, edit box and
// buttons are half-open (common/geometry.h).
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

}  // namespace velmora
