// The search kernels built for the avx512 path (see simd.h); the instruction set is set
// for this file in CMakeLists.txt.
#include <limits>

#include "processing/simd_kernels.h"

namespace velmora::simd_avx512 {
#include "processing/simd_kernels.inc"
}  // namespace velmora::simd_avx512
