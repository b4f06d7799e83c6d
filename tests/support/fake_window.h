// A Window for tests: records every message box, dialog, repaint, command and menu check
// mark, and answers message boxes and dialogs from a script. It is a Reporter too, which
// shows what the core reports as the shell does (WindowReporter), so a test hands it to
// the core and finds every message in one list.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "common/report.h"
#include "common/window.h"
#include "shell/window_reporter.h"

namespace velmora::testing {

// One scripted answer to a modal dialog: the control values to type in before the
// answer is given. dialogId 0 accepts any dialog.
struct DialogAnswer {
  int dialogId = 0;
  int result = kIdOk;
  std::map<int, std::string> texts;
  std::map<int, bool> checks;  // given as clicks, as a user gives them (clickToState)
};

// A dialog as it was opened: its id and its controls as the dialog logic initialised
// them, and the answer given.
struct RecordedDialog {
  int dialogId = 0;
  DialogControls initial;
  int result = kIdOk;
};

struct RecordedInvalidation {
  bool whole = false;  // the whole client area
  Rect rect;
  bool erase = false;
};

class FakeWindow : public Window, public Reporter {
 public:
  using Reporter::report;
  void report(const Message& message) override;

  int messageBox(const std::string& text, const char* caption, unsigned flags) override;
  void setEditText(const std::string& text) override { edit_ = text; }
  std::string editText() const override { return edit_; }
  void moveEditControl(int32_t x, int32_t y, int32_t width, int32_t height) override;

  int runDialog(int dialogId, DialogControls& controls) override;
  bool reopensRefusedDialogs() const override { return reopenRefused; }
  void invalidateRect(const Rect* rect, bool erase) override;
  void sendCommand(int commandId) override;
  void close() override { closeRequests++; }
  void checkMenuItem(int itemId, bool checked) override { menuChecks[itemId] = checked; }
  void setCapture() override { captured = true; }
  void releaseCapture() override { captured = false; }
  void setCursor(Cursor c) override { cursor = c; }
  bool saveFileDialog(const SaveFileRequest& request, std::string& path) override;

  // Answers given to message boxes in order; kIdOk (or kIdYes for yes/no boxes) when
  // the script runs out.
  std::deque<int> answers;
  // What every message box showed (its icon as the message's kind).
  std::vector<Message> messages;

  // Answers given to dialogs in order; a dialog opened when the script is empty is
  // accepted unchanged. A scripted answer for another dialog id is a script error: the
  // dialog is cancelled and the mismatch recorded.
  std::deque<DialogAnswer> dialogAnswers;
  std::vector<RecordedDialog> dialogs;
  std::vector<std::string> scriptErrors;
  // Whether a refused dialog is opened again (as in the desktop window).
  bool reopenRefused = false;

  std::vector<RecordedInvalidation> invalidations;
  std::vector<int> sentCommands;
  std::map<int, bool> menuChecks;
  int closeRequests = 0;

  bool captured = false;
  Cursor cursor = Cursor::kArrow;
  Rect editGeometry;  // left, top = position; right, bottom = width, height

  // The name the save-file dialog returns; empty: the dialog is cancelled.
  std::string saveFileName;
  std::vector<SaveFileRequest> saveFileRequests;

  void clear() { messages.clear(); }
  const Message& last() const { return messages.back(); }
  bool checkedMenuItem(int itemId) const;
  // Forgets the recorded repaints, commands and dialogs.
  void clearRecords();

 private:
  std::string edit_;
};

}  // namespace velmora::testing
