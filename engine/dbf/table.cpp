#include "engine/dbf/table.h"

#include <dirent.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <unordered_map>

#include "engine/dbf/ascii_case.h"
#include "engine/dbf/field_codec.h"
#include "engine/dbf/index_key.h"
#include "engine/dbf/journal_hooks.h"
#include "engine/dbf/table_state.h"
#include "engine/error.h"

namespace lumi::dbf {

namespace {

constexpr size_t kScanChunk = 1u << 20;

std::unordered_map<std::string, std::weak_ptr<TableState>>& OpenTables() {
  static std::unordered_map<std::string, std::weak_ptr<TableState>> tables;
  return tables;
}

std::string TableKey(const std::string& path) {
  std::error_code ec;
  auto p = std::filesystem::absolute(path, ec).lexically_normal();
  return ec ? path : p.string();
}

// Error texts from the codecs name the file; this adds the record.
[[noreturn]] void RethrowWithRecord(const EngineError& e, const std::string& path, uint32_t recno) {
  std::string m = e.what();
  std::string prefix = path + ": ";
  if (m.compare(0, prefix.size(), prefix) == 0)
    m.insert(prefix.size(), "record " + std::to_string(recno) + ": ");
  throw EngineError(m);
}

}  // namespace

// ---- TableState ----------------------------------------------------------

TableState::~TableState() {
  if (locked && dbf && dbf->fd() >= 0) ::flock(dbf->fd(), LOCK_UN);
  auto& reg = OpenTables();
  auto it = reg.find(TableKey(path));
  if (it != reg.end() && it->second.expired()) reg.erase(it);
}

std::string TableState::CompanionPath(const char* ext) const {
  std::string base = path;
  size_t dot = base.rfind('.');
  size_t slash = base.rfind('/');
  bool upper = false;
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
    upper = dot + 1 < base.size() && std::isupper(static_cast<unsigned char>(base[dot + 1]));
    base.resize(dot);
  }
  std::string e = ext;
  if (upper)
    for (char& c : e) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return base + "." + e;
}

void TableState::Load() {
  header = DbfHeader::Read(*dbf);
  try {
    cp = &CodePage::ForDriver(header.language_driver, header.driver_name);
  } catch (const EngineError& e) {
    throw EngineError(path + ": " + e.what());
  }
  bool memo_fields = false;
  for (auto& f : header.fields)
    if (f.type == 'M' || f.type == 'B' || f.type == 'G') memo_fields = true;
  memo.reset();
  if (memo_fields) {
    std::string want = CompanionPath("dbt");
    auto found = Table::Resolve(want);
    if (!found) throw EngineError(want + ": the table's memo file is missing");
    if (!dbt || dbt->path() != *found) dbt = DataFile::Open(*found);
    memo = std::make_unique<MemoFile>(dbt, header.iv_memo);
    memo->Load();
  }
  mdx.reset();
  index_problem.clear();
  if (header.production_index) {
    std::string want = CompanionPath("mdx");
    auto found = Table::Resolve(want);
    if (!found) {
      mdx_file.reset();
      index_problem = want + ": the production index is missing; rebuilding the index mends it";
    } else {
      try {
        if (!mdx_file || mdx_file->path() != *found) mdx_file = DataFile::Open(*found);
        mdx = std::make_unique<MdxFile>(mdx_file, header.fields);
      } catch (const EngineError& e) {
        index_problem = e.what();
      }
    }
  } else {
    mdx_file.reset();
  }
  loaded_generation = Generation();
}

void TableState::Reload() {
  try {
    if (!dbf->exists()) {
      gone = path + ": the table no longer exists";
      return;
    }
    Load();
    gone.clear();
  } catch (const std::exception& e) {
    gone = e.what();
  }
}

void TableState::CheckUsable() const {
  if (!gone.empty()) throw EngineError(gone);
}

void TableState::CheckWritable() const {
  CheckUsable();
  if (dbf->read_only()) throw EngineError(path + ": the table is read-only");
  if (!index_problem.empty()) throw EngineError(index_problem);
  if (mdx) {
    for (auto& t : mdx->tags())
      if (!t.maintainable)
        throw EngineError(mdx->path() + ": tag " + t.name + " (" + t.expression +
                          ") cannot be kept up to date by this program; drop the index first");
  }
  if (dbt && dbt->read_only()) throw EngineError(dbt->path() + ": the memo file is read-only");
  if (mdx_file && mdx_file->read_only())
    throw EngineError(mdx_file->path() + ": the index is read-only");
}

