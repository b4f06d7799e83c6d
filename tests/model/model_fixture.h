// Helpers shared by the model tests: a freshly built default alphabet and the data files.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "common/report.h"
#include "model/alphabet.h"
#include "model/random.h"

namespace velmora::testing {

// The default alphabet, built from fresh generator states as start-up builds it.
struct DefaultAlphabet {
  PulseHeader pulses[kAlphabetSize];
  RecordingReporter reported;
  DefaultAlphabet() {
    resetRandomStates();
    EXPECT_EQ(makeAlphabet(reported, kPulseAmplitude, kAlphabetSize, kPulseLength, pulses), 1);
    resetRandomStates();
  }
};

inline nlohmann::json loadData(const std::string& name) {
  std::ifstream in(std::string(VELMORA_DATA_DIR) + "/" + name);
  EXPECT_TRUE(in.good()) << name;
  return nlohmann::json::parse(in);
}

}  // namespace velmora::testing
