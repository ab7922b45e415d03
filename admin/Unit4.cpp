#include "admin/Unit4.h"

TForm4::TForm4(QWidget* parent) : QDialog(parent) {
  setObjectName("Form4");
  setWindowTitle("Administrator program");
  setModal(true);
}

void TForm4::CitesteSocietate() {}

void TForm4::IdentificaAdmin() {}
