#include "engine/dbf/field_codec.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "engine/dbf/codepage.h"
#include "engine/error.h"

namespace lumi::dbf {

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\0')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.remove_suffix(1);
  return s;
}

[[noreturn]] void BadValue(const std::string& where, const FieldDef& f, const std::string& what) {
  throw EngineError(where + ": field " + f.name + ": " + what);
}

std::string TypeText(const FieldDef& f) {
  std::string s(1, f.type);
  s += "(" + std::to_string(f.width);
  if (f.decimals) s += "," + std::to_string(f.decimals);
  return s + ")";
}

uint32_t BigEndian32(const char* p) {
  const unsigned char* u = reinterpret_cast<const unsigned char*>(p);
  return (uint32_t{u[0]} << 24) | (uint32_t{u[1]} << 16) | (uint32_t{u[2]} << 8) | u[3];
}

void PutBigEndian32(uint32_t v, char* out) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<char>(v >> (24 - 8 * i));
}

bool AllZero(const char* p, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (p[i]) return false;
  return true;
}

// Plain decimal text ("-12.50"): digits with an optional sign and point.
// Exact as long as the digits make an integer below 2^53 and there are at
// most 22 decimals: both are exact doubles, and one division rounds
// correctly. False for anything else.
bool QuickDecimal(std::string_view s, double* out) {
  size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  uint64_t mantissa = 0;
  int digits = 0, decimals = -1;
  for (; i < s.size(); ++i) {
    char c = s[i];
    if (c >= '0' && c <= '9') {
      if (++digits > 15) return false;
      mantissa = mantissa * 10 + static_cast<uint64_t>(c - '0');
      if (decimals >= 0) ++decimals;
    } else if (c == '.' && decimals < 0) {
      decimals = 0;
    } else {
      return false;
    }
  }
  if (digits == 0) return false;
  static constexpr double kPow10[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                      1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  double d = static_cast<double>(mantissa);
  if (decimals > 0) d /= kPow10[decimals];
  *out = negative ? -d : d;
  return true;
}

Value DecodeNumber(const FieldDef& f, std::string_view s, const std::string& where) {
  s = Trim(s);
  if (s.empty()) return Value();
  if (double quick; QuickDecimal(s, &quick)) return Value::Number(quick);
  if (s[0] == '*' && s.find_first_not_of('*') == std::string_view::npos)
    return Value();  // overflow mark
  // Most fields are plain digits with an optional sign and point: no copy.
  std::string copy;
  if (s.find(',') != std::string_view::npos) {
    copy.assign(s);
    for (char& c : copy)
      if (c == ',') c = '.';
    s = copy;
  }
  const char* b = s.data();
  const char* e = b + s.size();
  if (*b == '+') ++b;
  double d = 0;
  auto r = std::from_chars(b, e, d);
  if (r.ec != std::errc() || r.ptr != e || b == e)
    BadValue(where, f, "not a number: '" + std::string(s) + "'");
  return Value::Number(d);
}

Value DecodeDate(const FieldDef& f, std::string_view s, const std::string& where) {
  std::string_view t = Trim(s);
  if (t.empty() || t.find_first_not_of('0') == std::string_view::npos) return Value();
  int part[3] = {0, 0, 0};
  static const int kLen[3] = {4, 2, 2};
  size_t pos = 0;
  bool ok = s.size() == 8;
  for (int k = 0; k < 3 && ok; ++k) {
    for (int i = 0; i < kLen[k]; ++i, ++pos) {
      if (s[pos] < '0' || s[pos] > '9')
        ok = false;
      else
        part[k] = part[k] * 10 + (s[pos] - '0');
    }
  }
  Date d{part[0], part[1], part[2]};
  if (!ok || !d.IsValid()) BadValue(where, f, "not a date: '" + std::string(s) + "'");
  return Value::FromDate(d);
}

}  // namespace

bool IsBlank(const char* bytes, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (bytes[i] != ' ' && bytes[i] != '\0') return false;
  return true;
}

