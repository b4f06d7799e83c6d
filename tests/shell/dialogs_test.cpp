#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "shell/resources.h"
#include "shell_fixture.h"

namespace velmora::testing {
namespace {

TEST(DialogNumbers, ReadLeadingDigitsWithAnOptionalSign) {
  EXPECT_EQ(readNumber("42"), 42);
  EXPECT_EQ(readNumber("  42abc"), 42);
  EXPECT_EQ(readNumber("-3"), -3);
  EXPECT_EQ(readNumber(""), 0);
  EXPECT_EQ(readNumber("x7"), 0);
  EXPECT_GT(readNumber("99999999999999999999999"), 65535);  // saturates, no wrap
  EXPECT_EQ(readNumber("1,2", 2), 2);
}

TEST(DialogLists, JoinWithCommasAndReadEachNumberOnce) {
  const uint16_t values[] = {3, 5, 7};
  EXPECT_EQ(joinList(values, 3), "3,5,7");
  EXPECT_EQ(joinList(values, 0), "");

  uint16_t out[4] = {9, 9, 9, 9};
  readList("3,5,7", out, 4);
  EXPECT_EQ(std::vector<uint16_t>(out, out + 4), (std::vector<uint16_t>{3, 5, 7, 0}));
  readList("3, 5", out, 3);
  EXPECT_EQ(std::vector<uint16_t>(out, out + 3), (std::vector<uint16_t>{3, 5, 0}));
  readList(" ,3 ,, 5  7", out, 4);
  EXPECT_EQ(std::vector<uint16_t>(out, out + 4), (std::vector<uint16_t>{3, 5, 7, 0}));
  readList("70000,-2,4", out, 3);  // numbers a 16-bit entry cannot hold read as 0
  EXPECT_EQ(std::vector<uint16_t>(out, out + 3), (std::vector<uint16_t>{0, 0, 4}));

  // A long list is read to its end.
  std::vector<uint16_t> many(60);
  for (size_t i = 0; i < many.size(); ++i) many[i] = static_cast<uint16_t>(i % 20 + 1);
  const std::string text = joinList(many.data(), many.size());
  ASSERT_GT(text.size(), 99u);
  std::vector<uint16_t> back(60);
  readList(text, back.data(), back.size());
  EXPECT_EQ(back, many);
}

using Dialogs = ShellTest;

TEST_F(Dialogs, SeriesParametersStartFromTheCurrentSeries) {
  state.etalons.dwSingleEtalon = 5;
  const DialogControls c = initialControls(kDialogSeriesParameters, state);
  EXPECT_EQ(c.text(kIdcSeriesLength), "1200");
  EXPECT_EQ(c.text(kIdcTmin), "40");
  EXPECT_EQ(c.text(kIdcTmax), "181");
  EXPECT_EQ(c.text(kIdcEtalonNumber), "5");
  EXPECT_EQ(c.text(kIdcSavedLevel), "75");
  EXPECT_EQ(c.text(kIdcProcSavedLevel), "75");
}

TEST_F(Dialogs, SimulationDialogStartsFromTheEditCopiesAndSettings) {
  state.series.wMinPulsesEdit = 3;
  state.series.wMaxPulsesEdit = 15;
  const DialogControls c = initialControls(kDialogSimulation, state);
  EXPECT_EQ(c.text(kIdcSimFrom), "3");
  EXPECT_EQ(c.text(kIdcSimTo), "15");
  EXPECT_EQ(c.text(kIdcSimIncrement), "1");
  EXPECT_EQ(c.text(kIdcSimNoiseInitial), "0");
  EXPECT_EQ(c.text(kIdcSimNoiseSteps), "29");
  EXPECT_EQ(c.text(kIdcSimNoiseStep), "5");
  EXPECT_EQ(c.text(kIdcSimRepeats), "100");
}

TEST_F(Dialogs, SubsetSettingsTakeTheClickedButtonsOnOkOnly) {
  DialogControls c = initialControls(kDialogSubsetSettings, state);
  EXPECT_TRUE(c.checked(kIdcComplete));
  EXPECT_FALSE(c.checked(kIdcSingleRandom));
  EXPECT_TRUE(c.checked(kIdcProceedComplete));
  EXPECT_EQ(c.text(kIdcInitPosition), "1");

  // A mode without a button shows "Complete " and stays as it is unless clicked.
  state.subsets.dwSubsetEmploymentMode = 7;
  c = initialControls(kDialogSubsetSettings, state);
  EXPECT_TRUE(c.checked(kIdcComplete));
  answer(111, kIdOk);
  runParameterDialog(window, state, kDialogSubsetSettings);
  EXPECT_EQ(state.subsets.dwSubsetEmploymentMode, 7u);

  answer(111, kIdOk, {}, {{kIdcMultipleRandom, true}, {kIdcProceedShifted, true}});
  runParameterDialog(window, state, kDialogSubsetSettings);
  EXPECT_EQ(state.subsets.dwSubsetEmploymentMode, kSubsetMultipleRandom);
  EXPECT_EQ(state.subsets.dwSubsetProceedingMode, 2u);
  c = initialControls(kDialogSubsetSettings, state);
  EXPECT_TRUE(c.checked(kIdcMultipleRandom));
  EXPECT_TRUE(c.checked(kIdcProceedShifted));

  answer(111, kIdCancel, {}, {{kIdcSingleRandom, true}, {kIdcProceedComplete, true}});
  runParameterDialog(window, state, kDialogSubsetSettings);
  EXPECT_EQ(state.subsets.dwSubsetEmploymentMode, kSubsetMultipleRandom);
  EXPECT_EQ(state.subsets.dwSubsetProceedingMode, 2u);
}

TEST_F(Dialogs, DrawingSettingsChangeOnlyWhatWasClicked) {
  const DialogControls c = initialControls(kDialogDrawingSettings, state);
  EXPECT_TRUE(c.checked(kIdcFrameGraphFields));
  EXPECT_TRUE(c.checked(kIdcShadedOriginal));
  EXPECT_TRUE(c.checked(kIdcHighlightDetected));
  EXPECT_FALSE(c.checked(kIdcSpecialGraphSize));
  EXPECT_TRUE(c.checked(kIdcColouredBackground));

  // OK without clicking anything, and Cancel after clicking, keep all five.
  state.drawing.dwShadedOriginalPulses = 5;  // non-zero: the box shows checked
  answer(112, kIdOk);
  command(kCmdDrawingSettings);
  answer(112, kIdCancel, {}, {{kIdcFrameGraphFields, false}, {kIdcNoHighlight, true}});
  command(kCmdDrawingSettings);
  EXPECT_EQ(state.drawing.dwFrameGraphFields, 1u);
  EXPECT_EQ(state.drawing.dwShadedOriginalPulses, 5u);
  EXPECT_EQ(state.drawing.dwHighlightDetectedPulses, 1u);
  EXPECT_EQ(state.drawing.dwSpecialGraphSize, 0u);
  EXPECT_EQ(state.drawing.dwTupleHighlighting, 2u);

  answer(112, kIdOk, {},
         {{kIdcFrameGraphFields, false}, {kIdcSpecialGraphSize, true}, {kIdcDottedFrame, true}});
  command(kCmdDrawingSettings);
  EXPECT_EQ(state.drawing.dwFrameGraphFields, 0u);
  EXPECT_EQ(state.drawing.dwSpecialGraphSize, 1u);
  EXPECT_EQ(state.drawing.dwTupleHighlighting, 1u);
  EXPECT_EQ(state.drawing.dwShadedOriginalPulses, 5u);
  answer(112, kIdOk, {}, {{kIdcNoHighlight, true}});
  command(kCmdDrawingSettings);
  EXPECT_EQ(state.drawing.dwTupleHighlighting, 0u);
}

TEST_F(Dialogs, StatisticsDisplayReadsTheUpperBoundOnlyWhenFixed) {
  DialogControls c = initialControls(kDialogShowStatistics, state);
  EXPECT_EQ(c.text(kIdcUpperBound), "0.25");
  EXPECT_TRUE(c.checked(kIdcRestoringError));
  EXPECT_TRUE(c.checked(kIdcComponentwise));
  EXPECT_FALSE(c.checked(kIdcFixedUpperBound));
  EXPECT_EQ(c.checks.count(kIdcBoundsIncluded), 0u);  // 114 only

  answer(113, kIdOk, {{kIdcUpperBound, "0.75"}});
  runParameterDialog(window, state, kDialogShowStatistics);
  EXPECT_DOUBLE_EQ(state.statistics.upperBound, 0.25);

  answer(113, kIdOk, {{kIdcUpperBound, "0.75"}}, {{kIdcFixedUpperBound, true}});
  runParameterDialog(window, state, kDialogShowStatistics);
  EXPECT_EQ(state.statistics.dwFixedUpperBound, 1u);
  EXPECT_DOUBLE_EQ(state.statistics.upperBound, 0.75);

  state.statistics.upperBound = 1.0 / 3.0;
  c = initialControls(kDialogShowStatisticsRecognition, state);
  EXPECT_EQ(c.text(kIdcUpperBound), "0.33333");
  EXPECT_TRUE(c.checked(kIdcBoundsIncluded));
  answer(114, kIdOk, {}, {{kIdcRecognitionError, true}, {kIdcBoundsIncluded, false}});
  runParameterDialog(window, state, kDialogShowStatisticsRecognition);
  EXPECT_EQ(state.statistics.dwHandlingCase, 3u);
  EXPECT_EQ(state.statistics.dwBoundsIncluded, 0u);
  EXPECT_NEAR(state.statistics.upperBound, 0.33333,
              1e-12);  // the switch is still on: text read back

  // Dialog 113 shows handling case 3 as "restoring error" and keeps it unless clicked.
  c = initialControls(kDialogShowStatistics, state);
  EXPECT_TRUE(c.checked(kIdcRestoringError));
  answer(113, kIdCancel, {}, {{kIdcDetectionError, true}, {kIdcSummaryView, true}});
  runParameterDialog(window, state, kDialogShowStatistics);
  EXPECT_EQ(state.statistics.dwHandlingCase, 3u);
  EXPECT_EQ(state.statistics.dwViewCase, 1u);
}

// The buttons act by their clicks: a click on the button already checked sets its value
// too, which replaces a value no button of the dialog stands for.
TEST_F(Dialogs, StatisticsDisplayTakesAClickOnTheButtonAlreadyChecked) {
  state.statistics.dwHandlingCase = 3;  // recognition error, which 113 shows as "restoring error"
  state.statistics.dwViewCase = 7;      // no button: "componentwise" shows checked
  answer(113, kIdOk, {}, {{kIdcRestoringError, true}, {kIdcComponentwise, true}});
  runParameterDialog(window, state, kDialogShowStatistics);
  EXPECT_EQ(state.statistics.dwHandlingCase, 1u);
  EXPECT_EQ(state.statistics.dwViewCase, 1u);

  // The last click of a group wins; a box clicked twice is read as it ends, as 1 or 0;
  // Cancel undoes every click.
  state.statistics.dwFixedUpperBound = 2;
  DialogControls initial = initialControls(kDialogShowStatisticsRecognition, state);
  DialogControls edited = initial;
  edited.clicks = {kIdcRecognitionError, kIdcDetectionError, kIdcFixedUpperBound,
                   kIdcFixedUpperBound, kIdcRecognitionError};
  applyDialogOk(window, kDialogShowStatisticsRecognition, state, initial, edited);
  EXPECT_EQ(state.statistics.dwHandlingCase, 3u);
  EXPECT_EQ(state.statistics.dwFixedUpperBound, 1u);
  answer(114, kIdCancel, {}, {{kIdcDetectionError, true}, {kIdcSummaryView, true}});
  runParameterDialog(window, state, kDialogShowStatisticsRecognition);
  EXPECT_EQ(state.statistics.dwHandlingCase, 3u);
  EXPECT_EQ(state.statistics.dwViewCase, 1u);
}

// The edges of the ranges the dialogs accept.
TEST_F(Dialogs, SimulationGridAndRequiredCountAreTakenUpToTheirLimits) {
  state.series.wMinPulsesEdit = 6;
  state.series.wMaxPulsesEdit = 30;
  // Initial level + (steps - 1) x step: 32762 + 5 = 32767 is the greatest noise level.
  answer(110, kIdOk, {{kIdcSimNoiseInitial, "32762"}, {kIdcSimNoiseSteps, "2"}, {kIdcSimNoiseStep, "5"}});
  EXPECT_EQ(runParameterDialog(window, state, kDialogSimulation), 1);
  EXPECT_EQ(state.simulation.wSimNoiseInitial, 32762);
  answer(110, kIdOk, {{kIdcSimNoiseInitial, "32763"}, {kIdcSimNoiseSteps, "2"}, {kIdcSimNoiseStep, "5"}});
  EXPECT_EQ(runParameterDialog(window, state, kDialogSimulation), 0);
  EXPECT_EQ(state.simulation.wSimNoiseInitial, 32762);
  ASSERT_EQ(window.messages.size(), 1u);

  // A required count equal to the list's capacity is taken; one more keeps the count.
  ASSERT_EQ(state.etalons.wRequiredCapacity, 20);
  state.etalons.wRequiredCount = 3;
  answer(107, kIdOk, {{kIdcRequiredCount, "20"}});
  runParameterDialog(window, state, kDialogRequiredEtalons);
  EXPECT_EQ(state.etalons.wRequiredCount, 20);
  state.etalons.wRequiredCount = 3;
  answer(107, kIdOk, {{kIdcRequiredCount, "21"}});
  runParameterDialog(window, state, kDialogRequiredEtalons);
  EXPECT_EQ(state.etalons.wRequiredCount, 3);
}

TEST_F(Dialogs, EditDialogsReportThroughTheConfirmationFlag) {
  state.flags.dwConfirmed = 1;
  answer(107, kIdCancel);
  EXPECT_EQ(runParameterDialog(window, state, kDialogRequiredEtalons), 0);
  EXPECT_EQ(state.flags.dwConfirmed, 0u);
  answer(107, kIdOk);
  EXPECT_EQ(runParameterDialog(window, state, kDialogRequiredEtalons), 1);
  EXPECT_EQ(state.flags.dwConfirmed, 1u);
  // The display dialogs leave the flag alone.
  answer(112, kIdCancel);
  runParameterDialog(window, state, kDialogDrawingSettings);
  EXPECT_EQ(state.flags.dwConfirmed, 1u);
}

// A window a person answers opens a refused set-up dialog again with what was typed; the
// other dialogs, and every dialog of a scripted window, close on the refusal.
TEST_F(Dialogs, ARefusedSetUpDialogComesBackWithTheTypedValues) {
  state.series.wMinPulsesEdit = 6;
  state.series.wMaxPulsesEdit = 30;
  window.reopenRefused = true;
  answer(kDialogSimulation, kIdOk, {{kIdcSimFrom, "5"}, {kIdcSimRepeats, "7"}});
  answer(kDialogSimulation, kIdOk, {{kIdcSimFrom, "6"}});
  answer(kDialogSimulation, kIdCancel);  // ends the test should the values be refused again
  EXPECT_EQ(runParameterDialog(window, state, kDialogSimulation), 1);
  ASSERT_EQ(window.dialogs.size(), 2u);
  EXPECT_EQ(window.dialogs[1].initial.text(kIdcSimFrom), "5");
  EXPECT_EQ(window.dialogs[1].initial.text(kIdcSimRepeats), "7");
  EXPECT_EQ(state.simulation.wSimRepeats, 7);
  EXPECT_EQ(window.messages.size(), 1u);
  window.dialogAnswers.clear();

  window.clearRecords();
  answer(kDialogSeriesParameters, kIdOk, {{kIdcTmin, "0"}});
  answer(kDialogSeriesParameters, kIdCancel);
  EXPECT_EQ(runParameterDialog(window, state, kDialogSeriesParameters), 0);
  EXPECT_EQ(window.dialogs.size(), 2u);
  EXPECT_EQ(state.flags.dwConfirmed, 0u);

  window.clearRecords();
  window.reopenRefused = false;
  answer(kDialogSimulation, kIdOk, {{kIdcSimFrom, "5"}});
  EXPECT_EQ(runParameterDialog(window, state, kDialogSimulation), 0);
  EXPECT_EQ(window.dialogs.size(), 1u);
}

TEST_F(Dialogs, NoiseLevelOfTheSeriesStructureMustFitTheNoiseRoutine) {
  state.series.wMinPulsesEdit = 6;
  state.series.wMaxPulsesEdit = 30;
  const std::vector<uint16_t> sequence(state.etalons.lpEditSequence,
                                       state.etalons.lpEditSequence + 30);
  answer(106, kIdOk, {{kIdcNoiseLevel, "40000"}, {kIdcSequence, "5,5,5"}});
  EXPECT_EQ(runParameterDialog(window, state, kDialogSeriesStructure), 0);
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(window.last().text, "Noise Level must lie between 0 and 32767!");
  EXPECT_EQ(std::vector<uint16_t>(state.etalons.lpEditSequence, state.etalons.lpEditSequence + 30),
            sequence);
}

// Every control the dialog logic fills or reads exists in its dialog's template, with
// the kind the logic expects.
TEST(DialogTemplates, HoldEveryControlTheLogicUses) {
  const AppState state;
  for (int id : {105, 106, 107, 110, 111, 112, 113, 114}) {
    SCOPED_TRACE(id);
    const DialogTemplate* t = findDialogTemplate(id);
    ASSERT_NE(t, nullptr);
    std::set<int> edits, texts, buttons;
    bool ok = false, cancel = false;
    for (size_t i = 0; i < t->controlCount; ++i) {
      const ControlTemplate& c = t->controls[i];
      if (c.kind == ControlKind::kEdit) edits.insert(c.id);
      if (c.kind == ControlKind::kEdit || c.kind == ControlKind::kStatic) texts.insert(c.id);
      if (c.kind == ControlKind::kCheckBox || c.kind == ControlKind::kRadioButton)
        buttons.insert(c.id);
      ok |= c.kind == ControlKind::kButton && c.id == 1;
      cancel |= c.kind == ControlKind::kButton && c.id == 2;
      if (c.group > 0) {
        EXPECT_NE(c.kind, ControlKind::kGroupBox);
      }
    }
    EXPECT_TRUE(ok);
    EXPECT_TRUE(cancel);
    const DialogControls c = initialControls(id, state);
    for (const auto& [control, text] : c.texts) EXPECT_TRUE(texts.count(control)) << control;
    for (const auto& [control, on] : c.checks) EXPECT_TRUE(buttons.count(control)) << control;
  }
  EXPECT_EQ(std::string(dialogTitle(110)), " Location Parameters");
  EXPECT_EQ(std::string(dialogTitle(106)), "Create Series");
  EXPECT_EQ(findDialogTemplate(108), nullptr);
  const DialogTemplate* t111 = findDialogTemplate(111);
  EXPECT_EQ(t111->width, 223);
  EXPECT_EQ(t111->height, 113);
}

TEST(MainMenu, NamesEveryMenuCommand) {
  for (int id = 40001; id <= 40033; ++id) {
    if (id == 40013) {
      EXPECT_EQ(menuText(id), nullptr);
      continue;
    }
    EXPECT_NE(menuText(id), nullptr) << id;
  }
  EXPECT_STREQ(menuText(40011), " Unfuxed Number of Cutoffs Pulses");
  EXPECT_STREQ(menuText(40018), " Processing Next Data ");
  size_t count = 0;
  const MenuItemTemplate* menu = mainMenu(count);
  int depth = 0;
  for (size_t i = 0; i < count; ++i) {
    if (menu[i].kind == MenuItemKind::kPopupBegin) ++depth;
    if (menu[i].kind == MenuItemKind::kPopupEnd) --depth;
    EXPECT_GE(depth, 0);
  }
  EXPECT_EQ(depth, 0);
}

}  // namespace
}  // namespace velmora::testing
