#include "printing/row_table.h"

#include <gtest/gtest.h>

#include "printing/report_error.h"

namespace lumi::print {
namespace {

TEST(RowTable, WalksRowsAndReadsTextAndNumbers) {
  RowTable rows({"NAME", "QTY"});
  rows.First();
  EXPECT_TRUE(rows.Eof());  // no rows: at the end at once

  rows.Add({"Geam", " 12.50 "});
  rows.Add({std::nullopt, "   "});
  rows.Add({"", "-3"});
  rows.First();
  EXPECT_EQ(rows.Text("NAME"), "Geam");
  EXPECT_EQ(rows.Number("QTY"), 12.5);
  rows.Next();
  EXPECT_EQ(rows.Text("NAME"), "");
  EXPECT_EQ(rows.Number("QTY"), std::nullopt);  // blanks hold no value
  rows.Next();
  EXPECT_EQ(rows.Number("QTY"), -3.0);
  rows.Next();
  EXPECT_TRUE(rows.Eof());
  rows.Next();
  EXPECT_TRUE(rows.Eof());
  rows.First();
  EXPECT_EQ(rows.Text("NAME"), "Geam");  // First starts over
}

TEST(RowTable, RefusesWhatItCannotRead) {
  RowTable rows({"NAME", "QTY"});
  EXPECT_THROW(rows.Add({"only one value"}), ReportError);
  rows.Add({"Geam", "12,5"});
  rows.First();
  EXPECT_THROW(rows.Text("PRICE"), ReportError);
  EXPECT_THROW(rows.Number("QTY"), ReportError);  // not a number with a "." separator
  EXPECT_THROW(rows.Number("NAME"), ReportError);
  rows.Next();
  EXPECT_THROW(rows.Text("NAME"), ReportError);  // past the end
}

}  // namespace
}  // namespace lumi::print
