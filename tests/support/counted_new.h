#pragma once

// The test programs that count allocations replace the global operator new and delete
// (support/counted_new.cpp, built into those programs alone) so that nothing escapes the count.
// Kept out of the tests' own files, so that no compiler sees the replaced pair inlined beside the
// library's.
namespace support {

// Called on the allocating thread for every allocation that may throw; nullptr for none.
using AllocationHook = void (*)();
void SetAllocationHook(AllocationHook hook);

}  // namespace support
