// Runs one job and reports its wall time and the peak resident memory of the process:
//   velmora_probe search <L>            one fast recognition at length L (defaults otherwise)
//   velmora_probe plain <L>             the same with the plain search
//   velmora_probe simulate <threads> [repeats]
//                                       the default simulation (100 repeats unless given)
//   velmora_probe share <shares> [repeats]
//                                       the first share of the default simulation split that many
//                                       ways, on one thread; 0 ways: passing over every
//                                       repeat, making none
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench_support.h"
#include "model/problem_types.h"
#include "processing/dispatch.h"
#include "processing/search_kernels.h"
#include "shell/window_reporter.h"

namespace {

long peakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

int usage() {
  std::fprintf(stderr,
               "usage: velmora_probe search <L> | plain <L> | simulate <threads> [repeats] | "
               "share <shares> [repeats]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace velmora;
  using namespace velmora::bench;
  if (argc < 3) return usage();
  const std::string mode = argv[1];
  const long value = std::strtol(argv[2], nullptr, 10);
  const long before = peakKilobytes();
  const auto start = std::chrono::steady_clock::now();
  if (mode == "search" || mode == "plain") {
    const uint32_t length = static_cast<uint32_t>(value);
    const Alphabet alphabet;
    Series s(alphabet, length, defaultPulseCount(length), {6}, kSavedLevel, kNoise);
    const auto searchStart = std::chrono::steady_clock::now();
    SearchInputs in;
    in.alphabet = alphabet.pulses;
    in.requiredCount = kAlphabetSize;
    in.requiredList = alphabet.all.data();
    in.tmin = kTmin;
    in.tmax = kTmax;
    in.procSavedLevel = kSavedLevel;
    const uint16_t task = kTaskRecognition, type = kSeriesFixedCutoff;
    const int found = shownResult(
        s.window, mode == "search" ? runSearch<FastKernels>(task, type, in, s.chains, s.header)
                                   : runSearch<PlainKernels>(task, type, in, s.chains, s.header));
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - searchStart).count();
    std::printf("%s recognition: L %u, M %u, recognised %d, %.3f s, messages %d\n",
                mode.c_str(), length, s.header->wImpulseQuantity, found, seconds,
                s.window.messages);
  } else if (mode == "share") {
    const int32_t repeats = argc > 3 ? static_cast<int32_t>(std::strtol(argv[3], nullptr, 10)) : 100;
    FirstShare share(value);
    const SimulationRun run = runDefaultSimulation(repeats, 1, &share);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("default simulation, first share of %ld: %lld series in the run, %.3f s\n", value,
                static_cast<long long>(run.series), seconds);
  } else if (mode == "simulate") {
    const int32_t repeats = argc > 3 ? static_cast<int32_t>(std::strtol(argv[3], nullptr, 10)) : 100;
    const SimulationRun run = runDefaultSimulation(repeats, static_cast<uint16_t>(value));
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("default simulation: threads %ld, %lld series, result %d, %.2f s, tables %016llx\n",
                value, static_cast<long long>(run.series), run.result, seconds,
                static_cast<unsigned long long>(run.checksum));
  } else {
    return usage();
  }
  std::printf("peak resident memory: %ld kB (%ld kB before the job)\n", peakKilobytes(), before);
  return 0;
}
