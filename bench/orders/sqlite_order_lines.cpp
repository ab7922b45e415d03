#include "bench/orders/sqlite_order_lines.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "bench/sql/data_generator.h"

namespace lumi::bench {

namespace {

// Change it when the database's contents change, so that old ones are remade.
constexpr const char* kMarker = "bench_order_lines sqlite 1";

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
    throw std::runtime_error("sqlite: " + msg + " in " + sql);
  }
}

void Load(sqlite3* db, const std::string& table, const std::vector<std::vector<dbf::Value>>& rows) {
  if (rows.empty()) return;
  std::string sql = "INSERT INTO " + table + " VALUES (";
  for (size_t i = 0; i < rows[0].size(); ++i) sql += i ? ",?" : "?";
  sql += ")";
  sqlite3_stmt* st = nullptr;
  Check(sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr), db, sql);
  char date[16];
  for (const auto& row : rows) {
    for (size_t i = 0; i < row.size(); ++i) {
      const dbf::Value& v = row[i];
      const int k = static_cast<int>(i) + 1;
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
    Check(sqlite3_step(st), db, sql);
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
}

}  // namespace

std::string PrepareLinesDatabase(const std::string& dir, int lines) {
  const std::string folder = dir + "/sqlite";
  const std::string path = folder + "/lines.sqlite";
  const std::string marker = folder + "/ready";
  {
    std::ifstream in(marker);
    std::string line;
    if (in && std::getline(in, line) && line == kMarker && std::filesystem::exists(path)) {
      return path;
    }
  }
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  const Dataset d = Generate(lines);
  sqlite3* db = nullptr;
  if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) throw std::runtime_error("sqlite open");
  try {
    ExecOn(db, "PRAGMA journal_mode=DELETE");
    ExecOn(db,
           "CREATE TABLE Magazie (CODMAG NUMERIC, DATAIN TEXT, FURNIZOR TEXT, DENUMIRE TEXT, "
           "UM TEXT, CANTIN REAL, LATIME REAL, PRET REAL, STOC REAL, IESIT REAL, TIP INTEGER)");
    ExecOn(db,
           "CREATE TABLE CapCom (CODCAP NUMERIC, DATA TEXT, TERMEN TEXT, PREDAT TEXT, "
           "CODCLI NUMERIC, COST REAL, REST REAL)");
    ExecOn(db,
           "CREATE TABLE Comenzi (CODCAP NUMERIC, CODCOM NUMERIC, CODMAG NUMERIC, DENUMIRE TEXT, "
           "UM TEXT, CANT REAL, PRET REAL, TOTAL REAL, EXECUTAT TEXT, LUNG REAL, LAT REAL, "
           "TITLU TEXT, BUC REAL)");
    ExecOn(db,
           "CREATE TABLE Clienti (CODCLI NUMERIC, NUME TEXT, ADRESA TEXT, TEL TEXT, CF TEXT, "
           "OBS TEXT)");
    ExecOn(db, "BEGIN");
    Load(db, "Magazie", d.magazie);
    Load(db, "CapCom", d.capcom);
    Load(db, "Comenzi", d.comenzi);
    Load(db, "Clienti", d.clienti);
    ExecOn(db, "COMMIT");
    // Exactly our tables' tags: nothing these statements would want besides.
    for (const char* ix : {"Magazie(CODMAG)", "Magazie(DENUMIRE)", "Magazie(TIP)", "CapCom(CODCAP)",
                           "CapCom(CODCLI)", "Comenzi(CODCAP)", "Comenzi(CODCOM)", "Comenzi(TITLU)",
                           "Clienti(CODCLI)"}) {
      std::string name = ix;
      for (char& ch : name) {
        if (ch == '(' || ch == ')') ch = '_';
      }
      ExecOn(db, "CREATE INDEX " + name + " ON " + ix);
    }
    ExecOn(db, "ANALYZE");
  } catch (...) {
    sqlite3_close(db);
    throw;
  }
  sqlite3_close(db);
  // On the disk before anything is timed, so that its write-back does not
  // run under the first actions.
  ::sync();
  std::ofstream(marker) << kMarker << "\n";
  return path;
}

SqliteOrderLines::SqliteOrderLines(const std::string& path) {
  if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) throw std::runtime_error("sqlite open");
  Exec("PRAGMA synchronous=FULL");
  Exec("PRAGMA journal_mode=DELETE");
}

