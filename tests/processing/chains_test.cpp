#include "processing/chains.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/problem_types.h"
#include "shell/window_reporter.h"
#include "support/fake_window.h"

namespace velmora {
namespace {

using testing::FakeWindow;

struct Chain {
  std::vector<int16_t> etalons, positions, first, last;
};

Chain makeChain(int pulses, int16_t seed) {
  Chain c;
  for (int k = 0; k < pulses; ++k) {
    c.etalons.push_back(static_cast<int16_t>(seed + k));
    c.positions.push_back(static_cast<int16_t>(100 * seed + k));
    c.first.push_back(static_cast<int16_t>(k));
    c.last.push_back(static_cast<int16_t>(19 - k));
  }
  return c;
}

void insert(ChainsHeader& h, int32_t score, const Chain& c) {
  insertPretender(h, score, static_cast<int>(c.positions.size()), c.etalons.data(),
                  c.positions.data(), c.first.data(), c.last.data());
}

class ChainsTest : public ::testing::Test {
 protected:
  void TearDown() override { freeChainsHeader(header); }
  FakeWindow window;
  WindowReporter reporter{window};
  ChainsHeader* header = nullptr;
};

TEST_F(ChainsTest, NewRecordLaysOutRowsInOneBlock) {
  header = getChainsHeader(reporter, 3, 4, nullptr);
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(header->wMaxSize, 3);
  EXPECT_EQ(header->wMaxPulses, 4);
  EXPECT_EQ(header->wDescribed, 0);
  EXPECT_EQ(header->pulsesCount, header->distance + 3);
  int16_t** tables[4] = {header->pulsesList, header->positionsList, header->firstSamplesList,
                         header->lastSamplesList};
  for (int q = 0; q < 4; ++q)
    for (int r = 0; r < 3; ++r)
      EXPECT_EQ(tables[q][r], header->sampleBlock.data() + (q * 3 + r) * 4);
  EXPECT_TRUE(window.messages.empty());
}

TEST_F(ChainsTest, ReuseKeepsLargerCapacityAndGrowsToExactlyTheAskedSize) {
  header = getChainsHeader(reporter, 10, 30, nullptr);
  insert(*header, 7, makeChain(30, 1));
  header->wQuanPulses = header->wSeekingPulsesQuantity = 30;
  addToChainsHeader(reporter, kSeriesFixedCutoff, kTaskRecognition, 80, 90, header);

  ChainsHeader* same = getChainsHeader(reporter, 5, 20, header);
  ASSERT_EQ(same, header);
  EXPECT_EQ(header->wMaxSize, 10);
  EXPECT_EQ(header->wMaxPulses, 30);
  EXPECT_EQ(header->wPretenders, 0);
  EXPECT_EQ(header->wQuanPulses, 0);
  EXPECT_EQ(header->wSeekingPulsesQuantity, 0);
  EXPECT_EQ(header->distance[0], 0);
  EXPECT_EQ(header->pulsesCount[0], 0);
  EXPECT_EQ(header->positionsList[0][29], 0);
  // The description survives a reuse.
  EXPECT_EQ(header->wDescribed, 2);
  EXPECT_EQ(header->wSavedLevelProcessing, 90);

  header = getChainsHeader(reporter, 10, 31, header);
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(header->wMaxSize, 10);
  EXPECT_EQ(header->wMaxPulses, 31);
  EXPECT_EQ(header->sampleBlock.size(), 4u * 10 * 31);
  EXPECT_EQ(header->lastSamplesList[9], header->sampleBlock.data() + (3 * 10 + 9) * 31);
  insert(*header, 1, makeChain(31, 2));
  EXPECT_EQ(header->positionsList[0][30], 230);
}

TEST_F(ChainsTest, RankedInsertionKeepsEarlierOfEqualScoresAndDropsTheLast) {
  header = getChainsHeader(reporter, 3, 2, nullptr);
  insert(*header, 5, makeChain(2, 1));
  insert(*header, 3, makeChain(2, 2));
  insert(*header, 5, makeChain(2, 3));
  insert(*header, 1, makeChain(2, 4));
  ASSERT_EQ(header->wPretenders, 3);
  EXPECT_EQ(header->distance[0], 1);
  EXPECT_EQ(header->distance[1], 3);
  EXPECT_EQ(header->distance[2], 5);
  EXPECT_EQ(header->pulsesList[2][0], 1) << "the 5 inserted first keeps its rank";
  EXPECT_EQ(header->pulsesList[1][0], 2);

  insert(*header, 5, makeChain(2, 5));  // full, and everything scores 5 or less
  EXPECT_EQ(header->wPretenders, 3);
  EXPECT_EQ(header->pulsesList[2][0], 1);

  insert(*header, 0, makeChain(2, 6));
  EXPECT_EQ(header->wPretenders, 3);
  EXPECT_EQ(header->distance[0], 0);
  EXPECT_EQ(header->pulsesList[0][0], 6);
  EXPECT_EQ(header->pulsesList[1][0], 4);
  EXPECT_EQ(header->pulsesList[2][0], 2);
  EXPECT_EQ(header->distance[2], 3);
}

TEST_F(ChainsTest, MovedPretenderKeepsAllOfItsOwnEntries) {
  header = getChainsHeader(reporter, 3, 5, nullptr);
  const Chain longer = makeChain(5, 1);
  insert(*header, 10, longer);
  insert(*header, 2, makeChain(2, 7));  // moves the 5-pulse pretender down
  ASSERT_EQ(header->wPretenders, 2);
  EXPECT_EQ(header->pulsesCount[0], 2);
  ASSERT_EQ(header->pulsesCount[1], 5);
  for (int k = 0; k < 5; ++k) {
    EXPECT_EQ(header->pulsesList[1][k], longer.etalons[k]);
    EXPECT_EQ(header->positionsList[1][k], longer.positions[k]);
    EXPECT_EQ(header->firstSamplesList[1][k], longer.first[k]);
    EXPECT_EQ(header->lastSamplesList[1][k], longer.last[k]);
  }
}

TEST_F(ChainsTest, ChainLongerThanTheRowsIsNotStored) {
  header = getChainsHeader(reporter, 2, 3, nullptr);
  insert(*header, 4, makeChain(3, 1));
  insert(*header, 1, makeChain(4, 2));
  EXPECT_EQ(header->wPretenders, 1);
  EXPECT_EQ(header->distance[0], 4);
  EXPECT_EQ(header->pulsesList[1][0], 0) << "the next row is untouched";
}

TEST_F(ChainsTest, EmptyingClearsDistancesAndFirstEntriesButNotCounts) {
  header = getChainsHeader(reporter, 2, 4, nullptr);
  insert(*header, 4, makeChain(4, 1));
  insert(*header, 6, makeChain(4, 2));
  emptyChainsHeader(*header, 3, 2, 3);
  EXPECT_EQ(header->wPretenders, 0);
  EXPECT_EQ(header->wQuanPulses, 3);
  EXPECT_EQ(header->wSeekingPulsesQuantity, 2);
  for (int r = 0; r < 2; ++r) {
    EXPECT_EQ(header->distance[r], 0);
    EXPECT_EQ(header->pulsesCount[r], 4);
    EXPECT_EQ(header->positionsList[r][2], 0);
    EXPECT_NE(header->positionsList[r][3], 0);
  }
  emptyChainsHeader(*header, 9, 9, 1000);  // more entries than a row holds
  EXPECT_EQ(header->positionsList[1][3], 0);
}

TEST_F(ChainsTest, DescriptionNamesAndNullHeader) {
  header = getChainsHeader(reporter, 1, 1, nullptr);
  EXPECT_EQ(addToChainsHeader(reporter, kSeriesFixedWholeGiven, kTaskSeriesProcessing, 70, 100,
                              header),
            1);
  EXPECT_EQ(header->wDescribed, 2);
  EXPECT_EQ(header->wSeriesType, kSeriesFixedWholeGiven);
  EXPECT_EQ(header->wTaskType, kTaskSeriesProcessing);
  EXPECT_EQ(header->lpSeriesTypeName, nullptr);
  EXPECT_EQ(header->lpTaskName, nullptr);
  EXPECT_EQ(header->wSavedLevelMaking, 70);

  addToChainsHeader(reporter, kSeriesUnfixedTuples, kTaskTupleDetection, 100, 100, header);
  EXPECT_STREQ(header->lpSeriesTypeName, "unknown number of whole pulses tuples");
  EXPECT_STREQ(header->lpTaskName, "detection");
  addToChainsHeader(reporter, kSeriesFixedCutoff, kTaskJoint, 100, 100, header);
  EXPECT_STREQ(header->lpSeriesTypeName, "known number of cut-off pulses");
  EXPECT_STREQ(header->lpTaskName, "joint detection and identification");
  EXPECT_TRUE(window.messages.empty());

  EXPECT_EQ(addToChainsHeader(reporter, kSeriesFixedWhole, kTaskDetection, 100, 100, nullptr), 0);
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(window.last().text, kChainsHeaderUndefined);
  EXPECT_EQ(window.last().caption, kAddToChainsHeaderCaption);
  EXPECT_EQ(freeChainsHeader(nullptr), 1);
}

TEST_F(ChainsTest, DumpFormat) {
  header = getChainsHeader(reporter, 3, 2, nullptr);
  emptyChainsHeader(*header, 2, 2, 2);
  const int16_t etalons[] = {3, 4}, positions[] = {10, 55}, first[] = {0, 2}, last[] = {19, 17};
  insertPretender(*header, -1234, 2, etalons, positions, first, last);
  insertPretender(*header, 8, 1, etalons, positions, first, last);
  EXPECT_EQ(chainsHeaderText(*header),
            "ChainsHeader:\nwMaxSize: 3\nwPretenders: 2\nwMaxPulses: 2\nwQuanPulses: 2\n"
            "wSeekingPulsesQuantity: 2\n"
            " 1. -1234 10 (3) [0 19] 55 (4) [2 17]\n"
            " 2. 8 10 (3) [0 19]\n");
  showMessage(window, aboutChainsHeader(*header));
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(window.last().caption, kAboutChainsHeaderCaption);
  EXPECT_EQ(window.last().kind, MessageKind::kPlain);
}

TEST_F(ChainsTest, LongDumpIsCutAtTheLimit) {
  header = getChainsHeader(reporter, 10, 200, nullptr);
  for (int i = 0; i < 10; ++i) insert(*header, -1000000 * i, makeChain(200, 300));
  const std::string text = chainsHeaderText(*header);
  EXPECT_LE(text.size(), kChainsDumpLimit);
  EXPECT_GT(text.size(), kChainsDumpLimit - 40);
  EXPECT_EQ(text.rfind("ChainsHeader:\n", 0), 0u);
}

}  // namespace
}  // namespace velmora
