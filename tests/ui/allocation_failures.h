// Failure injection for the allocation sweep: the program's allocations on
// the test thread go through a counter, and the one chosen throws
// std::bad_alloc as if memory had run out.
#pragma once

namespace uitest {

// Allocation number `n` from now on (1: the next one) fails.
void failAllocation(long n);
// No further allocation fails.
void stopFailingAllocations();
// Whether the allocation chosen by failAllocation has failed.
bool allocationFailed();

// The test's own work (answering a dialog) is not counted meanwhile.
class AllocationPause {
public:
    AllocationPause();
    ~AllocationPause();
    AllocationPause(const AllocationPause&) = delete;
    AllocationPause& operator=(const AllocationPause&) = delete;
};

}  // namespace uitest
