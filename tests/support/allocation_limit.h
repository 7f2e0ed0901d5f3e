// A ceiling on the memory a test lets the code under test take. The test
// executables that link allocation_limit.cpp replace the global operator new:
// while an AllocationLimit is alive, an allocation that would take the bytes
// held since its start past the ceiling throws std::bad_alloc, as a full
// 32-bit address space would.
#pragma once
#include <cstddef>

namespace testsupport {

class AllocationLimit {
public:
    explicit AllocationLimit(size_t bytes);
    ~AllocationLimit();
    AllocationLimit(const AllocationLimit&) = delete;
    AllocationLimit& operator=(const AllocationLimit&) = delete;

    // The most bytes held at once (beyond those held at the start), so far.
    static size_t Peak();
};

}  // namespace testsupport
