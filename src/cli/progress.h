// Progress of a statistical simulation on the error stream, and stopping it on Ctrl-C.
#pragma once

#include <chrono>
#include <csignal>
#include <ostream>
#include <string>

#include "shell/app_state.h"
#include "simulation/simulation.h"

namespace velmora::cli {

enum class ProgressMode {
  kNone,   // --quiet
  kBar,    // a terminal: one line redrawn in place
  kLines,  // anything else: a plain line every few seconds
};

// While alive, Ctrl-C (SIGINT) or SIGTERM asks the running simulation to stop; a second
// signal ends the program at once.
class InterruptGuard {
 public:
  InterruptGuard();
  ~InterruptGuard();
  InterruptGuard(const InterruptGuard&) = delete;
  InterruptGuard& operator=(const InterruptGuard&) = delete;
  static bool interrupted();
  // The exit status of a program the signal stopped, 128 + its number: 130 for Ctrl-C,
  // 143 for SIGTERM. kExitInterrupted before any signal.
  static int exitStatus();

 private:
  struct sigaction previousInt_ {};
  struct sigaction previousTerm_ {};
};

// While alive, SIGINT or SIGTERM gives up the output files being written: a wait that has
// no end (a FIFO no one reads) is broken off and every temporary file removed, while the
// renames that put complete files in place finish first (the atomic writer holds the
// signals for them). interrupted() and exitStatus() then tell of the signal.
class WriteInterruptGuard {
 public:
  WriteInterruptGuard();
  ~WriteInterruptGuard();
  WriteInterruptGuard(const WriteInterruptGuard&) = delete;
  WriteInterruptGuard& operator=(const WriteInterruptGuard&) = delete;

 private:
  struct sigaction previousInt_ {};
  struct sigaction previousTerm_ {};
};

// Watches the driver: shows where it stands and stops it once interrupted.
class ProgressReporter : public SimulationObserver {
 public:
  ProgressReporter(ProgressMode mode, std::ostream& err, const AppState& state);
  bool repeatDone(const SimulationProgress& progress) override;
  // Ends the progress line of the bar.
  void finish();

  // "42% pulses 12 (3/25), noise 35 (8/29), elapsed 0:12, remaining 0:17"
  static std::string describe(const SimulationProgress& progress, int pulses, int noise,
                              double elapsedSeconds);

 private:
  using Clock = std::chrono::steady_clock;
  ProgressMode mode_;
  std::ostream& err_;
  const AppState& state_;
  Clock::time_point start_;
  Clock::time_point lastShown_;
  size_t lastWidth_ = 0;
  bool shown_ = false;
};

// "m:ss", or "h:mm:ss" from an hour on.
std::string clockText(double seconds);

}  // namespace velmora::cli
