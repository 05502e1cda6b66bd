#pragma once
#include <cstddef>

namespace testsupport {

// Heap allocations made through operator new so far in this process. Linking
// a test that calls it replaces the global operator new with a counting one.
std::size_t AllocationCount();

}  // namespace testsupport
