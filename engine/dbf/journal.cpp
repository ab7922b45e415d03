#include "engine/dbf/journal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cstring>
#include <map>
#include <set>
#include <unordered_map>
#include <vector>

#include "engine/dbf/data_file.h"
#include "engine/dbf/interval_set.h"
#include "engine/dbf/journal_hooks.h"
#include "engine/error.h"

namespace lumi::dbf {

// The journal file: the magic, then records of
//   type (1 byte), payload length (u32), payload, checksum (u32)
// with type 'F' (a file: id u32, existed u8, original length u64, name) and
// 'R' (a before-image: id u32, offset u64, bytes). A record cut short or with
// a wrong checksum ends the journal: nothing past it was ever flushed to disk.
// Journals are written with magic "LUMIJNL2", whose records are summed by
// RecordSum; "LUMIJNL1" journals (left by a crash of an earlier version) sum
// type, length and payload with 32-bit FNV-1a and are still rolled back.
namespace {

constexpr char kMagic[8] = {'L', 'U', 'M', 'I', 'J', 'N', 'L', '2'};
constexpr char kMagicFnv[8] = {'L', 'U', 'M', 'I', 'J', 'N', 'L', '1'};
constexpr const char* kJournalName = "lumi.jnl";
constexpr size_t kBufferLimit = 8u << 20;  // journal bytes held before writing
uint64_t g_spill_limit = 32u << 20;        // pending bytes of one file before a spill
constexpr size_t kImageChunk = 1u << 20;

uint32_t Fnv1a(const char* p, size_t n, uint32_t h = 2166136261u) {
  for (size_t i = 0; i < n; ++i) {
    h ^= static_cast<unsigned char>(p[i]);
    h *= 16777619u;
  }
  return h;
}

// A 64-bit multiply-rotate hash of four independent lanes (the rounds of
// xxHash64, simplified), folded to 32 bits: page images are summed several
// bytes a cycle rather than one.
uint64_t Word(const char* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
  return v;
}

uint32_t FastSum(const char* p, size_t n, uint64_t seed) {
  constexpr uint64_t k1 = 11400714785074694791ull, k2 = 14029467366897019727ull,
                     k3 = 1609587929392839161ull, k4 = 9650029242287828579ull,
                     k5 = 2870177450012600261ull;
  auto round = [&](uint64_t acc, uint64_t w) { return std::rotl(acc + w * k2, 31) * k1; };
  const size_t total = n;
  uint64_t h;
  if (n >= 32) {
    uint64_t v[4] = {seed + k1 + k2, seed + k2, seed, seed - k1};
    for (; n >= 32; p += 32, n -= 32)
      for (int i = 0; i < 4; ++i) v[i] = round(v[i], Word(p + 8 * i));
    h = std::rotl(v[0], 1) + std::rotl(v[1], 7) + std::rotl(v[2], 12) + std::rotl(v[3], 18);
    for (int i = 0; i < 4; ++i) h = (h ^ round(0, v[i])) * k1 + k4;
  } else {
    h = seed + k5;
  }
  h += total;
  for (; n >= 8; p += 8, n -= 8) h = std::rotl(h ^ round(0, Word(p)), 27) * k1 + k4;
  for (; n > 0; ++p, --n) h = std::rotl(h ^ (static_cast<unsigned char>(*p) * k5), 11) * k1;
  h ^= h >> 33;
  h *= k2;
  h ^= h >> 29;
  h *= k3;
  h ^= h >> 32;
  return static_cast<uint32_t>(h ^ (h >> 32));
}

// The checksum of a record: `head` is its type and length (5 bytes).
uint32_t RecordSum(const char* head, const char* payload, size_t n) {
  return FastSum(payload, n, FastSum(head, 5, 0));
}

void PutU32(std::string* s, uint32_t v) {
  for (int i = 0; i < 4; ++i) s->push_back(static_cast<char>(v >> (8 * i)));
}
void PutU64(std::string* s, uint64_t v) {
  for (int i = 0; i < 8; ++i) s->push_back(static_cast<char>(v >> (8 * i)));
}
uint32_t GetU32(const char* p) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(p[i]);
  return v;
}
uint64_t GetU64(const char* p) {
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(p[i]);
  return v;
}

void SyncDir(const std::string& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

void WriteAll(int fd, const std::string& path, const char* p, size_t n, uint64_t off) {
  size_t done = 0;
  while (done < n) {
    ssize_t w = ::pwrite(fd, p + done, n - done, static_cast<off_t>(off + done));
    if (w < 0) {
      if (errno == EINTR) continue;
      ThrowFileError(path, "write error");
    }
    done += static_cast<size_t>(w);
  }
}

// Restores every file a journal names: before-images back in place, lengths
// back, files the transaction created deleted. Returns false when the journal
// holds no valid header (nothing was ever flushed under it).
void ApplyJournal(int jfd, const std::string& folder) {
  struct Target {
    std::string path;
    bool existed = false;
    uint64_t length = 0;
    int fd = -1;
  };
  std::map<uint32_t, Target> targets;
  auto read_at = [&](uint64_t off, char* buf, size_t n) {
    size_t got = 0;
    while (got < n) {
      ssize_t r = ::pread(jfd, buf + got, n - got, static_cast<off_t>(off + got));
      if (r < 0 && errno == EINTR) continue;
      if (r <= 0) break;
      got += static_cast<size_t>(r);
    }
    return got == n;
  };
  char magic[8];
  uint64_t pos = 8;
  bool fnv = false;
  if (read_at(0, magic, 8) &&
      (std::memcmp(magic, kMagic, 8) == 0 || (fnv = std::memcmp(magic, kMagicFnv, 8) == 0))) {
    std::string payload;
    for (;;) {
      char head[5];
      if (!read_at(pos, head, 5)) break;
      uint32_t len = GetU32(head + 1);
      if (len > (64u << 20)) break;
      payload.resize(len + 4);
      if (!read_at(pos + 5, payload.data(), len + 4)) break;
      uint32_t sum =
          fnv ? Fnv1a(payload.data(), len, Fnv1a(head, 5)) : RecordSum(head, payload.data(), len);
      if (sum != GetU32(payload.data() + len)) break;
      pos += 5 + len + 4;
      const char* p = payload.data();
      if (head[0] == 'F' && len >= 13) {
        // Only plain file names of this folder: a journal from elsewhere must
        // not reach other files.
        std::string name(p + 13, len - 13);
        if (name.empty() || name == "." || name == ".." ||
            name.find_first_of(std::string("/\\\0", 3)) != std::string::npos)
          break;
        Target& t = targets[GetU32(p)];
        t.existed = p[4] != 0;
        t.length = GetU64(p + 5);
        t.path = folder + "/" + name;
      } else if (head[0] == 'R' && len >= 12) {
        auto it = targets.find(GetU32(p));
        if (it == targets.end()) continue;
        Target& t = it->second;
        // Before-images lie inside the file's original length.
        uint64_t off = GetU64(p + 4);
        if (!t.existed || off > t.length || len - 12 > t.length - off) continue;
        if (t.fd < 0) t.fd = ::open(t.path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (t.fd < 0) ThrowFileError(t.path, "cannot restore the file");
        WriteAll(t.fd, t.path, p + 12, len - 12, GetU64(p + 4));
      }
    }
  }
  for (auto& [id, t] : targets) {
    if (t.existed) {
      if (t.fd < 0) t.fd = ::open(t.path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
      if (t.fd < 0) ThrowFileError(t.path, "cannot restore the file");
      if (::ftruncate(t.fd, static_cast<off_t>(t.length)) != 0)
        ThrowFileError(t.path, "cannot restore the file");
      ::fdatasync(t.fd);
    } else if (::unlink(t.path.c_str()) != 0 && errno != ENOENT) {
      ThrowFileError(t.path, "cannot delete");
    }
    if (t.fd >= 0) ::close(t.fd);
    t.fd = -1;
  }
  SyncDir(folder);
}

// The journal of one folder.
struct FolderLog {
  std::string folder;
  std::string path;
  int fd = -1;
  uint64_t written = 0;
  std::string buffer;
  bool unsynced = false;
  bool has_magic = false;
  bool dir_synced = false;
  uint32_t next_id = 1;

  void Append(char type, const std::string& payload) {
    size_t start = buffer.size();
    buffer.push_back(type);
    PutU32(&buffer, static_cast<uint32_t>(payload.size()));
    buffer += payload;
    PutU32(&buffer, RecordSum(buffer.data() + start, buffer.data() + start + 5, payload.size()));
    if (buffer.size() > kBufferLimit) Write();
  }

  void Write() {
    std::string first;
    if (fd < 0) {
      // Emptied only once locked, and only when it holds no journal: a journal
      // there is another program's, live or stopped, and the only way back
      // for its tables.
      fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
      if (fd < 0) ThrowFileError(path, "cannot create the journal");
      if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        fd = -1;
        ThrowFileError(path, "the journal is in use");
      }
      char head[sizeof kMagic];
      ssize_t got = ::pread(fd, head, sizeof head, 0);
      if (got == static_cast<ssize_t>(sizeof head) &&
          (std::memcmp(head, kMagic, sizeof head) == 0 ||
           std::memcmp(head, kMagicFnv, sizeof head) == 0)) {
        ::close(fd);
        fd = -1;
        throw EngineError(folder +
                          ": the tables hold unfinished changes of a program that stopped; "
                          "open them again to undo those first");
      }
      if (got != 0 && ::ftruncate(fd, 0) != 0) {
        ::close(fd);
        fd = -1;
        ThrowFileError(path, "cannot create the journal");
      }
      written = 0;
      has_magic = false;
      dir_synced = false;
    }
    // Records never go out without the magic before them.
    if (!has_magic) first.assign(kMagic, sizeof kMagic);
    if (!first.empty() || !buffer.empty()) {
      const std::string& out = first.empty() ? buffer : first.append(buffer);
      WriteAll(fd, path, out.data(), out.size(), written);
      written += out.size();
      has_magic = true;
      buffer.clear();
      unsynced = true;
    }
  }

  // The journal and its name in the folder reach the disk.
  void Sync() {
    Write();
    if (unsynced && ::fdatasync(fd) != 0) ThrowFileError(path, "cannot flush the journal");
    unsynced = false;
    if (!dir_synced) SyncDir(folder);
    dir_synced = true;
  }

  // Deleting the journal ends the transaction. The deletion itself is not
  // synced (as SQLite's synchronous=FULL): after a power cut it may come back
  // and undo that one transaction whole, never half of it.
  void Remove() {
    if (fd >= 0) {
      ::unlink(path.c_str());
      ::close(fd);
      fd = -1;
    }
    buffer.clear();
  }
};

struct Tracked {
  std::shared_ptr<DataFile> file;
  FolderLog* log = nullptr;
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
    if (!log) {
      log = std::make_unique<FolderLog>();
      log->folder = f.folder();
      log->path = f.folder() + "/" + kJournalName;
    }
    auto t = std::make_unique<Tracked>();
    t->file = f.shared_from_this();
    t->log = log.get();
    t->id = log->next_id++;
    t->existed = f.exists();
    t->original_length = f.exists() ? f.size() : 0;
    std::string payload;
    PutU32(&payload, t->id);
    payload.push_back(t->existed ? 1 : 0);
    PutU64(&payload, t->original_length);
    payload += f.name();
    log->Append('F', payload);
    Tracked& ref = *t;
    by_file_[&f] = t.get();
    tracked_.push_back(std::move(t));
    return ref;
  }

  // Saves the original bytes of every page [off, off + n) touches (inside the
  // file's original length) that is not saved yet.
  void SaveOriginal(DataFile& f, uint64_t off, uint64_t n) {
    Tracked& t = Track(f);
    if (!t.existed || n == 0) return;
    const uint64_t page = DataFile::kPageSize;
    uint64_t begin = off & ~(page - 1);
    uint64_t end = std::min((off + n + page - 1) & ~(page - 1), t.original_length);
    if (begin >= end || t.saved.Covers(begin, end)) return;
    for (auto [a, b] : t.saved.Uncovered(begin, end)) {
      for (uint64_t p = a; p < b; p += kImageChunk) {
        size_t len = static_cast<size_t>(std::min<uint64_t>(kImageChunk, b - p));
        std::string payload;
        PutU32(&payload, t.id);
        PutU64(&payload, p);
        size_t head = payload.size();
        payload.resize(head + len);
        // Bytes not saved yet are still the original ones; bytes cut off the
        // end since the start were saved by the cut.
        f.ReadExact(p, payload.data() + head, len);
        t.log->Append('R', payload);
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
    for (auto& [folder, log] : logs_) log->Remove();
    Finish();
  }

  void Rollback() {
    std::vector<std::string> errors;
    for (auto& [folder, log] : logs_) {
      try {
        if (flushed_ && log->fd >= 0) ApplyJournal(log->fd, folder);
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
    if (errors.empty()) {
      for (auto& [folder, log] : logs_) log->Remove();
    } else {
      for (auto& [folder, log] : logs_) {
        if (log->fd >= 0) ::close(log->fd);
        log->fd = -1;
      }
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
  std::map<std::string, std::unique_ptr<FolderLog>> logs_;
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
  std::string path = norm + "/" + kJournalName;
  int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    throw EngineError(norm + ": the tables are being changed by another program");
  }
  try {
    ApplyJournal(fd, norm);
  } catch (...) {
    ::close(fd);
    throw;
  }
  ::unlink(path.c_str());
  ::close(fd);
  SyncDir(norm);
  DataFile::ReloadFolder(norm);
  ReloadOpenTables();
}

}  // namespace lumi::dbf
