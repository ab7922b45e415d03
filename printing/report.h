#pragma once
// A banded report: page set-up, five kinds of band, and the items each band
// prints. All measures are millimetres; item positions are taken from the left
// edge of their band and down from its top.
//
//   Report r;
//   r.page.columns = 2;
//   r.page.columnGapMm = 2;
//   r.titleBand = {19.3, {Label("Data1", "", BandRight()),
//                         Text("INVENTAR", BandCentre(8.5), Bold(14))}};
//   r.detail = {5.3, {Field("DENUMIRE", BandLeft()),
//                     Field("STOC", RightEdgeAt(83.9), {}, "0.00")}};
//   r.pageFooter = {6.3, {PageNumber("Pag. ", At(150.3))}};
//   r.SetCaption("Data1", now);
//   PrintToDefaultPrinter(r, rows, parent);  // or ShowPreview(r, rows, parent)
#include <QString>
#include <optional>
#include <vector>

namespace lumi::print {

struct PageSetup {
  // A4 portrait.
  double paperWidthMm = 210.0;
  double paperHeightMm = 297.0;
  double leftMm = 25.0;
  double topMm = 12.7;
  double rightMm = 12.7;
  double bottomMm = 12.7;
  // Detail rows fill the first column, then the next one, then a new page.
  int columns = 1;
  double columnGapMm = 0.0;

  double PrintableWidthMm() const { return paperWidthMm - leftMm - rightMm; }
  double PrintableHeightMm() const { return paperHeightMm - topMm - bottomMm; }
  double ColumnWidthMm() const {
    return (PrintableWidthMm() - (columns - 1) * columnGapMm) / columns;
  }
};

struct ReportFont {
  QString family = "Arial";
  double pointSize = 10.0;
  bool bold = false;
};

ReportFont Bold(double pointSize = 10.0);

enum class HAlign { Left, Center, Right };

// Where an item sits in its band. With an x, a left-aligned item starts there,
// a right-aligned one ends there and a centred one has its middle there. With
// no x the item goes to the band's left or right edge, or its middle, as its
// alignment says, whatever its width.
struct Place {
  std::optional<double> xMm;
  double yMm = 0.0;
  HAlign align = HAlign::Left;
};

Place At(double xMm, double yMm = 0.0);
Place RightEdgeAt(double xMm, double yMm = 0.0);
Place CentredAt(double xMm, double yMm = 0.0);
Place BandLeft(double yMm = 0.0);
Place BandRight(double yMm = 0.0);
Place BandCentre(double yMm = 0.0);

enum class ItemKind {
  Label,       // fixed text; callers may change it by name before printing
  Field,       // a field of the current row, through `format` when it has one
  RowNumber,   // the running number of the detail row, 1 upwards
  PageNumber,  // `text` followed by the page number
};

struct ReportItem {
  ItemKind kind = ItemKind::Label;
  QString name;    // how callers find a label to fill it
  QString text;    // a label's caption, a page number's prefix
  QString field;   // a data field's name
  QString format;  // "0.000", "0.00", "0", "#,##0.00"; empty: the field's text
  Place place;
  ReportFont font;
  // Longer text is cut at this width; without it the text prints whole.
  std::optional<double> widthMm;
};

ReportItem Label(QString name, QString caption, Place place, ReportFont font = {});
ReportItem Text(QString caption, Place place, ReportFont font = {});
ReportItem Field(QString field, Place place, ReportFont font = {}, QString format = {});
ReportItem RowNumber(Place place, ReportFont font = {});
ReportItem PageNumber(QString prefix, Place place, ReportFont font = {});

enum class FrameLine { None, Normal, Double };

struct Band {
  double heightMm = 0.0;  // a band of no height is not printed
  std::vector<ReportItem> items;
  FrameLine bottomLine = FrameLine::None;  // drawn along the band's bottom edge

  bool Present() const { return heightMm > 0.0; }
};

struct Report {
  QString title;  // the document's name, for the preview and the print job
  PageSetup page;
  Band titleBand;     // once, at the top of the first page
  Band columnHeader;  // at the top of every column on every page
  Band detail;        // once per row
  Band summary;       // once, after the last row
  Band pageFooter;    // at the bottom of every page

  // Sets the caption of the label called `name`, in whatever band it is.
  // Throws ReportError when there is no such label.
  void SetCaption(const QString& name, const QString& caption);
  const ReportItem* FindLabel(const QString& name) const;
};

}  // namespace lumi::print
