#include "shell/simulation_commands.h"

#include <new>

#include "common/format.h"
#include "common/system_memory.h"
#include "graphics/graph_modes.h"
#include "model/series_copy.h"
#include "shell/commands.h"
#include "shell/dialogs.h"
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
      if (s.records.lpSeriesHeader) series_ = copySeriesHeader(*s.records.lpSeriesHeader);
      if (s.records.lpRestErrorHeader) errors_ = copyRestErrHeader(*s.records.lpRestErrorHeader);
      startTime_ = s.simulation.simStartTime;
      endTime_ = s.simulation.simEndTime;
      kept_ = true;
    } catch (const std::bad_alloc&) {
      release();  // without the copies a cancelled run is left as it stopped
    }
  }
  ~KeptRecords() { release(); }

  // Puts the records back; false when there was nothing kept.
  bool restore(AppState& s) {
    if (!kept_) return false;
    freeSeriesHeader(s.records.lpSeriesHeader);
    freeRestErrHeader(s.records.lpRestErrorHeader);
    s.records.lpSeriesHeader = series_;
    s.records.lpRestErrorHeader = errors_;
    s.simulation.simStartTime = startTime_;
    s.simulation.simEndTime = endTime_;
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

}  // namespace

// The statistics of the last complete simulation: the display dialog, then the
// statistics view.
void showSimulation(Window& window, AppState& s) {
  if (!s.records.lpRestErrorHeader || s.records.lpRestErrorHeader->ifComplete == 0) return;
  s.view.wResultKind = kResultSimulation;
  runParameterDialog(window, s,
                     s.problem.wTaskType == kTaskRecognition ? kDialogShowStatisticsRecognition
                                                     : kDialogShowStatistics);
  s.statistics.dwGraphMode = statisticsGraphMode(s.statistics.dwHandlingCase, s.statistics.dwViewCase, s.statistics.dwBoundsIncluded);
  repaintGraphArea(window, s, true);
  repaintStatusStrip(window, s);
  s.view.dwPendingStatus = 0;
  repaintPendingAreas(window, s, false);
  s.view.dwViewMode = kViewResults;
}

