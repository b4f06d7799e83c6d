// How the platform-free code tells the user something: it hands a Message to a Reporter
// and goes on. It never waits for an answer; the front end decides how a message is shown
// (the shell turns each one into a message box with an OK button).
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace velmora {

// The caption a message without one is shown under.
inline constexpr const char* kDefaultCaption = "Error";

// The icon a message is shown with.
enum class MessageKind { kPlain, kWarning, kError, kInformation };

struct Message {
  std::string text;
  // Empty: shown under the default caption.
  std::optional<std::string> caption;
  MessageKind kind = MessageKind::kPlain;

  std::string shownCaption() const { return caption ? *caption : kDefaultCaption; }

  bool operator==(const Message& o) const {
    return text == o.text && caption == o.caption && kind == o.kind;
  }
};

// Where messages go, in the order they are reported.
class Reporter {
 public:
  virtual ~Reporter() = default;
  virtual void report(const Message& message) = 0;

  // `caption` null: the default caption.
  void report(std::string text, const char* caption, MessageKind kind = MessageKind::kPlain) {
    Message m;
    m.text = std::move(text);
    if (caption) m.caption = caption;
    m.kind = kind;
    report(m);
  }
};

// Keeps every message, for a caller that shows them later (a worker thread's messages are
// replayed in series order) or looks at them (tests).
class RecordingReporter : public Reporter {
 public:
  using Reporter::report;
  void report(const Message& message) override { messages.push_back(message); }
  std::vector<Message> messages;
};

// Drops every message.
class NullReporter : public Reporter {
 public:
  using Reporter::report;
  void report(const Message&) override {}
};

}  // namespace velmora
