// The Window of the command-line tool: dialogs are answered from the options, message
// boxes are written to an error stream as "caption: text" and kept for the JSON output.
#pragma once

#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "common/report.h"
#include "common/window.h"

namespace velmora::cli {

class ScriptedWindow : public Window {
 public:
  explicit ScriptedWindow(std::ostream& err) : err_(err) {}

  // Writes "caption: text" (the default caption when there is none) and answers with the
  // affirmative button: OK, or Yes for a yes/no question.
  int messageBox(const std::string& text, const char* caption, unsigned flags) override;
  void setEditText(const std::string& text) override { edit_ = text; }
  std::string editText() const override { return edit_; }

  // Types the scripted values of `dialogId` into its controls and presses OK. The controls
  // as they were at OK are kept (lastControls).
  int runDialog(int dialogId, DialogControls& controls) override;

  // The text to type into control `controlId` whenever dialog `dialogId` opens.
  void setDialogText(int dialogId, int controlId, const std::string& text);
  // The state to give check box or radio button `controlId` whenever dialog `dialogId`
  // opens (for a radio group, give the chosen button true and the others false).
  void setDialogCheck(int dialogId, int controlId, bool checked);

  // Repaints asked for since the last call (whole: the client area), and whether the
  // window was asked to close.
  struct Invalidation {
    bool whole = false;
    Rect rect;
    bool erase = false;
  };
  void invalidateRect(const Rect* rect, bool erase) override;
  std::vector<Invalidation> takeInvalidations();
  void close() override { closeRequested_ = true; }
  bool closeRequested() const { return closeRequested_; }

  // While held, messages are only kept (takeMessages), not written.
  void holdMessages(bool hold) { hold_ = hold; }

  // The messages shown since the last call.
  std::vector<Message> takeMessages();
  // The controls of dialog `dialogId` when it was last closed; null if it never opened.
  const DialogControls* lastControls(int dialogId) const;

 private:
  std::ostream& err_;
  std::string edit_;
  std::map<int, std::map<int, std::string>> answers_;
  std::map<int, std::map<int, bool>> checks_;
  std::map<int, DialogControls> closed_;
  std::vector<Message> messages_;
  std::vector<Invalidation> invalidations_;
  bool closeRequested_ = false;
  bool hold_ = false;
};

}  // namespace velmora::cli
