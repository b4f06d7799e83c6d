// The shell's side of the core's reporting: each message the core reports is shown as an
// OK-only message box on the main window, at once and in order.
#pragma once

#include "common/report.h"
#include "common/window.h"
#include "processing/search_outcome.h"

namespace velmora {

// The message box flags a message of `kind` is shown with.
constexpr unsigned messageBoxFlags(MessageKind kind) {
  switch (kind) {
    case MessageKind::kWarning: return kMbOk | kMbIconWarning;
    case MessageKind::kError: return kMbOk | kMbIconError;
    case MessageKind::kInformation: return kMbOk | kMbIconInformation;
    case MessageKind::kPlain: break;
  }
  return kMbOk;
}

// The kind of message a message box with `flags` shows: its icon (a question, which no
// message box of the program asks, counts as plain).
constexpr MessageKind messageKind(unsigned flags) {
  switch (flags & kMbIconMask) {
    case kMbIconWarning:
      return MessageKind::kWarning;
    case kMbIconError:
      return MessageKind::kError;
    case kMbIconInformation:
      return MessageKind::kInformation;
    default:
      break;
  }
  return MessageKind::kPlain;
}

// What a message box shows, as a Message (`caption` null: the default caption).
inline Message shownMessage(const std::string& text, const char* caption, unsigned flags) {
  Message m;
  m.text = text;
  if (caption) m.caption = caption;
  m.kind = messageKind(flags);
  return m;
}

inline void showMessage(Window& window, const Message& message) {
  window.messageBox(message.text, message.caption ? message.caption->c_str() : nullptr,
                    messageBoxFlags(message.kind));
}

class WindowReporter : public Reporter {
 public:
  explicit WindowReporter(Window& window) : window_(window) {}
  using Reporter::report;
  void report(const Message& message) override { showMessage(window_, message); }

 private:
  Window& window_;
};

// Shows the text of a search that ran out of memory the way the searches always have (no
// caption, an OK button) and returns the search's result.
inline int shownResult(Window& window, const SearchOutcome& outcome) {
  if (!outcome.ran()) showMessage(window, Message{outcome.noMemory, std::nullopt});
  return outcome.result;
}

}  // namespace velmora