void TableState::CheckExclusive(long handles) {
  if (handles > 1)
    throw EngineError(path + ": the table is in use; this needs exclusive use of it");
  if (dbf->fd() >= 0 && mode != OpenMode::kExclusive) {
    if (::flock(dbf->fd(), LOCK_EX | LOCK_NB) != 0)
      throw EngineError(path + ": the table is in use by another program");
    ::flock(dbf->fd(), LOCK_SH | LOCK_NB);
  }
}

void TableState::CheckRecno(uint32_t recno) const {
  CheckUsable();
  if (recno == 0 || recno > header.record_count)
    throw EngineError(path + ": there is no record " + std::to_string(recno));
}

std::string TableState::ReadRecordBytes(uint32_t recno) const {
  CheckRecno(recno);
  std::string rec(header.record_length, '\0');
  dbf->ReadExact(header.RecordOffset(recno), rec.data(), rec.size());
  return rec;
}

Value TableState::DecodeBytes(const char* bytes, int field, uint32_t recno) const {
  const FieldDef& f = header.fields[static_cast<size_t>(field)];
  try {
    if (f.type == 'M' || f.type == 'B' || f.type == 'G') {
      uint32_t block = DecodeMemoPointer(f, bytes, path);
      if (block == 0) return Value();
      std::string bytes = memo->Read(block);
      if (bytes.empty()) return Value();
      return Value::Text(f.type == 'M' ? cp->Decode(bytes) : bytes);
    }
    return DecodeField(f, bytes, *cp, path);
  } catch (const EngineError& e) {
    RethrowWithRecord(e, path, recno);
  }
}

namespace {
// Today's date as the header holds it, worked out again only when the clock
// has moved on (changes call it once a record).
void HeaderToday(uint8_t ymd[3]) {
  thread_local std::time_t last = -1;
  thread_local uint8_t today[3];
  std::time_t now = std::time(nullptr);
  if (now != last) {
    TodayYmd(today);
    last = now;
  }
  std::memcpy(ymd, today, 3);
}
}  // namespace

void TableState::WriteCountAndDate() {
  char b[7];
  uint8_t ymd[3];
  HeaderToday(ymd);
  std::memcpy(b, ymd, 3);
  for (int i = 0; i < 4; ++i) b[3 + i] = static_cast<char>(header.record_count >> (8 * i));
  dbf->Write(1, b, sizeof b);
}

void TableState::WriteDate() {
  uint8_t ymd[3], now[3];
  HeaderToday(ymd);
  // Most changes find today's date there already.
  dbf->ReadExact(1, now, 3);
  if (std::memcmp(now, ymd, 3) != 0) dbf->Write(1, ymd, 3);
}

void TableState::SetFieldFlag(size_t field, bool on) {
  char b = on ? 1 : 0;
  dbf->Write(header.FieldFlagOffset(field), &b, 1);
}

void TableState::SetProductionFlag(bool on) {
  char b = on ? 1 : 0;
  dbf->Write(28, &b, 1);
  header.production_index = on;
}

void ReloadOpenTables() {
  for (auto& [key, weak] : OpenTables())
    if (auto s = weak.lock()) s->Reload();
}

// ---- AtomicChange --------------------------------------------------------

AtomicChange::AtomicChange() {
  outer_ = Journal::Active();
  if (outer_)
    savepoint_ = outer_->Savepoint();
  else
    own_.emplace();
}

AtomicChange::~AtomicChange() {
  if (done_) return;
  try {
    if (outer_) outer_->RollbackTo(savepoint_);
    // An own journal rolls back as it goes.
  } catch (...) {
  }
}

void AtomicChange::Commit() {
  if (outer_)
    outer_->ReleaseSavepoint(savepoint_);
  else
    own_->Commit();
  done_ = true;
}

// ---- Table: opening ------------------------------------------------------

std::optional<std::string> Table::Resolve(const std::string& path) {
  auto known = [](const std::string& p) -> std::optional<bool> {
    if (auto f = DataFile::Find(p)) {
      // Outside a transaction the disk has the last word: the file may have
      // been deleted or replaced by someone else since it was opened.
      if (!Journal::Active() && f->ReplacedOnDisk()) f->Reopen();
      return f->exists();
    }
    return std::nullopt;
  };
  if (auto k = known(path)) return *k ? std::optional<std::string>(path) : std::nullopt;
  struct stat st;
  if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return path;
  std::filesystem::path p(path);
  std::string dir = p.has_parent_path() ? p.parent_path().string() : ".";
  std::string name = p.filename().string();
  DIR* d = ::opendir(dir.c_str());
  if (!d) return std::nullopt;
  std::optional<std::string> found;
  while (dirent* e = ::readdir(d)) {
    std::string n = e->d_name;
    if (!EqualsIgnoringCase(n, name)) continue;
    std::string candidate = p.has_parent_path() ? (p.parent_path() / n).string() : n;
    if (auto k = known(candidate); k && !*k) continue;
    found = candidate;
    break;
  }
  ::closedir(d);
  return found;
}

