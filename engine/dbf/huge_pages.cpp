#include "engine/dbf/huge_pages.h"

#include <sys/mman.h>

#include <cstdint>
#include <new>

namespace lumi::dbf {

char* ReserveAligned(size_t bytes, size_t huge_from) {
  char* start = static_cast<char*>(mmap(nullptr, bytes + kHugePage, PROT_READ | PROT_WRITE,
                                        MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0));
  if (start == MAP_FAILED) throw std::bad_alloc();
  char* aligned = reinterpret_cast<char*>((reinterpret_cast<uintptr_t>(start) + kHugePage - 1) /
                                          kHugePage * kHugePage);
  if (aligned > start) munmap(start, static_cast<size_t>(aligned - start));
  size_t tail = static_cast<size_t>(start + bytes + kHugePage - (aligned + bytes));
  if (tail) munmap(aligned + bytes, tail);
  if (bytes > huge_from) madvise(aligned + huge_from, bytes - huge_from, MADV_HUGEPAGE);
  return aligned;
}

}  // namespace lumi::dbf
