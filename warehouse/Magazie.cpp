#include "warehouse/Magazie.h"

TForm6::TForm6(QWidget* parent) : QDialog(parent) {
  setObjectName("Form6");
  setWindowTitle("MAGAZIE");
  setModal(true);
}

void TForm6::ArataMagazie() { exec(); }
