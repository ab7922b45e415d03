#include "engine/dbf/index_key.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "engine/dbf/codepage.h"
#include "engine/dbf/field_codec.h"
#include "engine/error.h"

namespace lumi::dbf {

namespace {

constexpr int kBcdLength = 12;

std::string DateKey(double jdn) {
  std::string k(8, '\0');
  std::memcpy(k.data(), &jdn, 8);  // little-endian hosts only, as the file is
  return k;
}

double DateKeyValue(std::string_view k) {
  double d = 0;
  if (k.size() >= 8) std::memcpy(&d, k.data(), 8);
  return d;
}

}  // namespace

int KeyLength(const FieldDef& f) {
  switch (f.type) {
    case 'C':
      return f.width <= 100 ? f.width : 0;
    case 'N':
    case 'F':
      return kBcdLength;
    case 'D':
      return 8;
    default:
      return 0;
  }
}

char KeyType(const FieldDef& f) { return f.type == 'F' ? 'N' : f.type; }

std::string BcdFromText(std::string_view text) {
  std::string key(kBcdLength, '\0');
  bool negative = false, in_fraction = false, seen_digit = false;
  // The significant digits (at most 20 are kept) and the exponent: the count
  // of integer digits, or minus the zeros straight after the point.
  char digits[20];
  size_t count = 0, significant = 0;  // significant: up to the last nonzero digit
  int exponent = 0;
  for (char c : text) {
    if (c == '-') {
      negative = true;
    } else if (c == '.' || c == ',') {
      in_fraction = true;
    } else if (c >= '0' && c <= '9') {
      if (!seen_digit && c == '0') {
        if (in_fraction) --exponent;  // a leading zero of the fraction
        continue;
      }
      seen_digit = true;
      if (!in_fraction) ++exponent;
      if (count < sizeof digits) digits[count] = c;
      ++count;
      if (c != '0') significant = count;
    }
  }
  count = std::min(significant, sizeof digits);
  if (count == 0) {
    key[0] = 0x34;
    key[1] = 0x01;
    return key;  // zero
  }
  key[0] = static_cast<char>(0x34 + exponent);
  key[1] = static_cast<char>((negative ? 0x80 : 0) | (count << 2) | 0x01);
  for (size_t i = 0; i < count; ++i) {
    int d = digits[i] - '0';
    key[2 + i / 2] = static_cast<char>(key[2 + i / 2] | (i % 2 == 0 ? d << 4 : d));
  }
  return key;
}

bool IsZeroBcd(std::string_view k) {
  return k.size() < kBcdLength || key_detail::BcdClass(k.data()) == 0;
}

double BcdToDouble(std::string_view k) {
  if (IsZeroBcd(k)) return 0;
  std::string s = "0.";
  for (int i = 2; i < kBcdLength; ++i) {
    unsigned char b = static_cast<unsigned char>(k[i]);
    s.push_back(static_cast<char>('0' + (b >> 4)));
    s.push_back(static_cast<char>('0' + (b & 15)));
  }
  int exponent = static_cast<unsigned char>(k[0]) - 0x34;
  s += "e" + std::to_string(exponent);
  double d = 0;
  std::from_chars(s.data(), s.data() + s.size(), d);
  return (static_cast<unsigned char>(k[1]) & 0x80) ? -d : d;
}

int CompareKeys(char type, std::string_view a, std::string_view b) {
  switch (type) {
    case 'N': {
      // Sign classes: negative < zero < positive; a key too short is zero.
      int ca = a.size() < kBcdLength ? 0 : key_detail::BcdClass(a.data());
      int cb = b.size() < kBcdLength ? 0 : key_detail::BcdClass(b.data());
      if (ca != cb) return ca < cb ? -1 : 1;
      if (ca == 0) return 0;
      int r = key_detail::BcdMagnitude(a.data(), b.data());
      return ca < 0 ? -r : r;
    }
    case 'D': {
      double x = DateKeyValue(a), y = DateKeyValue(b);
      return x < y ? -1 : (x > y ? 1 : 0);
    }
    default: {
      size_t n = std::min(a.size(), b.size());
      int r = std::memcmp(a.data(), b.data(), n);
      if (r != 0) return r < 0 ? -1 : 1;
      return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
    }
  }
}

size_t SortableLength(char type, size_t key_length) {
  switch (type) {
    case 'N':
      return kBcdLength;
    case 'D':
      return 8;
    default:
      return key_length;
  }
}

void SortableKey(char type, std::string_view key, char* out) {
  switch (type) {
    case 'N': {
      // A sign class (negative, zero, positive), then the exponent and the
      // digits, inverted for negatives; the digit-count byte does not order.
      std::memset(out, 0, kBcdLength);
      if (IsZeroBcd(key)) {
        out[0] = 1;
        return;
      }
      bool negative = (static_cast<unsigned char>(key[1]) & 0x80) != 0;
      const unsigned char flip = negative ? 0xFF : 0x00;
      out[0] = negative ? 0 : 2;
      out[1] = static_cast<char>(static_cast<unsigned char>(key[0]) ^ flip);
      for (int i = 2; i < kBcdLength; ++i)
        out[i] = static_cast<char>(static_cast<unsigned char>(key[i]) ^ flip);
      return;
    }
    case 'D': {
      // The double's bits, big-endian, with the sign turned so that they
      // order as the numbers do; -0 is 0.
      double d = DateKeyValue(key);
      if (d == 0) d = 0;
      uint64_t bits;
      std::memcpy(&bits, &d, 8);
      bits = (bits >> 63) ? ~bits : bits | (uint64_t{1} << 63);
      for (int i = 0; i < 8; ++i) out[i] = static_cast<char>(bits >> (56 - 8 * i));
      return;
    }
    default:
      std::memcpy(out, key.data(), key.size());
  }
}

std::string KeyFromField(const FieldDef& f, const char* bytes) {
  switch (KeyType(f)) {
    case 'N':
      return BcdFromText(std::string_view(bytes, static_cast<size_t>(f.width)));
    case 'D': {
      std::string_view s(bytes, 8);
      int y = 0, m = 0, d = 0;
      bool ok = true;
      for (int i = 0; i < 8; ++i) {
        if (s[i] < '0' || s[i] > '9') {
          ok = false;
          break;
        }
        int v = s[i] - '0';
        if (i < 4)
          y = y * 10 + v;
        else if (i < 6)
          m = m * 10 + v;
        else
          d = d * 10 + v;
      }
      Date date{y, m, d};
      return DateKey(ok && date.IsValid() ? static_cast<double>(date.JulianDay()) : 0.0);
    }
    default:
      return std::string(bytes, static_cast<size_t>(f.width));
  }
}

std::optional<std::string> KeyFromValue(const FieldDef& f, const Value& v, const CodePage& cp) {
  char t = KeyType(f);
  if (v.is_null()) {
    if (t == 'C') return std::string(static_cast<size_t>(f.width), ' ');
    if (t == 'N') return BcdFromText("0");
    return DateKey(0.0);
  }
  switch (t) {
    case 'C': {
      if (v.kind() != ValueKind::kText)
        throw EngineError("field " + f.name + ": a text key expected, not " + ToDebugString(v));
      std::string bytes, bad;
      if (!cp.Encode(v.text(), &bytes, &bad)) return std::nullopt;
      while (bytes.size() > static_cast<size_t>(f.width) && bytes.back() == ' ') bytes.pop_back();
      if (bytes.size() > static_cast<size_t>(f.width)) return std::nullopt;
      bytes.resize(static_cast<size_t>(f.width), ' ');
      return bytes;
    }
    case 'N': {
      if (v.kind() != ValueKind::kNumber)
        throw EngineError("field " + f.name + ": a numeric key expected, not " + ToDebugString(v));
      if (!std::isfinite(v.number())) return std::nullopt;
      char buf[400];
      auto r = std::to_chars(buf, buf + sizeof buf, v.number(), std::chars_format::fixed);
      return BcdFromText(std::string_view(buf, static_cast<size_t>(r.ptr - buf)));
    }
    default: {
      if (v.kind() != ValueKind::kDate)
        throw EngineError("field " + f.name + ": a date key expected, not " + ToDebugString(v));
      return DateKey(static_cast<double>(v.date().JulianDay()));
    }
  }
}

bool IsBlankKey(char type, std::string_view key) {
  if (type == 'C')
    return IsBlank(key.data(), key.size()) && key.find('\0') == std::string_view::npos;
  if (type == 'D') return DateKeyValue(key) == 0.0;
  return false;
}

}  // namespace lumi::dbf
