#include "engine/dbf/data_file.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <unordered_map>
#include <vector>

#include "engine/dbf/journal_hooks.h"
#include "engine/error.h"

namespace lumi::dbf {

namespace {

constexpr size_t kPendingPiece = 1u << 20;  // bytes of one pending range before a new one

std::unordered_map<std::string, std::weak_ptr<DataFile>>& Registry() {
  static std::unordered_map<std::string, std::weak_ptr<DataFile>> files;
  return files;
}

std::string RegistryKey(const std::string& path) {
  std::error_code ec;
  auto p = std::filesystem::absolute(path, ec).lexically_normal();
  return ec ? path : p.string();
}

}  // namespace

void ThrowFileError(const std::string& path, const std::string& what) {
  int e = errno;
  std::string msg = path + ": " + what;
  if (e) msg += ": " + std::string(std::strerror(e));
  throw EngineError(msg);
}

void DataFile::ReloadFolder(const std::string& folder) {
  std::string norm = NormalFolder(folder);
  for (auto& [key, weak] : Registry()) {
    if (auto f = weak.lock(); f && f->folder_ == norm) f->Reload();
  }
}

std::string DataFile::NormalFolder(const std::string& folder) {
  std::string s = RegistryKey(folder);
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return s;
}

DataFile::DataFile(std::string path, bool exists, bool read_only)
    : path_(std::move(path)), exists_(exists), read_only_(read_only) {
  std::filesystem::path p(RegistryKey(path_));
  folder_ = p.parent_path().string();
  name_ = p.filename().string();
}

DataFile::~DataFile() {
  CloseFd();
  auto& reg = Registry();
  auto it = reg.find(RegistryKey(path_));
  if (it != reg.end() && it->second.expired()) reg.erase(it);
}

std::shared_ptr<DataFile> DataFile::Find(const std::string& path) {
  auto& reg = Registry();
  auto it = reg.find(RegistryKey(path));
  if (it == reg.end()) return nullptr;
  return it->second.lock();
}

std::shared_ptr<DataFile> DataFile::Open(const std::string& path, bool read_only) {
  if (auto f = Find(path)) {
    if (!f->exists()) throw EngineError(path + ": the file does not exist");
    if (f->read_only_ && !read_only) {
      errno = 0;
      ThrowFileError(path, "the file is open for reading only");
    }
    return f;
  }
  std::shared_ptr<DataFile> f(new DataFile(path, true, read_only));
  f->OpenFd();
  struct stat st;
  if (fstat(f->fd_, &st) != 0) ThrowFileError(path, "cannot read the file's size");
  if (!S_ISREG(st.st_mode)) {
    errno = 0;
    ThrowFileError(path, "not a regular file");
  }
  f->on_disk_ = true;
  f->disk_size_ = f->size_ = static_cast<uint64_t>(st.st_size);
  Registry()[RegistryKey(path)] = f;
  return f;
}

std::shared_ptr<DataFile> DataFile::Create(const std::string& path) {
  if (auto f = Find(path)) {
    if (f->exists()) throw EngineError(path + ": the file already exists");
    f->Revive();
    return f;
  }
  std::shared_ptr<DataFile> f(new DataFile(path, false, false));
  journal_hooks::BeforeCreate(*f);
  f->exists_ = true;
  f->trunc_low_ = 0;
  Registry()[RegistryKey(path)] = f;
  return f;
}

void DataFile::OpenFd() {
  if (fd_ >= 0) return;
  fd_ = ::open(path_.c_str(), (read_only_ ? O_RDONLY : O_RDWR) | O_CLOEXEC);
  if (fd_ < 0 && !read_only_ && (errno == EACCES || errno == EROFS)) {
    fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ >= 0) read_only_ = true;
  }
  if (fd_ < 0) ThrowFileError(path_, "cannot open the file");
}

void DataFile::CloseFd() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

