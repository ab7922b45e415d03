// Orders window: the clients, the orders of the current client and the lines
// of the current order, with the client's details and the totals of the
// orders listed. Its buttons hand the current client, order or line to the
// entry dialogs and to the operations on lines, receipts and the estimate.
#pragma once

#include <QDialog>
#include <QString>

#include "engine/query.h"
#include "shell/Formats.h"

class DbGrid;
class DbLabel;
class DbMemo;
class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QStatusBar;

class TForm7 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm7(QWidget* parent = nullptr);
  ~TForm7() override;

  // Opens the three lists and shows the window modally, maximised; returns
  // when it is closed.
  void ArataComenzi();

  // Refresh steps, also run by the operations that change orders and lines.
  // The lines of the current order, read again ("nothing" when there is no
  // order listed).
  void CZ1AfterScroll();
  // CZ1AfterScroll, then the totals of the orders listed, walked without
  // moving the current order.
  void CLQAfterScroll();
  // The client search: CLQ narrowed to the names that begin with the text.
  void Edit1Change();
  // Both radio buttons: orders in progress or delivered, and their totals.
  void RadioButton3Click();
  // LUCRARE: the work's title on its heading row, empty on a product line.
  void DE1CalcFields(lumi::TQuery& q);

  void BitBtn1Click();     // add a client
  void ConvexBtn1Click();  // change the current client
  void ConvexBtn5Click();  // add an order
  void ConvexBtn6Click();  // change the current order
  void ConvexBtn7Click();  // delete the current order
  void ConvexBtn9Click();  // receipts of the current order
  void ConvexBtn2Click();  // add a line to the current order
  void ConvexBtn4Click();  // remove the current line or work
  void ConvexBtn8Click();  // print the estimate of the current order
  void Marcheazacaexecutat1Click();
  // The pop-up item follows the current line: enabled only on a line, its
  // caption the mark that choosing it sets.
  void PopupMenu1Popup();

  // The lines read again, standing on the line or heading `codcom`.
  void ReafiseazaLiniile(const QString& codcom);

  // The sums of COST and REST over the orders listed, as last shown.
  Formats::Amount TotalCost() const { return totalCost_; }
  Formats::Amount TotalRest() const { return totalRest_; }

  lumi::TQuery CLQ;  // clients, by name
  lumi::TQuery CZ1;  // the current client's orders, narrowed by PREDAT
  lumi::TQuery DE1;  // the current order's lines, works together
  lumi::TQuery Sx;   // the statements of the operations

  QLineEdit* Edit1;  // client search, upper case
  DbGrid* DBGrid1;   // clients
  QPushButton* BitBtn1;
  QPushButton* ConvexBtn1;
  DbLabel* DBText1;  // ADRESA
  DbLabel* DBText2;  // TEL
  DbLabel* DBText3;  // CF
  DbMemo* DBMemo2;   // OBS
  QRadioButton* RadioButton3;
  QRadioButton* RadioButton4;
  QPushButton* ConvexBtn5;
  QPushButton* ConvexBtn6;
  QPushButton* ConvexBtn7;
  QPushButton* ConvexBtn9;
  DbGrid* DBGrid3;  // orders
  QLabel* LTot;
  QLabel* LRest;
  DbGrid* DBGrid2;  // lines
  QMenu* PopupMenu1;
  QAction* Marcheazacaexecutat1;
  QPushButton* ConvexBtn2;
  QPushButton* ConvexBtn4;
  QPushButton* ConvexBtn8;
  QStatusBar* StatusBar1;

 protected:
  void done(int result) override;

 private:
  void BuildLayout();
  QWidget* PanouClienti();
  QWidget* PanouDetaliiClient();
  QWidget* PanouComenzi();
  QWidget* PanouDetaliiComanda();
  // CZ1 run again for the current client when it stands on another one.
  void UrmeazaClientul();
  void DeschideCZ1();
  void DeschideDE1();
  // The end of a change to an order: CZ1 closed, Sx executed, CZ1 reopened
  // on the order `cod` (on its first row when the choice of radio button
  // hides it), the lines and the totals refreshed. When the statement fails
  // the lists are shown again all the same and the error goes on.
  void ExecutaComanda(const QString& cod);
  // CLQ read again and put on the client `cod`; a search text that hides
  // the client is cleared, so that what was just saved stays in sight.
  void ReafiseazaClient(const QString& cod);
  // Whether taking `scazut` off the current order's balance still fits its
  // column; refuses at `control` when it does not.
  bool RestulIncape(Formats::Amount scazut, QWidget* control);
  // After a change to an order or its lines: CZ1 read again and put on the
  // order `codcap` (on its first order when empty or not listed), the lines
  // read once and put on `codcom` (on the first when empty), the totals
  // recomputed.
  void PeComanda(const QString& codcap, const QString& codcom);
  void FormClose();

  Formats::Amount totalCost_;
  Formats::Amount totalRest_;
};
