// Work-in-progress window: the goods lines of orders not yet delivered, on a
// scratch table the window builds when it opens and deletes when it closes.
// Lines are ticked as done in the scratch table; "MEMOREAZA" writes the ticks
// back into the order lines.
#pragma once

#include <QDialog>
#include <QString>
#include <set>
#include <utility>

#include "engine/query.h"

class DbGrid;
class QKeyEvent;
class QPushButton;
class QStatusBar;

class TForm8 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm8(QWidget* parent = nullptr);
  ~TForm8() override;

  // Builds the work list and shows the window modally, maximised; returns
  // when it is closed.
  void ArataLucru();

  void SMDBGrid1DblClick();  // flips the tick of the current line
  // Orders the list by the field of the column clicked, always ascending.
  void SMDBGrid1TitleClick(const QString& field);
  void BitBtn1Click();  // saves the ticks into the order lines
  void BitBtn2Click();  // prints the work list

  // The scratch table's full path; set each time the window opens.
  QString CaleLucru;

  lumi::TQuery Lx;  // the list; its second line is the ordering
  lumi::TQuery Sx;  // the statements

  DbGrid* SMDBGrid1;
  QPushButton* BitBtn1;
  QPushButton* BitBtn2;
  QStatusBar* StatusBar1;

 protected:
  void done(int result) override;

 private:
  void BuildLayout();
  void DeschideLx();
  // Lx opened again and put on the line `codcom`.
  void ReafiseazaPe(const QString& codcom);
  // A work: its order's code and its title.
  using Lucrare = std::pair<QString, QString>;
  // The works whose lines the save is about to change: lines whose tick
  // differs from the mark they have.
  std::set<Lucrare> LucrariAtinse();
  // Each heading set again from its work's product lines: "DA" when all are.
  void RecalculeazaLucrari(const std::set<Lucrare>& lucrari);
  void FormClose();
};
