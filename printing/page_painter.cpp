#include "printing/page_painter.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPen>
#include <QPrinter>
#include <algorithm>
#include <map>
#include <tuple>

#include "printing/report_error.h"

namespace lumi::print {

QFont ToQFont(const ReportFont& font) {
  static const bool substituted = [] {
    if (!QFontDatabase::families().contains("Arial"))
      QFont::insertSubstitution("Arial", "Liberation Sans");
    return true;
  }();
  (void)substituted;
  QFont qfont(font.family);
  qfont.setPointSizeF(font.pointSize);
  qfont.setBold(font.bold);
  return qfont;
}

void SetUpPrinter(QPrinter& printer, const LaidOutReport& report) {
  const PageSetup& page = report.page;
  const QSizeF paper(page.paperWidthMm, page.paperHeightMm);
  const QPageSize::PageSizeId id =
      QPageSize::id(paper, QPageSize::Millimeter, QPageSize::FuzzyMatch);
  const QPageSize size =
      id != QPageSize::Custom ? QPageSize(id) : QPageSize(paper, QPageSize::Millimeter);
  printer.setPageLayout(QPageLayout(size, QPageLayout::Portrait,
                                    QMarginsF(page.leftMm, page.topMm, page.rightMm, page.bottomMm),
                                    QPageLayout::Millimeter));
  // The painter starts at the paper's corner and the margins are applied
  // here, so that every printer puts the items at the same place on paper.
  printer.setFullPage(true);
  printer.setDocName(report.title);
  printer.setCreator("Lumicraft");
}

namespace {

// Fonts and their metrics, made once per font for the device.
class FontCache {
 public:
  explicit FontCache(QPaintDevice* device) : device_(device) {}

  struct Entry {
    QFont font;
    QFontMetricsF metrics;
  };

  const Entry& Get(const ReportFont& font) {
    const auto key = std::make_tuple(font.family, font.pointSize, font.bold);
    auto it = entries_.find(key);
    if (it == entries_.end()) {
      QFont qfont(ToQFont(font), device_);
      it = entries_.emplace(key, Entry{qfont, QFontMetricsF(qfont, device_)}).first;
    }
    return it->second;
  }

 private:
  QPaintDevice* device_;
  std::map<std::tuple<QString, double, bool>, Entry> entries_;
};

void PaintPage(QPainter& painter, const LaidOutReport& report, const LaidOutPage& page,
               FontCache& fonts) {
  const double dotsX = painter.device()->logicalDpiX() / 25.4;
  const double dotsY = painter.device()->logicalDpiY() / 25.4;
  const double originX = report.page.leftMm * dotsX;
  const double originY = report.page.topMm * dotsY;

  for (const PlacedLine& line : page.lines) {
    QPen pen(Qt::black);
    pen.setWidthF(line.widthMm * dotsY);
    pen.setCapStyle(Qt::FlatCap);
    painter.setPen(pen);
    painter.drawLine(QPointF(originX + line.x1Mm * dotsX, originY + line.yMm * dotsY),
                     QPointF(originX + line.x2Mm * dotsX, originY + line.yMm * dotsY));
  }

  painter.setPen(Qt::black);
  for (const PlacedText& text : page.texts) {
    if (text.text.isEmpty()) continue;
    const FontCache::Entry& font = fonts.Get(text.font);
    QString shown = text.text;
    if (text.widthMm) shown = font.metrics.elidedText(shown, Qt::ElideRight, *text.widthMm * dotsX);
    const double width = font.metrics.horizontalAdvance(shown);
    double left = originX + text.anchorXMm * dotsX;
    if (text.align == HAlign::Right)
      left -= width;
    else if (text.align == HAlign::Center)
      left -= width / 2;
    painter.setFont(font.font);
    painter.drawText(QPointF(left, originY + text.topMm * dotsY + font.metrics.ascent()), shown);
  }
}

}  // namespace

bool PaintPages(QPainter& painter, QPrinter& printer, const LaidOutReport& report,
                const PageProgress& progress, int first, int last) {
  FontCache fonts(painter.device());
  const int count = static_cast<int>(report.pages.size());
  if (count == 0) return true;
  first = std::clamp(first, 0, count - 1);
  last = last < 0 ? count - 1 : std::clamp(last, first, count - 1);
  for (int i = first; i <= last; ++i) {
    if (progress && !progress(i - first, last - first + 1)) return false;
    if (i > first) printer.newPage();
    PaintPage(painter, report, report.pages[i], fonts);
  }
  if (progress) progress(last - first + 1, last - first + 1);
  return true;
}

void WritePdf(const LaidOutReport& report, const QString& path) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(path);
  SetUpPrinter(printer, report);
  QPainter painter;
  if (!painter.begin(&printer))
    throw ReportError("Fisierul \"" + path.toStdString() + "\" nu poate fi scris");
  PaintPages(painter, printer, report);
  if (!painter.end())
    throw ReportError("Fisierul \"" + path.toStdString() + "\" nu poate fi scris");
}

}  // namespace lumi::print
