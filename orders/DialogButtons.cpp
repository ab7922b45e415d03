#include "orders/DialogButtons.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QStyle>

QPushButton* SaveButton(QWidget* dialog) {
  auto* b = new QPushButton("MEMOREAZA", dialog);
  b->setObjectName("BitBtn1");
  b->setIcon(dialog->style()->standardIcon(QStyle::SP_DialogApplyButton));
  b->setDefault(true);
  return b;
}

QPushButton* CancelButton(QWidget* dialog) {
  auto* b = new QPushButton("RENUNT", dialog);
  b->setObjectName("BitBtn2");
  b->setIcon(dialog->style()->standardIcon(QStyle::SP_DialogCancelButton));
  b->setAutoDefault(false);
  return b;
}

QHBoxLayout* ButtonRow(QPushButton* save, QPushButton* cancel) {
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(save);
  row->addWidget(cancel);
  return row;
}
