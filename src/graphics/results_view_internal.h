// What the results view's drawing steps share: the inputs and the layout read through the
// series and chains records, the pulse lists and the texts of a pulse. Internal to the
// results view (results_view.cpp, results_text.cpp).
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

#include "graphics/canvas.h"
#include "graphics/results_view.h"
#include "graphics/thumbnail.h"
#include "graphics/view_support.h"
#include "model/problem_types.h"

namespace velmora::results_internal {

// Lists of pulses in the texts stop here and end with an ellipsis.
inline constexpr int32_t kHeaderPulses = 19;
inline constexpr int32_t kDetectedPulses = 9;
inline constexpr int32_t kPretenderPulses = 19;
inline constexpr int32_t kLastTupleStart = 19;  // tuple instances starting later are left off
inline constexpr int32_t kPretenderLines = 6;

inline bool isTupleCode(uint16_t code) {
  return code == kTaskTupleDetection || code == kTaskTupleRecognition;
}

// The letter of an etalon number; a number that names no etalon (0: none) shows as '-'.
inline char letterOf(int32_t number) {
  return number >= 1 && number <= 26 ? etalonLetter(number) : '-';
}

// What the drawing steps share, derived once from the inputs.
struct View {
  const ResultsViewInputs& in;
  const ResultsViewLayout& lay;
  const SeriesHeader& s;
  const ChainsHeader* c;
  uint16_t described = 0;
  uint16_t taskType = 0;
  uint16_t seriesType = 0;
  bool letters = false;  // etalon letters are printed
  bool samples = false;  // visible runs are printed (cut-off series)
  int32_t length = 0;    // L
  int32_t pulseSize = 0;  // n
  int32_t truePulses = 0;
  int32_t foundPulses = 0;
  int32_t lineHeight = 0;

  View(const ResultsViewInputs& inputs, const ResultsViewLayout& layout)
      : in(inputs), lay(layout), s(*inputs.series), c(inputs.chains) {
    if (c != nullptr) {
      described = c->wDescribed;
      taskType = c->wTaskType;
      seriesType = c->wSeriesType;
    }
    length = static_cast<int32_t>(std::min<uint32_t>(s.dwSeriesSize, kMaxSeriesSize));
    pulseSize = s.wImpulseSize;
    truePulses = s.lpPositions ? std::min(s.wImpulseQuantity, s.wReservedImpulses) : 0;
    foundPulses = s.lpFoundPositions ? std::min(s.wFoundPulses, s.wReservedImpulses) : 0;
    if (described > 1)
      letters = taskType != kTaskDetection;
    else
      letters = s.lpFoundEtalons != nullptr && s.wReservedImpulses > 0 && s.lpFoundEtalons[0] != 0;
    samples = isCutoffSeries(seriesType);
    lineHeight = inputs.lineHeight;
  }

  const PulseHeader* etalon(int32_t number) const { return seriesEtalon(s, number); }

  // The right end (exclusive) of a header or text-block line whose cell spans y ..
  // y + cellHeight: the area's right edge, or the left edge of a box the line passes.
  int32_t textRight(int32_t y, int32_t cellHeight) const {
    if (!in.clipTextToArea) return kNoTextLimit;
    int32_t right = in.area.right + 1;
    const auto pass = [&](const Rect& box) {
      if (box.right > box.left && y < box.bottom && y + cellHeight > box.top)
        right = std::min(right, box.left - 1);
    };
    if (lay.etalonBoxShown) {
      const EtalonBoxLayout& eb = lay.etalonBox;
      pass(Rect{eb.left, eb.top - eb.margin, eb.left + eb.width + 1, eb.top + eb.height + 1});
    }
    if (lay.pattern.shown)
      pass(Rect{lay.pattern.frame.left, lay.pattern.captionY, lay.pattern.frame.right,
                lay.pattern.frame.bottom});
    return right;
  }
};

// A header or text-block line, kept clear of the boxes and inside the area.
inline void textLine(Canvas& canvas, const View& v, int32_t x, int32_t y,
                     const std::string& text) {
  textWithin(canvas, x, y, text, v.textRight(y, canvas.textMetrics().height), TextCut::kWords);
}

// A pulse list of the series record: true or found pulses.
struct PulseList {
  const int16_t* positions;
  const int16_t* etalons;
  const int16_t* first;
  const int16_t* last;
  int32_t count;
};

inline PulseList truePulses(const View& v) {
  return {v.s.lpPositions, v.s.lpEtalons, v.s.lpFirstSamples, v.s.lpLastSamples, v.truePulses};
}
inline PulseList foundPulses(const View& v) {
  return {v.s.lpFoundPositions, v.s.lpFoundEtalons, v.s.lpFoundFirstSamples,
          v.s.lpFoundLastSamples, v.foundPulses};
}

// " %d", the letter and the visible run of pulse i, in the header's and labels' forms.
std::string pulseText(const View& v, const PulseList& list, int32_t i, const char* position,
                      const char* run, bool letter);

// The header over the panels and the text block under them.
void drawHeader(Canvas& canvas, const View& v);
void drawTextBlock(Canvas& canvas, const View& v);

}  // namespace velmora::results_internal
