// The production index of a Table: tags, lookups, checking and rebuilding.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>

#include "engine/dbf/field_codec.h"
#include "engine/dbf/index_key.h"
#include "engine/dbf/key_order.h"
#include "engine/dbf/table.h"
#include "engine/dbf/table_state.h"
#include "engine/error.h"

namespace lumi::dbf {

SortedKeys SortKeys(const TableState& s, const FieldDef& f) {
  SortedKeys out;
  out.key_length = static_cast<size_t>(KeyLength(f));
  const uint32_t reclen = s.header.record_length;
  const uint32_t count = s.header.record_count;
  out.keys.reserve(static_cast<size_t>(count) * out.key_length);
  const size_t per = std::max<size_t>(1, (1u << 20) / reclen);
  std::string chunk;
  for (uint32_t first = 1; first <= count; first += static_cast<uint32_t>(per)) {
    size_t n = std::min<size_t>(per, count - first + 1);
    chunk.resize(n * reclen);
    s.dbf->ReadExact(s.header.RecordOffset(first), chunk.data(), chunk.size());
    for (size_t r = 0; r < n; ++r) {
      const char* field = chunk.data() + r * reclen + f.offset;
      if (f.type == 'C')
        out.keys.append(field, out.key_length);  // the key is the field's bytes
      else
        out.keys += KeyFromField(f, field);
    }
  }
  out.order = OrderKeys(KeyType(f), out.keys, out.key_length);
  return out;
}

SortedKeys CollectKeys(const TableState& s, int tag) {
  const MdxTag& t = s.mdx->tags()[static_cast<size_t>(tag)];
  return SortKeys(s, s.header.fields[static_cast<size_t>(t.field)]);
}

namespace {

TableState& State(const std::shared_ptr<TableState>& s) {
  if (!s) throw EngineError("the table is not open");
  s->CheckUsable();
  return *s;
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// The tag to look up through; throws when the index cannot serve it.
int LookupTag(const TableState& s, std::string_view name) {
  if (!s.index_problem.empty()) throw EngineError(s.index_problem);
  int t = s.mdx ? s.mdx->FindTag(name) : -1;
  if (t < 0) throw EngineError(s.path + ": there is no index tag " + std::string(name));
  const MdxTag& tag = s.mdx->tags()[static_cast<size_t>(t)];
  if (tag.field < 0 || tag.descending)
    throw EngineError(s.mdx->path() + ": tag " + tag.name + " cannot be used for lookups");
  return t;
}

uint32_t CheckedRecno(const TableState& s, uint32_t recno) {
  if (recno == 0 || recno > s.header.record_count)
    throw EngineError(s.mdx->path() + ": the index lists record " + std::to_string(recno) +
                      ", which the table does not have; rebuilding the index mends it");
  return recno;
}

// N keys of blank fields equal the key of 0: the record decides. Keeps, of
// out[from, to), the records whose field is blank (`keep_blank`) or not. The
// records of a run of equal keys come in record order, so records near each
// other are read together: one read per 64 KB of the table, not one per record.
void KeepByBlankField(const TableState& s, int field, bool keep_blank, std::vector<uint32_t>* out,
                      size_t from, size_t to) {
  const FieldDef& f = s.header.fields[static_cast<size_t>(field)];
  const uint32_t reclen = s.header.record_length;
  const uint32_t span_records = std::max<uint32_t>(1, (64u << 10) / reclen);
  std::string span;
  uint32_t first = 0, count = 0;  // the records span holds
  size_t kept = from;
  std::vector<uint32_t>& v = *out;
  for (size_t i = from; i < to; ++i) {
    const uint32_t recno = v[i];
    if (recno < first || recno >= first + count) {
      // From this record to the last of the following ones within reach.
      uint32_t last = recno;
      for (size_t j = i + 1; j < to && v[j] >= last && v[j] - recno < span_records; ++j)
        last = v[j];
      first = recno;
      count = last - recno + 1;
      span.resize(static_cast<size_t>(count) * reclen);
      s.dbf->ReadExact(s.header.RecordOffset(first), span.data(), span.size());
    }
    const char* bytes = span.data() + static_cast<size_t>(recno - first) * reclen + f.offset;
    if (IsBlank(bytes, static_cast<size_t>(f.width)) == keep_blank) v[kept++] = recno;
  }
  v.erase(v.begin() + static_cast<ptrdiff_t>(kept), v.begin() + static_cast<ptrdiff_t>(to));
}

}  // namespace

std::vector<TagInfo> Table::Tags() const {
  const TableState& s = State(state_);
  std::vector<TagInfo> out;
  if (!s.mdx) return out;
  for (auto& t : s.mdx->tags()) out.push_back({t.name, t.expression, t.type});
  return out;
}

void Table::CreateTag(const std::string& tag, const std::string& field) {
  TableState& s = State(state_);
  s.CheckWritable();
  std::string name = Upper(tag);
  bool good =
      !name.empty() && name.size() <= 10 && std::isalpha(static_cast<unsigned char>(name[0]));
  for (char c : name) good = good && (std::isalnum(static_cast<unsigned char>(c)) || c == '_');
  if (!good)
    throw EngineError(s.path + ": '" + tag +
                      "' is not a valid tag name (1 to 10 letters, digits or _)");
  int fi = FieldIndex(field);
  if (fi < 0) throw EngineError(s.path + ": there is no field " + field);
  const FieldDef& f = s.header.fields[static_cast<size_t>(fi)];
  if (KeyLength(f) == 0) throw EngineError(s.path + ": field " + f.name + " cannot be indexed");
  if (s.mdx && s.mdx->FindTag(name) >= 0)
    throw EngineError(s.path + ": the index already has a tag " + name);
  AtomicChange change;
  if (!s.mdx) {
    std::string path = s.CompanionPath("mdx");
    std::shared_ptr<DataFile> file;
    if (auto old = Resolve(path)) {
      file = DataFile::Open(*old);  // left over from elsewhere: replaced
      file->Truncate(0);
    } else {
      file = DataFile::Create(path);
    }
    MdxFile::Initialize(*file, std::filesystem::path(s.path).stem().string());
    s.mdx_file = file;
    s.mdx = std::make_unique<MdxFile>(file, s.header.fields);
    s.SetProductionFlag(true);
  }
  SortedKeys entries = SortKeys(s, f);
  s.mdx->AddTag(name, f, fi, entries);
  s.SetFieldFlag(static_cast<size_t>(fi), true);
  s.WriteDate();
  change.Commit();
}

void Table::DropIndex() {
  TableState& s = State(state_);
  if (s.dbf->read_only()) throw EngineError(s.path + ": the table is read-only");
  AtomicChange change;
  std::shared_ptr<DataFile> file = s.mdx_file;
  if (!file) {
    if (auto old = Resolve(s.CompanionPath("mdx")); old && s.header.production_index)
      file = DataFile::Open(*old);
  }
  if (file) file->Remove();
  if (s.header.production_index) s.SetProductionFlag(false);
  for (size_t i = 0; i < s.header.fields.size(); ++i) {
    unsigned char b;
    s.dbf->ReadExact(s.header.FieldFlagOffset(i), &b, 1);
    if (b) s.SetFieldFlag(i, false);
  }
  change.Commit();
  s.mdx.reset();
  s.mdx_file.reset();
  s.index_problem.clear();
}

std::vector<uint32_t> Table::FindEqual(std::string_view tag, const Value& key, size_t limit) const {
  const TableState& s = State(state_);
  int ti = LookupTag(s, tag);
  const MdxTag& t = s.mdx->tags()[static_cast<size_t>(ti)];
  const FieldDef& f = s.header.fields[static_cast<size_t>(t.field)];
  std::optional<std::string> k = KeyFromValue(f, key, *s.cp);
  std::vector<uint32_t> out;
  if (!k) return out;
  bool want_null = key.is_null();
  // A zero or empty-text key also matches NULL fields; only the record tells.
  bool check = t.type == 'N' && IsZeroBcd(*k);
  if (!want_null && IsBlankKey(t.type, *k)) return out;
  const KeyProbe probe(t.type, *k, t.key_length);
  for (MdxFile::Cursor c = s.mdx->SeekKey(ti, *k); c.valid(); c.Next()) {
    if (probe.Compare(c.key().data()) != 0) break;
    out.push_back(CheckedRecno(s, c.recno()));
    if (out.size() > limit) return out;
  }
  if (check) KeepByBlankField(s, t.field, want_null, &out, 0, out.size());
  return out;
}

std::vector<uint32_t> Table::FindRange(std::string_view tag, const std::optional<KeyBound>& low,
                                       const std::optional<KeyBound>& high, size_t limit) const {
  const TableState& s = State(state_);
  int ti = LookupTag(s, tag);
  const MdxTag& t = s.mdx->tags()[static_cast<size_t>(ti)];
  const FieldDef& f = s.header.fields[static_cast<size_t>(t.field)];
  std::optional<std::string> lo, hi;
  std::vector<uint32_t> out;
  auto bound_key = [&](const KeyBound& b) -> std::optional<std::string> {
    if (b.key.is_null()) return std::nullopt;
    if (t.type == 'C') {
      // A text bound too long for the field still bounds: compare its first bytes.
      if (b.key.kind() != ValueKind::kText)
        throw EngineError("field " + f.name + ": a text key expected, not " + ToDebugString(b.key));
      std::string bytes, bad;
      if (!s.cp->Encode(b.key.text(), &bytes, &bad)) return std::nullopt;
      return bytes;
    }
    return KeyFromValue(f, b.key, *s.cp);
  };
  if (low) {
    lo = bound_key(*low);
    if (!lo) return out;
  }
  if (high) {
    hi = bound_key(*high);
    if (!hi) return out;
  }
  // Text keys are padded with blanks; so are the bounds.
  for (std::optional<std::string>* b : {&lo, &hi})
    if (*b && t.type == 'C' && (*b)->size() < t.key_length) (*b)->resize(t.key_length, ' ');
  auto cmp = [&](std::string_view key, const std::string& bound) {
    return CompareKeys(t.type, key, bound);
  };
  MdxFile::StartFn start;
  if (lo)
    start = [&](std::string_view k) {
      int c = cmp(k, *lo);
      return low->inclusive ? c >= 0 : c > 0;
    };
  // The entries with the key of 0 on an N tag lie together, out[zeros_from,
  // zeros_to): the NULL fields among them are dropped at the end.
  size_t zeros_from = SIZE_MAX, zeros_to = 0;
  for (MdxFile::Cursor c = s.mdx->Seek(ti, start); c.valid(); c.Next()) {
    std::string_view k = c.key();
    if (hi) {
      int r = cmp(k, *hi);
      if (r > 0 || (r == 0 && !high->inclusive)) break;
    }
    uint32_t recno = CheckedRecno(s, c.recno());
    if (t.type == 'N' && IsZeroBcd(k)) {
      zeros_from = std::min(zeros_from, out.size());
      zeros_to = out.size() + 1;
    } else if (IsBlankKey(t.type, k)) {
      continue;
    }
    out.push_back(recno);
    if (out.size() > limit) return out;
  }
  if (zeros_from != SIZE_MAX) KeepByBlankField(s, t.field, false, &out, zeros_from, zeros_to);
  return out;
}

std::vector<uint32_t> Table::FindPrefix(std::string_view tag, std::string_view utf8_prefix) const {
  const TableState& s = State(state_);
  int ti = LookupTag(s, tag);
  const MdxTag& t = s.mdx->tags()[static_cast<size_t>(ti)];
  if (t.type != 'C') throw EngineError(s.path + ": tag " + t.name + " does not hold text");
  std::string p, bad;
  std::vector<uint32_t> out;
  if (!s.cp->Encode(utf8_prefix, &p, &bad)) return out;
  if (p.size() > t.key_length) return out;
  auto head = [&](std::string_view k) { return std::memcmp(k.data(), p.data(), p.size()); };
  MdxFile::Cursor c = s.mdx->Seek(ti, [&](std::string_view k) { return head(k) >= 0; });
  for (; c.valid(); c.Next()) {
    std::string_view k = c.key();
    if (head(k) != 0) break;
    uint32_t recno = CheckedRecno(s, c.recno());
    if (!IsBlankKey('C', k)) out.push_back(recno);
  }
  return out;
}

std::optional<std::string> Table::VerifyIndex() const {
  const TableState& s = State(state_);
  if (!s.index_problem.empty()) return s.index_problem;
  if (!s.mdx) return std::nullopt;
  const uint32_t count = s.header.record_count;
  for (size_t ti = 0; ti < s.mdx->tags().size(); ++ti) {
    const MdxTag& t = s.mdx->tags()[ti];
    if (t.field < 0 || !t.maintainable) continue;
    std::string tree = s.mdx->CheckTree(static_cast<int>(ti));
    if (!tree.empty()) return "tag " + t.name + ": " + tree;
    SortedKeys want;
    try {
      want = CollectKeys(s, static_cast<int>(ti));
    } catch (const std::exception& e) {
      return std::string(e.what());
    }
    std::vector<char> seen(static_cast<size_t>(count) + 1, 0);
    std::optional<std::string> fault;
    size_t pos = 0;
    try {
      MdxFile::Cursor c = s.mdx->Seek(static_cast<int>(ti), MdxFile::StartFn());
      for (; c.valid() && !fault; c.Next()) {
        std::string_view k = c.key();
        uint32_t recno = c.recno();
        if (recno == 0 || recno > count) {
          fault = "tag " + t.name + ": lists record " + std::to_string(recno) +
                  ", past the table's end";
        } else if (seen[recno]) {
          fault = "tag " + t.name + ": lists record " + std::to_string(recno) + " twice";
        } else if (pos >= want.size() || want.recno(pos) != recno ||
                   CompareKeys(t.type, want.key(pos), k) != 0) {
          uint32_t expected = pos < want.size() ? want.recno(pos) : 0;
          fault = "tag " + t.name + ": at position " + std::to_string(pos + 1) +
                  " the index holds record " + std::to_string(recno) +
                  ", the table's order has record " + std::to_string(expected);
        } else {
          seen[recno] = 1;
          ++pos;
        }
      }
    } catch (const std::exception& e) {
      return std::string(e.what());
    }
    if (fault) return fault;
    if (pos != want.size())
      return "tag " + t.name + ": record " + std::to_string(want.recno(pos)) + " is missing";
  }
  return std::nullopt;
}

void Table::RebuildIndex() {
  TableState& s = State(state_);
  if (!s.mdx) {
    if (s.header.production_index)
      throw EngineError(s.index_problem.empty() ? s.path + ": the index cannot be rebuilt"
                                                : s.index_problem);
    return;
  }
  if (s.dbf->read_only()) throw EngineError(s.path + ": the table is read-only");
  for (auto& t : s.mdx->tags())
    if (t.field < 0)
      throw EngineError(s.mdx->path() + ": tag " + t.name + " cannot be rebuilt by this program");
  AtomicChange change;
  s.mdx->Rebuild([&](int tag) { return CollectKeys(s, tag); });
  change.Commit();
  s.index_problem.clear();
}

}  // namespace lumi::dbf
