#pragma once

// Counts the allocations made on this thread between its making and Stop(): the test program's
// operator new is replaced (allocation_count.cpp) so that nothing escapes the count. Kept out of
// the tests' own files, so that no compiler sees the replaced pair inlined beside the library's.
class AllocationCount {
 public:
  AllocationCount();
  long Stop();
};