std::string FormatNumber(double v, int width, int decimals) {
  if (!std::isfinite(v) || width <= 0 || decimals < 0) return {};
  // The shortest decimal text that reads back as v, so that 2.675 rounds as
  // the user typed it, not as its binary neighbour.
  char buf[400];
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
  if (r.ec != std::errc()) return {};
  const char* p = buf;
  const char* end = r.ptr;
  bool negative = p < end && *p == '-';
  if (negative) ++p;
  const char* dot = std::find(p, end, '.');
  const size_t int_digits = static_cast<size_t>(dot - p);
  const size_t frac_digits = dot == end ? 0 : static_cast<size_t>(end - dot - 1);
  const size_t dec = static_cast<size_t>(decimals);
  // The integer and the kept fraction digits as one run, with a spare '0' in
  // front for a carry out of the rounding.
  const size_t n = 1 + int_digits + dec;
  char small[128];
  std::string large;
  char* digits = small;
  if (n > sizeof small) {
    large.resize(n);
    digits = large.data();
  }
  digits[0] = '0';
  std::memcpy(digits + 1, p, int_digits);
  size_t kept = std::min(frac_digits, dec);
  if (kept) std::memcpy(digits + 1 + int_digits, dot + 1, kept);
  std::memset(digits + 1 + int_digits + kept, '0', dec - kept);
  if (frac_digits > dec && dot[1 + dec] >= '5') {
    size_t i = n - 1;
    while (digits[i] == '9') digits[i--] = '0';  // stops at the spare '0' at the latest
    ++digits[i];
  }
  // The integer part without leading zeros, "0" at least.
  size_t first = 0;
  const size_t int_end = n - dec;
  while (first + 1 < int_end && digits[first] == '0') ++first;
  bool zero = true;
  for (size_t i = first; i < n && zero; ++i) zero = digits[i] == '0';
  const bool minus = negative && !zero;
  const size_t length = (minus ? 1 : 0) + (int_end - first) + (dec ? dec + 1 : 0);
  if (length > static_cast<size_t>(width)) return {};
  std::string out(static_cast<size_t>(width), ' ');
  char* o = out.data() + (static_cast<size_t>(width) - length);
  if (minus) *o++ = '-';
  std::memcpy(o, digits + first, int_end - first);
  o += int_end - first;
  if (dec) {
    *o++ = '.';
    std::memcpy(o, digits + int_end, dec);
  }
  return out;
}

Value DecodeField(const FieldDef& f, const char* bytes, const CodePage& cp,
                  const std::string& where) {
  std::string_view raw(bytes, static_cast<size_t>(f.width));
  switch (f.type) {
    case 'C': {
      std::string_view t = raw;
      while (!t.empty() && (t.back() == ' ' || t.back() == '\0')) t.remove_suffix(1);
      if (t.empty()) return Value();
      return Value::Text(cp.Decode(t));
    }
    case 'N':
    case 'F':
      return DecodeNumber(f, raw, where);
    case 'D':
      return DecodeDate(f, raw, where);
    case 'L':
      switch (raw[0]) {
        case 'T':
        case 't':
        case 'Y':
        case 'y':
          return Value::Logical(true);
        case 'F':
        case 'f':
        case 'N':
        case 'n':
          return Value::Logical(false);
        default:
          return Value();
      }
    case 'I':
    case '+':
      if (AllZero(bytes, 4)) return Value();
      return Value::Number(static_cast<int32_t>(BigEndian32(bytes) ^ 0x80000000u));
    case 'O': {
      if (AllZero(bytes, 8)) return Value();
      uint64_t bits = (uint64_t{BigEndian32(bytes)} << 32) | BigEndian32(bytes + 4);
      bits = (bits & 0x8000000000000000ull) ? (bits & ~0x8000000000000000ull) : ~bits;
      double d;
      std::memcpy(&d, &bits, 8);
      return Value::Number(d);
    }
    case '@': {
      if (AllZero(bytes, 8)) return Value();
      Date d = Date::FromJulianDay(BigEndian32(bytes));
      if (!d.IsValid()) return Value();
      return Value::FromDate(d);
    }
    default:
      BadValue(where, f, "this field type has no plain value");
  }
}

