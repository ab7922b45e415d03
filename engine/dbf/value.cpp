#include "engine/dbf/value.h"

#include <cstdio>

#include "engine/error.h"

namespace lumi::dbf {

namespace {

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

}  // namespace

bool Date::IsValid() const {
  return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
         day <= DaysInMonth(year, month);
}

// Fliegel and Van Flandern's conversion, valid for the whole proleptic range.
int64_t Date::JulianDay() const {
  int64_t a = (14 - month) / 12;
  int64_t y = year + 4800 - a;
  int64_t m = month + 12 * a - 3;
  return day + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045;
}

Date Date::FromJulianDay(int64_t jdn) {
  int64_t a = jdn + 32044;
  int64_t b = (4 * a + 3) / 146097;
  int64_t c = a - 146097 * b / 4;
  int64_t d = (4 * c + 3) / 1461;
  int64_t e = c - 1461 * d / 4;
  int64_t m = (5 * e + 2) / 153;
  Date r;
  r.day = static_cast<int>(e - (153 * m + 2) / 5 + 1);
  r.month = static_cast<int>(m + 3 - 12 * (m / 10));
  r.year = static_cast<int>(100 * b + d - 4800 + m / 10);
  return r;
}

void Value::WrongKind(const char* wanted) const {
  throw EngineError(std::string("value is not ") + wanted + ": " + ToDebugString(*this));
}

std::string ToDebugString(const Value& v) {
  char buf[64];
  switch (v.kind()) {
    case ValueKind::kNull:
      return "NULL";
    case ValueKind::kText:
      return v.text();
    case ValueKind::kNumber:
      std::snprintf(buf, sizeof buf, "%.15g", v.number());
      return buf;
    case ValueKind::kDate: {
      Date d = v.date();
      std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
      return buf;
    }
    case ValueKind::kLogical:
      return v.logical() ? "T" : "F";
  }
  return "?";
}

}  // namespace lumi::dbf
