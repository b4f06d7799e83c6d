#include "bench_support.h"

#include "model/problem_types.h"
#include "model/random.h"
#include "model/subset_modes.h"
#include "model/subsets.h"
#include "shell/window_reporter.h"

namespace velmora::bench {

int QuietWindow::messageBox(const std::string& text, const char* /*caption*/, unsigned /*flags*/) {
  ++messages;
  last = text;
  return kIdOk;
}

void QuietWindow::report(const Message& message) {
  ++messages;
  last = message.text;
}

Alphabet::Alphabet() {
  QuietWindow window;
  makeAlphabet(window, kPulseAmplitude, kAlphabetSize, kPulseLength, pulses);
  for (uint16_t e = 1; e <= kAlphabetSize; ++e) all.push_back(e);
}

Alphabet::~Alphabet() {
  for (PulseHeader& pulse : pulses) freePulse(pulse);
}

uint16_t defaultPulseCount(uint32_t length) {
  const uint16_t least = minPulseCount(length, kPulseLength, kTmax);
  const uint16_t greatest = maxPulseCount(length, kPulseLength, kTmin);
  return static_cast<uint16_t>((least + greatest) / 2);
}

Series::Series(const Alphabet& alphabet, uint32_t length, uint16_t pulses,
               std::vector<uint16_t> sequence, uint16_t making, int16_t noise,
               const std::vector<int32_t>& tuple) {
  resetRandomStates();
  header = getCutOffSeriesHeader(window, kAlphabetSize, kPulseLength, kTmin, kTmax, length, nullptr);
  if (!tuple.empty())
    addSubsetToSeriesHeader(tuple.data(), static_cast<int32_t>(tuple.size()),
                            kSubsetComplete, 1, header);
  const size_t room = std::max<size_t>(header->wMaxPulses, pulses);
  std::vector<uint16_t> full(room);
  for (size_t k = 0; k < room; ++k) full[k] = sequence[k % sequence.size()];
  header = getCutOffSeries(window, kAlphabetSize, alphabet.pulses, kPulseLength, kTmin, kTmax,
                           length, pulses, full.data(), kPulseAmplitude, making, header);
  uint16_t noiseState = kInitialNoiseSeed;
  addNoise(noise, kPulseAmplitude, header, noiseState);
  chains = getChainsHeader(window, 10, std::max(header->wMaxPulses, pulses), nullptr);
}

Series::~Series() {
  freeChainsHeader(chains);
  freeSeriesHeader(header);
}

SimulationRun runDefaultSimulation(int32_t repeats, uint16_t threads, SimulationShare* share) {
  Alphabet alphabet;
  QuietWindow window;
  resetRandomStates();
  SeriesHeader* series = getCutOffSeriesHeader(window, kAlphabetSize, kPulseLength, kTmin, kTmax,
                                               kSeriesLength, nullptr);
  const uint16_t least = series->wMinPulses;
  const uint16_t counts = static_cast<uint16_t>(series->wMaxPulses - least + 1);
  const uint16_t levels = 29;
  RestErrorHeader* errors = getRestErrHeader(window, counts, levels, repeats, nullptr);
  initRestErrHeader(window, counts, static_cast<int16_t>(least), 1, levels, 0, 5, repeats, errors);
  SimulationContext context;
  context.noiseSeed = kInitialNoiseSeed;
  context.threads = threads;
  context.clock = [] { return 0; };
  context.share = share;
  SimulationRun run;
  run.result = statCutoffPinpoint(window, errors, kAlphabetSize, alphabet.pulses,
                                  static_cast<uint16_t>(alphabet.all.size()), alphabet.all.data(),
                                  kSeriesFixedCutoff, kTaskRecognition, kSavedLevel, kSavedLevel,
                                  series, context);
  // FNV-1a over the six tables.
  uint64_t hash = 1469598103934665603ull;
  for (int t = 0; t < 6; ++t)
    for (int i = 0; i < errors->wNoiseLevels; ++i)
      for (int j = 0; j < errors->wVariousPulses; ++j) {
        const uint32_t v = static_cast<uint32_t>(errors->lpErrors[t][i][j]);
        for (int b = 0; b < 4; ++b) hash = (hash ^ ((v >> (8 * b)) & 0xFF)) * 1099511628211ull;
      }
  run.checksum = hash;
  run.series = int64_t{counts} * levels * repeats;
  freeRestErrHeader(errors);
  freeSeriesHeader(series);
  return run;
}

}  // namespace velmora::bench
