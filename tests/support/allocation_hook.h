// Replaces the global operator new and delete of the test executable whose source includes
// this header: every allocation first calls velmora::testing::onAllocation(size), which that
// source defines (to count allocations, or to make one fail by throwing std::bad_alloc), and
// then takes its memory from malloc. Include it from exactly one source file of an executable,
// never from the shared test support.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>

namespace velmora::testing {
void onAllocation(std::size_t size);
}  // namespace velmora::testing

namespace velmora::testing::detail {
inline void* allocate(std::size_t size) {
  onAllocation(size);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
}  // namespace velmora::testing::detail

void* operator new(std::size_t size) { return velmora::testing::detail::allocate(size); }
void* operator new[](std::size_t size) { return velmora::testing::detail::allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
