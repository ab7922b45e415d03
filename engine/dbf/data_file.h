#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace lumi::dbf {

// One file of a table (.dbf, .dbt or .mdx) as the file layer sees it.
//
// Changes are held in memory and reach the disk only when the active journal
// flushes them (at commit, or when more than a few megabytes are pending),
// after it has saved the bytes they overwrite. Reads see the pending changes.
// A write brings the rest of the pages it lands in along (read once), so that
// writes near each other are held, journaled and written as a few long ranges.
// A file opened twice in the process is one DataFile (shared by path).
// Errors are EngineError naming the file.
class DataFile : public std::enable_shared_from_this<DataFile> {
 public:
  // The file at `path` (already resolved for case), opened for reading and
  // writing, or for reading only when `read_only`.
  static std::shared_ptr<DataFile> Open(const std::string& path, bool read_only = false);
  // A file that does not exist yet; it is created on disk at the next flush.
  static std::shared_ptr<DataFile> Create(const std::string& path);
  // The DataFile already open for `path` in this process, or nullptr.
  static std::shared_ptr<DataFile> Find(const std::string& path);
  // Rereads from disk every open file of `folder` (after a journal of another
  // process was rolled back there).
  static void ReloadFolder(const std::string& folder);
  // `folder` in the form folder() gives.
  static std::string NormalFolder(const std::string& folder);

  ~DataFile();
  DataFile(const DataFile&) = delete;
  DataFile& operator=(const DataFile&) = delete;

  const std::string& path() const { return path_; }
  const std::string& folder() const { return folder_; }
  const std::string& name() const { return name_; }  // file name without the folder
  uint64_t size() const { return size_; }
  bool exists() const { return exists_ && !removed_; }
  bool read_only() const { return read_only_; }

  // Reads up to n bytes at off; returns how many (short only at the end).
  size_t Read(uint64_t off, void* buf, size_t n) const;
  // Reads exactly n bytes or throws "<file>: unexpected end of file".
  void ReadExact(uint64_t off, void* buf, size_t n) const;

  // Changing (requires an active journal; see journal.h).
  void Write(uint64_t off, const void* data, size_t n);
  void Truncate(uint64_t size);
  void Remove();  // the file is deleted at commit
  void Revive();  // a removed file exists again, empty (a new file of the same name)

  // True when, with nothing pending, the file on disk is no longer the one
  // opened: deleted or replaced by another file behind this program's back.
  bool ReplacedOnDisk() const;
  // Opens the path anew (after ReplacedOnDisk); exists() tells what is there.
  void Reopen();
  // Counts the Reopen calls, so that readers of the file know to read it anew.
  uint64_t generation() const { return generation_; }

  // Used by the journal.
  void Flush();  // writes what is pending; no sync
  void Sync();   // fsync when the file is on disk
  // Syncs every file of `files` written since its last Sync (their write-back
  // started together), then the folders `folders`, whose entries changed.
  static void SyncAll(const std::vector<DataFile*>& files,
                      const std::vector<std::string>& folders = {});
  // Makes the entries of `folder` durable (files made, deleted or renamed).
  static void SyncFolder(const std::string& folder);
  void Reload();  // drops what is pending and rereads the size from disk
  void RawWrite(uint64_t off, const std::string& bytes);  // like Write, not journaled
  void RawSetState(uint64_t size, bool exists);           // restores a size and existence
  uint64_t pending_bytes() const { return pending_bytes_; }
  int fd() const { return fd_; }
  // Bytes were written to the file since the last Sync.
  bool unsynced() const { return unsynced_; }

  // Writes bring the rest of each page they touch into the pending ranges.
  static constexpr uint64_t kPageSize = 4096;

 private:
  DataFile(std::string path, bool exists, bool read_only);
  void Overlay(uint64_t off, const char* data, size_t n);
  // Makes [begin, end) (at most a page, below size()) pending as it reads now.
  void Cache(uint64_t begin, uint64_t end);
  // Reads the disk image (zeros past it), ignoring pending ranges.
  void ReadImage(uint64_t off, char* out, size_t n) const;
  void OpenFd();
  void CloseFd();

  std::string path_, folder_, name_;
  int fd_ = -1;
  bool exists_ = false;   // the file is on disk, or will be at the next flush
  bool on_disk_ = false;  // the file is on disk now
  bool removed_ = false;  // deleted at the next flush
  bool read_only_ = false;
  uint64_t disk_size_ = 0;
  uint64_t size_ = 0;
  uint64_t trunc_low_ = UINT64_MAX;          // bytes from here up are gone from the disk image
  std::map<uint64_t, std::string> pending_;  // non-overlapping ranges, merged up to ~1 MB
  uint64_t pending_bytes_ = 0;
  uint64_t generation_ = 0;
  bool unsynced_ = false;
};

// Reports an error of the operating system for `path`.
[[noreturn]] void ThrowFileError(const std::string& path, const std::string& what);

}  // namespace lumi::dbf
