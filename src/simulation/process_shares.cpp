#include "simulation/process_shares.h"

#include <limits>

namespace velmora {

int64_t saturatingAdd(int64_t sum, int64_t value) {
  if (value > 0 && sum > std::numeric_limits<int64_t>::max() - value)
    return std::numeric_limits<int64_t>::max();
  return sum + value;
}

void addGridPointSums(GridPointSums& to, const GridPointSums& from) {
  to.restoring = saturatingAdd(to.restoring, from.restoring);
  to.detection = saturatingAdd(to.detection, from.detection);
  to.tupleMisses = saturatingAdd(to.tupleMisses, from.tupleMisses);
}

}  // namespace velmora
