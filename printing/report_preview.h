#pragma once
// The on-screen preview: a modal window opened maximised, with page
// navigation and zoom, from which the user prints or saves a PDF.
#include <QDialog>
#include <QPrinter>

#include "printing/report_layout.h"

class QLabel;
class QPrintPreviewWidget;
class QSpinBox;

namespace lumi::print {

class ReportPreview : public QDialog {
  Q_OBJECT

 public:
  // The report must outlive the window.
  explicit ReportPreview(const LaidOutReport& report, QWidget* parent = nullptr);

  int PageCount() const;
  int CurrentPage() const;  // 1-based
  QPrintPreviewWidget* View() const { return view_; }

 private:
  void AddActions();
  void ShowPage(int page);
  void RefreshPageNumber();

  const LaidOutReport& report_;
  QPrinter printer_;
  QPrintPreviewWidget* view_ = nullptr;
  QSpinBox* pageNumber_ = nullptr;
  QLabel* pageCount_ = nullptr;
};

// Shows the report in the preview and returns when the user closes it.
void ShowPreview(const LaidOutReport& report, QWidget* parent = nullptr);
// Lays the report out from `rows` first; its errors are thrown before any
// window opens.
void ShowPreview(const Report& report, RowCursor& rows, QWidget* parent = nullptr);

}  // namespace lumi::print
