#include "warehouse/MatIN.h"

TForm38::TForm38(QWidget* parent) : QDialog(parent) {
  setObjectName("Form38");
  setWindowTitle("DETALII PRODUS");
  setModal(true);
}
