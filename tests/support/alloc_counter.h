#pragma once
#include <cstddef>

namespace testsupport {

// Heap allocations through operator new so far; calling it links a counting operator new.
std::size_t AllocationCount();

}  // namespace testsupport
