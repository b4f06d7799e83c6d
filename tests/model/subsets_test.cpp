#include "model/subsets.h"

#include <gtest/gtest.h>

#include <vector>

#include "model/subset_modes.h"
#include "model/texts.h"
#include "model_fixture.h"

namespace velmora::testing {
namespace {

class SubsetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // N = 150, Tmin = 40: at most 4 pulses; the block is sized for 1200 samples / 30 pulses.
    header = getCutOffSeriesHeader(reported, kAlphabetSize, kPulseLength, 40, 181, 1200, nullptr);
    header = getCutOffSeriesHeader(reported, kAlphabetSize, kPulseLength, 40, 181, 150, header);
  }
  void TearDown() override { freeSeriesHeader(header); }
  std::vector<int16_t> subset() const {
    return {header->lpSubset, header->lpSubset + header->wSubsetStored};
  }
  RecordingReporter reported;
  SeriesHeader* header = nullptr;
};

TEST_F(SubsetTest, AttachStopsAtTheGreatestPulseCount) {
  ASSERT_EQ(header->wMaxPulses, 4);
  const int32_t five[] = {5, 6, 7, 8, 9};
  EXPECT_EQ(addSubsetToSeriesHeader(five, 5, kSubsetMultipleRandom, 2, header), 1);
  EXPECT_EQ(header->wSubsetSize, 5);
  EXPECT_EQ(header->wSubsetStored, 4);
  EXPECT_EQ(header->wSubsetMode, kSubsetMultipleRandom);
  EXPECT_EQ(header->wSubsetPosition, 2);
  EXPECT_EQ(subset(), (std::vector<int16_t>{5, 6, 7, 8}));
  EXPECT_EQ(header->lpSubset[4], 0);  // nothing written past the bound
  // Entries are kept as their low 16 bits.
  const int32_t wide[] = {0x10003};
  addSubsetToSeriesHeader(wide, 1, kSubsetSingleFixed, 1, header);
  EXPECT_EQ(subset(), (std::vector<int16_t>{3}));
  EXPECT_EQ(addSubsetToSeriesHeader(wide, 1, kSubsetSingleFixed, 1, nullptr), 1);
  EXPECT_TRUE(reported.messages.empty());
}

TEST_F(SubsetTest, SelectedSubsetsAreStoredAndOneAttached) {
  const std::vector<std::vector<int32_t>> lists{{1, 2}, {3, 4, 5}, {6, 7, 8, 9, 10}};
  const int32_t sizes[] = {2, 3, 5};
  const int32_t* rows[] = {lists[0].data(), lists[1].data(), lists[2].data()};
  EXPECT_EQ(addSomeSelectedSubsetToSeriesHeader(reported, sizes, rows, 3, 4, 6, 2, kSubsetComplete,
                                                1, header),
            1);
  EXPECT_EQ(header->wSubsets, 3);
  EXPECT_EQ(header->wReservedSubsets, 4);
  EXPECT_EQ(header->wReservedSubsetSize, 6);
  for (int r = 0; r < 4; ++r)
    EXPECT_EQ(header->selectedSubsetList[r], header->selectedSubsetSize + 4 + r * 6);
  for (int t = 0; t < 3; ++t) {
    EXPECT_EQ(header->selectedSubsetSize[t], sizes[t]);
    for (int e = 0; e < sizes[t]; ++e) EXPECT_EQ(header->selectedSubsetList[t][e], rows[t][e]);
  }
  EXPECT_EQ(subset(), (std::vector<int16_t>{3, 4, 5}));
  EXPECT_EQ(header->wSubsetMode, kSubsetComplete);
  EXPECT_EQ(header->wSubsetPosition, 1);

  // Selected 0 or above the count attaches the last subset (bounded by Pmax = 4).
  for (int32_t selected : {0, 4, -1}) {
    addSomeSelectedSubsetToSeriesHeader(reported, sizes, rows, 3, 4, 6, selected,
                                        kSubsetShiftedComplete, 1, header);
    EXPECT_EQ(header->wSubsetSize, 5);
    EXPECT_EQ(subset(), (std::vector<int16_t>{6, 7, 8, 9}));
  }
  // Smaller requested capacities keep the store as it is.
  int16_t* store = header->selectedSubsetSize;
  addSomeSelectedSubsetToSeriesHeader(reported, sizes, rows, 1, 1, 2, 1, kSubsetSingleFixed, 1,
                                      header);
  EXPECT_EQ(header->selectedSubsetSize, store);
  EXPECT_EQ(header->wSubsets, 1);
  EXPECT_EQ(header->wReservedSubsets, 4);

  EXPECT_EQ(addSomeSelectedSubsetToSeriesHeader(reported, sizes, rows, 0, 4, 6, 1,
                                                kSubsetSingleFixed, 1, header),
            0);
  EXPECT_EQ(addSomeSelectedSubsetToSeriesHeader(reported, sizes, rows, 3, 4, 6, 1,
                                                kSubsetSingleFixed, 1, nullptr),
            1);
  EXPECT_TRUE(reported.messages.empty());
}

// Capacities smaller than what is given (more subsets than rows, a subset longer than a
// row) grow the store instead of writing past it.
TEST_F(SubsetTest, StoreGrowsToHoldEverySubsetGiven) {
  std::vector<std::vector<int32_t>> lists;
  std::vector<int32_t> sizes;
  std::vector<const int32_t*> rows;
  for (int t = 0; t < 7; ++t) lists.push_back(std::vector<int32_t>(t + 1, t + 1));
  for (const auto& l : lists) {
    sizes.push_back(int32_t(l.size()));
    rows.push_back(l.data());
  }
  ASSERT_EQ(addSomeSelectedSubsetToSeriesHeader(reported, sizes.data(), rows.data(), 7, 2, 3, 7,
                                                kSubsetSingleFixed, 1, header),
            1);
  EXPECT_GE(header->wReservedSubsets, 7);
  EXPECT_GE(header->wReservedSubsetSize, 7);
  for (int t = 0; t < 7; ++t) {
    ASSERT_EQ(header->selectedSubsetSize[t], t + 1);
    for (int e = 0; e <= t; ++e) EXPECT_EQ(header->selectedSubsetList[t][e], t + 1);
  }
}

}  // namespace
}  // namespace velmora::testing