// 40012, " Statistical Simulation".
void statisticalSimulation(Window& window, AppState& s) {
  s.series.wLostLevelCur = s.series.wLostLevel;
  s.series.wSavedLevelCur = s.series.wSavedLevel;
  s.series.wProcSavedLevelCur = s.series.wProcSavedLevel;
  // The set-up runs 215 first, which gives an empty required list etalon 1.
  s.flags.dwConfirmed = 0;
  window.sendCommand(kCmdSimulationSetUp);
  if (!s.flags.dwConfirmed) return;
  // The runs draw their etalons from the required list; only a list that could not be
  // allocated is still missing here.
  if (s.etalons.wRequiredCount == 0 || !s.etalons.lpRequiredList) {
    window.messageBox(kTextNoRequiredEtalons, kCaptionCmInfo, kMbOk | kMbIconWarning);
    return;
  }
  window.messageBox(simulationSummary(s), kCaptionSimulationSummary, kMbOk);

  // A run whose memory cannot be had would be ended by the system part-way (the error
  // tables alone grow with pulse counts times noise levels): refuse it before any of it
  // is allocated.
  SimulationSize size;
  size.pulseCounts = s.simulation.wSimPulseSteps;
  size.noiseLevels = s.simulation.wSimNoiseSteps;
  size.seriesLength = s.series.dwSeriesLengthCur;
  size.pulseLength = s.etalons.wEtalonLength;
  size.tmin = s.series.wTmin;
  size.tmax = s.series.wTmax;
  size.greatestPulses = static_cast<uint16_t>(std::clamp<int32_t>(
      s.series.wMinPulses + (int32_t{s.simulation.wSimPulseSteps} - 1) * s.simulation.wSimPulsesStep, 0, s.series.wMaxPulses));
  size.seriesType = s.problem.wSeriesType;
  size.effectiveTaskType = s.problem.wEffectiveTaskType;
  size.threads = s.simulation.simThreads;
  const uint64_t need = simulationMemoryNeed(size);
  const uint64_t available = s.hooks.simMemory ? s.hooks.simMemory() : availableMemory();
  if (need > available) {
    window.messageBox(formatText(kTextSimulationMemory, memoryText(need).c_str(),
                                 int{s.simulation.wSimPulseSteps}, int{s.simulation.wSimNoiseSteps},
                                 simulationThreads(s.simulation.simThreads), memoryText(available).c_str()),
                      kCaptionSimulationMemory, kMbOk | kMbIconWarning);
    return;
  }

  KeptRecords kept(s);
  WindowReporter reporter(window);
  s.records.lpSeriesHeader =
      getCutOffSeriesHeader(reporter, s.etalons.wEtalonCount, s.etalons.wEtalonLength,
                            s.series.wTmin, s.series.wTmax, s.series.dwSeriesLengthCur,
                            s.records.lpSeriesHeader);
  if (!s.records.lpSeriesHeader) {
    window.messageBox(kTextNoCutOffSeriesHeader, kCaptionAboutCutOffSeriesHeader,
                      kMbOk | kMbIconWarning);
    return;
  }
  s.records.lpRestErrorHeader =
      getRestErrHeader(reporter, s.simulation.wSimPulseSteps, s.simulation.wSimNoiseSteps, s.simulation.wSimRepeats, s.records.lpRestErrorHeader);
  if (!s.records.lpRestErrorHeader) {
    window.messageBox(kTextNoRestErrorHeader, kCaptionAboutRestErrorHeader, kMbOk);
    return;
  }
  if (!initRestErrHeader(reporter, s.simulation.wSimPulseSteps, static_cast<int16_t>(s.series.wMinPulses),
                         static_cast<int16_t>(s.simulation.wSimPulsesStep), s.simulation.wSimNoiseSteps,
                         static_cast<int16_t>(s.simulation.wSimNoiseInitial),
                         static_cast<int16_t>(s.simulation.wSimNoiseStep), s.simulation.wSimRepeats,
                         s.records.lpRestErrorHeader)) {
    window.messageBox(kTextInitRestErrFailed, kCaptionAboutRestErrorHeader, kMbOk);
    return;
  }

  SimulationContext context;
  context.amplitude = static_cast<int16_t>(s.etalons.wEtalonAmplitude);
  context.noiseSeed = s.series.wNoiseSeed;
  context.subsetProceeding = static_cast<uint16_t>(s.subsets.dwSubsetProceedingMode);
  context.clock = s.hooks.simClock;
  context.observer = s.hooks.simObserver;
  context.threads = s.simulation.simThreads;
  context.share = s.hooks.simShare;
  const auto run = [&s, &context](Window& driverWindow) {
    WindowReporter reporter(driverWindow);
    statCutoffPinpoint(reporter, s.records.lpRestErrorHeader, s.etalons.wEtalonCount, s.etalons.alphabet,
                       s.etalons.wRequiredCount, s.etalons.lpRequiredList, s.problem.wSeriesType, s.problem.wEffectiveTaskType,
                       s.series.wSavedLevelCur, s.series.wProcSavedLevelCur, s.records.lpSeriesHeader, context);
  };
  if (s.hooks.simRunner)
    s.hooks.simRunner(window, run);
  else
    run(window);
  s.series.wNoiseSeed = context.noiseSeed;
  if (!s.records.lpRestErrorHeader || s.records.lpRestErrorHeader->ifComplete == 0) {
    if (kept.restore(s)) repaintGraphArea(window, s, true);
    return;
  }
  s.simulation.simStartTime = context.startTime;
  s.simulation.simEndTime = context.endTime;

  showSimulation(window, s);
}

uint32_t statisticsGraphMode(uint32_t h, uint32_t v, uint32_t b) {
  const bool componentwise = v == 1;
  if (h == 2) return componentwise ? kGraphDetectionComponentwise : kGraphDetectionAggregate;
  if (h == 3) {
    if (b) return componentwise ? kGraphRecognitionComponentwiseBounds
                                : kGraphRecognitionAggregateBounds;
    return componentwise ? kGraphRecognitionComponentwise : kGraphRecognitionAggregate;
  }
  return componentwise ? kGraphRestoredComponentwise : kGraphRestoredAggregate;
}

std::string simulationSummary(const AppState& s) {
  std::string t = kSummaryHead;
  t += formatText(kSummarySeriesLength, static_cast<int>(s.series.dwSeriesLengthCur));
  t += formatText(kSummaryTmin, int{s.series.wTmin});
  t += formatText(kSummaryTmax, int{s.series.wTmax});
  t += formatText(kSummaryEtalonLength, int{s.etalons.wEtalonLength});
  t += formatText(kSummaryMinPulses, int{s.series.wMinPulsesEdit}, int{s.series.wMinPulses});
  t += formatText(kSummaryMaxPulses, int{s.series.wMaxPulsesEdit}, int{s.series.wMaxPulses});
  t += "\n";
  t += formatText(kSummaryPulses, int{s.simulation.wSimPulseSteps}, int{s.series.wMinPulses}, int{s.series.wMaxPulses},
                  int{s.simulation.wSimPulsesStep});
  t += formatText(kSummaryNoise, int{s.simulation.wSimNoiseInitial}, int{s.simulation.wSimNoiseSteps},
                  int{s.simulation.wSimNoiseStep});
  t += formatText(kSummaryRepeats, int{s.simulation.wSimRepeats});
  return t;
}

}  // namespace velmora
