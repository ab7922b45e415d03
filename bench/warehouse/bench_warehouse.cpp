// Opening the warehouse on 10 000 and 100 000 stock items: the list's
// statement, its record filter, the stock total, the first screen of the
// grid, and a search letter typed; each beside SQLite answering the same
// questions on the same rows (file database, synchronous=FULL, the same
// indexes), with every listed row read as our list holds them.
//
// Usage: bench_warehouse [items...]   (default: 10000 100000)
#include <sqlite3.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/dbf/journal.h"
#include "engine/dbf/table.h"
#include "engine/query.h"
#include "shell/Forms.h"
#include "shell/Globals.h"
#include "store/DbGrid.h"
#include "warehouse/Magazie.h"
#include "warehouse/MatIN.h"

namespace {

using lumi::dbf::FieldDef;
using lumi::dbf::Value;

struct Row {
  int cod;
  int day, month, year;
  std::string furnizor, denumire, um;
  double cantin, latime, pret, stoc, iesit;
  int tip;
};

// Deterministic stock: 70 % goods (a fifth sold out), 20 % auxiliary
// materials, 10 % labour.
std::vector<Row> Generate(int count) {
  const char* const goods[] = {"GEAM FLOAT", "OGLINDA",        "STICLA MATA",     "GEAM TERMOPAN",
                               "VITRALIU",   "GEAM SECURIZAT", "PROFIL ALUMINIU", "BAGHETA"};
  const char* const aux[] = {"SILICON", "CHIT", "BANDA ADEZIVA", "GARNITURA"};
  const char* const labour[] = {"MONTAJ", "TAIERE", "SLEFUIRE", "TRANSPORT"};
  const char* const suppliers[] = {"SC ALFA SRL", "SC GLASS PROD SA", "BETA COM", "SC VITRO SRL"};
  std::mt19937 rng(42);
  std::vector<Row> rows;
  rows.reserve(count);
  for (int i = 1; i <= count; ++i) {
    Row r{};
    r.cod = i;
    r.day = 1 + static_cast<int>(rng() % 28);
    r.month = 1 + static_cast<int>(rng() % 12);
    r.year = 2020 + static_cast<int>(rng() % 6);
    const unsigned kind = rng() % 10;
    r.tip = kind < 7 ? 0 : kind < 9 ? 1 : 2;
    const std::string n = " " + std::to_string(i);
    if (r.tip == 0) {
      r.denumire = goods[rng() % 8] + std::string(" ") + std::to_string(3 + rng() % 8) + "MM" + n;
      r.furnizor = suppliers[rng() % 4];
      r.um = "MP";
      r.cantin = 1 + rng() % 500;
      r.latime = (rng() % 3000) / 1000.0;
      r.pret = (100 + rng() % 20000) / 100.0;
      r.iesit = rng() % 5 == 0 ? r.cantin : static_cast<double>(rng() % static_cast<int>(r.cantin));
      r.stoc = r.cantin - r.iesit;
    } else {
      r.denumire = (r.tip == 1 ? aux[rng() % 4] : labour[rng() % 4]) + n;
      r.cantin = 1;
      r.stoc = rng() % 10 == 0 ? 0 : 1;
      r.pret = (100 + rng() % 50000) / 100.0;
    }
    rows.push_back(r);
  }
  return rows;
}

void WriteDbf(const std::vector<Row>& rows, const std::string& path) {
  lumi::dbf::Journal j;
  lumi::dbf::Table t = lumi::dbf::Table::Create(
      path,
      {FieldDef::Numeric("CODMAG", 10, 0), FieldDef::DateField("DATAIN"),
       FieldDef::Char("FURNIZOR", 40), FieldDef::Char("DENUMIRE", 40), FieldDef::Char("UM", 3),
       FieldDef::Numeric("CANTIN", 8, 3), FieldDef::Numeric("LATIME", 6, 3),
       FieldDef::Numeric("PRET", 8, 2), FieldDef::Numeric("STOC", 8, 3),
       FieldDef::Numeric("IESIT", 8, 3), FieldDef::Numeric("TIP", 2, 0)});
  auto text = [](const std::string& s) { return s.empty() ? Value() : Value::Text(s); };
  for (const Row& r : rows) {
    t.Append({Value::Number(r.cod), Value::FromDate({r.year, r.month, r.day}), text(r.furnizor),
              text(r.denumire), text(r.um), Value::Number(r.cantin), Value::Number(r.latime),
              Value::Number(r.pret), Value::Number(r.stoc), Value::Number(r.iesit),
              Value::Number(r.tip)});
  }
  j.Commit();
  for (const char* tag : {"CODMAG", "DENUMIRE", "TIP"}) t.CreateTag(tag, tag);
}

class Sqlite {
 public:
  Sqlite(const std::vector<Row>& rows, const std::string& path) {
    QFile::remove(QString::fromStdString(path));
    if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) throw std::runtime_error("sqlite open");
    Exec("PRAGMA synchronous=FULL");
    Exec(
        "CREATE TABLE Magazie (CODMAG NUMERIC, DATAIN TEXT, FURNIZOR TEXT, DENUMIRE TEXT,"
        " UM TEXT, CANTIN REAL, LATIME REAL, PRET REAL, STOC REAL, IESIT REAL, TIP INTEGER)");
    Exec("BEGIN");
    sqlite3_stmt* ins = nullptr;
    sqlite3_prepare_v2(db_, "INSERT INTO Magazie VALUES (?,?,?,?,?,?,?,?,?,?,?)", -1, &ins,
                       nullptr);
    for (const Row& r : rows) {
      char date[16];
      std::snprintf(date, sizeof date, "%04d-%02d-%02d", r.year, r.month, r.day);
      sqlite3_bind_int(ins, 1, r.cod);
      sqlite3_bind_text(ins, 2, date, -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(ins, 3, r.furnizor.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(ins, 4, r.denumire.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(ins, 5, r.um.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_double(ins, 6, r.cantin);
      sqlite3_bind_double(ins, 7, r.latime);
      sqlite3_bind_double(ins, 8, r.pret);
      sqlite3_bind_double(ins, 9, r.stoc);
      sqlite3_bind_double(ins, 10, r.iesit);
      sqlite3_bind_int(ins, 11, r.tip);
      sqlite3_step(ins);
      sqlite3_reset(ins);
    }
    sqlite3_finalize(ins);
    Exec("COMMIT");
    Exec("CREATE INDEX Magazie_CODMAG ON Magazie(CODMAG)");
    Exec("CREATE INDEX Magazie_DENUMIRE ON Magazie(DENUMIRE)");
    Exec("CREATE INDEX Magazie_TIP ON Magazie(TIP)");
  }
  ~Sqlite() { sqlite3_close(db_); }

  void Exec(const std::string& sql) {
    char* err = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
      std::string m = err ? err : "?";
      sqlite3_free(err);
      throw std::runtime_error(m);
    }
  }
  // Runs a query and reads every column of every row, as a list that holds
  // its rows would; returns the row count.
  int ReadAll(const std::string& sql) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
      throw std::runtime_error(sqlite3_errmsg(db_));
    }
    int rows = 0;
    volatile double sink = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
      ++rows;
      for (int c = 0; c < sqlite3_column_count(st); ++c) {
        if (sqlite3_column_type(st, c) == SQLITE_TEXT) {
          sink = sink + static_cast<double>(sqlite3_column_bytes(st, c));
        } else {
          sink = sink + sqlite3_column_double(st, c);
        }
      }
    }
    sqlite3_finalize(st);
    return rows;
  }

