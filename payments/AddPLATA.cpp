#include "payments/AddPLATA.h"

TForm43::TForm43(QWidget* parent) : QDialog(parent) {
  setObjectName("Form43");
  setWindowTitle("ADAUGARE INCASARE");
  setModal(true);
}
