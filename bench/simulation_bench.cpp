// The default statistical simulation (recognition on a fixed number of cut-off pulses,
// L 1200, pulse counts 6..30, 29 noise levels, 20 etalons, saved level 75) on 1 and on all
// threads. The full run has 100 repeats (72,500 series); the short one 4 repeats.
#include <benchmark/benchmark.h>

#include "bench_support.h"
#include "model/random.h"

namespace velmora::bench {
namespace {

void BM_DefaultSimulation(benchmark::State& state) {
  const int32_t repeats = static_cast<int32_t>(state.range(0));
  const uint16_t threads = static_cast<uint16_t>(state.range(1));
  SimulationRun run;
  for (auto _ : state) run = runDefaultSimulation(repeats, threads);
  if (run.result != 1) state.SkipWithError("the simulation did not complete");
  state.counters["series"] = static_cast<double>(run.series);
  state.counters["per_series"] =
      benchmark::Counter(static_cast<double>(run.series),
                         benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["checksum_low"] = static_cast<double>(run.checksum & 0xFFFFFF);
}
// Arguments: repeats, threads (0: all cores).
BENCHMARK(BM_DefaultSimulation)
    ->Args({4, 1})
    ->Args({4, 0})
    ->Args({100, 1})
    ->Args({100, 0})
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);

// The parts of one repeat of the default simulation besides its search: the synthesis of
// a series of 18 cut-off pulses, its noise, and passing over both as a process that makes
// other repeats does.
void BM_RepeatSynthesis(benchmark::State& state) {
  const Alphabet alphabet;
  Series s(alphabet, kSeriesLength, 18, {6}, kSavedLevel, kNoise);
  std::vector<uint16_t> sequence(s.header->wMaxPulses, 6);
  for (auto _ : state)
    s.header = getCutOffSeries(s.window, kAlphabetSize, alphabet.pulses, kPulseLength, kTmin,
                               kTmax, kSeriesLength, 18, sequence.data(), kPulseAmplitude,
                               kSavedLevel, s.header);
}
BENCHMARK(BM_RepeatSynthesis)->Unit(benchmark::kMicrosecond);

void BM_RepeatNoise(benchmark::State& state) {
  const Alphabet alphabet;
  Series s(alphabet, kSeriesLength, 18, {6}, kSavedLevel, kNoise);
  uint16_t noise = kInitialNoiseSeed;
  for (auto _ : state) addNoise(kNoise, kPulseAmplitude, s.header, noise);
  benchmark::DoNotOptimize(noise);
}
BENCHMARK(BM_RepeatNoise)->Unit(benchmark::kMicrosecond);

void BM_RepeatPassedOver(benchmark::State& state) {
  const Alphabet alphabet;
  Series s(alphabet, kSeriesLength, 18, {6}, kSavedLevel, kNoise);
  std::vector<uint16_t> sequence(s.header->wMaxPulses, 6);
  const SynthesisSkip skip(kAlphabetSize, alphabet.pulses, kPulseLength, kTmin, kTmax,
                           kSeriesLength, 18, s.header);
  const RandomJump noiseJumped = noiseJump(s.header);
  uint16_t noise = kInitialNoiseSeed;
  for (auto _ : state) {
    skip.pass(sequence.data(), *s.header);
    noise = noiseJumped.apply(noise);
  }
  benchmark::DoNotOptimize(noise);
}
BENCHMARK(BM_RepeatPassedOver)->Unit(benchmark::kMicrosecond);

// The first share of the default simulation split `shares` ways, on one thread: what one
// process of a run over `shares` processes computes. With 0 shares it passes over every
// repeat and makes none: the work of the run that every process repeats.
void BM_DefaultSimulationShare(benchmark::State& state) {
  const int32_t repeats = static_cast<int32_t>(state.range(0));
  const int64_t shares = state.range(1);
  FirstShare share(shares);
  SimulationRun run;
  for (auto _ : state) run = runDefaultSimulation(repeats, 1, &share);
  state.counters["series"] = static_cast<double>(run.series);
  state.counters["per_series"] =
      benchmark::Counter(static_cast<double>(run.series),
                         benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
// Arguments: repeats, shares.
BENCHMARK(BM_DefaultSimulationShare)
    ->Args({100, 0})
    ->Args({100, 2})
    ->Args({100, 8})
    ->Args({100, 64})
    ->Iterations(1)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);

}  // namespace
}  // namespace velmora::bench
