#include "allocation_count.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

int* volatile g_kept = nullptr;

// The counter the no-allocation tests rely on sees what this thread allocates, and only that:
// a counter that saw nothing would pass them all.
TEST(AllocationCountTest, SeesThisThreadsAllocationsAlone) {
  std::atomic<bool> go{false};
  std::thread other([&go] {
    while (!go.load()) std::this_thread::yield();
    delete new int(8);
  });
  AllocationCount count;
  g_kept = new int(7);
  go = true;
  other.join();
  EXPECT_EQ(count.Stop(), 1) << "this thread's int alone";
  delete g_kept;
}

}  // namespace
