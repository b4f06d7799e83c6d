// The subsets attached to a series: the one the synthesis employs, and the store of the
// selected subsets (tuple recognition) with the current one.
#pragma once

#include <cstdint>
#include <vector>

#include "model/series.h"

namespace velmora {

int addSubsetToSeriesHeader(const int32_t* subset, int32_t count, uint16_t mode, uint16_t position,
                            SeriesHeader* header);

int addSomeSelectedSubsetToSeriesHeader(Reporter& reporter, const int32_t* sizes,
                                        const int32_t* const* rows, int32_t count,
                                        int32_t reservedRows, int32_t reservedColumns,
                                        int32_t selected, uint16_t mode, uint16_t position,
                                        SeriesHeader* header);

struct CellRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
};

// A drawn line from (x1, y1) to (x2, y2), in client pixels.
struct LineEnds {
  int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  bool operator==(const LineEnds& o) const {
    return x1 == o.x1 && y1 == o.y1 && x2 == o.x2 && y2 == o.y2;
  }
};
}  // namespace velmora
