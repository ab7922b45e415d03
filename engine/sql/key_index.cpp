#include "engine/sql/key_index.h"

#include <cstring>

#include "engine/error.h"

namespace lumi::sql {

namespace {

uint64_t Mix(uint64_t h) {
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdull;
  h ^= h >> 33;
  h *= 0xc4ceb9fe1a85ec53ull;
  h ^= h >> 33;
  return h;
}

size_t SlotsFor(size_t keys) {
  size_t n = 16;
  while (n < keys * 2) n *= 2;
  return n;
}

}  // namespace

KeyIndex::KeyIndex(size_t expected) : slots_(SlotsFor(expected), 0) {
  keys_.reserve(expected);
  next_.reserve(expected);
}

uint64_t KeyIndex::Hash(std::string_view key) {
  uint64_t h = 0x9e3779b97f4a7c15ull ^ key.size();
  const char* p = key.data();
  size_t n = key.size();
  while (n >= 8) {
    uint64_t w;
    std::memcpy(&w, p, 8);
    h = Mix(h ^ w);
    p += 8;
    n -= 8;
  }
  uint64_t w = 0;
  std::memcpy(&w, p, n);
  return Mix(h ^ w ^ (static_cast<uint64_t>(n) << 56));
}

uint32_t KeyIndex::Lookup(std::string_view key, uint64_t hash, size_t* slot) const {
  size_t mask = slots_.size() - 1;
  for (size_t i = static_cast<size_t>(hash) & mask;; i = (i + 1) & mask) {
    uint32_t s = slots_[i];
    if (s == 0) {
      *slot = i;
      return kNone;
    }
    const Key& k = keys_[s - 1];
    if (k.hash == hash && k.size == key.size() &&
        std::memcmp(bytes_.data() + k.at, key.data(), key.size()) == 0)
      return s - 1;
  }
}

uint32_t KeyIndex::Find(std::string_view key) const {
  size_t slot;
  return Lookup(key, Hash(key), &slot);
}

void KeyIndex::Grow() {
  std::vector<uint32_t> slots(slots_.size() * 2, 0);
  size_t mask = slots.size() - 1;
  for (uint32_t k = 0; k < keys_.size(); ++k) {
    size_t i = static_cast<size_t>(keys_[k].hash) & mask;
    while (slots[i] != 0) i = (i + 1) & mask;
    slots[i] = k + 1;
  }
  slots_ = std::move(slots);
}

uint32_t KeyIndex::Intern(std::string_view key, bool* added) {
  uint64_t h = Hash(key);
  size_t slot;
  uint32_t k = Lookup(key, h, &slot);
  *added = k == kNone;
  if (k != kNone) return k;
  if (keys_.size() >= UINT32_MAX - 1 || bytes_.size() + key.size() > UINT32_MAX)
    throw EngineError("Too many distinct keys in one statement");
  k = static_cast<uint32_t>(keys_.size());
  keys_.push_back({h, static_cast<uint32_t>(bytes_.size()), static_cast<uint32_t>(key.size()),
                   kNone, kNone, 0});
  bytes_.append(key);
  slots_[slot] = k + 1;
  if (keys_.size() * 2 > slots_.size()) Grow();
  return k;
}

uint32_t KeyIndex::Add(std::string_view key, uint32_t entry) {
  bool added;
  uint32_t k = Intern(key, &added);
  if (next_.size() <= entry) next_.resize(entry + 1, kNone);
  next_[entry] = kNone;
  Key& rec = keys_[k];
  if (rec.first == kNone)
    rec.first = entry;
  else
    next_[rec.last] = entry;
  rec.last = entry;
  ++rec.count;
  return k;
}

}  // namespace lumi::sql
