// A Window for tests: records every message box and the edit control's text.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "common/window.h"

namespace velmora::testing {

struct RecordedMessage {
  std::string text;
  std::string caption;  // kDefaultCaption when shown without one
  bool hasCaption = true;
  unsigned flags = 0;
  unsigned icon() const { return flags & kMbIconMask; }
};

class FakeWindow : public Window {
 public:
  int messageBox(const std::string& text, const char* caption, unsigned flags) override;
  void setEditText(const std::string& text) override { edit_ = text; }
  std::string editText() const override { return edit_; }

  // Answers given to message boxes in order; kIdOk (or kIdYes for yes/no boxes) when
  // the script runs out.
  std::deque<int> answers;
  std::vector<RecordedMessage> messages;

  void clear() { messages.clear(); }
  const RecordedMessage& last() const { return messages.back(); }

 private:
  std::string edit_;
};

}  // namespace velmora::testing
