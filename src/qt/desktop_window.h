// The Window services of the desktop program: message boxes, the parameter dialogs built
// from their templates, repaints, the child edit control, menu check marks, mouse capture
// and cursors, and the save-file dialog.
#pragma once

#include <QString>

#include "common/window.h"

namespace velmora::qt {

class MainWindow;

class DesktopWindow final : public Window {
 public:
  explicit DesktopWindow(MainWindow& main) : main_(main) {}

  int messageBox(const std::string& text, const char* caption, unsigned flags) override;
  void setEditText(const std::string& text) override;
  std::string editText() const override;
  void moveEditControl(int32_t x, int32_t y, int32_t width, int32_t height) override;
  int runDialog(int dialogId, DialogControls& controls) override;
  bool reopensRefusedDialogs() const override { return true; }
  void invalidateRect(const Rect* rect, bool erase) override;
  void close() override;
  void checkMenuItem(int itemId, bool checked) override;
  void setCapture() override;
  void releaseCapture() override;
  void setCursor(Cursor cursor) override;
  bool saveFileDialog(const SaveFileRequest& request, std::string& path) override;

 private:
  MainWindow& main_;
  QString lastFolder_;  // where the save-file dialog opens next
};

// The file name filter Qt shows for `filter`: its description, with the pattern added in
// parentheses when the description does not already name it.
QString nameFilter(const FileFilter& filter);

}  // namespace velmora::qt
