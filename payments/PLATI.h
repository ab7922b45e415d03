// Payments window: the receipts recorded against one order, with the amount
// paid and the amount still to collect. Each receipt added or deleted moves
// the order's REST with it, as one change.
#pragma once

#include <QDialog>
#include <QString>

#include "engine/query.h"
#include "shell/Formats.h"

class DbGrid;
class QLabel;
class QPushButton;

class TForm42 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm42(QWidget* parent = nullptr);
  ~TForm42() override;

  // Lists the receipts of the order in Label6 (the caller fills the five
  // labels) and shows the window; true when a receipt was added or deleted.
  bool AdaugaPlata();
  // The rest goes up by `delta` (an amount as text, maybe negative) and the
  // paid total down by it.
  void AdaugaSuma(const QString& delta);
  void BitBtn1Click();  // add a receipt
  void BitBtn2Click();  // delete the selected receipt
  void BitBtn3Click();  // close

  QLabel* Label1;   // the client
  QLabel* Label6;   // the order
  QLabel* Label10;  // its COST
  QLabel* Label7;   // paid so far
  QLabel* Label12;  // still to collect
  DbGrid* DBGrid3;
  QPushButton* BitBtn1;
  QPushButton* BitBtn2;
  QPushButton* BitBtn3;

  lumi::TQuery M1;  // the receipts of the order
  lumi::TQuery Sx;  // the insert and the delete

 protected:
  void done(int result) override;

 private:
  void DeschideM1();
  // Runs Sx with the change of REST by `delta` as one change; M1 is shown
  // again afterwards, on the receipt `cod` when there is one.
  void Executa(const QString& deltaRest, const QString& cod);

  bool schimbat_ = false;
};
