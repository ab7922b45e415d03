#include "engine/dbf/block_cache.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "engine/dbf/huge_pages.h"

namespace lumi::dbf {

namespace {

// Past the first 2 MB the cache asks for huge pages, so that lookups in a
// large tag do not miss the address translation on every block; a small
// table stays small.
char* Reserve(size_t bytes) { return ReserveAligned(bytes, kHugePage); }

}  // namespace

BlockCache::BlockCache(size_t block_size, size_t limit)
    : block_size_(block_size),
      limit_(std::clamp<size_t>(limit, 1, 65535)),
      stride_(kHeader + (block_size + 63) / 64 * 64) {
  reserved_ = HugePages(limit_ * stride_);
  base_ = Reserve(reserved_);
  // A node of n keys has n + 1 children, and a key takes at least 5 bytes.
  hint_stride_ = block_size_ / 4 + 1;
  hints_reserved_ = HugePages(limit_ * (kRowHead + hint_stride_) * sizeof(uint16_t));
  hints_ = reinterpret_cast<uint16_t*>(Reserve(hints_reserved_));
}

BlockCache::~BlockCache() {
  munmap(base_, reserved_);
  munmap(hints_, hints_reserved_);
}

void BlockCache::Remember(const char* parent, uint32_t parent_page, uint32_t i, const char* child) {
  Slot& p = SlotOfData(parent);
  if (i >= hint_stride_ || !p.held || p.page != parent_page) return;
  if (p.hints == 0) {
    if (hint_rows_ >= limit_) return;
    p.hints = static_cast<uint32_t>(++hint_rows_);  // a row stays with its slot
    std::memset(Row(p.hints - 1), 0, (kRowHead + hint_stride_) * sizeof(uint16_t));
  }
  uint16_t* row = Row(p.hints - 1);
  uint64_t epoch;
  std::memcpy(&epoch, row, sizeof epoch);
  if (epoch != evictions_) {
    std::memset(row + kRowHead, 0, hint_stride_ * sizeof(uint16_t));
    std::memcpy(row, &evictions_, sizeof evictions_);
  }
  row[kRowHead + i] = static_cast<uint16_t>(IndexOf(child) + 1);
}

void BlockCache::Forget(Slot& s) {
  // The slot's block is about to change: its children may be others.
  if (s.hints != 0) std::memset(Row(s.hints - 1) + kRowHead, 0, hint_stride_ * sizeof(uint16_t));
}

char* BlockCache::Put(uint32_t page) {
  if (page < slot_of_.size() && slot_of_[page] != 0) {
    Slot& s = SlotAt(slot_of_[page] - 1);
    s.used = 1;
    Forget(s);
    return s.data();
  }
  size_t slot;
  if (!free_.empty()) {
    slot = free_.back();
    free_.pop_back();
    ++used_;
  } else if (high_ < limit_) {
    slot = high_++;
    SlotAt(slot).hints = 0;
    ++used_;
  } else {
    // Every slot is taken: the hand clears the marks of blocks used since it
    // last passed and takes the first block without one.
    for (;;) {
      Slot& s = SlotAt(hand_);
      size_t at = hand_;
      hand_ = (hand_ + 1) % high_;
      if (!s.held) continue;  // free slots are in free_, never here
      if (s.used) {
        s.used = 0;
        continue;
      }
      slot_of_[s.page] = 0;
      ++evictions_;
      slot = at;
      break;
    }
  }
  if (page >= slot_of_.size())
    slot_of_.resize(std::max<size_t>(static_cast<size_t>(page) + 1, slot_of_.size() * 2), 0);
  slot_of_[page] = static_cast<uint32_t>(slot + 1);
  Slot& s = SlotAt(slot);
  s.page = page;
  s.held = 1;
  s.used = 1;
  Forget(s);
  return s.data();
}

void BlockCache::Erase(uint32_t page) {
  if (page >= slot_of_.size() || slot_of_[page] == 0) return;
  uint32_t slot = slot_of_[page] - 1;
  slot_of_[page] = 0;
  SlotAt(slot).held = 0;
  free_.push_back(slot);
  --used_;
  ++evictions_;
}

void BlockCache::Clear() {
  // The memory goes back too (reads as zeros after); the ranges stay reserved.
  if (high_ > 0) madvise(base_, reserved_, MADV_DONTNEED);
  if (hint_rows_ > 0) madvise(hints_, hints_reserved_, MADV_DONTNEED);
  slot_of_.clear();
  free_.clear();
  used_ = high_ = hand_ = hint_rows_ = 0;
  ++evictions_;
}

}  // namespace lumi::dbf
