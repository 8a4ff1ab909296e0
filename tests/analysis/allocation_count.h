#pragma once

// Counts the allocations made on this thread between its making and Stop(), through the test
// program's replaced operator new (support/counted_new.h).
class AllocationCount {
 public:
  AllocationCount();
  long Stop();
};
