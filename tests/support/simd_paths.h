// A fixture that runs a test once per SIMD path, that path forced, and skips (saying so)
// the paths this CPU lacks:
//   class MyTest : public testing::ForcedSimdPath {};
//   VELMORA_EVERY_SIMD_PATH(MyTest);
//   TEST_P(MyTest, ...) { ... }
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "processing/simd.h"

namespace velmora::testing {

class ForcedSimdPath : public ::testing::TestWithParam<SimdPath> {
 protected:
  void SetUp() override {
    previous_ = activeSimdPath();
    if (!forceSimdPath(GetParam()))
      GTEST_SKIP() << "this CPU lacks " << simdPathFeatures(GetParam()) << ": the "
                   << simdPathName(GetParam()) << " path is not checked here";
  }
  void TearDown() override { forceSimdPath(previous_); }

 private:
  SimdPath previous_ = SimdPath::baseline;
};

inline std::string simdPathTestName(const ::testing::TestParamInfo<SimdPath>& info) {
  return simdPathName(info.param);
}

}  // namespace velmora::testing

#define VELMORA_EVERY_SIMD_PATH(Fixture)                                             \
  INSTANTIATE_TEST_SUITE_P(Simd, Fixture, ::testing::ValuesIn(::velmora::kSimdPaths), \
                           ::velmora::testing::simdPathTestName)
