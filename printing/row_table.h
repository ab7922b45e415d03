#pragma once
// Rows held in memory, readable through RowCursor: for samples, tests and the
// benchmark, and for any caller whose rows are already at hand.
#include <optional>
#include <string>
#include <vector>

#include "printing/row_cursor.h"

namespace lumi::print {

class RowTable : public RowCursor {
 public:
  using Row = std::vector<std::optional<std::string>>;  // nullopt: no value

  explicit RowTable(std::vector<std::string> fields);

  // A row holds one value per field, in the order the fields were given.
  void Add(Row row);
  int RowCount() const { return static_cast<int>(rows_.size()); }

  void First() override { current_ = 0; }
  void Next() override;
  bool Eof() const override { return current_ >= rows_.size(); }
  std::string Text(std::string_view field) const override;
  std::optional<double> Number(std::string_view field) const override;

 private:
  const std::optional<std::string>& Value(std::string_view field) const;

  std::vector<std::string> fields_;
  std::vector<Row> rows_;
  size_t current_ = 0;
};

}  // namespace lumi::print
