#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <new>
#include <vector>

#include "engine/dbf/huge_pages.h"

namespace lumi::sql {

// What big buffers hold now, and whom to tell when that changes (a memory
// meter; nobody in the program).
struct BigBuffers {
  static inline size_t held = 0;
  static inline void (*on_change)() = nullptr;
  static void Add(size_t bytes) {
    held += bytes;
    if (on_change) on_change();
  }
  static void Remove(size_t bytes) {
    held -= bytes;
    if (on_change) on_change();
  }
};

// The allocator of a result's column buffers. A buffer of several megabytes
// is placed in huge pages: a large result is written once, front to back,
// and would otherwise take a page fault every 4 KB (more than its decoding
// costs). Smaller buffers come from the heap as usual.
template <class T>
struct BigAllocator {
  using value_type = T;
  static constexpr size_t kFrom = 4 * dbf::kHugePage;

  BigAllocator() = default;
  template <class U>
  BigAllocator(const BigAllocator<U>&) {}

  T* allocate(size_t n) {
    size_t bytes = n * sizeof(T);
    if (bytes < kFrom) return static_cast<T*>(::operator new(bytes));
    T* p = reinterpret_cast<T*>(dbf::ReserveAligned(dbf::HugePages(bytes), 0));
    BigBuffers::Add(bytes);
    return p;
  }
  void deallocate(T* p, size_t n) {
    size_t bytes = n * sizeof(T);
    if (bytes < kFrom)
      ::operator delete(p);
    else {
      munmap(p, dbf::HugePages(bytes));
      BigBuffers::Remove(bytes);
    }
  }
  friend bool operator==(const BigAllocator&, const BigAllocator&) { return true; }
};

template <class T>
using BigVector = std::vector<T, BigAllocator<T>>;

}  // namespace lumi::sql
