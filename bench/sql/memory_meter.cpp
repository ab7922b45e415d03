// Counts every operator new / delete of the process, to report what a
// statement holds at its peak.
#include "bench/sql/memory_meter.h"

#include <malloc.h>

#include <cstdlib>
#include <new>

namespace {
size_t g_now = 0;
size_t g_peak = 0;

void* Allocate(size_t n) {
  void* p = std::malloc(n ? n : 1);
  if (!p) throw std::bad_alloc();
  g_now += malloc_usable_size(p);
  if (g_now > g_peak) g_peak = g_now;
  return p;
}

void Release(void* p) {
  if (!p) return;
  g_now -= malloc_usable_size(p);
  std::free(p);
}
}  // namespace

void* operator new(size_t n) { return Allocate(n); }
void* operator new[](size_t n) { return Allocate(n); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, size_t) noexcept { Release(p); }
void operator delete[](void* p, size_t) noexcept { Release(p); }

namespace lumi::bench {
size_t HeapNow() { return g_now; }
size_t HeapPeak() { return g_peak; }
void ResetHeapPeak() { g_peak = g_now; }
}  // namespace lumi::bench
