#include "common/system_memory.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>

namespace velmora {
namespace {

// Under an address-space limit (prlimit --as) the memory that can be had is what the
// limit leaves: a run sized against the machine's memory would fail part-way.
TEST(SystemMemory, AddressSpaceLimitBoundsWhatCanBeHad) {
  const uint64_t free = availableMemory();
  ASSERT_GT(free, 0u);
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_AS, &saved), 0);
  unsigned long pages = 0;
  FILE* statm = std::fopen("/proc/self/statm", "r");
  ASSERT_NE(statm, nullptr);
  ASSERT_EQ(std::fscanf(statm, "%lu", &pages), 1);
  std::fclose(statm);
  const uint64_t size = pages * static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
  const uint64_t headroom = uint64_t{256} << 20;
  if (saved.rlim_max != RLIM_INFINITY && saved.rlim_max < size + headroom)
    GTEST_SKIP() << "the hard limit leaves no room for the test";

  rlimit limited = saved;
  limited.rlim_cur = size + headroom;
  ASSERT_EQ(setrlimit(RLIMIT_AS, &limited), 0);
  const uint64_t capped = availableMemory();
  ASSERT_EQ(setrlimit(RLIMIT_AS, &saved), 0);
  EXPECT_LE(capped, headroom);
  EXPECT_GT(capped, headroom / 2);
}

TEST(SystemMemory, TextKeepsThreeDigits) {
  EXPECT_EQ(memoryText(512), "512 bytes");
  EXPECT_EQ(memoryText(999499), "999 kB");
  EXPECT_EQ(memoryText(999500), "1.00 MB");
  EXPECT_EQ(memoryText(4294967296), "4.29 GB");
  EXPECT_EQ(memoryText(23578560000), "23.6 GB");
}

}  // namespace
}  // namespace velmora
