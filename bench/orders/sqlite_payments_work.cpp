#include "bench/orders/sqlite_payments_work.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <stdexcept>

#include "bench/orders/sqlite_order_lines.h"
#include "bench/sql/data_generator.h"

namespace lumi::bench {

namespace {

// Change it when the database's contents change, so that old ones are remade.
constexpr const char* kMarker = "bench_payments_work sqlite 1";

// Rows per INSERT while the list is built, as the window writes them.
constexpr int kRowsPerInsert = 200;

std::string Num(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.4f", v);
  std::string s = buf;
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s;
}

std::string Quoted(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    out += c;
    if (c == '\'') out += c;
  }
  return out + "'";
}

void Check(int rc, sqlite3* db, const std::string& what) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
    throw std::runtime_error("sqlite: " + std::string(sqlite3_errmsg(db)) + " in " + what);
  }
}

void ExecOn(sqlite3* db, const std::string& sql) {
  char* err = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
    std::string msg = err ? err : "?";
    sqlite3_free(err);
    throw std::runtime_error("sqlite: " + msg + " in " + sql.substr(0, 200));
  }
}

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
  const std::string marker = folder + "/ready";
  {
    std::ifstream in(marker);
    std::string line;
    if (in && std::getline(in, line) && line == kMarker && std::filesystem::exists(path)) {
      return path;
    }
  }
  const std::string base = PrepareLinesDatabase(dir, lines);
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  std::filesystem::copy_file(base, path);
  const Dataset d = Generate(lines);
  sqlite3* db = nullptr;
  if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) throw std::runtime_error("sqlite open");
  try {
    ExecOn(db, "PRAGMA journal_mode=DELETE");
    ExecOn(db,
           "CREATE TABLE Plati (CODPL NUMERIC, CODCAP NUMERIC, CODCLI NUMERIC, DATA TEXT, "
           "DOCJUS TEXT, SUMA REAL)");
    ExecOn(db, "BEGIN");
    sqlite3_stmt* st = nullptr;
    const char* sql = "INSERT INTO Plati VALUES (?,?,?,?,?,?)";
    Check(sqlite3_prepare_v2(db, sql, -1, &st, nullptr), db, sql);
    char date[16];
    for (const auto& row : d.plati) {
      const dbf::Date day = row[3].date();
      std::snprintf(date, sizeof date, "%04d-%02d-%02d", day.year, day.month, day.day);
      sqlite3_bind_double(st, 1, row[0].number());
      sqlite3_bind_double(st, 2, row[1].number());
      sqlite3_bind_double(st, 3, row[2].number());
      sqlite3_bind_text(st, 4, date, -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(st, 5, row[4].text().c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_double(st, 6, row[5].number());
      Check(sqlite3_step(st), db, sql);
      sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    ExecOn(db, "COMMIT");
    ExecOn(db, "CREATE INDEX Plati_CODCLI_ ON Plati(CODCLI)");
    ExecOn(db, "CREATE INDEX Plati_CODCAP_ ON Plati(CODCAP)");
    ExecOn(db, "CREATE INDEX Plati_CODPL_ ON Plati(CODPL)");
    ExecOn(db, "ANALYZE");
  } catch (...) {
    sqlite3_close(db);
    throw;
  }
  sqlite3_close(db);
  // On the disk before anything is timed.
  ::sync();
  std::ofstream(marker) << kMarker << "\n";
  return path;
}

SqlitePaymentsWork::SqlitePaymentsWork(const std::string& path) {
  if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) throw std::runtime_error("sqlite open");
  Exec("PRAGMA synchronous=FULL");
  Exec("PRAGMA journal_mode=DELETE");
  // A scratch table left by an interrupted run.
  Exec("DROP TABLE IF EXISTS Lucru");
}

SqlitePaymentsWork::~SqlitePaymentsWork() { sqlite3_close(db_); }

void SqlitePaymentsWork::Exec(const std::string& sql) { ExecOn(db_, sql); }

int SqlitePaymentsWork::Query(const std::string& sql, std::vector<double>* numbers,
                              std::vector<std::string>* texts) {
  sqlite3_stmt* st = nullptr;
  Check(sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr), db_, sql);
  int rows = 0;
  int rc = 0;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    const int n = sqlite3_column_count(st);
    for (int i = 0; i < n; ++i) {
      if (sqlite3_column_type(st, i) == SQLITE_TEXT) {
        sink_ += sqlite3_column_bytes(st, i);
      } else {
        sink_ += sqlite3_column_double(st, i);
      }
    }
    if (rows++ == 0) {
      for (int i = 0; i < n; ++i) {
        if (numbers) numbers->push_back(sqlite3_column_double(st, i));
        if (texts) {
          const unsigned char* t = sqlite3_column_text(st, i);
          texts->push_back(t ? reinterpret_cast<const char*>(t) : "");
        }
      }
    }
  }
  sqlite3_finalize(st);
  Check(rc, db_, sql);
  return rows;
}

