// The program's windows over a scratch program folder whose Data holds the
// five tables, seeded from a small table of rows: stock items, clients,
// orders, their lines (goods, auxiliary materials, labour, work headings)
// and receipts. Helpers read the tables back from disk and work inside the
// orders window and its dialogs.
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <vector>

#include "tests/support/QtPrinters.h"

class DbGrid;

namespace orders_test {

struct Item {
  int cod = 0;
  QString denumire = {}, um = {};
  double cantin = 0, latime = 0, pret = 0, stoc = 0, iesit = 0;
  int tip = 0;  // 0 goods, 1 auxiliary material, 2 labour
};

struct Client {
  int cod = 0;
  QString nume = {}, adresa = {}, tel = {}, cf = {};
  QString obs = {};  // the notes as stored: every line ended by CR LF
};

struct Order {
  int cod = 0, client = 0;
  QString data = "01.03.2026", termen = "10.03.2026";  // dd.MM.yyyy
  QString predat = "NU";
  double cost = 0, rest = 0;
};

// A product line, or a work heading when `item` is 0 and `denumire` empty.
struct Line {
  int order = 0, cod = 0, item = 0;
  QString denumire = {}, um = {};
  double cant = 0, pret = 0, total = 0;
  QString executat = "NU";
  double lung = 0, lat = 0;
  QString titlu = {};  // empty: a line without a work (NULL)
  int buc = 0;
};

struct Receipt {
  int cod = 0, order = 0, client = 0;
  QString data = "05.03.2026", docjus = {};
  double suma = 0;
};

struct Shop {
  std::vector<Item> items = {};
  std::vector<Client> clients = {};
  std::vector<Order> orders = {};
  std::vector<Line> lines = {};
  std::vector<Receipt> receipts = {};
};

// A workshop in small: ALFA SRL with two orders in progress (one of them with
// a line outside any work and two works) and one delivered; BETA GLASS with
// one order of each kind; O'NEIL DESIGN with one order; ALBU ION with none.
Shop SampleShop();

class OrdersTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes every row as it stands and moves each code counter past the
  // codes used.
  void Seed(const Shop& shop);
  // Rows read back from disk, by code. A NULL text reads as "".
  std::vector<Item> ItemsOnDisk() const;
  std::vector<Client> ClientsOnDisk() const;
  std::vector<Order> OrdersOnDisk() const;
  std::vector<Line> LinesOnDisk() const;
  std::vector<Receipt> ReceiptsOnDisk() const;
  // What saving, removing and marking lines must never break, one message
  // per fault (none when all hold): for goods STOC + IESIT = CANTIN; each
  // order's COST is the sum of its line totals and REST is COST less its
  // receipts; each work heading's TOTAL is the sum of its lines' totals.
  QStringList BrokenInvariants() const;
  // Whether a column of a row is NULL on disk.
  bool IsNull(const QString& table, const QString& keyField, int key, const QString& field) const;
  QString Table(const QString& file) const;  // "CaleData\file" in quotes

  // The texts of column `column` of a grid, top to bottom.
  static QStringList Listed(DbGrid* grid, int column);
  // Clicks the row `row` of a grid.
  static void ClickRow(DbGrid* grid, int row);

  // In the orders window: the clients and the order numbers listed, the
  // current client, order and line, and choosing them with a click.
  QStringList Clients() const;
  QStringList Orders() const;
  QString CurrentClient() const;
  int CurrentOrder() const;
  int CurrentLine() const;
  void ChooseClient(const QString& name);
  void ChooseOrder(int codcap);
  void ChooseLine(int codcom);
  // The next code the counter `key` hands out.
  QString Counter(const char* key = "CODCOM") const;

  // Opens the orders window through its operation, runs `steps` in it, then
  // closes it with ESC.
  void InOrders(const std::function<void()>& steps);
  // Clicks `button` of the orders window and runs `steps` in the dialog it
  // opens; `steps` must close the dialog.
  void InDialog(const QString& button, const std::function<void(QWidget*)>& steps);
  // The text and the control of the input-error balloon last shown.
  QString BalloonText() const;
  QWidget* BalloonControl() const;

  QTemporaryDir dir_;
};

}  // namespace orders_test
