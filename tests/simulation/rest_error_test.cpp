#include "simulation/rest_error.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

#include "model/problem_types.h"
#include "support/fake_window.h"

namespace velmora {
namespace {

using testing::FakeWindow;

struct RecordDeleter {
  void operator()(RestErrorHeader* h) const {
    FakeWindow w;
    freeRestErrHeader(h);
  }
};
using Record = std::unique_ptr<RestErrorHeader, RecordDeleter>;

// Every cell of every table is a distinct int32 inside the values block.
void expectDisjointCells(const RestErrorHeader& h) {
  std::set<const int32_t*> cells;
  const int32_t* begin = h.valuesBlock.data();
  const int32_t* end = begin + h.valuesBlock.size();
  for (int t = 0; t < kRestErrorTables; ++t)
    for (int i = 0; i < h.wNoiseLevels; ++i)
      for (int j = 0; j < h.wVariousPulses; ++j) {
        const int32_t* cell = &h.lpErrors[t][i][j];
        EXPECT_TRUE(cell >= begin && cell < end) << t << " " << i << " " << j;
        EXPECT_TRUE(cells.insert(cell).second) << "cell shared: " << t << " " << i << " " << j;
      }
}

TEST(RestErrorRecord, InitLaysOutTheGrid) {
  FakeWindow w;
  Record h(getRestErrHeader(w, 3, 4, 50, nullptr));
  ASSERT_TRUE(h);
  h->ifComplete = 1;
  h->lpErrors[0][3][2] = 77;
  ASSERT_EQ(initRestErrHeader(w, 3, 3, 2, 4, 10, 5, 100, h.get()), 1);
  EXPECT_EQ(h->wVariousPulses, 3);
  EXPECT_EQ(h->wNoiseLevels, 4);
  EXPECT_EQ(h->repeats, 100);
  EXPECT_EQ(h->ifComplete, 0);
  EXPECT_EQ(h->lpErrors[0][3][2], 0);
  EXPECT_EQ(std::vector<int16_t>(h->wPulseValues, h->wPulseValues + 3),
            (std::vector<int16_t>{3, 5, 7}));
  EXPECT_EQ(std::vector<int16_t>(h->lpNoiseLevels, h->lpNoiseLevels + 4),
            (std::vector<int16_t>{10, 15, 20, 25}));
  expectDisjointCells(*h);
  EXPECT_TRUE(w.messages.empty());
}

TEST(RestErrorRecord, SmallerGridKeepsBlocksAndZeroesThem) {
  FakeWindow w;
  RestErrorHeader* first = getRestErrHeader(w, 5, 6, 10, nullptr);
  ASSERT_NE(first, nullptr);
  const int16_t* axes = first->axesBlock.data();
  const int32_t* values = first->valuesBlock.data();
  int32_t* const* rows = first->rowBlock.data();
  first->lpErrors[1][5][4] = 9;
  first->wPulseValues[4] = 12;

  Record h(getRestErrHeader(w, 2, 3, 20, first));
  ASSERT_EQ(h.get(), first);
  EXPECT_EQ(h->axesBlock.data(), axes);
  EXPECT_EQ(h->valuesBlock.data(), values);
  EXPECT_EQ(h->rowBlock.data(), rows);
  EXPECT_EQ(h->wReservedPulses, 5);
  EXPECT_EQ(h->wReservedLevels, 6);
  EXPECT_EQ(h->wVariousPulses, 2);
  EXPECT_EQ(h->wNoiseLevels, 3);
  EXPECT_EQ(h->repeats, 20);
  for (int32_t v : h->valuesBlock) ASSERT_EQ(v, 0);
  for (int16_t v : h->axesBlock) ASSERT_EQ(v, 0);
  expectDisjointCells(*h);
}

// Blocks are sized separately, so a grid whose product grows while its sum does not is
// accepted, laid out without overlapping rows, and initialised.
TEST(RestErrorRecord, EveryBlockGrowsOnItsOwn) {
  FakeWindow w;
  Record h(getRestErrHeader(w, 2, 10, 1, nullptr));
  ASSERT_TRUE(h);
  RestErrorHeader* same = getRestErrHeader(w, 4, 8, 1, h.get());
  ASSERT_EQ(same, h.get());
  ASSERT_EQ(initRestErrHeader(w, 4, 1, 1, 8, 0, 5, 1, h.get()), 1);
  expectDisjointCells(*h);

  // Rows of 3 columns over 4 levels after rows of 4 over 3: the strides follow the grid.
  ASSERT_EQ(getRestErrHeader(w, 4, 3, 1, h.get()), h.get());
  ASSERT_EQ(getRestErrHeader(w, 3, 4, 1, h.get()), h.get());
  expectDisjointCells(*h);
  int32_t value = 0;
  for (int t = 0; t < kRestErrorTables; ++t)
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 3; ++j) h->lpErrors[t][i][j] = ++value;
  value = 0;
  for (int t = 0; t < kRestErrorTables; ++t)
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 3; ++j) EXPECT_EQ(h->lpErrors[t][i][j], ++value);

