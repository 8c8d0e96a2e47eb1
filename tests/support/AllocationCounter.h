// Heap allocations of the test program, counted by its own operator new, for the tests that
// check frames allocate nothing. Only the programs tests/CMakeLists.txt names get the
// counter (under AddressSanitizer too, which there checks malloc and free but no longer
// pairs new with delete).
#pragma once

#include <cstdint>

namespace testsupport {

// Allocations through operator new since the program started.
uint64_t AllocationCount();

}  // namespace testsupport
