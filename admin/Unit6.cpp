#include "admin/Unit6.h"

TForm21::TForm21(QWidget* parent) : QDialog(parent) {
  setObjectName("Form21");
  setWindowTitle("Salvare - Restaurare");
  setModal(true);
}
