#include "model/subset_selection.h"

#include <algorithm>

namespace velmora {

int32_t storeSubsetRow(const int32_t* subset, int32_t count, int32_t* sizes, int32_t* const* rows,
                       int32_t row, int32_t reservedRows) {
  if (row < 0 || row >= reservedRows || sizes == nullptr || rows == nullptr) return row;
  count = std::clamp(count, int32_t{0}, kSubsetCapacity);
  if (count > 0) std::copy(subset, subset + count, rows[row]);
  sizes[row] = count;
  return row + 1;
}

}  // namespace velmora
