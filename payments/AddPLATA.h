// Receipt entry: the date, the justifying document and the amount of one
// receipt, never more than what is left to collect.
#pragma once

#include <QDialog>

#include "shell/Formats.h"

class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;

class TForm43 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm43(QWidget* parent = nullptr);

  // Shows the entry for an order with `rest` left to collect; returns the
  // amount confirmed, rounded to the cent, or 0 when cancelled.
  Formats::Amount Adauga(Formats::Amount rest);
  void BitBtn1Click();
  void BitBtn2Click();

  QDateEdit* Data1;
  QLabel* Label1;    // the rest
  QLineEdit* Edit1;  // the document
  QLineEdit* Edit2;  // the amount
  QPushButton* BitBtn1;
  QPushButton* BitBtn2;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  Formats::Amount maxim_;
  Formats::Amount rezultat_;
};
