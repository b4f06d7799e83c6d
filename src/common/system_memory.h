// How much memory this process can still get, so that work too large for the machine
// can be refused before it starts instead of being ended by the system half-way.
#pragma once

#include <cstdint>
#include <string>

namespace velmora {

// The bytes this process can still allocate and use: the least of the memory the system
// has available (MemAvailable in /proc/meminfo, else its free physical pages), what the
// address-space limit (RLIMIT_AS) leaves of the process's present size, and what the
// memory limit of its control group leaves of that group's present use.
uint64_t availableMemory();

// A byte count for people: "812 MB", "22.6 GB" (decimal units, three digits).
std::string memoryText(uint64_t bytes);

}  // namespace velmora
