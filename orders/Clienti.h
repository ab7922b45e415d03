// Client entry dialog: name, address, telephone, fiscal code and notes of one
// client. It checks the name and writes Clienti.dbf itself.
#pragma once

#include <QDialog>
#include <QtGlobal>

#include "engine/query.h"

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class TForm39 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm39(QWidget* parent = nullptr);

  // Empties the five fields.
  void StergeFormular();
  // Shows the dialog modally, to add a client (true) or to change the one the
  // orders window's client list stands on (false, with the fields as the
  // caller filled them). Returns -1 when cancelled, the new CODCLI after an
  // addition, 0 after a change.
  qint64 AdaugaClient(bool adaugare);
  void BitBtn1Click();
  void BitBtn2Click();

  QLineEdit* CL1;       // NUME
  QLineEdit* CL2;       // ADRESA
  QLineEdit* CL3;       // TEL
  QLineEdit* CL4;       // CF
  QPlainTextEdit* CM1;  // OBS
  QPushButton* BitBtn1;
  QPushButton* BitBtn2;

  lumi::TQuery Sx;  // the names already there, then the write

 private:
  void DeschideNumele();
  // The notes without the blank lines at their end.
  void CurataObservatiile();

  bool adaugare_ = false;
  qint64 rezultat_ = -1;
};
