#include "shell/results_panel.h"

#include "graphics/results_view.h"
#include "graphics/view_support.h"

namespace velmora {

ResultsViewInputs resultsViewInputs(const Canvas& canvas, const AppState& s) {
  ResultsViewInputs in;
  in.area = s.layout.graphArea;
  in.lineHeight = lineHeightOf(canvas);
  in.etalonList = s.lpRequiredList;
  in.etalonCount = s.lpRequiredList ? s.wRequiredCount : 0;
  in.chains = s.lpChainsHeader;
  in.series = s.lpSeriesHeader;
  in.patternMade = s.selection.currentRow;
  in.settings.frameGraphFields = s.dwFrameGraphFields != 0;
  in.settings.shadedOriginalPulses = s.dwShadedOriginalPulses != 0;
  in.settings.highlightDetectedPulses = s.dwHighlightDetectedPulses != 0;
  in.settings.specialGraphSize = s.dwSpecialGraphSize != 0;
  in.settings.tupleHighlighting = static_cast<int>(s.dwTupleHighlighting);
  return in;
}

void paintResults(Canvas& canvas, Window&, AppState& state) {
  const ResultsViewInputs in = resultsViewInputs(canvas, state);
  const ResultsViewLayout layout = layoutResultsView(canvas, in);
  // The pattern rows the mouse handling tests are those of the last drawing.
  state.layout.patternRows = layout.pattern.rows;
  drawResultsView(canvas, in, layout);
}

void paintStatistics(Canvas&, Window&, AppState&) {}

}  // namespace velmora
