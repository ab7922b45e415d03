#include "shell/Formats.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/session.h"

namespace {

using namespace Formats;

struct FloatCase {
  const char* pattern;
  double value;
  const char* expected;
};

TEST(FormatFloat, PatternsRoundHalfAwayFromZero) {
  const FloatCase cases[] = {
      {"0.000", 12.5, "12.500"},
      {"0.000", -3, "-3.000"},
      {"0.000", 0.0005, "0.001"},
      {"0.000", -0.0005, "-0.001"},
      {"0.00", 2.675, "2.68"},       // binary 2.67499999... still rounds up
      {"0.00", 1.5 * 1.45, "2.18"},  // a line total as computed
      {"0.00", 0.125, "0.13"},
      {"0.00", -0.125, "-0.13"},
      {"0.00", -0.004, "0.00"},  // no "-0.00"
      {"0.00", 0, "0.00"},
      {"0.00", 99.995, "100.00"},  // carry into a new digit
      {"0.00", 1e-20, "0.00"},
      {"#,##0.00", 1234567.891, "1,234,567.89"},
      {"#,##0.00", -1234.5, "-1,234.50"},
      {"#,##0.00", 999.999, "1,000.00"},
      {"#,##0.00", 0.5, "0.50"},
      {"0", 2.5, "3"},
      {"0", -2.5, "-3"},
      {"0", 0.4, "0"},
      {"0", 1234567, "1234567"},
      {"0.##", 1.5, "1.5"},
      {"0.##", 2, "2"},
      {"0.00 lei", 3, "3.00 lei"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatFloat(c.pattern, c.value), c.expected) << c.pattern << " " << c.value;
}

TEST(FormatFloat, NonFiniteValuesGiveAWordNotGarbage) {
  EXPECT_EQ(FormatFloat("0.00", std::numeric_limits<double>::infinity()), "INF");
  EXPECT_EQ(FormatFloat("0.00", std::nan("")), "NAN");
}

TEST(FloatToStr, ShortestTextAtFifteenDigits) {
  const std::pair<double, const char*> cases[] = {
      {12.5, "12.5"},
      {150, "150"},
      {0, "0"},
      {-3, "-3"},
      {0.1 + 0.2, "0.3"},
      {1.0 / 3, "0.333333333333333"},
      {0.0001, "0.0001"},
      {0.00001, "1E-5"},
      {1.5e-6, "1.5E-6"},
      {999999999999999, "999999999999999"},
      {1e15, "1E15"},
      {-1.25e20, "-1.25E20"},
      {123456.789, "123456.789"},
  };
  for (const auto& [v, expected] : cases) EXPECT_EQ(FloatToStr(v), expected) << v;
}

TEST(StrToFloat, AcceptsPlainNumbersOnly) {
  const std::pair<const char*, double> good[] = {
      {"12.5", 12.5}, {" 12.5 ", 12.5}, {"-3", -3},    {"+4", 4},
      {".5", 0.5},    {"5.", 5},        {"1e3", 1000}, {"2.5E-2", 0.025},
  };
  for (const auto& [text, v] : good) {
    double out = 0;
    EXPECT_TRUE(TryStrToFloat(text, out)) << text;
    EXPECT_DOUBLE_EQ(out, v) << text;
  }
  const char* bad[] = {"",   "   ", "12,5",  "1,234.5", "abc", "12a", ".",   "-",
                       "1e", "1e+", "1.2.3", "1e999",   "nan", "inf", "0x10"};
  for (const char* text : bad) {
    double out = 7;
    EXPECT_FALSE(TryStrToFloat(text, out)) << text;
    EXPECT_EQ(out, 7) << "untouched on failure: " << text;
  }
  try {
    StrToFloat("12,5");
    FAIL() << "no error";
  } catch (const ConversionError& e) {
    EXPECT_STREQ(e.what(), "'12,5' is not a valid floating point value");
  }
}

TEST(StrToInt, WholeNumbersWithTheStandardError) {
  std::int64_t v = 0;
  EXPECT_TRUE(TryStrToInt("41", v));
  EXPECT_EQ(v, 41);
  EXPECT_TRUE(TryStrToInt(" -7 ", v));
  EXPECT_EQ(v, -7);
  EXPECT_TRUE(TryStrToInt("9999999999", v));  // a full DECIMAL(10,0) code
  EXPECT_EQ(v, 9999999999);
  for (const char* text : {"", "1.5", "12x", "x", "99999999999999999999", "1 2"})
    EXPECT_FALSE(TryStrToInt(text, v)) << text;
  try {
    StrToInt("abc");
    FAIL() << "no error";
  } catch (const ConversionError& e) {
    EXPECT_STREQ(e.what(), "'abc' is not a valid integer value");
  }
}

TEST(NumberSeparators, FollowTheProcessWideSetting) {
  SetNumberSeparators(',', '.');
  EXPECT_EQ(FormatFloat("#,##0.00", 1234.5), "1.234,50");
  double v = 0;
  EXPECT_TRUE(TryStrToFloat("12,5", v));
  EXPECT_EQ(v, 12.5);
  SetNumberSeparators('.', ',');
  EXPECT_EQ(FormatFloat("#,##0.00", 1234.5), "1,234.50");
  EXPECT_FALSE(TryStrToFloat("12,5", v));
}

TEST(Dates, ScreenAndStatementFormats) {
  const QLocale ro(QLocale::Romanian, QLocale::Romania);
  const QLocale en(QLocale::English, QLocale::UnitedStates);
  const QDate d(2026, 3, 7);
  const QDateTime t(d, QTime(9, 5, 30));
  EXPECT_EQ(DateShown(d, en), "07.Mar.2026");
  const QLocale de(QLocale::German, QLocale::Germany);
  EXPECT_EQ(DateShown(QDate(2026, 12, 10), ro), "10.dec.2026") << "one point, not two";
  EXPECT_EQ(DateShown(QDate(2026, 12, 10), de), "10.Dez.2026");
  EXPECT_EQ(DateShown(QDate(), en), "");
  EXPECT_EQ(DateNumeric(d), "07.03.2026");
  EXPECT_EQ(DateTimeDotted(t, en), "07.Mar.2026  09.05");
  EXPECT_EQ(DateTimeShown(t, en), "07.Mar.2026  09:05");
  EXPECT_EQ(TimeSeparator(en), ':');
  EXPECT_EQ(ShortDateFormat(), "dd.MM.yyyy");
  EXPECT_EQ(SqlDate(d), "07.03.2026");
  EXPECT_EQ(ParseSqlDate("07.03.2026"), d);
  EXPECT_EQ(ParseSqlDate("7.3.2026"), d);
  EXPECT_FALSE(ParseSqlDate("31.02.2026").isValid());
  EXPECT_FALSE(ParseSqlDate("2026-03-07").isValid());
  EXPECT_FALSE(ParseSqlDate("").isValid());
}

TEST(Dates, StatementsAndTheEngineShareOneShortDateFormat) {
  lumi::DefaultSession().SetDateFormat("yyyy-MM-dd");
  const QString written = SqlDate(QDate(2026, 3, 7));
  const QDate read = ParseSqlDate("2026-3-7");
  lumi::DefaultSession().SetDateFormat("dd.MM.yyyy");
  EXPECT_EQ(written, "2026-03-07");
  EXPECT_EQ(read, QDate(2026, 3, 7));
}

TEST(Amount, ParseSumAndShow) {
  const std::pair<const char*, std::int64_t> parsed[] = {
      {"12.5", 125000},   {"0.29", 2900},     {"-3", -30000},
      {"1.00005", 10001}, {"1.00004", 10000}, {"0", 0},
  };
  for (const auto& [text, units] : parsed) EXPECT_EQ(Amount::Parse(text).Units(), units) << text;

  // Ten thousand times 0.01 is exactly 100 as an amount, unlike a double sum.
  Amount total;
  for (int i = 0; i < 10000; ++i) total += Amount::Parse("0.01");
  EXPECT_EQ(total.ToString00(), "100.00");
  EXPECT_EQ((Amount::Parse("10") - Amount::Parse("12.5")).ToString00(), "-2.50");

  const std::pair<std::int64_t, const char*> shown[] = {
      {123450, "12.35"}, {-123450, "-12.35"}, {-49, "0.00"},    {-50, "-0.01"},
      {0, "0.00"},       {5, "0.00"},         {99995, "10.00"},
  };
  for (const auto& [units, text] : shown) EXPECT_EQ(Amount::FromUnits(units).ToString00(), text);

  EXPECT_THROW(Amount::Parse("12,5"), ConversionError);
  EXPECT_THROW(Amount::Parse("1e300"), ConversionError);
  Amount big = Amount::FromUnits(std::numeric_limits<std::int64_t>::max());
  EXPECT_THROW(big += Amount::FromUnits(1), ConversionError);
  EXPECT_EQ(big.Units(), std::numeric_limits<std::int64_t>::max()) << "unchanged on overflow";
}

}  // namespace
