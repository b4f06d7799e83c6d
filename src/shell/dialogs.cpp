#include "shell/dialogs.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <utility>
#include <vector>

#include "common/format.h"
#include "model/subset_modes.h"
#include "shell/resources.h"

namespace velmora {

namespace {

constexpr int64_t kNumberLimit = int64_t{1} << 40;

bool isSeparator(char c) { return c == ',' || c == ' '; }

// One radio button of a group and the value it stands for.
struct Radio {
  int id;
  uint32_t value;
};

// Whether the user clicked control `id` while the dialog was open.
bool clicked(const DialogControls& edited, int id) {
  return std::find(edited.clicks.begin(), edited.clicks.end(), id) != edited.clicks.end();
}

// The value a radio group gives on OK. Each click on one of its buttons sets the working
// value to that button's value, the last click winning, even on a button that was checked
// already (a value no button stands for is then replaced). A front end that reports no
// click in the group is read from the states: a button checked now that was not checked
// when the dialog opened was clicked; otherwise the working value stays as it was.
template <size_t N>
uint32_t radioValue(const Radio (&group)[N], const DialogControls& initial,
                    const DialogControls& edited, uint32_t current) {
  bool anyClick = false;
  uint32_t value = current;
  for (int id : edited.clicks)
    for (const Radio& r : group)
      if (r.id == id) {
        value = r.value;
        anyClick = true;
      }
  if (anyClick) return value;
  for (const Radio& r : group)
    if (edited.checked(r.id) && !initial.checked(r.id)) return r.value;
  return current;
}

// A check box's setting on OK: once clicked, 1 or 0 as the box is now checked (a setting
// the box showed as checked, such as 5, becomes 1 even after two clicks); without a click,
// 1 or 0 when its state changed, else as it was.
uint32_t checkValue(int id, const DialogControls& initial, const DialogControls& edited,
                    uint32_t current) {
  const bool now = edited.checked(id);
  if (clicked(edited, id) || now != initial.checked(id)) return now ? 1u : 0u;
  return current;
}

void checkRadio(DialogControls& c, std::initializer_list<int> group, int on) {
  for (int id : group) c.setChecked(id, id == on);
}

std::string number(int64_t value) { return std::to_string(value); }

int refuse(Window& window, int dialogId, AppState& state, const std::string& text) {
  window.messageBox(text, dialogTitle(dialogId), kMbOk | kMbIconWarning);
  state.flags.dwConfirmed = 0;
  return 0;
}

bool inRange(int64_t v, int64_t lo, int64_t hi) { return v >= lo && v <= hi; }

// 105: the series parameters. Values the commands would divide by, or that would overflow
// the series' 16-bit positions, are refused before anything is written.
int okSeriesParameters(Window& window, AppState& s, const DialogControls& c) {
  const int64_t length = readNumber(c.text(kIdcSeriesLength));
  const int64_t tmin = readNumber(c.text(kIdcTmin));
  const int64_t tmax = readNumber(c.text(kIdcTmax));
  const int64_t etalon = readNumber(c.text(kIdcEtalonNumber));
  const int64_t saved = readNumber(c.text(kIdcSavedLevel));
  const int64_t procSaved = readNumber(c.text(kIdcProcSavedLevel));
  const int64_t n = s.etalons.wEtalonLength;
  const int id = kDialogSeriesParameters;
  if (!inRange(length, std::max<int64_t>(n, 1), kMaxSeriesLength))
    return refuse(window, id, s,
                  formatText(kFormatBadSeriesLength, static_cast<int>(std::max<int64_t>(n, 1)),
                             static_cast<int>(kMaxSeriesLength)));
  if (!inRange(tmin, 1, 65535)) return refuse(window, id, s, kTextBadTmin);
  if (!inRange(tmax, std::max(tmin, n), 65535))
    return refuse(window, id, s, formatText(kFormatBadTmax, static_cast<int>(n)));
  if (!inRange(etalon, 1, s.etalons.wEtalonCount))
    return refuse(window, id, s, formatText(kFormatBadEtalonNumber, int{s.etalons.wEtalonCount}));
  if (!inRange(saved, 0, 100) || !inRange(procSaved, 0, 100))
    return refuse(window, id, s, kTextBadSavedLevel);
  const int64_t least = std::max<int64_t>((length + n - 1) / tmax, 1);
  const int64_t greatest = (length - n + tmin) / tmin;
  if (least > greatest) return refuse(window, id, s, kTextNoPulseCountFits);

  s.series.dwSeriesLengthEdit = static_cast<uint32_t>(length);
  s.series.wTminEdit = static_cast<uint16_t>(tmin);
  s.series.wTmaxEdit = static_cast<uint16_t>(tmax);
  s.series.wSavedLevelEdit = static_cast<uint16_t>(saved);
  s.etalons.dwDefaultEtalon = static_cast<int32_t>(etalon);
  s.series.wProcSavedLevelEdit = static_cast<uint16_t>(procSaved);
  s.flags.dwConfirmed = 1;
  return 1;
}

// 106: pulse count, etalon sequence and noise level. The pulse count is checked by the
// command (a count outside the range becomes its midpoint).
int okSeriesStructure(Window& window, AppState& s, const DialogControls& c) {
  const int64_t noise = readNumber(c.text(kIdcNoiseLevel));
  if (!inRange(noise, 0, kMaxNoiseLevel))
    return refuse(window, kDialogSeriesStructure, s,
                  formatText(kFormatBadNoiseLevel, static_cast<int>(kMaxNoiseLevel)));
  const int64_t count = readNumber(c.text(kIdcPulseCount));
  s.series.wPulseCountEdit = inRange(count, 0, 65535) ? static_cast<uint16_t>(count) : 0;
  // The sequence is read for the pulse count shown, or for the larger count typed, so
  // that no typed etalon is dropped. An entry the text does not reach reads as 0 up to
  // the count shown, as the list shown reads back; beyond it, it keeps its value in the
  // edit sequence (the old sequence, or the default etalon).
  // The whole text is read, not only the first 99 characters that a fixed edit buffer
  // would hold: those end after about 40 entries, and the pulses after them would quietly
  // turn into etalon 1.
  const size_t shown = std::min<size_t>(s.series.wMeanPulses, s.etalons.wEditSequenceSize);
  const size_t entries = std::min<size_t>(std::max(s.series.wMeanPulses, s.series.wPulseCountEdit),
                                          s.etalons.wEditSequenceSize);
  if (s.etalons.lpEditSequence) {
    std::vector<uint16_t> typed(entries);
    const size_t reached = readList(c.text(kIdcSequence), typed.data(), entries);
    std::copy_n(typed.begin(), std::max(shown, reached), s.etalons.lpEditSequence);
  }
  s.series.wNoiseLevelEdit = static_cast<uint16_t>(noise);
  s.flags.dwConfirmed = 1;
  return 1;
}

// 107: the required list. A count outside 1..capacity keeps the old count, which is then
// read from the list.
void okRequiredEtalons(EtalonChoice& e, const DialogControls& c) {
  const int64_t count = readNumber(c.text(kIdcRequiredCount));
  if (count > 0 && count <= e.wRequiredCapacity) e.wRequiredCount = static_cast<uint16_t>(count);
  const size_t entries = std::min<size_t>(e.wRequiredCount, e.wRequiredCapacity);
  if (e.lpRequiredList) readList(c.text(kIdcRequiredList), e.lpRequiredList, entries);
}

// 110: the simulation grid. The pulse range must lie within the counts that fit the
// series parameters of dialog 105, and the noise grid and repeats must give at least one
// series each.
int okSimulation(Window& window, AppState& s, const DialogControls& c) {
  const int64_t from = readNumber(c.text(kIdcSimFrom));
  const int64_t to = readNumber(c.text(kIdcSimTo));
  const int64_t increment = readNumber(c.text(kIdcSimIncrement));
  const int64_t initial = readNumber(c.text(kIdcSimNoiseInitial));
  const int64_t steps = readNumber(c.text(kIdcSimNoiseSteps));
  const int64_t noiseStep = readNumber(c.text(kIdcSimNoiseStep));
  const int64_t repeats = readNumber(c.text(kIdcSimRepeats));
  const int id = kDialogSimulation;
  const int64_t least = std::max<int64_t>(s.series.wMinPulsesEdit, 1);
  const int64_t greatest = s.series.wMaxPulsesEdit;
  if (!(least <= from && from <= to && to <= greatest))
    return refuse(window, id, s,
                  formatText(kFormatBadPulseRange, static_cast<int>(least),
                             static_cast<int>(greatest)));
  if (!inRange(increment, 0, 65535)) return refuse(window, id, s, kTextBadIncrement);
  if (!inRange(steps, 1, 65535)) return refuse(window, id, s, kTextBadNoiseSteps);
  if (!inRange(initial, 0, kMaxNoiseLevel) || !inRange(noiseStep, 0, 65535) ||
      initial + (steps - 1) * noiseStep > kMaxNoiseLevel)
    return refuse(window, id, s, formatText(kFormatBadNoiseGrid, static_cast<int>(kMaxNoiseLevel)));
  if (!inRange(repeats, 1, 65535)) return refuse(window, id, s, kTextBadRepeats);

  s.series.wMinPulsesEdit = static_cast<uint16_t>(from);
  s.series.wMaxPulsesEdit = static_cast<uint16_t>(to);
  s.simulation.wSimPulsesStep = static_cast<uint16_t>(increment);
  s.simulation.wSimNoiseInitial = static_cast<uint16_t>(initial);
  s.simulation.wSimNoiseSteps = static_cast<uint16_t>(steps);
  s.simulation.wSimNoiseStep = static_cast<uint16_t>(noiseStep);
  s.simulation.wSimRepeats = static_cast<uint16_t>(repeats);
  s.flags.dwConfirmed = 1;
  return 1;
}

constexpr Radio kEmploymentRadios[] = {{kIdcSingleRandom, kSubsetSingleRandom},
                                        {kIdcSingleFixed, kSubsetSingleFixed},
                                        {kIdcMultipleRandom, kSubsetMultipleRandom},
                                        {kIdcComplete, kSubsetComplete},
                                        {kIdcShiftedComplete, kSubsetShiftedComplete}};
constexpr Radio kProceedingRadios[] = {{kIdcProceedComplete, 1},
                                                            {kIdcProceedShifted, 2}};
constexpr Radio kHighlightRadios[] = {
    {kIdcDottedFrame, 1}, {kIdcColouredBackground, 2}, {kIdcNoHighlight, 0}};
constexpr Radio kHandlingRadios[] = {
    {kIdcRestoringError, 1}, {kIdcDetectionError, 2}, {kIdcRecognitionError, 3}};
constexpr Radio kHandlingRadiosTwoCases[] = {{kIdcRestoringError, 1}, {kIdcDetectionError, 2}};
constexpr Radio kViewRadios[] = {{kIdcComponentwise, 1},
                                                      {kIdcSummaryView, 2}};

// 111: the subset settings.
void initSubsetSettings(DialogControls& c, const SubsetSettings& u) {
  int mode = kIdcComplete;
  for (const Radio& r : kEmploymentRadios)
    if (r.value == u.dwSubsetEmploymentMode) mode = r.id;
  checkRadio(c, {kIdcSingleRandom, kIdcSingleFixed, kIdcMultipleRandom, kIdcComplete,
                 kIdcShiftedComplete},
             mode);
  c.setText(kIdcInitPosition, number(u.dwSubsetInitPosition));
  checkRadio(c, {kIdcProceedComplete, kIdcProceedShifted},
             u.dwSubsetProceedingMode == 2 ? kIdcProceedShifted : kIdcProceedComplete);
}

void okSubsetSettings(SubsetSettings& u, const DialogControls& initial,
                      const DialogControls& edited) {
  u.dwSubsetEmploymentMode =
      radioValue(kEmploymentRadios, initial, edited, u.dwSubsetEmploymentMode);
  u.dwSubsetProceedingMode =
      radioValue(kProceedingRadios, initial, edited, u.dwSubsetProceedingMode);
  const int64_t position = readNumber(edited.text(kIdcInitPosition));
  if (inRange(position, 0, 65535)) u.dwSubsetInitPosition = static_cast<uint32_t>(position);
}

// 112: the drawing settings.
void initDrawingSettings(DialogControls& c, const DrawingChoice& d) {
  c.setChecked(kIdcFrameGraphFields, d.dwFrameGraphFields != 0);
  c.setChecked(kIdcShadedOriginal, d.dwShadedOriginalPulses != 0);
  c.setChecked(kIdcHighlightDetected, d.dwHighlightDetectedPulses != 0);
  c.setChecked(kIdcSpecialGraphSize, d.dwSpecialGraphSize != 0);
  checkRadio(c, {kIdcDottedFrame, kIdcColouredBackground, kIdcNoHighlight},
             d.dwTupleHighlighting == 0   ? kIdcNoHighlight
             : d.dwTupleHighlighting == 1 ? kIdcDottedFrame
                                          : kIdcColouredBackground);
}

void okDrawingSettings(DrawingChoice& d, const DialogControls& initial,
                       const DialogControls& edited) {
  d.dwFrameGraphFields = checkValue(kIdcFrameGraphFields, initial, edited, d.dwFrameGraphFields);
  d.dwShadedOriginalPulses =
      checkValue(kIdcShadedOriginal, initial, edited, d.dwShadedOriginalPulses);
  d.dwHighlightDetectedPulses =
      checkValue(kIdcHighlightDetected, initial, edited, d.dwHighlightDetectedPulses);
  d.dwSpecialGraphSize = checkValue(kIdcSpecialGraphSize, initial, edited, d.dwSpecialGraphSize);
  d.dwTupleHighlighting = radioValue(kHighlightRadios, initial, edited, d.dwTupleHighlighting);
}

// 113 and 114 (with recognition): the display of the statistics.
void initStatisticsDisplay(DialogControls& c, const StatisticsDisplay& d, bool recognition) {
  checkRadio(c, {kIdcComponentwise, kIdcSummaryView},
             d.dwViewCase == 2 ? kIdcSummaryView : kIdcComponentwise);
  int handling = kIdcRestoringError;
  if (d.dwHandlingCase == 2) handling = kIdcDetectionError;
  if (d.dwHandlingCase == 3 && recognition) handling = kIdcRecognitionError;
  if (recognition)
    checkRadio(c, {kIdcRestoringError, kIdcDetectionError, kIdcRecognitionError}, handling);
  else
    checkRadio(c, {kIdcRestoringError, kIdcDetectionError}, handling);
  c.setChecked(kIdcFixedUpperBound, d.dwFixedUpperBound != 0);
  if (recognition) c.setChecked(kIdcBoundsIncluded, d.dwBoundsIncluded != 0);
  c.setText(kIdcUpperBound, formatText("%.5g", d.upperBound));
}

void okStatisticsDisplay(StatisticsDisplay& d, bool recognition, const DialogControls& initial,
                         const DialogControls& edited) {
  // 113 has no recognition-error button, so only 114 can choose handling case 3.
  if (recognition)
    d.dwHandlingCase = radioValue(kHandlingRadios, initial, edited, d.dwHandlingCase);
  else
    d.dwHandlingCase = radioValue(kHandlingRadiosTwoCases, initial, edited, d.dwHandlingCase);
  d.dwViewCase = radioValue(kViewRadios, initial, edited, d.dwViewCase);
  d.dwFixedUpperBound = checkValue(kIdcFixedUpperBound, initial, edited, d.dwFixedUpperBound);
  if (d.dwFixedUpperBound == 1)
    d.upperBound = std::strtod(edited.text(kIdcUpperBound).c_str(), nullptr);
  if (recognition)
    d.dwBoundsIncluded = checkValue(kIdcBoundsIncluded, initial, edited, d.dwBoundsIncluded);
}

}  // namespace

int64_t readNumber(const std::string& text, size_t position) {
  size_t i = position;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int64_t value = 0;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
    value = std::min(value * 10 + (text[i] - '0'), kNumberLimit);
  return negative ? -value : value;
}

std::string joinList(const uint16_t* values, size_t count) {
  std::string text;
  for (size_t i = 0; i < count; ++i) {
    if (i) text += ',';
    text += std::to_string(values[i]);
  }
  return text;
}

size_t readList(const std::string& text, uint16_t* out, size_t count) {
  size_t pos = 0;
  size_t reached = 0;
  while (pos < text.size() && isSeparator(text[pos])) ++pos;
  for (size_t k = 0; k < count; ++k) {
    if (pos >= text.size()) {
      out[k] = 0;
      continue;
    }
    const int64_t v = readNumber(text, pos);
    out[k] = inRange(v, 0, 65535) ? static_cast<uint16_t>(v) : 0;
    reached = k + 1;
    while (pos < text.size() && !isSeparator(text[pos])) ++pos;
    while (pos < text.size() && isSeparator(text[pos])) ++pos;
  }
  return reached;
}

void clickToState(int dialogId, DialogControls& controls, int id, bool checked) {
  ControlKind kind = ControlKind::kLabel;
  if (const DialogTemplate* t = findDialogTemplate(dialogId))
    for (size_t k = 0; k < t->controlCount; ++k)
      if (t->controls[k].id == id) kind = t->controls[k].kind;
  if ((kind == ControlKind::kRadioButton && checked) ||
      (kind == ControlKind::kCheckBox && checked != controls.checked(id)))
    controls.click(id);
  controls.setChecked(id, checked);
}

DialogControls initialControls(int dialogId, const AppState& s) {
  DialogControls c;
  switch (dialogId) {
    case kDialogSeriesParameters:
      c.setText(kIdcSeriesLength, number(s.series.dwSeriesLengthCur));
      c.setText(kIdcTmin, number(s.series.wTmin));
      c.setText(kIdcTmax, number(s.series.wTmax));
      c.setText(kIdcSavedLevel, number(s.series.wSavedLevelCur));
      c.setText(kIdcProcSavedLevel, number(s.series.wProcSavedLevelCur));
      c.setText(kIdcEtalonNumber, number(s.etalons.dwSingleEtalon));
      break;
    case kDialogSeriesStructure: {
      c.setText(kIdcPulseCountLabel,
                formatText(kFormatPulseCountLabel, int{s.series.wMinPulsesEdit},
                           int{s.series.wMaxPulsesEdit}));
      c.setText(kIdcPulseCount, number(s.series.wMeanPulses));
      c.setText(kIdcSequenceLabel, formatText(kFormatSequenceLabel, int{s.etalons.wEtalonCount}));
      const size_t entries = std::min<size_t>(s.series.wMeanPulses, s.etalons.wEditSequenceSize);
      c.setText(kIdcSequence,
                s.etalons.lpEditSequence ? joinList(s.etalons.lpEditSequence, entries) : "");
      c.setText(kIdcNoiseLevel, number(s.series.wNoiseLevelCur));
      break;
    }
    case kDialogRequiredEtalons:
      c.setText(kIdcRequiredCount, number(s.etalons.wRequiredCount));
      c.setText(kIdcRequiredLabel, formatText(kFormatRequiredLabel, int{s.etalons.wEtalonCount}));
      c.setText(kIdcRequiredList, s.etalons.lpRequiredList
                                      ? joinList(s.etalons.lpRequiredList, s.etalons.wRequiredCount)
                                      : "");
      break;
    case kDialogSimulation:
      c.setText(kIdcSimFrom, number(s.series.wMinPulsesEdit));
      c.setText(kIdcSimTo, number(s.series.wMaxPulsesEdit));
      c.setText(kIdcSimIncrement, number(s.simulation.wSimPulsesStep));
      c.setText(kIdcSimNoiseInitial, number(s.simulation.wSimNoiseInitial));
      c.setText(kIdcSimNoiseSteps, number(s.simulation.wSimNoiseSteps));
      c.setText(kIdcSimNoiseStep, number(s.simulation.wSimNoiseStep));
      c.setText(kIdcSimRepeats, number(s.simulation.wSimRepeats));
      break;
    case kDialogSubsetSettings:
      initSubsetSettings(c, s.subsets);
      break;
    case kDialogDrawingSettings:
      initDrawingSettings(c, s.drawing);
      break;
    case kDialogShowStatistics:
    case kDialogShowStatisticsRecognition:
      initStatisticsDisplay(c, s.statistics, dialogId == kDialogShowStatisticsRecognition);
      break;
    default:
      break;
  }
  return c;
}

int applyDialogOk(Window& window, int dialogId, AppState& s, const DialogControls& initial,
                  const DialogControls& edited) {
  switch (dialogId) {
    case kDialogSeriesParameters:
      return okSeriesParameters(window, s, edited);
    case kDialogSeriesStructure:
      return okSeriesStructure(window, s, edited);
    case kDialogRequiredEtalons:
      okRequiredEtalons(s.etalons, edited);
      s.flags.dwConfirmed = 1;
      return 1;
    case kDialogSimulation:
      return okSimulation(window, s, edited);
    case kDialogSubsetSettings:
      okSubsetSettings(s.subsets, initial, edited);
      return 1;
    case kDialogDrawingSettings:
      okDrawingSettings(s.drawing, initial, edited);
      return 1;
    case kDialogShowStatistics:
    case kDialogShowStatisticsRecognition:
      okStatisticsDisplay(s.statistics, dialogId == kDialogShowStatisticsRecognition, initial,
                          edited);
      return 1;
    default:
      return 0;
  }
}

int runParameterDialog(Window& window, AppState& state, int dialogId) {
  const DialogControls initial = initialControls(dialogId, state);
  DialogControls edited = initial;
  // The simulation set-up's dialogs come back with what was typed after a refusal.
  const bool reopen = window.reopensRefusedDialogs() &&
                      (dialogId == kDialogSeriesParameters || dialogId == kDialogSimulation);
  int answer = window.runDialog(dialogId, edited);
  while (answer == kIdOk) {
    const int applied = applyDialogOk(window, dialogId, state, initial, edited);
    if (applied || !reopen) return applied;
    answer = window.runDialog(dialogId, edited);
  }
  // Cancel: the edit dialogs report it; the others keep their settings as they were.
  if (dialogId == kDialogSeriesParameters || dialogId == kDialogSeriesStructure ||
      dialogId == kDialogRequiredEtalons || dialogId == kDialogSimulation)
    state.flags.dwConfirmed = 0;
  return 0;
}

}  // namespace velmora
