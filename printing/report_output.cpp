#include "printing/report_output.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <algorithm>
#include <optional>

#include "printing/print_progress.h"

namespace lumi::print {

namespace {

void ShowFailure(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Warning, kPrintTitle, text, QMessageBox::NoButton, parent);
  box.setObjectName("PrintFailureBox");
  box.addButton("OK", QMessageBox::AcceptRole)->setObjectName("OK");
  box.exec();
}

// Offers the PDF when there is no printer to print on.
PrintOutcome OfferPdf(const LaidOutReport& report, QWidget* parent, const PageProgress& progress) {
  QMessageBox box(QMessageBox::Question, kPrintTitle, kNoPrinterText, QMessageBox::NoButton,
                  parent);
  box.setObjectName("NoPrinterBox");
  QPushButton* yes = box.addButton("DA", QMessageBox::YesRole);
  yes->setObjectName("DA");
  box.addButton("NU", QMessageBox::NoRole)->setObjectName("NU");
  box.setDefaultButton(yes);
  box.exec();
  if (box.clickedButton() != yes) return PrintOutcome::Cancelled;
  return SavePdfAs(report, parent, progress);
}

// Paints the pages the printer asks for, with progress. A file is written
// under a passing name and takes its own name only once complete, so that a
// stopped or failed job neither leaves half a file nor spoils the one it
// was to replace.
PrintOutcome Paint(QPrinter& printer, const LaidOutReport& report, QWidget* parent,
                   const PageProgress& progress) {
  std::optional<PrintProgress> own;
  PageProgress step = progress;
  if (!step) step = own.emplace(report.title, parent).Callback();

  int first = 0;
  int last = -1;
  if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
    first = printer.fromPage() - 1;
    last = printer.toPage() > 0 ? printer.toPage() - 1 : -1;
  }
  const QString target = printer.outputFileName();
  const QString partial =
      target.isEmpty() ? QString()
                       : target + ".part" + QString::number(QCoreApplication::applicationPid());
  if (!target.isEmpty()) printer.setOutputFileName(partial);

  QPainter painter;
  if (!painter.begin(&printer)) {
    own.reset();
    ShowFailure(parent, target.isEmpty() ? "Tiparirea nu a putut incepe pe imprimanta " +
                                               printer.printerName() + "."
                                         : "Fisierul " + target + " nu poate fi scris.");
    return PrintOutcome::Failed;
  }
  // Most drivers make the copies themselves; where one cannot, each copy is
  // sent in turn.
  const int copies = printer.supportsMultipleCopies() ? 1 : std::max(1, printer.copyCount());
  bool finished = true;
  for (int copy = 0; finished && copy < copies; ++copy) {
    if (copy > 0) printer.newPage();
    finished = PaintPages(painter, printer, report, step, first, last);
  }
  if (!finished) printer.abort();
  const bool ended = painter.end();
  own.reset();
  if (target.isEmpty()) return finished ? PrintOutcome::Printed : PrintOutcome::Cancelled;

  if (!finished || !ended) {
    QFile::remove(partial);
    if (!ended && finished) ShowFailure(parent, "Fisierul " + target + " nu poate fi scris.");
    return finished ? PrintOutcome::Failed : PrintOutcome::Cancelled;
  }
  if ((QFile::exists(target) && !QFile::remove(target)) || !QFile::rename(partial, target)) {
    QFile::remove(partial);
    ShowFailure(parent, "Fisierul " + target + " nu poate fi inlocuit.");
    return PrintOutcome::Failed;
  }
  return PrintOutcome::Printed;
}

}  // namespace

bool HasPrinter() {
  return !QPrinterInfo::defaultPrinter().isNull() ||
         !QPrinterInfo::availablePrinterNames().isEmpty();
}

PrintOutcome PrintToDefaultPrinter(const LaidOutReport& report, QWidget* parent,
                                   const PageProgress& progress) {
  QPrinterInfo info = QPrinterInfo::defaultPrinter();
  if (info.isNull() && !QPrinterInfo::availablePrinters().isEmpty())
    info = QPrinterInfo::availablePrinters().constFirst();  // no default chosen: the first one
  if (info.isNull()) return OfferPdf(report, parent, progress);
  QPrinter printer(info, QPrinter::HighResolution);
  SetUpPrinter(printer, report);
  return Paint(printer, report, parent, progress);
}

PrintOutcome PrintToDefaultPrinter(const Report& report, RowCursor& rows, QWidget* parent,
                                   const PageProgress& progress) {
  return PrintToDefaultPrinter(LayOut(report, rows), parent, progress);
}

PrintOutcome PrintWithDialog(const LaidOutReport& report, QWidget* parent,
                             const PageProgress& progress) {
  if (!HasPrinter()) return OfferPdf(report, parent, progress);
  QPrinter printer(QPrinter::HighResolution);
  SetUpPrinter(printer, report);
  QPrintDialog dialog(&printer, parent);
  dialog.setObjectName("PrintDialog");
  dialog.setMinMax(1, static_cast<int>(report.pages.size()));
  dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
  if (dialog.exec() != QDialog::Accepted) return PrintOutcome::Cancelled;
  return Paint(printer, report, parent, progress);
}

PrintOutcome SavePdfAs(const LaidOutReport& report, QWidget* parent, const PageProgress& progress) {
  QString suggested = report.title.isEmpty() ? QString("Raport") : report.title;
  suggested.replace(QRegularExpression("[\\\\/:*?\"<>|]"), " ");
  QFileDialog dialog(parent, "Salveaza ca PDF",
                     QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation),
                     "Documente PDF (*.pdf)");
  dialog.setObjectName("SavePdfDialog");
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix("pdf");
  dialog.selectFile(suggested.trimmed() + ".pdf");
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return PrintOutcome::Cancelled;
  const QString path = dialog.selectedFiles().constFirst();

  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(path);
  SetUpPrinter(printer, report);
  const PrintOutcome outcome = Paint(printer, report, parent, progress);
  return outcome == PrintOutcome::Printed ? PrintOutcome::SavedAsPdf : outcome;
}

}  // namespace lumi::print
