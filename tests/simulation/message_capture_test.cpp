#include "simulation/message_capture.h"

#include <gtest/gtest.h>

#include <vector>

#include "model/alphabet.h"
#include "model/random.h"
#include "model/series.h"
#include "support/fake_window.h"

namespace velmora {
namespace {

using testing::FakeWindow;

// A refused synthesis, captured and then shown as the shell shows a reported message, gives
// the message boxes the synthesis shows directly: the same texts, captions and icons.
TEST(MessageCapture, ARefusedSynthesisShowsWhatTheModelShows) {
  FakeWindow alphabetWindow;
  resetRandomStates();
  PulseHeader alphabet[kAlphabetSize];
  ASSERT_EQ(makeAlphabet(alphabetWindow, kPulseAmplitude, kAlphabetSize, kPulseLength, alphabet),
            1);
  struct Case {
    uint16_t tmin, tmax, pulses;
  };
  // Tmin above Tmax; a pulse count the series cannot hold.
  for (const Case& c : {Case{60, 40, 5}, Case{40, 181, 200}}) {
    std::vector<uint16_t> sequence(200, 1);
    FakeWindow direct;
    SeriesHeader* a = getCutOffSeries(direct, kAlphabetSize, alphabet, kPulseLength, c.tmin,
                                      c.tmax, 1200, c.pulses, sequence.data(), kPulseAmplitude,
                                      75, nullptr);
    RecordingReporter kept;
    SeriesHeader* b = synthesiseSeries(kept, kAlphabetSize, alphabet, kPulseLength, c.tmin,
                                       c.tmax, 1200, c.pulses, sequence.data(), kPulseAmplitude,
                                       75, nullptr);
    EXPECT_EQ(a == nullptr, b == nullptr);
    freeSeriesHeader(a);
    freeSeriesHeader(b);
    ASSERT_FALSE(direct.messages.empty());
    FakeWindow replayed;
    for (const Message& m : kept.messages) replayed.report(m);
    ASSERT_EQ(replayed.messages.size(), direct.messages.size());
    for (size_t k = 0; k < direct.messages.size(); ++k) {
      EXPECT_EQ(replayed.messages[k].text, direct.messages[k].text);
      EXPECT_EQ(replayed.messages[k].caption, direct.messages[k].caption);
      EXPECT_EQ(replayed.messages[k].hasCaption, direct.messages[k].hasCaption);
      EXPECT_EQ(replayed.messages[k].flags, direct.messages[k].flags);
    }
  }
  for (auto& pulse : alphabet) freePulse(pulse);
}

}  // namespace
}  // namespace velmora
