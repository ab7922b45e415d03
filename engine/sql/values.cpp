#include "engine/sql/values.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/error.h"

namespace lumi::sql {

namespace {

bool ReadDigits(std::string_view text, size_t& i, int min_digits, int max_digits, int& out) {
  int n = 0;
  out = 0;
  while (i < text.size() && n < max_digits && text[i] >= '0' && text[i] <= '9') {
    out = out * 10 + (text[i] - '0');
    ++i;
    ++n;
  }
  return n >= min_digits;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  return TrimRight(s);
}

std::optional<dbf::Date> ParseIso(std::string_view t) {
  size_t i = 0;
  dbf::Date d;
  if (!ReadDigits(t, i, 4, 4, d.year) || i >= t.size() || t[i++] != '-') return std::nullopt;
  if (!ReadDigits(t, i, 1, 2, d.month) || i >= t.size() || t[i++] != '-') return std::nullopt;
  if (!ReadDigits(t, i, 1, 2, d.day) || i != t.size()) return std::nullopt;
  if (!d.IsValid()) return std::nullopt;
  return d;
}

}  // namespace

std::string_view TrimRight(std::string_view s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.remove_suffix(1);
  return s;
}

void CheckDateFormat(std::string_view f) {
  bool day = f.find('d') != std::string_view::npos;
  bool month = f.find('M') != std::string_view::npos;
  bool year = f.find("yy") != std::string_view::npos;
  if (!day || !month || !year) {
    throw EngineError("Invalid date format \"" + std::string(f) +
                      "\": it needs a day (dd), a month (MM) and a year (yyyy)");
  }
}

std::optional<dbf::Date> ParseDate(std::string_view text, std::string_view format) {
  std::string_view t = Trim(text);
  dbf::Date d;
  size_t i = 0;
  size_t f = 0;
  bool ok = true;
  while (f < format.size() && ok) {
    auto run = [&](char c) {
      size_t n = 0;
      while (f + n < format.size() && format[f + n] == c) ++n;
      return n;
    };
    char c = format[f];
    if (c == 'd' || c == 'M') {
      size_t n = run(c);
      if (n > 2) {
        ok = false;
        break;
      }
      f += n;
      ok = ReadDigits(t, i, 1, 2, c == 'd' ? d.day : d.month);
    } else if (c == 'y') {
      size_t n = run(c);
      f += n;
      size_t start = i;
      ok = ReadDigits(t, i, 2, 4, d.year);
      if (ok && i - start == 2) d.year += d.year < 50 ? 2000 : 1900;
      if (ok && i - start == 3) ok = false;
    } else {
      ok = i < t.size() && t[i] == c;
      ++i;
      ++f;
    }
  }
  if (ok && i == t.size() && d.IsValid()) return d;
  return ParseIso(t);
}

std::string FormatDate(const dbf::Date& d, std::string_view format) {
  std::string out;
  size_t f = 0;
  char buf[16];
  while (f < format.size()) {
    char c = format[f];
    size_t n = 0;
    while (f + n < format.size() && format[f + n] == c) ++n;
    if (c == 'd' || c == 'M') {
      int v = c == 'd' ? d.day : d.month;
      std::snprintf(buf, sizeof buf, n >= 2 ? "%02d" : "%d", v);
      out += buf;
    } else if (c == 'y') {
      std::snprintf(buf, sizeof buf, n >= 4 ? "%04d" : "%02d", n >= 4 ? d.year : d.year % 100);
      out += buf;
    } else {
      out.append(n, c);
    }
    f += n;
  }
  return out;
}

std::string FormatNumber(double d) {
  if (d == 0) return "0";
  char buf[400];
  std::snprintf(buf, sizeof buf, "%.15g", d);
  if (!std::strchr(buf, 'e')) return buf;
  // Small or large magnitudes: write all the digits out.
  int exponent = static_cast<int>(std::floor(std::log10(std::fabs(d))));
  int decimals = exponent < 0 ? std::min(14 - exponent, 60) : 0;
  std::snprintf(buf, sizeof buf, "%.*f", decimals, d);
  std::string s = buf;
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  return s;
}

std::string FormatFixed(double d, int decimals) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, d);
  std::string s = buf;
  if (s == "-0" || (s.rfind("-0.", 0) == 0 && s.find_first_not_of("-0.") == std::string::npos)) {
    s.erase(0, 1);
  }
  return s;
}