SqliteOrderLines::~SqliteOrderLines() { sqlite3_close(db_); }

void SqliteOrderLines::Exec(const std::string& sql) { ExecOn(db_, sql); }

int64_t SqliteOrderLines::Lines() {
  std::vector<double> v;
  Query("SELECT COUNT(*) FROM Comenzi", &v);
  return v.empty() ? 0 : static_cast<int64_t>(v[0]);
}

int SqliteOrderLines::Query(const std::string& sql, std::vector<double>* numbers,
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

SqliteOrderLines::Target SqliteOrderLines::Choose(double min_stock) {
  Target t;
  std::vector<std::pair<double, double>> orders;
  {
    sqlite3_stmt* st = nullptr;
    const char* sql = "SELECT CODCAP, CODCLI FROM CapCom WHERE PREDAT<>'DA' ORDER BY CODCAP";
    Check(sqlite3_prepare_v2(db_, sql, -1, &st, nullptr), db_, sql);
    while (sqlite3_step(st) == SQLITE_ROW) {
      orders.emplace_back(sqlite3_column_double(st, 0), sqlite3_column_double(st, 1));
    }
    sqlite3_finalize(st);
  }
  // From the middle on, the first order its client has another in progress
  // before: the window's list then opens on that other one, and the refresh
  // after a change reads the lines of both, as for most orders.
  for (size_t k = orders.size() / 2; k < orders.size() && t.codcap < 0; ++k) {
    std::vector<double> before;
    Query("SELECT COUNT(*) FROM CapCom WHERE CODCLI=" + Num(orders[k].second) +
              " AND PREDAT<>'DA' AND CODCAP<" + Num(orders[k].first),
          &before);
    if (!before.empty() && before[0] > 0) {
      t.codcap = orders[k].first;
      t.codcli = orders[k].second;
    }
  }
  if (t.codcap < 0) return t;
  std::vector<std::string> work;
  Query("SELECT TITLU FROM Comenzi WHERE CODCAP=" + Num(t.codcap) +
            " AND DENUMIRE IS NULL ORDER BY TITLU",
        nullptr, &work);
  if (!work.empty()) t.work = work[0];
  std::vector<double> codes;
  {
    sqlite3_stmt* st = nullptr;
    const std::string sql =
        "SELECT CODMAG FROM Magazie WHERE TIP=0 AND UM='MP' AND STOC>=" + Num(min_stock) +
        " ORDER BY CODMAG";
    Check(sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr), db_, sql);
    while (sqlite3_step(st) == SQLITE_ROW) codes.push_back(sqlite3_column_double(st, 0));
    sqlite3_finalize(st);
  }
  if (codes.empty()) return t;
  std::vector<double> n;
  std::vector<std::string> s;
  Query("SELECT CODMAG, DENUMIRE, UM, PRET, STOC FROM Magazie WHERE CODMAG=" +
            Num(codes[codes.size() / 2]),
        &n, &s);
  t.codmag = n[0];
  t.item = s[1];
  t.um = s[2];
  t.price = n[3];
  t.stock = n[4];
  return t;
}

void SqliteOrderLines::AddToWork(const std::string& codcap, const std::string& work,
                                 const std::string& amount) {
  std::vector<double> heading;
  Query("SELECT CODCOM FROM Comenzi WHERE (DENUMIRE IS NULL) AND (TITLU=" + Quoted(work) +
            ") AND (CODCAP=" + codcap + ")",
        &heading);
  if (heading.empty()) return;
  Exec("UPDATE Comenzi SET TOTAL=TOTAL+" + amount + " WHERE CODCOM=" + Num(heading[0]));
}

void SqliteOrderLines::Refresh(const Target& t) {
  const std::string client = Num(t.codcli);
  Query("SELECT * FROM CapCom WHERE CODCLI=" + client + " AND PREDAT<>'DA'");
  Query("SELECT * FROM Comenzi WHERE CODCAP=" + Num(t.codcap) + " ORDER BY TITLU, DENUMIRE");
  Query("SELECT SUM(COST), SUM(REST) FROM CapCom WHERE CODCLI=" + client + " AND PREDAT<>'DA'");
}

