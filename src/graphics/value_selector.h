// A value selector: a framed column of option marks, one per preset value, with the
// chosen value's mark filled: black when the current series was made with it, grey when
// the choice takes effect with the next series.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/geometry.h"
#include "graphics/canvas.h"

namespace velmora {

struct ValueSelectorInputs {
  Rect frame = kNoRect;  // inclusive
  std::string title;            // written on the frame's top line
  std::vector<int32_t> values;  // in table order
  int32_t chosenIndex = 1;      // 1-based; outside 1..count the first value is taken
  int32_t currentValue = 0;     // the value of the current series
  int32_t lineHeight = 0;
  // Nothing is drawn outside this rectangle (inclusive): a part that does not fit in it
  // is left out.
  Rect clip = kNoRect;
};

inline constexpr Color kChosenForNextSeries = rgb(163, 163, 163);

// Draws the selector and sets valueRects to one rectangle per value (inclusive), the
// area a click chooses that value in; a value whose row does not fit gets an empty
// rectangle (right < left). The canvas's pen and brush are restored afterwards.
void drawValueSelector(Canvas& canvas, const ValueSelectorInputs& in,
                       std::vector<Rect>& valueRects);

}  // namespace velmora
