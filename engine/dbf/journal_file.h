#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace lumi::dbf::journal_file {

// The rollback journal of one folder, "lumi.jnl", on disk.
//
// The file stays from one transaction to the next: creating a file and
// syncing its folder at every commit cost more than the rest of a small
// commit. Page 0 holds two header slots (at 0 and 512); transactions take
// them in turn. A slot holds
//   magic "LUMIJNL3" (zeros once its transaction has ended), sequence number,
//   salt, offset of its first record, offset past its last record (set when
//   it ends), and a checksum of those four numbers.
// Records follow from the slot's first-record offset (4096 or more):
//   type (1 byte), payload length (u32), payload, checksum (u32)
// with type 'F' (a file: id u32, existed u8, original length u64, name) and
// 'R' (a before-image: id u32, offset u64, bytes), summed with the
// transaction's salt, so that records an earlier transaction left further on
// never pass for this one's. A record cut short or with a wrong checksum
// ends the journal: nothing past it was ever flushed to disk.
//
// Ending a transaction zeros its magic without a sync. Until the next sync of
// the file that may be undone by a power cut, and then the whole transaction
// is rolled back, never a part of it: a transaction writes its records after
// those of the one before it (or, starting again from 4096, syncs once before
// it overwrites them), and the next sync of the journal, which comes before
// any table is touched, makes the zeroed magic durable.
//
// Journals of earlier versions ("LUMIJNL1", "LUMIJNL2" at offset 0, records
// from offset 8, summed with FNV-1a and with an unsalted checksum) are still
// rolled back; the file is then deleted.
inline constexpr const char* kName = "lumi.jnl";

// What a journal file holds.
enum class Found { kNothing, kLive, kEarlierVersion };

// Rolls back the live journal in `jfd` (opened and locked by the caller) over
// the files of `folder`: before-images back in place, lengths back, files its
// transaction created deleted; the restored files and the folder are synced.
// Then the journal is ended and synced (a journal of an earlier version is
// deleted). Returns what it found.
Found Apply(int jfd, const std::string& folder);

// True when the journal holds a live transaction or one of an earlier version.
bool HoldsLive(int jfd);
// The same for the journal file at `path`; false when there is none.
bool HoldsLive(const std::string& path);

// Tests: called with the journal's descriptor after each sync of it by a
// Writer (nullptr for none).
void SetSyncObserver(void (*observer)(int fd));

// The journal being written by a transaction in one folder.
class Writer {
 public:
  explicit Writer(std::string folder);
  ~Writer();  // closes the file (releasing its lock) without ending anything
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;

  // Records, written once a few megabytes are held, or at Write. A file the
  // transaction changes (whether it existed, its length then, its name in the
  // folder) is named first, and gets the number its before-images give.
  uint32_t AddFile(bool existed, uint64_t length, const std::string& name);
  void AddImage(uint32_t file, uint64_t offset, std::string_view original);
  // Writes what is held (opening and locking the file first): throws
  // EngineError when another program holds the journal or left one live.
  void Write();
  // Writes what is held and makes it and the file's place in its folder
  // durable.
  void Sync();
  // Ends the transaction (its magic zeroed, not synced) and closes the file.
  void End();
  // Closes the file, leaving the transaction live for the next open to roll
  // back.
  void Abandon();

  int fd() const { return fd_; }
  const std::string& folder() const { return folder_; }

 private:
  void Append(char type, std::string_view head, std::string_view body);
  void Open();
  void PutHeader(bool live);

  std::string folder_, path_;
  uint64_t salt_;  // this transaction's, new for every Writer
  int fd_ = -1;
  std::string buffer_;
  int slot_ = 0;
  uint64_t seq_ = 0, start_ = 0;
  uint32_t next_file_id_ = 1;
  uint64_t written_ = 0;         // where the next record goes
  uint64_t guard_ = UINT64_MAX;  // sync before writing here: the last transaction's records
  bool header_written_ = false;
  bool unsynced_ = false;
  bool synced_ = false;  // synced at least once since its header was written
  bool dir_synced_ = false;
};

}  // namespace lumi::dbf::journal_file