size_t DataFile::Read(uint64_t off, void* buf, size_t n) const {
  if (!exists() || off >= size_) return 0;
  if (n > size_ - off) n = static_cast<size_t>(size_ - off);
  char* out = static_cast<char*>(buf);
  const uint64_t end = off + n;
  // Pending ranges where there are some, the disk image between them.
  auto it = pending_.upper_bound(off);
  if (it != pending_.begin() && std::prev(it)->first + std::prev(it)->second.size() > off) --it;
  uint64_t at = off;
  while (at < end) {
    if (it == pending_.end() || it->first >= end) {
      ReadImage(at, out + (at - off), static_cast<size_t>(end - at));
      break;
    }
    if (it->first > at) {
      ReadImage(at, out + (at - off), static_cast<size_t>(it->first - at));
      at = it->first;
    }
    uint64_t r_end = std::min<uint64_t>(it->first + it->second.size(), end);
    if (r_end > at) {
      std::memcpy(out + (at - off), it->second.data() + (at - it->first), r_end - at);
      at = r_end;
    }
    ++it;
  }
  return n;
}

void DataFile::ReadImage(uint64_t off, char* out, size_t n) const {
  // The disk image: bytes below both the disk size and the truncation point.
  uint64_t disk_end = std::min(disk_size_, trunc_low_);
  size_t from_disk = 0;
  if (on_disk_ && off < disk_end) {
    size_t want = static_cast<size_t>(std::min<uint64_t>(n, disk_end - off));
    while (from_disk < want) {
      ssize_t r =
          ::pread(fd_, out + from_disk, want - from_disk, static_cast<off_t>(off + from_disk));
      if (r < 0) {
        if (errno == EINTR) continue;
        ThrowFileError(path_, "read error");
      }
      if (r == 0) break;
      from_disk += static_cast<size_t>(r);
    }
  }
  if (from_disk < n) std::memset(out + from_disk, 0, n - from_disk);
}

void DataFile::ReadExact(uint64_t off, void* buf, size_t n) const {
  if (Read(off, buf, n) != n) throw EngineError(path_ + ": unexpected end of file");
}

void DataFile::Overlay(uint64_t off, const char* data, size_t n) {
  if (n == 0) return;
  uint64_t end = off + n;
  // The first range that overlaps or touches [off, end].
  auto it = pending_.upper_bound(off);
  if (it != pending_.begin()) {
    auto p = std::prev(it);
    if (p->first + p->second.size() >= off) it = p;
  }
  // A long run of writes one after another is held in pieces: growing a
  // single range would copy it again at every doubling of its size.
  if (it != pending_.end() && it->first <= off && off == it->first + it->second.size() &&
      it->second.size() >= kPendingPiece)
    ++it;
  if (it != pending_.end() && it->first <= off) {
    // Extend or overwrite inside the range that starts at or before off.
    std::string& s = it->second;
    uint64_t start = it->first;
    pending_bytes_ -= s.size();
    if (end - start > s.size()) s.resize(end - start);
    std::memcpy(&s[off - start], data, n);
    // Absorb following ranges that now overlap or touch.
    auto next = std::next(it);
    while (next != pending_.end() && next->first <= start + s.size()) {
      uint64_t next_end = next->first + next->second.size();
      if (next_end > start + s.size()) {
        size_t keep_from = static_cast<size_t>(start + s.size() - next->first);
        s.append(next->second, keep_from, std::string::npos);
      }
      pending_bytes_ -= next->second.size();
      next = pending_.erase(next);
    }
    pending_bytes_ += s.size();
    return;
  }
  // A new range starting at off, absorbing what it touches.
  std::string s(data, n);
  while (it != pending_.end() && it->first <= end) {
    uint64_t r_end = it->first + it->second.size();
    if (r_end > end) s.append(it->second, static_cast<size_t>(end - it->first), std::string::npos);
    pending_bytes_ -= it->second.size();
    it = pending_.erase(it);
  }
  pending_bytes_ += s.size();
  pending_.emplace(off, std::move(s));
}

