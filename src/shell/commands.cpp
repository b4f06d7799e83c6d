#include "shell/commands.h"

#include <algorithm>
#include <memory>
#include <new>

#include "common/system_memory.h"
#include "shell/dialogs.h"
#include "common/format.h"
#include "shell/pipeline.h"
#include "shell/window_reporter.h"

namespace velmora {

namespace {

// The series and error records as they were before a simulation, put back when the run
// does not complete (cancelled, or ended by a failure): partial tables never pose as a
// finished simulation, and the last finished one stays shown and reachable.
class KeptRecords {
 public:
  explicit KeptRecords(const AppState& s) {
    try {
      if (s.lpSeriesHeader) series_ = copySeriesHeader(*s.lpSeriesHeader);
      if (s.lpRestErrorHeader) errors_ = copyRestErrHeader(*s.lpRestErrorHeader);
      startTime_ = s.simStartTime;
      endTime_ = s.simEndTime;
      kept_ = true;
    } catch (const std::bad_alloc&) {
      release();  // without the copies a cancelled run is left as it stopped
    }
  }
  ~KeptRecords() { release(); }

  // Puts the records back; false when there was nothing kept.
  bool restore(AppState& s) {
    if (!kept_) return false;
    freeSeriesHeader(s.lpSeriesHeader);
    freeRestErrHeader(s.lpRestErrorHeader);
    s.lpSeriesHeader = series_;
    s.lpRestErrorHeader = errors_;
    s.simStartTime = startTime_;
    s.simEndTime = endTime_;
    series_ = nullptr;
    errors_ = nullptr;
    kept_ = false;
    return true;
  }

 private:
  void release() {
    freeSeriesHeader(series_);
    freeRestErrHeader(errors_);
    series_ = nullptr;
    errors_ = nullptr;
    kept_ = false;
  }

