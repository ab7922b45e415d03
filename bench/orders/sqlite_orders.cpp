#include "bench/orders/sqlite_orders.h"

#include <filesystem>

#include "bench/sql/sqlite_tables.h"

namespace lumi::bench {

void CreateOrdersDatabase(const std::string& path, const Dataset& d) {
  std::filesystem::remove(path);
  SqliteDb db(path);
  LoadTables(db, d, {"CapCom", "Comenzi", "Clienti"});
  // Our tables' tags (CapCom: CODCAP, CODCLI; Comenzi: CODCAP, CODCOM,
  // TITLU; Clienti: CODCLI), then the one the client list would want.
  CreateIndexes(db, {"CapCom(CODCAP)", "CapCom(CODCLI)", "Comenzi(CODCAP)", "Comenzi(CODCOM)",
                     "Comenzi(TITLU)", "Clienti(CODCLI)", "Clienti(NUME)"});
  db.Exec("ANALYZE");
}

double SqliteOrders::Clients(int* rows) {
  sqlite3_stmt* st = db_.Prepare("SELECT * FROM Clienti" + no_index_ + " ORDER BY NUME");
  double first = -1;
  int n = 0;
  while (sqlite3_step(st) == SQLITE_ROW) {
    db_.ReadRow(st);
    if (n++ == 0) first = sqlite3_column_double(st, 0);
  }
  sqlite3_finalize(st);
  if (rows) *rows = n;
  return first;
}

std::string SqliteOrders::OrdersSql(double codcli, Listed listed) const {
  return "SELECT * FROM CapCom WHERE CODCLI=" + Code(codcli) +
         (listed == Listed::kDelivered ? " AND PREDAT='DA'" : " AND PREDAT<>'DA'");
}

SqliteOrders::Orders SqliteOrders::OrdersOf(double codcli, Listed listed) {
  sqlite3_stmt* st = db_.Prepare(OrdersSql(codcli, listed));
  Orders o;
  while (sqlite3_step(st) == SQLITE_ROW) {
    db_.ReadRow(st);
    if (o.rows++ == 0) o.first_order = sqlite3_column_double(st, 0);
    // The two totals, walked over the rows as the window walks its list.
    o.cost += sqlite3_column_double(st, 5);
    o.rest += sqlite3_column_double(st, 6);
  }
  sqlite3_finalize(st);
  return o;
}

int SqliteOrders::LinesOf(double codcap) {
  return db_.Query("SELECT * FROM Comenzi WHERE CODCAP=" + Code(codcap) +
                   " ORDER BY TITLU, DENUMIRE");
}

void SqliteOrders::Open(Listed listed) {
  double client = Clients();
  if (client >= 0) ClientMove(client, listed);
}

SqliteOrders::Orders SqliteOrders::ClientMove(double codcli, Listed listed) {
  Orders o = OrdersOf(codcli, listed);
  if (o.first_order >= 0) LinesOf(o.first_order);
  return o;
}

std::vector<double> SqliteOrders::ClientCodes() {
  return db_.FirstColumn("SELECT CODCLI FROM Clienti ORDER BY NUME");
}

std::vector<double> SqliteOrders::OrderCodes(double codcli, Listed listed) {
  return db_.FirstColumn(OrdersSql(codcli, listed));
}

}  // namespace lumi::bench
