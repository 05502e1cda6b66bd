// A counting operator new for the tests and the benchmarks. It is linked into a program only when
// the program calls AllocationCount(), which lives here.
#include "alloc_counter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<std::size_t> allocations{0};
}  // namespace

std::size_t testsupport::AllocationCount() { return allocations.load(); }

// Kept out of line, under link-time optimisation too: inlined into a caller's own new/delete pair,
// GCC would take malloc and free for a mismatched pair. The array forms too: a sanitizer's runtime
// brings its own, which would not come here to be counted.
[[gnu::noinline]] void* operator new(std::size_t size) {
  ++allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
[[gnu::noinline]] void* operator new[](std::size_t size) { return operator new(size); }
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete[](void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
