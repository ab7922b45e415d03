#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/dbf/value.h"
#include "engine/sql/big_allocator.h"

namespace lumi::sql {

// A column of a result: its name and, for a table column, the field's dBase
// type, width and decimals. A computed column has width 0 and the type of its
// first value (N, C, D or L).
struct ColumnInfo {
  std::string name;
  char type = 'C';
  int width = 0;
  int decimals = 0;
};

// The rows of a SELECT, held column by column so that a large result costs
// about what its values take on disk (numbers as doubles, texts without their
// trailing blanks in one buffer per column).
class ResultSet {
 public:
  explicit ResultSet(std::vector<ColumnInfo> columns);

  const std::vector<ColumnInfo>& columns() const { return columns_; }
  size_t column_count() const { return columns_.size(); }
  size_t size() const { return order_.empty() ? rows_ : order_.size(); }

  void Append(const dbf::Value* const* values);  // column_count() values
  // Room for `rows` rows in every column whose kind is known from its type.
  void Reserve(size_t rows);
  dbf::Value Get(size_t row, size_t column) const;
  bool IsNull(size_t row, size_t column) const;

  // Orders two rows (positions before any Reorder) by one column: NULL first,
  // then as CompareValues.
  int CompareCells(size_t column, size_t a, size_t b, std::string_view date_format) const;

  // A number that orders the cells of one column as CompareCells does, as
  // far as it goes: a smaller key is a smaller cell. When two keys are equal
  // the cells are equal too if `*exact`, else CompareCells must decide (texts
  // share their first 8 bytes). NULL has key 0; every other cell more.
  uint64_t SortKey(size_t column, size_t row, bool* exact) const;

  // Rows in a new order: order[i] is the old position of the new row i.
  void Reorder(std::vector<uint32_t> order);
  // Drops the columns from `count` on (hidden sort keys).
  void KeepColumns(size_t count);
  size_t MemoryBytes() const;

 private:
  enum class Store { kUnset, kNumber, kText, kDate, kLogical, kGeneric };
  struct Column {
    Store store = Store::kUnset;
    BigVector<uint8_t> null;
    BigVector<double> numbers;
    BigVector<int32_t> dates;  // Julian day
    BigVector<uint8_t> logicals;
    BigVector<char> text;
    BigVector<uint64_t> text_end;  // end offset of each row's text in `text`
    std::vector<dbf::Value> generic;
  };
  void Put(Column& c, const dbf::Value& v);
  void MakeGeneric(Column& c);
  dbf::Value Read(const Column& c, size_t r) const;
  size_t Physical(size_t row) const { return order_.empty() ? row : order_[row]; }

  std::vector<ColumnInfo> columns_;
  std::vector<Column> data_;
  size_t rows_ = 0;
  std::vector<uint32_t> order_;
};

}  // namespace lumi::sql
