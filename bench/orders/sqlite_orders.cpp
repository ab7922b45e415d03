#include "bench/orders/sqlite_orders.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

namespace lumi::bench {

std::string Code(double v) { return std::to_string(std::llround(v)); }

SqliteOrders::SqliteOrders(const std::string& path, const Dataset* d) {
  if (d) std::filesystem::remove(path);
  if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) throw std::runtime_error("sqlite open");
  Exec("PRAGMA synchronous=FULL");
  Exec("PRAGMA journal_mode=DELETE");
  if (!d) return;
  Exec(
      "CREATE TABLE CapCom (CODCAP NUMERIC, DATA TEXT, TERMEN TEXT, PREDAT TEXT, CODCLI NUMERIC, "
      "COST REAL, REST REAL)");
  Exec(
      "CREATE TABLE Comenzi (CODCAP NUMERIC, CODCOM NUMERIC, CODMAG NUMERIC, DENUMIRE TEXT, "
      "UM TEXT, CANT REAL, PRET REAL, TOTAL REAL, EXECUTAT TEXT, LUNG REAL, LAT REAL, TITLU TEXT, "
      "BUC REAL)");
  Exec(
      "CREATE TABLE Clienti (CODCLI NUMERIC, NUME TEXT, ADRESA TEXT, TEL TEXT, CF TEXT, OBS TEXT)");
  Exec("BEGIN");
  Load("CapCom", d->capcom);
  Load("Comenzi", d->comenzi);
  Load("Clienti", d->clienti);
  Exec("COMMIT");
  // Our tables' tags (CapCom: CODCAP, CODCLI; Comenzi: CODCAP, CODCOM,
  // TITLU; Clienti: CODCLI), then the one the client list would want.
  for (const char* ix : {"CapCom(CODCAP)", "CapCom(CODCLI)", "Comenzi(CODCAP)", "Comenzi(CODCOM)",
                         "Comenzi(TITLU)", "Clienti(CODCLI)", "Clienti(NUME)"}) {
    std::string name = ix;
    for (char& ch : name) {
      if (ch == '(' || ch == ')') ch = '_';
    }
    Exec("CREATE INDEX " + name + " ON " + ix);
  }
  Exec("ANALYZE");
}

SqliteOrders::~SqliteOrders() { sqlite3_close(db_); }

void SqliteOrders::Exec(const std::string& sql) {
  char* err = nullptr;
  if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
    std::string msg = err ? err : "?";
    sqlite3_free(err);
    throw std::runtime_error("sqlite: " + msg + " in " + sql);
  }
}

sqlite3_stmt* SqliteOrders::Prepare(const std::string& sql) {
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
    throw std::runtime_error(std::string("sqlite: ") + sqlite3_errmsg(db_) + " in " + sql);
  }
  return st;
}

void SqliteOrders::Load(const std::string& table,
                        const std::vector<std::vector<dbf::Value>>& rows) {
  if (rows.empty()) return;
  std::string sql = "INSERT INTO " + table + " VALUES (";
  for (size_t i = 0; i < rows[0].size(); ++i) sql += i ? ",?" : "?";
  sql += ")";
  sqlite3_stmt* st = Prepare(sql);
  char date[16];
  for (const auto& row : rows) {
    for (size_t i = 0; i < row.size(); ++i) {
      const dbf::Value& v = row[i];
      int k = static_cast<int>(i) + 1;
      switch (v.kind()) {
        case dbf::ValueKind::kNull:
          sqlite3_bind_null(st, k);
          break;
        case dbf::ValueKind::kNumber:
          sqlite3_bind_double(st, k, v.number());
          break;
        case dbf::ValueKind::kText:
          sqlite3_bind_text(st, k, v.text().c_str(), -1, SQLITE_TRANSIENT);
          break;
        case dbf::ValueKind::kDate:
          std::snprintf(date, sizeof date, "%04d-%02d-%02d", v.date().year, v.date().month,
                        v.date().day);
          sqlite3_bind_text(st, k, date, -1, SQLITE_TRANSIENT);
          break;
        case dbf::ValueKind::kLogical:
          sqlite3_bind_int(st, k, v.logical());
          break;
      }
    }
    sqlite3_step(st);
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
}

double SqliteOrders::Clients(int* rows) {
  sqlite3_stmt* st = Prepare("SELECT * FROM Clienti" + no_index_ + " ORDER BY NUME");
  double first = -1;
  int n = 0;
  while (sqlite3_step(st) == SQLITE_ROW) {
    for (int i = 0; i < sqlite3_column_count(st); ++i) {
      if (sqlite3_column_type(st, i) == SQLITE_TEXT) {
        sink_ += sqlite3_column_bytes(st, i);
      } else {
        sink_ += sqlite3_column_double(st, i);
      }
    }
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
  sqlite3_stmt* st = Prepare(OrdersSql(codcli, listed));
  Orders o;
  while (sqlite3_step(st) == SQLITE_ROW) {
    for (int i = 0; i < sqlite3_column_count(st); ++i) {
      if (sqlite3_column_type(st, i) == SQLITE_TEXT) {
        sink_ += sqlite3_column_bytes(st, i);
      } else {
        sink_ += sqlite3_column_double(st, i);
      }
    }
    if (o.rows++ == 0) o.first_order = sqlite3_column_double(st, 0);
    // The two totals, walked over the rows as the window walks its list.
    o.cost += sqlite3_column_double(st, 5);
    o.rest += sqlite3_column_double(st, 6);
  }
  sqlite3_finalize(st);
  return o;
}

int SqliteOrders::LinesOf(double codcap) {
  sqlite3_stmt* st =
      Prepare("SELECT * FROM Comenzi WHERE CODCAP=" + Code(codcap) + " ORDER BY TITLU, DENUMIRE");
  int n = 0;
  while (sqlite3_step(st) == SQLITE_ROW) {
    ++n;
    for (int i = 0; i < sqlite3_column_count(st); ++i) {
      if (sqlite3_column_type(st, i) == SQLITE_TEXT) {
        sink_ += sqlite3_column_bytes(st, i);
      } else {
        sink_ += sqlite3_column_double(st, i);
      }
    }
  }
  sqlite3_finalize(st);
  return n;
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
  sqlite3_stmt* st = Prepare("SELECT CODCLI FROM Clienti ORDER BY NUME");
  std::vector<double> v;
  while (sqlite3_step(st) == SQLITE_ROW) v.push_back(sqlite3_column_double(st, 0));
  sqlite3_finalize(st);
  return v;
}

std::vector<double> SqliteOrders::OrderCodes(double codcli, Listed listed) {
  sqlite3_stmt* st = Prepare(OrdersSql(codcli, listed));
  std::vector<double> v;
  while (sqlite3_step(st) == SQLITE_ROW) v.push_back(sqlite3_column_double(st, 0));
  sqlite3_finalize(st);
  return v;
}

size_t SqliteOrders::PeakBytes() const { return static_cast<size_t>(sqlite3_memory_highwater(0)); }
void SqliteOrders::ResetPeak() { sqlite3_memory_highwater(1); }

}  // namespace lumi::bench
