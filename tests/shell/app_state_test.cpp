#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/resource_dir.h"
#include "model/random.h"
#include "shell/app_state.h"
#include "shell/commands.h"
#include "shell_fixture.h"
#include "support/fake_window.h"

namespace velmora::testing {
namespace {

namespace fs = std::filesystem;

TEST(SequenceRandom, ReproducesTheRuntimeGenerator) {
  SequenceRandom r;
  EXPECT_EQ(r.next(), 41);
  EXPECT_EQ(r.next(), 18467);
  EXPECT_EQ(r.next(), 6334);
  // The values stay within 15 bits however long it runs.
  for (int i = 0; i < 10000; ++i) {
    const int v = r.next();
    ASSERT_GE(v, 0);
    ASSERT_LE(v, 32767);
  }
}

TEST(EffectiveTaskType, TupleSeriesTurnDetectionAndRecognitionIntoTupleTasks) {
  EXPECT_EQ(effectiveTaskType(kTaskDetection, kSeriesFixedTuples), kTaskTupleDetection);
  EXPECT_EQ(effectiveTaskType(kTaskDetection, kSeriesUnfixedTuples), kTaskTupleDetection);
  EXPECT_EQ(effectiveTaskType(kTaskRecognition, kSeriesFixedTuples), kTaskTupleRecognition);
  EXPECT_EQ(effectiveTaskType(kTaskRecognition, kSeriesUnfixedTuples), kTaskTupleRecognition);
  EXPECT_EQ(effectiveTaskType(kTaskJoint, kSeriesUnfixedTuples), kTaskJoint);
  EXPECT_EQ(effectiveTaskType(kTaskSeriesProcessing, kSeriesFixedTuples), kTaskSeriesProcessing);
  EXPECT_EQ(effectiveTaskType(kTaskDetection, kSeriesFixedCutoff), kTaskDetection);
  EXPECT_EQ(effectiveTaskType(kTaskRecognition, kSeriesFixedWholeGiven), kTaskRecognition);
}

using StartUp = ShellTest;

TEST_F(StartUp, GivesTheDefaults) {
  const AppState& s = state;
  EXPECT_EQ(s.problem.wTaskType, kTaskRecognition);
  EXPECT_EQ(s.problem.wSeriesType, kSeriesFixedCutoff);
  EXPECT_EQ(s.problem.wEffectiveTaskType, kTaskRecognition);
  EXPECT_EQ(s.view.dwViewMode, 5u);
  EXPECT_EQ(s.view.wResultKind, 1);
  EXPECT_EQ(s.series.dwSeriesLengthIndex, 3);
  EXPECT_EQ(s.series.dwSeriesLength, 1200u);
  EXPECT_EQ(s.series.dwSeriesLengthCur, 1200u);
  EXPECT_EQ(s.series.wMinPulses, 6);
  EXPECT_EQ(s.series.wMaxPulses, 30);
  EXPECT_EQ(s.series.wMeanPulses, 18);
  EXPECT_EQ(s.series.wPulseCount, 18);
  EXPECT_EQ(s.series.dwNoiseIndex, 1);
  EXPECT_EQ(s.series.wNoiseLevel, 20);
  EXPECT_EQ(s.series.wNoiseLevelCur, 20);
  EXPECT_EQ(s.series.dwLostIndex, 2);
  EXPECT_EQ(s.series.wLostLevel, 25);
  EXPECT_EQ(s.series.wLostLevelCur, 25);
  for (uint16_t level :
       {s.series.wSavedLevel, s.series.wSavedLevelCur, s.series.wSavedLevelEdit,
        s.series.wProcSavedLevel, s.series.wProcSavedLevelCur, s.series.wProcSavedLevelEdit})
    EXPECT_EQ(level, 75);
  EXPECT_EQ(s.etalons.wRequiredCount, 20);
  EXPECT_EQ(s.etalons.wRequiredCapacity, 20);
  std::vector<uint16_t> expected;
  for (uint16_t e = 1; e <= 20; ++e) expected.push_back(e);
  EXPECT_EQ(requiredList(), expected);
  for (uint16_t flag : s.etalons.requiredFlags) EXPECT_EQ(flag, 1);
  ASSERT_EQ(s.etalons.wEtalonSequenceSize, 30);
  ASSERT_EQ(s.etalons.wEditSequenceSize, 30);
  for (int k = 0; k < 30; ++k) {
    EXPECT_EQ(s.etalons.lpEtalonSequence[k], 1);
    EXPECT_EQ(s.etalons.lpEditSequence[k], 1);
  }
  EXPECT_EQ(s.series.wNoiseSeed, 10597);  // no noise was added
  EXPECT_EQ(s.etalons.sequenceRandom.state, 1u);
  EXPECT_EQ(s.records.wChainsFirstSize, 10);
  EXPECT_EQ(s.records.wChainsPulses, 30);
  ASSERT_NE(s.records.lpChainsHeader, nullptr);
  EXPECT_EQ(s.records.lpChainsHeader->wMaxSize, 10);
  EXPECT_EQ(s.records.lpChainsHeader->wMaxPulses, 30);
  EXPECT_EQ(s.simulation.wSimPulsesStep, 1);
  EXPECT_EQ(s.simulation.wSimNoiseSteps, 29);
  EXPECT_EQ(s.simulation.wSimNoiseStep, 5);
  EXPECT_EQ(s.simulation.wSimRepeats, 100);
  EXPECT_EQ(s.simulation.dwSimFirstUse, 1u);
  EXPECT_EQ(s.statistics.dwGraphMode, 2u);
  EXPECT_EQ(s.subsets.dwSubsetEmploymentMode, kSubsetComplete);
  EXPECT_EQ(s.drawing.dwTupleHighlighting, 2u);
  EXPECT_EQ(s.records.lpRestErrorHeader, nullptr);
  EXPECT_EQ(s.records.lpParamsHeader, nullptr);
  for (int e = 0; e < 20; ++e) EXPECT_NE(s.etalons.alphabet[e].lpData, nullptr);
}

TEST_F(StartUp, SynthesisesTheFirstSeriesWithoutNoise) {
  const SeriesHeader* h = state.records.lpSeriesHeader;
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(h->dwSeriesSize, 1200u);
  EXPECT_EQ(h->wImpulseQuantity, 18);
  EXPECT_EQ(h->wNoise, 0);
  for (uint32_t i = 0; i < h->dwSeriesSize; ++i) ASSERT_EQ(h->lpNoisyData[i], h->lpPureData[i]);
  for (int k = 0; k < 18; ++k) EXPECT_EQ(h->lpEtalons[k], 1);
}

TEST(StartUpSequence, ChecksTheDefaultTypesAndCreatesTheEditControl) {
  FakeWindow window;
  AppState state;
  ASSERT_EQ(startUp(window, state), 1);
  for (const Image& face : state.buttonFaces) {
    EXPECT_EQ(face.width, kButtonFaceWidth);
    EXPECT_EQ(face.height, kButtonFaceHeight);
  }
  EXPECT_TRUE(window.checkedMenuItem(kCmdRecognition));
  EXPECT_TRUE(window.checkedMenuItem(kCmdFixedCutoffs));
  for (int id : {kCmdDetection, kCmdJoint, kCmdSeriesProcessing, kCmdFixedWhole,
                 kCmdUnfixedWhole, kCmdUnfixedCutoffs, kCmdFixedTuples, kCmdUnfixedTuples}) {
    ASSERT_TRUE(window.menuChecks.count(id)) << id;  // explicitly unchecked
    EXPECT_FALSE(window.menuChecks.at(id)) << id;
  }
  EXPECT_EQ(window.editText(), "Tmin Text");
  EXPECT_EQ(window.editGeometry, (Rect{0, 0, 0, 0}));
  EXPECT_TRUE(window.messages.empty());
  EXPECT_TRUE(window.hasCommandHandler());
  shutDown(window, state);
}

// A resource folder with copies of the button faces, one of which is then spoiled.
class FaceFolder {
 public:
  FaceFolder() : dir_(fs::temp_directory_path() / ("velmora-faces-" + std::to_string(::getpid()))) {
    fs::create_directories(dir_ / kButtonFaceFolder);
    for (const char* file : kButtonFaceFiles)
      fs::copy_file(fs::path(resourceDir()) / kButtonFaceFolder / file,
                    dir_ / kButtonFaceFolder / file, fs::copy_options::overwrite_existing);
    setResourceDir(dir_.string());
  }
  ~FaceFolder() {
    setResourceDir("");
    fs::remove_all(dir_);
  }
  fs::path face(int b) const { return dir_ / kButtonFaceFolder / kButtonFaceFiles[b]; }

