// Runs the statistical simulation on a worker thread behind a modal progress dialog
// (grid point, percent, elapsed and remaining time, Cancel). The driver is the shell's;
// the runner only moves it off the window's thread, shows where it stands and asks it to
// stop. Messages the driver shows are shown on the window's thread, in order.
#pragma once

#include <QDialog>
#include <QElapsedTimer>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

#include "shell/app_state.h"
#include "simulation/simulation.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace velmora::qt {

class SimulationRunner;

class ProgressDialog : public QDialog {
  Q_OBJECT

 public:
  ProgressDialog(QWidget* parent, SimulationRunner& runner, const AppState& state);

  // Closes the dialog once the run has ended; until then closing it only asks to stop.
  void finish();
  void refresh();

  void done(int result) override;

 private:
  SimulationRunner& runner_;
  const AppState& state_;
  QLabel* point_ = nullptr;
  QLabel* position_ = nullptr;
  QLabel* time_ = nullptr;
  QProgressBar* bar_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QTimer* timer_ = nullptr;
  QElapsedTimer clock_;
  bool finished_ = false;
};

class SimulationRunner : public SimulationObserver {
 public:
  SimulationRunner(QWidget* parent, const AppState& state) : parent_(parent), state_(state) {}

  // Runs `run` on a worker thread with a window that shows its messages through `window`
  // on this thread; returns when it has ended, showing the progress dialog meanwhile.
  void run(Window& window, const std::function<void(Window&)>& run);

  // Asks a run to stop after the repeat in hand.
  void cancel() { cancel_ = true; }
  bool running() const { return running_; }
  bool cancelRequested() const { return cancel_; }
  // Repeats reported by the current or last run.
  int64_t repeatsReported() const { return reported_; }

  struct Position {
    SimulationProgress progress;
    int64_t done = 0;
    int64_t total = 0;
  };
  Position position() const;

  bool repeatDone(const SimulationProgress& progress) override;

 private:
  QWidget* parent_;
  const AppState& state_;
  std::atomic<bool> cancel_{false};
  std::atomic<bool> running_{false};
  std::atomic<int64_t> reported_{0};
  mutable std::mutex mutex_;
  Position position_;
};

}  // namespace velmora::qt
