#pragma once
#include <cstddef>

namespace testsupport {

// Heap allocations through operator new so far, and those not yet deleted;
// calling either links a counting operator new.
std::size_t AllocationCount();
std::size_t LiveAllocations();

}  // namespace testsupport
