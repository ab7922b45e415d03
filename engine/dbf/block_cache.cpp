#include "engine/dbf/block_cache.h"

#include <sys/mman.h>

#include <algorithm>
#include <new>

namespace lumi::dbf {

namespace {

constexpr size_t kHugePage = size_t{2} << 20;

}  // namespace

BlockCache::BlockCache(size_t block_size, size_t limit)
    : block_size_(block_size), limit_(std::max<size_t>(limit, 1)) {
  // Address space only: pages become memory when a block is first put there.
  // Past the first 2 MB the range asks for huge pages, so that lookups in a
  // large tag do not miss the address translation on every block.
  size_t bytes = (limit_ * block_size_ + kHugePage - 1) / kHugePage * kHugePage;
  void* p = mmap(nullptr, bytes + kHugePage, PROT_READ | PROT_WRITE,
                 MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (p == MAP_FAILED) throw std::bad_alloc();
  char* start = static_cast<char*>(p);
  char* aligned = reinterpret_cast<char*>((reinterpret_cast<uintptr_t>(start) + kHugePage - 1) /
                                          kHugePage * kHugePage);
  if (aligned > start) munmap(start, static_cast<size_t>(aligned - start));
  size_t tail = static_cast<size_t>(start + bytes + kHugePage - (aligned + bytes));
  if (tail) munmap(aligned + bytes, tail);
  base_ = aligned;
  reserved_ = bytes;
  if (bytes > kHugePage) madvise(base_ + kHugePage, bytes - kHugePage, MADV_HUGEPAGE);
}

BlockCache::~BlockCache() {
  if (base_) munmap(base_, reserved_);
}

char* BlockCache::Put(uint32_t page) {
  if (page < slot_of_.size() && slot_of_[page] != 0) {
    slot_of_[page] |= kUsed;
    return SlotData((slot_of_[page] & ~kUsed) - 1);
  }
  uint32_t slot;
  if (!free_.empty()) {
    slot = free_.back();
    free_.pop_back();
    ++used_;
  } else if (high_ < limit_) {
    slot = static_cast<uint32_t>(high_++);
    page_of_.push_back(UINT32_MAX);
    ++used_;
  } else {
    // Every slot is taken: the hand clears the marks of blocks used since it
    // last passed and takes the first block without one.
    for (;;) {
      uint32_t s = static_cast<uint32_t>(hand_);
      hand_ = (hand_ + 1) % high_;
      if (page_of_[s] == UINT32_MAX) continue;  // free slots are in free_, never here
      uint32_t& e = slot_of_[page_of_[s]];
      if (e & kUsed) {
        e &= ~kUsed;
        continue;
      }
      e = 0;
      ++evictions_;
      slot = s;
      break;
    }
  }
  if (page >= slot_of_.size())
    slot_of_.resize(std::max<size_t>(static_cast<size_t>(page) + 1, slot_of_.size() * 2), 0);
  slot_of_[page] = (slot + 1) | kUsed;
  page_of_[slot] = page;
  return SlotData(slot);
}

void BlockCache::Erase(uint32_t page) {
  if (page >= slot_of_.size() || slot_of_[page] == 0) return;
  uint32_t slot = (slot_of_[page] & ~kUsed) - 1;
  slot_of_[page] = 0;
  page_of_[slot] = UINT32_MAX;
  free_.push_back(slot);
  --used_;
  ++evictions_;
}

void BlockCache::Clear() {
  if (high_ > 0) {
    // The memory goes back too; the range stays reserved.
    size_t touched = (high_ * block_size_ + 4095) / 4096 * 4096;
    madvise(base_, std::min(touched, reserved_), MADV_DONTNEED);
  }
  slot_of_.clear();
  page_of_.clear();
  free_.clear();
  used_ = high_ = hand_ = 0;
  ++evictions_;
}

}  // namespace lumi::dbf
