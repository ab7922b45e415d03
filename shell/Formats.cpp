#include "shell/Formats.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "engine/session.h"

namespace Formats {
namespace {

QChar g_decimal = '.';
QChar g_thousands = ',';

// A finite value as decimal digits: value = 0.digits x 10^pointPos, with the
// digits taken at 15 significant places (the precision of a double that
// always reads back the same) and trailing zeros kept.
struct Decimal {
  bool negative = false;
  std::string digits;  // empty for zero
  int pointPos = 0;
};

Decimal ToDecimal(double v) {
  Decimal d;
  if (v == 0) return d;
  d.negative = v < 0;
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.14e", std::fabs(v));
  // buf is "d.dddddddddddddde+XX"
  std::string s(buf);
  const auto e = s.find('e');
  d.digits = s.substr(0, 1) + s.substr(2, e - 2);
  d.pointPos = std::stoi(s.substr(e + 1)) + 1;
  return d;
}

// Rounds d to `decimals` places after the point, half away from zero.
void RoundTo(Decimal& d, int decimals) {
  const int keep = d.pointPos + decimals;  // digits that stay
  if (keep >= static_cast<int>(d.digits.size())) return;
  if (keep < 0) {
    d.digits.clear();
    return;
  }
  const bool up = d.digits[keep] >= '5';
  d.digits.resize(keep);
  if (up) {
    int i = keep - 1;
    while (i >= 0 && d.digits[i] == '9') d.digits[i--] = '0';
    if (i >= 0) {
      ++d.digits[i];
    } else {
      d.digits.insert(d.digits.begin(), '1');
      ++d.pointPos;
    }
  }
  if (d.digits.find_first_not_of('0') == std::string::npos) d.digits.clear();
}

// The integer part and the first `decimals` places of d, as digit strings.
std::pair<std::string, std::string> Split(const Decimal& d, int decimals) {
  std::string intPart, frac;
  for (int i = 0; i < d.pointPos; ++i)
    intPart += i < static_cast<int>(d.digits.size()) ? d.digits[i] : '0';
  for (int i = 0; i < decimals; ++i) {
    const int at = d.pointPos + i;
    frac += at >= 0 && at < static_cast<int>(d.digits.size()) ? d.digits[at] : '0';
  }
  return {intPart, frac};
}

QString Group(const std::string& intPart) {
  QString out;
  const int n = static_cast<int>(intPart.size());
  for (int i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) out += g_thousands;
    out += QChar(intPart[i]);
  }
  return out;
}

QString NonFinite(double v) {
  if (std::isnan(v)) return "NAN";
  return v < 0 ? "-INF" : "INF";
}

QString ConversionMessage(const QString& text, const char* what) {
  return QString("'%1' is not a valid %2 value").arg(text, what);
}

}  // namespace

void SetNumberSeparators(QChar decimal, QChar thousands) {
  g_decimal = decimal;
  g_thousands = thousands;
}
QChar DecimalSeparator() { return g_decimal; }
QChar ThousandSeparator() { return g_thousands; }

QString FormatFloat(const QString& pattern, double v) {
  if (!std::isfinite(v)) return NonFinite(v);
  // Digit places run from the first to the last "0" or "#"; what lies before
  // and after them is copied as it stands.
  const auto isPlace = [](QChar c) { return c == '0' || c == '#' || c == '.' || c == ','; };
  qsizetype first = 0, last = pattern.size();
  while (first < pattern.size() && !isPlace(pattern[first])) ++first;
  while (last > first && !isPlace(pattern[last - 1])) --last;
  const QString places = pattern.mid(first, last - first);
  const qsizetype point = places.indexOf('.');
  const QString intPlaces = point < 0 ? places : places.left(point);
  const QString fracPlaces = point < 0 ? QString() : places.mid(point + 1);
  const int minInt = static_cast<int>(intPlaces.count('0'));
  const int maxFrac = static_cast<int>(fracPlaces.count('0') + fracPlaces.count('#'));
  const int minFrac = static_cast<int>(fracPlaces.lastIndexOf('0') + 1);
  const bool grouped = intPlaces.contains(',');

  Decimal d = ToDecimal(v);
  RoundTo(d, maxFrac);
  auto [intPart, frac] = Split(d, maxFrac);
  while (static_cast<int>(frac.size()) > minFrac && frac.back() == '0') frac.pop_back();
  intPart.erase(0, std::min(intPart.find_first_not_of('0'), intPart.size()));
  if (static_cast<int>(intPart.size()) < minInt) intPart.insert(0, minInt - intPart.size(), '0');

  QString out = pattern.left(first);
  if (d.negative && !d.digits.empty()) out += '-';
  out += grouped ? Group(intPart) : QString::fromStdString(intPart);
  if (!frac.empty()) out += g_decimal + QString::fromStdString(frac);
  out += pattern.mid(last);
  return out;
}

QString FloatToStr(double v) {
  if (!std::isfinite(v)) return NonFinite(v);
  Decimal d = ToDecimal(v);
  if (d.digits.empty()) return "0";
  while (d.digits.back() == '0') d.digits.pop_back();
  QString out = d.negative ? "-" : "";
  const int n = static_cast<int>(d.digits.size());
  if (d.pointPos > 15 || d.pointPos < -3) {
    out += QChar(d.digits[0]);
    if (n > 1) out += g_decimal + QString::fromStdString(d.digits.substr(1));
    return out + "E" + QString::number(d.pointPos - 1);
  }
  if (d.pointPos <= 0) {
    out += QString("0") + g_decimal + QString(-d.pointPos, '0');
    return out + QString::fromStdString(d.digits);
  }
  auto [intPart, frac] = Split(d, std::max(0, n - d.pointPos));
  out += QString::fromStdString(intPart);
  if (!frac.empty()) out += g_decimal + QString::fromStdString(frac);
  return out;
}

