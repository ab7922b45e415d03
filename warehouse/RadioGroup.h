// A framed group of radio buttons with one item chosen, read and set by its
// index; a change of the choice, by the user or by the program, is reported
// with Click.
#pragma once

#include <QGroupBox>
#include <QStringList>

class QAbstractButton;
class QButtonGroup;

class TRadioGroup : public QGroupBox {
  Q_OBJECT

 public:
  TRadioGroup(const QString& name, const QString& caption, const QStringList& items,
              QWidget* parent = nullptr);

  int ItemIndex() const;
  void SetItemIndex(int index);
  // The radio button of item `index`; its objectName is the group's name
  // followed by the index ("RadioGroup1_0"), for tests.
  QAbstractButton* Item(int index) const;

 signals:
  void Click();

 private:
  QButtonGroup* buttons_;
};