// ---- receipts -----------------------------------------------------------------

SqlitePaymentsWork::Order SqlitePaymentsWork::ChooseOrder(double min_rest) {
  Order o;
  std::vector<double> codes;
  {
    sqlite3_stmt* st = nullptr;
    const std::string sql =
        "SELECT CODCAP FROM CapCom WHERE PREDAT<>'DA' AND REST>=" + Num(min_rest) +
        " ORDER BY CODCAP";
    Check(sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr), db_, sql);
    while (sqlite3_step(st) == SQLITE_ROW) codes.push_back(sqlite3_column_double(st, 0));
    sqlite3_finalize(st);
  }
  if (codes.empty()) return o;
  std::vector<double> v;
  Query("SELECT CODCAP, CODCLI, REST FROM CapCom WHERE CODCAP=" + Num(codes[codes.size() / 2]), &v);
  o.codcap = v[0];
  o.codcli = v[1];
  o.rest = v[2];
  return o;
}

void SqlitePaymentsWork::ListReceipts(const Order& o) {
  Query("SELECT * FROM Plati WHERE CODCAP=" + Num(o.codcap) + " ORDER BY DATA,CODPL");
}

void SqlitePaymentsWork::AddReceipt(const Order& o, double codpl, const std::string& date,
                                    const std::string& amount, const std::string& doc) {
  Exec("BEGIN");
  Exec("INSERT INTO Plati (CODPL,CODCAP,CODCLI,DATA,SUMA,DOCJUS) VALUES (" + Num(codpl) + "," +
       Num(o.codcap) + "," + Num(o.codcli) + ",'" + date + "'," + amount + "," + Quoted(doc) +
       " )");
  Exec("UPDATE CapCom SET REST=REST+(-" + amount + ") WHERE CODCAP=" + Num(o.codcap));
  ListReceipts(o);
  Exec("COMMIT");
}

void SqlitePaymentsWork::DeleteReceipt(const Order& o, double codpl, const std::string& amount) {
  Exec("BEGIN");
  Exec("DELETE FROM Plati WHERE CODPL=" + Num(codpl));
  Exec("UPDATE CapCom SET REST=REST+(" + amount + ") WHERE CODCAP=" + Num(o.codcap));
  ListReceipts(o);
  Exec("COMMIT");
}

std::pair<double, int> SqlitePaymentsWork::ReceiptState(const Order& o) {
  std::vector<double> v;
  Query("SELECT REST FROM CapCom WHERE CODCAP=" + Num(o.codcap), &v);
  const int n = Query("SELECT * FROM Plati WHERE CODCAP=" + Num(o.codcap));
  return {v.empty() ? 0 : v[0], n};
}

double SqlitePaymentsWork::HighestReceiptCode() {
  std::vector<double> v;
  Query("SELECT MAX(CODPL) FROM Plati", &v);
  return v.empty() ? 0 : v[0];
}

int64_t SqlitePaymentsWork::Receipts() {
  std::vector<double> v;
  Query("SELECT COUNT(*) FROM Plati", &v);
  return v.empty() ? 0 : static_cast<int64_t>(v[0]);
}

// ---- the work-in-progress list --------------------------------------------------

void SqlitePaymentsWork::ListWork() { Query("SELECT * FROM Lucru ORDER BY CODCOM"); }

int SqlitePaymentsWork::OpenWork() {
  works_.clear();
  Exec(
      "CREATE TABLE Lucru (TERMEN TEXT, CODCOM NUMERIC, DENUMIRE TEXT, UM TEXT, CANT REAL, "
      "LUNG REAL, LAT REAL, EXECUTAT TEXT, EX2 INTEGER, BUC REAL)");
  std::vector<std::pair<double, std::string>> orders;  // code, due date as a literal
  {
    sqlite3_stmt* st = nullptr;
    const char* sql = "SELECT CODCAP, TERMEN FROM CapCom WHERE PREDAT='NU'";
    Check(sqlite3_prepare_v2(db_, sql, -1, &st, nullptr), db_, sql);
    while (sqlite3_step(st) == SQLITE_ROW) {
      orders.emplace_back(sqlite3_column_double(st, 0), Literal(st, 1));
    }
    sqlite3_finalize(st);
  }
  sqlite3_stmt* lines = nullptr;
  const char* lines_sql =
      "SELECT CODCOM, CODMAG, DENUMIRE, UM, CANT, LUNG, LAT, EXECUTAT, BUC, TITLU "
      "FROM Comenzi Z WHERE Z.CODCAP=?";
  Check(sqlite3_prepare_v2(db_, lines_sql, -1, &lines, nullptr), db_, lines_sql);
  sqlite3_stmt* item = nullptr;
  const char* item_sql = "SELECT TIP FROM Magazie WHERE CODMAG=?";
  Check(sqlite3_prepare_v2(db_, item_sql, -1, &item, nullptr), db_, item_sql);
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
  Exec("BEGIN");
  for (size_t i = 0; i < rows.size(); i += kRowsPerInsert) {
    std::string sql =
        "INSERT INTO Lucru (TERMEN,CODCOM,DENUMIRE,UM,CANT,LUNG,LAT,EXECUTAT,EX2, BUC) VALUES ";
    for (size_t j = i; j < rows.size() && j < i + kRowsPerInsert; ++j) {
      if (j > i) sql += ",";
      sql += rows[j];
    }
    Exec(sql);
  }
  Exec("COMMIT");
  Exec("UPDATE Lucru SET EX2=1 WHERE EXECUTAT='DA'");
  ListWork();
  return static_cast<int>(rows.size());
}

