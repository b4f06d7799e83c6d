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
  if (s.wRequiredCount == 0 || s.lpRequiredList == nullptr) {
    window.messageBox(kTextNoRequiredEtalons, kCaptionCmInfo, kMbOk | kMbIconWarning);
    return false;
  }
  s.wEffectiveTaskType = effectiveTaskType(s.wTaskType, s.wSeriesType);
  s.wPulseCount = s.wMeanPulses;
  s.wMaxPulses = greatestPulseCount(s, s.dwSeriesLength);
  // A smaller Tmin (typed into the parameters panel, say) can ask for more pulses than
  // the sequence was made for.
  growEtalonSequence(s, s.wMaxPulses);
  for (uint16_t k = 0; k < s.wMaxPulses; ++k)
    s.lpEtalonSequence[k] = s.lpRequiredList[(s.sequenceRandom.next() >> 3) % s.wRequiredCount];
  return true;
}

// 208: the geometry of the chosen series length and the chosen levels.
void rebuild(AppState& s) {
  s.dwSeriesLengthCur = s.dwSeriesLength;
  s.wMinPulses = leastPulseCount(s, s.dwSeriesLength);
  s.wMaxPulses = greatestPulseCount(s, s.dwSeriesLength);
  s.wPulseCount = clampedPulseCount(s);
  s.wNoiseLevelCur = s.wNoiseLevel;
  s.wLostLevelCur = s.wLostLevel;
  s.wSavedLevelCur = s.wSavedLevel;
  s.wProcSavedLevelCur = s.wProcSavedLevel;
  if (s.wEffectiveTaskType == kTaskDetection || s.wEffectiveTaskType == kTaskRecognition) {
    growEtalonSequence(s, s.wMaxPulses);
    for (uint16_t k = 1; k < s.wMaxPulses; ++k) s.lpEtalonSequence[k] = s.lpEtalonSequence[0];
  }
}

// 216: the synthesis with the current sequence.
bool synthesise(Window& window, AppState& s) {
  s.dwSeriesLengthCur = s.dwSeriesLength;
  s.wPulseCount = clampedPulseCount(s);
  s.wNoiseLevelCur = s.wNoiseLevel;
  growEtalonSequence(s, std::max(s.wPulseCount, greatestPulseCount(s, s.dwSeriesLengthCur)));
  const int16_t amplitude = static_cast<int16_t>(s.wEtalonAmplitude);
  WindowReporter shown(window);
  if (unfixedSeriesType(s.wSeriesType)) {
    s.lpSeriesHeader = getRandomCountSeries(
        shown, s.wEtalonCount, s.alphabet, s.wEtalonLength, s.wTmin, s.wTmax, s.dwSeriesLengthCur,
        s.wPulseCount, s.lpEtalonSequence, amplitude, s.wSavedLevelCur, s.lpSeriesHeader);
    if (s.lpSeriesHeader) s.wPulseCount = s.lpSeriesHeader->wImpulseQuantity;
  } else {
    s.lpSeriesHeader = getCutOffSeries(
        shown, s.wEtalonCount, s.alphabet, s.wEtalonLength, s.wTmin, s.wTmax, s.dwSeriesLengthCur,
        s.wPulseCount, s.lpEtalonSequence, amplitude, s.wSavedLevelCur, s.lpSeriesHeader);
  }
  if (!s.lpSeriesHeader) {
    window.messageBox(kTextCannotCreateSeries, kCaptionCmInfo, kMbOk);
    return false;
  }
  return true;
}

bool requireSeries(Window& window, const AppState& s) {
  if (s.lpSeriesHeader) return true;
  window.messageBox(kTextNoSeries, kCaptionCmInfo, kMbOk | kMbIconWarning);
  return false;
}

// 209: noise of the current level; the noise state advances.
bool addSeriesNoise(Window& window, AppState& s) {
  if (!requireSeries(window, s)) return false;
  addNoise(static_cast<int16_t>(s.wNoiseLevelCur), static_cast<int16_t>(s.wEtalonAmplitude),
           s.lpSeriesHeader, s.wNoiseSeed);
  return true;
}

