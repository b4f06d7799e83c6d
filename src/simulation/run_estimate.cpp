#include "simulation/run_estimate.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <utility>
#include <vector>

#include "common/format.h"
#include "processing/dispatch.h"
#include "processing/fixed_search.h"
#include "simulation/rest_error.h"
#include "simulation/repeat_pipeline.h"
#include "simulation/simulation.h"

namespace velmora {

namespace {

// Seconds of evidence the pace is measured over.
constexpr double kEvidenceSeconds = 2;

}  // namespace

std::string longRunText(double projectedSeconds, int64_t done, int64_t total,
                        double elapsedSeconds) {
  const long long minutes = std::llround(projectedSeconds / 60);
  const long long took = std::llround(elapsedSeconds);
  return formatText(
      "The simulation will take about %lld h %lld min: %lld of %lld series took "
      "%lld:%02lld:%02lld.",
      minutes / 60, minutes % 60, static_cast<long long>(done), static_cast<long long>(total),
      took / 3600, took / 60 % 60, took % 60);
}

LongRunNotice::LongRunNotice(std::function<double()> stopwatch)
    : stopwatch_(std::move(stopwatch)), start_(seconds()) {}

double LongRunNotice::seconds() const {
  if (stopwatch_) return stopwatch_();
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void LongRunNotice::check(Reporter& reporter, int64_t done, int64_t total) {
  if (shown_ || done <= 0 || done >= total) return;
  const double now = seconds() - start_;
  if (done == 1) first_ = now;
  if (done < 2 || now - first_ < kEvidenceSeconds) return;
  const double pace = (now - first_) / static_cast<double>(done - 1);
  const double projected = first_ + pace * static_cast<double>(total - 1);
  if (projected <= kLongRunSeconds) return;
  shown_ = true;
  reporter.report(longRunText(projected, done, total, now), kSimulationCaption);
}

uint64_t simulationMemoryNeed(const SimulationSize& z) {
  const uint64_t P = z.pulseCounts, V = z.noiseLevels, L = z.seriesLength;
  // The error record: six tables of 32-bit values, their row pointers, the two axes.
  uint64_t bytes = kRestErrorTables * (P * V * sizeof(int32_t) + V * sizeof(int32_t*)) +
                   (P + V) * sizeof(int16_t);

  // Series records hold the samples twice and thirteen values per pulse; chains records
  // four values per pulse of each pretender.
  const uint64_t pulses = std::max<uint64_t>(
      z.greatestPulses,
      maxPulseCount(z.seriesLength, z.pulseLength, std::max<uint16_t>(z.tmin, 1)));
  const uint64_t series = (2 * L + 13 * pulses) * sizeof(int16_t);
  const uint64_t chains = kChainsPretenders * (4 * pulses * sizeof(int16_t) + 8 * sizeof(void*));
  const uint64_t threads = simulationThreads(z.threads);
  bytes += (1 + kSlotsPerThread * threads) * (series + chains);

  // Each thread's searches: local matches and chain values over the series positions, and
  // the chain table of the fixed-count pass at the greatest pulse count.
  uint64_t search = 64 * L;
  if (searchUsesChainPass(z.effectiveTaskType, z.seriesType) && z.greatestPulses > 0) {
    const int64_t M = z.greatestPulses, n = z.pulseLength, tmin = z.tmin, tmax = z.tmax;
    const int64_t length = z.seriesLength;
    std::vector<PulseWindow> windows(static_cast<size_t>(M));
    for (int64_t j = 0; j < M; ++j) {
      const int64_t lo = std::max<int64_t>({j * tmin, length - (M - j) * tmax, 0});
      const int64_t hi = std::min(std::min((j + 1) * tmax - n, length - n - (M - 1 - j) * tmin),
                                  length - n);
      windows[j] = hi >= lo ? PulseWindow{static_cast<int32_t>(lo), static_cast<int32_t>(hi)}
                            : PulseWindow{};
    }
    search += chainStorageCells(windows) * sizeof(MatchCost);
  }
  return bytes + threads * search;
}

}  // namespace velmora
