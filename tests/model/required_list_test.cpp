#include "model/required_list.h"

#include <gtest/gtest.h>

#include <vector>

namespace velmora::testing {
namespace {

TEST(RequiredList, CountsFromOneAndReplacesTheOldList) {
  RecordingReporter reported;
  uint16_t* list = getRequiredList(reported, 20, nullptr);
  ASSERT_NE(list, nullptr);
  for (uint16_t i = 0; i < 20; ++i) EXPECT_EQ(list[i], i + 1);
  list = getRequiredList(reported, 3, list);  // the old list is released (checked under ASan)
  EXPECT_EQ(std::vector<uint16_t>(list, list + 3), (std::vector<uint16_t>{1, 2, 3}));
  freeRequiredList(list);
  EXPECT_TRUE(reported.messages.empty());
}

}  // namespace
}  // namespace velmora::testing
