// The search kernels built for the baseline path (see simd.h); the instruction set is set
// for this file in CMakeLists.txt.
#include <limits>

#include "processing/simd_kernels.h"

namespace velmora::simd_baseline {
#include "processing/simd_kernels.inc"
}  // namespace velmora::simd_baseline
