// The changing calls of Table: each one is atomic (see AtomicChange).
#include <algorithm>
#include <cstring>
#include <filesystem>

#include "engine/dbf/field_codec.h"
#include "engine/dbf/index_key.h"
#include "engine/dbf/table.h"
#include "engine/dbf/table_state.h"
#include "engine/error.h"

namespace lumi::dbf {

namespace {

TableState& Writable(const std::shared_ptr<TableState>& s) {
  if (!s) throw EngineError("the table is not open");
  s->CheckWritable();
  return *s;
}

bool IsMemo(const FieldDef& f) { return f.type == 'M' || f.type == 'B' || f.type == 'G'; }

// A memo value in the bytes it is stored as; empty for none.
std::string MemoBytes(const TableState& s, const FieldDef& f, const Value& v) {
  if (v.is_null()) return {};
  if (v.kind() != ValueKind::kText)
    throw EngineError(s.path + ": field " + f.name + ": text expected, not '" + ToDebugString(v) +
                      "'");
  if (f.type != 'M') return v.text();
  std::string bytes, bad;
  if (!s.cp->Encode(v.text(), &bytes, &bad)) {
    if (bad == "invalid UTF-8")
      throw EngineError(s.path + ": field " + f.name + ": the text is not valid UTF-8");
    throw EngineError(s.path + ": field " + f.name + ": the character '" + bad +
                      "' cannot be stored in code page " + std::to_string(s.cp->number()));
  }
  return bytes;
}

uint32_t DescriptorU32(const TableState& s, size_t field, uint32_t at) {
  unsigned char b[4];
  s.dbf->ReadExact(s.header.descriptor_offsets[field] + at, b, 4);
  return uint32_t{b[0]} | (uint32_t{b[1]} << 8) | (uint32_t{b[2]} << 16) | (uint32_t{b[3]} << 24);
}

// Encodes `v` for field i into `rec`; memo texts are collected for writing.
void EncodeInto(const TableState& s, size_t i, const Value& v, std::string* rec,
                std::vector<std::pair<size_t, std::string>>* memos) {
  const FieldDef& f = s.header.fields[i];
  if (IsMemo(f)) {
    std::string bytes = MemoBytes(s, f, v);
    if (bytes.empty())
      EncodeMemoPointer(0, rec->data() + f.offset);
    else
      memos->emplace_back(i, std::move(bytes));
    return;
  }
  EncodeField(f, v, *s.cp, s.path, rec->data() + f.offset);
}

void WriteMemos(TableState& s, std::vector<std::pair<size_t, std::string>>& memos,
                std::string* rec) {
  for (auto& [i, bytes] : memos) {
    uint32_t block = s.memo->Append(bytes);
    EncodeMemoPointer(block, rec->data() + s.header.fields[i].offset);
  }
}

void IndexInsert(TableState& s, const char* rec, uint32_t recno) {
  if (!s.mdx) return;
  for (size_t t = 0; t < s.mdx->tags().size(); ++t) {
    const FieldDef& f = s.header.fields[static_cast<size_t>(s.mdx->tags()[t].field)];
    s.mdx->Insert(static_cast<int>(t), KeyFromField(f, rec + f.offset), recno);
  }
}

// The bytes of a new record (`rec`, blank, one record long) from its values,
// fields past the values NULL. Memo texts go to `memos`; an autoincrement
// field left NULL takes the table's next value, noted in `autoinc`.
void EncodeRecord(const TableState& s, const std::vector<Value>& values, std::string* rec,
                  std::vector<std::pair<size_t, std::string>>* memos,
                  std::vector<std::pair<size_t, uint32_t>>* autoinc) {
  const auto& fields = s.header.fields;
  if (values.size() > fields.size())
    throw EngineError(s.path + ": " + std::to_string(values.size()) + " values for " +
                      std::to_string(fields.size()) + " fields");
  static const Value kNull;
  for (size_t i = 0; i < fields.size(); ++i) {
    const Value& v = i < values.size() ? values[i] : kNull;
    if (fields[i].type == '+' && v.is_null()) {
      uint32_t next = DescriptorU32(s, i, 40);
      EncodeInto(s, i, Value::Number(static_cast<int32_t>(next)), rec, memos);
      autoinc->emplace_back(i, next + 1);
      continue;
    }
    EncodeInto(s, i, v, rec, memos);
  }
}

}  // namespace

uint32_t Table::Append(const std::vector<Value>& values) {
  TableState& s = Writable(state_);
  std::string rec(s.header.record_length, ' ');
  std::vector<std::pair<size_t, std::string>> memos;
  std::vector<std::pair<size_t, uint32_t>> autoinc;
  EncodeRecord(s, values, &rec, &memos, &autoinc);
  if (s.header.record_count == 0xFFFFFFFFu) throw EngineError(s.path + ": the table is full");
  AtomicChange change;
  WriteMemos(s, memos, &rec);
  uint32_t recno = s.header.record_count + 1;
  rec.push_back(0x1A);
  s.dbf->Write(s.header.RecordOffset(recno), rec.data(), rec.size());
  rec.pop_back();
  s.header.record_count = recno;
  s.WriteCountAndDate();
  for (auto& [i, next] : autoinc) {
    char b[4];
    for (int k = 0; k < 4; ++k) b[k] = static_cast<char>(next >> (8 * k));
    s.dbf->Write(s.header.descriptor_offsets[i] + 40, b, 4);
  }
  IndexInsert(s, rec.data(), recno);
  change.Commit();
  return recno;
}

void Table::AppendMany(const std::vector<std::vector<Value>>& rows) {
  TableState& s = Writable(state_);
  const auto& fields = s.header.fields;
  // Memo texts and autoincrement counters are written record by record.
  bool simple = std::none_of(fields.begin(), fields.end(),
                             [](const FieldDef& f) { return IsMemo(f) || f.type == '+'; });
  if (!simple || rows.size() < 2) {
    AtomicChange change;
    for (const auto& r : rows) Append(r);
    change.Commit();
    return;
  }
  if (rows.size() > 0xFFFFFFFFu - s.header.record_count)
    throw EngineError(s.path + ": the table is full");
  const size_t reclen = s.header.record_length;
  std::string recs;
  recs.reserve(rows.size() * reclen + 1);
  std::vector<std::pair<size_t, std::string>> no_memos;
  std::vector<std::pair<size_t, uint32_t>> no_autoinc;
  std::string rec;
  for (const auto& values : rows) {
    rec.assign(reclen, ' ');
    EncodeRecord(s, values, &rec, &no_memos, &no_autoinc);
    recs += rec;
  }
  AtomicChange change;
  const uint32_t first = s.header.record_count + 1;
  recs.push_back(0x1A);
  s.dbf->Write(s.header.RecordOffset(first), recs.data(), recs.size());
  recs.pop_back();
  s.header.record_count = first - 1 + static_cast<uint32_t>(rows.size());
  s.WriteCountAndDate();
  for (size_t r = 0; r < rows.size(); ++r)
    IndexInsert(s, recs.data() + r * reclen, first + static_cast<uint32_t>(r));
  change.Commit();
}

void Table::Update(uint32_t recno, const std::vector<std::pair<int, Value>>& changes) {
  TableState& s = Writable(state_);
  std::string old = s.ReadRecordBytes(recno);
  std::string rec = old;
  std::vector<std::pair<size_t, std::string>> memos;
  for (auto& [i, v] : changes) {
    if (i < 0 || static_cast<size_t>(i) >= s.header.fields.size())
      throw EngineError(s.path + ": there is no field number " + std::to_string(i));
    EncodeInto(s, static_cast<size_t>(i), v, &rec, &memos);
  }
  AtomicChange change;
  WriteMemos(s, memos, &rec);
  if (rec != old) {
    uint64_t off = s.header.RecordOffset(recno);
    // Only the bytes that differ are written, so the journal saves little.
    size_t b = 0;
    while (old[b] == rec[b]) ++b;
    size_t e = rec.size();
    while (old[e - 1] == rec[e - 1]) --e;
    s.dbf->Write(off + b, rec.data() + b, e - b);
    s.WriteDate();
    if (s.mdx) {
      for (size_t t = 0; t < s.mdx->tags().size(); ++t) {
        const FieldDef& f = s.header.fields[static_cast<size_t>(s.mdx->tags()[t].field)];
        std::string ok = KeyFromField(f, old.data() + f.offset);
        std::string nk = KeyFromField(f, rec.data() + f.offset);
        if (ok == nk) continue;
        s.mdx->Erase(static_cast<int>(t), ok, recno);
        s.mdx->Insert(static_cast<int>(t), nk, recno);
      }
    }
  }
  change.Commit();
}

namespace {
void SetMark(TableState& s, uint32_t recno, char mark) {
  s.CheckRecno(recno);
  char c;
  s.dbf->ReadExact(s.header.RecordOffset(recno), &c, 1);
  if (c == mark) return;
  AtomicChange change;
  s.dbf->Write(s.header.RecordOffset(recno), &mark, 1);
  s.WriteDate();
  change.Commit();
}
}  // namespace

void Table::MarkDeleted(uint32_t recno) { SetMark(Writable(state_), recno, '*'); }
void Table::Recall(uint32_t recno) { SetMark(Writable(state_), recno, ' '); }

void Table::Pack() {
  TableState& s = Writable(state_);
  s.CheckExclusive(state_.use_count());
  const uint32_t reclen = s.header.record_length;
  const uint32_t count = s.header.record_count;
  std::vector<size_t> memo_fields;
  for (size_t i = 0; i < s.header.fields.size(); ++i)
    if (IsMemo(s.header.fields[i])) memo_fields.push_back(i);
  // Nothing marked deleted: the records stay where they are (a start-up packs
  // every table, mostly with nothing to remove); memos and tags are still
  // compacted and rebuilt.
  bool any_deleted = false;
  {
    Scanner sc(state_);
    while (!any_deleted && sc.Next()) any_deleted = sc.deleted();
  }
  if (!any_deleted && memo_fields.empty()) {
    AtomicChange change;
    if (s.mdx) {
      s.mdx->Rebuild([&](int tag) { return CollectKeys(s, tag); });
    }
    change.Commit();
    return;
  }
  AtomicChange change;
  // The memo texts of the records that stay, in order; the memo file is then
  // written anew with only those.
  std::vector<std::string> texts;
  if (s.memo && !memo_fields.empty()) {
    Scanner sc(state_);
    while (sc.Next()) {
      if (sc.deleted()) continue;
      std::string rec(sc.current_, reclen);
      for (size_t i : memo_fields) {
        const FieldDef& f = s.header.fields[i];
        uint32_t block = DecodeMemoPointer(f, rec.data() + f.offset, s.path);
        texts.push_back(block ? s.memo->Read(block) : std::string());
      }
    }
    s.memo->Clear();
  }
  // Records move down over the deleted ones; reads stay ahead of writes.
  const size_t per = std::max<size_t>(1, (1u << 20) / reclen);
  std::string chunk;
  uint32_t kept = 0;
  size_t text = 0;
  std::string out;
  for (uint32_t first = 1; first <= count; first += static_cast<uint32_t>(per)) {
    size_t n = std::min<size_t>(per, count - first + 1);
    chunk.resize(n * reclen);
    s.dbf->ReadExact(s.header.RecordOffset(first), chunk.data(), chunk.size());
    out.clear();
    for (size_t r = 0; r < n; ++r) {
      const char* rec = chunk.data() + r * reclen;
      if (rec[0] == '*') continue;
      size_t at = out.size();
      out.append(rec, reclen);
      if (!texts.empty() || (s.memo && !memo_fields.empty())) {
        for (size_t i : memo_fields) {
          const std::string& t = texts[text++];
          uint32_t block = t.empty() ? 0 : s.memo->Append(t);
          EncodeMemoPointer(block, &out[at + s.header.fields[i].offset]);
        }
      }
    }
    if (!out.empty()) s.dbf->Write(s.header.RecordOffset(kept + 1), out.data(), out.size());
    kept += static_cast<uint32_t>(out.size() / reclen);
  }
  uint64_t end = s.header.RecordOffset(kept + 1);
  s.dbf->Truncate(end);
  char eof = 0x1A;
  s.dbf->Write(end, &eof, 1);
  s.header.record_count = kept;
  s.WriteCountAndDate();
  if (s.mdx) {
    s.mdx->Rebuild([&](int tag) { return CollectKeys(s, tag); });
  }
  change.Commit();
}

void Table::AddField(const FieldDef& field) {
  TableState& s = Writable(state_);
  if (s.header.level != 3)
    throw EngineError(s.path + ": fields can be added only to dBase III/IV tables");
  FieldDef f = field;
  for (char& c : f.name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (f.type == 'F') f.type = 'N';
  CheckNewField(f, s.path);
  if (FieldIndex(f.name) >= 0) throw EngineError(s.path + ": field " + f.name + " already exists");
  s.CheckExclusive(state_.use_count());
  DbfHeader nh = s.header;
  nh.fields.push_back(f);
  bool adds_memo = f.type == 'M' && !s.memo;
  if (adds_memo) nh.version = static_cast<uint8_t>(nh.version | 0x88);
  std::string head = nh.Build();
  if (nh.record_length > 4000) throw EngineError(s.path + ": a record is at most 4000 bytes");
  const uint32_t count = s.header.record_count;
  const uint32_t oldlen = s.header.record_length, newlen = nh.record_length;
  AtomicChange change;
  // Records move up; going from the last one down, writes never reach a
  // record not yet read.
  const size_t per = std::max<size_t>(1, (1u << 20) / newlen);
  std::string chunk, out;
  for (uint64_t last = count; last >= 1;) {
    uint64_t first = last >= per ? last - per + 1 : 1;
    size_t n = static_cast<size_t>(last - first + 1);
    chunk.resize(n * oldlen);
    s.dbf->ReadExact(s.header.RecordOffset(static_cast<uint32_t>(first)), chunk.data(),
                     chunk.size());
    out.assign(n * newlen, ' ');
    for (size_t r = 0; r < n; ++r) std::memcpy(&out[r * newlen], &chunk[r * oldlen], oldlen);
    s.dbf->Write(nh.RecordOffset(static_cast<uint32_t>(first)), out.data(), out.size());
    last = first - 1;
  }
  s.dbf->Write(0, head.data(), head.size());
  uint64_t end = nh.RecordOffset(count + 1);
  s.dbf->Truncate(end);
  char eof = 0x1A;
  s.dbf->Write(end, &eof, 1);
  if (adds_memo) {
    std::string memo_path = s.CompanionPath("dbt");
    if (auto old = Table::Resolve(memo_path)) DataFile::Open(*old)->Remove();
    auto dbt = DataFile::Create(memo_path);
    MemoFile::Initialize(*dbt, true, std::filesystem::path(s.path).stem().string());
  }
  // Tags keep their keys; the field flags are written again.
  s.header = nh;
  if (s.mdx)
    for (auto& t : s.mdx->tags()) s.SetFieldFlag(static_cast<size_t>(t.field), true);
  change.Commit();
  s.Reload();
}

}  // namespace lumi::dbf
