#pragma once
// Test builds only: a process heap that can be told to fail, and that counts
// what is live. Linked in place of korvel_heap (platform/posix_heap.cpp) by
// the allocation-failure tests; the plug-ins never contain it.

#include <cstddef>

namespace korvel::platform::heap_faults {

// The n-th allocation from now fails (1: the next one); 0 fails none.
void FailAllocation(size_t n);

// Clears the counters below and the pending failure.
void Reset();

size_t Allocations();    // allocations asked for since Reset, failed ones included
size_t LiveBlocks();     // blocks allocated and not yet released
size_t LiveBytes();      // bytes asked for in the live blocks
size_t PeakLiveBytes();  // the most LiveBytes has been since Reset
size_t LargestBlock();   // the largest single request since Reset

}  // namespace korvel::platform::heap_faults
