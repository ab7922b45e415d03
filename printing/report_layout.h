#pragma once
// Lays a report out on pages: walks the rows once and places every band, so
// that preview, printer and PDF paint the same pages. Positions are
// millimetres from the top-left corner of the printable area.
#include <QString>
#include <optional>
#include <vector>

#include "printing/report.h"
#include "printing/row_cursor.h"

namespace lumi::print {

struct PlacedText {
  QString text;
  ReportFont font;
  HAlign align = HAlign::Left;
  double anchorXMm = 0.0;  // the left edge, the right edge or the middle, as `align` says
  double topMm = 0.0;
  std::optional<double> widthMm;
};

struct PlacedLine {
  double x1Mm = 0.0;
  double x2Mm = 0.0;
  double yMm = 0.0;  // the middle of the stroke
  double widthMm = 0.0;
};

struct LaidOutPage {
  std::vector<PlacedText> texts;
  std::vector<PlacedLine> lines;
};

struct LaidOutReport {
  QString title;
  PageSetup page;
  std::vector<LaidOutPage> pages;  // never empty
};

// Stroke widths of a band's frame line.
inline constexpr double kNormalLineMm = 0.25;
inline constexpr double kDoubleLineMm = 2 * kNormalLineMm;

// Walks `rows` from its first row to its end. Throws ReportError when the
// bands cannot fit on a page or a format is unknown; the cursor's own errors
// pass through.
LaidOutReport LayOut(const Report& report, RowCursor& rows);

}  // namespace lumi::print