namespace {
std::string FolderOf(const std::string& path) {
  const std::filesystem::path p(path);
  return p.has_parent_path() ? p.parent_path().string() : std::string(".");
}
}  // namespace

Table Table::Open(const std::string& path, OpenMode mode) {
  auto found = Resolve(path);
  if (!found) throw EngineError(path + ": the table does not exist");
  Journal::Recover(FolderOf(*found));
  found = Resolve(path);
  if (!found) throw EngineError(path + ": the table does not exist");
  std::string key = TableKey(*found);
  auto& reg = OpenTables();
  if (auto it = reg.find(key); it != reg.end()) {
    if (auto s = it->second.lock()) {
      if (mode == OpenMode::kExclusive || s->mode == OpenMode::kExclusive)
        throw EngineError(*found + ": the table is in use");
      // A table, memo or index replaced behind our back is read anew.
      for (auto* f : {&s->dbf, &s->dbt, &s->mdx_file})
        if (*f && !Journal::Active() && (*f)->ReplacedOnDisk()) (*f)->Reopen();
      if (s->Generation() != s->loaded_generation) s->Reload();
      s->CheckUsable();
      return Table(s);
    }
  }
  auto s = std::make_shared<TableState>();
  s->path = *found;
  s->mode = mode;
  s->dbf = DataFile::Open(*found);
  if (s->dbf->fd() >= 0) {
    int how = mode == OpenMode::kExclusive ? LOCK_EX : LOCK_SH;
    if (::flock(s->dbf->fd(), how | LOCK_NB) != 0)
      throw EngineError(*found + ": the table is in use by another program");
    s->locked = true;
  }
  s->Load();
  reg[key] = s;
  return Table(s);
}

