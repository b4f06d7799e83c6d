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
  EXPECT_EQ(w.messages[0].kind, MessageKind::kWarning);
  EXPECT_FALSE(w.messages[1].caption.has_value());
  EXPECT_EQ(w.messages[1].shownCaption(), "Error");
  EXPECT_EQ(w.messages[1].kind, MessageKind::kPlain);
}

// What the core reports reaches the same list as the message boxes, unchanged and in order.
TEST(FakeWindow, ShowsReportsAsMessageBoxes) {
  FakeWindow w;
  const Message error{"e", std::string(" cap "), MessageKind::kError};
  w.report(error);
  w.messageBox("box", nullptr, kMbOk);
  w.report("i", nullptr, MessageKind::kInformation);
  ASSERT_EQ(w.messages.size(), 3u);
  EXPECT_EQ(w.messages[0], error);
  EXPECT_EQ(w.messages[1].text, "box");
  EXPECT_EQ(w.messages[2], (Message{"i", std::nullopt, MessageKind::kInformation}));
}

}  // namespace velmora::testing
