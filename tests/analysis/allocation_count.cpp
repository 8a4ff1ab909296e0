#include "allocation_count.h"

#include <cstdlib>
#include <new>

// Allocations made on this thread while counting is on.
namespace {
thread_local bool t_counting = false;
thread_local long t_allocations = 0;
}  // namespace

void* operator new(std::size_t size) {
  if (t_counting) ++t_allocations;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
// The library's temporary buffers (a stable sort's) come from the nothrow forms: they must come
// from the same allocator the replaced delete gives back to.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return std::malloc(size == 0 ? 1 : size);
}
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

AllocationCount::AllocationCount() {
  t_allocations = 0;
  t_counting = true;
}

long AllocationCount::Stop() {
  t_counting = false;
  return t_allocations;
}
