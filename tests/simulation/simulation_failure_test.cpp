// A synthesis that runs out of memory in the middle of a simulation. The allocation is
// made to fail by this executable's own operator new.
#include <gtest/gtest.h>

#include <new>

#include "model/random.h"
#include "simulation/simulation.h"
#include "support/allocation_hook.h"
#include "support/fake_window.h"

namespace {
// When armed, the next allocation of exactly this many bytes fails.
size_t failingSize = 0;
}  // namespace

void velmora::testing::onAllocation(size_t size) {
  if (failingSize != 0 && size == failingSize) {
    failingSize = 0;
    throw std::bad_alloc();
  }
}

namespace velmora {
namespace {

TEST(SimulationFailure, SynthesisWithoutMemoryEndsTheRun) {
  testing::FakeWindow w;
  resetRandomStates();
  PulseHeader alphabet[kAlphabetSize];
  ASSERT_EQ(makeAlphabet(w, kPulseAmplitude, kAlphabetSize, kPulseLength, alphabet), 1);
  // Sized for a one-etalon alphabet: the first synthesis of the run has to grow the
  // etalon pointer list (19 pointers), and that allocation fails.
  constexpr uint16_t kRunAlphabet = 19;
  SeriesHeader* series = getCutOffSeriesHeader(w, 1, kPulseLength, 40, 60, 200, nullptr);
  ASSERT_NE(series, nullptr);
  RestErrorHeader* errors = getRestErrHeader(w, 1, 1, 2, nullptr);
  ASSERT_EQ(initRestErrHeader(w, 1, 3, 1, 1, 0, 1, 2, errors), 1);
  errors->ifComplete = 1;
  const uint16_t required[] = {1, 2};
  SimulationContext context;
  context.noiseSeed = kInitialNoiseSeed;
  context.clock = [] { return 7; };

  failingSize = kRunAlphabet * sizeof(const PulseHeader*);
  const int result = statCutoffPinpoint(w, errors, kRunAlphabet, alphabet, 2, required, 1, 1,
                                        100, 100, series, context);
  const bool failed = failingSize == 0;
  failingSize = 0;
  ASSERT_TRUE(failed) << "the allocation was never made";

  EXPECT_EQ(result, 0);
  EXPECT_EQ(series, nullptr);  // released by the failed synthesis
  EXPECT_EQ(errors->ifComplete, 0);
  EXPECT_EQ(context.endTime, 7);
  ASSERT_FALSE(w.messages.empty());
  EXPECT_EQ(w.last().text, kSeriesNotMade);
  EXPECT_EQ(w.last().caption, kDriverCaption);

  freeSeriesHeader(series);
  freeRestErrHeader(w, errors);
  for (auto& pulse : alphabet) freePulse(pulse);
}

}  // namespace
}  // namespace velmora
