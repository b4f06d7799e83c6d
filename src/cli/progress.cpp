#include "cli/progress.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>


#include "cli/options.h"
#include "common/atomic_file.h"

namespace velmora::cli {

namespace {

// The signal that asked the simulation to stop, 0 before one came. Read by the driver's
// threads, hence atomic; a lock-free atomic is safe to set from a signal handler.
std::atomic<int> gSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void onInterrupt(int signal) { gSignal.store(signal); }

constexpr std::chrono::milliseconds kBarInterval{200};
constexpr std::chrono::seconds kLineInterval{5};
constexpr int kBarWidth = 24;

}  // namespace

InterruptGuard::InterruptGuard() {
  gSignal.store(0);
  struct sigaction action {};
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESETHAND;  // the second signal takes the default action
  sigaction(SIGINT, &action, &previousInt_);
  sigaction(SIGTERM, &action, &previousTerm_);
}

InterruptGuard::~InterruptGuard() {
  sigaction(SIGINT, &previousInt_, nullptr);
  sigaction(SIGTERM, &previousTerm_, nullptr);
}

bool InterruptGuard::interrupted() { return gSignal.load() != 0; }

int InterruptGuard::exitStatus() {
  const int signal = gSignal.load();
  return signal == 0 ? kExitInterrupted : 128 + signal;
}

WriteInterruptGuard::WriteInterruptGuard() {
  gSignal.store(0);
  struct sigaction action {};
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: a blocked open or write returns EINTR
  sigaction(SIGINT, &action, &previousInt_);
  sigaction(SIGTERM, &action, &previousTerm_);
  setWriteInterruptCheck(&InterruptGuard::interrupted);
}

WriteInterruptGuard::~WriteInterruptGuard() {
  setWriteInterruptCheck(nullptr);
  sigaction(SIGINT, &previousInt_, nullptr);
  sigaction(SIGTERM, &previousTerm_, nullptr);
}

std::string clockText(double seconds) {
  long total = seconds > 0 ? std::lround(seconds) : 0;
  char text[32];
  if (total >= 3600)
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
  else
    std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
  return text;
}

ProgressReporter::ProgressReporter(ProgressMode mode, std::ostream& err, const AppState& state)
    : mode_(mode), err_(err), state_(state), start_(Clock::now()), lastShown_(start_) {}

std::string ProgressReporter::describe(const SimulationProgress& p, int pulses, int noise,
                                       double elapsed) {
  const double total = static_cast<double>(p.pulseCounts) * p.noiseLevels * std::max(p.repeats, 1);
  const double done =
      (static_cast<double>(p.pulseIndex) * p.noiseLevels + p.levelIndex) * std::max(p.repeats, 1) + p.repeat + 1;
  const double share = total > 0 ? std::min(done / total, 1.0) : 1.0;
  const double remaining = share > 0 ? elapsed * (1 - share) / share : 0;
  char text[160];
  std::snprintf(text, sizeof text,
                "%3d%% pulses %d (%d/%d), noise %d (%d/%d), elapsed %s, remaining %s",
                static_cast<int>(share * 100), pulses, p.pulseIndex + 1, p.pulseCounts, noise,
                p.levelIndex + 1, p.noiseLevels, clockText(elapsed).c_str(),
                clockText(remaining).c_str());
  return text;
}

bool ProgressReporter::repeatDone(const SimulationProgress& p) {
  if (InterruptGuard::interrupted()) return false;
  if (mode_ == ProgressMode::kNone) return true;
  const Clock::time_point now = Clock::now();
  const bool last = p.pulseIndex + 1 >= p.pulseCounts && p.levelIndex + 1 >= p.noiseLevels &&
                    p.repeat + 1 >= p.repeats;
  const auto interval = mode_ == ProgressMode::kBar
                            ? std::chrono::duration_cast<Clock::duration>(kBarInterval)
                            : std::chrono::duration_cast<Clock::duration>(kLineInterval);
  if (!last && now - lastShown_ < interval) return true;
  if (mode_ == ProgressMode::kLines && last && !shown_ && now - start_ < interval) return true;
  lastShown_ = now;

  const RestErrorHeader* e = state_.records.lpRestErrorHeader;
  const int pulses = e && p.pulseIndex < e->wVariousPulses ? e->wPulseValues[p.pulseIndex] : 0;
  const int noise = e && p.levelIndex < e->wNoiseLevels ? e->lpNoiseLevels[p.levelIndex] : 0;
  const double elapsed = std::chrono::duration<double>(now - start_).count();
  std::string line = describe(p, pulses, noise, elapsed);
  if (mode_ == ProgressMode::kBar) {
    const size_t percent = static_cast<size_t>(std::atoi(line.c_str()));
    const size_t filled = percent * kBarWidth / 100;
    std::string bar = "[" + std::string(filled, '#') + std::string(kBarWidth - filled, ' ') + "] ";
    line = bar + line;
    const size_t width = line.size();
    if (width < lastWidth_) line += std::string(lastWidth_ - width, ' ');
    lastWidth_ = width;
    err_ << '\r' << line << std::flush;
  } else {
    err_ << "simulate: " << line << '\n' << std::flush;
  }
  shown_ = true;
  return true;
}

void ProgressReporter::finish() {
  if (mode_ == ProgressMode::kBar && shown_) err_ << '\n' << std::flush;
  shown_ = false;
}

}  // namespace velmora::cli
