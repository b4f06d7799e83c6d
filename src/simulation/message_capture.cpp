#include "simulation/message_capture.h"

#include <string>

#include "common/window.h"

namespace velmora {

namespace {

// A Window whose message boxes become Messages (each answered OK): the flags the model
// shows its messages with (OK, with or without an icon) map to a MessageKind one to one.
class ReportingWindow : public Window {
 public:
  explicit ReportingWindow(Reporter& reporter) : reporter_(reporter) {}

  int messageBox(const std::string& text, const char* caption, unsigned flags) override {
    Message m;
    m.text = text;
    if (caption != nullptr) m.caption = caption;
    switch (flags & kMbIconMask) {
      case kMbIconError: m.kind = MessageKind::kError; break;
      case kMbIconWarning: m.kind = MessageKind::kWarning; break;
      case kMbIconInformation: m.kind = MessageKind::kInformation; break;
      default: m.kind = MessageKind::kPlain; break;
    }
    reporter_.report(m);
    return kIdOk;
  }
  void setEditText(const std::string& /*text*/) override {}
  std::string editText() const override { return std::string(); }

 private:
  Reporter& reporter_;
};

}  // namespace

SeriesHeader* synthesiseSeries(Reporter& reporter, uint16_t alphabetSize,
                               const PulseHeader* alphabet, uint16_t impulseSize, uint16_t tmin,
                               uint16_t tmax, uint32_t seriesSize, uint16_t quantity,
                               uint16_t* etalonSequence, int16_t amplitude, uint16_t savedLevel,
                               SeriesHeader* old) {
  ReportingWindow window(reporter);
  return getCutOffSeries(window, alphabetSize, alphabet, impulseSize, tmin, tmax, seriesSize,
                         quantity, etalonSequence, amplitude, savedLevel, old);
}

void addSeriesNoise(Reporter& reporter, int16_t noiseLevel, int16_t amplitude,
                    SeriesHeader* header, uint16_t& noiseState) {
  ReportingWindow window(reporter);
  addNoise(window, noiseLevel, amplitude, header, noiseState);
}

}  // namespace velmora
