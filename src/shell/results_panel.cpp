#include "shell/results_panel.h"

#include "graphics/results_view.h"
#include "graphics/statistics_view.h"
#include "graphics/view_support.h"

namespace velmora {

ResultsViewInputs resultsViewInputs(const Canvas& canvas, const AppState& s) {
  ResultsViewInputs in;
  in.area = s.layout.graphArea;
  in.lineHeight = s.layout.lineHeight > 0 ? s.layout.lineHeight : lineHeightOf(canvas);
  in.etalonList = s.etalons.lpRequiredList;
  in.etalonCount = s.etalons.lpRequiredList ? s.etalons.wRequiredCount : 0;
  in.chains = s.records.lpChainsHeader;
  in.series = s.records.lpSeriesHeader;
  in.patternMade = s.records.selection.currentRow;
  in.settings.frameGraphFields = s.drawing.dwFrameGraphFields != 0;
  in.settings.shadedOriginalPulses = s.drawing.dwShadedOriginalPulses != 0;
  in.settings.highlightDetectedPulses = s.drawing.dwHighlightDetectedPulses != 0;
  in.settings.specialGraphSize = s.drawing.dwSpecialGraphSize != 0;
  in.settings.tupleHighlighting = static_cast<int>(s.drawing.dwTupleHighlighting);
  return in;
}

void paintResults(Canvas& canvas, Window&, AppState& state) {
  const ResultsViewInputs in = resultsViewInputs(canvas, state);
  const ResultsViewLayout layout = layoutResultsView(canvas, in);
  // The pattern rows the mouse handling tests are those of the last drawing.
  state.layout.patternRows = layout.pattern.rows;
  drawResultsView(canvas, in, layout);
}

// The statistics view's inputs: the last simulation's record and time stamps, the display
// settings of the statistics dialogs and the thumbnails' amplitude.
StatisticsViewInputs statisticsViewInputs(const Canvas& canvas, const AppState& s) {
  StatisticsViewInputs in;
  in.area = s.layout.graphArea;
  in.lineHeight = lineHeightOf(canvas);
  in.amplitude = static_cast<int16_t>(s.etalons.wEtalonAmplitude);
  in.graphMode = s.statistics.dwGraphMode;
  in.etalonList = s.etalons.lpRequiredList;
  in.etalonCount = s.etalons.lpRequiredList ? s.etalons.wRequiredCount : 0;
  in.errors = s.records.lpRestErrorHeader;
  in.series = s.records.lpSeriesHeader;
  in.startTime = s.simulation.simStartTime;
  in.endTime = s.simulation.simEndTime;
  in.fixedUpperBound = s.statistics.dwFixedUpperBound != 0;
  in.upperBound = s.statistics.upperBound;
  return in;
}

void paintStatistics(Canvas& canvas, Window& window, AppState& state) {
  const StatisticsViewInputs in = statisticsViewInputs(canvas, state);
  const StatisticsViewLayout layout = layoutStatisticsView(canvas, in);
  if (drawStatisticsView(canvas, in, layout)) {
    state.layout.patternRows = layout.pattern.rows;
  } else {
    state.layout.patternRows.clear();
    window.messageBox(kNoMemoryNormalizer, kStatisticsErrorCaption, kMbOk);
  }
}

}  // namespace velmora