void EncodeField(const FieldDef& f, const Value& v, const CodePage& cp, const std::string& where,
                 char* out) {
  const size_t w = static_cast<size_t>(f.width);
  bool binary = f.type == 'I' || f.type == '+' || f.type == 'O' || f.type == '@';
  if (v.is_null()) {
    std::memset(out, binary ? 0 : ' ', w);
    return;
  }
  auto wrong_kind = [&](const char* expected) {
    BadValue(where, f, std::string(expected) + " expected, not '" + ToDebugString(v) + "'");
  };
  switch (f.type) {
    case 'C': {
      if (v.kind() != ValueKind::kText) wrong_kind("text");
      const std::string& text = v.text();
      // Plain ASCII is the same bytes in every code page.
      if (std::all_of(text.begin(), text.end(),
                      [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        size_t n = text.size();
        while (n > w && text[n - 1] == ' ') --n;  // trailing blanks are not part of the value
        if (n <= w) {
          std::memcpy(out, text.data(), n);
          std::memset(out + n, ' ', w - n);
          return;
        }
      }
      std::string bytes, bad;
      if (!cp.Encode(text, &bytes, &bad)) {
        if (bad == "invalid UTF-8") BadValue(where, f, "the text is not valid UTF-8");
        BadValue(where, f,
                 "the character '" + bad + "' cannot be stored in code page " +
                     std::to_string(cp.number()) + " (in '" + v.text() + "')");
      }
      // Trailing blanks are not part of the value.
      while (bytes.size() > w && bytes.back() == ' ') bytes.pop_back();
      if (bytes.size() > w)
        BadValue(where, f,
                 "the text '" + v.text() + "' is longer than the field's " + std::to_string(w) +
                     " characters");
      std::memcpy(out, bytes.data(), bytes.size());
      std::memset(out + bytes.size(), ' ', w - bytes.size());
      return;
    }
    case 'N':
    case 'F': {
      if (v.kind() != ValueKind::kNumber) wrong_kind("a number");
      std::string s = FormatNumber(v.number(), f.width, f.decimals);
      if (s.empty())
        BadValue(where, f, "the value " + ToDebugString(v) + " does not fit " + TypeText(f));
      std::memcpy(out, s.data(), w);
      return;
    }
    case 'D': {
      if (v.kind() != ValueKind::kDate) wrong_kind("a date");
      Date d = v.date();
      if (!d.IsValid()) BadValue(where, f, "not a valid date");
      // IsValid keeps the year within 1..9999.
      int parts[3] = {d.year, d.month, d.day};
      int places[3] = {4, 2, 2};
      char* o = out + 8;
      for (int k = 2; k >= 0; --k) {
        for (int i = 0, x = parts[k]; i < places[k]; ++i, x /= 10)
          *--o = static_cast<char>('0' + x % 10);
      }
      return;
    }
    case 'L':
      if (v.kind() != ValueKind::kLogical) wrong_kind("a logical");
      out[0] = v.logical() ? 'T' : 'F';
      return;
    case 'I':
    case '+': {
      if (v.kind() != ValueKind::kNumber) wrong_kind("a number");
      double d = v.number();
      if (d != std::floor(d) || d < -2147483647.0 || d > 2147483647.0)
        BadValue(where, f, "the value " + ToDebugString(v) + " does not fit a long integer");
      PutBigEndian32(static_cast<uint32_t>(static_cast<int32_t>(d)) ^ 0x80000000u, out);
      return;
    }
    case 'O': {
      if (v.kind() != ValueKind::kNumber) wrong_kind("a number");
      double d = v.number();
      uint64_t bits;
      std::memcpy(&bits, &d, 8);
      bits = (bits & 0x8000000000000000ull) ? ~bits : (bits | 0x8000000000000000ull);
      PutBigEndian32(static_cast<uint32_t>(bits >> 32), out);
      PutBigEndian32(static_cast<uint32_t>(bits), out + 4);
      return;
    }
    case '@': {
      if (v.kind() != ValueKind::kDate) wrong_kind("a date");
      PutBigEndian32(static_cast<uint32_t>(v.date().JulianDay()), out);
      PutBigEndian32(0, out + 4);
      return;
    }
    default:
      BadValue(where, f, "this field type cannot be written here");
  }
}

uint32_t DecodeMemoPointer(const FieldDef& f, const char* bytes, const std::string& where) {
  std::string_view t = Trim(std::string_view(bytes, static_cast<size_t>(f.width)));
  if (t.empty()) return 0;
  uint64_t n = 0;
  for (char c : t) {
    if (c < '0' || c > '9' || n > 0xFFFFFFFFull / 10)
      BadValue(where, f, "not a memo block number: '" + std::string(t) + "'");
    n = n * 10 + static_cast<uint64_t>(c - '0');
  }
  if (n > 0xFFFFFFFFull) BadValue(where, f, "memo block number out of range");
  return static_cast<uint32_t>(n);
}

void EncodeMemoPointer(uint32_t block, char* out) {
  std::memset(out, ' ', 10);
  if (block == 0) return;
  std::string s = std::to_string(block);
  std::memcpy(out + 10 - s.size(), s.data(), s.size());
}

}  // namespace lumi::dbf
