// Writes reports to PDF and reads every item's position back with pdftotext:
// the millimetres the report gives must be where the words are on paper.
#include <gtest/gtest.h>

#include <QString>

#include "printing/page_painter.h"
#include "printing/report_error.h"
#include "printing/report_layout.h"
#include "tests/printing/pdf_words.h"
#include "tests/printing/sample_reports.h"

namespace lumi::print::testing {
namespace {

constexpr double kTolerance = 0.3;                // mm
constexpr double kLeft = 25.0;                    // the left margin
constexpr double kTop = 12.7;                     // the top margin
constexpr double kColumn2 = kLeft + 85.15 + 2.0;  // two columns of 85.15 mm, 2 mm apart

std::vector<PdfPage> Render(Report report, RowTable rows, const std::string& name) {
  const std::string path = OutputPath(name);
  WritePdf(LayOut(report, rows), QString::fromStdString(path));
  return ReadPdfWords(path);
}

// The words of one printed line, left to right.
std::vector<PdfWord> LineAt(const PdfPage& page, double top) {
  std::vector<PdfWord> line;
  for (const PdfWord& w : page.words)
    if (std::abs(w.yMin - top) < kTolerance) line.push_back(w);
  std::sort(line.begin(), line.end(), [](auto& a, auto& b) { return a.xMin < b.xMin; });
  return line;
}

TEST(PdfLayout, TwoColumnStockListOf500Rows) {
  Report report = StockListReport();
  report.SetCaption("Data1", "10.dec.2026  10.15");
  const std::vector<PdfPage> pages = Render(report, StockRows(500), "stock-list-500.pdf");

  // 45 rows a column under the title, 48 on the next pages: 90 + 4 * 96 + 26.
  ASSERT_EQ(pages.size(), 6u);
  for (const PdfPage& page : pages) {
    EXPECT_NEAR(page.widthMm, 210.0, 0.1);
    EXPECT_NEAR(page.heightMm, 297.0, 0.1);
  }

  // Title: the date by its right edge at the band's right edge, the heading
  // centred on the band, 8.5 mm down; only on the first page.
  const PdfPage& first = pages[0];
  EXPECT_NEAR(first.One("10.15").xMax, kLeft + 172.3, kTolerance);
  EXPECT_NEAR(first.One("10.15").yMin, kTop, kTolerance);
  EXPECT_NEAR(first.One("INVENTAR").Middle(), kLeft + 172.3 / 2, kTolerance);
  EXPECT_NEAR(first.One("INVENTAR").yMin, kTop + 8.5, kTolerance);
  EXPECT_TRUE(pages[1].All("INVENTAR").empty());

  for (size_t p = 0; p < pages.size(); ++p) {
    SCOPED_TRACE("page " + std::to_string(p + 1));
    const PdfPage& page = pages[p];
    const double headerTop = p == 0 ? kTop + 19.3 : kTop;

    // Column headers at the top of both columns, the last page included.
    const auto stock = page.All("STOC");
    ASSERT_EQ(stock.size(), 2u);
    EXPECT_NEAR(stock[0].xMin, kLeft + 74.1, kTolerance);
    EXPECT_NEAR(stock[1].xMin, kColumn2 + 74.1, kTolerance);
    const auto name = page.All("DENUMIRE");
    ASSERT_EQ(name.size(), 2u);
    EXPECT_NEAR(name[0].xMin, kLeft, kTolerance);
    EXPECT_NEAR(name[1].xMin, kColumn2, kTolerance);
    for (const auto& w : stock) EXPECT_NEAR(w.yMin, headerTop, kTolerance);

    // The footer: "Pag. " and the page number at 150.3 mm, at the page's foot.
    const auto footer = LineAt(page, kTop + 271.6 - 6.3);
    ASSERT_EQ(footer.size(), 2u);
    EXPECT_EQ(footer[0].text, "Pag.");
    EXPECT_NEAR(footer[0].xMin, kLeft + 150.3, kTolerance);
    EXPECT_EQ(footer[1].text, std::to_string(p + 1));

    // Detail rows: names from each column's left edge, stock figures by their
    // right edge at 83.9 mm into the column, one row every 5.3 mm.
    const int perColumn = p == 0 ? 45 : 48;
    const int rowsOnPage = p + 1 < pages.size() ? 2 * perColumn : 26;
    for (int i = 0; i < rowsOnPage; ++i) {
      const int column = i / perColumn;
      const double top = headerTop + 6.1 + (i % perColumn) * 5.3;
      std::vector<PdfWord> line;
      for (const PdfWord& w : LineAt(page, top))
        if ((w.xMin >= kColumn2 - kTolerance) == (column == 1)) line.push_back(w);
      ASSERT_GE(line.size(), 2u) << "row " << i + 1 << " of the page";
      const double columnLeft = column == 0 ? kLeft : kColumn2;
      EXPECT_NEAR(line.front().xMin, columnLeft, kTolerance);
      EXPECT_NEAR(line.back().xMax, columnLeft + 83.9, kTolerance);
    }
  }
}

TEST(PdfLayout, OneColumnWorkListAlignsByEdgesAndMiddle) {
  Report report = WorkListReport();
  report.SetCaption("DataL", "10.dec.2026  10:15");
  const std::vector<PdfPage> pages = Render(report, WorkRows(60), "work-list-60.pdf");
  ASSERT_EQ(pages.size(), 2u);  // 44 rows under the title, 16 on page 2
  const PdfPage& first = pages[0];

  // Centred by the middle of the whole line, whatever its width.
  const auto title = LineAt(first, kTop);
  ASSERT_EQ(title.size(), 3u);
  EXPECT_NEAR((title.front().xMin + title.back().xMax) / 2, kLeft + 172.3 / 2, kTolerance);
  const auto date = LineAt(first, kTop + 6.3);
  ASSERT_EQ(date.size(), 2u);
  EXPECT_NEAR((date.front().xMin + date.back().xMax) / 2, kLeft + 172.3 / 2, kTolerance);

  struct Header {
    const char* text;
    double at;
    bool byRightEdge;
  };
  for (const Header& h :
       {Header{"Nr.Crt.", 0.0, false}, Header{"PRODUSUL", 16.9, false}, Header{"U.M.", 67.7, false},
        Header{"CANT.", 82.5, false}, Header{"LUNGIME", 103.7, false},
        Header{"LATIME", 142.9, true}, Header{"BUCATI", 168.3, true}}) {
    for (const PdfPage& page : pages) {
      const PdfWord w = page.One(h.text);
      EXPECT_NEAR(h.byRightEdge ? w.xMax : w.xMin, kLeft + h.at, kTolerance) << h.text;
    }
  }

  // Row 1: the running number, the name, the unit, then the four figures by
  // their right edges.
  const auto row = LineAt(first, kTop + 32.0 + 6.1);
  ASSERT_EQ(row.size(), 9u);  // "1", two words and the number of the name, unit, four figures
  EXPECT_EQ(row[0].text, "1");
  EXPECT_NEAR(row[0].xMax, kLeft + 11.9, kTolerance);
  EXPECT_NEAR(row[1].xMin, kLeft + 16.9, kTolerance);
  EXPECT_NEAR(row[4].xMin, kLeft + 68.8, kTolerance);
  EXPECT_EQ(row[4].text, "MP");
  EXPECT_EQ(row[5].text, "1.250");
  EXPECT_NEAR(row[5].xMax, kLeft + 92.3, kTolerance);
  EXPECT_NEAR(row[6].xMax, kLeft + 119.3, kTolerance);
  EXPECT_NEAR(row[7].xMax, kLeft + 142.9, kTolerance);
  EXPECT_EQ(row[8].text, "2");
  EXPECT_NEAR(row[8].xMax, kLeft + 166.2, kTolerance);

  // Numbering goes on across the page break; the summary follows the last row.
  const auto continued = LineAt(pages[1], kTop + 6.1);
  ASSERT_FALSE(continued.empty());
  EXPECT_EQ(continued[0].text, "45");
  const PdfWord signature = pages[1].One("Semnatura,");
  EXPECT_NEAR(signature.xMin, kLeft + 42.3, kTolerance);
  EXPECT_NEAR(signature.yMin, kTop + 6.1 + 16 * 5.3 + 7.4, kTolerance);
  EXPECT_TRUE(first.All("Semnatura,").empty());
}

TEST(PdfLayout, EmptyReportPrintsOnePageWithTitleHeadersAndFooter) {
  Report report = StockListReport();
  report.SetCaption("Data1", "10.dec.2026  10.15");
  const std::vector<PdfPage> pages = Render(report, StockRows(0), "stock-list-empty.pdf");
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_EQ(pages[0].All("INVENTAR").size(), 1u);
  EXPECT_EQ(pages[0].All("STOC").size(), 2u);
  const auto footer = LineAt(pages[0], kTop + 271.6 - 6.3);
  ASSERT_EQ(footer.size(), 2u);
  EXPECT_EQ(footer[0].text + " " + footer[1].text, "Pag. 1");
  EXPECT_EQ(pages[0].words.size(), 2u + 1 + 2 * 3 + 2);  // date, title, headers, footer
}

TEST(PdfLayout, TextIsCutAtTheItemsWidth) {
  Report report;
  report.detail.heightMm = 5;
  ReportItem cut = Field("NAME", At(10));
  cut.widthMm = 30;
  ReportItem cutRight = Field("NAME", RightEdgeAt(150));
  cutRight.widthMm = 30;
  report.detail.items = {cut, cutRight};
  RowTable rows({"NAME"});
  rows.Add({"Oglinda securizata cu margini slefuite si gravura"});
  const std::vector<PdfPage> pages = Render(report, rows, "cut.pdf");
  ASSERT_EQ(pages.size(), 1u);
  const auto line = LineAt(pages[0], kTop);
  ASSERT_GE(line.size(), 4u);
  EXPECT_NEAR(line.front().xMin, kLeft + 10, kTolerance);
  EXPECT_NEAR(line.back().xMax, kLeft + 150, kTolerance);
  double leftEnd = 0;
  for (const PdfWord& w : line)
    if (w.xMax < kLeft + 100) leftEnd = std::max(leftEnd, w.xMax);
  EXPECT_LE(leftEnd, kLeft + 10 + 30 + kTolerance);
  EXPECT_GT(leftEnd, kLeft + 10 + 25);  // cut, not dropped
  EXPECT_GE(line.back().xMin, kLeft + 150 - 30 - kTolerance);
}

TEST(PdfLayout, UnwritablePathIsAnError) {
  RowTable rows = StockRows(1);
  const LaidOutReport out = LayOut(StockListReport(), rows);
  EXPECT_THROW(WritePdf(out, "/nonexistent-folder/x.pdf"), ReportError);
}

TEST(PdfLayout, ArialIsDrawnWithAMetricCompatibleFont) {
  const std::string path = OutputPath("fonts.pdf");
  Report report = WorkListReport();
  RowTable rows = WorkRows(3);
  WritePdf(LayOut(report, rows), QString::fromStdString(path));
  const std::string fonts = PdfFonts(path);
  EXPECT_NE(fonts.find("LiberationSans "), std::string::npos) << fonts;
  EXPECT_NE(fonts.find("LiberationSans-Bold"), std::string::npos) << fonts;
  EXPECT_EQ(fonts.find("DejaVu"), std::string::npos) << fonts;
}

}  // namespace
}  // namespace lumi::print::testing
