#include "shell/commands.h"

#include <algorithm>

#include "shell/dialogs.h"
#include "shell/pipeline.h"
#include "shell/simulation_commands.h"
#include "shell/window_reporter.h"

namespace velmora {

namespace {

constexpr int kTaskItems[] = {kCmdDetection, kCmdRecognition, kCmdJoint, kCmdSeriesProcessing};
constexpr int kSeriesItems[] = {kCmdFixedWhole,   kCmdUnfixedWhole, kCmdFixedCutoffs,
                                kCmdUnfixedCutoffs, kCmdFixedTuples, kCmdUnfixedTuples};

bool validEtalon(const AppState& s, int32_t etalon) {
  return etalon >= 1 && etalon <= std::min<int32_t>(s.etalons.wEtalonCount, kMaxEtalons);
}

// Least and greatest pulse counts for the series parameters of dialog 105. The
// greatest count divides by the dialog's Tmin and adds it as well: adding the current
// wTmin instead would size the sequences for a geometry that is not the one committed.
uint16_t dialogLeastCount(const AppState& s) {
  return static_cast<uint16_t>((s.series.dwSeriesLengthEdit + s.etalons.wEtalonLength - 1u) /
                               s.series.wTmaxEdit);
}
uint16_t dialogGreatestCount(const AppState& s) {
  return static_cast<uint16_t>(
      (s.series.dwSeriesLengthEdit - s.etalons.wEtalonLength + s.series.wTminEdit) /
      s.series.wTminEdit);
}

void invalidateGrown(Window& window, Rect r) {
  r.left -= 1;
  r.top -= 1;
  r.right += 3;
  r.bottom += 3;
  window.invalidateRect(&r, true);
}

// 215: dialog 105, after making sure that the required list and the single etalon name
// an etalon.
void seriesParameters(Window& window, AppState& s) {
  if (s.etalons.wRequiredCount == 0) {
    if (!s.etalons.lpRequiredList) {
      WindowReporter shown(window);
      s.etalons.lpRequiredList = getRequiredList(shown, s.etalons.wEtalonCount, nullptr);
      s.etalons.wRequiredCapacity = s.etalons.lpRequiredList ? s.etalons.wEtalonCount : 0;
    }
    if (s.etalons.lpRequiredList && s.etalons.wRequiredCapacity > 0) {
      s.etalons.wRequiredCount = 1;
      s.etalons.lpRequiredList[0] = 1;
    }
    s.etalons.dwSingleEtalon = 1;
    s.etalons.requiredFlags[0] = 1;
  }
  if (!validEtalon(s, s.etalons.dwSingleEtalon) ||
      s.etalons.requiredFlags[s.etalons.dwSingleEtalon - 1] == 0) {
    for (int32_t e = 1; e <= std::min<int32_t>(s.etalons.wEtalonCount, kMaxEtalons); ++e)
      if (s.etalons.requiredFlags[e - 1] != 0) {
        s.etalons.dwSingleEtalon = e;
        break;
      }
  }
  runParameterDialog(window, s, kDialogSeriesParameters);
}

// 40001, " Create series... ".
void createSeries(Window& window, AppState& s) {
  s.flags.dwConfirmed = 0;
  window.sendCommand(kCmdSeriesParameters);
  if (!s.flags.dwConfirmed) return;

  const uint16_t keptMean = s.series.wMeanPulses;
  const uint16_t least = std::max<uint16_t>(dialogLeastCount(s), 1);
  const uint16_t greatest = dialogGreatestCount(s);
  s.series.wMinPulsesEdit = least;
  s.series.wMaxPulsesEdit = greatest;
  s.series.wMeanPulses = static_cast<uint16_t>((int32_t{least} + int32_t{greatest}) / 2);

  growEditSequence(s, greatest);
  for (uint16_t k = 0; k < s.etalons.wEditSequenceSize; ++k)
    s.etalons.lpEditSequence[k] = k < s.etalons.wEtalonSequenceSize
                                      ? s.etalons.lpEtalonSequence[k]
                                      : static_cast<uint16_t>(s.etalons.dwDefaultEtalon);

  runParameterDialog(window, s, kDialogSeriesStructure);
  if (s.series.wPulseCountEdit < least || s.series.wPulseCountEdit > greatest)
    s.series.wPulseCountEdit = static_cast<uint16_t>((int32_t{least} + int32_t{greatest}) / 2);
  if (!s.flags.dwConfirmed) {
    s.series.wMeanPulses = keptMean;
    return;
  }

  s.series.dwSeriesLength = s.series.dwSeriesLengthEdit;
  s.series.wTmin = s.series.wTminEdit;
  s.series.wTmax = s.series.wTmaxEdit;
  s.etalons.dwSingleEtalon = s.etalons.dwDefaultEtalon;
  s.series.wSavedLevelCur = s.series.wSavedLevelEdit;
  s.series.wProcSavedLevelCur = s.series.wProcSavedLevelEdit;
  s.series.wMeanPulses = s.series.wPulseCountEdit;
  s.series.wNoiseLevel = s.series.wNoiseLevelEdit;
  s.series.wMinPulses = least;
  s.series.wMaxPulses = greatest;

  growEtalonSequence(s, greatest);
  for (uint16_t k = 0; k < s.etalons.wEtalonSequenceSize; ++k)
    s.etalons.lpEtalonSequence[k] = k < s.etalons.wEditSequenceSize
                                        ? s.etalons.lpEditSequence[k]
                                        : static_cast<uint16_t>(s.etalons.dwDefaultEtalon);

  WindowReporter reporter(window);
  s.records.lpChainsHeader =
      getChainsHeader(reporter, s.records.wChainsFirstSize, greatest, s.records.lpChainsHeader);
  s.records.wChainsPulses = greatest;

  s.view.dwPendingSeriesLength = s.view.dwPendingNoise = s.view.dwPendingLost = 1;
  s.view.dwViewMode = kViewResults;
  if (s.problem.wSeriesType == kSeriesFixedWhole) s.problem.wSeriesType = kSeriesFixedWholeGiven;
  if (s.problem.wSeriesType == kSeriesUnfixedWhole)
    s.problem.wSeriesType = kSeriesUnfixedWholeGiven;
  window.sendCommand(kCmdSynthesis);
}

// 40002, " New pulses... ".
void newPulses(Window& window, AppState& s) {
  if (!s.etalons.lpRequiredList || s.etalons.wRequiredCount > s.etalons.wRequiredCapacity) {
    s.etalons.wRequiredCount = s.etalons.wEtalonCount;
    WindowReporter shown(window);
    s.etalons.lpRequiredList =
        getRequiredList(shown, s.etalons.wRequiredCount, s.etalons.lpRequiredList);
    s.etalons.wRequiredCapacity = s.etalons.wRequiredCount;
    if (!s.etalons.lpRequiredList) {
      s.etalons.wRequiredCount = s.etalons.wRequiredCapacity = 0;
      return;
    }
  }
  runParameterDialog(window, s, kDialogRequiredEtalons);
  // An entry that names no etalon (above the alphabet, or 0 for a number not typed) takes
  // its position instead.
  for (uint16_t i = 0; i < s.etalons.wRequiredCount; ++i)
    if (!validEtalon(s, s.etalons.lpRequiredList[i]))
      s.etalons.lpRequiredList[i] = static_cast<uint16_t>(i + 1);
  const uint16_t flags = std::min<uint16_t>(s.etalons.wRequiredCapacity, kMaxEtalons);
  for (uint16_t e = 1; e <= flags; ++e)
    s.etalons.requiredFlags[e - 1] =
        std::find(s.etalons.lpRequiredList, s.etalons.lpRequiredList + s.etalons.wRequiredCount,
                  e) != s.etalons.lpRequiredList + s.etalons.wRequiredCount
            ? 1
            : 0;
  // The cells show the flags and the all/none button their count.
  window.invalidateRect(nullptr, true);
}

// The task type chosen in the menu, with the effective task type it gives.
void selectTask(Window& window, AppState& s, int id) {
  const uint16_t task = id == kCmdDetection     ? kTaskDetection
                        : id == kCmdRecognition ? kTaskRecognition
                        : id == kCmdJoint       ? kTaskJoint
                                                : kTaskSeriesProcessing;
  s.problem.wTaskType = task;
  for (int item : kTaskItems) window.checkMenuItem(item, item == id);
  switch (task) {
    case kTaskDetection:
      if (isTupleSeries(s.problem.wSeriesType)) {
        s.problem.wEffectiveTaskType = kTaskTupleDetection;
      } else {
        s.problem.wEffectiveTaskType = kTaskDetection;
        // Detection searches for the single etalon alone: the list holds just that one.
        std::fill(std::begin(s.etalons.requiredFlags), std::end(s.etalons.requiredFlags),
                  uint16_t{0});
        if (validEtalon(s, s.etalons.dwSingleEtalon))
          s.etalons.requiredFlags[s.etalons.dwSingleEtalon - 1] = 1;
        rebuildRequiredList(s);
      }
      break;
    case kTaskRecognition:
      s.problem.wEffectiveTaskType =
          isTupleSeries(s.problem.wSeriesType) ? kTaskTupleRecognition : kTaskRecognition;
      break;
    case kTaskJoint:
      s.problem.wEffectiveTaskType = kTaskJoint;
      break;
    default:
      s.problem.wEffectiveTaskType = kTaskSeriesProcessing;
      s.view.wResultKind = kResultProcessing;
      window.sendCommand(kCmdNothing);
      break;
  }
  // The flags and the all/none button follow the task.
  window.invalidateRect(nullptr, true);
}

// The series type chosen in the menu. Series without cut-offs lose no data.
void selectSeries(Window& window, AppState& s, int id) {
  const uint16_t type = id == kCmdFixedWhole     ? kSeriesFixedWhole
                        : id == kCmdUnfixedWhole ? kSeriesUnfixedWhole
                        : id == kCmdFixedCutoffs ? kSeriesFixedCutoff
                        : id == kCmdUnfixedCutoffs ? kSeriesUnfixedCutoff
                        : id == kCmdFixedTuples  ? kSeriesFixedTuples
                                                 : kSeriesUnfixedTuples;
  s.problem.wSeriesType = type;
  for (int item : kSeriesItems) window.checkMenuItem(item, item == id);
  if (!isCutoffSeries(type)) {
    s.series.dwLostIndex = 1;
    s.series.wLostLevel = 0;
    s.series.wLostLevelCur = s.series.wLostLevel;
    s.series.wSavedLevel = s.series.wSavedLevelEdit = s.series.wSavedLevelCur = 100;
    s.series.wProcSavedLevel = s.series.wProcSavedLevelEdit = s.series.wProcSavedLevelCur = 100;
  }
  // The lost-data selector comes or goes with the type.
  window.invalidateRect(nullptr, true);
}

// 214: the simulation set-up, dialogs 105 and 110.
void simulationSetUp(Window& window, AppState& s) {
  s.flags.dwConfirmed = 0;
  window.sendCommand(kCmdSeriesParameters);
  if (!s.flags.dwConfirmed) return;
  s.series.wMinPulsesEdit = dialogLeastCount(s);
  s.series.wMaxPulsesEdit = dialogGreatestCount(s);
  if (s.simulation.dwSimFirstUse) {
    growEtalonSequence(s, s.series.wMaxPulses);
    std::fill(s.etalons.lpEtalonSequence, s.etalons.lpEtalonSequence + s.series.wMaxPulses,
              static_cast<uint16_t>(s.etalons.dwDefaultEtalon));
    s.simulation.dwSimFirstUse = 0;
  }
  runParameterDialog(window, s, kDialogSimulation);
  if (!s.flags.dwConfirmed) return;
  s.series.dwSeriesLength = s.series.dwSeriesLengthCur = s.series.dwSeriesLengthEdit;
  s.series.wTmin = s.series.wTminEdit;
  s.series.wTmax = s.series.wTmaxEdit;
  s.series.wSavedLevelCur = s.series.wSavedLevelEdit;
  s.series.wProcSavedLevelCur = s.series.wProcSavedLevelEdit;
  s.series.wMinPulses = s.series.wMinPulsesEdit;
  s.series.wMaxPulses = s.series.wMaxPulsesEdit;
  if (s.simulation.wSimPulsesStep == 0) s.simulation.wSimPulsesStep = 1;
  s.simulation.wSimPulseSteps = static_cast<uint16_t>(
      (s.series.wMaxPulses - s.series.wMinPulses) / s.simulation.wSimPulsesStep + 1);
}

// 40029, " Subset settings ...": the dialog, then the selection goes to the series.
void subsetSettings(Window& window, AppState& s) {
  runParameterDialog(window, s, kDialogSubsetSettings);
  const uint16_t mode = static_cast<uint16_t>(s.subsets.dwSubsetEmploymentMode);
  const uint16_t position = static_cast<uint16_t>(s.subsets.dwSubsetInitPosition);
  SubsetSelection& sel = s.records.selection;
  if (s.problem.wEffectiveTaskType != kTaskTupleRecognition) {
    addSubsetToSeriesHeader(sel.selectedSubset, sel.selectedSubset ? sel.count : 0, mode, position,
                            s.records.lpSeriesHeader);
  } else {
    WindowReporter shown(window);
    addSomeSelectedSubsetToSeriesHeader(shown, sel.selectedSubsetArraySize,
                                        sel.rows.empty() ? nullptr : sel.rows.data(), sel.rowsInUse,
                                        sel.reservedRows, sel.capacity, sel.currentRow, mode,
                                        position, s.records.lpSeriesHeader);
  }
}

// 211: the values the selectors point at become the chosen ones.
void applySelectorTables(Window& window, AppState& s) {
  auto index = [](int32_t i, int32_t count) { return std::clamp(i, int32_t{1}, count); };
  s.series.dwSeriesLengthIndex =
      index(s.series.dwSeriesLengthIndex, static_cast<int32_t>(s.series.seriesLengthTable[0]));
  s.series.dwSeriesLength = s.series.seriesLengthTable[s.series.dwSeriesLengthIndex];
  recomputePulseBounds(s, s.series.dwSeriesLength);
  s.series.dwNoiseIndex = index(s.series.dwNoiseIndex, s.series.noiseTable[0]);
  s.series.wNoiseLevel = s.series.noiseTable[s.series.dwNoiseIndex];
  s.series.dwLostIndex = index(s.series.dwLostIndex, s.series.lostTable[0]);
  s.series.wLostLevel = s.series.lostTable[s.series.dwLostIndex];
  s.series.wSavedLevel = s.series.wProcSavedLevel =
      static_cast<uint16_t>(100 - s.series.wLostLevel);
  window.invalidateRect(nullptr, true);
}

// 212: the etalon cells a click changed.
void repaintCells(Window& window, AppState& s) {
  if (validEtalon(s, s.etalons.dwSingleEtalon))
    invalidateGrown(window, s.layout.etalonCells[s.etalons.dwSingleEtalon - 1]);
  if (s.problem.wEffectiveTaskType == kTaskDetection) {
    if (validEtalon(s, s.etalons.dwPrevSingleEtalon))
      invalidateGrown(window, s.layout.etalonCells[s.etalons.dwPrevSingleEtalon - 1]);
  } else {
    window.invalidateRect(&s.layout.allNoneButton, true);
  }
}

// 224: the row frames of the subset list, then the panel. The list has reservedRows rows.
void repaintSubsetList(Window& window, AppState& s) {
  const SubsetSelection& sel = s.records.selection;
  for (size_t row = 0; row < sel.possibleSubsetArrayRect.size(); ++row)
    window.invalidateRect(&sel.possibleSubsetArrayRect[row][10], true);
  window.invalidateRect(&s.layout.subsetPanel, true);
}

}  // namespace

void handleCommand(Window& window, AppState& s, int id) {
  switch (id) {
    case kCmdCreateSeries:
      createSeries(window, s);
      break;
    case kCmdNewPulses:
      newPulses(window, s);
      break;
    case kCmdSaveImage:
      if (s.hooks.snapshotCommand) s.hooks.snapshotCommand(window);
      break;
    case kCmdExit:
    case kCmdClose:
      window.close();
      break;
    case kCmdDetection:
    case kCmdRecognition:
    case kCmdJoint:
    case kCmdSeriesProcessing:
      selectTask(window, s, id);
      break;
    case kCmdFixedWhole:
    case kCmdUnfixedWhole:
    case kCmdFixedCutoffs:
    case kCmdUnfixedCutoffs:
    case kCmdFixedTuples:
    case kCmdUnfixedTuples:
      selectSeries(window, s, id);
      break;
    case kCmdSimulation:
      statisticalSimulation(window, s);
      break;
    case kCmdShowSimulation:
      showSimulation(window, s);
      break;
    case kCmdSelectSubset:
      s.view.dwViewMode = kViewSubsetSelection;
      repaintGraphArea(window, s, true);
      break;
    case kCmdProcessSame:
      s.view.wResultKind = kResultProcessing;
      window.sendCommand(kCmdProcess);
      break;
    case kCmdProcessNext:
      s.view.wResultKind = kResultProcessing;
      window.sendCommand(kCmdNewData);
      break;
    case kCmdMoreDetails:
      window.sendCommand(kCmdProcess);
      break;
    case kCmdTypeMoreDetails:
      s.flags.dwTypeMoreDetails = 1;
      window.sendCommand(kCmdResultRepaint);
      break;
    case kCmdFixedCase:
    case kCmdUnfixedCase:
      s.problem.wSeriesType = id == kCmdFixedCase ? kSeriesFixedWhole : kSeriesUnfixedWhole;
      s.view.wResultKind = kResultProcessing;
      window.sendCommand(kCmdNewData);
      break;
    case kCmdRepeatDetection:
    case kCmdRepeatRecognition:
    case kCmdRepeatJoint:
    case kCmdRepeatSeriesProcessing:
      s.problem.wTaskType = id == kCmdRepeatDetection     ? kTaskDetection
                    : id == kCmdRepeatRecognition ? kTaskRecognition
                    : id == kCmdRepeatJoint       ? kTaskJoint
                                                  : kTaskSeriesProcessing;
      s.view.wResultKind = kResultProcessing;
      window.sendCommand(kCmdNewData);
      break;
    case kCmdSubsetSettings:
      subsetSettings(window, s);
      break;
    case kCmdDrawingSettings:
      if (runParameterDialog(window, s, kDialogDrawingSettings)) window.invalidateRect(nullptr, true);
      break;
    case kCmdViewSeriesParameters: {
      s.view.dwViewMode = kViewSeriesParameters;
      WindowReporter shown(window);
      s.records.lpParamsHeader =
          getParamsHeader(shown, s.records.lpSeriesHeader, s.records.lpParamsHeader);
      // The panel's Tmin entry starts from the record's Tmin.
      if (s.records.lpParamsHeader && paramsPanelApplies(s.records.lpSeriesHeader))
        window.setEditText(std::to_string(s.records.lpParamsHeader->dwTmin));
      repaintGraphArea(window, s, true);
      break;
    }
    case kCmdDebuggingRepeat:
      s.flags.dwDiagnostic = 1;
      s.view.wResultKind = kResultProcessing;
      window.sendCommand(kCmdProcess);
      break;

    case kCmdNewData:
    case kCmdRebuild:
    case kCmdSynthesis:
    case kCmdNoise:
    case kCmdProcess:
    case kCmdResultRepaint:
      runPipeline(window, s, id);
      break;
    case kCmdRepaintAll:
      window.invalidateRect(nullptr, true);
      break;
    case kCmdApplyTables:
      applySelectorTables(window, s);
      break;
    case kCmdRepaintCells:
      repaintCells(window, s);
      break;
    case kCmdRepaintGraphAndButtons:
      repaintGraphArea(window, s, true);
      if (s.problem.wEffectiveTaskType != kTaskDetection)
        window.invalidateRect(&s.layout.allNoneButton, true);
      if (s.view.dwPendingStatus) repaintStatusStrip(window, s);
      break;
    case kCmdSimulationSetUp:
      simulationSetUp(window, s);
      break;
    case kCmdSeriesParameters:
      seriesParameters(window, s);
      break;
    case kCmdRepaintSubsetPanel:
      window.invalidateRect(&s.layout.subsetPanel, true);
      break;
    case kCmdRepaintGraphErase:
      repaintGraphArea(window, s, true);
      break;
    case kCmdRepaintGraph:
      repaintGraphArea(window, s, false);
      break;
    case kCmdRepaintSubsetList:
      repaintSubsetList(window, s);
      break;
    default:  // 207, 217, 219, 220, 40013, 40014 and unknown ids
      break;
  }
}

}  // namespace velmora
