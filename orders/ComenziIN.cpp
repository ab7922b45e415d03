#include "orders/ComenziIN.h"

TForm40::TForm40(QWidget* parent) : QDialog(parent) {
  setObjectName("Form40");
  setWindowTitle("ADAUGARE COMANDA");
  setModal(true);
}
