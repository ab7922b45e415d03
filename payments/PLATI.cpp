#include "payments/PLATI.h"

TForm42::TForm42(QWidget* parent) : QDialog(parent) {
  setObjectName("Form42");
  setWindowTitle("PLATI");
  setModal(true);
}