void DataFile::Write(uint64_t off, const void* data, size_t n) {
  if (read_only_) {
    errno = 0;
    ThrowFileError(path_, "the file is read-only");
  }
  if (!exists()) throw EngineError(path_ + ": the file does not exist");
  journal_hooks::RequireActive();
  // The rest of the pages the write lands in comes along, so that writes near
  // each other merge into one range and the journal reads from memory.
  uint64_t end = off + n;
  uint64_t first = off & ~(kPageSize - 1), last = (end - 1) & ~(kPageSize - 1);
  const bool had_pending = !pending_.empty();
  if (n > 0) {
    Cache(first, std::min(first + kPageSize, size_));
    if (last != first) Cache(last, std::min(last + kPageSize, size_));
  }
  try {
    journal_hooks::BeforeWrite(*this, off, n);
  } catch (...) {
    // Nothing changed; a file no journal holds keeps no pending bytes, which
    // would hide later changes made on disk by others.
    if (!had_pending) {
      pending_.clear();
      pending_bytes_ = 0;
    }
    throw;
  }
  Overlay(off, static_cast<const char*>(data), n);
  if (end > size_) size_ = end;
  journal_hooks::MaybeSpill(pending_bytes_);
}

void DataFile::Cache(uint64_t begin, uint64_t end) {
  if (begin >= end) return;
  auto it = pending_.upper_bound(begin);
  if (it != pending_.begin()) {
    auto p = std::prev(it);
    if (p->first + p->second.size() >= end) return;
  }
  char buf[kPageSize];
  size_t n = Read(begin, buf, static_cast<size_t>(end - begin));
  Overlay(begin, buf, n);
}

void DataFile::RawWrite(uint64_t off, const std::string& bytes) {
  Overlay(off, bytes.data(), bytes.size());
  if (off + bytes.size() > size_) size_ = off + bytes.size();
}

void DataFile::Truncate(uint64_t size) {
  if (size >= size_) {
    if (size > size_) {
      std::string zeros(static_cast<size_t>(size - size_), '\0');
      Write(size_, zeros.data(), zeros.size());
    }
    return;
  }
  if (read_only_) {
    errno = 0;
    ThrowFileError(path_, "the file is read-only");
  }
  journal_hooks::BeforeTruncate(*this, size);
  RawSetState(size, true);
}

void DataFile::RawSetState(uint64_t size, bool exists) {
  if (!exists) {
    removed_ = true;
    size = 0;
  } else {
    removed_ = false;
    exists_ = true;
  }
  if (size < size_) {
    trunc_low_ = std::min(trunc_low_, size);
    auto it = pending_.lower_bound(size);
    if (it != pending_.begin()) {
      auto p = std::prev(it);
      if (p->first + p->second.size() > size) {
        pending_bytes_ -= p->second.size();
        p->second.resize(static_cast<size_t>(size - p->first));
        pending_bytes_ += p->second.size();
      }
    }
    while (it != pending_.end()) {
      pending_bytes_ -= it->second.size();
      it = pending_.erase(it);
    }
  } else if (size > size_) {
    // Growing back: the bytes past the old end read as zeros until rewritten.
    trunc_low_ = std::min(trunc_low_, size_);
  }
  size_ = size;
}

void DataFile::Remove() {
  if (!exists()) return;
  Truncate(0);
  removed_ = true;
}

void DataFile::Revive() {
  if (exists()) return;
  journal_hooks::BeforeTruncate(*this, 0);
  RawSetState(0, true);
}

