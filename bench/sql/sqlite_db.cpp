#include "bench/sql/sqlite_db.h"

#include <stdexcept>

namespace lumi::bench {

namespace {
// The statements that fill a table run to hundreds of KB.
std::string Shown(const std::string& sql) { return sql.substr(0, 200); }
}  // namespace

SqliteDb::SqliteDb(const std::string& path) {
  if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) {
    sqlite3_close(db_);
    throw std::runtime_error("sqlite open " + path);
  }
  Exec("PRAGMA synchronous=FULL");
  Exec("PRAGMA journal_mode=DELETE");
}

SqliteDb::~SqliteDb() { sqlite3_close(db_); }

void SqliteDb::Exec(const std::string& sql) {
  char* err = nullptr;
  if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
    std::string msg = err ? err : "?";
    sqlite3_free(err);
    throw std::runtime_error("sqlite: " + msg + " in " + Shown(sql));
  }
}

void SqliteDb::Check(int rc, const std::string& sql) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
    throw std::runtime_error("sqlite: " + std::string(sqlite3_errmsg(db_)) + " in " + Shown(sql));
  }
}

sqlite3_stmt* SqliteDb::Prepare(const std::string& sql) {
  sqlite3_stmt* st = nullptr;
  Check(sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr), sql);
  return st;
}

int SqliteDb::Query(const std::string& sql, std::vector<double>* numbers,
                    std::vector<std::string>* texts) {
  sqlite3_stmt* st = Prepare(sql);
  int rows = 0;
  int rc = 0;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    ReadRow(st);
    if (rows++ == 0 && (numbers || texts)) {
      for (int i = 0; i < sqlite3_column_count(st); ++i) {
        if (numbers) numbers->push_back(sqlite3_column_double(st, i));
        if (texts) {
          const unsigned char* t = sqlite3_column_text(st, i);
          texts->push_back(t ? reinterpret_cast<const char*>(t) : "");
        }
      }
    }
  }
  sqlite3_finalize(st);
  Check(rc, sql);
  return rows;
}

void SqliteDb::EachRow(const std::string& sql, const std::function<void(sqlite3_stmt*)>& row) {
  sqlite3_stmt* st = Prepare(sql);
  int rc = 0;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) row(st);
  sqlite3_finalize(st);
  Check(rc, sql);
}

std::vector<double> SqliteDb::FirstColumn(const std::string& sql) {
  std::vector<double> v;
  EachRow(sql, [&](sqlite3_stmt* st) { v.push_back(sqlite3_column_double(st, 0)); });
  return v;
}

size_t SqliteDb::PeakBytes() { return static_cast<size_t>(sqlite3_memory_highwater(0)); }
void SqliteDb::ResetPeak() { sqlite3_memory_highwater(1); }

}  // namespace lumi::bench
