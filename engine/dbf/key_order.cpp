#include "engine/dbf/key_order.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "engine/dbf/index_key.h"

namespace lumi::dbf {

namespace {

struct Entry {
  uint64_t head;  // the first 8 sortable bytes, big-endian
  uint32_t index;
};

uint64_t Head(const char* p, size_t n) {
  uint64_t v = 0;
  for (size_t i = 0; i < 8; ++i)
    v = (v << 8) | (i < n ? static_cast<unsigned char>(p[i]) : 0u);
  return v;
}

}  // namespace

// The entries are sorted on their first 8 bytes and index alone, which needs
// no look at the keys; only a run sharing those bytes whose keys then differ
// is sorted again on the whole key. Keys often repeat (a few titles, a code
// per order), and such runs are left as they are.
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
  for (size_t i = 0; i < n; ++i) e[i] = {Head(sk + i * sl, sl), static_cast<uint32_t>(i)};
  std::sort(e.begin(), e.end(), [](const Entry& a, const Entry& b) {
    return a.head < b.head || (a.head == b.head && a.index < b.index);
  });
  if (sl > 8) {
    const size_t rest = sl - 8;
    auto tail = [&](const Entry& x) { return sk + static_cast<size_t>(x.index) * sl + 8; };
    for (size_t i = 0; i < n;) {
      size_t j = i + 1;
      bool same = true;
      for (; j < n && e[j].head == e[i].head; ++j)
        same = same && std::memcmp(tail(e[i]), tail(e[j]), rest) == 0;
      if (!same)
        std::sort(e.begin() + static_cast<std::ptrdiff_t>(i),
                  e.begin() + static_cast<std::ptrdiff_t>(j), [&](const Entry& a, const Entry& b) {
                    int c = std::memcmp(tail(a), tail(b), rest);
                    return c < 0 || (c == 0 && a.index < b.index);
                  });
      i = j;
    }
  }
  std::vector<uint32_t> order(n);
  for (size_t i = 0; i < n; ++i) order[i] = e[i].index;
  return order;
}

}  // namespace lumi::dbf
