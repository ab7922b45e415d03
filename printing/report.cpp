#include "printing/report.h"

#include "printing/report_error.h"

namespace lumi::print {

ReportFont Bold(double pointSize) { return ReportFont{"Arial", pointSize, true}; }

Place At(double xMm, double yMm) { return Place{xMm, yMm, HAlign::Left}; }
Place RightEdgeAt(double xMm, double yMm) { return Place{xMm, yMm, HAlign::Right}; }
Place CentredAt(double xMm, double yMm) { return Place{xMm, yMm, HAlign::Center}; }
Place BandLeft(double yMm) { return Place{std::nullopt, yMm, HAlign::Left}; }
Place BandRight(double yMm) { return Place{std::nullopt, yMm, HAlign::Right}; }
Place BandCentre(double yMm) { return Place{std::nullopt, yMm, HAlign::Center}; }

namespace {

ReportItem Item(ItemKind kind, Place place, ReportFont font) {
  ReportItem item;
  item.kind = kind;
  item.place = place;
  item.font = std::move(font);
  return item;
}

}  // namespace

ReportItem Label(QString name, QString caption, Place place, ReportFont font) {
  ReportItem item = Item(ItemKind::Label, place, std::move(font));
  item.name = std::move(name);
  item.text = std::move(caption);
  return item;
}

ReportItem Text(QString caption, Place place, ReportFont font) {
  return Label({}, std::move(caption), place, std::move(font));
}

ReportItem Field(QString field, Place place, ReportFont font, QString format) {
  ReportItem item = Item(ItemKind::Field, place, std::move(font));
  item.field = std::move(field);
  item.format = std::move(format);
  return item;
}

ReportItem RowNumber(Place place, ReportFont font) {
  return Item(ItemKind::RowNumber, place, std::move(font));
}

ReportItem PageNumber(QString prefix, Place place, ReportFont font) {
  ReportItem item = Item(ItemKind::PageNumber, place, std::move(font));
  item.text = std::move(prefix);
  return item;
}

namespace {

template <typename ReportT>
auto* FindLabelIn(ReportT& report, const QString& name) {
  for (auto* band : {&report.titleBand, &report.columnHeader, &report.detail, &report.summary,
                     &report.pageFooter}) {
    for (auto& item : band->items)
      if (item.kind == ItemKind::Label && !name.isEmpty() && item.name == name) return &item;
  }
  return static_cast<decltype(&report.titleBand.items.front())>(nullptr);
}

}  // namespace

const ReportItem* Report::FindLabel(const QString& name) const { return FindLabelIn(*this, name); }

void Report::SetCaption(const QString& name, const QString& caption) {
  ReportItem* item = FindLabelIn(*this, name);
  if (!item) throw ReportError("Raportul nu are eticheta " + name.toStdString());
  item->text = caption;
}

}  // namespace lumi::print
