// The application's default error report. Every event handler runs through
// TAplicatie::notify, which catches what a handler throws and shows its text
// in a message box; the program then goes on. No exception ever crosses
// Qt's event loop.
//
// The guard and the report are inline so that the test main can use the very
// same guard without linking the windows.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <exception>

#include "shell/Globals.h"

// Where error reports go: null for the message box. Tests send them to a
// list of their own instead of a box nobody answers.
using RaportorDeErori = void (*)(const QString& text);
inline RaportorDeErori& RaportorErori() {
  static RaportorDeErori r = nullptr;
  return r;
}

// Shows the error's text in a modal message box (objectName "EroareAplicatie",
// titled with the program's title, one OK button named "OK"). Code that must
// finish its own clean-up before reporting catches the error and calls this.
inline void ArataEroarea(std::exception_ptr eroare) {
  if (!eroare) return;
  QString text;
  try {
    std::rethrow_exception(eroare);
  } catch (const std::exception& e) {
    text = QString::fromUtf8(e.what());
  } catch (...) {
    text = QStringLiteral("Eroare necunoscuta.");
  }
  if (RaportorErori()) {
    RaportorErori()(text);
    return;
  }
  QMessageBox box(QMessageBox::Critical, TitluProgram, text, QMessageBox::Ok,
                  QApplication::activeWindow());
  box.setObjectName("EroareAplicatie");
  box.button(QMessageBox::Ok)->setObjectName("OK");
  box.exec();
}

class TAplicatie : public QApplication {
 public:
  TAplicatie(int& argc, char** argv) : QApplication(argc, argv) {}

  // The program-wide settings made once this copy is known to be the only
  // one: the title, hints shown 5000 ms on white, and no quitting when the
  // last window closes (the toolbar ends the program itself).
  void Pregateste();

  bool notify(QObject* receiver, QEvent* event) override {
    if (tineHint_ && event->type() == QEvent::ToolTip && receiver->isWidgetType()) {
      // Hints stay 5000 ms unless a control asks for another time.
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

 private:
  bool tineHint_ = false;
};
