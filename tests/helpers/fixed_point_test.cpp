// Money and quantities as whole units: parsed once, compared and summed in
// integers, shown and written exactly.
#include <gtest/gtest.h>

#include <limits>

#include "shell/Formats.h"

namespace {

using Formats::Amount;
using Formats::ConversionError;
using Formats::Quantity;

TEST(FixedPoint, MoneyIsParsedOnceRoundedToCentsAndShown) {
  struct Case {
    const char* typed;
    std::int64_t units;  // ten-thousandths as parsed
    const char* cents;   // rounded to the cent, shown
    const char* sql;     // the rounded value in a statement
  };
  const Case cases[] = {
      {"1.11", 11100, "1.11", "1.11"},         {"1024.13", 10241300, "1024.13", "1024.13"},
      {"10.005", 100050, "10.01", "10.01"},    {"10.0049", 100049, "10.00", "10"},
      {"0", 0, "0.00", "0"},                   {"-0.005", -50, "-0.01", "-0.01"},
      {"99999.99", 999999900, "99999.99", "99999.99"}, {" 12.5 ", 125000, "12.50", "12.5"},
  };
  for (const Case& c : cases) {
    const Amount a = Amount::Parse(c.typed);
    EXPECT_EQ(a.Units(), c.units) << c.typed;
    EXPECT_EQ(a.RoundedToCents().ToString00(), c.cents) << c.typed;
    EXPECT_EQ(a.RoundedToCents().ToSql(), c.sql) << c.typed;
  }
  for (const char* bad : {"", ".", "-", "12,5", "1.2.3", "abc", "1e300"}) {
    EXPECT_THROW(Amount::Parse(bad), ConversionError) << '"' << bad << '"';
  }
}

TEST(FixedPoint, QuantitiesKeepThousandths) {
  const std::pair<const char*, std::int64_t> parsed[] = {
      {"0.1", 100}, {"6", 6000}, {"2.5", 2500}, {"1.0005", 1001}, {"-1.0005", -1001}, {"0.001", 1}};
  for (const auto& [text, units] : parsed) EXPECT_EQ(Quantity::Parse(text).Units(), units) << text;
  EXPECT_EQ(Quantity::Parse("7.5").ToString000(), "7.500");
  EXPECT_EQ(Quantity::Parse("0.125").ToSql(), "0.125");
  EXPECT_EQ(Quantity::Parse("-3").ToSql(), "-3");
}

// The checks a double gets wrong, and the same checks in units.
TEST(FixedPoint, ComparesExactAmountsAsEqual) {
  const double tenth = 0.1;
  ASSERT_GT(tenth * 3, 0.3) << "the double fault this type exists for";
  ASSERT_GT(1.11 * 10000, 11100.0);

  EXPECT_EQ(Quantity::Parse("0.1").Times(3), Quantity::Parse("0.3"));
  EXPECT_EQ(Quantity::Parse("0.1") + Quantity::Parse("0.1") + Quantity::Parse("0.1"),
            Quantity::Parse("0.3"));
  EXPECT_EQ(Amount::Parse("1.11").Units(), 11100);

  // A stock of 6 takes 2 x 3 pieces exactly, not 2.5 x 3.
  const Quantity stoc = Quantity::Parse("6.000");
  EXPECT_LE(Quantity::Parse("2").Times(3), stoc);
  EXPECT_GT(Quantity::Parse("2.5").Times(3), stoc);

  // An auxiliary material taken and given back restores its value exactly.
  const Amount pret = Amount::Parse("100.00");
  const Amount luat = Amount::Parse("12.345").RoundedToCents();
  EXPECT_EQ(pret - luat + luat, pret);
  EXPECT_EQ((pret - luat).ToString00(), "87.65");
}

TEST(FixedPoint, PriceTimesQuantity) {
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"12.50", "6", "75.00"}, {"40", "2", "80.00"}, {"0.333", "3.333", "1.11"},
      {"25", "3", "75.00"},    {"-7.5", "1", "-7.50"},
  };
  for (const auto& [price, quantity, total] : cases) {
    EXPECT_EQ(Formats::Times(Amount::Parse(price), Quantity::Parse(quantity)).ToString00(), total)
        << price << " x " << quantity;
  }
  EXPECT_EQ(Formats::Times(Amount::Parse("0.333"), Quantity::Parse("3.333")).Units(), 11099);
}

TEST(FixedPoint, OverflowThrowsAndChangesNothing) {
  Amount big = Amount::FromUnits(std::numeric_limits<std::int64_t>::max());
  EXPECT_THROW(big += Amount::FromUnits(1), ConversionError);
  EXPECT_EQ(big.Units(), std::numeric_limits<std::int64_t>::max());
  Quantity small = Quantity::FromUnits(std::numeric_limits<std::int64_t>::min());
  EXPECT_THROW(small -= Quantity::FromUnits(1), ConversionError);
  EXPECT_THROW(Quantity::FromUnits(std::numeric_limits<std::int64_t>::max() / 2).Times(3),
               ConversionError);
  EXPECT_THROW(Formats::Times(big, Quantity::Parse("2")), ConversionError);
}

}  // namespace
