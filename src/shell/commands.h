// The command handler: the single entry for the menu commands and the internal commands
// the window sends to itself.
#pragma once

#include "common/window.h"
#include "shell/app_state.h"

namespace velmora {

// Menu commands.
inline constexpr int kCmdCreateSeries = 40001;
inline constexpr int kCmdNewPulses = 40002;
inline constexpr int kCmdSaveImage = 40003;
inline constexpr int kCmdExit = 40004;
inline constexpr int kCmdDetection = 40005;
inline constexpr int kCmdRecognition = 40006;
inline constexpr int kCmdJoint = 40007;
inline constexpr int kCmdFixedWhole = 40008;
inline constexpr int kCmdUnfixedWhole = 40009;
inline constexpr int kCmdFixedCutoffs = 40010;
inline constexpr int kCmdUnfixedCutoffs = 40011;
inline constexpr int kCmdSimulation = 40012;
inline constexpr int kCmdNoEffect = 40013;
inline constexpr int kCmdElseCreateSeries = 40014;
inline constexpr int kCmdShowSimulation = 40015;
inline constexpr int kCmdSelectSubset = 40016;
inline constexpr int kCmdProcessSame = 40017;
inline constexpr int kCmdProcessNext = 40018;
inline constexpr int kCmdMoreDetails = 40019;
inline constexpr int kCmdTypeMoreDetails = 40020;
inline constexpr int kCmdFixedCase = 40021;
inline constexpr int kCmdUnfixedCase = 40022;
inline constexpr int kCmdRepeatDetection = 40023;
inline constexpr int kCmdRepeatRecognition = 40024;
inline constexpr int kCmdRepeatJoint = 40025;
inline constexpr int kCmdRepeatSeriesProcessing = 40026;
inline constexpr int kCmdSeriesProcessing = 40027;
inline constexpr int kCmdFixedTuples = 40028;
inline constexpr int kCmdSubsetSettings = 40029;
inline constexpr int kCmdDrawingSettings = 40030;
inline constexpr int kCmdViewSeriesParameters = 40031;
inline constexpr int kCmdUnfixedTuples = 40032;
inline constexpr int kCmdDebuggingRepeat = 40033;

// Internal commands.
inline constexpr int kCmdClose = 204;
inline constexpr int kCmdNewData = 205;
inline constexpr int kCmdRepaintAll = 206;
inline constexpr int kCmdNothing = 207;
inline constexpr int kCmdRebuild = 208;
inline constexpr int kCmdNoise = 209;
inline constexpr int kCmdProcess = 210;
inline constexpr int kCmdApplyTables = 211;
inline constexpr int kCmdRepaintCells = 212;
inline constexpr int kCmdRepaintGraphAndButtons = 213;
inline constexpr int kCmdSimulationSetUp = 214;
inline constexpr int kCmdSeriesParameters = 215;
inline constexpr int kCmdSynthesis = 216;
inline constexpr int kCmdResultRepaint = 218;
inline constexpr int kCmdRepaintSubsetPanel = 221;
inline constexpr int kCmdRepaintGraphErase = 222;
inline constexpr int kCmdRepaintGraph = 223;
inline constexpr int kCmdRepaintSubsetList = 224;

// " Statistical Simulation": the summary of the set-up and the failure messages.
inline constexpr const char* kCaptionSimulationSummary = "getPulseEstAsRepeats";
inline constexpr const char* kSummaryHead = "Create series parameters:\n";
inline constexpr const char* kSummarySeriesLength = "длина серии: %d\n";
inline constexpr const char* kSummaryTmin = "wTmin: %d\n";
inline constexpr const char* kSummaryTmax = "wTmax: %d\n";
inline constexpr const char* kSummaryEtalonLength = "длина эталона: %d\n";
inline constexpr const char* kSummaryMinPulses = "MinPulses: %d -> %d\n";
inline constexpr const char* kSummaryMaxPulses = "MaxPulses: %d -> %d\n";
inline constexpr const char* kSummaryPulses = "pulses: %d, from %d to %d incr %d \n";
inline constexpr const char* kSummaryNoise = "noise level: from %d to %d incr %d\n";
inline constexpr const char* kSummaryRepeats = "number of repeats: %d\n";
inline constexpr const char* kTextNoCutOffSeriesHeader =
    "Не могу выделить память для lpCutOffSeriesHeader!";
inline constexpr const char* kCaptionAboutCutOffSeriesHeader = " About getCutOffSeriesHeader ";
inline constexpr const char* kTextNoRestErrorHeader = "Нет RestoreErrorHeader!";
inline constexpr const char* kTextInitRestErrFailed = "Ошибка initRestErrHeader!";
inline constexpr const char* kCaptionAboutRestErrorHeader = " About RestoreErrorHeader ";
inline constexpr const char* kCaptionSimulationMemory = " Statistical Simulation ";
inline constexpr const char* kTextSimulationMemory =
    "The simulation needs about %s of memory (%d pulse counts x %d noise levels, %u "
    "threads), but only %s can be had. Fewer pulse counts, noise levels or threads need "
    "less.";

// Runs command `id` to its end. Ids without a command do nothing.
void handleCommand(Window& window, AppState& state, int id);

// The graph mode of the statistics view for handling case h, view case v and
// "bounds incl." b.
uint32_t statisticsGraphMode(uint32_t handlingCase, uint32_t viewCase, uint32_t boundsIncluded);

// The set-up summary shown before a simulation runs.
std::string simulationSummary(const AppState& state);

}  // namespace velmora
