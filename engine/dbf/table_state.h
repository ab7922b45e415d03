#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/dbf/codepage.h"
#include "engine/dbf/data_file.h"
#include "engine/dbf/dbf_header.h"
#include "engine/dbf/journal.h"
#include "engine/dbf/mdx_file.h"
#include "engine/dbf/memo_file.h"
#include "engine/dbf/table.h"
#include "engine/dbf/value.h"

namespace lumi::dbf {

// What every handle on one open table shares.
class TableState {
 public:
  ~TableState();

  std::string path;  // the .dbf as found on disk
  OpenMode mode = OpenMode::kShared;
  std::shared_ptr<DataFile> dbf;
  std::shared_ptr<DataFile> dbt;
  std::shared_ptr<DataFile> mdx_file;
  DbfHeader header;
  const CodePage* cp = nullptr;
  std::unique_ptr<MemoFile> memo;
  std::unique_ptr<MdxFile> mdx;
  std::string index_problem;  // why the production index cannot be used, if it cannot
  std::string gone;           // why the table can no longer be used, if it cannot
  bool locked = false;
  uint64_t loaded_generation = 0;  // Generation() when last loaded

  // Changes when a file of the table was opened anew.
  uint64_t Generation() const {
    uint64_t g = 0;
    for (auto* f : {&dbf, &dbt, &mdx_file})
      if (*f) g += (*f)->generation() + 1;
    return g;
  }

  // Reads the header and finds the companions. Throws EngineError.
  void Load();
  // After a rollback: rereads everything; a failure makes the table unusable.
  void Reload();

  void CheckUsable() const;
  // Before a change: the table can be written and its tags kept.
  void CheckWritable() const;
  // Before Pack/AddField: no other handle in this process, none elsewhere.
  void CheckExclusive(long handles);

  std::string CompanionPath(const char* ext) const;  // "dbt" or "mdx", in the table's case
  void CheckRecno(uint32_t recno) const;
  std::string ReadRecordBytes(uint32_t recno) const;
  Value DecodeAt(const char* record, int field, uint32_t recno) const {
    return DecodeBytes(record + header.fields[static_cast<size_t>(field)].offset, field, recno);
  }
  // `bytes` are the field's own (width of them).
  Value DecodeBytes(const char* bytes, int field, uint32_t recno) const;
  void WriteCountAndDate();
  void WriteDate();
  void SetFieldFlag(size_t field, bool on);
  void SetProductionFlag(bool on);
};

// Runs one changing call atomically: inside the active journal under a
// savepoint, or in a journal of its own.
class AtomicChange {
 public:
  AtomicChange();
  ~AtomicChange();
  void Commit();

 private:
  std::optional<Journal> own_;
  Journal* outer_ = nullptr;
  size_t savepoint_ = 0;
  bool done_ = false;
};

// The keys of every record for a tag on `field`, sorted (one scan).
SortedKeys SortKeys(const TableState& s, const FieldDef& field);
// The same for tag `tag` of the state's index.
SortedKeys CollectKeys(const TableState& s, int tag);

}  // namespace lumi::dbf
