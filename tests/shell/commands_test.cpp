#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "shell/pipeline.h"
#include "shell_fixture.h"

namespace velmora::testing {
namespace {

// The settings a command may change, for before/after comparisons.
auto settings(const AppState& s) {
  return std::make_tuple(
      s.series.dwSeriesLength, s.series.dwSeriesLengthCur, s.series.wTmin, s.series.wTmax,
      s.series.wMinPulses, s.series.wMaxPulses, s.series.wMeanPulses, s.series.wPulseCount,
      s.series.wNoiseLevel, s.series.wNoiseLevelCur, s.series.wSavedLevelCur,
      s.series.wProcSavedLevelCur, s.etalons.dwDefaultEtalon, s.etalons.dwSingleEtalon,
      s.problem.wSeriesType, s.problem.wTaskType, s.view.dwViewMode, s.simulation.wSimPulsesStep,
      s.simulation.wSimNoiseInitial, s.simulation.wSimNoiseSteps, s.simulation.wSimNoiseStep,
      s.simulation.wSimRepeats, s.etalons.wEtalonSequenceSize,
      std::vector<uint16_t>(s.etalons.lpEtalonSequence,
                            s.etalons.lpEtalonSequence + s.etalons.wEtalonSequenceSize),
      s.series.wNoiseSeed, s.etalons.sequenceRandom.state);
}

using Commands = ShellTest;

TEST_F(Commands, TaskSelectionSetsTheMarkAndTheEffectiveTask) {
  command(kCmdJoint);
  EXPECT_EQ(state.problem.wTaskType, kTaskJoint);
  EXPECT_EQ(state.problem.wEffectiveTaskType, kTaskJoint);
  EXPECT_TRUE(window.checkedMenuItem(kCmdJoint));
  EXPECT_FALSE(window.checkedMenuItem(kCmdRecognition));
  EXPECT_FALSE(window.checkedMenuItem(kCmdDetection));
  EXPECT_FALSE(window.checkedMenuItem(kCmdSeriesProcessing));
  EXPECT_EQ(state.etalons.wRequiredCount, 20);

  // Detection searches for the single etalon: the list holds just that one.
  state.etalons.dwSingleEtalon = 7;
  command(kCmdDetection);
  EXPECT_EQ(state.problem.wEffectiveTaskType, kTaskDetection);
  EXPECT_TRUE(window.checkedMenuItem(kCmdDetection));
  EXPECT_FALSE(window.checkedMenuItem(kCmdJoint));
  EXPECT_EQ(requiredList(), (std::vector<uint16_t>{7}));
  for (int e = 0; e < 20; ++e) EXPECT_EQ(state.etalons.requiredFlags[e], e == 6 ? 1 : 0);

  command(kCmdSeriesProcessing);
  EXPECT_EQ(state.problem.wEffectiveTaskType, kTaskSeriesProcessing);
  EXPECT_EQ(window.sentCommands.back(), kCmdNothing);

  command(kCmdFixedTuples);
  command(kCmdDetection);
  EXPECT_EQ(state.problem.wEffectiveTaskType, kTaskTupleDetection);
  command(kCmdRecognition);
  EXPECT_EQ(state.problem.wEffectiveTaskType, kTaskTupleRecognition);
}

TEST_F(Commands, SeriesSelectionSetsTheMarkAndForcesWholePulseLevels) {
  command(kCmdUnfixedCutoffs);
  EXPECT_EQ(state.problem.wSeriesType, kSeriesUnfixedCutoff);
  EXPECT_TRUE(window.checkedMenuItem(kCmdUnfixedCutoffs));
  for (int id : {kCmdFixedWhole, kCmdUnfixedWhole, kCmdFixedCutoffs, kCmdFixedTuples,
                 kCmdUnfixedTuples})
    EXPECT_FALSE(window.checkedMenuItem(id)) << id;
  EXPECT_EQ(state.series.wLostLevel, 25);  // cut-off types keep the lost data level
  EXPECT_EQ(state.series.wSavedLevelCur, 75);

  const int whole[] = {kCmdFixedWhole, kCmdUnfixedWhole, kCmdFixedTuples, kCmdUnfixedTuples};
  const uint16_t types[] = {kSeriesFixedWhole, kSeriesUnfixedWhole, kSeriesFixedTuples,
                            kSeriesUnfixedTuples};
  for (int i = 0; i < 4; ++i) {
    command(kCmdFixedCutoffs);
    state.series.dwLostIndex = 3;
    state.series.wLostLevel = state.series.wLostLevelCur = 50;
    state.series.wSavedLevel = state.series.wSavedLevelCur = state.series.wProcSavedLevel = 50;
    command(whole[i]);
    EXPECT_EQ(state.problem.wSeriesType, types[i]);
    EXPECT_EQ(state.series.dwLostIndex, 1);
    EXPECT_EQ(state.series.wLostLevel, 0);
    EXPECT_EQ(state.series.wLostLevelCur, 0);
    for (uint16_t level : {state.series.wSavedLevel, state.series.wSavedLevelEdit,
                           state.series.wSavedLevelCur, state.series.wProcSavedLevel,
                           state.series.wProcSavedLevelEdit, state.series.wProcSavedLevelCur})
      EXPECT_EQ(level, 100);
    EXPECT_EQ(state.problem.wEffectiveTaskType, kTaskRecognition);  // recomputed only by new data
  }
}

TEST_F(Commands, RepeatCommandsChangeTheTypesWithoutTheMarks) {
  command(kCmdUnfixedCase);
  EXPECT_EQ(state.problem.wSeriesType, kSeriesUnfixedWhole);
  EXPECT_TRUE(window.checkedMenuItem(kCmdFixedCutoffs));
  command(kCmdRepeatJoint);
  EXPECT_EQ(state.problem.wTaskType, kTaskJoint);
  EXPECT_EQ(state.problem.wEffectiveTaskType, kTaskJoint);
  EXPECT_TRUE(window.checkedMenuItem(kCmdRecognition));
  EXPECT_EQ(window.sentCommands, (std::vector<int>{205, 205}));
  EXPECT_EQ(state.view.dwViewMode, kViewResults);
}

TEST_F(Commands, CreateSeriesTurnsWholePulseTypesIntoUserSequenceTypes) {
  for (int id : {kCmdFixedWhole, kCmdUnfixedWhole}) {
    command(id);
    window.clearRecords();
    command(kCmdCreateSeries);
    EXPECT_EQ(window.sentCommands, (std::vector<int>{215, 216}));
    ASSERT_EQ(window.dialogs.size(), 2u);
    EXPECT_EQ(window.dialogs[0].dialogId, 105);
    EXPECT_EQ(window.dialogs[1].dialogId, 106);
    const uint16_t given = id == kCmdFixedWhole ? kSeriesFixedWholeGiven : kSeriesUnfixedWholeGiven;
    EXPECT_EQ(state.problem.wSeriesType, given);
    EXPECT_EQ(state.view.dwViewMode, kViewResults);
    EXPECT_EQ(state.records.lpChainsHeader->wSeriesType, state.problem.wSeriesType);
    // Until a series type is chosen again, every run keeps the user sequence type.
    command(kCmdProcessNext);
    EXPECT_EQ(state.problem.wSeriesType, given);
    for (int task : {kCmdDetection, kCmdRecognition, kCmdJoint, kCmdSeriesProcessing}) {
      command(task);
      command(kCmdProcessNext);
      EXPECT_EQ(state.records.lpChainsHeader->wTaskType, state.problem.wEffectiveTaskType);
      EXPECT_GT(state.records.lpSeriesHeader->wFoundPulses, 0);
    }
  }
  command(kCmdFixedCutoffs);
  command(kCmdCreateSeries);
  EXPECT_EQ(state.problem.wSeriesType, kSeriesFixedCutoff);
  EXPECT_TRUE(window.messages.empty());
}

TEST_F(Commands, CreateSeriesCommitsTheDialogsAndUsesTheirTminForTheGreatestCount) {
  answer(105, kIdOk,
         {{kIdcSeriesLength, "600"}, {kIdcTmin, "20"}, {kIdcTmax, "181"},
          {kIdcEtalonNumber, "4"}, {kIdcSavedLevel, "90"}, {kIdcProcSavedLevel, "80"}});
  answer(106, kIdOk, {{kIdcPulseCount, "12"}, {kIdcSequence, "4, 5,  6"},
                      {kIdcNoiseLevel, "35"}});
  command(kCmdCreateSeries);
  ASSERT_EQ(window.dialogs.size(), 2u);
  // (600 + 19) / 181 = 3 and (600 - 20 + 20) / 20 = 30: Tmin' both added and divided by.
  EXPECT_EQ(window.dialogs[1].initial.text(kIdcPulseCountLabel),
            "Number of Pulses in Series (from 3 to 30)");
  EXPECT_EQ(window.dialogs[1].initial.text(kIdcPulseCount), "16");
  EXPECT_EQ(window.dialogs[1].initial.text(kIdcSequenceLabel),
            "Sequence of Etalons in Series (values from 1 to 20)");
  EXPECT_EQ(window.dialogs[1].initial.text(kIdcNoiseLevel), "20");
  EXPECT_EQ(state.series.dwSeriesLength, 600u);
  EXPECT_EQ(state.series.wTmin, 20);
  EXPECT_EQ(state.series.wMinPulses, 3);
  EXPECT_EQ(state.series.wMaxPulses, 30);
  EXPECT_EQ(state.series.wMeanPulses, 12);
  EXPECT_EQ(state.series.wNoiseLevel, 35);
  EXPECT_EQ(state.series.wNoiseLevelCur, 35);
  EXPECT_EQ(state.etalons.dwDefaultEtalon, 4);
  EXPECT_EQ(state.etalons.dwSingleEtalon, 4);
  EXPECT_EQ(state.records.wChainsPulses, 30);
  EXPECT_EQ(state.records.lpChainsHeader->wMaxPulses, 30);
  ASSERT_GE(state.etalons.wEtalonSequenceSize, 30);
  const SeriesHeader* h = state.records.lpSeriesHeader;
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(h->dwSeriesSize, 600u);
  EXPECT_EQ(h->wImpulseQuantity, 12);
  EXPECT_EQ(h->wNoise, 35);
  // The typed sequence (a blank after a comma does not repeat a number), then the old
  // sequence, which the default etalon filled.
  const int16_t expected[12] = {4, 5, 6, 1, 1, 1, 1, 1, 1, 1, 1, 1};
  for (int k = 0; k < 12; ++k) EXPECT_EQ(h->lpEtalons[k], expected[k]) << k;
  // The saved energy levels of dialog 105 make and process this series.
  EXPECT_EQ(state.records.lpChainsHeader->wSavedLevelMaking, 90);
  EXPECT_EQ(state.records.lpChainsHeader->wSavedLevelProcessing, 80);
  // The next new-data run takes the chosen levels again.
  command(kCmdProcessNext);
  EXPECT_EQ(state.series.wSavedLevelCur, 75);
  EXPECT_EQ(state.series.wProcSavedLevelCur, 75);
}

TEST_F(Commands, CreateSeriesReadsTheWholeSequenceText) {
  // 58 two-digit entries: far beyond 99 characters.
  std::string sequence;
  for (int k = 0; k < 58; ++k) sequence += (k ? "," : "") + std::to_string(10 + k % 10);
  answer(105, kIdOk, {{kIdcTmin, "20"}});
  answer(106, kIdOk, {{kIdcPulseCount, "58"}, {kIdcSequence, sequence}});
  command(kCmdCreateSeries);
  const SeriesHeader* h = state.records.lpSeriesHeader;
  ASSERT_EQ(h->wImpulseQuantity, 58);
  for (int k = 0; k < 58; ++k) EXPECT_EQ(h->lpEtalons[k], 10 + k % 10) << k;
}

// Raising the pulse count above the count shown without typing more etalons: the pulses
// beyond the list shown keep the edit sequence's own entries.
TEST_F(Commands, CreateSeriesKeepsTheSequenceBeyondTheEntriesShown) {
  command(kCmdJoint);  // a sequence of varied etalons
  command(kCmdProcessNext);
  ASSERT_GE(state.etalons.wEtalonSequenceSize, 25);
  const std::vector<uint16_t> sequence(state.etalons.lpEtalonSequence,
                                       state.etalons.lpEtalonSequence + 25);
  ASSERT_NE(std::vector<uint16_t>(sequence.begin() + 18, sequence.end()),
            std::vector<uint16_t>(7, 1));
  answer(105, kIdOk);
  answer(106, kIdOk, {{kIdcPulseCount, "25"}});
  command(kCmdCreateSeries);
  ASSERT_EQ(window.dialogs.back().initial.text(kIdcPulseCount), "18");
  const SeriesHeader* h = state.records.lpSeriesHeader;
  ASSERT_EQ(h->wImpulseQuantity, 25);
  for (int k = 0; k < 25; ++k) EXPECT_EQ(h->lpEtalons[k], sequence[k]) << k;

  // Below the count shown, entries the text does not reach read as 0 (etalon 1).
  answer(105, kIdOk);
  answer(106, kIdOk, {{kIdcPulseCount, "25"}, {kIdcSequence, "7,8"}});
  command(kCmdCreateSeries);
  EXPECT_EQ(h->lpEtalons[0], 7);
  EXPECT_EQ(h->lpEtalons[1], 8);
  for (int k = 2; k < 18; ++k) EXPECT_EQ(h->lpEtalons[k], 1) << k;
  for (int k = 18; k < 25; ++k) EXPECT_EQ(h->lpEtalons[k], sequence[k]) << k;
}

// A pulse count at either end of the dialog's range is kept; one beyond becomes the
// middle of the range.
TEST_F(Commands, CreateSeriesKeepsTheRangesEndsAndReplacesWhatLiesBeyond) {
  const std::pair<const char*, uint16_t> cases[] = {{"6", 6}, {"30", 30}, {"5", 18}, {"31", 18}};
  for (const auto& [typed, used] : cases) {
    answer(105, kIdOk);
    answer(106, kIdOk, {{kIdcPulseCount, typed}});
    command(kCmdCreateSeries);
    EXPECT_EQ(window.dialogs.back().initial.text(kIdcPulseCountLabel),
              "Number of Pulses in Series (from 6 to 30)");
    EXPECT_EQ(state.series.wMeanPulses, used) << typed;
    EXPECT_EQ(state.records.lpSeriesHeader->wImpulseQuantity, used) << typed;
  }
}

TEST_F(Commands, CancellingEitherCreateSeriesDialogChangesNothing) {
  command(kCmdProcessNext);
  const auto before = settings(state);
  const std::vector<int16_t> noisy(state.records.lpSeriesHeader->lpNoisyData,
                                   state.records.lpSeriesHeader->lpNoisyData + 1200);
  answer(105, kIdCancel, {{kIdcSeriesLength, "600"}});
  command(kCmdCreateSeries);
  EXPECT_EQ(settings(state), before);

  answer(105, kIdOk);
  answer(106, kIdCancel, {{kIdcPulseCount, "7"}, {kIdcNoiseLevel, "50"}});
  command(kCmdCreateSeries);
  EXPECT_EQ(settings(state), before);
  EXPECT_EQ(std::vector<int16_t>(state.records.lpSeriesHeader->lpNoisyData,
                                 state.records.lpSeriesHeader->lpNoisyData + 1200),
            noisy);
  EXPECT_TRUE(window.messages.empty());
}

TEST_F(Commands, SeriesParametersThatCannotWorkAreRefusedWithAMessage) {
  const std::map<int, std::string> bad[] = {
      {{kIdcTmin, "0"}},          {{kIdcTmax, "0"}},
      {{kIdcTmin, "190"}},        {{kIdcTmax, "19"}, {kIdcTmin, "10"}},
      {{kIdcSeriesLength, "19"}}, {{kIdcSeriesLength, "32768"}},
      {{kIdcTmin, "-40"}},        {{kIdcTmax, "70000"}},
      {{kIdcEtalonNumber, "0"}},  {{kIdcEtalonNumber, "21"}},
      {{kIdcSavedLevel, "101"}},  {{kIdcProcSavedLevel, "-1"}},
      // (39 + 19) / 20 = 2 pulses at least, (39 - 20 + 20) / 20 = 1 at most.
      {{kIdcSeriesLength, "39"}, {kIdcTmin, "20"}, {kIdcTmax, "20"}}};
  const auto before = settings(state);
  for (const auto& texts : bad) {
    window.clear();
    window.clearRecords();
    answer(105, kIdOk, texts);
    command(kCmdCreateSeries);
    ASSERT_EQ(window.messages.size(), 1u) << texts.begin()->second;
    EXPECT_EQ(window.last().caption, "Create Series");
    EXPECT_EQ(window.dialogs.size(), 1u);  // dialog 106 is not opened
    EXPECT_EQ(settings(state), before);
    EXPECT_EQ(state.etalons.dwDefaultEtalon, 1);
  }
}

TEST_F(Commands, NewPulsesReadsTheRequiredListAndItsFlags) {
  answer(107, kIdOk, {{kIdcRequiredCount, "4"}, {kIdcRequiredList, "3, 5,,17 ,25"}});
  command(kCmdNewPulses);
  ASSERT_EQ(window.dialogs.size(), 1u);
  EXPECT_EQ(window.dialogs[0].initial.text(kIdcRequiredCount), "20");
  EXPECT_EQ(window.dialogs[0].initial.text(kIdcRequiredLabel),
            "List of Required Etalons (from 1 to 20)");
  EXPECT_EQ(window.dialogs[0].initial.text(kIdcRequiredList),
            "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20");
  // 25 names no etalon: it takes its position.
  EXPECT_EQ(requiredList(), (std::vector<uint16_t>{3, 5, 17, 4}));
  for (int e = 1; e <= 20; ++e)
    EXPECT_EQ(state.etalons.requiredFlags[e - 1], (e == 3 || e == 4 || e == 5 || e == 17) ? 1 : 0)
        << e;

  // A count of 0 or above the capacity keeps the old count; missing entries read as 0
  // and so take their positions too.
  answer(107, kIdOk, {{kIdcRequiredCount, "0"}, {kIdcRequiredList, "9,8"}});
  command(kCmdNewPulses);
  EXPECT_EQ(requiredList(), (std::vector<uint16_t>{9, 8, 3, 4}));
  answer(107, kIdOk, {{kIdcRequiredCount, "21"}, {kIdcRequiredList, "2,2,2,2,2"}});
  command(kCmdNewPulses);
  EXPECT_EQ(requiredList(), (std::vector<uint16_t>{2, 2, 2, 2}));

  // Cancel keeps the list.
  answer(107, kIdCancel, {{kIdcRequiredCount, "1"}, {kIdcRequiredList, "7"}});
  command(kCmdNewPulses);
  EXPECT_EQ(requiredList(), (std::vector<uint16_t>{2, 2, 2, 2}));
  EXPECT_EQ(state.etalons.requiredFlags[1], 1);
  EXPECT_EQ(state.etalons.requiredFlags[0], 0);
}

TEST_F(Commands, SeriesParametersCommandEnsuresARequiredEtalon) {
  state.etalons.wRequiredCount = 0;
  std::fill(std::begin(state.etalons.requiredFlags), std::end(state.etalons.requiredFlags),
            uint16_t{0});
  state.etalons.dwSingleEtalon = 9;
  answer(105, kIdCancel);
  command(kCmdSeriesParameters);
  EXPECT_EQ(requiredList(), (std::vector<uint16_t>{1}));
  EXPECT_EQ(state.etalons.requiredFlags[0], 1);
  EXPECT_EQ(state.etalons.dwSingleEtalon, 1);
  EXPECT_EQ(window.dialogs[0].initial.text(kIdcEtalonNumber), "1");
  EXPECT_EQ(state.flags.dwConfirmed, 0u);

  // A single etalon whose flag is clear gives way to the first flagged one.
  state.etalons.requiredFlags[0] = 0;
  state.etalons.requiredFlags[11] = 1;
  state.etalons.lpRequiredList[0] = 12;
  command(kCmdSeriesParameters);
  EXPECT_EQ(state.etalons.dwSingleEtalon, 12);
}

TEST_F(Commands, RepaintCommandsInvalidateTheirRectangles) {
  state.layout.graphArea = Rect{10, 10, 600, 500};
  state.layout.statusStrip = Rect{700, 200, 843, 400};
  state.layout.allNoneButton = Rect{700, 100, 843, 131};
  state.layout.subsetPanel = Rect{10, 10, 600, 500};
  state.layout.etalonCells[3] = Rect{100, 20, 200, 120};
  state.layout.etalonCells[8] = Rect{300, 20, 400, 120};

  command(kCmdRepaintAll);
  ASSERT_EQ(window.invalidations.size(), 1u);
  EXPECT_TRUE(window.invalidations[0].whole);

  window.clearRecords();
  command(kCmdRepaintGraph);
  command(kCmdRepaintGraphErase);
  ASSERT_EQ(window.invalidations.size(), 2u);
  EXPECT_EQ(window.invalidations[0].rect, (Rect{10, 0, 600, 500}));
  EXPECT_FALSE(window.invalidations[0].erase);
  EXPECT_TRUE(window.invalidations[1].erase);

  // 212: the clicked cell grown by 1 to the left and top and 3 to the right and bottom,
  // and in detection the previous one; otherwise the all/none button.
  window.clearRecords();
  state.etalons.dwSingleEtalon = 4;
  state.etalons.dwPrevSingleEtalon = 9;
  command(kCmdRepaintCells);
  ASSERT_EQ(window.invalidations.size(), 2u);
  EXPECT_EQ(window.invalidations[0].rect, (Rect{99, 19, 203, 123}));
  EXPECT_EQ(window.invalidations[1].rect, state.layout.allNoneButton);
  command(kCmdDetection);
  window.clearRecords();
  command(kCmdRepaintCells);
  ASSERT_EQ(window.invalidations.size(), 2u);
  EXPECT_EQ(window.invalidations[1].rect, (Rect{299, 19, 403, 123}));

  // 213: graph area, no all/none button in detection, the status strip when pending.
  window.clearRecords();
  state.view.dwPendingStatus = 1;
  command(kCmdRepaintGraphAndButtons);
  ASSERT_EQ(window.invalidations.size(), 2u);
  EXPECT_EQ(window.invalidations[1].rect, (Rect{700, 200, 844, 401}));

  // 224: the frame of every reserved row of the subset list, then the panel.
  ASSERT_EQ(prepareSubsetSelection(window, state), 1);
  for (int row = 0; row < 10; ++row)
    state.records.selection.possibleSubsetArrayRect[row][10] = Rect{row, row, row + 5, row + 5};
  window.clearRecords();
  command(kCmdRepaintSubsetList);
  ASSERT_EQ(window.invalidations.size(), 11u);
  EXPECT_EQ(window.invalidations[9].rect, (Rect{9, 9, 14, 14}));
  EXPECT_EQ(window.invalidations[10].rect, state.layout.subsetPanel);

  window.clearRecords();
  for (int id : {kCmdNothing, 217, 219, 220, kCmdNoEffect, kCmdElseCreateSeries, 12345})
    command(id);
  EXPECT_TRUE(window.invalidations.empty());
  EXPECT_TRUE(window.dialogs.empty());
}

TEST_F(Commands, ApplyingTheSelectorTablesTakesTheIndexedValues) {
  state.series.dwSeriesLengthIndex = 2;
  state.series.dwNoiseIndex = 3;
  state.series.dwLostIndex = 3;
  command(kCmdApplyTables);
  EXPECT_EQ(state.series.dwSeriesLength, 600u);
  EXPECT_EQ(state.series.wMaxPulses, 15);
  EXPECT_EQ(state.series.wMeanPulses, 9);
  EXPECT_EQ(state.series.wNoiseLevel, 50);
  EXPECT_EQ(state.series.wLostLevel, 50);
  EXPECT_EQ(state.series.wSavedLevel, 50);
  EXPECT_EQ(state.series.wProcSavedLevel, 50);
  EXPECT_EQ(state.series.dwSeriesLengthCur, 1200u);  // the current series is unchanged
  ASSERT_EQ(window.invalidations.size(), 1u);
  EXPECT_TRUE(window.invalidations[0].whole);
}

TEST_F(Commands, ViewCommandsSwitchTheViewAndBuildWhatTheyShow) {
  command(kCmdSelectSubset);
  EXPECT_EQ(state.view.dwViewMode, kViewSubsetSelection);
  command(kCmdViewSeriesParameters);
  EXPECT_EQ(state.view.dwViewMode, kViewSeriesParameters);
  ASSERT_NE(state.records.lpParamsHeader, nullptr);
  EXPECT_EQ(state.records.lpParamsHeader->dwMaxPulses, 30);
  EXPECT_EQ(window.editText(), "40");
  EXPECT_EQ(window.invalidations.size(), 2u);
}

TEST_F(Commands, ExitDebuggingAndSnapshotReachTheirTargets) {
  command(kCmdExit);
  command(kCmdClose);
  EXPECT_EQ(window.closeRequests, 2);

  int snapshots = 0;
  command(kCmdSaveImage);  // no front end: nothing happens
  state.hooks.snapshotCommand = [&](Window&) { return ++snapshots; };
  command(kCmdSaveImage);
  EXPECT_EQ(snapshots, 1);

  command(kCmdDebuggingRepeat);
  EXPECT_EQ(window.sentCommands, (std::vector<int>{kCmdProcess}));
  EXPECT_EQ(state.view.wResultKind, kResultProcessing);
  // Only the unfixed-count tuple searches read and clear the flag.
  EXPECT_EQ(state.flags.dwDiagnostic, 1u);
}

TEST_F(Commands, SubsetSettingsAttachTheSelectionToTheSeries) {
  selectSubsets({{4, 2, 7}, {1, 3}});
  answer(111, kIdOk, {}, {{kIdcSingleFixed, true}});
  command(kCmdSubsetSettings);
  EXPECT_EQ(state.subsets.dwSubsetEmploymentMode, kSubsetSingleFixed);
  const SeriesHeader* h = state.records.lpSeriesHeader;
  EXPECT_EQ(h->wSubsetSize, 3);
  EXPECT_EQ(h->wSubsetMode, kSubsetSingleFixed);
  EXPECT_EQ(h->wSubsetPosition, 1);
  EXPECT_EQ(h->lpSubset[2], 7);

  // Tuple recognition attaches the whole list and its current subset.
  command(kCmdFixedTuples);
  command(kCmdRecognition);
  state.records.selection.currentRow = 2;
  answer(111, kIdCancel, {}, {{kIdcShiftedComplete, true}});
  command(kCmdSubsetSettings);
  EXPECT_EQ(state.subsets.dwSubsetEmploymentMode, kSubsetSingleFixed);
  EXPECT_EQ(h->wSubsets, 2);
  EXPECT_EQ(h->wSubsetSize, 2);
  EXPECT_EQ(h->lpSubset[1], 3);
}

// A small simulation: recognition of fixed cut-off pulses on a 2 x 2 grid.
TEST_F(Commands, StatisticalSimulationRunsTheSetUpAndShowsTheStatistics) {
  answer(105, kIdOk, {{kIdcSeriesLength, "200"}});
  answer(110, kIdOk,
         {{kIdcSimFrom, "2"}, {kIdcSimTo, "4"}, {kIdcSimIncrement, "2"},
          {kIdcSimNoiseInitial, "10"}, {kIdcSimNoiseSteps, "2"}, {kIdcSimNoiseStep, "15"},
          {kIdcSimRepeats, "3"}});
  answer(114, kIdOk, {}, {{kIdcDetectionError, true}, {kIdcSummaryView, true}});
  state.layout.graphArea = Rect{10, 10, 600, 500};
  command(kCmdSimulation);

  EXPECT_EQ(window.sentCommands, (std::vector<int>{214, 215}));
  ASSERT_EQ(window.dialogs.size(), 3u);
  EXPECT_EQ(window.dialogs[1].dialogId, 110);
  // (200 + 19) / 181 = 1 and (200 - 20 + 40) / 40 = 5.
  EXPECT_EQ(window.dialogs[1].initial.text(kIdcSimFrom), "1");
  EXPECT_EQ(window.dialogs[1].initial.text(kIdcSimTo), "5");
  EXPECT_EQ(window.dialogs[2].dialogId, 114);
  ASSERT_GE(window.messages.size(), 1u);
  EXPECT_EQ(window.messages[0].caption, "getPulseEstAsRepeats");
  EXPECT_EQ(window.messages[0].text,
            "Create series parameters:\n"
            "длина серии: 200\n"
            "wTmin: 40\n"
            "wTmax: 181\n"
            "длина эталона: 20\n"
            "MinPulses: 2 -> 2\n"
            "MaxPulses: 4 -> 4\n"
            "\n"
            "pulses: 2, from 2 to 4 incr 2 \n"
            "noise level: from 10 to 2 incr 15\n"
            "number of repeats: 3\n");
  EXPECT_EQ(window.messages.size(), 1u);

  const RestErrorHeader* e = state.records.lpRestErrorHeader;
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->ifComplete, 1);
  EXPECT_EQ(e->wVariousPulses, 2);
  EXPECT_EQ(e->wPulseValues[1], 4);
  EXPECT_EQ(e->lpNoiseLevels[1], 25);
  EXPECT_EQ(e->repeats, 3);
  EXPECT_EQ(e->wTaskType, kTaskRecognition);
  EXPECT_EQ(state.view.wResultKind, kResultSimulation);
  EXPECT_EQ(state.view.dwViewMode, kViewResults);
  EXPECT_EQ(state.statistics.dwHandlingCase, 2u);
  EXPECT_EQ(state.statistics.dwViewCase, 2u);
  EXPECT_EQ(state.statistics.dwGraphMode, 3u);
  EXPECT_EQ(state.simulation.simStartTime, 1000);
  EXPECT_EQ(state.simulation.simEndTime, 1000);
  EXPECT_EQ(state.simulation.dwSimFirstUse, 0u);
  EXPECT_NE(state.series.wNoiseSeed, 10597);  // the runs added noise
  EXPECT_EQ(state.series.dwSeriesLengthCur, 200u);
  EXPECT_EQ(state.series.wMinPulses, 2);
  EXPECT_EQ(state.series.wMaxPulses, 4);
  EXPECT_EQ(window.invalidations.front().rect, (Rect{10, 0, 600, 500}));

