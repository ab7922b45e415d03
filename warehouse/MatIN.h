// Stock item entry dialog: the details of one stock item, typed or corrected
// by the user. The warehouse window clears it, fills it, opens it and, when it
// returns true, reads the fields back and writes the table itself; the dialog
// only reads Magazie.dbf to offer completions while the user types.
#pragma once

#include <QDialog>
#include <QList>
#include <QMetaObject>
#include <QString>

#include "engine/query.h"

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;

class TForm38 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm38(QWidget* parent = nullptr);

  // Clears the dialog for a new use and opens the completion list. The entry
  // date keeps the date it showed last.
  void StergeFormular();
  // Shows the dialog modally with `caption` ("ADAUGARE PRODUS" or
  // "MODIFICARE PRODUS"); true when "MEMOREAZA" passed every check.
  bool Adauga(const QString& caption);
  // Hides (or shows, resetting it to "0") the width field and its label.
  void AscundeLatime(bool ascunde);
  void ComboBox4Change();
  // Switches the completion handler of the three text boxes off (true) or on.
  void ComboStop(bool stop);
  // The completion handler shared by the three text boxes.
  void ComboBox1Change(QComboBox* box);
  // The key handler of the three numeric boxes; true when the key was used.
  bool Edit2KeyDown(QLineEdit* box, QKeyEvent* event);
  void BitBtn1Click();
  void BitBtn2Click();

  QDateEdit* DataIn;
  QComboBox* ComboBox1;  // FURNIZOR
  QComboBox* ComboBox2;  // DENUMIRE
  QComboBox* ComboBox3;  // UM
  QLineEdit* Edit2;      // CANTIN
  QLineEdit* Edit6;      // PRET
  QComboBox* ComboBox4;  // TIP
  QLabel* Label7;
  QLineEdit* Edit1;  // LATIME
  QPushButton* BitBtn1;
  QPushButton* BitBtn2;

  lumi::TQuery Sx;  // every stock item, for the completions

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void done(int result) override;

 private:
  void BuildLayout();
  // The completion of `box`'s text from Sx, into its one list entry.
  void Completeaza(QComboBox* box);
  // A field's text rewritten with FALNumar, read back as a number.
  double RescrieNumar(QLineEdit* box);

  bool rezultat_ = false;
  bool modificare_ = false;        // opened to change the warehouse's current item
  int contorSchimbari_ = 0;        // changes seen while a lookup runs
  QList<QComboBox*> deCompletat_;  // boxes changed while a lookup ran
  QList<QMetaObject::Connection> legaturi_;
};
