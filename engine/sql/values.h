#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "engine/dbf/value.h"

namespace lumi::sql {

// Dates as text, in a short date format made of dd / d, MM / M, yyyy / yy and
// literal characters ("dd.MM.yyyy"). Parsing accepts one or two digits for a
// day or month and a two-digit year as 19yy / 20yy (below 50: 20yy); it also
// accepts ISO "yyyy-mm-dd". nullopt for a text that is no valid date.
std::optional<dbf::Date> ParseDate(std::string_view text, std::string_view format);
std::string FormatDate(const dbf::Date& d, std::string_view format);
// Throws EngineError unless `format` has a day, a month and a year.
void CheckDateFormat(std::string_view format);

// A number in its shortest form: up to 15 significant digits, "." as decimal
// point, no exponent ("12.5", "75", "0.00001").
std::string FormatNumber(double d);
// A number with exactly `decimals` decimals ("12.50").
std::string FormatFixed(double d, int decimals);
// Reads a whole text as a number ("12.5", "-3", " 7 "); nullopt otherwise.
std::optional<double> ParseNumber(std::string_view text);

// Text without its trailing blanks: how every text compares.
std::string_view TrimRight(std::string_view s);

// How two values order: <0, 0, >0. NULL sorts before everything else. Values
// of different kinds are made alike first: a text against a date is read as a
// date in `date_format`; other mixes throw EngineError "Type mismatch".
int CompareValues(const dbf::Value& a, const dbf::Value& b, std::string_view date_format);

// SQL LIKE with % (any run) and _ (one character), case-sensitive.
bool Like(std::string_view value, std::string_view pattern);

// Makes `v` fit a field of dBase type `type` (C N F D L M), converting a text to a
// date in `date_format`; throws EngineError "Type mismatch" naming `field`.
dbf::Value ConvertForField(const dbf::Value& v, char type, const std::string& field,
                           std::string_view date_format);

// ASCII upper case: names of tables, columns and keywords.
std::string ToUpper(std::string s);

// For messages: the kind of a value in words.
const char* KindName(dbf::ValueKind k);

}  // namespace lumi::sql