  // " Show Statistical Simulation" shows the same record again; 113 when the task is not
  // recognition, whose handling case 3 is not offered there.
  window.clearRecords();
  command(kCmdJoint);
  answer(113, kIdOk, {}, {{kIdcRestoringError, true}});
  command(kCmdShowSimulation);
  ASSERT_EQ(window.dialogs.size(), 1u);
  EXPECT_EQ(window.dialogs[0].dialogId, 113);
  EXPECT_EQ(state.statistics.dwHandlingCase, 1u);
  EXPECT_EQ(state.statistics.dwGraphMode, 1u);
}

// A run stopped part-way (Cancel in the window) puts back the records of the last finished
// simulation, so its statistics stay shown and reachable instead of partial tables under a
// description of the full run.
TEST_F(Commands, ACancelledSimulationLeavesTheLastFinishedOneShown) {
  const auto simulate = [this](const char* repeats) {
    answer(105, kIdOk, {{kIdcSeriesLength, "200"}});
    answer(110, kIdOk,
           {{kIdcSimFrom, "2"}, {kIdcSimTo, "4"}, {kIdcSimIncrement, "2"},
            {kIdcSimNoiseInitial, "10"}, {kIdcSimNoiseSteps, "2"}, {kIdcSimNoiseStep, "15"},
            {kIdcSimRepeats, repeats}});
    answer(114, kIdOk, {}, {{kIdcDetectionError, true}, {kIdcSummaryView, true}});
    command(kCmdSimulation);
  };
  state.layout.graphArea = Rect{10, 10, 600, 500};
  simulate("3");
  ASSERT_EQ(state.records.lpRestErrorHeader->ifComplete, 1);
  const RestErrorHeader* finished = state.records.lpRestErrorHeader;
  const std::vector<int32_t> tables = finished->valuesBlock;
  const std::vector<int16_t> samples(state.records.lpSeriesHeader->lpNoisyData,
                                     state.records.lpSeriesHeader->lpNoisyData +
                                         state.records.lpSeriesHeader->dwSeriesSize);
  const int32_t started = state.simulation.simStartTime;

  struct StopAfter : SimulationObserver {
    int left = 5;
    bool repeatDone(const SimulationProgress&) override { return --left > 0; }
  } stop;
  state.hooks.simObserver = &stop;
  state.hooks.simClock = [] { return int32_t{2000}; };
  window.clearRecords();
  simulate("7");
  state.hooks.simObserver = nullptr;

  const RestErrorHeader* e = state.records.lpRestErrorHeader;
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->ifComplete, 1);
  EXPECT_EQ(e->repeats, 3);
  EXPECT_EQ(e->valuesBlock, tables);
  EXPECT_EQ(state.simulation.simStartTime, started);
  EXPECT_EQ(std::vector<int16_t>(state.records.lpSeriesHeader->lpNoisyData,
                                 state.records.lpSeriesHeader->lpNoisyData +
                                     state.records.lpSeriesHeader->dwSeriesSize),
            samples);
  EXPECT_EQ(state.view.wResultKind, kResultSimulation);
  EXPECT_FALSE(window.invalidations.empty());  // the window shows the kept statistics again
  // No statistics dialog for the stopped run; " Show Statistical Simulation" still opens it.
  EXPECT_EQ(window.dialogs.size(), 2u);
  window.clearRecords();
  answer(114, kIdOk, {}, {{kIdcDetectionError, true}, {kIdcSummaryView, true}});
  command(kCmdShowSimulation);
  ASSERT_EQ(window.dialogs.size(), 1u);
  EXPECT_EQ(window.dialogs[0].dialogId, 114);
}

