#include "orders/Clienti.h"

TForm39::TForm39(QWidget* parent) : QDialog(parent) {
  setObjectName("Form39");
  setWindowTitle("ADAUGARE CLIENT");
  setModal(true);
}
