// The number and date formats every window uses, in one place.
//
// Numbers follow the program's fixed number format: "." before the decimals and
// "," between thousands, set once at start-up. Text shown or spliced into SQL
// never depends on the machine's locale; only month names and the time
// separator come from it.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <cstdint>
#include <stdexcept>

namespace Formats {

// A text that does not convert to a number. The message is the conversion
// error the user sees, e.g. "'12,5' is not a valid floating point value".
class ConversionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The patterns the windows use with FormatFloat.
inline constexpr const char* kQuantity = "0.000";
inline constexpr const char* kMoney = "0.00";
inline constexpr const char* kMoneyGrouped = "#,##0.00";
inline constexpr const char* kWhole = "0";

// The process-wide separators. Start-up sets "." and ","; they are also the
// defaults, so code run before start-up (and tests) sees the same format.
void SetNumberSeparators(QChar decimal, QChar thousands);
QChar DecimalSeparator();
QChar ThousandSeparator();

// Formats v by a pattern of "0" and "#" digit places, an optional "." and an
// optional "," (grouping by thousands), e.g. "0.000", "#,##0.00", "0".
// The value is first taken to 15 significant digits, then rounded to the
// pattern's decimals half away from zero: 2.675 gives "2.68". A result that
// rounds to zero carries no minus sign.
QString FormatFloat(const QString& pattern, double v);

// The shortest text that gives v back at 15 significant digits: "12.5",
// "150", "0.001". Very large or very small values use an exponent: "1E15",
// "1.5E-6".
QString FloatToStr(double v);

// Text to number: optional blanks, sign, digits with an optional decimal
// separator and an optional exponent, optional blanks. The thousands
// separator is not accepted ("12,5" does not convert), nor is an empty text.
bool TryStrToFloat(const QString& text, double& out);
double StrToFloat(const QString& text);  // throws ConversionError

// Whole numbers, as the code counters hold them: optional blanks and sign,
// then digits only.
bool TryStrToInt(const QString& text, std::int64_t& out);
std::int64_t StrToInt(const QString& text);  // throws ConversionError
QString IntToStr(std::int64_t v);

// Dates and times on screen. Month names and the time separator follow the
// given locale (by default the program's locale).
QString DateShown(const QDate& d, const QLocale& locale = QLocale());           // dd.MMM.yyyy
QString DateNumeric(const QDate& d);                                            // dd.MM.yyyy
QString DateTimeDotted(const QDateTime& t, const QLocale& locale = QLocale());  // dd.MMM.yyyy HH.mm
QString DateTimeShown(const QDateTime& t, const QLocale& locale = QLocale());  // dd.MMM.yyyy  HH:mm
QChar TimeSeparator(const QLocale& locale = QLocale());

// The short date format in which dates are written in statements and filters
// and read back by the engine: "dd.MM.yyyy". It is the engine session's
// setting (lumi::Session::DateFormat), so both sides always agree.
QString ShortDateFormat();
QString SqlDate(const QDate& d);
// Reads a date in the short date format; an invalid QDate when it is not one.
QDate ParseSqlDate(const QString& text);

// v times 10^decimals, rounded to the nearest whole number half away from
// zero after taking v to 15 significant digits (so 1.11 gives exactly 111 at
// two decimals, and 10.005 gives 10005 at three). Throws ConversionError for
// a value that is not finite or lies beyond 9e14.
std::int64_t ScaledUnits(double v, int decimals);

}  // namespace Formats

#include "shell/FixedPoint.h"
