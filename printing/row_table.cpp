#include "printing/row_table.h"

#include <algorithm>
#include <charconv>

#include "printing/report_error.h"

namespace lumi::print {

RowTable::RowTable(std::vector<std::string> fields) : fields_(std::move(fields)) {}

void RowTable::Add(Row row) {
  if (row.size() != fields_.size())
    throw ReportError("Randul are " + std::to_string(row.size()) + " valori in loc de " +
                      std::to_string(fields_.size()));
  rows_.push_back(std::move(row));
}

void RowTable::Next() {
  if (current_ < rows_.size()) ++current_;
}

const std::optional<std::string>& RowTable::Value(std::string_view field) const {
  const auto it = std::find(fields_.begin(), fields_.end(), field);
  if (it == fields_.end()) throw ReportError("Campul " + std::string(field) + " nu exista");
  if (Eof()) throw ReportError("Nu exista un rand curent");
  return rows_[current_][it - fields_.begin()];
}

std::string RowTable::Text(std::string_view field) const { return Value(field).value_or(""); }

std::optional<double> RowTable::Number(std::string_view field) const {
  const auto& value = Value(field);
  if (!value) return std::nullopt;
  const std::string& s = *value;
  const auto first = s.find_first_not_of(' ');
  if (first == std::string::npos) return std::nullopt;  // blanks: no value
  const auto last = s.find_last_not_of(' ');
  double number = 0;
  const char* begin = s.data() + first;
  const char* end = s.data() + last + 1;
  if (*begin == '+') ++begin;
  const auto [ptr, ec] = std::from_chars(begin, end, number);
  if (ec != std::errc() || ptr != end)
    throw ReportError("Valoarea \"" + s + "\" a campului " + std::string(field) +
                      " nu este un numar");
  return number;
}

}  // namespace lumi::print
