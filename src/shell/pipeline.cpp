#include "shell/pipeline.h"

#include <algorithm>

#include "processing/dispatch.h"
#include "shell/commands.h"
#include "shell/window_reporter.h"

namespace velmora {

namespace {

// The series types whose synthesis chooses the pulse count itself.
bool unfixedSeriesType(uint16_t type) {
  return isUnfixedCountSeries(type) || type == kSeriesUnfixedTuples;
}

// 205: a new random etalon sequence drawn from the required list.
bool newData(Window& window, AppState& s) {
  if (s.etalons.wRequiredCount == 0 || s.etalons.lpRequiredList == nullptr) {
    window.messageBox(kTextNoRequiredEtalons, kCaptionCmInfo, kMbOk | kMbIconWarning);
    return false;
  }
  s.problem.wEffectiveTaskType = effectiveTaskType(s.problem.wTaskType, s.problem.wSeriesType);
  s.series.wPulseCount = s.series.wMeanPulses;
  s.series.wMaxPulses = greatestPulseCount(s, s.series.dwSeriesLength);
  // A smaller Tmin (typed into the parameters panel, say) can ask for more pulses than
  // the sequence was made for.
  growEtalonSequence(s, s.series.wMaxPulses);
  for (uint16_t k = 0; k < s.series.wMaxPulses; ++k)
    s.etalons.lpEtalonSequence[k] =
        s.etalons.lpRequiredList[(s.etalons.sequenceRandom.next() >> 3) % s.etalons.wRequiredCount];
  return true;
}

// 208: the geometry of the chosen series length and the chosen levels.
void rebuild(AppState& s) {
  s.series.dwSeriesLengthCur = s.series.dwSeriesLength;
  s.series.wMinPulses = leastPulseCount(s, s.series.dwSeriesLength);
  s.series.wMaxPulses = greatestPulseCount(s, s.series.dwSeriesLength);
  s.series.wPulseCount = clampedPulseCount(s);
  s.series.wNoiseLevelCur = s.series.wNoiseLevel;
  s.series.wLostLevelCur = s.series.wLostLevel;
  s.series.wSavedLevelCur = s.series.wSavedLevel;
  s.series.wProcSavedLevelCur = s.series.wProcSavedLevel;
  if (s.problem.wEffectiveTaskType == kTaskDetection ||
      s.problem.wEffectiveTaskType == kTaskRecognition) {
    growEtalonSequence(s, s.series.wMaxPulses);
    for (uint16_t k = 1; k < s.series.wMaxPulses; ++k)
      s.etalons.lpEtalonSequence[k] = s.etalons.lpEtalonSequence[0];
  }
}

// 216: the synthesis with the current sequence.
bool synthesise(Window& window, AppState& s) {
  s.series.dwSeriesLengthCur = s.series.dwSeriesLength;
  s.series.wPulseCount = clampedPulseCount(s);
  s.series.wNoiseLevelCur = s.series.wNoiseLevel;
  growEtalonSequence(
      s, std::max(s.series.wPulseCount, greatestPulseCount(s, s.series.dwSeriesLengthCur)));
  const int16_t amplitude = static_cast<int16_t>(s.etalons.wEtalonAmplitude);
  WindowReporter shown(window);
  if (unfixedSeriesType(s.problem.wSeriesType)) {
    s.records.lpSeriesHeader = getRandomCountSeries(
        shown, s.etalons.wEtalonCount, s.etalons.alphabet, s.etalons.wEtalonLength, s.series.wTmin,
        s.series.wTmax, s.series.dwSeriesLengthCur, s.series.wPulseCount,
        s.etalons.lpEtalonSequence, amplitude, s.series.wSavedLevelCur, s.records.lpSeriesHeader);
    if (s.records.lpSeriesHeader) s.series.wPulseCount = s.records.lpSeriesHeader->wImpulseQuantity;
  } else {
    s.records.lpSeriesHeader = getCutOffSeries(
        shown, s.etalons.wEtalonCount, s.etalons.alphabet, s.etalons.wEtalonLength, s.series.wTmin,
        s.series.wTmax, s.series.dwSeriesLengthCur, s.series.wPulseCount,
        s.etalons.lpEtalonSequence, amplitude, s.series.wSavedLevelCur, s.records.lpSeriesHeader);
  }
  if (!s.records.lpSeriesHeader) {
    window.messageBox(kTextCannotCreateSeries, kCaptionCmInfo, kMbOk);
    return false;
  }
  return true;
}

bool requireSeries(Window& window, const AppState& s) {
  if (s.records.lpSeriesHeader) return true;
  window.messageBox(kTextNoSeries, kCaptionCmInfo, kMbOk | kMbIconWarning);
  return false;
}

// 209: noise of the current level; the noise state advances.
bool addSeriesNoise(Window& window, AppState& s) {
  if (!requireSeries(window, s)) return false;
  addNoise(static_cast<int16_t>(s.series.wNoiseLevelCur),
           static_cast<int16_t>(s.etalons.wEtalonAmplitude), s.records.lpSeriesHeader,
           s.series.wNoiseSeed);
  return true;
}

// The chains record must hold every pulse a search may write: the series' greatest pulse
// count, also for the Tmin the search is given. Grown with getChainsHeader when short.
bool fitChainsRecord(AppState& s, Window& window) {
  const SeriesHeader& series = *s.records.lpSeriesHeader;
  uint16_t need = std::max(series.wMaxPulses, series.wImpulseQuantity);
  if (s.series.wTmin > 0 && series.dwSeriesSize >= series.wImpulseSize) {
    const uint32_t byTmin =
        (series.dwSeriesSize - series.wImpulseSize + s.series.wTmin) / s.series.wTmin;
    need = static_cast<uint16_t>(std::min<uint32_t>(std::max<uint32_t>(need, byTmin), 65535));
  }
  if (s.records.lpChainsHeader && s.records.lpChainsHeader->wMaxPulses >= need) return true;
  const uint16_t size =
      std::max(s.records.wChainsFirstSize,
               s.records.lpChainsHeader ? s.records.lpChainsHeader->wMaxSize : uint16_t{0});
  WindowReporter reporter(window);
  s.records.lpChainsHeader = getChainsHeader(reporter, size, need, s.records.lpChainsHeader);
  if (!s.records.lpChainsHeader) return false;
  s.records.wChainsPulses = need;
  return true;
}

// 210: the search the task and series types select, the problem's description and the
// results view.
bool process(Window& window, AppState& s) {
  if (!requireSeries(window, s)) return false;
  if (!fitChainsRecord(s, window)) return false;
  WindowReporter reporter(window);
  bool run = true;
  if (s.problem.wEffectiveTaskType == kTaskTupleDetection && !hasSelectedSubset(s)) {
    window.sendCommand(kCmdSelectSubset);
    if (!hasSelectedSubset(s)) return false;
  }
  if (s.problem.wEffectiveTaskType == kTaskTupleRecognition &&
      (!hasSelectedSubset(s) || s.records.selection.rowsInUse == 0)) {
    window.sendCommand(kCmdSelectSubset);
    run = hasSelectedSubset(s);
  }
  if (run) {
    SearchInputs in;
    in.alphabet = s.etalons.alphabet;
    in.requiredCount = s.etalons.wRequiredCount;
    in.requiredList = s.etalons.lpRequiredList;
    in.tmin = s.series.wTmin;
    in.tmax = s.series.wTmax;
    in.procSavedLevel = s.series.wProcSavedLevelCur;
    in.selectedSubsetSize = s.records.selection.count;
    in.selectedSubset = s.records.selection.selectedSubset;
    in.subsetProceedingMode = static_cast<int32_t>(s.subsets.dwSubsetProceedingMode);
    in.subsetCount = s.records.selection.rowsInUse;
    in.subsetSizes = s.records.selection.selectedSubsetArraySize;
    in.subsetRows = s.records.selection.rows.empty() ? nullptr : s.records.selection.rows.data();
    in.diagnosticFlag = &s.flags.dwDiagnostic;
    in.reporter = &reporter;
    const SearchOutcome outcome =
        runSearch<FastKernels>(s.problem.wEffectiveTaskType, s.problem.wSeriesType, in,
                               s.records.lpChainsHeader, s.records.lpSeriesHeader);
    // A search without its working storage answered nothing: the run stops here, as at
    // any failed stage, instead of presenting the previous answer as this run's.
    if (!outcome.ran()) {
      shownResult(window, outcome);
      return false;
    }
  }
  if (!addToChainsHeader(reporter, s.problem.wSeriesType, s.problem.wEffectiveTaskType,
                         s.series.wSavedLevelCur, s.series.wProcSavedLevelCur,
                         s.records.lpChainsHeader)) {
    window.messageBox(kTextAddToChainsFailed, kCaptionAboutChains, kMbOk);
    return false;
  }
  s.view.dwViewMode = kViewResults;
  s.view.wResultKind = kResultProcessing;
  return true;
}

}  // namespace

uint16_t clampedPulseCount(const AppState& s) {
  if (s.series.wMeanPulses < s.series.wMinPulses || s.series.wMeanPulses > s.series.wMaxPulses)
    return static_cast<uint16_t>((int32_t{s.series.wMinPulses} + int32_t{s.series.wMaxPulses}) / 2);
  return s.series.wMeanPulses;
}

bool hasSelectedSubset(const AppState& s) {
  return s.records.selection.selectedSubset != nullptr && s.records.selection.count > 0;
}

void repaintGraphArea(Window& window, const AppState& s, bool erase) {
  Rect r = s.layout.graphArea;
  r.top -= 10;
  window.invalidateRect(&r, erase);
}

void repaintStatusStrip(Window& window, const AppState& s) {
  Rect r = s.layout.statusStrip;
  r.right += 1;
  r.bottom += 1;
  window.invalidateRect(&r, true);
}

void repaintPendingAreas(Window& window, AppState& s, bool withStatus) {
  if (s.view.dwPendingSeriesLength) {
    window.invalidateRect(&s.layout.seriesLengthSelector, true);
    s.view.dwPendingSeriesLength = 0;
  }
  if (s.view.dwPendingNoise) {
    window.invalidateRect(&s.layout.noiseSelector, true);
    s.view.dwPendingNoise = 0;
  }
  if (s.view.dwPendingLost) {
    window.invalidateRect(&s.layout.lostSelector, true);
    s.view.dwPendingLost = 0;
  }
  if (withStatus && s.view.dwPendingStatus) {
    repaintStatusStrip(window, s);
    s.view.dwPendingStatus = 0;
  }
}

void runPipeline(Window& window, AppState& s, int stage) {
  switch (stage) {
    case kCmdNewData:
      if (!newData(window, s)) return;
      [[fallthrough]];
    case kCmdRebuild:
      rebuild(s);
      [[fallthrough]];
    case kCmdSynthesis:
      if (!synthesise(window, s)) return;
      [[fallthrough]];
    case kCmdNoise:
      if (!addSeriesNoise(window, s)) return;
      [[fallthrough]];
    case kCmdProcess:
      if (!process(window, s)) return;
      [[fallthrough]];
    case kCmdResultRepaint:
      repaintGraphArea(window, s, s.flags.dwTypeMoreDetails == 0);
      repaintPendingAreas(window, s, true);
      break;
    default:
      break;
  }
}

}  // namespace velmora
