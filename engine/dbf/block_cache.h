#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace lumi::dbf {

// Index blocks held in memory, found by their page number in one step: a
// table indexed by page gives the slot, and the slots lie side by side in one
// reserved range (in huge pages), so a block costs no hashing and no pointer
// chasing. A branch also remembers the slots its children were found in, so
// that a step down a tree reads the parent (which every lookup keeps warm)
// and then the child, and not the page table between them.
//
// At most `limit` blocks are held. When all slots are taken, the next block
// takes the place of one not used since the hand last passed it (a clock), so
// the blocks every lookup passes through (the root, the branches) stay.
//
// A pointer the cache gives stays valid until the next Put, Erase or Clear;
// callers that need a block across such calls copy it, or ask again by page
// and compare evictions() to see whether it may have moved.
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
    if (page >= slot_of_.size() || slot_of_[page] == 0) return nullptr;
    Slot& s = SlotAt(slot_of_[page] - 1);
    s.used = 1;
    return s.data();
  }
  // The same for the block at `page` that is child `i` of `parent` (a block
  // this cache gave): where the parent last found it, else by page.
  const char* FindChild(const char* parent, uint32_t i, uint32_t page) {
    const Slot& p = SlotOfData(parent);
    if (p.hints != 0 && i < hint_stride_) {
      // A row is good while no block has been let go since it was written:
      // each slot it names still holds the block it held then.
      const uint16_t* row = Row(p.hints - 1);
      uint64_t epoch;
      std::memcpy(&epoch, row, sizeof epoch);
      uint16_t h = row[kRowHead + i];
      if (epoch == evictions_ && h != 0) {
        Slot& c = SlotAt(h - 1u);
        if (!c.used) c.used = 1;  // no store (nor dirty line) when already marked
        return c.data();
      }
    }
    return Find(page);
  }
  // Notes that child `i` of `parent`, the block at `parent_page`, is `child`
  // (both blocks from this cache). Nothing is noted when the parent's slot
  // has been given to another block since (reading the child may do that).
  void Remember(const char* parent, uint32_t parent_page, uint32_t i, const char* child);
  // The block_size() bytes for the block at `page`, to be filled by the
  // caller: the slot it has, or a new one (which may let another block go).
  char* Put(uint32_t page);
  void Erase(uint32_t page);
  void Clear();
  // Counts the blocks let go (by Put, Erase or Clear) so far.
  uint64_t evictions() const { return evictions_; }

 private:
  // A slot: this header, then the block, on the next 64-byte line.
  struct Slot {
    uint32_t page;
    uint32_t hints;  // the row of hints this slot owns, + 1; 0: none yet
    uint8_t held;    // holds the block at `page`
    uint8_t used;    // used since the hand last passed
    char* data() { return reinterpret_cast<char*>(this) + kHeader; }
  };
  static constexpr size_t kHeader = 64;
  static constexpr size_t kRowHead = 4;  // a row: the evictions() it holds for, then the hints
  uint16_t* Row(size_t row) { return hints_ + row * (kRowHead + hint_stride_); }
  void Forget(Slot& s);
  Slot& SlotAt(size_t slot) { return *reinterpret_cast<Slot*>(base_ + slot * stride_); }
  Slot& SlotOfData(const char* block) {
    return *reinterpret_cast<Slot*>(const_cast<char*>(block) - kHeader);
  }
  size_t IndexOf(const char* block) const {
    return static_cast<size_t>(block - kHeader - base_) / stride_;
  }

  size_t block_size_;
  size_t limit_;   // at most 65535, so that a hint fits 16 bits
  size_t stride_;  // header and block, in whole lines
  size_t reserved_ = 0;
  char* base_ = nullptr;
  size_t hint_stride_ = 0;     // hints per row: more than a node has children
  uint16_t* hints_ = nullptr;  // rows of hints: a child's slot + 1, or 0
  size_t hints_reserved_ = 0;
  size_t hint_rows_ = 0;           // rows handed out
  std::vector<uint32_t> slot_of_;  // by page: slot + 1, or 0
  std::vector<uint32_t> free_;     // free slots below high_
  size_t used_ = 0;                // slots in use
  size_t high_ = 0;                // slots ever handed out
  size_t hand_ = 0;
  uint64_t evictions_ = 0;
};

}  // namespace lumi::dbf
