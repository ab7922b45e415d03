#include "orders/LUCRU.h"

TForm8::TForm8(QWidget* parent) : QDialog(parent) {
  setObjectName("Form8");
  setWindowTitle("IN LUCRU");
  setModal(true);
}

void TForm8::ArataLucru() { exec(); }
