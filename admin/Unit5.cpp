#include "admin/Unit5.h"

TForm5::TForm5(QWidget* parent) : QDialog(parent) {
  setObjectName("Form5");
  setWindowTitle("AUTENTIFICARE");
  setModal(true);
}
