#include "orders/Produse.h"

TForm41::TForm41(QWidget* parent) : QDialog(parent) {
  setObjectName("Form41");
  setWindowTitle("ADAUGARE PRODUS");
  setModal(true);
}
