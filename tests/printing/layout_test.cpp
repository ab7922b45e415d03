// Pagination and the text of every item, checked on the laid-out pages
// before anything is painted.
#include <gtest/gtest.h>

#include <functional>

#include "printing/report_error.h"
#include "printing/report_layout.h"
#include "printing/row_table.h"

namespace lumi::print {
namespace {

// The texts of a page whose top is `top` (mm from the printable area's top).
std::vector<const PlacedText*> TextsAt(const LaidOutPage& page, double top) {
  std::vector<const PlacedText*> found;
  for (const PlacedText& t : page.texts)
    if (std::abs(t.topMm - top) < 1e-6) found.push_back(&t);
  return found;
}

const PlacedText* Find(const LaidOutPage& page, const QString& text) {
  for (const PlacedText& t : page.texts)
    if (t.text == text) return &t;
  return nullptr;
}

RowTable NumberedRows(int count) {
  RowTable rows({"N"});
  for (int i = 1; i <= count; ++i) rows.Add({std::to_string(i)});
  return rows;
}

// Two columns of 85.15 mm, 2 mm apart; a body of 271.6 - 6.3 = 265.3 mm.
Report TwoColumns() {
  Report r;
  r.page.columns = 2;
  r.page.columnGapMm = 2;
  r.titleBand.heightMm = 19.3;
  r.titleBand.items = {Text("TITLU", BandCentre())};
  r.columnHeader.heightMm = 6.1;
  r.columnHeader.bottomLine = FrameLine::Double;
  r.columnHeader.items = {Text("NUME", BandLeft()), Text("END", BandRight()),
                          Text("MID", BandCentre())};
  r.detail.heightMm = 5.3;
  r.detail.items = {RowNumber(BandLeft()), Field("N", RightEdgeAt(83.9), {}, "0.0")};
  r.pageFooter.heightMm = 6.3;
  r.pageFooter.items = {PageNumber("Pag. ", At(150.3))};
  return r;
}

TEST(Layout, RowsFillAColumnThenTheNextThenANewPage) {
  RowTable rows = NumberedRows(45 * 2 + 48 * 2 + 1);
  const LaidOutReport out = LayOut(TwoColumns(), rows);
  ASSERT_EQ(out.pages.size(), 3u);

  struct Where {
    int row, page;
    double x, top;
  };
  // Under the title a column holds 45 rows, on later pages 48.
  for (const Where& w :
       {Where{1, 0, 0.0, 25.4}, Where{45, 0, 0.0, 25.4 + 44 * 5.3}, Where{46, 0, 87.15, 25.4},
        Where{90, 0, 87.15, 25.4 + 44 * 5.3}, Where{91, 1, 0.0, 6.1},
        Where{138, 1, 0.0, 6.1 + 47 * 5.3}, Where{139, 1, 87.15, 6.1}, Where{187, 2, 0.0, 6.1}}) {
    SCOPED_TRACE("row " + std::to_string(w.row));
    const PlacedText* t = Find(out.pages[w.page], QString::number(w.row));
    ASSERT_NE(t, nullptr);
    EXPECT_NEAR(t->anchorXMm, w.x, 1e-6);
    EXPECT_NEAR(t->topMm, w.top, 1e-6);
  }

  for (size_t p = 0; p < out.pages.size(); ++p) {
    SCOPED_TRACE("page " + std::to_string(p + 1));
    const LaidOutPage& page = out.pages[p];
    const double headerTop = p == 0 ? 19.3 : 0.0;
    // The header in both columns, edges and middle taken from the column.
    const auto header = TextsAt(page, headerTop);
    std::vector<std::pair<QString, double>> got;
    for (const PlacedText* t : header) got.emplace_back(t->text, t->anchorXMm);
    const std::vector<std::pair<QString, double>> want = {
        {"NUME", 0.0},   {"END", 85.15},         {"MID", 85.15 / 2},
        {"NUME", 87.15}, {"END", 87.15 + 85.15}, {"MID", 87.15 + 85.15 / 2}};
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
      EXPECT_EQ(got[i].first, want[i].first);
      EXPECT_NEAR(got[i].second, want[i].second, 1e-6);
    }
    // Its double line lies along each column's bottom edge.
    ASSERT_EQ(page.lines.size(), 2u);
    for (const PlacedLine& line : page.lines) {
      EXPECT_DOUBLE_EQ(line.widthMm, kDoubleLineMm);
      EXPECT_NEAR(line.yMm + line.widthMm / 2, headerTop + 6.1, 1e-6);
      EXPECT_NEAR(line.x2Mm - line.x1Mm, 85.15, 1e-6);
    }
    // The footer at the foot of every page, with its number.
    const PlacedText* footer = Find(page, "Pag. " + QString::number(p + 1));
    ASSERT_NE(footer, nullptr);
    EXPECT_NEAR(footer->topMm, 265.3, 1e-6);
    EXPECT_EQ(Find(page, "TITLU") != nullptr, p == 0);
  }
}

TEST(Layout, SummaryFollowsTheLastRowOrMovesToANewPage) {
  // One column, no footer: the body is 271.6 mm, the rows start at 38.1 mm
  // on the first page (44 fit) and at 6.1 mm on the next.
  Report report;
  report.titleBand.heightMm = 32.0;
  report.columnHeader.heightMm = 6.1;
  report.columnHeader.items = {Text("HEADER", BandLeft())};
  report.detail.heightMm = 5.3;
  report.detail.items = {RowNumber(BandLeft())};
  report.summary.heightMm = 16.1;
  report.summary.items = {Text("SUMMARY", At(42.3, 7.4))};

  struct Case {
    int rows;
    size_t pages;
    double summaryTop;
  };
  for (const Case& c :
       {Case{0, 1, 38.1 + 7.4}, Case{41, 1, 38.1 + 41 * 5.3 + 7.4}, Case{42, 2, 6.1 + 7.4},
        Case{44, 2, 6.1 + 7.4}, Case{45, 2, 6.1 + 5.3 + 7.4}}) {
    SCOPED_TRACE(std::to_string(c.rows) + " rows");
    RowTable rows = NumberedRows(c.rows);
    const LaidOutReport out = LayOut(report, rows);
    ASSERT_EQ(out.pages.size(), c.pages);
    const PlacedText* summary = Find(out.pages.back(), "SUMMARY");
    ASSERT_NE(summary, nullptr);
    EXPECT_NEAR(summary->topMm, c.summaryTop, 1e-6);
    // A page started for the summary alone still has its column header.
    EXPECT_NE(Find(out.pages.back(), "HEADER"), nullptr);
  }
}

TEST(Layout, EmptyReportIsOnePageWithTitleHeadersAndFooter) {
  RowTable rows = NumberedRows(0);
  const LaidOutReport out = LayOut(TwoColumns(), rows);
  ASSERT_EQ(out.pages.size(), 1u);
  std::vector<QString> texts;
  for (const PlacedText& t : out.pages[0].texts) texts.push_back(t.text);
  EXPECT_EQ(texts,
            (std::vector<QString>{"TITLU", "NUME", "END", "MID", "NUME", "END", "MID", "Pag. 1"}));
}

TEST(Layout, FieldTextsFormatsAndCaptions) {
  Report report;
  report.titleBand.heightMm = 10;
  report.titleBand.items = {Label("Data1", "Data1", BandRight())};
  report.detail.heightMm = 5;
  report.detail.items = {Field("NAME", BandLeft()),
                         Field("QTY", At(50), {}, "0.000"),
                         Field("PRICE", At(80), {}, "0.00"),
                         Field("PIECES", At(100), {}, "0"),
                         Field("QTY", At(120)),
                         Text("X", At(140))};
  report.SetCaption("Data1", "10.dec.2026  10.15");

  RowTable rows({"NAME", "QTY", "PRICE", "PIECES"});
  rows.Add({"Geam float   ", "2.5", "1234.565", "3"});
  rows.Add({std::nullopt, std::nullopt, "  ", std::nullopt});  // no values: zeros in their format
  const LaidOutReport out = LayOut(report, rows);
  ASSERT_EQ(out.pages.size(), 1u);

  auto row = [&](double top) {
    std::vector<QString> texts;
    for (const PlacedText* t : TextsAt(out.pages[0], top)) texts.push_back(t->text);
    return texts;
  };
  EXPECT_EQ(row(0), std::vector<QString>{"10.dec.2026  10.15"});
  EXPECT_EQ(row(10), (std::vector<QString>{"Geam float", "2.500", "1234.57", "3", "2.5", "X"}));
  EXPECT_EQ(row(15), (std::vector<QString>{"", "0.000", "0.00", "0", "", "X"}));
}

TEST(Layout, LongTextIsCutOnlyWhereTheItemHasAWidth) {
  Report report;
  report.detail.heightMm = 5;
  ReportItem cut = Field("NAME", BandLeft());
  cut.widthMm = 20;
  report.detail.items = {cut, Field("NAME", At(30))};
  RowTable rows({"NAME"});
  rows.Add({"A name long enough to run into the next item"});
  const LaidOutReport out = LayOut(report, rows);
  ASSERT_EQ(out.pages[0].texts.size(), 2u);
  EXPECT_EQ(out.pages[0].texts[0].widthMm, 20.0);
  EXPECT_FALSE(out.pages[0].texts[1].widthMm.has_value());
}

TEST(Layout, DetailLineUnderEveryRow) {
  Report report;
  report.detail.heightMm = 5.3;
  report.detail.bottomLine = FrameLine::Normal;
  RowTable rows = NumberedRows(3);
  const LaidOutReport out = LayOut(report, rows);
  ASSERT_EQ(out.pages[0].lines.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    const PlacedLine& line = out.pages[0].lines[i];
    EXPECT_DOUBLE_EQ(line.widthMm, kNormalLineMm);
    EXPECT_NEAR(line.yMm + line.widthMm / 2, (i + 1) * 5.3, 1e-6);
    EXPECT_NEAR(line.x2Mm - line.x1Mm, report.page.PrintableWidthMm(), 1e-6);
  }
}

TEST(Layout, ReportsThatCannotBeLaidOutAreRefused) {
  struct Case {
    const char* what;
    std::function<void(Report&)> spoil;
  };
  const Case cases[] = {
      {"title leaves no room for a row", [](Report& r) { r.titleBand.heightMm = 260; }},
      {"summary taller than a page", [](Report& r) { r.summary.heightMm = 262; }},
      {"unknown format",
       [](Report& r) { r.detail.items.push_back(Field("N", At(10), {}, "0.0x")); }},
      {"no columns", [](Report& r) { r.page.columns = 0; }},
      {"no font size", [](Report& r) { r.pageFooter.items[0].font.pointSize = 0; }},
  };
  for (const Case& c : cases) {
    Report report = TwoColumns();
    c.spoil(report);
    RowTable rows = NumberedRows(0);  // refused even with nothing to print
    EXPECT_THROW(LayOut(report, rows), ReportError) << c.what;
  }
  Report r = TwoColumns();
  EXPECT_THROW(r.SetCaption("NoSuchLabel", "x"), ReportError);
  EXPECT_THROW(r.SetCaption("", "x"), ReportError);
}

TEST(Layout, CursorErrorsPassThrough) {
  Report report = TwoColumns();
  report.detail.items.push_back(Field("MISSING", At(10)));
  RowTable rows = NumberedRows(1);
  EXPECT_THROW(LayOut(report, rows), ReportError);
}

}  // namespace
}  // namespace lumi::print
