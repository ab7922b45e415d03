#include "engine/dbf/mdx_file.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "engine/dbf/data_file.h"
#include "engine/dbf/dbf_header.h"
#include "engine/dbf/index_key.h"
#include "engine/error.h"

namespace lumi::dbf {

namespace {

constexpr uint32_t kPage = 512;
constexpr int kMaxTags = 47;
constexpr int kMaxDepth = 64;
// Blocks held in memory: 32 MB, the whole of a 1 M-row numeric tag and more.
constexpr size_t kCacheBytes = size_t{32} << 20;

uint32_t U32(const char* p) {
  const unsigned char* u = reinterpret_cast<const unsigned char*>(p);
  return static_cast<uint32_t>(u[0]) | (static_cast<uint32_t>(u[1]) << 8) |
         (static_cast<uint32_t>(u[2]) << 16) | (static_cast<uint32_t>(u[3]) << 24);
}
uint16_t U16(const char* p) {
  const unsigned char* u = reinterpret_cast<const unsigned char*>(p);
  return static_cast<uint16_t>(u[0] | (u[1] << 8));
}
void PutU32(char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<char>(v >> (8 * i));
}
void PutU16(char* p, uint16_t v) {
  p[0] = static_cast<char>(v & 0xFF);
  p[1] = static_cast<char>(v >> 8);
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// Accessors over one node block of tag `t`.
struct NodeView {
  const MdxTag& t;
  char* b;
  uint32_t count() const { return U32(b); }
  void set_count(uint32_t n) { PutU32(b, n); }
  char* item(uint32_t i) const { return b + 8 + static_cast<size_t>(i) * t.item_length; }
  uint32_t ptr(uint32_t i) const { return U32(item(i)); }
  std::string_view key(uint32_t i) const { return std::string_view(item(i) + 4, t.key_length); }
  bool leaf() const { return ptr(count()) == 0; }
  void set_ptr(uint32_t i, uint32_t p) { PutU32(item(i), p); }
  void set_item(uint32_t i, uint32_t p, std::string_view k) {
    char* it = item(i);
    PutU32(it, p);
    std::memset(it + 4, 0, t.item_length - 4);
    std::memcpy(it + 4, k.data(), std::min<size_t>(k.size(), t.key_length));
  }
};

}  // namespace

struct MdxFile::InsertResult {
  bool split = false;
  std::string left_max;
  uint32_t right_page = 0;
  bool max_changed = false;
  std::string new_max;
};

MdxFile::MdxFile(std::shared_ptr<DataFile> file, const std::vector<FieldDef>& fields)
    : file_(std::move(file)) {
  ReadTags(fields);
  ResetCache();
}

void MdxFile::ResetCache() {
  cache_ = std::make_unique<BlockCache>(block_size_,
                                        cache_blocks_ ? cache_blocks_ : kCacheBytes / block_size_);
}

void MdxFile::LimitCache(size_t blocks) {
  cache_blocks_ = blocks;
  ResetCache();
}

const std::string& MdxFile::path() const { return file_->path(); }

void MdxFile::Damaged(const std::string& what) const {
  throw EngineError(file_->path() + ": the index is damaged (" + what +
                    "); rebuilding the index mends it");
}

void MdxFile::Initialize(DataFile& file, const std::string& base_name) {
  std::string h(4 * kPage, '\0');
  uint8_t ymd[3];
  TodayYmd(ymd);
  h[0] = 0x02;
  for (int i = 0; i < 3; ++i) h[1 + i] = h[44 + i] = static_cast<char>(ymd[i]);
  std::string name = Upper(base_name);
  for (size_t i = 0; i < name.size() && i < 15; ++i) h[4 + i] = name[i];
  PutU16(&h[20], 2);
  PutU16(&h[22], 1024);
  h[24] = 0x01;
  h[25] = 48;
  h[26] = 32;
  h[31] = 0x1B;
  PutU32(&h[32], 4);
  h[529] = 0x01;
  file.Write(0, h.data(), h.size());
}

void MdxFile::ReadTags(const std::vector<FieldDef>& fields) {
  char h[48];
  if (file_->size() < 4 * kPage) Damaged("the file is too short");
  file_->ReadExact(0, h, sizeof h);
  pages_per_block_ = U16(h + 20);
  block_size_ = U16(h + 22);
  if (pages_per_block_ < 1 || pages_per_block_ > 32 || block_size_ != pages_per_block_ * kPage)
    Damaged("wrong block size");
  int slot_len = static_cast<unsigned char>(h[26]);
  if (slot_len == 0) slot_len = 32;
  if (slot_len != 32) Damaged("wrong tag slot length");
  int count = U16(h + 28);
  if (count > kMaxTags) Damaged("too many tags");
  page_count_ = U32(h + 32);
  uint64_t file_pages = (file_->size() + kPage - 1) / kPage;
  if (page_count_ < 4 || page_count_ > file_pages + pages_per_block_) Damaged("wrong page count");
  tags_.clear();
  for (int i = 1; i <= count; ++i) {
    char s[32];
    file_->ReadExact(544 + 32 * (i - 1), s, 32);
    MdxTag t;
    t.slot = i;
    t.header_page = U32(s);
    for (int k = 4; k < 15 && s[k]; ++k) t.name.push_back(s[k]);
    while (!t.name.empty() && t.name.back() == ' ') t.name.pop_back();
    uint64_t hoff = static_cast<uint64_t>(t.header_page) * kPage;
    if (t.header_page < 4 || hoff + kPage > file_->size())
      Damaged("tag " + t.name + " lies outside the file");
    std::string th(kPage * 2, '\0');
    file_->Read(hoff, th.data(), th.size());
    t.root = U32(&th[0]);
    unsigned char format = static_cast<unsigned char>(th[8]);
    t.descending = (format & 0x08) != 0;
    t.unique = (format & 0x40) != 0 || th[23] != 0;
    t.type = static_cast<char>(std::toupper(static_cast<unsigned char>(th[9])));
    t.key_length = U16(&th[12]);
    t.max_keys = U16(&th[14]);
    t.item_length = U16(&th[18]);
    for (int k = 24; k < 245 && th[k]; ++k) t.expression.push_back(th[k]);
    bool filtered = th[245] != 0 || th[762] != 0;
    if (t.type != 'C' && t.type != 'N' && t.type != 'D' && t.type != 'F')
      Damaged("tag " + t.name + " has an unknown key type");
    if (t.type == 'F') t.type = 'N';
    if (t.key_length == 0 || t.key_length > 240 || t.item_length < t.key_length + 4 ||
        t.max_keys == 0 || 8 + static_cast<uint32_t>(t.max_keys) * t.item_length + 4 > block_size_)
      Damaged("tag " + t.name + " has wrong key sizes");
    if (t.root < 4 || static_cast<uint64_t>(t.root) * kPage + block_size_ > file_->size())
      Damaged("tag " + t.name + " has its root outside the file");
    std::string expr = Upper(t.expression);
    expr.erase(0, expr.find_first_not_of(' '));
    while (!expr.empty() && expr.back() == ' ') expr.pop_back();
    for (size_t f = 0; f < fields.size(); ++f) {
      if (Upper(fields[f].name) == expr && KeyType(fields[f]) == t.type &&
          KeyLength(fields[f]) == t.key_length)
        t.field = static_cast<int>(f);
    }
    t.maintainable = t.field >= 0 && !t.descending && !t.unique && !filtered;
    tags_.push_back(std::move(t));
  }
}

int MdxFile::FindTag(std::string_view name) const {
  // Tag names are ASCII letters, digits and _.
  auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
  auto same = [&](std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
      if (upper(a[i]) != upper(b[i])) return false;
    return true;
  };
  for (size_t i = 0; i < tags_.size(); ++i)
    if (same(tags_[i].name, name)) return static_cast<int>(i);
  return -1;
}

const char* MdxFile::Block(uint32_t page) const {
  if (const char* b = cache_->Find(page)) return b;
  return Load(page);
}

const char* MdxFile::Load(uint32_t page) const {
  uint64_t off = static_cast<uint64_t>(page) * kPage;
  if (page < 4 || off + block_size_ > file_->size()) Damaged("a node lies outside the file");
  char* b = cache_->Put(page);
  try {
    file_->ReadExact(off, b, block_size_);
  } catch (...) {
    cache_->Erase(page);
    throw;
  }
  return b;
}

const char* MdxFile::Child(const char* parent, uint32_t parent_page, uint32_t i,
                           uint32_t page) const {
  if (const char* b = cache_->FindChild(parent, i, page)) return b;
  const char* b = Load(page);
  cache_->Remember(parent, parent_page, i, b);
  return b;
}

void MdxFile::Store(uint32_t page, std::string block) {
  file_->Write(static_cast<uint64_t>(page) * kPage, block.data(), block.size());
  std::memcpy(cache_->Put(page), block.data(), block_size_);
}

uint32_t MdxFile::Allocate(uint32_t blocks) {
  uint32_t page = page_count_;
  page_count_ += pages_per_block_ * blocks;
  WriteHeaderCounts();
  return page;
}

void MdxFile::WriteHeaderCounts() {
  char b[4];
  PutU32(b, page_count_);
  file_->Write(32, b, 4);
}

void MdxFile::WriteTagTable() {
  // The tags form a binary search tree over their names, in slot order.
  std::vector<int> lo(tags_.size() + 1, 0), hi(tags_.size() + 1, 0), parent(tags_.size() + 1, 0);
  for (size_t i = 1; i < tags_.size(); ++i) {
    int node = 1;
    for (;;) {
      bool less = tags_[i].name < tags_[node - 1].name;
      int& next = less ? lo[node] : hi[node];
      if (next == 0) {
        next = static_cast<int>(i + 1);
        parent[i + 1] = node;
        break;
      }
      node = next;
    }
  }
  std::string table(static_cast<size_t>(kMaxTags) * 32, '\0');
  for (size_t i = 0; i < tags_.size(); ++i) {
    char* s = &table[32 * i];
    PutU32(s, tags_[i].header_page);
    for (size_t k = 0; k < tags_[i].name.size() && k < 10; ++k) s[4 + k] = tags_[i].name[k];
    s[15] = 0x10;
    s[16] = static_cast<char>(lo[i + 1]);
    s[17] = static_cast<char>(hi[i + 1]);
    s[18] = static_cast<char>(parent[i + 1]);
    s[19] = 0x02;
    s[20] = tags_[i].type;
  }
  file_->Write(544, table.data(), table.size());
  char n[2];
  PutU16(n, static_cast<uint16_t>(tags_.size()));
  file_->Write(28, n, 2);
  uint8_t ymd[3];
  TodayYmd(ymd);
  file_->Write(44, ymd, 3);
}

void MdxFile::WriteTagHeader(const MdxTag& t) {
  std::string h(block_size_, '\0');
  PutU32(&h[0], t.root);
  h[8] = 0x10;
  h[9] = t.type;
  h[11] = 0x1B;
  PutU16(&h[12], t.key_length);
  PutU16(&h[14], t.max_keys);
  PutU16(&h[16], t.type == 'D' ? 1 : 0);
  PutU16(&h[18], t.item_length);
  h[20] = 0x01;
  for (size_t k = 0; k < t.expression.size() && k < 220; ++k) h[24 + k] = t.expression[k];
  h[246] = 0x01;
  PutU32(&h[248], t.root);
  PutU32(&h[252], t.root);
  uint8_t ymd[3];
  TodayYmd(ymd);
  for (int i = 0; i < 3; ++i) h[257 + i] = static_cast<char>(ymd[i]);
  h[480] = 0x01;
  file_->Write(static_cast<uint64_t>(t.header_page) * kPage, h.data(), h.size());
  cache_->Erase(t.header_page);
}

uint32_t MdxFile::BuildTree(const MdxTag& t, const SortedKeys& sorted) {
  std::string out;
  uint32_t out_page = 0;
  // The page count in the header is written once, when the tree is whole.
  auto emit = [&](const std::string& block) {
    uint32_t page = page_count_;
    page_count_ += pages_per_block_;
    if (out.empty()) out_page = page;
    out += block;
    if (out.size() >= (4u << 20)) {
      file_->Write(static_cast<uint64_t>(out_page) * kPage, out.data(), out.size());
      out.clear();
    }
    return page;
  };
  std::vector<std::pair<uint32_t, std::string>> level;  // page, highest key
  std::string block(block_size_, '\0');
  size_t n = sorted.size();
  // Leaves keep a tenth of their room (one key at least) free, so that keys
  // added later among the old ones seldom split a leaf: a split writes three
  // blocks and grows the file, where an insert into a leaf with room writes one.
  size_t per_leaf = t.max_keys >= 2 ? t.max_keys - std::max<size_t>(1, t.max_keys / 10) : 1;
  for (size_t i = 0; i < n || level.empty(); i += per_leaf) {
    std::fill(block.begin(), block.end(), '\0');
    NodeView v{t, block.data()};
    size_t k = std::min(per_leaf, n - std::min(n, i));
    for (size_t j = 0; j < k; ++j)
      v.set_item(static_cast<uint32_t>(j), sorted.recno(i + j), sorted.key(i + j));
    v.set_count(static_cast<uint32_t>(k));
    level.emplace_back(emit(block), k ? std::string(sorted.key(i + k - 1)) : std::string());
    if (n == 0) break;
  }
  size_t fan = static_cast<size_t>(t.max_keys) + 1;
  while (level.size() > 1) {
    std::vector<std::pair<uint32_t, std::string>> up;
    size_t total = level.size();
    size_t i = 0;
    while (i < total) {
      size_t g = std::min(fan, total - i);
      // Never leave a last branch with a single child.
      if (total - i - g == 1) --g;
      std::fill(block.begin(), block.end(), '\0');
      NodeView v{t, block.data()};
      for (size_t j = 0; j + 1 < g; ++j)
        v.set_item(static_cast<uint32_t>(j), level[i + j].first, level[i + j].second);
      v.set_ptr(static_cast<uint32_t>(g - 1), level[i + g - 1].first);
      v.set_count(static_cast<uint32_t>(g - 1));
      up.emplace_back(emit(block), level[i + g - 1].second);
      i += g;
    }
    level.swap(up);
  }
  if (!out.empty()) file_->Write(static_cast<uint64_t>(out_page) * kPage, out.data(), out.size());
  WriteHeaderCounts();
  return level[0].first;
}

void MdxFile::AddTag(const std::string& name, const FieldDef& field, int field_index,
                     const SortedKeys& sorted) {
  if (tags_.size() >= static_cast<size_t>(kMaxTags))
    throw EngineError(file_->path() + ": an index holds at most 47 tags");
  MdxTag t;
  t.name = Upper(name);
  t.expression = Upper(field.name);
  t.type = KeyType(field);
  t.field = field_index;
  t.slot = static_cast<int>(tags_.size()) + 1;
  t.key_length = static_cast<uint16_t>(KeyLength(field));
  t.item_length = static_cast<uint16_t>((t.key_length + 4 + 3) / 4 * 4);
  t.max_keys = static_cast<uint16_t>((block_size_ - 12) / t.item_length);
  t.maintainable = true;
  t.header_page = Allocate();
  t.root = BuildTree(t, sorted);
  WriteTagHeader(t);
  tags_.push_back(std::move(t));
  WriteTagTable();
}

void MdxFile::Rebuild(const std::function<SortedKeys(int tag)>& sorted) {
  std::vector<MdxTag> tags = tags_;
  char base[16];
  file_->ReadExact(4, base, 16);
  std::string name(base, strnlen(base, 16));
  file_->Truncate(0);
  Initialize(*file_, name);
  pages_per_block_ = 2;
  block_size_ = 1024;
  page_count_ = 4;
  ResetCache();
  // tags_ keeps describing the old tags while their keys are collected.
  std::vector<MdxTag> rebuilt;
  for (size_t i = 0; i < tags.size(); ++i) {
    MdxTag t = tags[i];
    t.slot = static_cast<int>(i) + 1;
    t.item_length = static_cast<uint16_t>((t.key_length + 4 + 3) / 4 * 4);
    t.max_keys = static_cast<uint16_t>((block_size_ - 12) / t.item_length);
    t.descending = t.unique = false;  // rebuilt as plain ascending tags
    t.maintainable = t.field >= 0;
    t.header_page = Allocate();
    t.root = BuildTree(t, sorted(static_cast<int>(i)));
    WriteTagHeader(t);
    rebuilt.push_back(std::move(t));
  }
  tags_ = std::move(rebuilt);
  WriteTagTable();
}

MdxFile::LastEntry MdxFile::RightmostLeaf(const MdxTag& t, uint32_t page, int depth) const {
  for (;; ++depth) {
    if (depth > kMaxDepth) Damaged("the tree is too deep");
    const char* b = Block(page);
    NodeView v{t, const_cast<char*>(b)};
    uint32_t n = v.count();
    if (n > t.max_keys) Damaged("a node holds too many keys");
    if (v.leaf()) return {b, n};
    page = v.ptr(n);
  }
}

uint32_t MdxFile::MaxRecno(const MdxTag& t, uint32_t page, int depth) const {
  const LastEntry last = RightmostLeaf(t, page, depth);
  if (last.count == 0) return 0;
  NodeView v{t, const_cast<char*>(last.block)};
  return v.ptr(last.count - 1);
}

std::string MdxFile::MaxKey(const MdxTag& t, uint32_t page, int depth) const {
  const LastEntry last = RightmostLeaf(t, page, depth);
  if (last.count == 0) return std::string();
  NodeView v{t, const_cast<char*>(last.block)};
  return std::string(v.key(last.count - 1));
}

// Position of (key, recno) among the entries of a node: the first entry not
// below it. In a branch, a child whose highest key equals `key` still holds
// it when its highest record number is not below `recno`.
static uint32_t LowerBound(const MdxTag& t, const NodeView& v, uint32_t n, std::string_view key) {
  uint32_t lo = 0, hi = n;
  while (lo < hi) {
    uint32_t mid = (lo + hi) / 2;
    if (CompareKeys(t.type, v.key(mid), key) < 0)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

MdxFile::InsertResult MdxFile::InsertAt(const MdxTag& t, uint32_t page, const std::string& key,
                                        uint32_t recno, int depth) {
  if (depth > kMaxDepth) Damaged("the tree is too deep");
  std::string b(Block(page), block_size_);
  NodeView v{t, const_cast<char*>(b.data())};
  uint32_t n = v.count();
  if (n > t.max_keys) Damaged("a node holds too many keys");
  const size_t item = t.item_length;
  InsertResult res;
  if (v.leaf()) {
    uint32_t pos = LowerBound(t, v, n, key);
    while (pos < n && CompareKeys(t.type, v.key(pos), key) == 0 && v.ptr(pos) < recno) ++pos;
    res.max_changed = pos == n;
    res.new_max = key;
    if (n + 1 <= t.max_keys) {
      std::memmove(v.item(pos + 1), v.item(pos), (n - pos) * item);
      v.set_item(pos, recno, key);
      PutU32(v.item(n + 1), 0);  // a leaf ends in a zero pointer
      v.set_count(n + 1);
      Store(page, std::move(b));
      return res;
    }
    // All n+1 entries in order, in a buffer that may exceed the block.
    std::string all(8 + (n + 2) * item, '\0');
    std::memcpy(&all[8], v.item(0), pos * item);
    NodeView w{t, all.data()};
    w.set_item(pos, recno, key);
    std::memcpy(&all[8 + (pos + 1) * item], v.item(pos), (n - pos) * item);
    // Split. Appending at the end of the last leaf keeps the left leaf full.
    uint32_t left = pos == n ? n : (n + 1) / 2;
    uint32_t right_n = n + 1 - left;
    std::string rb(block_size_, '\0');
    std::memcpy(&rb[8], &all[8 + left * item], right_n * item);
    NodeView rv{t, rb.data()};
    rv.set_count(right_n);
    std::fill(b.begin() + 8, b.end(), '\0');
    std::memcpy(&b[8], &all[8], left * item);
    v.set_count(left);
    res.split = true;
    res.left_max = std::string(v.key(left - 1));
    res.right_page = Allocate();
    Store(res.right_page, rb);
    Store(page, b);
    return res;
  }
  uint32_t i = LowerBound(t, v, n, key);
  while (i < n && CompareKeys(t.type, v.key(i), key) == 0 &&
         MaxRecno(t, v.ptr(i), depth + 1) < recno)
    ++i;
  InsertResult sub = InsertAt(t, v.ptr(i), key, recno, depth + 1);
  if (!sub.split) {
    if (!sub.max_changed) return res;
    if (i < n) {
      v.set_item(i, v.ptr(i), sub.new_max);
      Store(page, b);
      return res;
    }
    res.max_changed = true;
    res.new_max = sub.new_max;
    return res;
  }
  // The child at i keeps the left half; a new slot after it points to the right.
  // A branch holds n keys and n + 1 pointers; the last pointer has no key.
  std::string all(8 + (n + 3) * item, '\0');
  std::memcpy(&all[8], v.item(0), n * item + 4);
  NodeView w{t, all.data()};
  uint32_t child = v.ptr(i);
  std::memmove(w.item(i + 1), w.item(i), (n + 1 - i) * item);
  w.set_item(i, child, sub.left_max);
  std::string right_key = i < n ? std::string(v.key(i)) : std::string();
  if (sub.max_changed && i < n) right_key = sub.new_max;
  w.set_item(i + 1, sub.right_page, right_key);
  uint32_t keys = n + 1;
  res.max_changed = i == n && sub.max_changed;
  res.new_max = sub.new_max;
  if (keys <= t.max_keys) {
    std::fill(b.begin() + 8, b.end(), '\0');
    std::memcpy(&b[8], &all[8], keys * item + 4);
    v.set_count(keys);
    Store(page, b);
    return res;
  }
  // Split the branch: keys [0, s) with child s as its last pointer go left,
  // keys (s, keys) right; key s, the left's highest, goes up.
  uint32_t s = keys / 2;
  std::string rb(block_size_, '\0');
  std::memcpy(&rb[8], w.item(s + 1), (keys - s - 1) * item + 4);
  NodeView rv{t, rb.data()};
  rv.set_count(keys - s - 1);
  res.split = true;
  res.left_max = std::string(w.key(s));
  std::fill(b.begin() + 8, b.end(), '\0');
  std::memcpy(&b[8], &all[8], s * item + 4);
  v.set_count(s);
  res.right_page = Allocate();
  Store(res.right_page, rb);
  Store(page, b);
  return res;
}

void MdxFile::Insert(int tag, const std::string& key, uint32_t recno) {
  MdxTag& t = tags_[static_cast<size_t>(tag)];
  InsertResult r = InsertAt(t, t.root, key, recno, 0);
  if (!r.split) return;
  std::string b(block_size_, '\0');
  NodeView v{t, const_cast<char*>(b.data())};
  v.set_item(0, t.root, r.left_max);
  v.set_ptr(1, r.right_page);
  v.set_count(1);
  t.root = Allocate();
  Store(t.root, b);
  WriteTagHeader(t);
}

bool MdxFile::EraseAt(const MdxTag& t, uint32_t page, const std::string& key, uint32_t recno,
                      int depth, bool* max_changed, std::string* new_max, bool* now_empty) {
  if (depth > kMaxDepth) Damaged("the tree is too deep");
  std::string b(Block(page), block_size_);
  NodeView v{t, const_cast<char*>(b.data())};
  uint32_t n = v.count();
  if (n > t.max_keys) Damaged("a node holds too many keys");
  const size_t item = t.item_length;
  *max_changed = false;
  *now_empty = false;
  if (v.leaf()) {
    uint32_t pos = LowerBound(t, v, n, key);
    while (pos < n && CompareKeys(t.type, v.key(pos), key) == 0 && v.ptr(pos) != recno) ++pos;
    if (pos == n || CompareKeys(t.type, v.key(pos), key) != 0) return false;
    std::memmove(v.item(pos), v.item(pos + 1), (n - pos - 1) * item);
    std::memset(v.item(n - 1), 0, item + 4);
    v.set_count(n - 1);
    Store(page, b);
    *now_empty = n == 1;
    if (pos == n - 1 && n > 1) {
      *max_changed = true;
      *new_max = std::string(v.key(n - 2));
    }
    return true;
  }
  uint32_t i = LowerBound(t, v, n, key);
  while (i < n && CompareKeys(t.type, v.key(i), key) == 0 &&
         MaxRecno(t, v.ptr(i), depth + 1) < recno)
    ++i;
  bool cmc = false, cempty = false;
  std::string cmax;
  if (!EraseAt(t, v.ptr(i), key, recno, depth + 1, &cmc, &cmax, &cempty)) return false;
  if (cempty) {
    if (n == 0) {
      *now_empty = true;
      return true;
    }
    if (i < n) {
      std::memmove(v.item(i), v.item(i + 1), (n - i - 1) * item + 4);
    } else {
      *max_changed = true;
      *new_max = std::string(v.key(n - 1));
    }
    std::memset(v.item(n), 0, 4);
    std::memset(v.item(n - 1) + 4, 0, item - 4);
    v.set_count(n - 1);
    Store(page, b);
    return true;
  }
  if (cmc) {
    if (i < n) {
      v.set_item(i, v.ptr(i), cmax);
      Store(page, b);
    } else {
      *max_changed = true;
      *new_max = cmax;
    }
  }
  return true;
}

void MdxFile::Erase(int tag, const std::string& key, uint32_t recno) {
  MdxTag& t = tags_[static_cast<size_t>(tag)];
  bool mc = false, empty = false;
  std::string nm;
  if (!EraseAt(t, t.root, key, recno, 0, &mc, &nm, &empty))
    Damaged("record " + std::to_string(recno) + " is missing from tag " + t.name);
  bool root_changed = false;
  if (empty) {
    std::string b(block_size_, '\0');
    Store(t.root, b);
  }
  // A root branch with a single child hands the root to that child.
  for (int depth = 0; depth < kMaxDepth; ++depth) {
    NodeView v{t, const_cast<char*>(Block(t.root))};
    if (v.count() != 0 || v.leaf()) break;
    t.root = v.ptr(0);
    root_changed = true;
  }
  if (root_changed) WriteTagHeader(t);
}

MdxFile::Cursor::Cursor(const MdxFile& file, const MdxTag& tag)
    : file_(&file), tag_(&tag), budget_(file.file_->size() / kPage + 16) {}

const char* MdxFile::Cursor::Enter(uint32_t page, const char* parent, uint32_t i) {
  if (depth_ >= kMaxDepth) file_->Damaged("the tree is too deep");
  if (budget_-- == 0) file_->Damaged("the tree has loops");
  const char* b = parent ? file_->Child(parent, path_[depth_].page, i, page) : file_->Block(page);
  // The search in the node reads a handful of its lines one after the other:
  // asking for all of them at once has them arrive together.
  const size_t used = 8 + static_cast<size_t>(tag_->max_keys) * tag_->item_length + 4;
  for (size_t off = 64; off < used; off += 64) __builtin_prefetch(b + off);
  uint32_t n = U32(b);
  if (n > tag_->max_keys) file_->Damaged("a node holds too many keys");
  path_[++depth_] = {page, 0, n};
  return b;
}

const char* MdxFile::Cursor::Leaf() const {
  if (file_->cache_->evictions() != leaf_evictions_) {
    leaf_ = file_->Block(path_[depth_].page);
    leaf_evictions_ = file_->cache_->evictions();
  }
  return leaf_;
}

std::string_view MdxFile::Cursor::key() const {
  const char* it = Leaf() + 8 + static_cast<size_t>(path_[depth_].index) * tag_->item_length;
  return std::string_view(it + 4, tag_->key_length);
}

uint32_t MdxFile::Cursor::recno() const {
  return U32(Leaf() + 8 + static_cast<size_t>(path_[depth_].index) * tag_->item_length);
}

void MdxFile::Cursor::Next() {
  if (!valid_) return;
  if (++path_[depth_].index < path_[depth_].count) return;
  NextLeaf();
}

void MdxFile::Cursor::NextLeaf() {
  const size_t item = tag_->item_length;
  for (;;) {
    // Up to the nearest branch with a child further right (a branch of n
    // keys has n + 1 children), then down its leftmost children.
    do {
      if (--depth_ < 0) {
        valid_ = false;
        return;
      }
    } while (path_[depth_].index >= path_[depth_].count);
    Level& up = path_[depth_];
    ++up.index;
    const char* parent = file_->Block(up.page);
    uint32_t i = up.index;
    for (;;) {
      const char* b = Enter(U32(parent + 8 + static_cast<size_t>(i) * item), parent, i);
      const Level& l = path_[depth_];
      if (U32(b + 8 + static_cast<size_t>(l.count) * item) == 0) {
        if (l.count == 0) break;  // an empty leaf: on to the next
        leaf_ = b;
        leaf_evictions_ = file_->cache_->evictions();
        return;
      }
      parent = b;
      i = 0;
    }
  }
}

template <class AtOrPast>
void MdxFile::Cursor::SeekWith(const AtOrPast& at_or_past) {
  const size_t item = tag_->item_length;
  const char* b = Enter(tag_->root, nullptr, 0);
  for (;;) {
    Level& l = path_[depth_];
    uint32_t lo = 0, hi = l.count;
    while (lo < hi) {
      uint32_t mid = (lo + hi) / 2;
      if (at_or_past(b + 8 + static_cast<size_t>(mid) * item + 4))
        hi = mid;
      else
        lo = mid + 1;
    }
    l.index = lo;
    // In a branch, child lo holds the first key at or past the start (the
    // last child when no key is).
    uint32_t last = U32(b + 8 + static_cast<size_t>(l.count) * item);
    if (last == 0) {
      leaf_ = b;
      leaf_evictions_ = file_->cache_->evictions();
      valid_ = true;
      if (lo == l.count) NextLeaf();
      return;
    }
    b = Enter(U32(b + 8 + static_cast<size_t>(lo) * item), b, lo);
  }
}

MdxFile::Cursor MdxFile::SeekKey(int tag, std::string_view key) const {
  const MdxTag& t = tags_[static_cast<size_t>(tag)];
  Cursor c(*this, t);
  const KeyProbe probe(t.type, key, t.key_length);
  c.SeekWith([&](const char* k) { return probe.Compare(k) >= 0; });
  return c;
}

MdxFile::Cursor MdxFile::Seek(int tag, const StartFn& start) const {
  const MdxTag& t = tags_[static_cast<size_t>(tag)];
  Cursor c(*this, t);
  if (start)
    c.SeekWith([&](const char* k) { return start(std::string_view(k, t.key_length)); });
  else
    c.SeekWith([](const char*) { return true; });
  return c;
}
std::string MdxFile::CheckAt(const MdxTag& t, uint32_t page, int depth, std::string* prev_key,
                             uint32_t* prev_recno, bool* have_prev, std::string* max_key,
                             uint64_t* budget) const {
  if (depth > kMaxDepth) return "the tree is too deep";
  if ((*budget)-- == 0) return "the tree has loops";
  uint64_t off = static_cast<uint64_t>(page) * kPage;
  if (page < 4 || off + block_size_ > file_->size()) return "a node lies outside the file";
  // A copy: the checks below this node may let the cached block go.
  std::string b(Block(page), block_size_);
  NodeView v{t, b.data()};
  uint32_t n = v.count();
  if (n > t.max_keys) return "a node holds too many keys";
  if (v.leaf()) {
    for (uint32_t i = 0; i < n; ++i) {
      if (*have_prev) {
        int c = CompareKeys(t.type, *prev_key, v.key(i));
        if (c > 0 || (c == 0 && *prev_recno >= v.ptr(i)))
          return "keys out of order at record " + std::to_string(v.ptr(i));
      }
      *prev_key = std::string(v.key(i));
      *prev_recno = v.ptr(i);
      *have_prev = true;
    }
    if (n == 0 && depth > 0) return "an empty leaf below the root";
    *max_key = n ? std::string(v.key(n - 1)) : std::string();
    return {};
  }
  for (uint32_t i = 0; i <= n; ++i) {
    std::string child_max;
    std::string e =
        CheckAt(t, v.ptr(i), depth + 1, prev_key, prev_recno, have_prev, &child_max, budget);
    if (!e.empty()) return e;
    if (i < n && CompareKeys(t.type, child_max, v.key(i)) != 0)
      return "a branch key differs from the highest key below it";
    if (i == n) *max_key = child_max;
  }
  return {};
}

std::string MdxFile::CheckTree(int tag) const {
  const MdxTag& t = tags_[static_cast<size_t>(tag)];
  std::string prev, max;
  uint32_t prev_recno = 0;
  bool have = false;
  uint64_t budget = file_->size() / kPage + 16;
  try {
    return CheckAt(t, t.root, 0, &prev, &prev_recno, &have, &max, &budget);
  } catch (const EngineError& e) {
    return e.what();
  }
}

}  // namespace lumi::dbf
