// An SQLite file database as the benches drive it: synchronous=FULL and a
// rollback journal, every row of a result read column by column, as a
// window's list holds it.
#pragma once

#include <sqlite3.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace lumi::bench {

class SqliteDb {
 public:
  explicit SqliteDb(const std::string& path);
  ~SqliteDb();
  SqliteDb(const SqliteDb&) = delete;
  SqliteDb& operator=(const SqliteDb&) = delete;

  sqlite3* handle() { return db_; }

  // Each throws with SQLite's message and the statement.
  void Exec(const std::string& sql);
  sqlite3_stmt* Prepare(const std::string& sql);
  void Check(int rc, const std::string& sql);

  // Every column of the current row, read as a grid reads it.
  void ReadRow(sqlite3_stmt* st) {
    const int n = sqlite3_column_count(st);
    for (int i = 0; i < n; ++i) {
      if (sqlite3_column_type(st, i) == SQLITE_TEXT) {
        sink_ += sqlite3_column_bytes(st, i);
      } else {
        sink_ += sqlite3_column_double(st, i);
      }
    }
  }
  // Steps through a SELECT reading every row; returns the row count. The
  // first row's columns are kept as numbers and as text when asked for.
  int Query(const std::string& sql, std::vector<double>* numbers = nullptr,
            std::vector<std::string>* texts = nullptr);
  // `row` on each row, nothing else read.
  void EachRow(const std::string& sql, const std::function<void(sqlite3_stmt*)>& row);
  std::vector<double> FirstColumn(const std::string& sql);

  // Bytes SQLite's allocator held at its highest since the last reset.
  static size_t PeakBytes();
  static void ResetPeak();

 private:
  sqlite3* db_ = nullptr;
  double sink_ = 0;
};

}  // namespace lumi::bench
