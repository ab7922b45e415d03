#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/dbf/block_cache.h"
#include "engine/dbf/field.h"

namespace lumi::dbf {

class DataFile;

// One tag as the .mdx holds it.
struct MdxTag {
  std::string name;
  std::string expression;
  char type = 'C';
  int field = -1;  // the table field the expression names, or -1
  int slot = 0;    // 1-based slot in the tag table
  uint32_t header_page = 0;
  uint32_t root = 0;
  uint16_t key_length = 0;
  uint16_t item_length = 0;
  uint16_t max_keys = 0;
  bool descending = false;
  bool unique = false;
  // A tag we can keep: a plain field of the right type and length, ascending,
  // not unique, without a filter.
  bool maintainable = false;
};

// The keys of every record of a table for one tag, in index order: keys
// holds them in record order (key_length bytes each) and order the record
// indexes (recno - 1) sorted by key, then record number.
struct SortedKeys {
  size_t key_length = 0;
  std::string keys;
  std::vector<uint32_t> order;
  size_t size() const { return order.size(); }
  std::string_view key(size_t i) const { return {keys.data() + order[i] * key_length, key_length}; }
  uint32_t recno(size_t i) const { return order[i] + 1; }
};

// A dBase IV production index: the header, the tag table and one B-tree per
// tag. Pointers are 512-byte page numbers; nodes are one block. Changes keep
// each tree exact: leaves list (key, record) in order, and each branch key is
// the highest key below it. Freed nodes are not reused until a rebuild.
// Errors are EngineError naming the file; a damaged tree is reported as such,
// never read out of bounds.
class MdxFile {
 public:
  // Reads the header and tag table of an existing index. `fields` are the
  // table's, to tie each tag to its field.
  MdxFile(std::shared_ptr<DataFile> file, const std::vector<FieldDef>& fields);

  // Writes a new index with no tags into the empty `file`.
  static void Initialize(DataFile& file, const std::string& base_name);

  const std::vector<MdxTag>& tags() const { return tags_; }
  int FindTag(std::string_view name) const;  // index into tags(), or -1
  const std::string& path() const;

  // Adds a tag on `field` holding `sorted` entries (ascending by key, then
  // record number). Throws when the tag table is full.
  void AddTag(const std::string& name, const FieldDef& field, int field_index,
              const SortedKeys& sorted);
  // Rebuilds every tag, writing the whole file anew. `sorted(i)` gives the
  // entries of tag i (in tags() order), asked for one tag at a time so that
  // only one tag's keys are in memory.
  void Rebuild(const std::function<SortedKeys(int tag)>& sorted);

  void Insert(int tag, const std::string& key, uint32_t recno);
  // Throws when (key, recno) is not in the tag (the index does not match its
  // table).
  void Erase(int tag, const std::string& key, uint32_t recno);

  // The entries of one tag in order, from where a seek placed it; valid() is
  // false past the last. It keeps the path down from the root as page
  // numbers, and finds its leaf again when the block cache let blocks go
  // since it last read it. key() stays valid until the next Next().
  class Cursor {
   public:
    bool valid() const { return valid_; }
    std::string_view key() const;
    uint32_t recno() const;
    void Next();

   private:
    friend class MdxFile;
    static constexpr int kMaxDepth = 64;
    struct Level {
      uint32_t page;
      uint32_t index;  // the entry (leaf) or child (branch) the cursor is at
      uint32_t count;  // keys in the node
    };
    Cursor(const MdxFile& file, const MdxTag& tag);
    const char* Leaf() const;
    // Enters the node at `page` one level down (child `i` of `parent`, or
    // the root when `parent` is null), at its first entry or child.
    const char* Enter(uint32_t page, const char* parent, uint32_t i);
    // Moves to the first entry of the next leaf that has one.
    void NextLeaf();
    template <class AtOrPast>
    void SeekWith(const AtOrPast& at_or_past);

    const MdxFile* file_;
    const MdxTag* tag_;
    Level path_[kMaxDepth + 1];
    int depth_ = -1;  // the leaf's level in path_
    mutable const char* leaf_ = nullptr;
    mutable uint64_t leaf_evictions_ = 0;  // the cache's evictions() when leaf_ was read
    uint64_t budget_ = 0;                  // nodes left to enter: a loop in a damaged tree ends
    bool valid_ = false;
  };
  // At the first entry of `tag` whose key is not below `key` (as CompareKeys
  // orders them).
  Cursor SeekKey(int tag, std::string_view key) const;
  // At the first entry for which `start` holds (it holds from some key on, in
  // the order of the tag); at the first entry when `start` is null.
  using StartFn = std::function<bool(std::string_view key)>;  // true: at or past the start
  Cursor Seek(int tag, const StartFn& start) const;

  // Checks the tree of `tag`: order, branch keys, leaf trailers. Returns an
  // empty string when sound, else the first fault.
  std::string CheckTree(int tag) const;

  void DropCaches() { cache_->Clear(); }
  size_t cached_blocks() const { return cache_->size(); }
  // Holds at most `blocks` blocks in memory from now on (32 MB of them
  // unless told); the cached blocks are dropped.
  void LimitCache(size_t blocks);

 private:
  struct Node;
  // The block at `page`, read through the cache; valid until the next Block
  // or Store (which may let it go).
  const char* Block(uint32_t page) const;
  const char* Load(uint32_t page) const;
  // Block(page) for the block at `page` that is child `i` of `parent`, the
  // block at `parent_page`.
  const char* Child(const char* parent, uint32_t parent_page, uint32_t i, uint32_t page) const;
  void ResetCache();
  void Store(uint32_t page, std::string block);
  uint32_t Allocate(uint32_t blocks = 1);
  void WriteHeaderCounts();
  void WriteTagTable();
  void WriteTagHeader(const MdxTag& t);
  uint32_t BuildTree(const MdxTag& t, const SortedKeys& sorted);
  void ReadTags(const std::vector<FieldDef>& fields);
  [[noreturn]] void Damaged(const std::string& what) const;

  struct InsertResult;
  InsertResult InsertAt(const MdxTag& t, uint32_t page, const std::string& key, uint32_t recno,
                        int depth);
  bool EraseAt(const MdxTag& t, uint32_t page, const std::string& key, uint32_t recno, int depth,
               bool* max_changed, std::string* new_max, bool* now_empty);
  // The rightmost leaf below a page: its block and how many keys it holds.
  struct LastEntry {
    const char* block;
    uint32_t count;
  };
  LastEntry RightmostLeaf(const MdxTag& t, uint32_t page, int depth) const;
  uint32_t MaxRecno(const MdxTag& t, uint32_t page, int depth) const;
  std::string MaxKey(const MdxTag& t, uint32_t page, int depth) const;
  std::string CheckAt(const MdxTag& t, uint32_t page, int depth, std::string* prev_key,
                      uint32_t* prev_recno, bool* have_prev, std::string* max_key,
                      uint64_t* budget) const;

  std::shared_ptr<DataFile> file_;
  std::vector<MdxTag> tags_;
  uint32_t pages_per_block_ = 2;
  uint32_t block_size_ = 1024;
  uint32_t page_count_ = 4;  // header bytes 32-35: the next page to allocate
  std::unique_ptr<BlockCache> cache_;
  size_t cache_blocks_ = 0;  // LimitCache's, or 0 for the default
};

}  // namespace lumi::dbf
