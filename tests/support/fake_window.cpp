#include "support/fake_window.h"

#include "shell/dialogs.h"
#include "shell/window_reporter.h"

namespace velmora::testing {

int FakeWindow::messageBox(const std::string& text, const char* caption, unsigned flags) {
  messages.push_back(shownMessage(text, caption, flags));
  if (!answers.empty()) {
    int a = answers.front();
    answers.pop_front();
    return a;
  }
  return (flags & kMbButtonMask) == kMbYesNo ? kIdYes : kIdOk;
}

void FakeWindow::report(const Message& message) { showMessage(*this, message); }

void FakeWindow::moveEditControl(int32_t x, int32_t y, int32_t width, int32_t height) {
  editGeometry = Rect{x, y, width, height};
}

int FakeWindow::runDialog(int dialogId, DialogControls& controls) {
  RecordedDialog record;
  record.dialogId = dialogId;
  record.initial = controls;
  if (!dialogAnswers.empty()) {
    DialogAnswer answer = dialogAnswers.front();
    dialogAnswers.pop_front();
    if (answer.dialogId != 0 && answer.dialogId != dialogId) {
      scriptErrors.push_back("dialog " + std::to_string(dialogId) + " opened, answer for " +
                             std::to_string(answer.dialogId) + " scripted");
      record.result = kIdCancel;
    } else {
      for (const auto& [id, text] : answer.texts) controls.setText(id, text);
      for (const auto& [id, on] : answer.checks) clickToState(dialogId, controls, id, on);
      record.result = answer.result;
    }
  }
  dialogs.push_back(record);
  return record.result;
}

void FakeWindow::invalidateRect(const Rect* rect, bool erase) {
  RecordedInvalidation inv;
  inv.whole = rect == nullptr;
  if (rect) inv.rect = *rect;
  inv.erase = erase;
  invalidations.push_back(inv);
}

void FakeWindow::sendCommand(int commandId) {
  sentCommands.push_back(commandId);
  Window::sendCommand(commandId);
}

bool FakeWindow::saveFileDialog(const SaveFileRequest& request, std::string& path) {
  saveFileRequests.push_back(request);
  path = saveFileName;
  return !path.empty();
}

bool FakeWindow::checkedMenuItem(int itemId) const {
  auto it = menuChecks.find(itemId);
  return it != menuChecks.end() && it->second;
}

void FakeWindow::clearRecords() {
  invalidations.clear();
  sentCommands.clear();
  dialogs.clear();
  scriptErrors.clear();
}

}  // namespace velmora::testing
