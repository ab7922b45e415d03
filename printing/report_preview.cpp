#include "printing/report_preview.h"

#include <QAction>
#include <QKeySequence>
#include <QLabel>
#include <QPainter>
#include <QPrintPreviewWidget>
#include <QSpinBox>
#include <QToolBar>
#include <QVBoxLayout>

#include "printing/page_painter.h"
#include "printing/report_output.h"

namespace lumi::print {

ReportPreview::ReportPreview(const LaidOutReport& report, QWidget* parent)
    : QDialog(parent), report_(report), printer_(QPrinter::HighResolution) {
  setObjectName("ReportPreview");
  setWindowTitle(report.title.isEmpty() ? QString("Previzualizare")
                                        : "Previzualizare - " + report.title);
  setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
  setWindowState(Qt::WindowMaximized);
  SetUpPrinter(printer_, report);

  view_ = new QPrintPreviewWidget(&printer_, this);
  view_->setObjectName("PreviewPages");
  connect(view_, &QPrintPreviewWidget::paintRequested, this, [this](QPrinter* printer) {
    QPainter painter(printer);
    PaintPages(painter, *printer, report_);
  });
  connect(view_, &QPrintPreviewWidget::previewChanged, this, &ReportPreview::RefreshPageNumber);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  AddActions();
  layout->addWidget(view_, 1);
  view_->fitInView();
  view_->updatePreview();
  RefreshPageNumber();
}

void ReportPreview::AddActions() {
  auto* bar = new QToolBar(this);
  bar->setObjectName("PreviewToolBar");
  bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
  layout()->addWidget(bar);

  auto add = [&](const char* name, const QString& text, QKeySequence key, auto slot) {
    QAction* action = bar->addAction(text);
    action->setObjectName(name);
    action->setShortcut(key);
    connect(action, &QAction::triggered, this, slot);
    return action;
  };
  add("FirstPage", "<< Prima", QKeySequence(Qt::CTRL | Qt::Key_Home), [this] { ShowPage(1); });
  add("PreviousPage", "< Inapoi", QKeySequence(Qt::Key_PageUp),
      [this] { ShowPage(CurrentPage() - 1); });

  pageNumber_ = new QSpinBox(bar);
  pageNumber_->setObjectName("PageNumber");
  pageNumber_->setKeyboardTracking(false);
  bar->addWidget(pageNumber_);
  pageCount_ = new QLabel(bar);
  pageCount_->setObjectName("PageCount");
  bar->addWidget(pageCount_);
  connect(pageNumber_, &QSpinBox::valueChanged, this, &ReportPreview::ShowPage);

  add("NextPage", "Inainte >", QKeySequence(Qt::Key_PageDown),
      [this] { ShowPage(CurrentPage() + 1); });
  add("LastPage", "Ultima >>", QKeySequence(Qt::CTRL | Qt::Key_End),
      [this] { ShowPage(PageCount()); });
  bar->addSeparator();
  add("ZoomIn", "Mareste", QKeySequence::ZoomIn, [this] { view_->zoomIn(); });
  add("ZoomOut", "Micsoreaza", QKeySequence::ZoomOut, [this] { view_->zoomOut(); });
  add("FitWidth", "Latimea paginii", QKeySequence(), [this] { view_->fitToWidth(); });
  add("FitPage", "Pagina intreaga", QKeySequence(), [this] { view_->fitInView(); });
  bar->addSeparator();
  add("Print", "Tipareste", QKeySequence::Print, [this] { PrintWithDialog(report_, this); });
  add("SavePdf", "Salveaza PDF", QKeySequence::Save, [this] { SavePdfAs(report_, this); });
  bar->addSeparator();
  add("ClosePreview", "Inchide", QKeySequence(), [this] { accept(); });
}

int ReportPreview::PageCount() const { return view_->pageCount(); }

int ReportPreview::CurrentPage() const { return view_->currentPage(); }

void ReportPreview::ShowPage(int page) {
  if (PageCount() == 0) return;
  view_->setCurrentPage(std::clamp(page, 1, PageCount()));
  RefreshPageNumber();
}

void ReportPreview::RefreshPageNumber() {
  const QSignalBlocker blocker(pageNumber_);
  pageNumber_->setRange(1, std::max(1, PageCount()));
  pageNumber_->setValue(CurrentPage());
  pageCount_->setText(QString(" din %1 ").arg(PageCount()));
}

void ShowPreview(const LaidOutReport& report, QWidget* parent) {
  ReportPreview preview(report, parent);
  preview.exec();
}

void ShowPreview(const Report& report, RowCursor& rows, QWidget* parent) {
  const LaidOutReport pages = LayOut(report, rows);
  ShowPreview(pages, parent);
}

}  // namespace lumi::print
