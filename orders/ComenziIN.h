// Order header entry dialog: number, intake date, delivery term and the
// delivered flag of one order. It only collects and checks; the orders
// window reads the fields back and writes CapCom.dbf itself.
#pragma once

#include <QDialog>

class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;

class TForm40 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm40(QWidget* parent = nullptr);

  // Ready for a new order: the number the next order receives (the counter
  // is not advanced), both dates today, "NU".
  void StergeFormular();
  // Shows the dialog modally with `caption`; true when "MEMOREAZA" found
  // the dates in order.
  bool Adauga(const QString& caption);
  void BitBtn1Click();
  void BitBtn2Click();

  QLabel* Label6;   // the client's name
  QLabel* Label14;  // the order number
  QDateEdit* Data1;
  QDateEdit* data2;
  QComboBox* ComboBox1;  // "NU" / "DA"
  QPushButton* BitBtn1;
  QPushButton* BitBtn2;

 private:
  bool rezultat_ = false;
};
