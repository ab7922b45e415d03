#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lumi::sql {

// Entries by key, for hash joins, grouping and the sets of sub-selects. Keys
// are the byte strings AppendKey builds; each distinct key heads a chain of
// the entry numbers added under it, in the order they were added.
//
// One flat table of slots (open addressing on a 64-bit hash) and one buffer
// of key bytes: a lookup costs a hash and, as a rule, one slot and one key
// compare, without a node or a string of its own per key.
class KeyIndex {
 public:
  static constexpr uint32_t kNone = UINT32_MAX;

  explicit KeyIndex(size_t expected = 0);

  // Adds entry `entry` (entries are numbered 0, 1, 2, ... in the order they
  // are added) under `key`. Returns the number of the key: 0 for the first
  // distinct key, 1 for the next, ...
  uint32_t Add(std::string_view key, uint32_t entry);
  // The number of `key` when it is already there, else adds it with no
  // entries; `*added` tells which.
  uint32_t Intern(std::string_view key, bool* added);

  // The number of `key`, or kNone.
  uint32_t Find(std::string_view key) const;
  // The first entry of key number `k`, and the entry after `entry` in its chain.
  uint32_t First(uint32_t k) const { return keys_[k].first; }
  uint32_t Next(uint32_t entry) const { return next_[entry]; }
  // How many entries key number `k` holds.
  uint32_t Count(uint32_t k) const { return keys_[k].count; }

  size_t key_count() const { return keys_.size(); }
  std::string_view key(uint32_t k) const { return {bytes_.data() + keys_[k].at, keys_[k].size}; }

  static uint64_t Hash(std::string_view key);

 private:
  struct Key {
    uint64_t hash;
    uint32_t at, size;     // its bytes in bytes_
    uint32_t first, last;  // its chain of entries
    uint32_t count;
  };
  uint32_t Lookup(std::string_view key, uint64_t hash, size_t* slot) const;
  void Grow();

  std::vector<uint32_t> slots_;  // key number + 1; 0 is an empty slot
  std::vector<Key> keys_;
  std::string bytes_;
  std::vector<uint32_t> next_;  // by entry
};

}  // namespace lumi::sql
