#include "printing/number_format.h"

#include <charconv>
#include <cmath>
#include <string>

#include "printing/report_error.h"

namespace lumi::print {

NumberFormat::NumberFormat(const QString& pattern) {
  const qsizetype dot = pattern.indexOf('.');
  const QString integer = dot < 0 ? pattern : pattern.left(dot);
  const QString fraction = dot < 0 ? QString() : pattern.mid(dot + 1);
  bool valid = !pattern.isEmpty() && !integer.isEmpty();
  int zeros = 0;
  for (const QChar c : integer) {
    if (c == '0')
      ++zeros;
    else if (c == ',')
      grouped_ = true;
    else if (c != '#' || zeros > 0)  // '#' only before the zeros
      valid = false;
  }
  for (const QChar c : fraction) valid = valid && c == '0';
  if (!valid) throw ReportError("Format numeric necunoscut: \"" + pattern.toStdString() + "\"");
  minIntegerDigits_ = zeros;
  decimals_ = static_cast<int>(fraction.size());
}

namespace {

// The shortest decimal text that reads back as `value`, as digits with the
// decimal point `pointAt` digits from the left (no sign).
std::string ShortestDigits(double value, size_t& pointAt) {
  char buffer[400];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  std::string text(buffer, result.ptr);
  const size_t dot = text.find('.');
  if (dot == std::string::npos) {
    pointAt = text.size();
    return text;
  }
  pointAt = dot;
  return text.erase(dot, 1);
}

// Rounds the digits half away from zero to `decimals` places after the point.
void RoundDigits(std::string& digits, size_t& pointAt, int decimals) {
  const size_t keep = pointAt + decimals;
  if (digits.size() <= keep) {
    digits.append(keep - digits.size(), '0');
    return;
  }
  const bool up = digits[keep] >= '5';
  digits.resize(keep);
  if (!up) return;
  size_t i = keep;
  while (i > 0) {
    --i;
    if (digits[i] == '9') {
      digits[i] = '0';
    } else {
      ++digits[i];
      return;
    }
  }
  digits.insert(digits.begin(), '1');
  ++pointAt;
}

}  // namespace

QString NumberFormat::Apply(double value) const {
  if (!std::isfinite(value)) return QString::number(value);
  size_t pointAt = 0;
  std::string digits = ShortestDigits(std::fabs(value), pointAt);
  RoundDigits(digits, pointAt, decimals_);

  std::string integer = digits.substr(0, pointAt);
  const std::string fraction = digits.substr(pointAt);
  const size_t firstNonZero = integer.find_first_not_of('0');
  integer.erase(0, firstNonZero == std::string::npos ? integer.size() : firstNonZero);
  if (integer.size() < static_cast<size_t>(minIntegerDigits_))
    integer.insert(0, minIntegerDigits_ - integer.size(), '0');
  if (grouped_) {
    for (int i = static_cast<int>(integer.size()) - 3; i > 0; i -= 3) integer.insert(i, 1, ',');
  }

  const bool isZero = digits.find_first_not_of('0') == std::string::npos;
  std::string text = (value < 0 && !isZero) ? "-" : "";
  text += integer;
  if (decimals_ > 0) text += "." + fraction;
  return QString::fromStdString(text);
}

}  // namespace lumi::print