Table Table::Create(const std::string& path, const std::vector<FieldDef>& fields) {
  // An unfinished change a stopped program left in the folder is undone
  // first, as opening a table there would: the new table's own change must
  // not be written beside a journal that still holds another.
  Journal::Recover(FolderOf(path));
  if (Resolve(path)) throw EngineError(path + ": the table already exists");
  if (fields.empty()) throw EngineError(path + ": a table needs at least one field");
  if (fields.size() > 255) throw EngineError(path + ": a table has at most 255 fields");
  DbfHeader h;
  bool has_memo = false;
  for (size_t i = 0; i < fields.size(); ++i) {
    FieldDef f = fields[i];
    for (char& c : f.name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (f.type == 'F') f.type = 'N';
    CheckNewField(f, path);
    for (auto& g : h.fields)
      if (g.name == f.name) throw EngineError(path + ": field " + f.name + " is named twice");
    has_memo = has_memo || f.type == 'M';
    h.fields.push_back(f);
  }
  h.version = has_memo ? 0x8B : 0x03;
  h.language_driver = 0x57;
  std::string bytes = h.Build();
  if (h.record_length > 4000)
    throw EngineError(path + ": a record is at most 4000 bytes (these fields need " +
                      std::to_string(h.record_length) + ")");
  bytes.push_back(0x1A);
  // A table of that name deleted behind our back may still be open here: its
  // handles see it is gone, and the new file gets a state of its own.
  if (auto it = OpenTables().find(TableKey(path)); it != OpenTables().end()) {
    if (auto old = it->second.lock()) old->gone = path + ": the table was deleted";
    OpenTables().erase(it);
  }
  {
    AtomicChange change;
    auto dbf = DataFile::Create(path);
    dbf->Write(0, bytes.data(), bytes.size());
    if (has_memo) {
      TableState probe;
      probe.path = path;
      std::string memo_path = probe.CompanionPath("dbt");
      if (auto old = Resolve(memo_path)) DataFile::Open(*old)->Remove();
      auto dbt = DataFile::Create(memo_path);
      std::string base = std::filesystem::path(path).stem().string();
      MemoFile::Initialize(*dbt, true, base);
    }
    change.Commit();
  }
  return Open(path);
}

Table::Table() = default;
Table::Table(std::shared_ptr<TableState> s) : state_(std::move(s)) {}
Table::Table(const Table&) = default;
Table& Table::operator=(const Table&) = default;
Table::Table(Table&&) noexcept = default;
Table& Table::operator=(Table&&) noexcept = default;
Table::~Table() = default;
void Table::Close() { state_.reset(); }

namespace {
const TableState& Usable(const std::shared_ptr<TableState>& s) {
  if (!s) throw EngineError("the table is not open");
  s->CheckUsable();
  return *s;
}
}  // namespace

const std::string& Table::path() const {
  if (!state_) throw EngineError("the table is not open");
  return state_->path;
}
const std::vector<FieldDef>& Table::fields() const { return Usable(state_).header.fields; }

int Table::FieldIndex(std::string_view name) const {
  const auto& f = fields();
  for (size_t i = 0; i < f.size(); ++i)
    if (EqualsIgnoringCase(f[i].name, name)) return static_cast<int>(i);
  return -1;
}

uint32_t Table::RecordCount() const { return Usable(state_).header.record_count; }
int Table::level() const { return Usable(state_).header.level; }
uint8_t Table::language_driver() const { return Usable(state_).header.language_driver; }
bool Table::has_memo() const { return Usable(state_).memo != nullptr; }

// ---- Table: reading ------------------------------------------------------

Record Table::Read(uint32_t recno) const {
  const TableState& s = Usable(state_);
  std::string rec = s.ReadRecordBytes(recno);
  Record r;
  r.deleted = rec[0] == '*';
  r.values.reserve(s.header.fields.size());
  for (size_t i = 0; i < s.header.fields.size(); ++i)
    r.values.push_back(s.DecodeAt(rec.data(), static_cast<int>(i), recno));
  return r;
}

Value Table::Get(uint32_t recno, int field) const {
  const TableState& s = Usable(state_);
  if (field < 0 || static_cast<size_t>(field) >= s.header.fields.size())
    throw EngineError(s.path + ": there is no field number " + std::to_string(field));
  s.CheckRecno(recno);
  const FieldDef& f = s.header.fields[static_cast<size_t>(field)];
  char bytes[256];  // a field is at most 255 bytes wide
  s.dbf->ReadExact(s.header.RecordOffset(recno) + static_cast<uint64_t>(f.offset), bytes,
                   static_cast<size_t>(f.width));
  return s.DecodeBytes(bytes, field, recno);
}

bool Table::IsDeleted(uint32_t recno) const {
  const TableState& s = Usable(state_);
  s.CheckRecno(recno);
  char c;
  s.dbf->ReadExact(s.header.RecordOffset(recno), &c, 1);
  return c == '*';
}

Scanner Table::Scan() const {
  Usable(state_);
  return Scanner(state_);
}

Scanner::Scanner(std::shared_ptr<TableState> s) : state_(std::move(s)) {
  count_ = state_->header.record_count;
}

bool Scanner::Next() {
  state_->CheckUsable();
  if (recno_ >= count_) {
    current_ = nullptr;
    recno_ = count_ + 1;
    return false;
  }
  ++recno_;
  Position(std::min<size_t>(kScanChunk / state_->header.record_length, count_ - recno_ + 1));
  return true;
}

void Scanner::Position(size_t load) {
  const size_t reclen = state_->header.record_length;
  if (recno_ >= buffer_first_ + buffer_records_ || recno_ < buffer_first_) {
    size_t left =
        recno_ <= state_->header.record_count ? state_->header.record_count - recno_ + 1 : 1;
    size_t n = std::max<size_t>(1, std::min(load, left));
    buffer_.resize(n * reclen);
    state_->dbf->ReadExact(state_->header.RecordOffset(recno_), buffer_.data(), buffer_.size());
    buffer_first_ = recno_;
    buffer_records_ = n;
  }
  current_ = buffer_.data() + (recno_ - buffer_first_) * reclen;
}

bool Scanner::deleted() const {
  if (!current_) throw EngineError("the scan has no current record");
  return current_[0] == '*';
}

Value Scanner::Get(int field) const {
  if (!current_) throw EngineError("the scan has no current record");
  if (field < 0 || static_cast<size_t>(field) >= state_->header.fields.size())
    throw EngineError(state_->path + ": there is no field number " + std::to_string(field));
  return state_->DecodeAt(current_, field, recno_);
}

Record Scanner::Read() const {
  Record r;
  r.deleted = deleted();
  for (size_t i = 0; i < state_->header.fields.size(); ++i)
    r.values.push_back(Get(static_cast<int>(i)));
  return r;
}

}  // namespace lumi::dbf
