#include "shell/ErrorGuard.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPalette>
#include <QToolTip>
#include <QWidget>

#include "shell/Globals.h"

TAplicatie::TAplicatie(int& argc, char** argv) : QApplication(argc, argv) {}

void TAplicatie::Pregateste() {
  setApplicationName(TitluProgram);
  setApplicationDisplayName(TitluProgram);
  setQuitOnLastWindowClosed(false);
  QPalette hint = QToolTip::palette();
  hint.setColor(QPalette::ToolTipBase, Qt::white);
  hint.setColor(QPalette::ToolTipText, Qt::black);
  QToolTip::setPalette(hint);
  tineHint_ = true;
}

bool TAplicatie::notify(QObject* receiver, QEvent* event) {
  // Hints stay 5000 ms unless a control asks for another time.
  if (tineHint_ && event->type() == QEvent::ToolTip && receiver->isWidgetType()) {
    auto* w = static_cast<QWidget*>(receiver);
    if (w->toolTipDuration() < 0) w->setToolTipDuration(5000);
  }
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    ArataEroarea(std::current_exception());
    return true;
  }
}

void ArataEroarea(std::exception_ptr eroare) {
  if (!eroare) return;
  QString text;
  try {
    std::rethrow_exception(eroare);
  } catch (const std::exception& e) {
    text = QString::fromUtf8(e.what());
  } catch (...) {
    text = QStringLiteral("Eroare necunoscuta.");
  }
  QMessageBox box(QMessageBox::Critical, TitluProgram, text, QMessageBox::Ok,
                  QApplication::activeWindow());
  box.setObjectName("EroareAplicatie");
  box.button(QMessageBox::Ok)->setObjectName("OK");
  box.exec();
}