  // A larger pulse axis next to a longer noise axis: both axes keep their capacity.
  ASSERT_EQ(getRestErrHeader(w, 12, 2, 1, h.get()), h.get());
  EXPECT_EQ(h->wReservedPulses, 12);
  EXPECT_EQ(h->wReservedLevels, 10);
  ASSERT_EQ(initRestErrHeader(w, 12, 1, 1, 2, 0, 1, 1, h.get()), 1);
  ASSERT_EQ(initRestErrHeader(w, 2, 1, 1, 10, 0, 1, 1, h.get()), 1);
  EXPECT_EQ(h->wPulseValues[1], 2);
  EXPECT_EQ(h->lpNoiseLevels[9], 9);
  expectDisjointCells(*h);
  EXPECT_TRUE(w.messages.empty());
}

TEST(RestErrorRecord, InitRefusesWhatTheRecordCannotHold) {
  FakeWindow w;
  EXPECT_EQ(initRestErrHeader(w, 1, 1, 1, 1, 0, 1, 1, nullptr), 0);
  ASSERT_EQ(w.messages.size(), 1u);
  EXPECT_EQ(w.last().text, kRestErrUndefined);
  EXPECT_EQ(w.last().caption, " initRestErrHeader ");

  Record h(getRestErrHeader(w, 3, 4, 1, nullptr));
  EXPECT_EQ(initRestErrHeader(w, 4, 1, 1, 4, 0, 1, 1, h.get()), 0);
  EXPECT_EQ(w.last().text, "Неверно задан wVariousPulsesNumber!");
  EXPECT_EQ(initRestErrHeader(w, 3, 1, 1, 5, 0, 1, 1, h.get()), 0);
  EXPECT_EQ(w.last().text, "Неверно задан wNoiseLevels!");
  EXPECT_EQ(w.last().caption, kInitRestErrCaption);

  // Both axes hold 10 entries but the tables only 20 cells: a 10 x 10 grid is refused.
  Record g(getRestErrHeader(w, 10, 2, 1, nullptr));
  ASSERT_EQ(getRestErrHeader(w, 2, 10, 1, g.get()), g.get());
  w.clear();
  EXPECT_EQ(initRestErrHeader(w, 10, 1, 1, 10, 0, 1, 1, g.get()), 0);
  EXPECT_EQ(w.last().text, kRestErrBadPulses);
}

