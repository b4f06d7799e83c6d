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

}  // namespace velmora
