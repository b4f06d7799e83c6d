#include "processing/simd.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "processing/simd_kernels.h"

namespace velmora {

namespace {

const SimdKernels& kernelsOf(SimdPath path) {
  switch (path) {
    case SimdPath::avx512:
      return simd_avx512::kKernels;
    case SimdPath::avx2:
      return simd_avx2::kKernels;
    case SimdPath::baseline:
      break;
  }
  return simd_baseline::kKernels;
}

SimdPath widestSupported() {
  SimdPath widest = SimdPath::baseline;
  for (SimdPath path : kSimdPaths)
    if (simdPathSupported(path)) widest = path;
  return widest;
}

std::atomic<const SimdKernels*> active{nullptr};
std::atomic<SimdPath> activePath{SimdPath::baseline};

// Chooses the path from the environment on first use.
const SimdKernels& initialise() {
  static const SimdPath chosen = [] {
    std::string error;
    const std::optional<SimdPath> path = chooseSimdPath(std::getenv("VELMORA_SIMD"), error);
    if (!path) {
      std::fprintf(stderr, "%s\n", error.c_str());
      std::exit(2);
    }
    return *path;
  }();
  const SimdKernels* expected = nullptr;
  if (active.compare_exchange_strong(expected, &kernelsOf(chosen))) activePath = chosen;
  return *active.load();
}

}  // namespace

const char* simdPathName(SimdPath path) {
  switch (path) {
    case SimdPath::avx512:
      return "avx512";
    case SimdPath::avx2:
      return "avx2";
    case SimdPath::baseline:
      break;
  }
  return "baseline";
}

const char* simdPathFeatures(SimdPath path) {
  switch (path) {
    case SimdPath::avx512:
      return "AVX-512 F, BW, DQ, VL";
    case SimdPath::avx2:
      return "AVX2";
    case SimdPath::baseline:
      break;
  }
  return "SSE2";
}

bool simdPathSupported(SimdPath path) {
  __builtin_cpu_init();
  switch (path) {
    case SimdPath::avx512:
      return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
             __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512vl") &&
             __builtin_cpu_supports("avx2");
    case SimdPath::avx2:
      return __builtin_cpu_supports("avx2");
    case SimdPath::baseline:
      break;
  }
  return true;
}

std::optional<SimdPath> chooseSimdPath(const char* requested, std::string& error) {
  error.clear();
  if (requested == nullptr || *requested == '\0') return widestSupported();
  for (SimdPath path : kSimdPaths) {
    if (std::strcmp(requested, simdPathName(path)) != 0) continue;
    if (simdPathSupported(path)) return path;
    error = std::string("VELMORA_SIMD=") + requested + ": this CPU lacks " +
            simdPathFeatures(path) + " (the widest path it supports is " +
            simdPathName(widestSupported()) + ")";
    return std::nullopt;
  }
  error = std::string("VELMORA_SIMD=") + requested +
          ": unknown path (use baseline, avx2 or avx512, or leave it unset for the widest "
          "the CPU supports)";
  return std::nullopt;
}

SimdPath activeSimdPath() {
  initialise();
  return activePath;
}

bool forceSimdPath(SimdPath path) {
  if (!simdPathSupported(path)) return false;
  initialise();
  active = &kernelsOf(path);
  activePath = path;
  return true;
}

const SimdKernels& simdKernels() {
  const SimdKernels* kernels = active.load(std::memory_order_acquire);
  return kernels ? *kernels : initialise();
}

}  // namespace velmora
