#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lumi::dbf {

// Index blocks held in memory, found by their page number in one step: a
// table indexed by page gives the slot, and the slots lie side by side in one
// reserved range, so a block costs no hashing and no pointer chasing.
//
// At most `limit` blocks are held. When all slots are taken, the next block
// takes the place of one not used since the hand last passed it (a clock), so
// the blocks every lookup passes through (the root, the branches) stay.
//
// A pointer the cache gives stays valid until the next Put or Clear; callers
// that need a block across such calls copy it, or ask again by page and
// compare evictions() to see whether it may have moved.
class BlockCache {
 public:
  BlockCache(size_t block_size, size_t limit);
  ~BlockCache();
  BlockCache(const BlockCache&) = delete;
  BlockCache& operator=(const BlockCache&) = delete;

  size_t block_size() const { return block_size_; }
  size_t limit() const { return limit_; }
  size_t size() const { return used_; }

  // The block at `page`, or nullptr when it is not held.
  const char* Find(uint32_t page) {
    if (page >= slot_of_.size()) return nullptr;
    uint32_t& e = slot_of_[page];
    if (e == 0) return nullptr;
    e |= kUsed;
    return base_ + static_cast<size_t>((e & ~kUsed) - 1) * block_size_;
  }
  // The block_size() bytes for the block at `page`, to be filled by the
  // caller: the slot it has, or a new one (which may let another block go).
  char* Put(uint32_t page);
  void Erase(uint32_t page);
  void Clear();
  // Counts the blocks let go (by Put, Erase or Clear) so far.
  uint64_t evictions() const { return evictions_; }

 private:
  static constexpr uint32_t kUsed = 0x80000000u;  // in slot_of_: used since the hand passed
  char* SlotData(uint32_t slot) { return base_ + static_cast<size_t>(slot) * block_size_; }

  size_t block_size_;
  size_t limit_;
  size_t reserved_ = 0;  // bytes reserved at base_
  char* base_ = nullptr;
  std::vector<uint32_t> slot_of_;  // by page: slot + 1, or 0; the high bit as kUsed
  std::vector<uint32_t> page_of_;  // by slot: the page it holds, or UINT32_MAX when free
  std::vector<uint32_t> free_;     // free slots below used_
  size_t used_ = 0;                // slots in use
  size_t high_ = 0;                // slots ever handed out (0 .. high_-1 are touched)
  size_t hand_ = 0;
  uint64_t evictions_ = 0;
};

}  // namespace lumi::dbf