// The chains record must hold every pulse a search may write: the series' greatest pulse
// count, also for the Tmin the search is given. Grown with getChainsHeader when short.
bool fitChainsRecord(AppState& s, Window& window) {
  const SeriesHeader& series = *s.lpSeriesHeader;
  uint16_t need = std::max(series.wMaxPulses, series.wImpulseQuantity);
  if (s.wTmin > 0 && series.dwSeriesSize >= series.wImpulseSize) {
    const uint32_t byTmin = (series.dwSeriesSize - series.wImpulseSize + s.wTmin) / s.wTmin;
    need = static_cast<uint16_t>(std::min<uint32_t>(std::max<uint32_t>(need, byTmin), 65535));
  }
  if (s.lpChainsHeader && s.lpChainsHeader->wMaxPulses >= need) return true;
  const uint16_t size =
      std::max(s.wChainsFirstSize, s.lpChainsHeader ? s.lpChainsHeader->wMaxSize : uint16_t{0});
  WindowReporter reporter(window);
  s.lpChainsHeader = getChainsHeader(reporter, size, need, s.lpChainsHeader);
  if (!s.lpChainsHeader) return false;
  s.wChainsPulses = need;
  return true;
}

// 210: the search the task and series types select, the problem's description and the
// results view.
bool process(Window& window, AppState& s) {
  if (!requireSeries(window, s)) return false;
  if (!fitChainsRecord(s, window)) return false;
  WindowReporter reporter(window);
  bool run = true;
  if (s.wEffectiveTaskType == kTaskTupleDetection && !hasSelectedSubset(s)) {
    window.sendCommand(kCmdSelectSubset);
    if (!hasSelectedSubset(s)) return false;
  }
  if (s.wEffectiveTaskType == kTaskTupleRecognition &&
      (!hasSelectedSubset(s) || s.selection.rowsInUse == 0)) {
    window.sendCommand(kCmdSelectSubset);
    run = hasSelectedSubset(s);
  }
  if (run) {
    SearchInputs in;
    in.alphabet = s.alphabet;
    in.requiredCount = s.wRequiredCount;
    in.requiredList = s.lpRequiredList;
    in.tmin = s.wTmin;
    in.tmax = s.wTmax;
    in.procSavedLevel = s.wProcSavedLevelCur;
    in.selectedSubsetSize = s.selection.count;
    in.selectedSubset = s.selection.selectedSubset;
    in.subsetProceedingMode = static_cast<int32_t>(s.dwSubsetProceedingMode);
    in.subsetCount = s.selection.rowsInUse;
    in.subsetSizes = s.selection.selectedSubsetArraySize;
    in.subsetRows = s.selection.rows.empty() ? nullptr : s.selection.rows.data();
    in.diagnosticFlag = &s.dwDiagnostic;
    in.reporter = &reporter;
    const SearchOutcome outcome = runSearch<FastKernels>(s.wEffectiveTaskType, s.wSeriesType, in,
                                                         s.lpChainsHeader, s.lpSeriesHeader);
    // A search without its working storage answered nothing: the run stops here, as at
    // any failed stage, instead of presenting the previous answer as this run's.
    if (!outcome.ran()) {
      shownResult(window, outcome);
      return false;
    }
  }
  if (!addToChainsHeader(reporter, s.wSeriesType, s.wEffectiveTaskType, s.wSavedLevelCur,
                         s.wProcSavedLevelCur, s.lpChainsHeader)) {
    window.messageBox(kTextAddToChainsFailed, kCaptionAboutChains, kMbOk);
    return false;
  }
  s.dwViewMode = kViewResults;
  s.wResultKind = kResultProcessing;
  return true;
}

}  // namespace

uint16_t clampedPulseCount(const AppState& s) {
  if (s.wMeanPulses < s.wMinPulses || s.wMeanPulses > s.wMaxPulses)
    return static_cast<uint16_t>((int32_t{s.wMinPulses} + int32_t{s.wMaxPulses}) / 2);
  return s.wMeanPulses;
}

bool hasSelectedSubset(const AppState& s) {
  return s.selection.selectedSubset != nullptr && s.selection.count > 0;
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
  if (s.dwPendingSeriesLength) {
    window.invalidateRect(&s.layout.seriesLengthSelector, true);
    s.dwPendingSeriesLength = 0;
  }
  if (s.dwPendingNoise) {
    window.invalidateRect(&s.layout.noiseSelector, true);
    s.dwPendingNoise = 0;
  }
  if (s.dwPendingLost) {
    window.invalidateRect(&s.layout.lostSelector, true);
    s.dwPendingLost = 0;
  }
  if (withStatus && s.dwPendingStatus) {
    repaintStatusStrip(window, s);
    s.dwPendingStatus = 0;
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
      repaintGraphArea(window, s, s.dwTypeMoreDetails == 0);
      repaintPendingAreas(window, s, true);
      break;
    default:
      break;
  }
}

}  // namespace velmora
