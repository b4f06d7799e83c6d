// The selection data of the subset selection view: the selected subset (at most 10 etalon
// numbers in click order, each with a mark flag) and, for tuple recognition, the list of
// reserved subsets with the current one, together with the hit rectangles the view's last
// drawing stored for the mouse handling.
#pragma once

#include <cstdint>
#include <vector>

#include "common/geometry.h"

namespace velmora {

// Most entries a subset and most subsets the selection view holds.
inline constexpr int32_t kSubsetCapacity = 10;
inline constexpr int32_t kSubsetRows = 10;
// Index of a list row's frame among its rectangles (after the 10 slot rectangles).
inline constexpr int32_t kRowFrameIndex = 10;

// Allocated by prepareSubsetSelection (shell), released at shut-down.
struct SubsetSelection {
  int32_t capacity = 0;  // 10 once prepared
  int32_t count = 0;
  int32_t* selectedSubset = nullptr;  // capacity etalon numbers (1-based)
  int32_t* marks = nullptr;           // capacity flags, 1 = marked for removal
  std::vector<int32_t> subsetBlock;   // numbers, then marks
  std::vector<Rect> possibleSubsetRect;

  int32_t reservedRows = 0;  // R, taken once from the default 10
  int32_t rowsInUse = 0;
  int32_t currentRow = 0;  // 1-based, 0 = none
  int32_t* selectedSubsetArraySize = nullptr;  // R sizes
  std::vector<int32_t> sizesBlock;
  std::vector<int32_t*> rows;  // R rows of capacity + 1 numbers
  std::vector<int32_t> rowsBlock;
  std::vector<Rect*> possibleSubsetArrayRect;  // R rows of 11 rectangles (row frame last)
  std::vector<Rect> rowRectsBlock;
  int32_t justChanged = 0;
  std::vector<Rect> ButtonsWhileSelectedSubsetRect;
  // The etalon cells (one per required etalon) and the subset row as last drawn.
  std::vector<Rect> cellRects;
  Rect subsetRowRect;
};

// Copies the selected subset (`count` numbers) into list row `row` and sets that row's size
// when row < reservedRows; returns row + 1, or row unchanged when the list is full. A count
// outside 0..capacity is bounded to it.
int32_t storeSubsetRow(const int32_t* subset, int32_t count, int32_t* sizes, int32_t* const* rows,
                       int32_t row, int32_t reservedRows);

}  // namespace velmora
