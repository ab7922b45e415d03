#include "printing/number_format.h"

#include <gtest/gtest.h>

#include "printing/report_error.h"

namespace lumi::print {
namespace {

TEST(NumberFormat, FormatsAndRoundsHalfAwayFromZero) {
  struct Case {
    const char* format;
    double value;
    const char* expected;
  };
  for (const Case& c : {
           Case{"0.000", 1.2345, "1.235"},  // half up on the decimal value as written
           Case{"0.00", 2.675, "2.68"},     // 2.67499999... in binary
           Case{"0.00", 1.005, "1.01"},
           Case{"0.00", -2.675, "-2.68"},  // away from zero
           Case{"0.00", -0.004, "0.00"},   // no "-0.00"
           Case{"0.00", 0.0, "0.00"},
           Case{"0.00", 9.995, "10.00"},  // the carry runs into a new digit
           Case{"0.00", 1234567.891, "1234567.89"},
           Case{"0.000", 0.5, "0.500"},
           Case{"0", 0.5, "1"},
           Case{"0", -0.5, "-1"},
           Case{"0", 12.0, "12"},
           Case{"0", 99.5, "100"},
           Case{"0.00", 1e-9, "0.00"},
           Case{"0.00", 123456789012.0, "123456789012.00"},
           Case{"#,##0.00", 1234567.891, "1,234,567.89"},
           Case{"#,##0.00", -999.999, "-1,000.00"},
           Case{"#,##0", 12.0, "12"},
       }) {
    EXPECT_EQ(NumberFormat(c.format).Apply(c.value).toStdString(), c.expected)
        << c.format << " " << c.value;
  }
}

TEST(NumberFormat, UnknownFormatsAreRefused) {
  for (const char* format : {"", "x", "0.0x", "0.#", ".00", "00#"})
    EXPECT_THROW(NumberFormat{format}, ReportError) << format;
}

}  // namespace
}  // namespace lumi::print
