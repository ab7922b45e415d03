// Keys as the program's dialogs take them: Enter never presses a button the
// focus is not on (it moves between fields, see each dialog), and Enter on a
// focused push button presses it (check boxes keep Space).
#pragma once

class QDialog;
class QKeyEvent;

// Makes no push button of the dialog a default one.
void FaraButonImplicit(QDialog* dialog);

// Presses the focused button for Enter; true when it did.
bool ApasaButonulCuFocus(QKeyEvent* event);
