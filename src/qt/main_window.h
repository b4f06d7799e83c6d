// The main window of the desktop program: the menu built from the shell's menu table, the
// client area that shows the painted picture, and the Window services the shell asks for.
// It owns the application state; everything it does with it goes through the shell.
#pragma once

#include <QMainWindow>

#include <functional>
#include <map>
#include <memory>

#include "shell/app_state.h"

class QAction;

namespace velmora::qt {

class ClientArea;
class DesktopWindow;
class SimulationRunner;

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit MainWindow(QWidget* parent = nullptr);
  ~MainWindow() override;

  // Runs the shell's start-up. False when it failed; its message has been shown then.
  bool startUp();

  AppState& state() { return state_; }
  Window& window();
  ClientArea* clientArea() const { return client_; }
  SimulationRunner* simulationRunner() const { return runner_.get(); }
  // The menu action of command `commandId`; null when the menu has none.
  QAction* action(int commandId) const;

  // Runs `work` (a command, a click, a key) in the shell. A close asked for meanwhile is
  // carried out once the outermost call has returned, so shut-down never frees the state
  // under a command that is still running.
  void dispatch(const std::function<void()>& work);
  // Runs command `commandId` through dispatch, as the menu does.
  void runCommand(int commandId);
  // Asks the window to close as soon as no command is running.
  void requestClose();

  // Sets or clears the check mark of a menu item.
  void setMenuCheck(int commandId, bool checked);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildMenu();

  AppState state_;
  std::unique_ptr<DesktopWindow> window_;
  std::unique_ptr<SimulationRunner> runner_;
  ClientArea* client_ = nullptr;
  std::map<int, QAction*> actions_;
  std::map<int, bool> marks_;  // the check marks the shell set
  int depth_ = 0;              // nesting of dispatch
  bool closePending_ = false;
  bool shutDown_ = false;
};

// `text` as a menu shows it with a keyboard mnemonic: '&' before the first letter of a
// word (or else any letter) that `used` does not hold yet, which is then added to it.
// An '&' of the text itself is shown as it is.
QString withMnemonic(const QString& text, QString& used);

}  // namespace velmora::qt