void SqlitePaymentsWork::FlipTick(double codcom) {
  Exec("UPDATE Lucru SET EX2=NOT EX2 WHERE CODCOM=" + Num(codcom));
}

void SqlitePaymentsWork::SaveWork() {
  // The works whose lines change: those whose tick differs from their mark.
  std::set<std::pair<double, std::string>> touched;
  {
    sqlite3_stmt* st = nullptr;
    const char* sql = "SELECT CODCOM, EXECUTAT, EX2 FROM Lucru";
    Check(sqlite3_prepare_v2(db_, sql, -1, &st, nullptr), db_, sql);
    while (sqlite3_step(st) == SQLITE_ROW) {
      const unsigned char* mark = sqlite3_column_text(st, 1);
      const std::string m = mark ? reinterpret_cast<const char*>(mark) : "";
      if (m == (sqlite3_column_int(st, 2) ? "DA" : "NU")) continue;
      auto it = works_.find(sqlite3_column_double(st, 0));
      if (it != works_.end()) touched.insert(it->second);
    }
    sqlite3_finalize(st);
  }
  Exec("BEGIN");
  Exec("UPDATE Lucru SET EXECUTAT='NU'");
  Exec("UPDATE Lucru SET EXECUTAT='DA' WHERE EX2=1");
  // Only the listed lines: a line the list does not hold keeps its mark,
  // as our engine's copy-back leaves it. Written as a join: the correlated
  // form has SQLite scan the scratch table once per line.
  Exec("UPDATE Comenzi SET EXECUTAT=T.EXECUTAT FROM Lucru T WHERE T.CODCOM=Comenzi.CODCOM");
  for (const auto& [codcap, title] : touched) {
    const std::string where = "(CODCAP=" + Num(codcap) + ") AND (TITLU=" + Quoted(title) + ")";
    std::vector<std::string> marks;
    const int n = Query(
        "SELECT DISTINCT EXECUTAT FROM Comenzi WHERE " + where + " AND (NOT (CODMAG IS NULL))",
        nullptr, &marks);
    const std::string mark = n == 1 ? marks[0] : "NU";
    Exec("UPDATE Comenzi SET EXECUTAT=" + Quoted(mark) + " WHERE " + where +
         " AND (CODMAG IS NULL)");
  }
  Exec("COMMIT");
}

void SqlitePaymentsWork::CloseWork() { Exec("DROP TABLE IF EXISTS Lucru"); }

std::vector<double> SqlitePaymentsWork::ChooseWorkLines(int n) {
  std::vector<double> orders;
  {
    sqlite3_stmt* st = nullptr;
    const char* sql = "SELECT CODCAP FROM CapCom WHERE PREDAT='NU' ORDER BY CODCAP";
    Check(sqlite3_prepare_v2(db_, sql, -1, &st, nullptr), db_, sql);
    while (sqlite3_step(st) == SQLITE_ROW) orders.push_back(sqlite3_column_double(st, 0));
    sqlite3_finalize(st);
  }
  std::vector<double> chosen;
  for (int k = 1; k <= n && !orders.empty(); ++k) {
    const double codcap = orders[orders.size() * static_cast<size_t>(k) / (n + 1)];
    std::vector<double> v;
    Query("SELECT Z.CODCOM FROM Comenzi Z JOIN Magazie M ON M.CODMAG=Z.CODMAG WHERE Z.CODCAP=" +
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
    Query("SELECT EXECUTAT, CODCAP, TITLU FROM Comenzi WHERE CODCOM=" + Num(c), nullptr, &line);
    if (line.empty()) continue;
    std::vector<std::string> heading;
    Query("SELECT EXECUTAT FROM Comenzi WHERE CODCAP=" + line[1] + " AND TITLU=" + Quoted(line[2]) +
              " AND CODMAG IS NULL",
          nullptr, &heading);
    s += Num(c) + ":" + line[0] + "/" + (heading.empty() ? "-" : heading[0]) + " ";
  }
  return s;
}

size_t SqlitePaymentsWork::PeakBytes() const {
  return static_cast<size_t>(sqlite3_memory_highwater(0));
}
void SqlitePaymentsWork::ResetPeak() { sqlite3_memory_highwater(1); }

}  // namespace lumi::bench
