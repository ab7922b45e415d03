#include "reports/Rapoarte.h"

TForm9::TForm9(QWidget* parent) : QDialog(parent) {
  setObjectName("Form9");
  setWindowTitle("Rapoarte");
  setModal(true);
}

void TForm9::ArataRaport() { exec(); }
