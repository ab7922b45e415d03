#include "shell/Erori30.h"

TForm30::TForm30(QWidget* parent) : QDialog(parent) {
  setObjectName("Form30");
  setModal(true);
}

void TForm30::Mesaj(const QString&, const QString&, QString& raspuns, int) {
  RaspunsMesaj = "RENUNT";
  raspuns = RaspunsMesaj;
}
