#include "cli/scripted_window.h"

#include <utility>

#include "shell/dialogs.h"
#include "shell/window_reporter.h"

namespace velmora::cli {

int ScriptedWindow::messageBox(const std::string& text, const char* caption, unsigned flags) {
  Message m = shownMessage(text, caption, flags);
  if (!hold_) {
    err_ << m.shownCaption() << ": " << m.text;
    if (m.text.empty() || m.text.back() != '\n') err_ << '\n';
    err_.flush();
  }
  messages_.push_back(std::move(m));
  return (flags & kMbButtonMask) == kMbYesNo ? kIdYes : kIdOk;
}

int ScriptedWindow::runDialog(int dialogId, DialogControls& controls) {
  auto it = answers_.find(dialogId);
  if (it != answers_.end())
    for (const auto& [id, text] : it->second) controls.setText(id, text);
  // A scripted state is given as a user gives it, by a click.
  auto checks = checks_.find(dialogId);
  if (checks != checks_.end())
    for (const auto& [id, checked] : checks->second) clickToState(dialogId, controls, id, checked);
  closed_[dialogId] = controls;
  return kIdOk;
}

void ScriptedWindow::setDialogText(int dialogId, int controlId, const std::string& text) {
  answers_[dialogId][controlId] = text;
}

void ScriptedWindow::setDialogCheck(int dialogId, int controlId, bool checked) {
  checks_[dialogId][controlId] = checked;
}

void ScriptedWindow::invalidateRect(const Rect* rect, bool erase) {
  invalidations_.push_back({rect == nullptr, rect ? *rect : Rect{}, erase});
}

std::vector<ScriptedWindow::Invalidation> ScriptedWindow::takeInvalidations() {
  std::vector<Invalidation> out;
  out.swap(invalidations_);
  return out;
}

std::vector<Message> ScriptedWindow::takeMessages() {
  std::vector<Message> out;
  out.swap(messages_);
  return out;
}

const DialogControls* ScriptedWindow::lastControls(int dialogId) const {
  auto it = closed_.find(dialogId);
  return it == closed_.end() ? nullptr : &it->second;
}

}  // namespace velmora::cli
