// What the benchmarks share: a window that shows nothing, the system's alphabet, series
// synthesised the way the application makes them, and the default simulation.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/report.h"
#include "common/window.h"
#include "model/alphabet.h"
#include "model/series.h"
#include "processing/chains.h"
#include "simulation/rest_error.h"
#include "shell/window_reporter.h"
#include "simulation/simulation.h"

namespace velmora::bench {

// The application's defaults for processing.
inline constexpr uint16_t kTmin = 40;
inline constexpr uint16_t kTmax = 181;
inline constexpr uint32_t kSeriesLength = 1200;
inline constexpr uint16_t kSavedLevel = 75;
inline constexpr int16_t kNoise = 20;

// Counts the messages instead of showing them, those shown on it and those the core
// reports to it alike.
class QuietWindow : public Window, public Reporter {
 public:
  int messageBox(const std::string& text, const char* caption, unsigned flags) override;
  using Reporter::report;
  void report(const Message& message) override;
  void setEditText(const std::string& text) override { edit_ = text; }
  std::string editText() const override { return edit_; }
  int messages = 0;
  std::string last;

 private:
  std::string edit_;
};

// The alphabet of the application and the required list of all its etalons.
struct Alphabet {
  Alphabet();
  ~Alphabet();
  Alphabet(const Alphabet&) = delete;
  Alphabet& operator=(const Alphabet&) = delete;
  PulseHeader pulses[kAlphabetSize];
  std::vector<uint16_t> all;
};

// The pulse count the application picks for a series of length L: the mean of the least
// and the greatest count.
uint16_t defaultPulseCount(uint32_t length);

// A noisy series of length L with `pulses` pulses of the etalons in `sequence` (repeated
// as needed), cut off at the saved level `making`, with the attached subset `tuple`
// employed from the first pulse when it is not empty, and a chains record sized for it.
struct Series {
  Series(const Alphabet& alphabet, uint32_t length, uint16_t pulses,
         std::vector<uint16_t> sequence, uint16_t making, int16_t noise,
         const std::vector<int32_t>& tuple = {});
  ~Series();
  Series(const Series&) = delete;
  Series& operator=(const Series&) = delete;
  QuietWindow window;
  SeriesHeader* header = nullptr;
  ChainsHeader* chains = nullptr;
};

// The default statistical simulation: recognition on a fixed number of cut-off pulses,
// L 1200, pulse counts 6..30, noise levels 0, 5, .., 140, `repeats` repeats, 20 etalons,
// saved level 75, on `threads` threads (0: all cores). Returns the driver's result;
// `checksum` gets a digest of the tables. With a share, only this process's share of the
// run.
struct SimulationRun {
  int result = 0;
  uint64_t checksum = 0;
  int64_t series = 0;
};
SimulationRun runDefaultSimulation(int32_t repeats, uint16_t threads,
                                   SimulationShare* share = nullptr);

// The first share of a run split `shares` ways (every shares-th repeat from the first), on
// its own: the combining step finds no other share, so the run ends incomplete. `shares` 0
// takes no repeat at all: what a process pays to pass over the repeats of the others.
class FirstShare : public SimulationShare {
 public:
  explicit FirstShare(int64_t shares) : shares_(shares) {}
  bool takes(int64_t repeat) const override { return shares_ > 0 && repeat % shares_ == 0; }
  void repeatDone(int64_t, bool, const std::vector<Message>&) override {}
  bool combine(Reporter&, std::vector<GridPointSums>&, bool) override { return false; }

 private:
  int64_t shares_;
};

}  // namespace velmora::bench