 private:
  fs::path dir_;
};

TEST(StartUpSequence, AMissingOrUnreadableFaceFailsTheCreationAndBuildsNothing) {
  const char* texts[] = {"No Bitmap <ButtonStart>", "No Bitmap <ButtonExit>",
                         "No Bitmap <IDB_BITMAP1>", "No Bitmap <IDB_BITMAP5>",
                         "No Bitmap <IDB_BITMAP4>"};
  for (int b = 0; b < 5; ++b) {
    for (int damage = 0; damage < 2; ++damage) {
      FaceFolder folder;
      if (damage == 0) {
        fs::remove(folder.face(b));
      } else {
        std::ofstream(folder.face(b), std::ios::binary | std::ios::trunc) << "not a picture";
      }
      FakeWindow window;
      AppState state;
      EXPECT_EQ(startUp(window, state), 0);
      ASSERT_EQ(window.messages.size(), 1u);
      EXPECT_EQ(window.last().text, texts[b]);
      EXPECT_EQ(window.last().caption, "Fatal Error");
      EXPECT_EQ(state.records.lpSeriesHeader, nullptr);
      EXPECT_EQ(state.etalons.lpRequiredList, nullptr);
      EXPECT_EQ(state.etalons.alphabet[0].lpData, nullptr);
      // The faces read before the bad one are given back.
      for (const Image& face : state.buttonFaces) EXPECT_TRUE(face.empty());
      EXPECT_FALSE(window.hasCommandHandler());
    }
  }
}

TEST(ShutDown, FreesEverythingInOrderAndDisconnectsTheWindow) {
  FakeWindow window;
  AppState state;
  ASSERT_EQ(startUp(window, state), 1);
  handleCommand(window, state, kCmdProcessNext);
  handleCommand(window, state, kCmdViewSeriesParameters);
  ASSERT_NE(state.records.lpParamsHeader, nullptr);
  ASSERT_EQ(prepareSubsetSelection(window, state), 1);

  shutDown(window, state);
  for (const Image& face : state.buttonFaces) EXPECT_TRUE(face.empty());
  for (const PulseHeader& p : state.etalons.alphabet) EXPECT_EQ(p.lpData, nullptr);
  EXPECT_EQ(state.etalons.lpRequiredList, nullptr);
  EXPECT_EQ(state.etalons.wRequiredCount, 0);
  EXPECT_EQ(state.etalons.lpEtalonSequence, nullptr);
  EXPECT_EQ(state.etalons.wEtalonSequenceSize, 0);
  EXPECT_EQ(state.etalons.lpEditSequence, nullptr);
  EXPECT_EQ(state.etalons.wEditSequenceSize, 0);
  EXPECT_EQ(state.records.lpSeriesHeader, nullptr);
  EXPECT_EQ(state.records.lpChainsHeader, nullptr);
  EXPECT_EQ(state.records.lpRestErrorHeader, nullptr);
  EXPECT_EQ(state.records.lpParamsHeader, nullptr);
  EXPECT_EQ(state.records.selection.capacity, 0);
  EXPECT_EQ(state.records.selection.reservedRows, 0);
  EXPECT_EQ(state.records.selection.selectedSubset, nullptr);
  EXPECT_FALSE(window.hasCommandHandler());
  EXPECT_TRUE(window.messages.empty());
}

TEST(PulseBounds, FollowTheLengthAndTheIntervals) {
  AppState s;
  recomputePulseBounds(s, 600);
  EXPECT_EQ(s.series.wMinPulses, 3);   // 619 / 181
  EXPECT_EQ(s.series.wMaxPulses, 15);  // 620 / 40
  EXPECT_EQ(s.series.wMeanPulses, 9);
  recomputePulseBounds(s, 200);
  EXPECT_EQ(s.series.wMinPulses, 1);
  EXPECT_EQ(s.series.wMaxPulses, 5);
  EXPECT_EQ(s.series.wMeanPulses, 3);
  s.series.wTmin = 0;  // refused by every dialog; must not divide by zero
  EXPECT_EQ(greatestPulseCount(s, 200), 0);
}

TEST_F(StartUp, RebuildingTheRequiredListTakesTheFlaggedEtalonsInOrder) {
  std::fill(std::begin(state.etalons.requiredFlags), std::end(state.etalons.requiredFlags),
            uint16_t{0});
  state.etalons.requiredFlags[16] = state.etalons.requiredFlags[2] =
      state.etalons.requiredFlags[9] = 1;
  EXPECT_EQ(rebuildRequiredList(state), 3);
  EXPECT_EQ(requiredList(), (std::vector<uint16_t>{3, 10, 17}));
  std::fill(std::begin(state.etalons.requiredFlags), std::end(state.etalons.requiredFlags),
            uint16_t{0});
  EXPECT_EQ(rebuildRequiredList(state), 0);
}

TEST_F(StartUp, SubsetSelectionIsPreparedOnce) {
  ASSERT_EQ(prepareSubsetSelection(window, state), 1);
  SubsetSelection& sel = state.records.selection;
  EXPECT_EQ(sel.capacity, 10);
  EXPECT_EQ(sel.count, 0);
  EXPECT_EQ(sel.reservedRows, 10);
  ASSERT_EQ(sel.rows.size(), 10u);
  EXPECT_EQ(sel.rows[1] - sel.rows[0], 11);
  EXPECT_EQ(sel.possibleSubsetArrayRect[9] - sel.possibleSubsetArrayRect[0], 99);
  sel.selectedSubset[0] = 7;
  sel.count = 1;
  ASSERT_EQ(prepareSubsetSelection(window, state), 1);
  EXPECT_EQ(sel.count, 1);  // prepared already: nothing changes
  EXPECT_EQ(sel.selectedSubset[0], 7);
}

}  // namespace
}  // namespace velmora::testing
