#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/dbf/value.h"
#include "engine/sql/ast.h"

namespace lumi::sql {

// A record filter compiled against the columns of a result, e.g.
// "(STOC>0) AND (TIP=0) AND (DENUMIRE='AB*')": comparisons, AND, OR, NOT,
// IS NULL, constants in quotes (a text ending in * matches every value that
// begins with what precedes it), dates as text in the session's date format.
// A blank field compares as an empty text or 0.
class RowFilter {
 public:
  // Throws EngineError for a filter that does not parse or names a column that
  // is not among `columns` (names compared ignoring case).
  RowFilter(std::string_view text, const std::vector<std::string>& columns,
            std::string date_format);
  ~RowFilter();

  // `get(column)` gives the row's value of a column.
  bool Matches(const std::function<dbf::Value(int)>& get) const;

 private:
  ExprPtr expr_;
  std::vector<int> used_;  // columns the filter reads
  size_t column_count_;
  std::string date_format_;
  mutable std::vector<dbf::Value> row_;
};

}  // namespace lumi::sql