TEST_F(Commands, ShowingASimulationNeedsAFinishedOne) {
  command(kCmdShowSimulation);
  EXPECT_TRUE(window.dialogs.empty());
  EXPECT_EQ(state.view.wResultKind, kResultProcessing);
}

TEST_F(Commands, SimulationGridsThatCannotRunAreRefusedAndChangeNothing) {
  const std::map<int, std::string> bad[] = {
      {{kIdcSimRepeats, "0"}},
      {{kIdcSimNoiseSteps, "0"}},
      {{kIdcSimFrom, "0"}},
      {{kIdcSimFrom, "20"}, {kIdcSimTo, "10"}},
      {{kIdcSimTo, "31"}},  // 30 pulses fit at most
      {{kIdcSimNoiseInitial, "30000"}, {kIdcSimNoiseStep, "1000"}},
      {{kIdcSimIncrement, "-1"}}};
  const auto before = settings(state);
  for (const auto& texts : bad) {
    window.clear();
    window.clearRecords();
    answer(105, kIdOk);
    answer(110, kIdOk, texts);
    command(kCmdSimulation);
    ASSERT_EQ(window.messages.size(), 1u) << texts.begin()->first;
    EXPECT_EQ(window.last().caption, " Location Parameters");
    EXPECT_EQ(state.records.lpRestErrorHeader, nullptr);
    auto after = settings(state);
    // The first set-up refills the etalon sequence with the default etalon (all 1 here).
    EXPECT_EQ(after, before);
  }
  // Cancelling dialog 110 stops as well.
  window.clear();
  answer(105, kIdOk);
  answer(110, kIdCancel);
  command(kCmdSimulation);
  EXPECT_TRUE(window.messages.empty());
  EXPECT_EQ(settings(state), before);
}

