// Money and quantities as whole counts of their smallest unit, so that every
// check and every sum is exact: in doubles 0.1 x 3 > 0.3 and 1.11 x 10000 >
// 11100, and a stock of exactly what is asked would be refused. A typed or
// stored value is parsed once into units; comparisons and sums stay in
// integers; a double appears only where a value is handed to the engine.
//
// Included by shell/Formats.h; use it through that header.
#pragma once

#include <QString>
#include <compare>
#include <cstdint>

#include "shell/Formats.h"

namespace Formats {

// A signed count of 10^-Decimals.
template <int Decimals>
class FixedPoint {
 public:
  static constexpr std::int64_t kOne = [] {
    std::int64_t p = 1;
    for (int i = 0; i < Decimals; ++i) p *= 10;
    return p;
  }();

  constexpr FixedPoint() = default;
  static constexpr FixedPoint FromUnits(std::int64_t units) { return FixedPoint(units); }
  // The value at 15 significant digits, rounded to the unit half away from
  // zero. Throws ConversionError beyond 9e14.
  static FixedPoint FromDouble(double v) { return FixedPoint(ScaledUnits(v, Decimals)); }
  // The text as a number (StrToFloat), then as FromDouble. Throws
  // ConversionError for text that is not a number (also "" and ".").
  static FixedPoint Parse(const QString& text) { return FromDouble(StrToFloat(text)); }

  constexpr std::int64_t Units() const { return units_; }
  double ToDouble() const { return static_cast<double>(units_) / static_cast<double>(kOne); }

  // Rounded to `places` decimals (0 .. Decimals), half away from zero.
  FixedPoint Rounded(int places) const {
    std::uint64_t step = 1;
    for (int i = places; i < Decimals; ++i) step *= 10;
    const std::uint64_t rounded = (Magnitude() + step / 2) / step * step;
    if (rounded > static_cast<std::uint64_t>(INT64_MAX)) throw ConversionError(kTooLarge);
    const auto r = static_cast<std::int64_t>(rounded);
    return FixedPoint(units_ < 0 ? -r : r);
  }
  // Money is kept to the cent once it is typed.
  FixedPoint RoundedToCents() const { return Rounded(2); }

  // Shown with `places` decimals and the program's decimal separator,
  // rounded half away from zero: "12.35", "-0.50", "0.00" (no "-0.00").
  QString ToString(int places) const {
    const FixedPoint r = Rounded(places);
    std::int64_t step = 1;
    for (int i = places; i < Decimals; ++i) step *= 10;
    const std::uint64_t magnitude = r.Magnitude() / static_cast<std::uint64_t>(step);
    std::uint64_t scale = 1;
    for (int i = 0; i < places; ++i) scale *= 10;
    QString out = r.units_ < 0 ? "-" : "";
    out += QString::number(magnitude / scale);
    if (places > 0) {
      out += DecimalSeparator();
      out += QString::number(magnitude % scale).rightJustified(places, '0');
    }
    return out;
  }
  QString ToString00() const { return ToString(2); }
  QString ToString000() const { return ToString(3); }
  // The exact value for a statement: "." before the decimals, no trailing
  // zeros, no thousands separator: "12.5", "75", "-0.125".
  QString ToSql() const {
    const std::uint64_t magnitude = Magnitude();
    const auto one = static_cast<std::uint64_t>(kOne);
    QString out = units_ < 0 ? "-" : "";
    out += QString::number(magnitude / one);
    QString frac = QString::number(magnitude % one).rightJustified(Decimals, '0');
    while (!frac.isEmpty() && frac.back() == '0') frac.chop(1);
    if (!frac.isEmpty()) out += "." + frac;
    return out;
  }

  // A result beyond the count throws and leaves the value as it was.
  FixedPoint& operator+=(FixedPoint o) {
    std::int64_t sum = 0;
    if (__builtin_add_overflow(units_, o.units_, &sum)) throw ConversionError(kTooLarge);
    units_ = sum;
    return *this;
  }
  FixedPoint& operator-=(FixedPoint o) {
    std::int64_t difference = 0;
    if (__builtin_sub_overflow(units_, o.units_, &difference)) throw ConversionError(kTooLarge);
    units_ = difference;
    return *this;
  }
  friend FixedPoint operator+(FixedPoint a, FixedPoint b) { return a += b; }
  friend FixedPoint operator-(FixedPoint a, FixedPoint b) { return a -= b; }
  friend FixedPoint operator-(FixedPoint a) { return FixedPoint() - a; }
  // Times a whole number (pieces).
  FixedPoint Times(std::int64_t n) const {
    std::int64_t product = 0;
    if (__builtin_mul_overflow(units_, n, &product)) throw ConversionError(kTooLarge);
    return FixedPoint(product);
  }
  friend constexpr bool operator==(FixedPoint a, FixedPoint b) = default;
  friend constexpr auto operator<=>(FixedPoint a, FixedPoint b) = default;

 private:
  std::uint64_t Magnitude() const {
    return units_ < 0 ? ~static_cast<std::uint64_t>(units_) + 1 : static_cast<std::uint64_t>(units_);
  }
  static constexpr const char* kTooLarge = "The amount is too large";
  constexpr explicit FixedPoint(std::int64_t units) : units_(units) {}
  std::int64_t units_ = 0;
};

// Money: ten-thousandths, shown "0.00".
using Amount = FixedPoint<4>;
// Quantities, lengths and widths: thousandths, shown "0.000".
using Quantity = FixedPoint<3>;

// A unit price times a quantity, rounded to the ten-thousandth half away
// from zero: 12.50 x 6.000 = 75.0000.
inline Amount Times(Amount price, Quantity quantity) {
  __int128 product = static_cast<__int128>(price.Units()) * quantity.Units();
  const bool negative = product < 0;
  if (negative) product = -product;
  product = (product + Quantity::kOne / 2) / Quantity::kOne;
  if (product > INT64_MAX) throw ConversionError("The amount is too large");
  const auto units = static_cast<std::int64_t>(product);
  return Amount::FromUnits(negative ? -units : units);
}

}  // namespace Formats
