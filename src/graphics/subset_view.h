// The subset selection view: the etalon cells to pick from, the row of the selected
// subset, the buttons and, for tuple recognition, the list of reserved subsets. One layout
// serves the drawing and the shell's hit-testing.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "common/geometry.h"
#include "graphics/canvas.h"
#include "model/alphabet.h"

namespace velmora {

// The buttons of the view, by index into SubsetViewLayout::buttons.
enum SubsetButton : int {
  kSubsetButtonDeleteAll = 0,
  kSubsetButtonDelete,
  kSubsetButtonCancel,
  kSubsetButtonOk,
  kSubsetButtonAccept,    // list panel only
  kSubsetButtonClearAll,  // list panel only
  kSubsetButtons
};
extern const char* const kSubsetButtonTexts[kSubsetButtons];

inline constexpr Color kSubsetViewBackground = rgb(235, 240, 225);
inline constexpr Color kSubsetSlotColor = rgb(160, 160, 160);
inline constexpr Color kSubsetListRowColor = rgb(215, 220, 205);
inline constexpr Color kButtonDarkEdge = rgb(125, 125, 125);
inline constexpr Color kButtonShadeEdge = rgb(165, 170, 165);

inline constexpr int32_t kSubsetSlots = 10;

struct SubsetViewInputs {
  Rect area;  // the graph area, right and bottom inclusive
  int32_t lineHeight = 15;
  int32_t aveCharWidth = 8;
  bool listPanel = false;  // the panel of tuple recognition, with the list of subsets
  int32_t alphabetCount = 0;  // etalons of the series' alphabet: the cell grid's size
  int32_t visibleSlots = 0;   // slots shown in the subset row: min(10, greatest pulse count)
  const uint16_t* required = nullptr;  // etalon numbers of the cells
  int32_t requiredCount = 0;
  const PulseHeader* const* etalons = nullptr;  // etalon e is entry e - 1
  int32_t etalonCount = 0;
  int32_t amplitude = 128;
  // The selected subset.
  const int32_t* subset = nullptr;
  const int32_t* marks = nullptr;
  int32_t count = 0;
  // The list of subsets (list panel).
  const int32_t* sizes = nullptr;
  const int32_t* const* rows = nullptr;
  int32_t reservedRows = 0;
  int32_t rowsInUse = 0;
  int32_t currentRow = 0;  // 1-based, 0 = none
};

// Every rectangle is half-open; an element that does not fit in the graph area gets an
// empty rectangle and is neither drawn nor hit.
struct SubsetViewLayout {
  Rect upper;
  std::vector<Rect> cells;  // one per drawn cell (the first requiredCount)
  Rect subsetRow;
  std::array<Rect, kSubsetSlots> slots{};
  std::array<Rect, kSubsetButtons> buttons{};
  int32_t titleX = 0, titleY = 0;  // " reserved subsets %d "
  bool titleShown = false;
  // Per list row: its 10 slots, then its frame.
  std::vector<std::array<Rect, kSubsetSlots + 1>> listRows;
};

SubsetViewLayout layoutSubsetView(const Canvas& canvas, const SubsetViewInputs& in);
void drawSubsetView(Canvas& canvas, const SubsetViewInputs& in, const SubsetViewLayout& layout);

// A raised button: face in the view's colour, light upper and left edges, dark lower and
// right edges, the text centred.
void drawRaisedButton(Canvas& canvas, const Rect& box, const std::string& text);

}  // namespace velmora
