// bench_startup [order lines ...]   (default: 10000 100000 1000000)
//
// For each size: a Data folder with that many order lines (Comenzi.dbf), a
// tenth as many orders and payments, a hundredth as many stock items and
// clients, one row in a hundred marked deleted. Then the start-up
// preparation of the program (missing tables, upgrade check, header bytes,
// pack, nine tags) is timed, and beside it SQLite with the same rows and
// synchronous=FULL: the deleted rows deleted, then VACUUM and the nine
// CREATE INDEX. Prints both times and the ratio ours / SQLite.
#include <sqlite3.h>

#include <QDir>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/dbf/journal.h"
#include "engine/dbf/table.h"
#include "engine/query.h"
#include "store/DataStore.h"
#include "store/Schema.h"

namespace {

using lumi::dbf::Date;
using lumi::dbf::Value;

struct Generated {
  std::vector<std::vector<Value>> rows;
};

const char* const kNames[] = {"Geam float 4mm",      "Oglinda argintata", "Sticla mata",
                              "Geam termopan",       "Vitraliu colorat",  "Manopera taiere",
                              "Silicon transparent", "Rama aluminiu"};

Value Text(const std::string& s) { return Value::Text(s); }
Value Num(double d) { return Value::Number(d); }
Value Day(std::mt19937& rng) {
  return Value::FromDate(Date{2020 + static_cast<int>(rng() % 6), 1 + static_cast<int>(rng() % 12),
                              1 + static_cast<int>(rng() % 28)});
}

std::vector<Value> Row(const QString& table, int i, std::mt19937& rng, int lines) {
  const int orders = std::max(1, lines / 10), items = std::max(1, lines / 100);
  const std::string name = kNames[rng() % 8];
  if (table == "Magazie.dbf")
    return {Num(i + 1),
            Day(rng),
            Text("Furnizor " + std::to_string(rng() % 50)),
            Text(name + " " + std::to_string(i)),
            Text("mp"),
            Num(100),
            Num(1.5),
            Num(12.5 + rng() % 100),
            Num(60),
            Num(40),
            Num(rng() % 3)};
  if (table == "CapCom.dbf")
    return {Num(i + 1),
            Day(rng),
            Day(rng),
            Text(rng() % 2 ? "DA" : "NU"),
            Num(1 + rng() % std::max(1, lines / 100)),
            Num(250.5),
            Num(100.25)};
  if (table == "Comenzi.dbf")
    return {Num(1 + rng() % orders),
            Num(i + 1),
            Num(1 + rng() % items),
            Text(name),
            Text("mp"),
            Num(2.5),
            Num(12.5),
            Num(31.25),
            Text("NU"),
            Num(1.25),
            Num(2),
            Text("Lucrarea " + std::to_string(rng() % 1000)),
            Num(1 + rng() % 5)};
  if (table == "Clienti.dbf")
    return {Num(i + 1),
            Text("Client " + std::to_string(i)),
            Text("Str. Lunga " + std::to_string(i)),
            Text("0722000000"),
            Text("RO123456"),
            Value()};
  return {Num(i + 1),
          Num(1 + rng() % orders),
          Num(1 + rng() % std::max(1, lines / 100)),
          Day(rng),
          Text("Chitanta " + std::to_string(i)),
          Num(50 + rng() % 500)};
}

int RowsOf(const QString& table, int lines) {
  if (table == "Comenzi.dbf") return lines;
  if (table == "CapCom.dbf" || table == "Plati.dbf") return std::max(1, lines / 10);
  return std::max(1, lines / 100);
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void Sql(sqlite3* db, const std::string& sql) {
  char* err = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
    std::fprintf(stderr, "sqlite: %s\n%s\n", err, sql.c_str());
    sqlite3_free(err);
    std::exit(1);
  }
}

// The SQLite column type of a CREATE TABLE line of ours.
std::string SqliteColumn(const QString& line) {
  QString l = line.trimmed();
  if (l.startsWith('(')) l = l.mid(1);
  l = l.section(' ', 0, 0);
  return l.toStdString();
}

void Bind(sqlite3_stmt* st, int i, const Value& v) {
  switch (v.kind()) {
    case lumi::dbf::ValueKind::kText:
      sqlite3_bind_text(st, i, v.text().c_str(), -1, SQLITE_TRANSIENT);
      break;
    case lumi::dbf::ValueKind::kNumber:
      sqlite3_bind_double(st, i, v.number());
      break;
    case lumi::dbf::ValueKind::kDate: {
      const Date d = v.date();
      sqlite3_bind_int(st, i, d.year * 10000 + d.month * 100 + d.day);
      break;
    }
    default:
      sqlite3_bind_null(st, i);
  }
}

void RunSize(int lines) {
  QTemporaryDir dir;
  const QString data = dir.filePath("Data");
  QDir().mkpath(data);
  lumi::TQuery sx;
  lumi::TTable sursa;
  // LUMI_BENCH_TRACE=1 prints the time of each step of the preparation.
  store::DataStore::Hooks hooks;
  auto last = std::make_shared<std::chrono::steady_clock::time_point>();
  auto timing = std::make_shared<bool>(false);
  auto previous = std::make_shared<std::string>();
  if (qEnvironmentVariableIsSet("LUMI_BENCH_TRACE"))
    hooks.processMessages = [&sx, &sursa, last, timing, previous] {
      if (!*timing) return;
      // The pack runs on the table object and leaves the query's text as it was.
      std::string step = sx.SQL().Count() ? sx.SQL()[0] : "";
      if (step.empty() || step == *previous)
        step = "pack " + sursa.TableName();
      else
        *previous = step;
      std::printf("    %8.3f s  %s\n", Seconds(*last), step.c_str());
      *last = std::chrono::steady_clock::now();
    };
  store::DataStore ds(sx, sursa, data, hooks);

  sqlite3* db = nullptr;
  sqlite3_open((dir.filePath("bench.sqlite")).toStdString().c_str(), &db);
  Sql(db, "PRAGMA synchronous=FULL");

  // The same rows in both; one in a hundred then deleted.
  for (const store::TableSchema& t : store::Tables()) {
    ds.CreazaTabela(t);
    std::mt19937 rng(42);
    const int n = RowsOf(t.file, lines);
    std::string create = "CREATE TABLE t_" + t.file.section('.', 0, 0).toStdString() + " (";
    std::string insert = "INSERT INTO t_" + t.file.section('.', 0, 0).toStdString() + " VALUES (";
    for (int c = 0; c < t.columns.size(); ++c) {
      create += (c ? ", " : "") + SqliteColumn(t.columns[c]);
      insert += c ? ",?" : "?";
    }
    Sql(db, create + ")");
    Sql(db, "BEGIN");
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, (insert + ")").c_str(), -1, &st, nullptr);
    lumi::dbf::Table table = lumi::dbf::Table::Open(store::CaleTabela(data, t.file).toStdString());
    for (int from = 0; from < n; from += 50000) {
      lumi::dbf::Journal j;
      for (int i = from; i < std::min(n, from + 50000); ++i) {
        const std::vector<Value> row = Row(t.file, i, rng, lines);
        const uint32_t recno = table.Append(row);
        if (i % 100 == 99) table.MarkDeleted(recno);
        for (size_t c = 0; c < row.size(); ++c) Bind(st, static_cast<int>(c + 1), row[c]);
        sqlite3_step(st);
        sqlite3_reset(st);
      }
      j.Commit();
    }
    sqlite3_finalize(st);
    Sql(db, "COMMIT");
    Sql(db, "DELETE FROM t_" + t.file.section('.', 0, 0).toStdString() + " WHERE rowid % 100 = 0");
  }

  auto start = std::chrono::steady_clock::now();
  *last = start;
  *timing = true;
  ds.Pregateste();
  *timing = false;
  const double ours = Seconds(start);

  start = std::chrono::steady_clock::now();
  Sql(db, "VACUUM");
  for (const store::TableSchema& t : store::Tables())
    for (const QString& c : t.indexColumns) {
      const std::string table = "t_" + t.file.section('.', 0, 0).toStdString();
      Sql(db, "CREATE INDEX " + table + "_" + c.toStdString() + " ON " + table + " (" +
                  c.toStdString() + ")");
    }
  const double theirs = Seconds(start);
  sqlite3_close(db);
  std::printf(
      "%9d lines  start-up preparation %8.3f s   SQLite VACUUM + CREATE INDEX %8.3f s   ratio "
      "%.2f\n",
      lines, ours, theirs, ours / theirs);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {10000, 100000, 1000000};
  for (int n : sizes) RunSize(n);
}