 private:
  sqlite3* db_ = nullptr;
};

double Ms(const std::function<void()>& f) {
  QElapsedTimer t;
  t.start();
  f();
  return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

// Records which rows the view asked for.
class CountingModel : public QueryModel {
 public:
  CountingModel() : QueryModel(nullptr) {}
  QVariant data(const QModelIndex& index, int role) const override {
    if (role == Qt::DisplayRole) rows.insert(index.row());
    return QueryModel::data(index, role);
  }
  mutable std::set<int> rows;
};

void Line(const char* what, double ours, double theirs) {
  std::printf("  %-34s %9.1f ms   sqlite %9.1f ms   ratio %6.2f\n", what, ours, theirs,
              theirs > 0 ? ours / theirs : 0.0);
}

void Run(int items) {
  QTemporaryDir dir;
  CaleProgram = dir.path();
  CaleData = CaleProgram + "/Data";
  QDir().mkpath(CaleData);
  const std::vector<Row> rows = Generate(items);
  WriteDbf(rows, (CaleData + "/Magazie.dbf").toStdString());
  Sqlite lite(rows, (CaleProgram + "/shop.sqlite").toStdString());
  CreeazaFerestrele();
  TForm6* f = Form6();
  std::printf("== %d stock items\n", items);

  // The pieces of the opening, as the window runs them.
  const std::string table = "\"" + (CaleData + "\\Magazie.dbf").toStdString() + "\"";
  lumi::TQuery& m1 = f->M1;
  const double open = Ms([&] {
    m1.SQL().Clear();
    m1.SQL().Add("SELECT *");
    m1.SQL().Add("FROM " + table);
    m1.SQL().Add("ORDER BY CODMAG");
    m1.Open();
  });
  const double filter = Ms([&] {
    m1.SetFilter(f->Filtru6('\'').toStdString());
    m1.SetFiltered(true);
  });
  double total = Ms([&] { f->TotalMag(); });
  const int listed = m1.RecordCount();

  auto* model = new CountingModel;
  DbGrid grid(model, nullptr);
  grid.SetColumns(f->SMDBGrid1->Model()->Columns());
  grid.resize(1280, 760);
  const double screen = Ms([&] {
    grid.SetQuery(&m1);
    grid.show();
    (void)grid.grab();
  });
  const int read = static_cast<int>(model->rows.size());
  grid.SetQuery(nullptr);
  grid.hide();

  const std::string where = " WHERE (STOC>0) AND (TIP=0)";
  int sqliteListed = 0;
  const double sOpen = Ms(
      [&] { sqliteListed = lite.ReadAll("SELECT * FROM Magazie" + where + " ORDER BY CODMAG"); });
  const double sTotal =
      Ms([&] { lite.ReadAll("SELECT SUM(STOC*PRET) AS TOTAL FROM Magazie" + where); });
  Line("list: statement + filter", open + filter, sOpen);
  std::printf("  %-34s %9.1f ms   %9.1f ms\n", "  (statement, filter)", open, filter);
  Line("stock total", total, sTotal);
  std::printf("  %-34s %9.1f ms   rows read by the grid: %d of %d listed (sqlite lists %d)\n",
              "first screen of the grid", screen, read, listed, sqliteListed);

  // A letter typed in the search box: filter and total again.
  const double search = Ms([&] { f->Edit1->setText("GEAM"); });
  const double sSearch = Ms([&] {
    lite.ReadAll("SELECT * FROM Magazie" + where + " AND (DENUMIRE LIKE 'GEAM%') ORDER BY CODMAG");
    lite.ReadAll("SELECT SUM(STOC*PRET) AS TOTAL FROM Magazie" + where +
                 " AND (DENUMIRE LIKE 'GEAM%')");
  });
  Line("search letter (filter + total)", search, sSearch);
  f->Edit1->clear();

  // The entry dialog: its completion list opened, then one letter typed in
  // the name box (one lookup, case-insensitive prefix, in table order).
  TForm38* e = Form38();
  const double clear = Ms([&] { e->StergeFormular(); });
  e->ComboStop(false);
  const double lookup = Ms([&] { e->ComboBox2->setEditText("VITRALIU 9"); });
  const QString found = e->ComboBox2->itemText(0);
  const double miss = Ms([&] { e->ComboBox2->setEditText("VITRALIU 9X"); });
  std::printf("  %-34s %9.1f ms\n", "entry dialog cleared (list opened)", clear);
  std::printf("  %-34s %9.1f ms   (%s)\n", "completion found", lookup, qPrintable(found));
  std::printf("  %-34s %9.1f ms\n", "completion not found (full scan)", miss);
  e->ComboStop(true);
  e->Sx.Close();

  // The whole opening through the window, up to its first painted screen;
  // the first opening of the run also pays for the window's first layout.
  for (const char* which : {"ArataMagazie, first opening", "ArataMagazie, next opening"}) {
    double whole = 0;
    int shown = 0;
    QString totalLine;
    QElapsedTimer t;
    QTimer::singleShot(0, [&] {
      f->repaint();
      whole = static_cast<double>(t.nsecsElapsed()) / 1e6;
      shown = m1.RecordCount();
      totalLine = f->Label3->text();
      f->reject();
    });
    t.start();
    f->ArataMagazie();
    Line(which, whole, sOpen + sTotal);
    std::printf("  the window listed %d items, %s\n", shown, qPrintable(totalLine));
  }
  DistrugeFerestrele();
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
    const QString runtime = QDir::tempPath() + "/runtime-lumibench";
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", runtime.toUtf8());
  }
  QApplication app(argc, argv);
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {10000, 100000};
  for (int n : sizes) Run(n);
  return 0;
}