void SqliteOrderLines::Save(const Target& t, const Line& l) {
  const std::string o = Num(t.codcap), m = Num(t.codmag), work = Quoted(t.work);
  Exec("BEGIN");
  // The checks before the change: the order's totals and the work's.
  Query("SELECT COST, REST FROM CapCom WHERE CODCAP=" + o);
  Query("SELECT TOTAL FROM Comenzi WHERE (CODCAP=" + o +
        ") AND (DENUMIRE IS NULL) AND (TITLU=" + work + ")");
  Exec(
      "INSERT INTO Comenzi "
      "(CODCAP,CODCOM,DENUMIRE,CODMAG,UM,TITLU,CANT,PRET,EXECUTAT,TOTAL,LUNG,LAT,BUC) VALUES (" +
      o + "," + Num(l.codcom) + "," + Quoted(t.item) + "," + m + "," + Quoted(t.um) + "," + work +
      "," + l.quantity + "," + l.price + ",'NU'," + l.total + "," + l.length + "," + l.width + "," +
      std::to_string(l.pieces) + ")");
  Exec("UPDATE Magazie SET STOC=STOC-" + l.taken + ", IESIT=IESIT+" + l.taken +
       " WHERE CODMAG=" + m);
  Exec("UPDATE CapCom SET COST=COST+" + l.total + ", REST=REST+" + l.total + " WHERE CODCAP=" + o);
  AddToWork(o, t.work, l.total);
  Refresh(t);
  Exec("COMMIT");
}

void SqliteOrderLines::Remove(const Target& t, double codcom) {
  const std::string c = Num(codcom);
  Exec("BEGIN");
  std::vector<double> line;
  std::vector<std::string> text;
  Query("SELECT * FROM Comenzi WHERE CODCOM=" + c, &line, &text);
  if (line.empty() || text[3].empty()) {
    Exec("COMMIT");
    return;
  }
  const std::string o = Num(line[0]), m = Num(line[2]), work = text[11];
  char total[32], taken[32];
  std::snprintf(total, sizeof total, "%.2f", line[7]);
  std::snprintf(taken, sizeof taken, "%.3f", line[5] * line[12]);
  std::vector<double> item;
  Query("SELECT * FROM Magazie WHERE CODMAG=" + m, &item);
  const std::string back = std::string("(-") + total + ")";
  Exec("DELETE FROM Comenzi WHERE CODCOM=" + c);
  AddToWork(o, work, back);
  Exec("UPDATE CapCom SET COST=COST+" + back + ", REST=REST+" + back + " WHERE CODCAP=" + o);
  if (!item.empty() && std::lround(item[10]) == 0) {
    const std::string q = std::string("(-") + taken + ")";
    Exec("UPDATE Magazie SET STOC=STOC-" + q + ", IESIT=IESIT+" + q + " WHERE CODMAG=" + m);
  }
  Refresh(t);
  Exec("COMMIT");
}

SqliteOrderLines::State SqliteOrderLines::StateOf(const Target& t) {
  State s;
  const std::string o = Num(t.codcap);
  s.lines = Query("SELECT * FROM Comenzi WHERE CODCAP=" + o);
  std::vector<double> v;
  Query("SELECT COST, REST FROM CapCom WHERE CODCAP=" + o, &v);
  if (v.size() == 2) {
    s.cost = v[0];
    s.rest = v[1];
  }
  v.clear();
  Query("SELECT TOTAL FROM Comenzi WHERE (CODCAP=" + o +
            ") AND (DENUMIRE IS NULL) AND (TITLU=" + Quoted(t.work) + ")",
        &v);
  if (!v.empty()) s.work_total = v[0];
  v.clear();
  Query("SELECT STOC FROM Magazie WHERE CODMAG=" + Num(t.codmag), &v);
  if (!v.empty()) s.stock = v[0];
  return s;
}

double SqliteOrderLines::HighestLineCode() {
  std::vector<double> v;
  Query("SELECT MAX(CODCOM) FROM Comenzi", &v);
  return v.empty() ? 0 : v[0];
}

size_t SqliteOrderLines::PeakBytes() const {
  return static_cast<size_t>(sqlite3_memory_highwater(0));
}
void SqliteOrderLines::ResetPeak() { sqlite3_memory_highwater(1); }

}  // namespace lumi::bench
