// The application's default error report. Every event handler runs through
// TAplicatie::notify, which catches what a handler throws and shows its text
// in a message box; the program then goes on. No exception ever crosses
// Qt's event loop.
#pragma once

#include <QApplication>
#include <exception>

class TAplicatie : public QApplication {
 public:
  TAplicatie(int& argc, char** argv);

  // The program-wide settings made once a copy is known to be the only one:
  // the title, hints shown for 5000 ms on white, and no quitting when the
  // last window closes (the toolbar ends the program itself).
  void Pregateste();
  bool notify(QObject* receiver, QEvent* event) override;

 private:
  bool tineHint_ = false;
};

// Shows the error's text in a modal message box (objectName "EroareAplicatie",
// titled with the program's title, one OK button). Code that must finish its
// own clean-up before reporting catches the error and calls this itself.
void ArataEroarea(std::exception_ptr eroare);
