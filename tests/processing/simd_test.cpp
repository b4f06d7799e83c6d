// The choice of SIMD path: what VELMORA_SIMD may name, what is refused and why, and that a
// forced path is the one in use.
#include "processing/simd.h"

#include <gtest/gtest.h>

#include <string>

namespace velmora {
namespace {

TEST(SimdPathTest, UnsetOrEmptyTakesTheWidestSupportedPath) {
  SimdPath widest = SimdPath::baseline;
  for (SimdPath path : kSimdPaths)
    if (simdPathSupported(path)) widest = path;
  std::string error;
  EXPECT_EQ(chooseSimdPath(nullptr, error), widest);
  EXPECT_EQ(chooseSimdPath("", error), widest);
  EXPECT_TRUE(error.empty());
  EXPECT_TRUE(simdPathSupported(SimdPath::baseline));
}

// Every name is accepted exactly when the CPU has its features; a refusal names the
// variable, the value and the missing features, and nothing changes.
TEST(SimdPathTest, NamedPathsAreTakenOrRefusedByTheCpusFeatures) {
  const SimdPath before = activeSimdPath();
  for (SimdPath path : kSimdPaths) {
    std::string error;
    const auto chosen = chooseSimdPath(simdPathName(path), error);
    if (simdPathSupported(path)) {
      EXPECT_EQ(chosen, path);
      EXPECT_TRUE(forceSimdPath(path));
      EXPECT_EQ(activeSimdPath(), path);
    } else {
      EXPECT_FALSE(chosen.has_value());
      EXPECT_NE(error.find(std::string("VELMORA_SIMD=") + simdPathName(path)), std::string::npos);
      EXPECT_NE(error.find(simdPathFeatures(path)), std::string::npos) << error;
      EXPECT_FALSE(forceSimdPath(path));
    }
  }
  forceSimdPath(before);
  EXPECT_EQ(activeSimdPath(), before);
}

TEST(SimdPathTest, UnknownNamesAreRefused) {
  for (const char* name : {"AVX2", "sse2", "avx", "native", " avx2"}) {
    std::string error;
    EXPECT_FALSE(chooseSimdPath(name, error).has_value()) << name;
    EXPECT_NE(error.find("unknown path"), std::string::npos) << error;
  }
}

}  // namespace
}  // namespace velmora
