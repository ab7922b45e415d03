#include "engine/dbf/journal_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <utility>

#include "engine/dbf/data_file.h"
#include "engine/error.h"

namespace lumi::dbf::journal_file {

namespace {

constexpr char kMagic[8] = {'L', 'U', 'M', 'I', 'J', 'N', 'L', '3'};
constexpr char kMagicV2[8] = {'L', 'U', 'M', 'I', 'J', 'N', 'L', '2'};
constexpr char kMagicV1[8] = {'L', 'U', 'M', 'I', 'J', 'N', 'L', '1'};
constexpr uint64_t kSlotSize = 512;
constexpr size_t kSlotBytes = 44;             // what a slot holds of its 512 bytes
constexpr uint64_t kRecordsStart = 4096;      // page 0 is the two slots'
constexpr uint64_t kReuseLimit = 256u << 10;  // records start again at 4096 past this
constexpr uint64_t kKeepLimit = 4u << 20;     // a longer journal is cut when it ends
constexpr size_t kBufferLimit = 8u << 20;     // record bytes held before writing
constexpr uint64_t kSlotSumSeed = 0x4c554d49534c4f54ull;

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

// How the records of a journal are summed.
struct RecordSums {
  bool fnv = false;   // "LUMIJNL1"
  uint64_t salt = 0;  // "LUMIJNL2" records are summed with salt 0

  // `head` is the record's type and length (5 bytes).
  uint32_t Of(const char* head, const char* payload, size_t n) const {
    if (fnv) return Fnv1a(payload, n, Fnv1a(head, 5));
    return FastSum(payload, n, FastSum(head, 5, salt));
  }
};

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

bool ReadAt(int fd, uint64_t off, char* buf, size_t n) {
  size_t got = 0;
  while (got < n) {
    ssize_t r = ::pread(fd, buf + got, n - got, static_cast<off_t>(off + got));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    got += static_cast<size_t>(r);
  }
  return got == n;
}

struct Slot {
  int index = 0;
  bool live = false;
  uint64_t seq = 0, salt = 0, start = 0, end = 0;
};

std::string SlotBytes(const Slot& s) {
  std::string out(s.live ? kMagic : "\0\0\0\0\0\0\0\0", 8);
  PutU64(&out, s.seq);
  PutU64(&out, s.salt);
  PutU64(&out, s.start);
  PutU64(&out, s.end);
  PutU32(&out, FastSum(out.data() + 8, 32, kSlotSumSeed));
  return out;
}

// The two slots of page 0, those whose numbers are intact.
struct Page0 {
  bool earlier_version = false;
  bool earlier_fnv = false;
  std::optional<Slot> slots[2];

