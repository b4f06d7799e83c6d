// The behaviour of the parameter dialogs over a control-value model: initialisation from
// the application state, OK (with the range checks) and Cancel. The front end shows the
// dialog from its template (shell/resources.h) and hands back the edited values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/window.h"
#include "shell/app_state.h"

namespace velmora {

// Dialog resource ids.
inline constexpr int kDialogSeriesParameters = 105;
inline constexpr int kDialogSeriesStructure = 106;
inline constexpr int kDialogRequiredEtalons = 107;
inline constexpr int kDialogSimulation = 110;
inline constexpr int kDialogSubsetSettings = 111;
inline constexpr int kDialogDrawingSettings = 112;
inline constexpr int kDialogShowStatistics = 113;
inline constexpr int kDialogShowStatisticsRecognition = 114;

// Control ids.
inline constexpr int kIdcOk = 1;
inline constexpr int kIdcCancel = 2;
// 105
inline constexpr int kIdcSeriesLength = 1000;
inline constexpr int kIdcTmin = 1001;
inline constexpr int kIdcTmax = 1003;
inline constexpr int kIdcEtalonNumber = 1004;
inline constexpr int kIdcSavedLevel = 1005;
inline constexpr int kIdcProcSavedLevel = 1006;
// 106
inline constexpr int kIdcPulseCount = 1007;
inline constexpr int kIdcPulseCountLabel = 1008;
inline constexpr int kIdcSequenceLabel = 1009;
inline constexpr int kIdcSequence = 1010;
inline constexpr int kIdcNoiseLevel = 1011;
// 107
inline constexpr int kIdcRequiredLabel = 1012;
inline constexpr int kIdcRequiredList = 1013;
inline constexpr int kIdcRequiredCount = 1014;
// 110
inline constexpr int kIdcSimFrom = 1015;
inline constexpr int kIdcSimTo = 1016;
inline constexpr int kIdcSimIncrement = 1017;
inline constexpr int kIdcSimNoiseSteps = 1018;
inline constexpr int kIdcSimNoiseInitial = 1019;
inline constexpr int kIdcSimNoiseStep = 1020;
inline constexpr int kIdcSimRepeats = 1021;
// 111
inline constexpr int kIdcSingleRandom = 1015;
inline constexpr int kIdcSingleFixed = 1016;
inline constexpr int kIdcMultipleRandom = 1017;
inline constexpr int kIdcComplete = 1018;
inline constexpr int kIdcShiftedComplete = 1019;
inline constexpr int kIdcInitPosition = 1020;
inline constexpr int kIdcProceedComplete = 1021;
inline constexpr int kIdcProceedShifted = 1022;
// 112
inline constexpr int kIdcHighlightDetected = 1023;
inline constexpr int kIdcShadedOriginal = 1024;
inline constexpr int kIdcDottedFrame = 1025;
inline constexpr int kIdcColouredBackground = 1026;
inline constexpr int kIdcNoHighlight = 1027;
inline constexpr int kIdcSpecialGraphSize = 1043;
inline constexpr int kIdcFrameGraphFields = 1044;
// 113, 114
inline constexpr int kIdcRestoringError = 1028;
inline constexpr int kIdcDetectionError = 1029;
inline constexpr int kIdcComponentwise = 1030;
inline constexpr int kIdcSummaryView = 1031;
inline constexpr int kIdcFixedUpperBound = 1032;
inline constexpr int kIdcUpperBound = 1033;
inline constexpr int kIdcRecognitionError = 1034;
inline constexpr int kIdcBoundsIncluded = 1042;

// Texts the dialogs write into their static controls.
inline constexpr const char* kFormatPulseCountLabel = "Number of Pulses in Series (from %d to %d)";
inline constexpr const char* kFormatSequenceLabel = "Sequence of Etalons in Series (values from 1 to %d)";
inline constexpr const char* kFormatRequiredLabel = "List of Required Etalons (from 1 to %d)";

// The greatest series length: positions are 16-bit.
inline constexpr uint32_t kMaxSeriesLength = 32767;
// The greatest noise level: the noise routine takes a signed 16-bit level.
inline constexpr int64_t kMaxNoiseLevel = 32767;

// Messages of values the commands cannot work with. The dialog's values are then
// dropped: the dialog counts as cancelled and no setting changes.
inline constexpr const char* kFormatBadSeriesLength = "Samples Length must lie between %d and %d!";
inline constexpr const char* kTextBadTmin = "Min Length of Interval must lie between 1 and 65535!";
inline constexpr const char* kFormatBadTmax =
    "Max Length of Interval must be at least Min Length of Interval and the etalon length "
    "(%d), and at most 65535!";
inline constexpr const char* kFormatBadEtalonNumber = "Etalon Number must lie between 1 and %d!";
inline constexpr const char* kTextBadSavedLevel = "Saved Energy Level must lie between 0 and 100!";
inline constexpr const char* kTextNoPulseCountFits =
    "No number of pulses fits this Samples Length and these intervals!";
inline constexpr const char* kFormatBadNoiseLevel = "Noise Level must lie between 0 and %d!";
inline constexpr const char* kFormatBadPulseRange =
    "Number of Pulses in Series: \"from\" and \"to\" must satisfy %d <= from <= to <= %d!";
inline constexpr const char* kTextBadIncrement = "\"incr.\" must lie between 0 and 65535!";
inline constexpr const char* kTextBadNoiseSteps =
    "Number of Steps in Simulation must lie between 1 and 65535!";
inline constexpr const char* kFormatBadNoiseGrid =
    "The highest noise level (Initial Level + (Number of Steps in Simulation - 1) x Noise "
    "Increment per Step) must not exceed %d!";
inline constexpr const char* kTextBadRepeats = "Number of Repeats must lie between 1 and 65535!";

// A decimal integer as the dialogs read it: leading blanks, an optional sign and the
// leading digits; 0 when there are none. Saturates far beyond any 32-bit value.
int64_t readNumber(const std::string& text, size_t position = 0);

// A list of numbers shown as the numbers joined by "," (no trailing comma).
std::string joinList(const uint16_t* values, size_t count);

// Reads `count` entries of a list typed with "," or " " between the numbers; a run of
// separators counts as one, so every number is read once. Entries beyond the end of the
// text, and numbers outside 0..65535, read as 0. Returns how many entries the text
// reached.
size_t readList(const std::string& text, uint16_t* out, size_t count);

// Gives check box or radio button `id` of dialog `dialogId` the state `checked` as a
// user's click gives it, recording the click: a radio button to be checked is clicked even
// when it is checked already, a check box only when its state changes. For front ends and
// scripts that know the states they want rather than the clicks.
void clickToState(int dialogId, DialogControls& controls, int id, bool checked);

// The controls of each dialog as initialisation fills them from the state.
DialogControls initialControls(int dialogId, const AppState& state);

// Applies OK to the state, given the controls as initialised and as handed back. Dialogs
// 105, 106 and 110 check their values first; a value they cannot take is reported in a
// message box and the dialog counts as cancelled. Returns 1 when the values were taken.
int applyDialogOk(Window& window, int dialogId, AppState& state, const DialogControls& initial,
                  const DialogControls& edited);

// Opens dialog `dialogId` through the window and applies OK or Cancel. Dialogs 105, 106,
// 107 and 110 report through the confirmation flag; all return 1 for a taken OK, else 0.
int runParameterDialog(Window& window, AppState& state, int dialogId);

}  // namespace velmora
