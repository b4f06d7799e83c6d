// The instruction sets the hot search kernels are built for, and the choice among them.
// Every kernel is compiled once per path; the path is chosen once, at first use, as the
// widest one the CPU supports, or as the environment variable VELMORA_SIMD names
// (baseline, avx2 or avx512). All paths give the same results bit for bit.
#pragma once

#include <optional>
#include <string>

namespace velmora {

enum class SimdPath {
  baseline,  // x86-64: SSE2
  avx2,      // AVX2
  avx512,    // AVX-512 F, BW, DQ and VL
};

inline constexpr SimdPath kSimdPaths[] = {SimdPath::baseline, SimdPath::avx2, SimdPath::avx512};

// "baseline", "avx2", "avx512".
const char* simdPathName(SimdPath path);
// The CPU features a path uses, for people: "SSE2", "AVX2", "AVX-512 F, BW, DQ, VL".
const char* simdPathFeatures(SimdPath path);

// True when this CPU (and its operating system) can run the path.
bool simdPathSupported(SimdPath path);

// The path the value of VELMORA_SIMD asks for: the widest supported one for a null or
// empty value; none, with `error` saying why, for an unknown name or a path the CPU lacks.
std::optional<SimdPath> chooseSimdPath(const char* requested, std::string& error);

// The path in use. The first call chooses it from VELMORA_SIMD; when that value is refused
// the message goes to standard error and the process exits with status 2, so that a run
// never measures or checks another path than the one asked for. Programs call it at start.
SimdPath activeSimdPath();

// Switches every later search to `path`; false, and nothing changes, when the CPU lacks it.
// For tests and benchmarks that compare the paths; not while searches run.
bool forceSimdPath(SimdPath path);

}  // namespace velmora
