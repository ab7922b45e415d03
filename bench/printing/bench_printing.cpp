// Lays out 10 000 detail rows and writes them to PDF, for the one-column work
// list and the two-column stock list; prints the times and pages per second,
// and how long the preview takes to open on the same pages.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "printing/page_painter.h"
#include "printing/report_layout.h"
#include "printing/report_preview.h"
#include "tests/printing/sample_reports.h"

namespace {

using Clock = std::chrono::steady_clock;
using lumi::print::LaidOutReport;
using lumi::print::Report;
using lumi::print::RowTable;

double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void Measure(const char* name, const Report& report, RowTable rows, int runs) {
  const QString path = QDir::tempPath() + "/bench_printing_" + name + ".pdf";
  std::vector<double> layout, pdf;
  size_t pages = 0;
  for (int i = 0; i < runs; ++i) {
    auto start = Clock::now();
    const LaidOutReport out = lumi::print::LayOut(report, rows);
    layout.push_back(Seconds(start));
    start = Clock::now();
    lumi::print::WritePdf(out, path);
    pdf.push_back(Seconds(start));
    pages = out.pages.size();
  }
  // The preview paints every page once when it opens.
  double preview = 0;
  {
    const LaidOutReport out = lumi::print::LayOut(report, rows);
    const auto start = Clock::now();
    lumi::print::ReportPreview window(out);
    preview = Seconds(start);
  }
  const double total = Median(layout) + Median(pdf);
  std::printf(
      "%-12s rows %d  pages %zu  layout %.3f s  pdf %.3f s  total %.3f s  %.0f pages/s  "
      "file %.1f MB  (median of %d); preview opens in %.3f s\n",
      name, rows.RowCount(), pages, Median(layout), Median(pdf), total, pages / total,
      QFile(path).size() / 1e6, runs, preview);
  QFile::remove(path);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  constexpr int kRows = 10000;
  constexpr int kRuns = 5;
  Report work = lumi::print::testing::WorkListReport();
  work.SetCaption("DataL", "10.dec.2026  10:15");
  Report stock = lumi::print::testing::StockListReport();
  stock.SetCaption("Data1", "10.dec.2026  10.15");
  Measure("work-list", work, lumi::print::testing::WorkRows(kRows), kRuns);
  Measure("stock-list", stock, lumi::print::testing::StockRows(kRows), kRuns);
  return 0;
}
