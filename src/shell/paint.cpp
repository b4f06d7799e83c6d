#include "shell/paint.h"

#include <algorithm>

#include "graphics/alphabet_view.h"
#include "graphics/value_selector.h"
#include "shell/layout.h"
#include "shell/params_panel.h"
#include "shell/results_panel.h"
#include "shell/subset_panel.h"

namespace velmora {

namespace {

inline constexpr const char* kTitleSeriesLength = " series length: ";
inline constexpr const char* kTitleNoise = " noise level: ";
inline constexpr const char* kTitleLost = " lost data level: ";

// A face is copied at its slot's top-left corner when the whole face fits in the client.
void drawFace(Canvas& canvas, const AppState& s, const Rect& slot, int id) {
  const Image* face = buttonFace(s, id);
  const Rect& c = s.layout.client;
  if (!face || face->empty() || slot.right < slot.left) return;
  if (slot.left < c.left || slot.top < c.top || slot.left + face->width > c.right ||
      slot.top + face->height > c.bottom)
    return;
  canvas.drawImage(slot.left, slot.top, *face);
}

void drawButtons(Canvas& canvas, const AppState& s) {
  const ShellLayout& l = s.layout;
  drawFace(canvas, s, l.startSlot, kBitmapStart);
  drawFace(canvas, s, l.exitSlot, kBitmapExit);
  if (hasAllNoneButton(s.problem.wEffectiveTaskType))
    drawFace(canvas, s, l.allNoneButton, l.selectAll ? kBitmapSelectAll : kBitmapClearAll);
}

void drawAlphabet(Canvas& canvas, const AppState& s) {
  const ShellLayout& l = s.layout;
  AlphabetViewInputs in;
  in.graphArea = l.graphArea;
  in.cells = l.etalonCells;
  in.cellWidth = l.cellWidth;
  in.cellHeight = l.cellHeight;
  in.alphabet = s.etalons.alphabet;
  in.count = l.cellCount;
  in.requiredFlags = s.etalons.requiredFlags;
  in.amplitude = s.etalons.wEtalonAmplitude;
  in.lineHeight = l.lineHeight;
  in.clip = l.client;
  drawAlphabetView(canvas, in);
}

template <typename T>
std::vector<int32_t> tableValues(const T* table) {
  // Each table holds its count, then the values.
  const int32_t count = std::clamp<int32_t>(static_cast<int32_t>(table[0]), 0, 3);
  return std::vector<int32_t>(table + 1, table + 1 + count);
}

void drawSelector(Canvas& canvas, const ShellLayout& l, const Rect& frame, const char* title,
                  std::vector<int32_t> values, int32_t chosen, int32_t current,
                  std::vector<Rect>& valueRects) {
  ValueSelectorInputs in;
  in.frame = frame;
  in.title = title;
  in.values = std::move(values);
  in.chosenIndex = chosen;
  in.currentValue = current;
  in.lineHeight = l.lineHeight;
  in.clip = l.client;
  drawValueSelector(canvas, in, valueRects);
}

void drawSelectors(Canvas& canvas, AppState& s) {
  ShellLayout& l = s.layout;
  drawSelector(canvas, l, l.seriesLengthSelector, kTitleSeriesLength,
               tableValues(s.series.seriesLengthTable), s.series.dwSeriesLengthIndex,
               static_cast<int32_t>(s.series.dwSeriesLengthCur), l.seriesLengthValues);
  drawSelector(canvas, l, l.noiseSelector, kTitleNoise, tableValues(s.series.noiseTable),
               s.series.dwNoiseIndex, s.series.wNoiseLevelCur, l.noiseValues);
  if (hasLostSelector(s.problem.wSeriesType))
    drawSelector(canvas, l, l.lostSelector, kTitleLost, tableValues(s.series.lostTable),
                 s.series.dwLostIndex, s.series.wLostLevelCur, l.lostValues);
}

// Series processing shows its results only on the four plain series types.
bool showsResults(const AppState& s) {
  if (s.problem.wEffectiveTaskType != kTaskSeriesProcessing) return true;
  return s.problem.wSeriesType == kSeriesFixedWhole ||
         s.problem.wSeriesType == kSeriesFixedCutoff ||
         s.problem.wSeriesType == kSeriesUnfixedWhole ||
         s.problem.wSeriesType == kSeriesUnfixedCutoff;
}

// Erases what the previous paint drew that this one would not draw over: the whole
// client when the view (or the kind of result shown) changed, the old place of a button
// that moved or went away otherwise.
void clearStale(Canvas& canvas, AppState& s, const Rect (&oldSlots)[4]) {
  ShellLayout& l = s.layout;
  const bool viewChanged =
      l.paintedView != 0 &&
      (l.paintedView != s.view.dwViewMode ||
       (s.view.dwViewMode == kViewResults && l.paintedResultKind != s.view.wResultKind));
  l.paintedView = s.view.dwViewMode;
  l.paintedResultKind = s.view.wResultKind;
  if (viewChanged) {
    canvas.fillRect(l.client, kWindowBackground);
    return;
  }
  const Rect newSlots[] = {
      l.resultsSlot, hasAllNoneButton(s.problem.wEffectiveTaskType) ? l.allNoneButton : kNoRect,
      l.startSlot, l.exitSlot};
  for (size_t k = 0; k < 4; ++k) {
    const Rect& was = oldSlots[k];
    const Rect& now = newSlots[k];
    if (was.right < was.left || (was.left == now.left && was.top == now.top)) continue;
    // A slot's right and bottom edges belong to its face; what lies outside the client
    // (a slot of a larger client) is not there to erase.
    const Rect stale{std::max(was.left, l.client.left), std::max(was.top, l.client.top),
                     std::min(was.right + 1, l.client.right),
                     std::min(was.bottom + 1, l.client.bottom)};
    if (stale.left < stale.right && stale.top < stale.bottom)
      canvas.fillRect(stale, kWindowBackground);
  }
}

}  // namespace

void paint(Canvas& canvas, Window& window, AppState& s, const Rect& client) {
  const FontSpec previousFont = canvas.setFont(FontSpec{});
  const Rect oldSlots[] = {s.layout.resultsSlot, s.layout.allNoneButton, s.layout.startSlot,
                           s.layout.exitSlot};
  layOut(s.layout, s, client, canvas.textMetrics());
  clearStale(canvas, s, oldSlots);

  switch (s.view.dwViewMode) {
    case kViewAlphabet:
      drawAlphabet(canvas, s);
      drawButtons(canvas, s);
      break;
    case kViewResults:
      if (s.view.wResultKind == kResultSimulation) {
        paintStatistics(canvas, window, s);
      } else if (showsResults(s)) {
        paintResults(canvas, window, s);
      }
      // The results were drawn in full: the next result repaint erases first again.
      s.flags.dwTypeMoreDetails = 0;
      drawFace(canvas, s, s.layout.resultsSlot, kBitmapResults);
      drawButtons(canvas, s);
      break;
    case kViewSubsetSelection:
      paintSubsetSelection(canvas, window, s);
      drawButtons(canvas, s);
      break;
    case kViewSeriesParameters:
      paintSeriesParameters(canvas, window, s);
      drawButtons(canvas, s);
      break;
    default:
      break;
  }
  // The Tmin edit control belongs to the parameters panel: however the view left it, it
  // goes with it.
  if (s.view.dwViewMode == kViewSeriesParameters) {
    s.layout.editShown = true;
  } else if (s.layout.editShown) {
    window.moveEditControl(0, 0, 0, 0);
    s.layout.editShown = false;
  }
  drawSelectors(canvas, s);
  canvas.setFont(previousFont);
}

}  // namespace velmora
