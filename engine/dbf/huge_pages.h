#pragma once

#include <cstddef>

namespace lumi::dbf {

inline constexpr size_t kHugePage = size_t{2} << 20;

inline size_t HugePages(size_t bytes) { return (bytes + kHugePage - 1) / kHugePage * kHugePage; }

// Address space of `bytes` (a multiple of kHugePage), aligned to a huge page:
// memory comes when first written. From `huge_from` bytes on, the range asks
// for huge pages, which a large buffer fills with one fault per 2 MB instead
// of one per 4 KB. Throws std::bad_alloc. Freed with munmap(p, bytes).
char* ReserveAligned(size_t bytes, size_t huge_from);

}  // namespace lumi::dbf
