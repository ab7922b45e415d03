#include "bench/orders/sqlite_order_lines.h"

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "bench/orders/orders_data.h"
#include "bench/orders/sql_literals.h"
#include "bench/sql/data_generator.h"
#include "bench/sql/sqlite_tables.h"

namespace lumi::bench {

namespace {
// Change it when the database's contents change, so that old ones are remade.
constexpr const char* kMarker = "bench_order_lines sqlite 1";
}  // namespace

std::string PrepareLinesDatabase(const std::string& dir, int lines) {
  const std::string folder = dir + "/sqlite";
  const std::string path = folder + "/lines.sqlite";
  if (MarkedReady(folder, kMarker) && std::filesystem::exists(path)) return path;
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  {
    const Dataset d = Generate(lines);
    SqliteDb db(path);
    LoadTables(db, d, {"Magazie", "CapCom", "Comenzi", "Clienti"});
    // Exactly our tables' tags: nothing these statements would want besides.
    CreateIndexes(db, {"Magazie(CODMAG)", "Magazie(DENUMIRE)", "Magazie(TIP)", "CapCom(CODCAP)",
                       "CapCom(CODCLI)", "Comenzi(CODCAP)", "Comenzi(CODCOM)", "Comenzi(TITLU)",
                       "Clienti(CODCLI)"});
    db.Exec("ANALYZE");
  }
  MarkReady(folder, kMarker);
  return path;
}

int64_t SqliteOrderLines::Lines() {
  std::vector<double> v;
  db_.Query("SELECT COUNT(*) FROM Comenzi", &v);
  return v.empty() ? 0 : static_cast<int64_t>(v[0]);
}

SqliteOrderLines::Target SqliteOrderLines::Choose(double min_stock) {
  Target t;
  std::vector<std::pair<double, double>> orders;
  db_.EachRow("SELECT CODCAP, CODCLI FROM CapCom WHERE PREDAT<>'DA' ORDER BY CODCAP",
              [&](sqlite3_stmt* st) {
                orders.emplace_back(sqlite3_column_double(st, 0), sqlite3_column_double(st, 1));
              });
  // From the middle on, the first order its client has another in progress
  // before: the window's list then opens on that other one, and the refresh
  // after a change reads the lines of both, as for most orders.
  for (size_t k = orders.size() / 2; k < orders.size() && t.codcap < 0; ++k) {
    std::vector<double> before;
    db_.Query("SELECT COUNT(*) FROM CapCom WHERE CODCLI=" + Num(orders[k].second) +
                  " AND PREDAT<>'DA' AND CODCAP<" + Num(orders[k].first),
              &before);
    if (!before.empty() && before[0] > 0) {
      t.codcap = orders[k].first;
      t.codcli = orders[k].second;
    }
  }
  if (t.codcap < 0) return t;
  std::vector<std::string> work;
  db_.Query("SELECT TITLU FROM Comenzi WHERE CODCAP=" + Num(t.codcap) +
                " AND DENUMIRE IS NULL ORDER BY TITLU",
            nullptr, &work);
  if (!work.empty()) t.work = work[0];
  const std::vector<double> codes = db_.FirstColumn(
      "SELECT CODMAG FROM Magazie WHERE TIP=0 AND UM='MP' AND STOC>=" + Num(min_stock) +
      " ORDER BY CODMAG");
  if (codes.empty()) return t;
  std::vector<double> n;
  std::vector<std::string> s;
  db_.Query("SELECT CODMAG, DENUMIRE, UM, PRET, STOC FROM Magazie WHERE CODMAG=" +
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
  db_.Query("SELECT CODCOM FROM Comenzi WHERE (DENUMIRE IS NULL) AND (TITLU=" + Quoted(work) +
                ") AND (CODCAP=" + codcap + ")",
            &heading);
  if (heading.empty()) return;
  db_.Exec("UPDATE Comenzi SET TOTAL=TOTAL+" + amount + " WHERE CODCOM=" + Num(heading[0]));
}

void SqliteOrderLines::Refresh(const Target& t) {
  const std::string client = Num(t.codcli);
  db_.Query("SELECT * FROM CapCom WHERE CODCLI=" + client + " AND PREDAT<>'DA'");
  db_.Query("SELECT * FROM Comenzi WHERE CODCAP=" + Num(t.codcap) + " ORDER BY TITLU, DENUMIRE");
  db_.Query("SELECT SUM(COST), SUM(REST) FROM CapCom WHERE CODCLI=" + client + " AND PREDAT<>'DA'");
}

void SqliteOrderLines::Save(const Target& t, const Line& l) {
  const std::string o = Num(t.codcap), m = Num(t.codmag), work = Quoted(t.work);
  db_.Exec("BEGIN");
  // The checks before the change: the order's totals and the work's.
  db_.Query("SELECT COST, REST FROM CapCom WHERE CODCAP=" + o);
  db_.Query("SELECT TOTAL FROM Comenzi WHERE (CODCAP=" + o +
            ") AND (DENUMIRE IS NULL) AND (TITLU=" + work + ")");
  db_.Exec(
      "INSERT INTO Comenzi "
      "(CODCAP,CODCOM,DENUMIRE,CODMAG,UM,TITLU,CANT,PRET,EXECUTAT,TOTAL,LUNG,LAT,BUC) VALUES (" +
      o + "," + Num(l.codcom) + "," + Quoted(t.item) + "," + m + "," + Quoted(t.um) + "," + work +
      "," + l.quantity + "," + l.price + ",'NU'," + l.total + "," + l.length + "," + l.width + "," +
      std::to_string(l.pieces) + ")");
  db_.Exec("UPDATE Magazie SET STOC=STOC-" + l.taken + ", IESIT=IESIT+" + l.taken +
           " WHERE CODMAG=" + m);
  db_.Exec("UPDATE CapCom SET COST=COST+" + l.total + ", REST=REST+" + l.total +
           " WHERE CODCAP=" + o);
  AddToWork(o, t.work, l.total);
  Refresh(t);
  db_.Exec("COMMIT");
}

void SqliteOrderLines::Remove(const Target& t, double codcom) {
  const std::string c = Num(codcom);
  db_.Exec("BEGIN");
  std::vector<double> line;
  std::vector<std::string> text;
  db_.Query("SELECT * FROM Comenzi WHERE CODCOM=" + c, &line, &text);
  if (line.empty() || text[3].empty()) {
    db_.Exec("COMMIT");
    return;
  }
  const std::string o = Num(line[0]), m = Num(line[2]), work = text[11];
  char total[32], taken[32];
  std::snprintf(total, sizeof total, "%.2f", line[7]);
  std::snprintf(taken, sizeof taken, "%.3f", line[5] * line[12]);
  std::vector<double> item;
  db_.Query("SELECT * FROM Magazie WHERE CODMAG=" + m, &item);
  const std::string back = std::string("(-") + total + ")";
  db_.Exec("DELETE FROM Comenzi WHERE CODCOM=" + c);
  AddToWork(o, work, back);
  db_.Exec("UPDATE CapCom SET COST=COST+" + back + ", REST=REST+" + back + " WHERE CODCAP=" + o);
  if (!item.empty() && std::lround(item[10]) == 0) {
    const std::string q = std::string("(-") + taken + ")";
    db_.Exec("UPDATE Magazie SET STOC=STOC-" + q + ", IESIT=IESIT+" + q + " WHERE CODMAG=" + m);
  }
  Refresh(t);
  db_.Exec("COMMIT");
}

SqliteOrderLines::State SqliteOrderLines::StateOf(const Target& t) {
  State s;
  const std::string o = Num(t.codcap);
  s.lines = db_.Query("SELECT * FROM Comenzi WHERE CODCAP=" + o);
  std::vector<double> v;
  db_.Query("SELECT COST, REST FROM CapCom WHERE CODCAP=" + o, &v);
  if (v.size() == 2) {
    s.cost = v[0];
    s.rest = v[1];
  }
  v.clear();
  db_.Query("SELECT TOTAL FROM Comenzi WHERE (CODCAP=" + o +
                ") AND (DENUMIRE IS NULL) AND (TITLU=" + Quoted(t.work) + ")",
            &v);
  if (!v.empty()) s.work_total = v[0];
  v.clear();
  db_.Query("SELECT STOC FROM Magazie WHERE CODMAG=" + Num(t.codmag), &v);
  if (!v.empty()) s.stock = v[0];
  return s;
}

double SqliteOrderLines::HighestLineCode() {
  std::vector<double> v;
  db_.Query("SELECT MAX(CODCOM) FROM Comenzi", &v);
  return v.empty() ? 0 : v[0];
}

}  // namespace lumi::bench
