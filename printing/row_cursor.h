#pragma once
// What a report reads its detail rows from. The engine's query objects are
// adapted to it by the documents; tests and samples use RowTable. Text is UTF-8.
#include <optional>
#include <string>
#include <string_view>

namespace lumi::print {

class RowCursor {
 public:
  virtual ~RowCursor() = default;

  virtual void First() = 0;
  virtual void Next() = 0;
  // True past the last row, and at once when there are no rows.
  virtual bool Eof() const = 0;

  // The current row's field, as text and as a number; nullopt when it holds no
  // value. An unknown field name is the cursor's error to throw.
  virtual std::string Text(std::string_view field) const = 0;
  virtual std::optional<double> Number(std::string_view field) const = 0;
};

}  // namespace lumi::print
