#include "engine/dbf/journal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <set>
#include <unordered_map>
#include <vector>

#include "engine/dbf/data_file.h"
#include "engine/dbf/interval_set.h"
#include "engine/dbf/journal_file.h"
#include "engine/dbf/journal_hooks.h"
#include "engine/error.h"

namespace lumi::dbf {

namespace {

uint64_t g_spill_limit = 32u << 20;  // pending bytes of one file before a spill
constexpr size_t kImageChunk = 1u << 20;
constexpr uint64_t kImageUnit = 512;  // before-images are whole sectors

struct Tracked {
  std::shared_ptr<DataFile> file;
  journal_file::Writer* log = nullptr;
  uint32_t id = 0;
  bool existed = false;
  uint64_t original_length = 0;
  IntervalSet saved;
};

struct UndoEntry {
  DataFile* file = nullptr;  // held by the journal's Tracked entry
  bool is_state = false;
  uint64_t off = 0;
  std::string bytes;
  uint64_t size = 0;
  bool exists = false;
  bool outer_needs = true;
};

// What one savepoint level has saved of each file it changed (a handful of
// files: looked up in order).
struct UndoLevel {
  struct Marks {
    DataFile* file;
    bool sized = false;  // its size and existence are saved
    IntervalSet covered;
  };
  size_t start = 0;
  std::vector<Marks> files;

  const Marks* Find(const DataFile* f) const {
    for (const Marks& m : files)
      if (m.file == f) return &m;
    return nullptr;
  }
  Marks& For(DataFile* f) {
    for (Marks& m : files)
      if (m.file == f) return m;
    files.push_back({f, false, {}});
    return files.back();
  }
  bool Sized(const DataFile* f) const {
    const Marks* m = Find(f);
    return m && m->sized;
  }
  bool Covers(const DataFile* f, uint64_t a, uint64_t b) const {
    const Marks* m = Find(f);
    return m && m->covered.Covers(a, b);
  }
};

}  // namespace

class JournalImpl {
 public:
  static JournalImpl* active;

  Tracked& Track(DataFile& f) {
    auto it = by_file_.find(&f);
    if (it != by_file_.end()) return *it->second;
    auto& log = logs_[f.folder()];
    if (!log) log = std::make_unique<journal_file::Writer>(f.folder());
    auto t = std::make_unique<Tracked>();
    t->file = f.shared_from_this();
    t->log = log.get();
    t->existed = f.exists();
    t->original_length = f.exists() ? f.size() : 0;
    t->id = log->AddFile(t->existed, t->original_length, f.name());
    Tracked& ref = *t;
    by_file_[&f] = t.get();
    tracked_.push_back(std::move(t));
    return ref;
  }

  // Saves the original bytes of every sector [off, off + n) touches (inside
  // the file's original length) that is not saved yet. The files are written
  // back by whole pages, but the bytes of a page outside the changed sectors
  // go back as they were: a write cut short by a power failure leaves them
  // right either way, so only the changed sectors need their images.
  void SaveOriginal(DataFile& f, uint64_t off, uint64_t n) {
    Tracked& t = Track(f);
    if (!t.existed || n == 0) return;
    uint64_t begin = off & ~(kImageUnit - 1);
    uint64_t end = std::min((off + n + kImageUnit - 1) & ~(kImageUnit - 1), t.original_length);
    if (begin >= end || t.saved.Covers(begin, end)) return;
    std::string image;
    for (auto [a, b] : t.saved.Uncovered(begin, end)) {
      for (uint64_t p = a; p < b; p += kImageChunk) {
        image.resize(static_cast<size_t>(std::min<uint64_t>(kImageChunk, b - p)));
        // Bytes not saved yet are still the original ones; bytes cut off the
        // end since the start were saved by the cut.
        f.ReadExact(p, image.data(), image.size());
        t.log->AddImage(t.id, p, image);
      }
      t.saved.Add(a, b);
    }
  }

