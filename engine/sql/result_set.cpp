#include "engine/sql/result_set.h"

#include <cstring>

#include "engine/sql/values.h"

namespace lumi::sql {

ResultSet::ResultSet(std::vector<ColumnInfo> columns)
    : columns_(std::move(columns)), data_(columns_.size()) {}

void ResultSet::MakeGeneric(Column& c) {
  std::vector<dbf::Value> all;
  all.reserve(rows_ + 1);
  for (size_t r = 0; r < c.null.size(); ++r) all.push_back(Read(c, r));
  c = Column();
  c.store = Store::kGeneric;
  c.generic = std::move(all);
}

void ResultSet::Put(Column& c, const dbf::Value& v) {
  using K = dbf::ValueKind;
  if (c.store == Store::kUnset && !v.is_null()) {
    switch (v.kind()) {
      case K::kNumber:
        c.store = Store::kNumber;
        c.numbers.resize(c.null.size());
        break;
      case K::kText:
        c.store = Store::kText;
        c.text_end.resize(c.null.size());
        break;
      case K::kDate:
        c.store = Store::kDate;
        c.dates.resize(c.null.size());
        break;
      case K::kLogical:
        c.store = Store::kLogical;
        c.logicals.resize(c.null.size());
        break;
      case K::kNull:
        break;
    }
  }
  if (c.store == Store::kGeneric) {
    c.generic.push_back(v);
    return;
  }
  bool fits = v.is_null() || (c.store == Store::kNumber && v.kind() == K::kNumber) ||
              (c.store == Store::kText && v.kind() == K::kText) ||
              (c.store == Store::kDate && v.kind() == K::kDate) ||
              (c.store == Store::kLogical && v.kind() == K::kLogical);
  if (!fits) {
    MakeGeneric(c);
    c.generic.push_back(v);
    return;
  }
  c.null.push_back(v.is_null() ? 1 : 0);
  switch (c.store) {
    case Store::kNumber:
      c.numbers.push_back(v.is_null() ? 0 : v.number());
      break;
    case Store::kText:
      if (!v.is_null()) {
        std::string_view t = TrimRight(v.text());
        c.text.insert(c.text.end(), t.begin(), t.end());
      }
      c.text_end.push_back(c.text.size());
      break;
    case Store::kDate:
      c.dates.push_back(v.is_null() ? 0 : static_cast<int32_t>(v.date().JulianDay()));
      break;
    case Store::kLogical:
      c.logicals.push_back(!v.is_null() && v.logical());
      break;
    default:
      break;
  }
}

void ResultSet::Append(const dbf::Value* const* values) {
  for (size_t i = 0; i < data_.size(); ++i) Put(data_[i], *values[i]);
  ++rows_;
}

void ResultSet::Reserve(size_t rows) {
  for (size_t i = 0; i < data_.size(); ++i) {
    Column& c = data_[i];
    if (c.store != Store::kUnset || columns_[i].width == 0) continue;
    c.null.reserve(rows);
    switch (columns_[i].type) {
      case 'N':
      case 'F':
        c.store = Store::kNumber;
        c.numbers.reserve(rows);
        break;
      case 'C':
      case 'M':
        c.store = Store::kText;
        c.text_end.reserve(rows);
        break;
      case 'D':
        c.store = Store::kDate;
        c.dates.reserve(rows);
        break;
      case 'L':
        c.store = Store::kLogical;
        c.logicals.reserve(rows);
        break;
      default:
        break;
    }
  }
}

dbf::Value ResultSet::Read(const Column& c, size_t r) const {
  if (c.store == Store::kGeneric) return c.generic[r];
  if (c.store == Store::kUnset || c.null[r]) return dbf::Value();
  switch (c.store) {
    case Store::kNumber:
      return dbf::Value::Number(c.numbers[r]);
    case Store::kText: {
      uint64_t begin = r == 0 ? 0 : c.text_end[r - 1];
      return dbf::Value::Text(std::string(c.text.data() + begin, c.text_end[r] - begin));
    }
    case Store::kDate:
      return dbf::Value::FromDate(dbf::Date::FromJulianDay(c.dates[r]));
    case Store::kLogical:
      return dbf::Value::Logical(c.logicals[r] != 0);
    default:
      return dbf::Value();
  }
}

dbf::Value ResultSet::Get(size_t row, size_t column) const {
  return Read(data_[column], Physical(row));
}

bool ResultSet::IsNull(size_t row, size_t column) const {
  const Column& c = data_[column];
  size_t r = Physical(row);
  if (c.store == Store::kGeneric) return c.generic[r].is_null();
  return c.store == Store::kUnset || c.null[r];
}

int ResultSet::CompareCells(size_t column, size_t a, size_t b, std::string_view date_format) const {
  const Column& c = data_[column];
  if (c.store == Store::kGeneric) return CompareValues(c.generic[a], c.generic[b], date_format);
  if (c.store == Store::kUnset) return 0;
  if (c.null[a] || c.null[b]) return c.null[a] == c.null[b] ? 0 : (c.null[a] ? -1 : 1);
  switch (c.store) {
    case Store::kNumber:
      return c.numbers[a] < c.numbers[b] ? -1 : (c.numbers[a] > c.numbers[b] ? 1 : 0);
    case Store::kDate:
      return c.dates[a] < c.dates[b] ? -1 : (c.dates[a] > c.dates[b] ? 1 : 0);
    case Store::kLogical:
      return static_cast<int>(c.logicals[a]) - static_cast<int>(c.logicals[b]);
    case Store::kText: {
      uint64_t ba = a == 0 ? 0 : c.text_end[a - 1];
      uint64_t bb = b == 0 ? 0 : c.text_end[b - 1];
      std::string_view x(c.text.data() + ba, c.text_end[a] - ba);
      std::string_view y(c.text.data() + bb, c.text_end[b] - bb);
      int r = x.compare(y);
      return r < 0 ? -1 : (r > 0 ? 1 : 0);
    }
    default:
      return 0;
  }
}

uint64_t ResultSet::SortKey(size_t column, size_t row, bool* exact) const {
  const Column& c = data_[column];
  *exact = true;
  if (c.store == Store::kUnset) return 0;
  if (c.store == Store::kGeneric) {
    *exact = false;  // mixed kinds: CompareCells decides every pair
    return 1;
  }
  if (c.null[row]) return 0;
  // Keys of values start at 1: the top half of the range for non-negative
  // numbers, below it the negative ones in reverse.
  switch (c.store) {
    case Store::kNumber: {
      double d = c.numbers[row];
      if (d == 0) d = 0;  // -0 sorts with 0
      uint64_t bits;
      std::memcpy(&bits, &d, sizeof d);
      uint64_t key = (bits & 0x8000000000000000ull) ? ~bits : bits | 0x8000000000000000ull;
      if (key == 0 || d != d) {  // the very lowest value, or NaN: compare in full
        *exact = false;
        return 1;
      }
      return key;
    }
    case Store::kDate:
      return static_cast<uint64_t>(static_cast<int64_t>(c.dates[row]) + (int64_t{1} << 40));
    case Store::kLogical:
      return 1 + c.logicals[row];
    case Store::kText: {
      uint64_t begin = row == 0 ? 0 : c.text_end[row - 1];
      uint64_t n = c.text_end[row] - begin;
      unsigned char b[8] = {0, 0, 0, 0, 0, 0, 0, 0};
      std::memcpy(b, c.text.data() + begin, n < 8 ? n : 8);
      uint64_t key = 0;
      for (unsigned char x : b) key = (key << 8) | x;
      *exact = false;
      // An empty text sorts right after NULL; the key keeps it above 0.
      return key == UINT64_MAX ? key : key + 1;
    }
    default:
      *exact = false;
      return 1;
  }
}

void ResultSet::Reorder(std::vector<uint32_t> order) {
  if (!order_.empty()) {
    for (auto& o : order) o = order_[o];
  }
  order_ = std::move(order);
}

void ResultSet::KeepColumns(size_t count) {
  if (count >= columns_.size()) return;
  columns_.resize(count);
  data_.resize(count);
}

size_t ResultSet::MemoryBytes() const {
  size_t n = order_.capacity() * sizeof(uint32_t);
  for (const Column& c : data_) {
    n += c.null.capacity() + c.numbers.capacity() * 8 + c.dates.capacity() * 4 +
         c.logicals.capacity() + c.text.capacity() + c.text_end.capacity() * 8 +
         c.generic.capacity() * sizeof(dbf::Value);
  }
  return n;
}

}  // namespace lumi::sql
