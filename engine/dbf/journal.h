#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace lumi::dbf {

class JournalImpl;

// Makes changes to several tables all-or-nothing.
//
// While a Journal is active, every write of the file layer (tables, memos,
// indexes, files created or deleted) first records the original bytes of the
// sectors it overwrites (512 bytes each, once each, up to the file's original
// length) and each file's original length, in the rollback journal of the
// file's folder ("lumi.jnl", see journal_file.h). The journal is flushed to
// disk before the first byte of any file is overwritten; changes are held in
// memory and written at Commit (or earlier, past a few megabytes, after the
// journal is flushed). Commit writes everything, flushes the files and ends
// the journal (the file stays, for the next transaction); Rollback (or
// destruction without Commit) restores every file. After a crash, the next
// Table::Open in the folder rolls the journal back.
//
// Only one Journal is active per process at a time; Table calls made with none
// active run in a journal of their own. Savepoints let a statement inside a
// longer transaction undo only itself. Not thread-safe.
class Journal {
 public:
  Journal();   // begins; throws EngineError when one is already active
  ~Journal();  // rolls back when still active; never throws
  Journal(const Journal&) = delete;
  Journal& operator=(const Journal&) = delete;

  void Commit();
  void Rollback();
  bool active() const;

  // A mark to roll back to, keeping what came before it. Savepoints nest:
  // RollbackTo undoes every change made since `savepoint` and ends it (and the
  // savepoints opened after it); ReleaseSavepoint keeps the changes and ends it
  // (and those opened after it).
  size_t Savepoint();
  void RollbackTo(size_t savepoint);
  void ReleaseSavepoint(size_t savepoint);

  // The active journal, or nullptr.
  static Journal* Active();
  // Rolls back a journal left in `folder` by a crashed process. Does nothing
  // when there is none or when it belongs to this process's active journal.
  static void Recover(const std::string& folder);

 private:
  std::unique_ptr<JournalImpl> impl_;
  friend class JournalImpl;
};

}  // namespace lumi::dbf
