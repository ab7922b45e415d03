// Warehouse window: the stock list, narrowed by stock state, category and the
// beginning of the product name, with the total value of the stock listed;
// adds, changes and deletes stock items.
#pragma once

#include <QDialog>
#include <QString>

#include "engine/query.h"
#include "shell/Formats.h"

class DbGrid;
class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;
class TRadioGroup;

class TForm6 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm6(QWidget* parent = nullptr);
  ~TForm6() override;

  // Prepares the list and shows the window modally, maximised; returns when
  // it is closed.
  void ArataMagazie();
  // The condition of the current choices: with the single quote, the record
  // filter of M1; with the double quote, a WHERE line on Magazie.dbf. Both
  // describe the same rows.
  QString Filtru6(QChar ghilimea);
  // The value of the stock listed, STOC x PRET summed, in ten-thousandths.
  Formats::Amount TotalMag();
  // One handler for both radio groups and the search text.
  void RadioGroup2Click();

  void ConvexBtn1Click();  // add an item
  void ConvexBtn2Click();  // change the selected item
  void ConvexBtn3Click();  // delete the selected item
  void ConvexBtn4Click();  // print the list as an inventory

  lumi::TQuery M1;  // the list; the entry window and the inventory read it
  lumi::TQuery Sx;  // insert, update, delete and the total

  TRadioGroup* RadioGroup1;  // " AFISEAZA "
  TRadioGroup* RadioGroup2;  // " CATEGORIA ", index = TIP
  QLineEdit* Edit1;          // search text, upper case
  QPushButton* ConvexBtn1;
  QPushButton* ConvexBtn2;
  QPushButton* ConvexBtn3;
  QPushButton* ConvexBtn4;
  DbGrid* SMDBGrid1;
  QLabel* Label3;  // the total line
  QStatusBar* StatusBar1;

 protected:
  void done(int result) override;

 private:
  void BuildLayout();
  QString CaleMagazie() const;
  // Opens M1 (its filter applies) with the display formats of its fields.
  void DeschideLista();
  void ArataTotal();
  // The end of every change: M1 closed, Sx executed, M1 reopened on the item
  // `cod` (on its first row when empty or hidden), the total shown again.
  // When the statement fails the list is reopened all the same and the
  // error goes on to the caller.
  void ExecutaSiReafiseaza(const QString& cod);
  void FormClose();
};