// A grid whose memory cannot be had (30000 noise levels and every pulse count of the
// longest series ask for 23.6 GB) was started and then ended by the system. It is refused
// after the summary, before any record is replaced; a grid that fits runs. The memory
// that can be had is pinned small here, so that the grids stay harmless.
TEST_F(Commands, SimulationWhoseMemoryCannotBeHadIsRefusedBeforeItStarts) {
  state.hooks.simMemory = [] { return uint64_t{300000}; };
  state.simulation.simThreads = 2;
  const SeriesHeader* series = state.records.lpSeriesHeader;
  const uint32_t reserved = series->dwReservedSize;
  answer(105, kIdOk, {{kIdcSeriesLength, "200"}});
  answer(110, kIdOk,
         {{kIdcSimFrom, "1"}, {kIdcSimTo, "5"}, {kIdcSimNoiseSteps, "2000"},
          {kIdcSimNoiseStep, "1"}, {kIdcSimRepeats, "1"}});
  command(kCmdSimulation);
  ASSERT_EQ(window.messages.size(), 2u);
  EXPECT_EQ(window.messages[0].caption, kCaptionSimulationSummary);
  EXPECT_EQ(window.last().caption, kCaptionSimulationMemory);
  const std::string& text = window.last().text;
  EXPECT_EQ(text.rfind("The simulation needs about ", 0), 0u) << text;
  EXPECT_NE(text.find(" of memory (5 pulse counts x 2000 noise levels, 2 threads), but only "
                      "300 kB can be had."),
            std::string::npos)
      << text;
  EXPECT_EQ(state.records.lpRestErrorHeader, nullptr);
  EXPECT_EQ(state.records.lpSeriesHeader, series);
  EXPECT_EQ(series->dwReservedSize, reserved);
  EXPECT_EQ(window.dialogs.size(), 2u);  // no statistics dialog

  window.clear();
  window.clearRecords();
  answer(105, kIdOk, {{kIdcSeriesLength, "200"}});
  answer(110, kIdOk,
         {{kIdcSimFrom, "1"}, {kIdcSimTo, "5"}, {kIdcSimNoiseSteps, "20"},
          {kIdcSimNoiseStep, "1"}, {kIdcSimRepeats, "1"}});
  answer(114, kIdOk);
  command(kCmdSimulation);
  ASSERT_NE(state.records.lpRestErrorHeader, nullptr);
  EXPECT_EQ(state.records.lpRestErrorHeader->ifComplete, 1);
}

