// What the GUI tests share: the started main window at a fixed client size, a script for
// the modal widgets (dialogs, message boxes, file and progress dialogs) that open while a
// command runs, with a watchdog so that a missing or stuck one fails instead of hanging,
// and helpers that work the controls through real mouse and key events.
#pragma once

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "qt/main_window.h"

class QAbstractButton;
class QLineEdit;

namespace velmora::qt::testing {

class ModalScript {
 public:
  using Handler = std::function<void(QWidget* modal)>;

  // The next modal widget that opens goes to `handler`.
  ModalScript& then(Handler handler);
  // A simulation's progress dialog goes to `handler` when it opens, whenever that is; it
  // is not part of the sequence, since a short run may end before it is seen.
  ModalScript& onProgress(Handler handler);
  // Modal widgets that open after the scripted ones go to `handler`; without one they
  // fail the test and are closed.
  ModalScript& otherwise(Handler handler);

  // Runs `trigger`. Each modal widget is handed on once, when it first becomes the active
  // one. A scripted modal widget that never opens fails the test, and so does a modal
  // widget still open `watchdogMs` after it was handed on (it is then rejected).
  void run(const std::function<void()>& trigger, int watchdogMs = 30000);

  // How many modal widgets were handed to a handler.
  int handled() const { return handled_; }

 private:
  void poll(int watchdogMs);

  // The modal widgets handed on so far, each with the time since.
  struct Seen {
    QPointer<QWidget> widget;
    QElapsedTimer since;
  };

  std::deque<Handler> script_;
  Handler otherwise_;
  Handler progress_;
  std::vector<Seen> seen_;
  int handled_ = 0;
};

// The id of a dialog built from a template (0 for any other widget).
int dialogId(const QWidget* modal);
QLineEdit* edit(QWidget* dialog, int controlId);
QAbstractButton* button(QWidget* dialog, int controlId);
// A real mouse click on control `controlId` (a button, check box or radio button).
void click(QWidget* dialog, int controlId);
// Replaces an edit's text by typing `text`.
void type(QWidget* dialog, int controlId, const QString& text);
// Types `text` into `widget` key by key, characters beyond ASCII included.
void typeText(QWidget* widget, const QString& text);
void pressOk(QWidget* dialog);
void pressCancel(QWidget* dialog);
// Presses `answer` in a message box; the box's caption and text come back for checks.
struct BoxSeen {
  QString caption;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
};
BoxSeen answerBox(QWidget* modal, QMessageBox::StandardButton answer = QMessageBox::Ok);

// Rejects whatever modal widget it is given (a handler for ModalScript::otherwise).
void rejectAny(QWidget* modal);

class GuiTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  AppState& state() { return main->state(); }
  // The menu action of `commandId`, triggered as a click in the menu would.
  void trigger(int commandId);
  // Resizes the main window so that its client area is `width` × `height`.
  void setClientSize(int width, int height);
  // A left click in the client area at logical pixel (x, y).
  void clickClient(int x, int y);
  // Runs the pending repaints and returns the client area's picture.
  QImage picture();

  std::unique_ptr<MainWindow> main;
};

}  // namespace velmora::qt::testing
