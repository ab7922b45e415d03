#include "bench/orders/sqlite_payments_work.h"

#include <filesystem>
#include <set>

#include "bench/orders/orders_data.h"
#include "bench/orders/sql_literals.h"
#include "bench/orders/sqlite_order_lines.h"
#include "bench/sql/data_generator.h"
#include "bench/sql/sqlite_tables.h"

namespace lumi::bench {

namespace {

// Change it when the database's contents change, so that old ones are remade.
constexpr const char* kMarker = "bench_payments_work sqlite 1";

// Rows per INSERT while the list is built, as the window writes them.
constexpr int kRowsPerInsert = 200;

// A column as a literal of an INSERT, as the window splices them.
std::string Literal(sqlite3_stmt* st, int i) {
  switch (sqlite3_column_type(st, i)) {
    case SQLITE_NULL:
      return "NULL";
    case SQLITE_TEXT:
      return Quoted(reinterpret_cast<const char*>(sqlite3_column_text(st, i)));
    default:
      return Num(sqlite3_column_double(st, i));
  }
}

}  // namespace

std::string PreparePaymentsWorkDatabase(const std::string& dir, int lines) {
  const std::string folder = dir + "/sqlite_pw";
  const std::string path = folder + "/shop.sqlite";
  if (MarkedReady(folder, kMarker) && std::filesystem::exists(path)) return path;
  const std::string base = PrepareLinesDatabase(dir, lines);
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  std::filesystem::copy_file(base, path);
  {
    const Dataset d = Generate(lines);
    SqliteDb db(path);
    LoadTables(db, d, {"Plati"});
    CreateIndexes(db, {"Plati(CODCLI)", "Plati(CODCAP)", "Plati(CODPL)"});
    db.Exec("ANALYZE");
  }
  MarkReady(folder, kMarker);
  return path;
}

SqlitePaymentsWork::SqlitePaymentsWork(const std::string& path) : db_(path) {
  // A scratch table left by an interrupted run.
  db_.Exec("DROP TABLE IF EXISTS Lucru");
}

// ---- receipts -----------------------------------------------------------------

SqlitePaymentsWork::Order SqlitePaymentsWork::ChooseOrder(double min_rest) {
  Order o;
  const std::vector<double> codes =
      db_.FirstColumn("SELECT CODCAP FROM CapCom WHERE PREDAT<>'DA' AND REST>=" + Num(min_rest) +
                      " ORDER BY CODCAP");
  if (codes.empty()) return o;
  std::vector<double> v;
  db_.Query("SELECT CODCAP, CODCLI, REST FROM CapCom WHERE CODCAP=" + Num(codes[codes.size() / 2]),
            &v);
  o.codcap = v[0];
  o.codcli = v[1];
  o.rest = v[2];
  return o;
}

void SqlitePaymentsWork::ListReceipts(const Order& o) {
  db_.Query("SELECT * FROM Plati WHERE CODCAP=" + Num(o.codcap) + " ORDER BY DATA,CODPL");
}

void SqlitePaymentsWork::AddReceipt(const Order& o, double codpl, const std::string& date,
                                    const std::string& amount, const std::string& doc) {
  db_.Exec("BEGIN");
  db_.Exec("INSERT INTO Plati (CODPL,CODCAP,CODCLI,DATA,SUMA,DOCJUS) VALUES (" + Num(codpl) + "," +
           Num(o.codcap) + "," + Num(o.codcli) + ",'" + date + "'," + amount + "," + Quoted(doc) +
           " )");
  db_.Exec("UPDATE CapCom SET REST=REST+(-" + amount + ") WHERE CODCAP=" + Num(o.codcap));
  ListReceipts(o);
  db_.Exec("COMMIT");
}

void SqlitePaymentsWork::DeleteReceipt(const Order& o, double codpl, const std::string& amount) {
  db_.Exec("BEGIN");
  db_.Exec("DELETE FROM Plati WHERE CODPL=" + Num(codpl));
  db_.Exec("UPDATE CapCom SET REST=REST+(" + amount + ") WHERE CODCAP=" + Num(o.codcap));
  ListReceipts(o);
  db_.Exec("COMMIT");
}

std::pair<double, int> SqlitePaymentsWork::ReceiptState(const Order& o) {
  std::vector<double> v;
  db_.Query("SELECT REST FROM CapCom WHERE CODCAP=" + Num(o.codcap), &v);
  const int n = db_.Query("SELECT * FROM Plati WHERE CODCAP=" + Num(o.codcap));
  return {v.empty() ? 0 : v[0], n};
}

double SqlitePaymentsWork::HighestReceiptCode() {
  std::vector<double> v;
  db_.Query("SELECT MAX(CODPL) FROM Plati", &v);
  return v.empty() ? 0 : v[0];
}

int64_t SqlitePaymentsWork::Receipts() {
  std::vector<double> v;
  db_.Query("SELECT COUNT(*) FROM Plati", &v);
  return v.empty() ? 0 : static_cast<int64_t>(v[0]);
}

// ---- the work-in-progress list --------------------------------------------------

void SqlitePaymentsWork::ListWork() { db_.Query("SELECT * FROM Lucru ORDER BY CODCOM"); }

int SqlitePaymentsWork::OpenWork() {
  works_.clear();
  db_.Exec(
      "CREATE TABLE Lucru (TERMEN TEXT, CODCOM NUMERIC, DENUMIRE TEXT, UM TEXT, CANT REAL, "
      "LUNG REAL, LAT REAL, EXECUTAT TEXT, EX2 INTEGER, BUC REAL)");
  std::vector<std::pair<double, std::string>> orders;  // code, due date as a literal
  sqlite3_stmt* open = db_.Prepare("SELECT CODCAP, TERMEN FROM CapCom WHERE PREDAT='NU'");
  while (sqlite3_step(open) == SQLITE_ROW) {
    orders.emplace_back(sqlite3_column_double(open, 0), Literal(open, 1));
  }
  sqlite3_finalize(open);
  sqlite3_stmt* lines = db_.Prepare(
      "SELECT CODCOM, CODMAG, DENUMIRE, UM, CANT, LUNG, LAT, EXECUTAT, BUC, TITLU "
      "FROM Comenzi Z WHERE Z.CODCAP=?");
  sqlite3_stmt* item = db_.Prepare("SELECT TIP FROM Magazie WHERE CODMAG=?");
  std::map<double, bool> goods;
  auto is_goods = [&](double codmag) {
    auto it = goods.find(codmag);
    if (it != goods.end()) return it->second;
    sqlite3_bind_double(item, 1, codmag);
    bool g = false;
    if (sqlite3_step(item) == SQLITE_ROW) {
      g = sqlite3_column_type(item, 0) != SQLITE_NULL && sqlite3_column_int(item, 0) == 0;
    }
    sqlite3_reset(item);
    return goods[codmag] = g;
  };
  std::vector<std::string> rows;
  for (const auto& [codcap, due] : orders) {
    sqlite3_bind_double(lines, 1, codcap);
    while (sqlite3_step(lines) == SQLITE_ROW) {
      if (sqlite3_column_type(lines, 1) == SQLITE_NULL ||
          !is_goods(sqlite3_column_double(lines, 1)))
        continue;
      const double codcom = sqlite3_column_double(lines, 0);
      rows.push_back("(" + due + ", " + Literal(lines, 0) + ", " + Literal(lines, 2) + ", " +
                     Literal(lines, 3) + ", " + Literal(lines, 4) + ", " + Literal(lines, 5) +
                     ", " + Literal(lines, 6) + ", " + Literal(lines, 7) + ", 0, " +
                     Literal(lines, 8) + ")");
      if (sqlite3_column_type(lines, 9) == SQLITE_TEXT) {
        const char* title = reinterpret_cast<const char*>(sqlite3_column_text(lines, 9));
        if (*title) works_[codcom] = {codcap, title};
      }
    }
    sqlite3_reset(lines);
  }
  sqlite3_finalize(lines);
  sqlite3_finalize(item);
  db_.Exec("BEGIN");
  for (size_t i = 0; i < rows.size(); i += kRowsPerInsert) {
    std::string sql =
        "INSERT INTO Lucru (TERMEN,CODCOM,DENUMIRE,UM,CANT,LUNG,LAT,EXECUTAT,EX2, BUC) VALUES ";
    for (size_t j = i; j < rows.size() && j < i + kRowsPerInsert; ++j) {
      if (j > i) sql += ",";
      sql += rows[j];
    }
    db_.Exec(sql);
  }
  db_.Exec("COMMIT");
  db_.Exec("UPDATE Lucru SET EX2=1 WHERE EXECUTAT='DA'");
  ListWork();
  return static_cast<int>(rows.size());
}

void SqlitePaymentsWork::FlipTick(double codcom) {
  db_.Exec("UPDATE Lucru SET EX2=NOT EX2 WHERE CODCOM=" + Num(codcom));
}

void SqlitePaymentsWork::SaveWork() {
  // The works whose lines change: those whose tick differs from their mark.
  std::set<std::pair<double, std::string>> touched;
  sqlite3_stmt* st = db_.Prepare("SELECT CODCOM, EXECUTAT, EX2 FROM Lucru");
  while (sqlite3_step(st) == SQLITE_ROW) {
    const unsigned char* mark = sqlite3_column_text(st, 1);
    const std::string m = mark ? reinterpret_cast<const char*>(mark) : "";
    if (m == (sqlite3_column_int(st, 2) ? "DA" : "NU")) continue;
    auto it = works_.find(sqlite3_column_double(st, 0));
    if (it != works_.end()) touched.insert(it->second);
  }
  sqlite3_finalize(st);
  db_.Exec("BEGIN");
  db_.Exec("UPDATE Lucru SET EXECUTAT='NU'");
  db_.Exec("UPDATE Lucru SET EXECUTAT='DA' WHERE EX2=1");
  // Only the listed lines: a line the list does not hold keeps its mark,
  // as our engine's copy-back leaves it. Written as a join: the correlated
  // form has SQLite scan the scratch table once per line.
  db_.Exec("UPDATE Comenzi SET EXECUTAT=T.EXECUTAT FROM Lucru T WHERE T.CODCOM=Comenzi.CODCOM");
  for (const auto& [codcap, title] : touched) {
    const std::string where = "(CODCAP=" + Num(codcap) + ") AND (TITLU=" + Quoted(title) + ")";
    std::vector<std::string> marks;
    const int n = db_.Query(
        "SELECT DISTINCT EXECUTAT FROM Comenzi WHERE " + where + " AND (NOT (CODMAG IS NULL))",
        nullptr, &marks);
    const std::string mark = n == 1 ? marks[0] : "NU";
    db_.Exec("UPDATE Comenzi SET EXECUTAT=" + Quoted(mark) + " WHERE " + where +
             " AND (CODMAG IS NULL)");
  }
  db_.Exec("COMMIT");
}

void SqlitePaymentsWork::CloseWork() { db_.Exec("DROP TABLE IF EXISTS Lucru"); }

std::vector<double> SqlitePaymentsWork::ChooseWorkLines(int n) {
  const std::vector<double> orders =
      db_.FirstColumn("SELECT CODCAP FROM CapCom WHERE PREDAT='NU' ORDER BY CODCAP");
  std::vector<double> chosen;
  for (int k = 1; k <= n && !orders.empty(); ++k) {
    const double codcap = orders[orders.size() * static_cast<size_t>(k) / (n + 1)];
    std::vector<double> v;
    db_.Query("SELECT Z.CODCOM FROM Comenzi Z JOIN Magazie M ON M.CODMAG=Z.CODMAG WHERE Z.CODCAP=" +
                  Num(codcap) + " AND M.TIP=0 AND Z.TITLU IS NOT NULL ORDER BY Z.CODCOM",
              &v);
    if (!v.empty()) chosen.push_back(v[0]);
  }
  return chosen;
}

std::string SqlitePaymentsWork::WorkState(const std::vector<double>& codcoms) {
  std::string s;
  for (double c : codcoms) {
    std::vector<std::string> line;
    db_.Query("SELECT EXECUTAT, CODCAP, TITLU FROM Comenzi WHERE CODCOM=" + Num(c), nullptr, &line);
    if (line.empty()) continue;
    std::vector<std::string> heading;
    db_.Query("SELECT EXECUTAT FROM Comenzi WHERE CODCAP=" + line[1] +
                  " AND TITLU=" + Quoted(line[2]) + " AND CODMAG IS NULL",
              nullptr, &heading);
    s += Num(c) + ":" + line[0] + "/" + (heading.empty() ? "-" : heading[0]) + " ";
  }
  return s;
}

}  // namespace lumi::bench