// An empty required list (the all/none button cleared it) is given etalon 1 by the
// set-up, and the simulation runs on it.
TEST_F(Commands, SimulationWithAnEmptyRequiredListRunsOnEtalonOne) {
  state.etalons.wRequiredCount = 0;
  std::fill(std::begin(state.etalons.requiredFlags), std::end(state.etalons.requiredFlags),
            uint16_t{0});
  answer(105, kIdOk, {{kIdcSeriesLength, "200"}});
  answer(110, kIdOk,
         {{kIdcSimFrom, "2"}, {kIdcSimTo, "2"}, {kIdcSimNoiseSteps, "1"}, {kIdcSimRepeats, "2"}});
  command(kCmdSimulation);
  EXPECT_EQ(requiredList(), (std::vector<uint16_t>{1}));
  ASSERT_NE(state.records.lpRestErrorHeader, nullptr);
  EXPECT_EQ(state.records.lpRestErrorHeader->ifComplete, 1);
  ASSERT_EQ(window.messages.size(), 1u);  // the set-up summary alone
  EXPECT_EQ(window.messages[0].caption, "getPulseEstAsRepeats");
}

TEST(StatisticsGraphMode, FollowsHandlingViewAndBounds) {
  EXPECT_EQ(statisticsGraphMode(1, 1, 1), 0u);
  EXPECT_EQ(statisticsGraphMode(1, 2, 0), 1u);
  EXPECT_EQ(statisticsGraphMode(2, 1, 1), 2u);
  EXPECT_EQ(statisticsGraphMode(2, 2, 1), 3u);
  EXPECT_EQ(statisticsGraphMode(3, 1, 0), 4u);
  EXPECT_EQ(statisticsGraphMode(3, 2, 0), 5u);
  EXPECT_EQ(statisticsGraphMode(3, 1, 1), 12u);
  EXPECT_EQ(statisticsGraphMode(3, 2, 1), 13u);
}

}  // namespace
}  // namespace velmora::testing
