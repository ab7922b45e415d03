#pragma once
// The small modal window shown while pages go to the printer or a file, with
// a button that stops the printing.
#include <QPointer>
#include <QProgressDialog>
#include <QString>

#include "printing/page_painter.h"

class QWidget;

namespace lumi::print {

class PrintProgress {
 public:
  PrintProgress(const QString& title, QWidget* parent);
  ~PrintProgress();
  PrintProgress(const PrintProgress&) = delete;
  PrintProgress& operator=(const PrintProgress&) = delete;

  // A PageProgress that moves the bar and reports the user's stop.
  PageProgress Callback();

 private:
  QPointer<QProgressDialog> dialog_;
};

}  // namespace lumi::print
