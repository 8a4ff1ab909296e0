#include "allocation_count.h"

#include "support/counted_new.h"

// Allocations made on this thread while counting is on.
namespace {
thread_local bool t_counting = false;
thread_local long t_allocations = 0;

void CountOnThisThread() {
  if (t_counting) ++t_allocations;
}
}  // namespace

AllocationCount::AllocationCount() {
  support::SetAllocationHook(&CountOnThisThread);
  t_allocations = 0;
  t_counting = true;
}

long AllocationCount::Stop() {
  t_counting = false;
  return t_allocations;
}
