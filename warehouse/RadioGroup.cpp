#include "warehouse/RadioGroup.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QVBoxLayout>

TRadioGroup::TRadioGroup(const QString& name, const QString& caption, const QStringList& items,
                         QWidget* parent)
    : QGroupBox(caption, parent), buttons_(new QButtonGroup(this)) {
  setObjectName(name);
  auto* layout = new QVBoxLayout(this);
  for (int i = 0; i < items.size(); ++i) {
    auto* b = new QRadioButton(items[i], this);
    b->setObjectName(name + "_" + QString::number(i));
    buttons_->addButton(b, i);
    layout->addWidget(b);
  }
  connect(buttons_, &QButtonGroup::idToggled, this, [this](int, bool on) {
    if (on) emit Click();
  });
}

int TRadioGroup::ItemIndex() const { return buttons_->checkedId(); }

void TRadioGroup::SetItemIndex(int index) {
  if (QAbstractButton* b = buttons_->button(index)) b->setChecked(true);
}

QAbstractButton* TRadioGroup::Item(int index) const { return buttons_->button(index); }