  void SaveUndo(DataFile& f, uint64_t off, uint64_t n) {
    if (levels_.empty()) return;
    UndoLevel& inner = levels_.back();
    const UndoLevel* outer = levels_.size() >= 2 ? &levels_[levels_.size() - 2] : nullptr;
    UndoLevel::Marks& marks = inner.For(&f);
    if (!marks.sized) {
      UndoEntry e;
      e.file = &f;
      e.is_state = true;
      e.size = f.size();
      e.exists = f.exists();
      e.outer_needs = outer && !outer->Sized(&f);
      undo_.push_back(std::move(e));
      for (auto& l : levels_) l.For(&f).sized = true;
    }
    uint64_t end = std::min(off + n, f.exists() ? f.size() : 0);
    if (off >= end || marks.covered.Covers(off, end)) return;
    for (auto [a, b] : marks.covered.Uncovered(off, end)) {
      UndoEntry e;
      e.file = &f;
      e.off = a;
      e.bytes.resize(static_cast<size_t>(b - a));
      f.ReadExact(a, e.bytes.data(), e.bytes.size());
      e.outer_needs = outer && !outer->Covers(&f, a, b);
      undo_.push_back(std::move(e));
      for (auto& l : levels_) l.For(&f).covered.Add(a, b);
    }
  }

  void Spill() {
    for (auto& [folder, log] : logs_) log->Sync();
    for (auto& t : tracked_) t->file->Flush();
    flushed_ = true;
  }

  void Commit() {
    try {
      for (auto& [folder, log] : logs_) log->Sync();
      for (auto& t : tracked_) t->file->Flush();
      flushed_ = true;
      std::vector<DataFile*> files;
      std::set<std::string> changed_folders;
      for (auto& t : tracked_) {
        files.push_back(t->file.get());
        // A file made or deleted changes its folder, which must reach the disk too.
        if (!t->existed || !t->file->exists()) changed_folders.insert(t->file->folder());
      }
      DataFile::SyncAll(files, {changed_folders.begin(), changed_folders.end()});
    } catch (...) {
      Rollback();
      throw;
    }
    for (auto& [folder, log] : logs_) log->End();
    Finish();
  }

  void Rollback() {
    std::vector<std::string> errors;
    for (auto& [folder, log] : logs_) {
      try {
        if (flushed_ && log->fd() >= 0) journal_file::Apply(log->fd(), folder);
      } catch (const std::exception& e) {
        errors.push_back(e.what());
      }
    }
    for (auto& t : tracked_) {
      try {
        t->file->Reload();
      } catch (const std::exception& e) {
        errors.push_back(e.what());
      }
    }
    // A journal that could not be applied stays for the next open to retry.
    for (auto& [folder, log] : logs_) {
      if (errors.empty())
        log->End();
      else
        log->Abandon();
    }
    Finish();
    ReloadOpenTables();
    if (!errors.empty()) throw EngineError("rollback failed: " + errors.front());
  }

  size_t Savepoint() {
    UndoLevel l;
    l.start = undo_.size();
    if (!spare_marks_.empty()) {
      l.files = std::move(spare_marks_.back());
      spare_marks_.pop_back();
    }
    levels_.push_back(std::move(l));
    return levels_.size() - 1;
  }

  void Release(size_t sp) {
    while (levels_.size() > sp) {
      size_t k = levels_.size() - 1;
      if (k == 0) {
        undo_.clear();
      } else {
        size_t w = levels_[k].start;
        for (size_t r = levels_[k].start; r < undo_.size(); ++r) {
          if (!undo_[r].outer_needs) continue;
          undo_[r].outer_needs = true;  // unknown for the level further out: keep
          if (w != r) undo_[w] = std::move(undo_[r]);
          ++w;
        }
        undo_.resize(w);
      }
      // Every changing call takes a savepoint: the emptied list serves the next.
      levels_.back().files.clear();
      spare_marks_.push_back(std::move(levels_.back().files));
      levels_.pop_back();
    }
  }

  void RollbackTo(size_t sp) {
    size_t start = levels_[sp].start;
    for (size_t i = undo_.size(); i-- > start;) {
      UndoEntry& e = undo_[i];
      if (e.is_state)
        e.file->RawSetState(e.size, e.exists);
      else
        e.file->RawWrite(e.off, e.bytes);
    }
    undo_.resize(start);
    levels_.resize(sp);
    if (levels_.empty()) undo_.clear();
    ReloadOpenTables();
  }

