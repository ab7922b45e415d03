#include "printing/report_layout.h"

#include <algorithm>
#include <map>

#include "printing/number_format.h"
#include "printing/report_error.h"

namespace lumi::print {

namespace {

void CheckFits(const Report& report) {
  const PageSetup& page = report.page;
  if (page.columns < 1 || page.columnGapMm < 0 || page.ColumnWidthMm() <= 0 ||
      page.PrintableHeightMm() <= 0)
    throw ReportError("Asezarea in pagina a raportului nu este valida");
  for (const Band* band : {&report.titleBand, &report.columnHeader, &report.detail, &report.summary,
                           &report.pageFooter}) {
    if (band->heightMm < 0) throw ReportError("O banda a raportului are inaltime negativa");
    for (const ReportItem& item : band->items)
      if (item.font.pointSize <= 0)
        throw ReportError("Un element al raportului nu are marime de litera");
  }
  // Each of these must fit on a page of its own, or the report never ends.
  const double body = page.PrintableHeightMm() - report.pageFooter.heightMm;
  const double header = report.columnHeader.heightMm;
  if (report.titleBand.heightMm + header + report.detail.heightMm > body ||
      header + report.summary.heightMm > body)
    throw ReportError("Benzile raportului nu incap pe o pagina");
}

class Paginator {
 public:
  Paginator(const Report& report, RowCursor& rows) : report_(report), rows_(rows) {
    for (const Band* band : {&report.titleBand, &report.columnHeader, &report.detail,
                             &report.summary, &report.pageFooter}) {
      for (const ReportItem& item : band->items)
        if (item.kind == ItemKind::Field && !item.format.isEmpty())
          formats_.try_emplace(item.format, item.format);
    }
    out_.title = report.title;
    out_.page = report.page;
  }

  LaidOutReport Run() {
    const double detailHeight = report_.detail.heightMm;
    rows_.First();
    StartPage();
    int rowNumber = 0;
    for (; !rows_.Eof(); rows_.Next()) {
      if (y_ + detailHeight > BodyBottom()) {
        if (column_ + 1 < report_.page.columns) {
          ++column_;
          y_ = columnsTop_ + report_.columnHeader.heightMm;
        } else {
          FinishPage();
          StartPage();
        }
      }
      ++rowNumber;
      PlaceBand(report_.detail, ColumnLeft(column_), report_.page.ColumnWidthMm(), y_, rowNumber);
      y_ += detailHeight;
      lowest_ = std::max(lowest_, y_);
    }
    if (report_.summary.Present()) {
      if (lowest_ + report_.summary.heightMm > BodyBottom()) {
        FinishPage();
        StartPage();
      }
      PlaceBand(report_.summary, 0, report_.page.PrintableWidthMm(), lowest_, rowNumber);
    }
    FinishPage();
    return std::move(out_);
  }

 private:
  double BodyBottom() const {
    return report_.page.PrintableHeightMm() - report_.pageFooter.heightMm;
  }
  double ColumnLeft(int column) const {
    return column * (report_.page.ColumnWidthMm() + report_.page.columnGapMm);
  }
  int PageNumber() const { return static_cast<int>(out_.pages.size()); }

  void StartPage() {
    out_.pages.emplace_back();
    columnsTop_ = 0;
    if (PageNumber() == 1 && report_.titleBand.Present()) {
      PlaceBand(report_.titleBand, 0, report_.page.PrintableWidthMm(), 0, 0);
      columnsTop_ = report_.titleBand.heightMm;
    }
    if (report_.columnHeader.Present()) {
      for (int c = 0; c < report_.page.columns; ++c)
        PlaceBand(report_.columnHeader, ColumnLeft(c), report_.page.ColumnWidthMm(), columnsTop_,
                  0);
    }
    column_ = 0;
    y_ = columnsTop_ + report_.columnHeader.heightMm;
    lowest_ = y_;
  }

  void FinishPage() {
    if (report_.pageFooter.Present())
      PlaceBand(report_.pageFooter, 0, report_.page.PrintableWidthMm(), BodyBottom(), 0);
  }

  void PlaceBand(const Band& band, double left, double width, double top, int rowNumber) {
    LaidOutPage& page = out_.pages.back();
    for (const ReportItem& item : band.items) {
      PlacedText placed;
      placed.text = ItemText(item, rowNumber);
      placed.font = item.font;
      placed.align = item.place.align;
      placed.topMm = top + item.place.yMm;
      placed.widthMm = item.widthMm;
      if (item.place.xMm)
        placed.anchorXMm = left + *item.place.xMm;
      else if (item.place.align == HAlign::Left)
        placed.anchorXMm = left;
      else if (item.place.align == HAlign::Right)
        placed.anchorXMm = left + width;
      else
        placed.anchorXMm = left + width / 2;
      page.texts.push_back(std::move(placed));
    }
    if (band.bottomLine != FrameLine::None) {
      const double stroke = band.bottomLine == FrameLine::Double ? kDoubleLineMm : kNormalLineMm;
      // The stroke lies inside the band, its lower side on the band's edge.
      const double y = top + band.heightMm - stroke / 2;
      page.lines.push_back(PlacedLine{left, left + width, y, stroke});
    }
  }

  QString ItemText(const ReportItem& item, int rowNumber) const {
    switch (item.kind) {
      case ItemKind::Label:
        return item.text;
      case ItemKind::RowNumber:
        return QString::number(rowNumber);
      case ItemKind::PageNumber:
        return item.text + QString::number(PageNumber());
      case ItemKind::Field:
        break;
    }
    // Outside the detail band there is no current row once the rows are done.
    if (rows_.Eof()) return {};
    const std::string field = item.field.toStdString();
    if (!item.format.isEmpty())
      return formats_.at(item.format).Apply(rows_.Number(field).value_or(0.0));
    std::string text = rows_.Text(field);
    text.erase(text.find_last_not_of(' ') + 1);  // fixed-width fields come padded
    return QString::fromStdString(text);
  }

  const Report& report_;
  RowCursor& rows_;
  std::map<QString, NumberFormat> formats_;
  LaidOutReport out_;
  int column_ = 0;
  double columnsTop_ = 0;
  double y_ = 0;
  double lowest_ = 0;
};

}  // namespace

LaidOutReport LayOut(const Report& report, RowCursor& rows) {
  CheckFits(report);
  return Paginator(report, rows).Run();
}

}  // namespace lumi::print
