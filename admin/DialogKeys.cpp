#include "admin/DialogKeys.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QPushButton>

void FaraButonImplicit(QDialog* dialog) {
  for (QPushButton* b : dialog->findChildren<QPushButton*>()) {
    b->setAutoDefault(false);
    b->setDefault(false);
  }
}

bool MutaFocusul(QKeyEvent* event, std::initializer_list<PasulEnter> pasi) {
  if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) return false;
  for (const PasulEnter& p : pasi) {
    if (QApplication::focusWidget() == p.from) {
      p.to->setFocus();
      return true;
    }
  }
  return false;
}

bool ApasaButonulCuFocus(QKeyEvent* event) {
  if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) return false;
  auto* button = qobject_cast<QPushButton*>(QApplication::focusWidget());
  if (!button || !button->isEnabled()) return false;
  button->click();
  return true;
}
