#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/dbf/field.h"
#include "engine/dbf/value.h"

namespace lumi::dbf {

class TableState;

enum class OpenMode { kShared, kExclusive };

// One tag of the production index (.mdx).
struct TagInfo {
  std::string name;        // upper case, as stored
  std::string expression;  // the key expression: a field name for our tags
  char key_type = 'C';     // C, N or D
};

// One record: its deletion mark and one value per field, in field order.
struct Record {
  bool deleted = false;
  std::vector<Value> values;
};

// A bound for range lookups.
struct KeyBound {
  Value key;
  bool inclusive = true;
};

class Scanner;

// A dBase table (.dbf) with its memo file (.dbt) and production index (.mdx).
//
// Contract:
// - Record numbers are 1-based and include records marked deleted, as in dBase.
// - Paths are found regardless of case ("MAGAZIE.DBF" opens "Magazie.dbf"); the
//   companions are found the same way.
// - Every error is a lumi::EngineError whose text names the file (and the field
//   and value, for a value that does not fit). A change that throws has written
//   nothing: each changing call runs inside the active Journal (journal.h), or,
//   when none is active, inside one of its own that commits before the call
//   returns.
// - Every tag lists exactly the table's records in key order after every
//   change (records marked deleted stay indexed until Pack).
// - Table is a cheap handle: opening a file that is already open in this process
//   gives a handle on the same state, so every handle sees every change at once.
//   Not thread-safe.
// - Opening a table whose folder holds a journal left by a crash rolls that
//   journal back first.
class Table {
 public:
  // Opens an existing table. kExclusive fails when any other handle (in this or
  // another process) has the table open; kShared fails when it is held
  // exclusively. Refuses FoxPro and encrypted tables and damaged files.
  static Table Open(const std::string& path, OpenMode mode = OpenMode::kShared);
  // Creates a new dBase IV table (0x03, or 0x8B with a memo field; language
  // driver 0x57, Windows-1250 text) and opens it shared.
  // Fails when the file exists (in any case) or a definition is invalid.
  static Table Create(const std::string& path, const std::vector<FieldDef>& fields);
  // The existing file whose name matches `path` regardless of case, or nullopt.
  static std::optional<std::string> Resolve(const std::string& path);

  Table();  // a closed handle
  Table(const Table&);
  Table& operator=(const Table&);
  Table(Table&&) noexcept;
  Table& operator=(Table&&) noexcept;
  ~Table();
  // Releases this handle; the files close when the last handle goes.
  void Close();
  bool is_open() const { return state_ != nullptr; }

  const std::string& path() const;  // the .dbf as found on disk
  const std::vector<FieldDef>& fields() const;
  // Index of the field named `name` (ignoring case), or -1.
  int FieldIndex(std::string_view name) const;
  uint32_t RecordCount() const;  // including records marked deleted
  int level() const;             // 3 (III+/IV/5) or 7
  uint8_t language_driver() const;
  bool has_memo() const;

  // Reading. `recno` in 1..RecordCount(), else EngineError.
  Record Read(uint32_t recno) const;
  Value Get(uint32_t recno, int field) const;
  bool IsDeleted(uint32_t recno) const;
  // Streams every record in file order with large buffered reads.
  Scanner Scan() const;

  // Changing. Values are given per field index; a missing field is NULL (on
  // Append) or unchanged (on Update). A value of the wrong kind or that does
  // not fit its field throws, and nothing is written.
  uint32_t Append(const std::vector<Value>& values);  // returns the new recno
  // Appends the records in order, as Append does for each, all or none: the
  // records go out in one write and the header once.
  void AppendMany(const std::vector<std::vector<Value>>& rows);
  void Update(uint32_t recno, const std::vector<std::pair<int, Value>>& changes);
  void MarkDeleted(uint32_t recno);
  void Recall(uint32_t recno);  // clears the deletion mark
  // Removes the records marked deleted for good, compacts the memo file and
  // rebuilds every tag. Needs exclusive use (this handle the only one).
  void Pack();
  // Adds a field at the end (ALTER TABLE ... ADD): the table is rewritten and
  // every existing record gets NULL there. Needs exclusive use.
  void AddField(const FieldDef& field);

  // The production index.
  std::vector<TagInfo> Tags() const;
  // Creates tag `tag` (at most 10 characters) keyed on field `field` (C, N, F or
  // D). Fails when the tag exists or the field cannot be indexed.
  void CreateTag(const std::string& tag, const std::string& field);
  // Deletes the .mdx and clears header byte 28. No error when there is none.
  void DropIndex();
  // Lookups through tag `tag`, yielding record numbers in key order (equal keys
  // by record number). Text keys compare the bytes in the table's code page,
  // ignoring trailing blanks. A NULL key matches blank fields.
  // With a `limit`, a lookup that finds more than `limit` entries stops there
  // and returns limit + 1 of them (not checked further): "too many".
  std::vector<uint32_t> FindEqual(std::string_view tag, const Value& key,
                                  size_t limit = SIZE_MAX) const;
  std::vector<uint32_t> FindRange(std::string_view tag, const std::optional<KeyBound>& low,
                                  const std::optional<KeyBound>& high,
                                  size_t limit = SIZE_MAX) const;
  std::vector<uint32_t> FindPrefix(std::string_view tag, std::string_view utf8_prefix) const;
  // Checks every tag against the table: nullopt when all are exact, else a
  // description of the first difference. Never throws for a damaged index.
  std::optional<std::string> VerifyIndex() const;
  // Rebuilds every tag from the table (mends a damaged index).
  void RebuildIndex();

 private:
  explicit Table(std::shared_ptr<TableState> s);
  friend class Scanner;
  std::shared_ptr<TableState> state_;
};

// Forward iteration over every record, reading the file in large chunks.
// Deleted records are visited too (check deleted()).
class Scanner {
 public:
  bool Next();  // moves to the next record; false past the last
  // Moves to record `recno` (1..RecordCount(), else EngineError). When the
  // record is not in the buffer, the records from it through `through` (a
  // later record the caller will want next; at most about 64 KB of them) are
  // read at once.
  void Seek(uint32_t recno, uint32_t through = 0);
  uint32_t recno() const { return recno_; }
  bool deleted() const;
  Value Get(int field) const;
  Record Read() const;

 private:
  friend class Table;
  explicit Scanner(std::shared_ptr<TableState> s);
  // Makes recno_ the current record; when it is not in the buffer, reads
  // `load` records from it (at least one, never past the last).
  void Position(size_t load);
  std::shared_ptr<TableState> state_;
  uint32_t recno_ = 0;
  uint32_t count_ = 0;
  uint64_t buffer_first_ = 0;  // recno of buffer_[0]
  std::vector<char> buffer_;
  size_t buffer_records_ = 0;
  const char* current_ = nullptr;
};

}  // namespace lumi::dbf
