#pragma once

#include <string>
#include <string_view>

#include "engine/dbf/value.h"

namespace lumi::sql {

// A value as one field of tab-separated output: NULL as nothing, a table's
// number with its field's decimals (a computed one, width 0, in its shortest
// form), a date in `date_format`, a logical as TRUE / FALSE, and a tab, CR,
// LF or backslash inside a text written \t, \r, \n, \\.
std::string FormatForTsv(const dbf::Value& v, int width, int decimals,
                         std::string_view date_format);

}  // namespace lumi::sql