  // The slot written last, live or ended (or only a live one).
  const Slot* Newest(bool live_only = false) const {
    const Slot* best = nullptr;
    for (const auto& s : slots)
      if (s && (s->live || !live_only) && (!best || s->seq > best->seq)) best = &*s;
    return best;
  }
  const Slot* Live() const { return Newest(true); }
};

Page0 ReadPage0(int fd) {
  char page[2 * kSlotSize] = {};
  ssize_t got = ::pread(fd, page, sizeof page, 0);
  Page0 p;
  if (got >= 8 && (std::memcmp(page, kMagicV2, 8) == 0 || std::memcmp(page, kMagicV1, 8) == 0)) {
    p.earlier_version = true;
    p.earlier_fnv = std::memcmp(page, kMagicV1, 8) == 0;
    return p;
  }
  for (int i = 0; i < 2; ++i) {
    const char* b = page + i * kSlotSize;
    if (got < static_cast<ssize_t>(i * kSlotSize + kSlotBytes)) continue;
    if (FastSum(b + 8, 32, kSlotSumSeed) != GetU32(b + 40)) continue;
    Slot s;
    s.index = i;
    s.live = std::memcmp(b, kMagic, 8) == 0;
    s.seq = GetU64(b + 8);
    s.salt = GetU64(b + 16);
    s.start = GetU64(b + 24);
    s.end = GetU64(b + 32);
    if (s.start < kRecordsStart || (!s.live && s.end < s.start)) continue;
    p.slots[i] = s;
  }
  return p;
}

void PutSlot(int fd, const std::string& path, const Slot& s) {
  std::string bytes = SlotBytes(s);
  WriteAll(fd, path, bytes.data(), bytes.size(), static_cast<uint64_t>(s.index) * kSlotSize);
}

// Restores every file the records from `pos` name, up to the first record
// that does not check.
void ApplyRecords(int jfd, const std::string& folder, uint64_t pos, const RecordSums& sums) {
  struct Target {
    std::string path;
    bool existed = false;
    uint64_t length = 0;
    int fd = -1;
  };
  std::map<uint32_t, Target> targets;
  std::string payload;
  for (;;) {
    char head[5];
    if (!ReadAt(jfd, pos, head, 5)) break;
    uint32_t len = GetU32(head + 1);
    if (len > (64u << 20)) break;
    payload.resize(len + 4);
    if (!ReadAt(jfd, pos + 5, payload.data(), len + 4)) break;
    if (sums.Of(head, payload.data(), len) != GetU32(payload.data() + len)) break;
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
      WriteAll(t.fd, t.path, p + 12, len - 12, off);
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
  DataFile::SyncFolder(folder);
}

// A salt no other transaction is likely to have used. A child process
// inherits its parent's generator, so one seeded before a fork is seeded anew
// in the child; the clock keeps even those apart.
uint64_t NewSalt() {
  static std::mt19937_64 rng;
  static pid_t seeded_for = 0;
  const pid_t pid = ::getpid();
  const auto now =
      static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  if (seeded_for != pid) {
    std::random_device rd;
    rng.seed((static_cast<uint64_t>(rd()) << 32) ^ rd() ^ now ^ (static_cast<uint64_t>(pid) << 17));
    seeded_for = pid;
  }
  uint64_t s;
  do s = rng() ^ now;
  while (s == 0);
  return s;
}

// Journal files whose entry in their folder this process has made durable.
std::set<std::pair<dev_t, ino_t>>& DurableJournals() {
  static std::set<std::pair<dev_t, ino_t>> known;
  return known;
}

void (*g_sync_observer)(int fd) = nullptr;

// fdatasync of the journal; throws when it fails.
void SyncJournal(int fd, const std::string& path) {
  if (::fdatasync(fd) != 0) ThrowFileError(path, "cannot flush the journal");
  if (g_sync_observer) g_sync_observer(fd);
}

std::optional<std::pair<dev_t, ino_t>> Identity(int fd) {
  struct stat st;
  if (::fstat(fd, &st) != 0) return std::nullopt;
  return std::make_pair(st.st_dev, st.st_ino);
}

}  // namespace

void SetSyncObserver(void (*observer)(int fd)) { g_sync_observer = observer; }

bool HoldsLive(int jfd) {
  Page0 p = ReadPage0(jfd);
  return p.earlier_version || p.Live() != nullptr;
}

bool HoldsLive(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  bool live = HoldsLive(fd);
  ::close(fd);
  return live;
}

Found Apply(int jfd, const std::string& folder) {
  Page0 p = ReadPage0(jfd);
  if (p.earlier_version) {
    RecordSums sums;
    sums.fnv = p.earlier_fnv;
    ApplyRecords(jfd, folder, 8, sums);
    ::unlink((folder + "/" + kName).c_str());
    DataFile::SyncFolder(folder);
    return Found::kEarlierVersion;
  }
  const Slot* live = p.Live();
  if (!live) return Found::kNothing;
  RecordSums sums;
  sums.salt = live->salt;
  ApplyRecords(jfd, folder, live->start, sums);
  // Both slots end: an older one still marked live belongs to a transaction
  // that had ended before the newer one began (its end was lost).
  std::string path = folder + "/" + kName;
  for (const auto& s : p.slots) {
    if (!s || !s->live) continue;
    Slot ended = *s;
    ended.live = false;
    if (ended.end < ended.start) ended.end = ended.start;
    PutSlot(jfd, path, ended);
  }
  if (::fdatasync(jfd) != 0) ThrowFileError(path, "cannot flush the journal");
  return Found::kLive;
}

Writer::Writer(std::string folder)
    : folder_(std::move(folder)), path_(folder_ + "/" + kName), salt_(NewSalt()) {}

Writer::~Writer() { Abandon(); }

void Writer::Append(char type, std::string_view head, std::string_view body) {
  size_t start = buffer_.size();
  buffer_.push_back(type);
  PutU32(&buffer_, static_cast<uint32_t>(head.size() + body.size()));
  buffer_ += head;
  buffer_ += body;
  RecordSums sums;
  sums.salt = salt_;
  PutU32(&buffer_,
         sums.Of(buffer_.data() + start, buffer_.data() + start + 5, buffer_.size() - start - 5));
  if (buffer_.size() > kBufferLimit) Write();
}

uint32_t Writer::AddFile(bool existed, uint64_t length, const std::string& name) {
  uint32_t id = next_file_id_++;
  std::string head;
  PutU32(&head, id);
  head.push_back(existed ? 1 : 0);
  PutU64(&head, length);
  Append('F', head, name);
  return id;
}

void Writer::AddImage(uint32_t file, uint64_t offset, std::string_view original) {
  std::string head;
  PutU32(&head, file);
  PutU64(&head, offset);
  Append('R', head, original);
}

void Writer::Open() {
  bool created = false;
  int fd = ::open(path_.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0 && errno == ENOENT) {
    fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    created = fd >= 0;
    if (fd < 0 && errno == EEXIST) fd = ::open(path_.c_str(), O_RDWR | O_CLOEXEC);
  }
  if (fd < 0) ThrowFileError(path_, "cannot create the journal");
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    ThrowFileError(path_, "the journal is in use");
  }
  // A live journal is another program's, running or stopped, and the only
  // way back for its tables: it is never overwritten.
  Page0 page = ReadPage0(fd);
  if (page.earlier_version || page.Live()) {
    ::close(fd);
    throw EngineError(folder_ +
                      ": the tables hold unfinished changes of a program that stopped; "
                      "open them again to undo those first");
  }
  fd_ = fd;
  const Slot* last = page.Newest();
  slot_ = last ? 1 - last->index : 0;
  seq_ = last ? last->seq + 1 : 1;
  if (last && last->end <= kReuseLimit) {
    // After the last transaction's records: they stay as they are.
    start_ = (std::max(last->end, kRecordsStart) + kRecordsStart - 1) & ~(kRecordsStart - 1);
  } else {
    start_ = kRecordsStart;
    if (last) guard_ = last->start;
  }
  written_ = start_;
  auto id = Identity(fd);
  dir_synced_ = !created && id && DurableJournals().count(*id) != 0;
}

void Writer::PutHeader(bool live) {
  Slot s;
  s.index = slot_;
  s.live = live;
  s.seq = seq_;
  s.salt = salt_;
  s.start = start_;
  s.end = live ? 0 : written_;
  PutSlot(fd_, path_, s);
}

void Writer::Write() {
  if (fd_ < 0) Open();
  if (!header_written_) {
    PutHeader(true);
    header_written_ = true;
    unsynced_ = true;
  }
  if (buffer_.empty()) return;
  if (written_ + buffer_.size() > guard_) {
    // The last transaction's records are about to be overwritten: its ended
    // magic must be on disk first.
    SyncJournal(fd_, path_);
    guard_ = UINT64_MAX;
    synced_ = true;
  }
  WriteAll(fd_, path_, buffer_.data(), buffer_.size(), written_);
  written_ += buffer_.size();
  buffer_.clear();
  unsynced_ = true;
}

void Writer::Sync() {
  Write();
  if (unsynced_) SyncJournal(fd_, path_);
  unsynced_ = false;
  synced_ = true;
  if (!dir_synced_) {
    DataFile::SyncFolder(folder_);
    if (auto id = Identity(fd_)) DurableJournals().insert(*id);
    dir_synced_ = true;
  }
}

void Writer::End() {
  buffer_.clear();
  if (fd_ < 0) return;
  if (header_written_) {
    PutHeader(false);
    // A transaction that never synced leaves those before it ended only in
    // memory, and the next one may write over their records. A long journal
    // is cut once its end is on disk.
    if (!synced_ || written_ > kKeepLimit) {
      try {
        SyncJournal(fd_, path_);
        if (written_ > kKeepLimit) (void)::ftruncate(fd_, 0);
      } catch (const std::exception&) {
        // The transaction is over either way; a journal left longer is harmless.
      }
    }
  }
  Abandon();
}

void Writer::Abandon() {
  buffer_.clear();
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

}  // namespace lumi::dbf::journal_file
