// velmora-cli run and simulate when a search cannot get its working storage. The tool's
// commands run in this process, whose own operator new makes the allocation fail.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <new>
#include <sstream>
#include <string>

#include "cli/commands.h"
#include "processing/fixed_search.h"
#include "support/allocation_hook.h"

namespace {
// While nonzero, every allocation of exactly this many bytes fails (from any thread).
std::atomic<size_t> failingSize{0};
}  // namespace

void velmora::testing::onAllocation(size_t size) {
  if (size == failingSize.load(std::memory_order_relaxed)) throw std::bad_alloc();
}

namespace velmora::cli {
namespace {

constexpr int64_t kLength = 2000, kTmin = 20, kTmax = 2000, kPulses = 10, kPulseSize = 20;

// Bytes of the chain table of a fixed-count search over kPulses pulses of this geometry:
// one value per window position of every pulse.
size_t chainTableBytes() {
  size_t cells = 0;
  for (int64_t k = 0; k < kPulses; ++k) {
    const int64_t lo = std::max<int64_t>({k * kTmin, kLength - kTmax * (kPulses - k), 0});
    const int64_t hi = std::min<int64_t>({(k + 1) * kTmax - kPulseSize,
                                          kLength - kPulseSize - kTmin * (kPulses - 1 - k),
                                          kLength - kPulseSize});
    cells += static_cast<size_t>(hi - lo + 1);
  }
  return cells * sizeof(MatchCost);
}

size_t occurrences(const std::string& text, const std::string& what) {
  size_t count = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
    ++count;
  return count;
}

// Before, the run exited 0 with 0 detected pulses, and the simulation wrote tables made of
// the answers the failed searches left behind.
TEST(CliSearchFailure, SearchWithoutMemoryFailsRunAndSimulation) {
  const std::string geometry = "length=" + std::to_string(kLength) +
                               ",tmin=" + std::to_string(kTmin) +
                               ",tmax=" + std::to_string(kTmax);
  {
    RunOptions options;
    options.problem.task = "detection";
    options.create = geometry + ",pulses=" + std::to_string(kPulses);
    options.next = "0";
    std::ostringstream out, err;
    failingSize = chainTableBytes();
    const int status = runCommand(checkRunOptions(options), out, err);
    failingSize = 0;
    EXPECT_EQ(status, kExitRefused);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(occurrences(err.str(), kNoMemoryPpDwRows), 1u) << err.str();
  }
  {
    const std::string json = ::testing::TempDir() + "search_failure.json";
    std::remove(json.c_str());
    SimulateOptions options;
    options.problem.task = "detection";
    options.length = std::to_string(kLength);
    options.tmin = std::to_string(kTmin);
    options.tmax = std::to_string(kTmax);
    options.from = options.to = std::to_string(kPulses);
    options.noiseSteps = "1";
    options.repeats = "5";
    options.threads = "3";
    options.json = json;
    std::ostringstream out, err;
    failingSize = chainTableBytes();
    const int status = simulateCommand(checkSimulateOptions(options), ProgressMode::kNone, out, err);
    failingSize = 0;
    EXPECT_EQ(status, kExitRefused);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(occurrences(err.str(), kNoMemoryPpDwRows), 1u) << err.str();
    EXPECT_FALSE(std::ifstream(json).good());
  }
}

}  // namespace
}  // namespace velmora::cli
