// The windowing services the platform-free code asks for. Every operation that shows
// something to the user or touches the main window takes a Window& first. The Qt
// layer, the command-line tool and the tests each provide their own implementation.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "common/geometry.h"
#include "common/report.h"  // kDefaultCaption

namespace velmora {

// Message box flags and answers, with the values the original message boxes used.
enum MessageBoxFlags : unsigned {
  kMbOk = 0x00,
  kMbOkCancel = 0x01,
  kMbYesNo = 0x04,
  kMbIconError = 0x10,
  kMbIconQuestion = 0x20,
  kMbIconWarning = 0x30,
  kMbIconInformation = 0x40,
  kMbButtonMask = 0x0F,
  kMbIconMask = 0xF0,
};
enum MessageBoxAnswer : int { kIdOk = 1, kIdCancel = 2, kIdYes = 6, kIdNo = 7 };

// The values of a modal dialog's controls while it is open: the text of each edit or
// static control and the state of each check box and radio button, by control id. The
// dialog logic fills it before the dialog opens and reads it after OK.
struct DialogControls {
  std::map<int, std::string> texts;
  std::map<int, bool> checks;
  // The check boxes and radio buttons the user clicked, in order (a click on a radio
  // button that is already checked counts too).
  std::vector<int> clicks;

  std::string text(int id) const {
    auto it = texts.find(id);
    return it == texts.end() ? std::string() : it->second;
  }
  void setText(int id, std::string value) { texts[id] = std::move(value); }
  bool checked(int id) const {
    auto it = checks.find(id);
    return it != checks.end() && it->second;
  }
  void setChecked(int id, bool value) { checks[id] = value; }
  void click(int id) { clicks.push_back(id); }
};

// Mouse cursors the main window shows.
enum class Cursor { kArrow, kSizeNS, kSizeNWSE };

// What the save-file dialog is asked to show.
struct FileFilter {
  std::string description;  // "Bitmap Files (*.bmp)"
  std::string pattern;      // "*.bmp"
};
struct SaveFileRequest {
  std::string title;
  std::vector<FileFilter> filters;  // the first is preselected
  std::string defaultExtension;     // appended when the user types none
  bool confirmOverwrite = true;
};

// The entry that internal commands sent to the window arrive at (the command handler).
using CommandHandler = std::function<void(int commandId)>;

class Window {
 public:
  virtual ~Window() = default;

  // Shows a modal message box. A null caption means the system's default caption
  // ("Error"). Returns the button pressed (kIdOk, kIdCancel, kIdYes, kIdNo).
  virtual int messageBox(const std::string& text, const char* caption, unsigned flags) = 0;

  // The main window's child edit control (id 225): the Tmin entry of the series
  // parameters panel.
  virtual void setEditText(const std::string& text) = 0;
  virtual std::string editText() const = 0;
  // Moves and sizes the child edit control (0, 0, 0, 0 hides it).
  virtual void moveEditControl(int32_t /*x*/, int32_t /*y*/, int32_t /*width*/,
                               int32_t /*height*/) {}

  // Runs modal dialog `dialogId` over `controls`, which hold the values the dialog logic
  // initialised; the user's edits are written back into them. Returns kIdOk or kIdCancel.
  // Without a display the dialog is accepted as initialised.
  virtual int runDialog(int /*dialogId*/, DialogControls& /*controls*/) { return kIdOk; }

  // Whether a dialog whose values were refused opens again with them, for correcting: a
  // person at the window can correct them; a scripted answer would be refused again.
  virtual bool reopensRefusedDialogs() const { return false; }

  // Marks `rect` (null: the whole client area) as needing a repaint, erasing the
  // background first when `erase` is set.
  virtual void invalidateRect(const Rect* /*rect*/, bool /*erase*/) {}

  // Sends an internal command to the window; it runs to its end, nested, before this
  // returns.
  virtual void sendCommand(int commandId) {
    if (commandHandler_) commandHandler_(commandId);
  }
  // Asks the window to close (the close message); closing runs the shut-down.
  virtual void close() {}

  // Sets or clears the check mark of menu item `itemId`.
  virtual void checkMenuItem(int /*itemId*/, bool /*checked*/) {}

  // Mouse capture and cursor shape, used while a handle of the parameters panel is dragged.
  virtual void setCapture() {}
  virtual void releaseCapture() {}
  virtual void setCursor(Cursor /*cursor*/) {}

  // The save-file dialog: true with the chosen name in `path`, false when cancelled.
  virtual bool saveFileDialog(const SaveFileRequest& /*request*/, std::string& path) {
    path.clear();
    return false;
  }

  // Installed by the shell at start-up so that sendCommand reaches the command handler.
  void setCommandHandler(CommandHandler handler) { commandHandler_ = std::move(handler); }
  bool hasCommandHandler() const { return static_cast<bool>(commandHandler_); }

 private:
  CommandHandler commandHandler_;
};

}  // namespace velmora
