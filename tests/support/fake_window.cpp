#include "support/fake_window.h"

namespace velmora::testing {

int FakeWindow::messageBox(const std::string& text, const char* caption, unsigned flags) {
  RecordedMessage m;
  m.text = text;
  m.hasCaption = caption != nullptr;
  m.caption = caption ? caption : kDefaultCaption;
  m.flags = flags;
  messages.push_back(m);
  if (!answers.empty()) {
    int a = answers.front();
    answers.pop_front();
    return a;
  }
  return (flags & kMbButtonMask) == kMbYesNo ? kIdYes : kIdOk;
}

}  // namespace velmora::testing
