// The required list: the numbers of the etalons a task looks for.
#pragma once

#include <cstdint>

#include "common/report.h"

namespace velmora {

// A list of count etalon numbers 1..count. The old list is released first. Null on
// failure (reported).
uint16_t* getRequiredList(Reporter& reporter, uint16_t count, uint16_t* oldList);
void freeRequiredList(uint16_t* list);

}  // namespace velmora