void DataFile::Flush() {
  if (removed_) {
    pending_.clear();
    pending_bytes_ = 0;
    if (on_disk_) {
      CloseFd();
      if (::unlink(path_.c_str()) != 0 && errno != ENOENT) ThrowFileError(path_, "cannot delete");
      on_disk_ = false;
    }
    exists_ = false;
    disk_size_ = size_ = 0;
    trunc_low_ = UINT64_MAX;
    unsynced_ = false;
    return;
  }
  if (!exists_) return;
  if (!on_disk_) {
    fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0) ThrowFileError(path_, "cannot create the file");
    on_disk_ = true;
    disk_size_ = 0;
    unsynced_ = true;
  }
  if (trunc_low_ < disk_size_) {
    if (::ftruncate(fd_, static_cast<off_t>(trunc_low_)) != 0)
      ThrowFileError(path_, "cannot write");
    disk_size_ = trunc_low_;
    unsynced_ = true;
  }
  // Ranges that follow each other go out in one call.
  std::vector<iovec> run;
  uint64_t run_off = 0, run_end = 0;
  auto write_run = [&] {
    size_t first = 0;
    uint64_t at = run_off;
    while (first < run.size()) {
      size_t count = std::min<size_t>(run.size() - first, IOV_MAX);
      ssize_t w = ::pwritev(fd_, &run[first], static_cast<int>(count), static_cast<off_t>(at));
      if (w < 0) {
        if (errno == EINTR) continue;
        ThrowFileError(path_, "write error");
      }
      at += static_cast<uint64_t>(w);
      // Steps past what was written, part of an entry included.
      for (size_t done = static_cast<size_t>(w); done > 0 && first < run.size();) {
        size_t take = std::min(done, run[first].iov_len);
        run[first].iov_base = static_cast<char*>(run[first].iov_base) + take;
        run[first].iov_len -= take;
        done -= take;
        if (run[first].iov_len == 0) ++first;
      }
    }
    run.clear();
    disk_size_ = std::max(disk_size_, run_end);
  };
  for (auto& [off, bytes] : pending_) {
    if (bytes.empty()) continue;
    if (!run.empty() && off != run_end) write_run();
    if (run.empty()) run_off = off;
    run.push_back({bytes.data(), bytes.size()});
    run_end = off + bytes.size();
  }
  if (!run.empty()) write_run();
  if (!pending_.empty()) unsynced_ = true;
  if (disk_size_ != size_) {
    if (::ftruncate(fd_, static_cast<off_t>(size_)) != 0) ThrowFileError(path_, "cannot write");
    disk_size_ = size_;
    unsynced_ = true;
  }
  pending_.clear();
  pending_bytes_ = 0;
  trunc_low_ = UINT64_MAX;
}

void DataFile::Sync() {
  if (!unsynced_) return;
  if (on_disk_ && fd_ >= 0 && !read_only_ && ::fdatasync(fd_) != 0)
    ThrowFileError(path_, "cannot flush to disk");
  unsynced_ = false;
}

void DataFile::SyncAll(const std::vector<DataFile*>& files,
                       const std::vector<std::string>& folders) {
  // (syncfs would take one call for all, but it waits for every dirty byte of
  // the file system, other programs' too: a commit stalled by a file copy.)
  std::vector<DataFile*> changed;
  for (DataFile* f : files)
    if (f->unsynced_) changed.push_back(f);
  if (changed.size() > 1)
    for (DataFile* f : changed)
      if (f->fd_ >= 0) ::sync_file_range(f->fd_, 0, 0, SYNC_FILE_RANGE_WRITE);
  for (DataFile* f : changed) f->Sync();
  for (const std::string& folder : folders) SyncFolder(folder);
}

void DataFile::SyncFolder(const std::string& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

bool DataFile::ReplacedOnDisk() const {
  if (!on_disk_ || fd_ < 0 || removed_ || !pending_.empty() || trunc_low_ != UINT64_MAX)
    return false;
  struct stat now, open;
  if (::stat(path_.c_str(), &now) != 0) return true;
  if (::fstat(fd_, &open) != 0) return true;
  return now.st_ino != open.st_ino || now.st_dev != open.st_dev;
}

void DataFile::Reopen() {
  CloseFd();
  Reload();
  ++generation_;
}

void DataFile::Reload() {
  unsynced_ = false;
  pending_.clear();
  pending_bytes_ = 0;
  trunc_low_ = UINT64_MAX;
  removed_ = false;
  struct stat st;
  if (::stat(path_.c_str(), &st) != 0) {
    CloseFd();
    on_disk_ = exists_ = false;
    disk_size_ = size_ = 0;
    return;
  }
  if (fd_ < 0) OpenFd();
  on_disk_ = exists_ = true;
  disk_size_ = size_ = static_cast<uint64_t>(st.st_size);
}

}  // namespace lumi::dbf
