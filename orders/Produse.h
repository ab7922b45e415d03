// Order line entry: one stock item measured, priced and added to the order
// on which the orders window stands, taken out of stock and added to the
// order's and the work's totals, all as one change; or a new work opened.
// It also holds the removal of a line, which gives each of those back.
#pragma once

#include <QDialog>
#include <QString>
#include <QtGlobal>
#include <initializer_list>
#include <vector>

#include "engine/query.h"
#include "shell/Formats.h"

class DbLabel;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QStatusBar;
class TNumericF;

class TForm41 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm41(QWidget* parent = nullptr);
  ~TForm41() override;

  // Shows the entry with `caption` for the order in Label6 (the orders
  // window's CZ1 stands on it); returns the code of the last row created (a
  // line or a work heading), -1 when nothing was added.
  qint64 Adauga(const QString& caption);
  // Creates the heading of the work titled as Edit1 in the current order of
  // the orders window; returns its code.
  qint64 LucrareNoua();
  // Removes the product line `codcom` and gives back its stock and its
  // totals, as one change (joining a change already open). Does nothing for
  // a work heading or a code without a row.
  void StergeProdus(const QString& codcom);

  // The three updates shared by saving and removal; each amount is SQL text.
  void ActualizeazaStoc(const QString& codmag, const QString& cantitate, int tip);
  void AdaugaLaComanda(const QString& codcap, const QString& suma);
  void AdaugaLaLucrare(const QString& codcap, const QString& titlu, const QString& suma);

  void ComboBox1Change();
  void ComboBox1Exit();
  // LungX or LatX changed: the quantity of goods measured by area or length.
  void Edit3Change();
  void BitBtn1Click();
  void BitBtn2Click();

  QLabel* Label1;  // the client
  QLabel* Label6;  // the order's number
  QLineEdit* Edit1;      // the work's title
  QComboBox* ComboBox1;  // the product
  DbLabel* DBText1;      // UM
  DbLabel* DBText2;      // STOC
  DbLabel* DBText3;      // PRET
  QLabel* Label5;        // "CANTITATE" or "VALOARE"
  TNumericF* CantX;
  QSpinBox* SpinEdit1;  // pieces
  TNumericF* LungX;
  TNumericF* LatX;
  QPushButton* BitBtn1;
  QPushButton* BitBtn2;
  QStatusBar* StatusBar1;

  lumi::TQuery Sx;  // the stock items that may be chosen
  lumi::TQuery Sy;  // the statements

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void done(int result) override;

 private:
  void BuildLayout();
  // Resets Sy and runs its lines; the screen is repainted between statements.
  void Executa(const QStringList& linii);
  // The heading row of a new work, without refreshing the lines.
  void InsereazaLucrarea(const QString& cod, const QString& codcap, const QString& titlu);
  // Whether the order's lines already have a work titled exactly `titlu`.
  bool LucrareaExista(const QString& titlu) const;
  // Refuses at `control`; a new work asked for stays created even so.
  void Refuza(const QString& mesaj, QWidget* control, bool lucrareNoua);
  // The texts of the number boxes in their normal form (four decimals at
  // most, no trailing zeros).
  void FormaNormala();
  // Enter in an entry box: the focus to the next box; in LatX, also save.
  bool EnterTab(QWidget* box);
  // Money fields of the first row a SELECT finds (zeros when none).
  std::vector<Formats::Amount> Citeste(const QStringList& linii,
                                       std::initializer_list<const char*> campuri);

  qint64 rezultat_ = -1;
  QString textAnterior_;  // ComboBox1's text before the last change
};
