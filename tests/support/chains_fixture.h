// A test fixture owning a fake window and one chains record, released after each test.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "processing/chains.h"
#include "shell/window_reporter.h"
#include "support/fake_window.h"

namespace velmora::testing {

class ChainsFixture : public ::testing::Test {
 protected:
  void TearDown() override { freeChainsHeader(chains); }

  // The fixture's chains record, resized for `size` pretenders of `pulses` pulses (at
  // least one).
  ChainsHeader* freshChains(uint16_t size, uint16_t pulses) {
    chains = getChainsHeader(reporter, size, std::max<uint16_t>(pulses, 1), chains);
    return chains;
  }

  FakeWindow window;
  WindowReporter reporter{window};
  ChainsHeader* chains = nullptr;
};

}  // namespace velmora::testing
