// Counts every operator new / delete of the process, to report what a
// statement holds at its peak.
#include "bench/sql/memory_meter.h"

#include <malloc.h>

#include <cstdlib>
#include <new>

#include "engine/sql/big_allocator.h"

namespace {
size_t g_now = 0;
size_t g_peak = 0;

// The engine's large result buffers live outside the heap; they count too.
size_t Held() { return g_now + lumi::sql::BigBuffers::held; }
void NotePeak() {
  if (Held() > g_peak) g_peak = Held();
}

void* Allocate(size_t n) {
  void* p = std::malloc(n ? n : 1);
  if (!p) throw std::bad_alloc();
  g_now += malloc_usable_size(p);
  NotePeak();
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
size_t HeapNow() { return Held(); }
size_t HeapPeak() { return g_peak; }
void ResetHeapPeak() {
  lumi::sql::BigBuffers::on_change = &NotePeak;
  g_peak = Held();
}
}  // namespace lumi::bench
