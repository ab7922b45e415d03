#include "orders/DialogButtons.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

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

QGridLayout* EntryRows(QWidget* dialog, const std::vector<EntryRow>& rows) {
  auto* grila = new QGridLayout;
  grila->setHorizontalSpacing(12);
  grila->setVerticalSpacing(8);
  int rand = 0;
  for (const EntryRow& r : rows) {
    auto* eticheta = new QLabel(r.caption, dialog);
    eticheta->setObjectName(r.name);
    QFont bold = eticheta->font();
    bold.setBold(true);
    eticheta->setFont(bold);
    const bool inalt = qobject_cast<QPlainTextEdit*>(r.field) != nullptr;
    grila->addWidget(eticheta, rand, 0, inalt ? Qt::AlignTop : Qt::Alignment());
    grila->addWidget(r.field, rand++, 1);
  }
  return grila;
}

void AddSaveCancel(QWidget* dialog, QVBoxLayout* root, QPushButton** save, QPushButton** cancel,
                   std::initializer_list<QWidget*> fields) {
  *save = SaveButton(dialog);
  *cancel = CancelButton(dialog);
  root->addSpacing(8);
  root->addLayout(ButtonRow(*save, *cancel));
  QWidget* inainte = nullptr;
  for (QWidget* w : fields) {
    if (inainte != nullptr) QWidget::setTabOrder(inainte, w);
    inainte = w;
  }
  if (inainte != nullptr) QWidget::setTabOrder(inainte, *save);
  QWidget::setTabOrder(*save, *cancel);
}
