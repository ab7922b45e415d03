#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace lumi::dbf {

// A calendar date (proleptic Gregorian). Valid dates only; see IsValid().
struct Date {
  int year = 0;
  int month = 0;
  int day = 0;

  bool IsValid() const;
  // Julian day number (days since 1 January 4713 BC), as dBase index keys hold it.
  int64_t JulianDay() const;
  static Date FromJulianDay(int64_t jdn);

  friend bool operator==(const Date&, const Date&) = default;
  friend auto operator<=>(const Date&, const Date&) = default;
};

enum class ValueKind { kNull, kText, kNumber, kDate, kLogical };

// One field value as the engine's interface speaks it: NULL, text in UTF-8
// (also memo text), a number as double, a date or a logical. A field of
// blanks reads as NULL, and NULL is written as blanks.
class Value {
 public:
  Value() = default;  // NULL
  static Value Null() { return Value(); }
  static Value Text(std::string utf8) { return Value(Rep(std::move(utf8))); }
  static Value Number(double d) { return Value(Rep(d)); }
  static Value FromDate(Date d) { return Value(Rep(d)); }
  static Value Logical(bool b) { return Value(Rep(Bool{b})); }

  ValueKind kind() const { return static_cast<ValueKind>(rep_.index()); }
  bool is_null() const { return kind() == ValueKind::kNull; }
  // Accessors require the matching kind (checked: a mismatch throws EngineError).
  const std::string& text() const {
    if (auto* p = std::get_if<std::string>(&rep_)) return *p;
    WrongKind("text");
  }
  double number() const {
    if (auto* p = std::get_if<double>(&rep_)) return *p;
    WrongKind("a number");
  }
  Date date() const {
    if (auto* p = std::get_if<Date>(&rep_)) return *p;
    WrongKind("a date");
  }
  bool logical() const {
    if (auto* p = std::get_if<Bool>(&rep_)) return p->v;
    WrongKind("a logical");
  }

  friend bool operator==(const Value& a, const Value& b) = default;

 private:
  struct Bool {
    bool v;
    friend bool operator==(Bool, Bool) = default;
  };
  using Rep = std::variant<std::monostate, std::string, double, Date, Bool>;
  explicit Value(Rep r) : rep_(std::move(r)) {}
  [[noreturn]] void WrongKind(const char* wanted) const;
  Rep rep_;
};

// For messages and tests: NULL, the text, the number with up to 15 digits,
// YYYY-MM-DD, T/F.
std::string ToDebugString(const Value& v);

}  // namespace lumi::dbf