  SeriesHeader* series_ = nullptr;
  RestErrorHeader* errors_ = nullptr;
  int32_t startTime_ = 0, endTime_ = 0;
  bool kept_ = false;
};

constexpr int kTaskItems[] = {kCmdDetection, kCmdRecognition, kCmdJoint, kCmdSeriesProcessing};
constexpr int kSeriesItems[] = {kCmdFixedWhole,   kCmdUnfixedWhole, kCmdFixedCutoffs,
                                kCmdUnfixedCutoffs, kCmdFixedTuples, kCmdUnfixedTuples};

bool validEtalon(const AppState& s, int32_t etalon) {
  return etalon >= 1 && etalon <= std::min<int32_t>(s.wEtalonCount, kMaxEtalons);
}

// Least and greatest pulse counts for the series parameters of dialog 105. The
// greatest count divides by the dialog's Tmin and adds it as well: adding the current
// wTmin instead would size the sequences for a geometry that is not the one committed.
uint16_t dialogLeastCount(const AppState& s) {
  return static_cast<uint16_t>((s.dwSeriesLengthEdit + s.wEtalonLength - 1u) / s.wTmaxEdit);
}
uint16_t dialogGreatestCount(const AppState& s) {
  return static_cast<uint16_t>((s.dwSeriesLengthEdit - s.wEtalonLength + s.wTminEdit) /
                               s.wTminEdit);
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
  if (s.wRequiredCount == 0) {
    if (!s.lpRequiredList) {
      WindowReporter shown(window);
      s.lpRequiredList = getRequiredList(shown, s.wEtalonCount, nullptr);
      s.wRequiredCapacity = s.lpRequiredList ? s.wEtalonCount : 0;
    }
    if (s.lpRequiredList && s.wRequiredCapacity > 0) {
      s.wRequiredCount = 1;
      s.lpRequiredList[0] = 1;
    }
    s.dwSingleEtalon = 1;
    s.requiredFlags[0] = 1;
  }
  if (!validEtalon(s, s.dwSingleEtalon) || s.requiredFlags[s.dwSingleEtalon - 1] == 0) {
    for (int32_t e = 1; e <= std::min<int32_t>(s.wEtalonCount, kMaxEtalons); ++e)
      if (s.requiredFlags[e - 1] != 0) {
        s.dwSingleEtalon = e;
        break;
      }
  }
  runParameterDialog(window, s, kDialogSeriesParameters);
}

// 40001, " Create series... ".
void createSeries(Window& window, AppState& s) {
  s.dwConfirmed = 0;
  window.sendCommand(kCmdSeriesParameters);
  if (!s.dwConfirmed) return;

  const uint16_t keptMean = s.wMeanPulses;
  const uint16_t least = std::max<uint16_t>(dialogLeastCount(s), 1);
  const uint16_t greatest = dialogGreatestCount(s);
  s.wMinPulsesEdit = least;
  s.wMaxPulsesEdit = greatest;
  s.wMeanPulses = static_cast<uint16_t>((int32_t{least} + int32_t{greatest}) / 2);

  growEditSequence(s, greatest);
  for (uint16_t k = 0; k < s.wEditSequenceSize; ++k)
    s.lpEditSequence[k] = k < s.wEtalonSequenceSize ? s.lpEtalonSequence[k]
                                                    : static_cast<uint16_t>(s.dwDefaultEtalon);

  runParameterDialog(window, s, kDialogSeriesStructure);
  if (s.wPulseCountEdit < least || s.wPulseCountEdit > greatest)
    s.wPulseCountEdit = static_cast<uint16_t>((int32_t{least} + int32_t{greatest}) / 2);
  if (!s.dwConfirmed) {
    s.wMeanPulses = keptMean;
    return;
  }

  s.dwSeriesLength = s.dwSeriesLengthEdit;
  s.wTmin = s.wTminEdit;
  s.wTmax = s.wTmaxEdit;
  s.dwSingleEtalon = s.dwDefaultEtalon;
  s.wSavedLevelCur = s.wSavedLevelEdit;
  s.wProcSavedLevelCur = s.wProcSavedLevelEdit;
  s.wMeanPulses = s.wPulseCountEdit;
  s.wNoiseLevel = s.wNoiseLevelEdit;
  s.wMinPulses = least;
  s.wMaxPulses = greatest;

  growEtalonSequence(s, greatest);
  for (uint16_t k = 0; k < s.wEtalonSequenceSize; ++k)
    s.lpEtalonSequence[k] = k < s.wEditSequenceSize ? s.lpEditSequence[k]
                                                    : static_cast<uint16_t>(s.dwDefaultEtalon);

  WindowReporter reporter(window);
  s.lpChainsHeader = getChainsHeader(reporter, s.wChainsFirstSize, greatest, s.lpChainsHeader);
  s.wChainsPulses = greatest;

  s.dwPendingSeriesLength = s.dwPendingNoise = s.dwPendingLost = 1;
  s.dwViewMode = kViewResults;
  if (s.wSeriesType == kSeriesFixedWhole) s.wSeriesType = kSeriesFixedWholeGiven;
  if (s.wSeriesType == kSeriesUnfixedWhole) s.wSeriesType = kSeriesUnfixedWholeGiven;
  window.sendCommand(kCmdSynthesis);
}

// 40002, " New pulses... ".
void newPulses(Window& window, AppState& s) {
  if (!s.lpRequiredList || s.wRequiredCount > s.wRequiredCapacity) {
    s.wRequiredCount = s.wEtalonCount;
    WindowReporter shown(window);
    s.lpRequiredList = getRequiredList(shown, s.wRequiredCount, s.lpRequiredList);
    s.wRequiredCapacity = s.wRequiredCount;
    if (!s.lpRequiredList) {
      s.wRequiredCount = s.wRequiredCapacity = 0;
      return;
    }
  }
  runParameterDialog(window, s, kDialogRequiredEtalons);
  // An entry that names no etalon (above the alphabet, or 0 for a number not typed) takes
  // its position instead.
  for (uint16_t i = 0; i < s.wRequiredCount; ++i)
    if (!validEtalon(s, s.lpRequiredList[i])) s.lpRequiredList[i] = static_cast<uint16_t>(i + 1);
  const uint16_t flags = std::min<uint16_t>(s.wRequiredCapacity, kMaxEtalons);
  for (uint16_t e = 1; e <= flags; ++e)
    s.requiredFlags[e - 1] =
        std::find(s.lpRequiredList, s.lpRequiredList + s.wRequiredCount, e) !=
                s.lpRequiredList + s.wRequiredCount
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
  s.wTaskType = task;
  for (int item : kTaskItems) window.checkMenuItem(item, item == id);
  switch (task) {
    case kTaskDetection:
      if (isTupleSeries(s.wSeriesType)) {
        s.wEffectiveTaskType = kTaskTupleDetection;
      } else {
        s.wEffectiveTaskType = kTaskDetection;
        // Detection searches for the single etalon alone: the list holds just that one.
        std::fill(std::begin(s.requiredFlags), std::end(s.requiredFlags), uint16_t{0});
        if (validEtalon(s, s.dwSingleEtalon)) s.requiredFlags[s.dwSingleEtalon - 1] = 1;
        rebuildRequiredList(s);
      }
      break;
    case kTaskRecognition:
      s.wEffectiveTaskType =
          isTupleSeries(s.wSeriesType) ? kTaskTupleRecognition : kTaskRecognition;
      break;
    case kTaskJoint:
      s.wEffectiveTaskType = kTaskJoint;
      break;
    default:
      s.wEffectiveTaskType = kTaskSeriesProcessing;
      s.wResultKind = kResultProcessing;
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
  s.wSeriesType = type;
  for (int item : kSeriesItems) window.checkMenuItem(item, item == id);
  if (!isCutoffSeries(type)) {
    s.dwLostIndex = 1;
    s.wLostLevel = 0;
    s.wLostLevelCur = s.wLostLevel;
    s.wSavedLevel = s.wSavedLevelEdit = s.wSavedLevelCur = 100;
    s.wProcSavedLevel = s.wProcSavedLevelEdit = s.wProcSavedLevelCur = 100;
  }
  // The lost-data selector comes or goes with the type.
  window.invalidateRect(nullptr, true);
}

// 214: the simulation set-up, dialogs 105 and 110.
void simulationSetUp(Window& window, AppState& s) {
  s.dwConfirmed = 0;
  window.sendCommand(kCmdSeriesParameters);
  if (!s.dwConfirmed) return;
  s.wMinPulsesEdit = dialogLeastCount(s);
  s.wMaxPulsesEdit = dialogGreatestCount(s);
  if (s.dwSimFirstUse) {
    growEtalonSequence(s, s.wMaxPulses);
    std::fill(s.lpEtalonSequence, s.lpEtalonSequence + s.wMaxPulses,
              static_cast<uint16_t>(s.dwDefaultEtalon));
    s.dwSimFirstUse = 0;
  }
  runParameterDialog(window, s, kDialogSimulation);
  if (!s.dwConfirmed) return;
  s.dwSeriesLength = s.dwSeriesLengthCur = s.dwSeriesLengthEdit;
  s.wTmin = s.wTminEdit;
  s.wTmax = s.wTmaxEdit;
  s.wSavedLevelCur = s.wSavedLevelEdit;
  s.wProcSavedLevelCur = s.wProcSavedLevelEdit;
  s.wMinPulses = s.wMinPulsesEdit;
  s.wMaxPulses = s.wMaxPulsesEdit;
  if (s.wSimPulsesStep == 0) s.wSimPulsesStep = 1;
  s.wSimPulseSteps = static_cast<uint16_t>((s.wMaxPulses - s.wMinPulses) / s.wSimPulsesStep + 1);
}

// The statistics of the last complete simulation: the display dialog, then the
// statistics view.
void showSimulation(Window& window, AppState& s) {
  if (!s.lpRestErrorHeader || s.lpRestErrorHeader->ifComplete == 0) return;
  s.wResultKind = kResultSimulation;
  runParameterDialog(window, s,
                     s.wTaskType == kTaskRecognition ? kDialogShowStatisticsRecognition
                                                     : kDialogShowStatistics);
  s.dwGraphMode = statisticsGraphMode(s.dwHandlingCase, s.dwViewCase, s.dwBoundsIncluded);
  repaintGraphArea(window, s, true);
  repaintStatusStrip(window, s);
  s.dwPendingStatus = 0;
  repaintPendingAreas(window, s, false);
  s.dwViewMode = kViewResults;
}

// 40012, " Statistical Simulation".
void statisticalSimulation(Window& window, AppState& s) {
  s.wLostLevelCur = s.wLostLevel;
  s.wSavedLevelCur = s.wSavedLevel;
  s.wProcSavedLevelCur = s.wProcSavedLevel;
  // The set-up runs 215 first, which gives an empty required list etalon 1.
  s.dwConfirmed = 0;
  window.sendCommand(kCmdSimulationSetUp);
  if (!s.dwConfirmed) return;
  // The runs draw their etalons from the required list; only a list that could not be
  // allocated is still missing here.
  if (s.wRequiredCount == 0 || !s.lpRequiredList) {
    window.messageBox(kTextNoRequiredEtalons, kCaptionCmInfo, kMbOk | kMbIconWarning);
    return;
  }
  window.messageBox(simulationSummary(s), kCaptionSimulationSummary, kMbOk);

  // A run whose memory cannot be had would be ended by the system part-way (the error
  // tables alone grow with pulse counts times noise levels): refuse it before any of it
  // is allocated.
  SimulationSize size;
  size.pulseCounts = s.wSimPulseSteps;
  size.noiseLevels = s.wSimNoiseSteps;
  size.seriesLength = s.dwSeriesLengthCur;
  size.pulseLength = s.wEtalonLength;
  size.tmin = s.wTmin;
  size.tmax = s.wTmax;
  size.greatestPulses = static_cast<uint16_t>(std::clamp<int32_t>(
      s.wMinPulses + (int32_t{s.wSimPulseSteps} - 1) * s.wSimPulsesStep, 0, s.wMaxPulses));
  size.seriesType = s.wSeriesType;
  size.effectiveTaskType = s.wEffectiveTaskType;
  size.threads = s.simThreads;
  const uint64_t need = simulationMemoryNeed(size);
  const uint64_t available = s.simMemory ? s.simMemory() : availableMemory();
  if (need > available) {
    window.messageBox(formatText(kTextSimulationMemory, memoryText(need).c_str(),
                                 int{s.wSimPulseSteps}, int{s.wSimNoiseSteps},
                                 simulationThreads(s.simThreads), memoryText(available).c_str()),
                      kCaptionSimulationMemory, kMbOk | kMbIconWarning);
    return;
  }

  KeptRecords kept(s);
  WindowReporter shown(window);
  s.lpSeriesHeader = getCutOffSeriesHeader(shown, s.wEtalonCount, s.wEtalonLength, s.wTmin, s.wTmax,
                                           s.dwSeriesLengthCur, s.lpSeriesHeader);
  if (!s.lpSeriesHeader) {
    window.messageBox(kTextNoCutOffSeriesHeader, kCaptionAboutCutOffSeriesHeader,
                      kMbOk | kMbIconWarning);
    return;
  }
  WindowReporter reporter(window);
  s.lpRestErrorHeader =
      getRestErrHeader(reporter, s.wSimPulseSteps, s.wSimNoiseSteps, s.wSimRepeats, s.lpRestErrorHeader);
  if (!s.lpRestErrorHeader) {
    window.messageBox(kTextNoRestErrorHeader, kCaptionAboutRestErrorHeader, kMbOk);
    return;
  }
  if (!initRestErrHeader(reporter, s.wSimPulseSteps, static_cast<int16_t>(s.wMinPulses),
                         static_cast<int16_t>(s.wSimPulsesStep), s.wSimNoiseSteps,
                         static_cast<int16_t>(s.wSimNoiseInitial),
                         static_cast<int16_t>(s.wSimNoiseStep), s.wSimRepeats,
                         s.lpRestErrorHeader)) {
    window.messageBox(kTextInitRestErrFailed, kCaptionAboutRestErrorHeader, kMbOk);
    return;
  }

  SimulationContext context;
  context.amplitude = static_cast<int16_t>(s.wEtalonAmplitude);
  context.noiseSeed = s.wNoiseSeed;
  context.subsetProceeding = static_cast<uint16_t>(s.dwSubsetProceedingMode);
  context.clock = s.simClock;
  context.observer = s.simObserver;
  context.threads = s.simThreads;
  context.share = s.simShare;
  const auto run = [&s, &context](Window& driverWindow) {
    WindowReporter reporter(driverWindow);
    statCutoffPinpoint(reporter, s.lpRestErrorHeader, s.wEtalonCount, s.alphabet,
                       s.wRequiredCount, s.lpRequiredList, s.wSeriesType, s.wEffectiveTaskType,
                       s.wSavedLevelCur, s.wProcSavedLevelCur, s.lpSeriesHeader, context);
  };
  if (s.simRunner)
    s.simRunner(window, run);
  else
    run(window);
  s.wNoiseSeed = context.noiseSeed;
  if (!s.lpRestErrorHeader || s.lpRestErrorHeader->ifComplete == 0) {
    if (kept.restore(s)) repaintGraphArea(window, s, true);
    return;
  }
  s.simStartTime = context.startTime;
  s.simEndTime = context.endTime;

  showSimulation(window, s);
}

// 40029, " Subset settings ...": the dialog, then the selection goes to the series.
void subsetSettings(Window& window, AppState& s) {
  runParameterDialog(window, s, kDialogSubsetSettings);
  const uint16_t mode = static_cast<uint16_t>(s.dwSubsetEmploymentMode);
  const uint16_t position = static_cast<uint16_t>(s.dwSubsetInitPosition);
  SubsetSelection& sel = s.selection;
  if (s.wEffectiveTaskType != kTaskTupleRecognition) {
    addSubsetToSeriesHeader(sel.selectedSubset, sel.selectedSubset ? sel.count : 0, mode, position,
                            s.lpSeriesHeader);
  } else {
    WindowReporter shown(window);
    addSomeSelectedSubsetToSeriesHeader(shown, sel.selectedSubsetArraySize,
                                        sel.rows.empty() ? nullptr : sel.rows.data(), sel.rowsInUse,
                                        sel.reservedRows, sel.capacity, sel.currentRow, mode,
                                        position, s.lpSeriesHeader);
  }
}

// 211: the values the selectors point at become the chosen ones.
void applySelectorTables(Window& window, AppState& s) {
  auto index = [](int32_t i, int32_t count) { return std::clamp(i, int32_t{1}, count); };
  s.dwSeriesLengthIndex =
      index(s.dwSeriesLengthIndex, static_cast<int32_t>(s.seriesLengthTable[0]));
  s.dwSeriesLength = s.seriesLengthTable[s.dwSeriesLengthIndex];
  recomputePulseBounds(s, s.dwSeriesLength);
  s.dwNoiseIndex = index(s.dwNoiseIndex, s.noiseTable[0]);
  s.wNoiseLevel = s.noiseTable[s.dwNoiseIndex];
  s.dwLostIndex = index(s.dwLostIndex, s.lostTable[0]);
  s.wLostLevel = s.lostTable[s.dwLostIndex];
  s.wSavedLevel = s.wProcSavedLevel = static_cast<uint16_t>(100 - s.wLostLevel);
  window.invalidateRect(nullptr, true);
}

// 212: the etalon cells a click changed.
void repaintCells(Window& window, AppState& s) {
  if (validEtalon(s, s.dwSingleEtalon))
    invalidateGrown(window, s.layout.etalonCells[s.dwSingleEtalon - 1]);
  if (s.wEffectiveTaskType == kTaskDetection) {
    if (validEtalon(s, s.dwPrevSingleEtalon))
      invalidateGrown(window, s.layout.etalonCells[s.dwPrevSingleEtalon - 1]);
  } else {
    window.invalidateRect(&s.layout.allNoneButton, true);
  }
}

// 224: the row frames of the subset list, then the panel. The list has reservedRows rows.
void repaintSubsetList(Window& window, AppState& s) {
  const SubsetSelection& sel = s.selection;
  for (size_t row = 0; row < sel.possibleSubsetArrayRect.size(); ++row)
    window.invalidateRect(&sel.possibleSubsetArrayRect[row][10], true);
  window.invalidateRect(&s.layout.subsetPanel, true);
}

}  // namespace

uint32_t statisticsGraphMode(uint32_t h, uint32_t v, uint32_t b) {
  if (h == 2) return v == 1 ? 2 : 3;
  if (h == 3) return (v == 1 ? 4 : 5) + (b ? 8 : 0);
  return v == 1 ? 0 : 1;
}

std::string simulationSummary(const AppState& s) {
  std::string t = kSummaryHead;
  t += formatText(kSummarySeriesLength, static_cast<int>(s.dwSeriesLengthCur));
  t += formatText(kSummaryTmin, int{s.wTmin});
  t += formatText(kSummaryTmax, int{s.wTmax});
  t += formatText(kSummaryEtalonLength, int{s.wEtalonLength});
  t += formatText(kSummaryMinPulses, int{s.wMinPulsesEdit}, int{s.wMinPulses});
  t += formatText(kSummaryMaxPulses, int{s.wMaxPulsesEdit}, int{s.wMaxPulses});
  t += "\n";
  t += formatText(kSummaryPulses, int{s.wSimPulseSteps}, int{s.wMinPulses}, int{s.wMaxPulses},
                  int{s.wSimPulsesStep});
  t += formatText(kSummaryNoise, int{s.wSimNoiseInitial}, int{s.wSimNoiseSteps},
                  int{s.wSimNoiseStep});
  t += formatText(kSummaryRepeats, int{s.wSimRepeats});
  return t;
}

void handleCommand(Window& window, AppState& s, int id) {
  switch (id) {
    case kCmdCreateSeries:
      createSeries(window, s);
      break;
    case kCmdNewPulses:
      newPulses(window, s);
      break;
    case kCmdSaveImage:
      if (s.snapshotCommand) s.snapshotCommand(window);
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
      s.dwViewMode = kViewSubsetSelection;
      repaintGraphArea(window, s, true);
      break;
    case kCmdProcessSame:
      s.wResultKind = kResultProcessing;
      window.sendCommand(kCmdProcess);
      break;
    case kCmdProcessNext:
      s.wResultKind = kResultProcessing;
      window.sendCommand(kCmdNewData);
      break;
    case kCmdMoreDetails:
      window.sendCommand(kCmdProcess);
      break;
    case kCmdTypeMoreDetails:
      s.dwTypeMoreDetails = 1;
      window.sendCommand(kCmdResultRepaint);
      break;
    case kCmdFixedCase:
    case kCmdUnfixedCase:
      s.wSeriesType = id == kCmdFixedCase ? kSeriesFixedWhole : kSeriesUnfixedWhole;
      s.wResultKind = kResultProcessing;
      window.sendCommand(kCmdNewData);
      break;
    case kCmdRepeatDetection:
    case kCmdRepeatRecognition:
    case kCmdRepeatJoint:
    case kCmdRepeatSeriesProcessing:
      s.wTaskType = id == kCmdRepeatDetection     ? kTaskDetection
                    : id == kCmdRepeatRecognition ? kTaskRecognition
                    : id == kCmdRepeatJoint       ? kTaskJoint
                                                  : kTaskSeriesProcessing;
      s.wResultKind = kResultProcessing;
      window.sendCommand(kCmdNewData);
      break;
    case kCmdSubsetSettings:
      subsetSettings(window, s);
      break;
    case kCmdDrawingSettings:
      if (runParameterDialog(window, s, kDialogDrawingSettings)) window.invalidateRect(nullptr, true);
      break;
    case kCmdViewSeriesParameters: {
      s.dwViewMode = kViewSeriesParameters;
      WindowReporter shown(window);
      s.lpParamsHeader = getParamsHeader(shown, s.lpSeriesHeader, s.lpParamsHeader);
      // The panel's Tmin entry starts from the record's Tmin.
      if (s.lpParamsHeader && paramsPanelApplies(s.lpSeriesHeader))
        window.setEditText(std::to_string(s.lpParamsHeader->dwTmin));
      repaintGraphArea(window, s, true);
      break;
    }
    case kCmdDebuggingRepeat:
      s.dwDiagnostic = 1;
      s.wResultKind = kResultProcessing;
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
      if (s.wEffectiveTaskType != kTaskDetection)
        window.invalidateRect(&s.layout.allNoneButton, true);
      if (s.dwPendingStatus) repaintStatusStrip(window, s);
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
