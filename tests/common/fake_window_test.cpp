#include <gtest/gtest.h>

#include "support/fake_window.h"

namespace velmora::testing {

TEST(FakeWindow, RecordsMessagesAndAnswersFromScript) {
  FakeWindow w;
  w.answers.push_back(kIdCancel);
  EXPECT_EQ(w.messageBox("a", " cap ", kMbOkCancel | kMbIconWarning), kIdCancel);
  EXPECT_EQ(w.messageBox("b", nullptr, kMbYesNo), kIdYes);
  ASSERT_EQ(w.messages.size(), 2u);
  EXPECT_EQ(w.messages[0].caption, " cap ");
  EXPECT_EQ(w.messages[0].icon(), unsigned(kMbIconWarning));
  EXPECT_FALSE(w.messages[1].hasCaption);
  EXPECT_EQ(w.messages[1].caption, "Error");
}

}  // namespace velmora::testing