bool TryStrToFloat(const QString& text, double& out) {
  const QString t = text.trimmed();
  std::string ascii;
  qsizetype i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ascii += t[i++].toLatin1();
  int mantissaDigits = 0;
  bool seenPoint = false;
  for (; i < t.size(); ++i) {
    const QChar c = t[i];
    if (c >= '0' && c <= '9') {
      ascii += c.toLatin1();
      ++mantissaDigits;
    } else if (c == g_decimal && !seenPoint) {
      ascii += '.';
      seenPoint = true;
    } else {
      break;
    }
  }
  if (mantissaDigits == 0) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ascii += 'e';
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ascii += t[i++].toLatin1();
    int expDigits = 0;
    for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i, ++expDigits) ascii += t[i].toLatin1();
    if (expDigits == 0) return false;
  }
  if (i != t.size()) return false;
  const char* begin = ascii.data() + (ascii[0] == '+' ? 1 : 0);
  double v = 0;
  const auto r = std::from_chars(begin, ascii.data() + ascii.size(), v);
  if (r.ec != std::errc() || r.ptr != ascii.data() + ascii.size() || !std::isfinite(v))
    return false;
  out = v;
  return true;
}

double StrToFloat(const QString& text) {
  double v = 0;
  if (!TryStrToFloat(text, v))
    throw ConversionError(ConversionMessage(text, "floating point").toStdString());
  return v;
}

bool TryStrToInt(const QString& text, std::int64_t& out) {
  const QString t = text.trimmed();
  if (t.isEmpty()) return false;
  const std::string ascii = t.toStdString();
  const char* begin = ascii.data() + (ascii[0] == '+' ? 1 : 0);
  std::int64_t v = 0;
  const auto r = std::from_chars(begin, ascii.data() + ascii.size(), v);
  if (r.ec != std::errc() || r.ptr != ascii.data() + ascii.size()) return false;
  out = v;
  return true;
}

std::int64_t StrToInt(const QString& text) {
  std::int64_t v = 0;
  if (!TryStrToInt(text, v))
    throw ConversionError(ConversionMessage(text, "integer").toStdString());
  return v;
}

QString IntToStr(std::int64_t v) { return QString::number(v); }

QString DateShown(const QDate& d, const QLocale& locale) {
  if (!d.isValid()) return QString();
  // Locales that abbreviate with a point ("dec.") would show two points.
  QString month = locale.monthName(d.month(), QLocale::ShortFormat);
  if (month.endsWith('.')) month.chop(1);
  return d.toString("dd.") + month + d.toString(".yyyy");
}

QString DateNumeric(const QDate& d) { return d.toString("dd.MM.yyyy"); }

QString DateTimeDotted(const QDateTime& t, const QLocale& locale) {
  return DateShown(t.date(), locale) + "  " + t.time().toString("HH.mm");
}

QString DateTimeShown(const QDateTime& t, const QLocale& locale) {
  return DateShown(t.date(), locale) + "  " + t.time().toString("HH") + TimeSeparator(locale) +
         t.time().toString("mm");
}

QChar TimeSeparator(const QLocale& locale) {
  // The first character after the hours in the locale's short time format.
  const QString f = locale.timeFormat(QLocale::ShortFormat);
  qsizetype i = 0;
  while (i < f.size() && f[i] != 'h' && f[i] != 'H') ++i;
  while (i < f.size() && (f[i] == 'h' || f[i] == 'H')) ++i;
  return i < f.size() && !f[i].isLetterOrNumber() && f[i] != '\'' ? f[i] : QChar(':');
}

// The engine reads dates in statements by the same setting.
QString ShortDateFormat() { return QString::fromStdString(lumi::DefaultSession().DateFormat()); }

QString SqlDate(const QDate& d) { return d.toString(ShortDateFormat()); }

QDate ParseSqlDate(const QString& text) {
  const QString t = text.trimmed();
  QDate d = QDate::fromString(t, ShortDateFormat());
  if (!d.isValid()) {
    QString loose = ShortDateFormat();  // days and months also without a leading zero
    d = QDate::fromString(t, loose.replace("dd", "d").replace("MM", "M"));
  }
  return d;
}

std::int64_t ScaledUnits(double v, int decimals) {
  if (!std::isfinite(v) || std::fabs(v) >= 9.0e14)
    throw ConversionError(ConversionMessage(FloatToStr(v), "amount").toStdString());
  Decimal d = ToDecimal(v);
  RoundTo(d, decimals);
  auto [intPart, frac] = Split(d, decimals);
  std::int64_t units = 0;
  for (char c : intPart + frac) {
    if (__builtin_mul_overflow(units, 10, &units) || __builtin_add_overflow(units, c - '0', &units))
      throw ConversionError(ConversionMessage(FloatToStr(v), "amount").toStdString());
  }
  return d.negative ? -units : units;
}

}  // namespace Formats