std::optional<double> ParseNumber(std::string_view text) {
  std::string_view t = Trim(text);
  if (t.empty()) return std::nullopt;
  std::string s(t);
  // Only plain decimal numbers: no hex, no inf/nan.
  for (char c : s) {
    if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E')) {
      return std::nullopt;
    }
  }
  char* end = nullptr;
  double d = std::strtod(s.c_str(), &end);
  if (end != s.c_str() + s.size()) return std::nullopt;
  return d;
}

std::string ToUpper(std::string s) {
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return s;
}

const char* KindName(dbf::ValueKind k) {
  switch (k) {
    case dbf::ValueKind::kNull:
      return "NULL";
    case dbf::ValueKind::kText:
      return "text";
    case dbf::ValueKind::kNumber:
      return "number";
    case dbf::ValueKind::kDate:
      return "date";
    case dbf::ValueKind::kLogical:
      return "logical";
  }
  return "value";
}

int CompareValues(const dbf::Value& a, const dbf::Value& b, std::string_view date_format) {
  using K = dbf::ValueKind;
  if (a.kind() == K::kNumber && b.kind() == K::kNumber) {
    double x = a.number(), y = b.number();
    return x < y ? -1 : (x > y ? 1 : 0);
  }
  if (a.is_null() || b.is_null()) return a.is_null() == b.is_null() ? 0 : (a.is_null() ? -1 : 1);
  K ka = a.kind();
  K kb = b.kind();
  if (ka == kb) {
    switch (ka) {
      case K::kNumber: {
        double x = a.number();
        double y = b.number();
        return x < y ? -1 : (x > y ? 1 : 0);
      }
      case K::kText: {
        int c = TrimRight(a.text()).compare(TrimRight(b.text()));
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
      }
      case K::kDate: {
        auto c = a.date() <=> b.date();
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
      }
      case K::kLogical:
        return static_cast<int>(a.logical()) - static_cast<int>(b.logical());
      case K::kNull:
        return 0;
    }
  }
  if ((ka == K::kDate && kb == K::kText) || (ka == K::kText && kb == K::kDate)) {
    const dbf::Value& t = ka == K::kText ? a : b;
    auto d = ParseDate(t.text(), date_format);
    if (!d) {
      if (TrimRight(t.text()).empty()) return ka == K::kText ? -1 : 1;  // blank: no date
      throw EngineError("'" + t.text() + "' is not a valid date (format " +
                        std::string(date_format) + ")");
    }
    dbf::Value dv = dbf::Value::FromDate(*d);
    return ka == K::kDate ? CompareValues(a, dv, date_format) : CompareValues(dv, b, date_format);
  }
  throw EngineError(std::string("Type mismatch: cannot compare ") + KindName(ka) + " " +
                    ToDebugString(a) + " with " + KindName(kb) + " " + ToDebugString(b));
}

bool Like(std::string_view v, std::string_view p) {
  // Iterative matcher with backtracking on the last %.
  size_t vi = 0, pi = 0, star = std::string_view::npos, mark = 0;
  while (vi < v.size()) {
    if (pi < p.size() && (p[pi] == '_' || p[pi] == v[vi])) {
      ++vi;
      ++pi;
    } else if (pi < p.size() && p[pi] == '%') {
      star = pi++;
      mark = vi;
    } else if (star != std::string_view::npos) {
      pi = star + 1;
      vi = ++mark;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == '%') ++pi;
  return pi == p.size();
}

dbf::Value ConvertForField(const dbf::Value& v, char type, const std::string& field,
                           std::string_view date_format) {
  using K = dbf::ValueKind;
  if (v.is_null()) return v;
  K k = v.kind();
  auto mismatch = [&](const char* wanted) -> dbf::Value {
    throw EngineError(std::string("Type mismatch: field ") + field + " takes " + wanted +
                      ", not the " + KindName(k) + " " + ToDebugString(v));
  };
  switch (type) {
    case 'C':
    case 'M':
      if (k == K::kText) return v;
      return mismatch("text");
    case 'N':
    case 'F':
      if (k == K::kNumber) return v;
      return mismatch("a number");
    case 'D':
      if (k == K::kDate) return v;
      if (k == K::kText) {
        if (TrimRight(v.text()).empty()) return dbf::Value();
        auto d = ParseDate(v.text(), date_format);
        if (!d) {
          throw EngineError("'" + v.text() + "' is not a valid date for field " + field +
                            " (format " + std::string(date_format) + ")");
        }
        return dbf::Value::FromDate(*d);
      }
      return mismatch("a date");
    case 'L':
      if (k == K::kLogical) return v;
      return mismatch("TRUE or FALSE");
    default:
      return v;
  }
}

}  // namespace lumi::sql
