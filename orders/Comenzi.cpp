#include "orders/Comenzi.h"

TForm7::TForm7(QWidget* parent) : QDialog(parent) {
  setObjectName("Form7");
  setWindowTitle("Comenzi");
  setModal(true);
}

void TForm7::ArataComenzi() { exec(); }
