#include <atomic>
#include <cstdlib>
#include <new>

#include "support.h"

// Counts every allocation through operator new; the array forms reach it through the library's.
static std::atomic<std::size_t> allocations{0};

void* operator new(std::size_t size) {
  ++allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

std::size_t testsupport::AllocationCount() { return allocations.load(); }
