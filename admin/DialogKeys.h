// Keys as the program's dialogs take them: Enter never presses a button the
// focus is not on (it moves between fields, see each dialog), and Enter on a
// focused push button presses it (check boxes keep Space).
#pragma once

#include <initializer_list>

class QDialog;
class QKeyEvent;
class QWidget;

// Makes no push button of the dialog a default one.
void FaraButonImplicit(QDialog* dialog);

// For Enter in one of the `from` controls, moves the focus to its `to`; true
// when it did. The dialog sees the key after the control, which has ignored it.
struct PasulEnter {
  QWidget* from;
  QWidget* to;
};
bool MutaFocusul(QKeyEvent* event, std::initializer_list<PasulEnter> pasi);

// Presses the focused button for Enter; true when it did.
bool ApasaButonulCuFocus(QKeyEvent* event);
