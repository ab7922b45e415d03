#include "engine/dbf/key_order.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "engine/dbf/index_key.h"

namespace lumi::dbf {

namespace {

struct Entry {
  uint64_t head;  // 8 sortable bytes of the key, big-endian
  uint32_t index;
};

uint64_t Head(const char* p, size_t n) {
  uint64_t v = 0;
  for (size_t i = 0; i < 8; ++i) v = (v << 8) | (i < n ? static_cast<unsigned char>(p[i]) : 0u);
  return v;
}

// Sorts entries that are in index order by head, then index: a radix sort
// (stable, so equal heads keep their order), one byte at a time from the
// lowest, skipping the bytes all entries share.
void RadixSortHeads(Entry* e, size_t n) {
  std::vector<Entry> other(n);
  Entry* from = e;
  Entry* to = other.data();
  for (int shift = 0; shift < 64; shift += 8) {
    size_t at[256] = {};
    for (size_t i = 0; i < n; ++i) ++at[(from[i].head >> shift) & 0xFF];
    if (at[(from[0].head >> shift) & 0xFF] == n) continue;
    size_t sum = 0;
    for (size_t& a : at) {
      size_t c = a;
      a = sum;
      sum += c;
    }
    for (size_t i = 0; i < n; ++i) to[at[(from[i].head >> shift) & 0xFF]++] = from[i];
    std::swap(from, to);
  }
  if (from != e) std::copy(from, from + n, e);
}

// Sorts `e` (entries whose keys agree before byte `from`, in index order) by
// key from byte `from` on, then index: 8 bytes at a time, each step reading
// every key once and sorting integers, then the same for each run that ties.
void SortFrom(Entry* e, size_t n, const char* sk, size_t sl, size_t from) {
  auto by_head = [](const Entry& a, const Entry& b) {
    return a.head < b.head || (a.head == b.head && a.index < b.index);
  };
  for (size_t i = 0; i < n; ++i)
    e[i].head = Head(sk + static_cast<size_t>(e[i].index) * sl + from, sl - from);
  // Keys are often appended in order (codes counted up): nothing to sort.
  if (!std::is_sorted(e, e + n, by_head)) {
    if (n >= 1024)
      RadixSortHeads(e, n);
    else
      std::sort(e, e + n, by_head);
  }
  const size_t next = from + 8;
  if (next >= sl) return;
  auto rest = [&](const Entry& x) { return sk + static_cast<size_t>(x.index) * sl + next; };
  for (size_t i = 0; i < n;) {
    size_t j = i + 1;
    bool same = true;
    for (; j < n && e[j].head == e[i].head; ++j)
      same = same && std::memcmp(rest(e[i]), rest(e[j]), sl - next) == 0;
    if (!same) SortFrom(e + i, j - i, sk, sl, next);
    i = j;
  }
}

}  // namespace

// Keys often repeat (a few titles, a code per order) or share a long start
// ("Lucrarea 12", "Lucrarea 13"); runs of whole equal keys are never
// compared byte by byte more than once.
std::vector<uint32_t> OrderKeys(char type, std::string_view keys, size_t key_length) {
  const size_t n = key_length ? keys.size() / key_length : 0;
  const size_t sl = SortableLength(type, key_length);
  std::string converted;
  const char* sk = keys.data();
  if (type != 'C') {
    converted.resize(n * sl);
    for (size_t i = 0; i < n; ++i)
      SortableKey(type, keys.substr(i * key_length, key_length), &converted[i * sl]);
    sk = converted.data();
  }
  std::vector<Entry> e(n);
  for (size_t i = 0; i < n; ++i) e[i].index = static_cast<uint32_t>(i);
  if (n > 0 && sl > 0) SortFrom(e.data(), n, sk, sl, 0);
  std::vector<uint32_t> order(n);
  for (size_t i = 0; i < n; ++i) order[i] = e[i].index;
  return order;
}

}  // namespace lumi::dbf
