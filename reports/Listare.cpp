#include "reports/Listare.h"

TQRListForm::TQRListForm(QWidget* parent) : QDialog(parent) {
  setObjectName("QRListForm");
  setWindowTitle("Formulare");
  setModal(true);
}
