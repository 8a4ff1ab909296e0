#include "support/counted_new.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<support::AllocationHook> g_hook{nullptr};
}  // namespace

void support::SetAllocationHook(AllocationHook hook) { g_hook.store(hook); }

void* operator new(std::size_t size) {
  if (const support::AllocationHook hook = g_hook.load(std::memory_order_relaxed)) hook();
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
