#include "common/system_memory.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <limits>

namespace velmora {

namespace {

constexpr uint64_t kUnknown = std::numeric_limits<uint64_t>::max();

// The value of a "Name: 123 kB" line of /proc/meminfo, in bytes.
uint64_t meminfo(const std::string& name) {
  std::ifstream in("/proc/meminfo");
  std::string key;
  uint64_t kilobytes = 0;
  std::string unit;
  while (in >> key >> kilobytes) {
    std::getline(in, unit);
    if (key == name + ":") return kilobytes * 1024;
  }
  return kUnknown;
}

uint64_t systemAvailable() {
  const uint64_t available = meminfo("MemAvailable");
  if (available != kUnknown) return available;
  const long pages = sysconf(_SC_AVPHYS_PAGES);
  const long page = sysconf(_SC_PAGESIZE);
  if (pages > 0 && page > 0) return static_cast<uint64_t>(pages) * static_cast<uint64_t>(page);
  return kUnknown;
}

// What RLIMIT_AS leaves of the address space the process already takes.
uint64_t addressSpaceLeft() {
  rlimit limit{};
  if (getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return kUnknown;
  uint64_t pages = 0;
  std::ifstream("/proc/self/statm") >> pages;
  const uint64_t used = pages * static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
  const uint64_t cap = static_cast<uint64_t>(limit.rlim_cur);
  return cap > used ? cap - used : 0;
}

// What the memory limit of the process's control group (version 2) leaves.
uint64_t groupLeft() {
  std::ifstream cgroup("/proc/self/cgroup");
  std::string line, path;
  while (std::getline(cgroup, line))
    if (line.rfind("0::", 0) == 0) path = line.substr(3);
  if (path.empty()) return kUnknown;
  const std::string dir = "/sys/fs/cgroup" + (path == "/" ? std::string() : path);
  std::string max;
  if (!(std::ifstream(dir + "/memory.max") >> max) || max == "max") return kUnknown;
  uint64_t current = 0;
  std::ifstream(dir + "/memory.current") >> current;
  const uint64_t cap = std::strtoull(max.c_str(), nullptr, 10);
  return cap > current ? cap - current : 0;
}

}  // namespace

uint64_t availableMemory() {
  return std::min({systemAvailable(), addressSpaceLeft(), groupLeft()});
}

std::string memoryText(uint64_t bytes) {
  static const char* const units[] = {"bytes", "kB", "MB", "GB", "TB", "PB", "EB"};
  double value = static_cast<double>(bytes);
  size_t unit = 0;
  while (value >= 999.5 && unit + 1 < std::size(units)) {
    value /= 1000;
    ++unit;
  }
  char text[32];
  if (unit == 0)
    std::snprintf(text, sizeof text, "%llu bytes", static_cast<unsigned long long>(bytes));
  else
    std::snprintf(text, sizeof text, value < 9.995 ? "%.2f %s" : value < 99.95 ? "%.1f %s" : "%.0f %s",
                  value, units[unit]);
  return text;
}

}  // namespace velmora