  bool Holds(const std::string& folder) const { return logs_.count(folder) != 0; }

 private:
  void Finish() {
    tracked_.clear();
    by_file_.clear();
    logs_.clear();
    undo_.clear();
    levels_.clear();
    if (active == this) active = nullptr;
    done_ = true;
  }

  std::vector<std::unique_ptr<Tracked>> tracked_;
  std::unordered_map<DataFile*, Tracked*> by_file_;
  std::map<std::string, std::unique_ptr<journal_file::Writer>> logs_;
  std::vector<UndoLevel> levels_;
  std::vector<std::vector<UndoLevel::Marks>> spare_marks_;
  std::vector<UndoEntry> undo_;
  bool flushed_ = false;
  bool done_ = false;
  friend class Journal;
};

JournalImpl* JournalImpl::active = nullptr;

namespace {
Journal* g_active_journal = nullptr;

JournalImpl& ActiveImpl() {
  if (!JournalImpl::active)
    throw EngineError("internal error: a file was changed outside a journal");
  return *JournalImpl::active;
}
}  // namespace

namespace journal_hooks {

void RequireActive() { ActiveImpl(); }

void BeforeWrite(DataFile& f, uint64_t off, uint64_t n) {
  JournalImpl& j = ActiveImpl();
  j.SaveOriginal(f, off, n);
  j.SaveUndo(f, off, n);
}

void BeforeTruncate(DataFile& f, uint64_t new_size) {
  uint64_t size = f.exists() ? f.size() : 0;
  BeforeWrite(f, new_size, size > new_size ? size - new_size : 0);
}

void BeforeCreate(DataFile& f) { BeforeWrite(f, 0, 0); }

void MaybeSpill(uint64_t pending_bytes) {
  if (pending_bytes > g_spill_limit) ActiveImpl().Spill();
}

void SetSpillLimit(uint64_t bytes) { g_spill_limit = bytes; }

}  // namespace journal_hooks

Journal::Journal() {
  if (JournalImpl::active) throw EngineError("a transaction is already in progress");
  impl_ = std::make_unique<JournalImpl>();
  JournalImpl::active = impl_.get();
  g_active_journal = this;
}

Journal::~Journal() {
  if (active()) {
    try {
      impl_->Rollback();
    } catch (...) {
    }
  }
  if (g_active_journal == this) g_active_journal = nullptr;
}

bool Journal::active() const { return impl_ && !impl_->done_; }

void Journal::Commit() {
  if (!active()) throw EngineError("no transaction is in progress");
  g_active_journal = nullptr;
  impl_->Commit();
}

void Journal::Rollback() {
  if (!active()) throw EngineError("no transaction is in progress");
  g_active_journal = nullptr;
  impl_->Rollback();
}

size_t Journal::Savepoint() {
  if (!active()) throw EngineError("no transaction is in progress");
  return impl_->Savepoint();
}

void Journal::RollbackTo(size_t savepoint) {
  if (!active() || savepoint >= impl_->levels_.size()) throw EngineError("no such savepoint");
  impl_->RollbackTo(savepoint);
}

void Journal::ReleaseSavepoint(size_t savepoint) {
  if (!active() || savepoint >= impl_->levels_.size()) throw EngineError("no such savepoint");
  impl_->Release(savepoint);
}

Journal* Journal::Active() { return g_active_journal; }

void Journal::Recover(const std::string& folder) {
  std::string norm = DataFile::NormalFolder(folder);
  if (JournalImpl::active && JournalImpl::active->Holds(norm)) return;
  std::string path = norm + "/" + journal_file::kName;
  int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return;
  // The journal stays between transactions; it is locked only when it holds
  // one, so that opening a table never stands in the way of another
  // program's commit.
  if (!journal_file::HoldsLive(fd)) {
    ::close(fd);
    return;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    throw EngineError(norm + ": the tables are being changed by another program");
  }
  journal_file::Found found;
  try {
    found = journal_file::Apply(fd, norm);
  } catch (...) {
    ::close(fd);
    throw;
  }
  ::close(fd);
  if (found == journal_file::Found::kNothing) return;
  DataFile::ReloadFolder(norm);
  ReloadOpenTables();
}

}  // namespace lumi::dbf
