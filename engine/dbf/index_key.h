#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "engine/dbf/field.h"
#include "engine/dbf/value.h"

namespace lumi::dbf {

class CodePage;

// dBase IV index keys: C keys are the field's bytes padded with blanks; N keys
// are 12-byte BCD numbers; D keys are the Julian day as a little-endian double
// (0.0 for a blank date).

// Key length for a tag on `field` (C: its width, N/F: 12, D: 8); 0 when the
// field cannot be indexed.
int KeyLength(const FieldDef& field);
char KeyType(const FieldDef& field);  // 'C', 'N' or 'D'

// The key of a record's field bytes.
std::string KeyFromField(const FieldDef& field, const char* bytes);

// The key a lookup for `v` searches, or nullopt when no record can hold `v`
// (text the code page lacks, text longer than the field). Throws EngineError
// for a value of the wrong kind.
std::optional<std::string> KeyFromValue(const FieldDef& field, const Value& v, const CodePage& cp);

// Orders two keys of type `type` (negative, 0, positive). N keys are compared
// by their meaning, not their bytes, so foreign digit counts still order right.
int CompareKeys(char type, std::string_view a, std::string_view b);

namespace key_detail {

inline uint64_t BigEndian64(const char* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  return __builtin_bswap64(v);
}

// The sign class of a 12-byte BCD key: -1, 0 (no digits, or all zero) or 1.
inline int BcdClass(const char* k) {
  const unsigned char len = static_cast<unsigned char>(k[1]);
  uint64_t d8;
  uint16_t d2;
  std::memcpy(&d8, k + 2, 8);
  std::memcpy(&d2, k + 10, 2);
  if (((len >> 2) & 0x1F) == 0 || (d8 | d2) == 0) return 0;
  return (len & 0x80) ? -1 : 1;
}

// Orders the magnitudes of two nonzero BCD keys: the exponent, then the digits.
inline int BcdMagnitude(const char* a, const char* b) {
  int r = static_cast<unsigned char>(a[0]) - static_cast<unsigned char>(b[0]);
  if (r != 0) return r < 0 ? -1 : 1;
  uint64_t x = BigEndian64(a + 2), y = BigEndian64(b + 2);
  if (x != y) return x < y ? -1 : 1;
  unsigned xa = (static_cast<unsigned char>(a[10]) << 8) | static_cast<unsigned char>(a[11]);
  unsigned yb = (static_cast<unsigned char>(b[10]) << 8) | static_cast<unsigned char>(b[11]);
  return xa == yb ? 0 : (xa < yb ? -1 : 1);
}

inline double DateValue(const char* k) {
  double d;
  std::memcpy(&d, k, 8);
  return d;
}

}  // namespace key_detail

// One key to compare many keys of a tag with, as CompareKeys(type, key,
// probe) does: what the probe's own decoding gives is worked out once. The
// keys compared are `key_length` bytes long (the tag's); the probe is kept by
// reference and must outlive this.
class KeyProbe {
 public:
  KeyProbe(char type, std::string_view probe, size_t key_length)
      : type_(type), probe_(probe), key_length_(key_length) {
    // Keys too short for their type are left to CompareKeys.
    if (type == 'N')
      mode_ = key_length >= 12 ? kBcd : kOther;
    else if (type == 'D')
      mode_ = key_length >= 8 ? kDate : kOther;
    else
      mode_ = kText;
    if (type == 'N') klass_ = probe.size() >= 12 ? key_detail::BcdClass(probe.data()) : 0;
    if (type == 'D') date_ = probe.size() >= 8 ? key_detail::DateValue(probe.data()) : 0.0;
  }

  int Compare(const char* key) const {
    switch (mode_) {
      case kBcd: {
        int c = key_detail::BcdClass(key);
        if (c != klass_) return c < klass_ ? -1 : 1;
        if (c == 0) return 0;
        int r = key_detail::BcdMagnitude(key, probe_.data());
        return c < 0 ? -r : r;
      }
      case kDate: {
        double x = key_detail::DateValue(key);
        return x < date_ ? -1 : (x > date_ ? 1 : 0);
      }
      case kText: {
        size_t n = key_length_ < probe_.size() ? key_length_ : probe_.size();
        int r = std::memcmp(key, probe_.data(), n);
        if (r != 0) return r < 0 ? -1 : 1;
        return key_length_ == probe_.size() ? 0 : (key_length_ < probe_.size() ? -1 : 1);
      }
      default:
        return CompareKeys(type_, std::string_view(key, key_length_), probe_);
    }
  }

 private:
  enum Mode { kBcd, kDate, kText, kOther };
  char type_;
  Mode mode_ = kOther;
  std::string_view probe_;
  size_t key_length_;
  int klass_ = 0;  // the probe's sign class (N)
  double date_ = 0;
};

// The bytes of `key` rewritten so that memcmp orders them as CompareKeys
// orders the keys, and equal exactly when CompareKeys finds them equal;
// SortableLength(type, key_length) bytes are written to `out`.
size_t SortableLength(char type, size_t key_length);
void SortableKey(char type, std::string_view key, char* out);

// The BCD key of a number written as decimal text ("-12.50"), and back.
std::string BcdFromText(std::string_view text);
double BcdToDouble(std::string_view key);

// True for the key of a blank field: all blanks (C) or 0.0 (D). N keys of a
// blank field equal those of 0; the record tells them apart.
bool IsBlankKey(char type, std::string_view key);
bool IsZeroBcd(std::string_view key);

}  // namespace lumi::dbf
