#include "engine/sql/text_output.h"

#include "engine/sql/values.h"

namespace lumi::sql {

std::string FormatForTsv(const dbf::Value& v, int width, int decimals,
                         std::string_view date_format) {
  switch (v.kind()) {
    case dbf::ValueKind::kNull:
      return "";
    case dbf::ValueKind::kNumber:
      return width > 0 ? FormatFixed(v.number(), decimals) : FormatNumber(v.number());
    case dbf::ValueKind::kDate:
      return FormatDate(v.date(), date_format);
    case dbf::ValueKind::kLogical:
      return v.logical() ? "TRUE" : "FALSE";
    case dbf::ValueKind::kText:
      break;
  }
  std::string out;
  for (char c : v.text()) {
    switch (c) {
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        out.push_back(c);
    }
  }
  return out;
}

}  // namespace lumi::sql