TEST(RestErrorRecord, DescriptionNames) {
  FakeWindow w;
  EXPECT_EQ(addInitRestErrHeader(w, kSeriesFixedCutoff, kTaskRecognition, 80, 90, nullptr), 0);
  EXPECT_EQ(w.last().text, "Не определен lpErrorHeader!");
  EXPECT_EQ(w.last().caption, " addInitRestErrHeader ");

  Record h(getRestErrHeader(w, 1, 1, 1, nullptr));
  ASSERT_EQ(addInitRestErrHeader(w, kSeriesFixedCutoff, kTaskTupleRecognition, 80, 90, h.get()),
            1);
  EXPECT_EQ(h->wDescribed, 2);
  EXPECT_EQ(h->wSeriesType, kSeriesFixedCutoff);
  EXPECT_EQ(h->wTaskType, kTaskTupleRecognition);
  EXPECT_STREQ(h->lpSeriesTypeName, "known number of cut-off pulses");
  EXPECT_STREQ(h->lpTaskName, "recognition");
  EXPECT_EQ(h->wSavedLevelMaking, 80);
  EXPECT_EQ(h->wSavedLevelProcessing, 90);

  ASSERT_EQ(
      addInitRestErrHeader(w, kSeriesFixedWholeGiven, kTaskSeriesProcessing, 100, 100, h.get()),
      1);
  EXPECT_EQ(h->lpSeriesTypeName, nullptr);
  EXPECT_EQ(h->lpTaskName, nullptr);

  EXPECT_STREQ(restErrTaskName(kTaskTupleDetection), "detection");
  EXPECT_STREQ(restErrTaskName(kTaskJoint), "joint detection and identification");
  EXPECT_STREQ(restErrTaskName(kTaskJointEstimation), "joint detection and estimation");
  EXPECT_STREQ(restErrTaskName(kTaskJointEstimationVariant), "joint detection and estimation");
  EXPECT_STREQ(restErrTaskName(kTaskBlindDetection), "blind detection");
  EXPECT_STREQ(restErrSeriesTypeName(kSeriesUnfixedCutoff), "unknown number of cut-off pulses");
  EXPECT_STREQ(restErrSeriesTypeName(kSeriesUnfixedTuples),
               "unknown number of whole pulses tuples");
  EXPECT_EQ(restErrSeriesTypeName(kSeriesUnfixedWholeGiven), nullptr);
}

TEST(RestErrorRecord, AboutShowsTheDump) {
  FakeWindow w;
  Record h(getRestErrHeader(w, 2, 3, 1, nullptr));
  ASSERT_EQ(initRestErrHeader(w, 2, 3, 2, 3, 10, 5, 100, h.get()), 1);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 2; ++j) {
      h->lpErrors[0][i][j] = 10 * i + j;
      h->lpErrors[1][i][j] = -(10 * i + j);
    }
  h->ifComplete = 1;
  showMessage(w, aboutRestErrHeader(*h));
  ASSERT_EQ(w.messages.size(), 1u);
  EXPECT_EQ(w.last().caption, "aboutRestErrHeader Info");
  EXPECT_EQ(w.last().text,
            "lpRestErrorHeader:\n"
            "wReservedPulses: 2\n"
            "wVariousPulses: 2\n"
            "wReservedLevels: 3\n"
            "wNoiseLevels: 3\n"
            "repeats: 100\n"
            "ifComplete: 1\n"
            "lpNoiseLevels:  10 15 20\n"
            "wPulseValues:  3 5\n"
            "Restoring Errors: \n"
            " 1 [3]:  0 10 20\n"
            " 2 [5]:  1 11 21\n"
            "\n"
            "Detection Errors: \n"
            " 1 [3]:  0 -10 -20\n"
            " 2 [5]:  -1 -11 -21\n"
            "\n");
}

TEST(RestErrorRecord, AboutCutsALargeDump) {
  FakeWindow w;
  Record h(getRestErrHeader(w, 300, 200, 1, nullptr));
  ASSERT_EQ(initRestErrHeader(w, 300, 1, 1, 200, 0, 1, 1, h.get()), 1);
  const std::string text = restErrHeaderText(*h);
  EXPECT_EQ(text.size(), kRestErrAboutLimit);
  EXPECT_EQ(text.rfind("lpRestErrorHeader:\nwReservedPulses: 300\n", 0), 0u);
}

TEST(RestErrorRecord, FreeAcceptsNull) {
  FakeWindow w;
  EXPECT_EQ(freeRestErrHeader(nullptr), 1);
  EXPECT_EQ(freeRestErrHeader(getRestErrHeader(w, 2, 2, 1, nullptr)), 1);
}

}  // namespace
}  // namespace velmora
