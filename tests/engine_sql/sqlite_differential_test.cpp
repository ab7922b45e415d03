// Random small tables with NULLs, and random statements of the forms the
// program uses (joins in WHERE, grouping with SUM/COUNT/MIN/MAX, DISTINCT,
// IN sub-selects, AND/OR/NOT over NULL, UPDATE and DELETE), run on our
// engine and on SQLite; both must give the same rows.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>

#include "engine/query.h"
#include "engine/sql/executor.h"

namespace lumi {
namespace {

std::string Cell(const dbf::Value& v) {
  char buf[64];
  switch (v.kind()) {
    case dbf::ValueKind::kNull:
      return "NULL";
    case dbf::ValueKind::kNumber:
      std::snprintf(buf, sizeof buf, "%.6g", v.number());
      return buf;
    case dbf::ValueKind::kText:
      return v.text();
    case dbf::ValueKind::kLogical:
      return v.logical() ? "1" : "0";
    case dbf::ValueKind::kDate:
      return "date";
  }
  return "?";
}

class Differential : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = (std::filesystem::temp_directory_path() / ("lumi_diff_" + std::to_string(getpid())))
                  .string();
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    session_.SetBaseFolder(folder_);
    ASSERT_EQ(sqlite3_open(":memory:", &db_), SQLITE_OK);
    Lite("PRAGMA case_sensitive_like=ON");
  }
  void TearDown() override {
    sqlite3_close(db_);
    std::filesystem::remove_all(folder_);
  }

  void Lite(const std::string& sql) {
    char* err = nullptr;
    ASSERT_EQ(sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err), SQLITE_OK)
        << (err ? err : "") << "\n"
        << sql;
  }
  // Both engines; our paths are quoted file names, SQLite's plain names.
  void Both(const std::string& ours, const std::string& theirs) {
    sql::ExecuteText(session_, ours);
    Lite(theirs);
  }
  std::vector<std::string> OurRows(const std::string& sql) {
    auto r = sql::ExecuteText(session_, sql);
    std::vector<std::string> rows;
    for (size_t i = 0; i < r.rows->size(); ++i) {
      std::string line;
      for (size_t c = 0; c < r.rows->column_count(); ++c) line += Cell(r.rows->Get(i, c)) + "|";
      rows.push_back(line);
    }
    return rows;
  }
  std::vector<std::string> TheirRows(const std::string& sql) {
    sqlite3_stmt* st = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db_) << "\n"
        << sql;
    std::vector<std::string> rows;
    while (st && sqlite3_step(st) == SQLITE_ROW) {
      std::string line;
      for (int c = 0; c < sqlite3_column_count(st); ++c) {
        dbf::Value v;
        switch (sqlite3_column_type(st, c)) {
          case SQLITE_NULL:
            break;
          case SQLITE_TEXT:
            v = dbf::Value::Text(reinterpret_cast<const char*>(sqlite3_column_text(st, c)));
            break;
          default:
            v = dbf::Value::Number(sqlite3_column_double(st, c));
        }
        line += Cell(v) + "|";
      }
      rows.push_back(line);
    }
    sqlite3_finalize(st);
    return rows;
  }

  Session session_;
  std::string folder_;
  sqlite3* db_ = nullptr;
};

TEST_F(Differential, RandomStatementsGiveSqlitesRows) {
  std::mt19937 rng(4242);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  auto num = [&]() -> std::string {
    if (pick(6) == 0) return "NULL";
    char b[32];
    std::snprintf(b, sizeof b, "%.2f", (pick(201) - 100) * 0.25);
    return b;
  };
  auto key = [&]() -> std::string { return pick(7) == 0 ? "NULL" : std::to_string(pick(6)); };
  // Texts longer than 8 bytes that share their first 8: the sort compares
  // those in full.
  const char* const kTexts[] = {"a", "ab",       "b",         "ba",       "abc",
                                "B", "LUCRARE1", "LUCRARE10", "LUCRARE1A"};
  const int kTextCount = static_cast<int>(std::size(kTexts));
  auto text = [&]() -> std::string {
    return pick(6) == 0 ? "NULL" : std::string("'") + kTexts[pick(kTextCount)] + "'";
  };
  Both("CREATE TABLE \"A.dbf\" (K DECIMAL(4,0), N DECIMAL(8,2), S CHAR(12))",
       "CREATE TABLE A (K REAL, N REAL, S TEXT)");
  Both("CREATE TABLE \"B.dbf\" (K DECIMAL(4,0), V DECIMAL(8,2), T CHAR(12))",
       "CREATE TABLE B (K REAL, V REAL, T TEXT)");
  Both("CREATE TABLE \"C.dbf\" (K DECIMAL(4,0), W DECIMAL(8,2))",
       "CREATE TABLE C (K REAL, W REAL)");
  Both("CREATE INDEX K ON \"A.dbf\" (K)", "CREATE INDEX AK ON A (K)");
  for (int i = 0; i < 40; ++i) {
    std::string a = key() + ", " + num() + ", " + text();
    std::string b = key() + ", " + num() + ", " + text();
    Both("INSERT INTO \"A.dbf\" VALUES (" + a + ")", "INSERT INTO A VALUES (" + a + ")");
    if (i % 2) Both("INSERT INTO \"B.dbf\" VALUES (" + b + ")", "INSERT INTO B VALUES (" + b + ")");
    if (i % 3 == 0) {
      std::string c = key() + ", " + num();
      Both("INSERT INTO \"C.dbf\" VALUES (" + c + ")", "INSERT INTO C VALUES (" + c + ")");
    }
  }
  auto condition = [&](const std::string& t) {
    auto atom = [&]() -> std::string {
      static const char* const kOps[] = {"=", "<>", "<", "<=", ">", ">="};
      switch (pick(5)) {
        case 0:
          return t + "N " + kOps[pick(6)] + " " + num();
        case 1:
          return t + "K " + kOps[pick(6)] + " " + std::to_string(pick(6));
        case 2:
          return t + "S " + (pick(2) ? "LIKE '" : "NOT LIKE '") + kTexts[pick(kTextCount)] + "%'";
        case 3:
          return t + "S IS " + (pick(2) ? "" : "NOT ") + "NULL";
        default:
          return t + "N * 2 + " + t + "K > " + num();
      }
    };
    std::string c = "(" + atom() + ")";
    for (int n = pick(3); n > 0; --n) {
      c = (pick(3) == 0 ? "NOT " : "") + c + (pick(2) ? " AND " : " OR ") + "(" + atom() + ")";
    }
    return c;
  };
  auto ours_path = [](std::string sql) {
    for (const char* t : {"A", "B", "C"}) {
      std::string from = std::string(" ") + t + " " + t;
      for (size_t p = sql.find(from); p != std::string::npos; p = sql.find(from, p + 1)) {
        sql.replace(p, from.size(), std::string(" \"") + t + ".dbf\" " + t);
      }
    }
    return sql;
  };
  for (int q = 0; q < 250; ++q) {
    std::string sql;
    bool ordered = false;
    switch (pick(11)) {
      case 0:
        sql = "SELECT A.K, A.N, S FROM A A WHERE " + condition("A.");
        break;
      case 1:
        sql = "SELECT A.K, N, V, T FROM A A, B B WHERE A.K=B.K AND " + condition("A.");
        break;
      case 2:
        sql =
            "SELECT K, SUM(N) AS SN, COUNT(*) AS C, COUNT(S) AS CS, MIN(S) AS LO, MAX(N) AS HI "
            "FROM A A WHERE " +
            condition("A.") + " GROUP BY K";
        break;
      case 3:
        sql = "SELECT DISTINCT S FROM A A WHERE " + condition("A.");
        break;
      case 4:
        sql = std::string("SELECT K, N FROM A A WHERE K ") + (pick(2) ? "NOT " : "") +
              "IN (SELECT K FROM B B WHERE V > " + num() + ")";
        break;
      case 5:
        sql =
            "SELECT A.K, V, W FROM A A, B B, C C WHERE A.K=B.K AND C.K=B.K AND " + condition("A.");
        break;
      case 6:
        sql = "SELECT K, N, S FROM A A WHERE " + condition("A.") + " ORDER BY S, N DESC, K";
        ordered = true;
        break;
      case 7:
        sql = "SELECT K, (SELECT MAX(V) FROM B B WHERE B.K=A.K) AS M FROM A A WHERE " +
              condition("A.");
        break;
      case 8:
        sql =
            "SELECT K, COUNT(*) AS C, SUM(N) AS S FROM A A GROUP BY K HAVING COUNT(*) > 1 "
            "ORDER BY C, K";
        ordered = true;
        break;
      case 9:
        sql = "SELECT K FROM A A WHERE K >= " + std::to_string(pick(6)) + " AND " +
              condition("A.") + " ORDER BY K";
        ordered = true;
        break;
      default:
        sql = "SELECT SUM(N * K) AS X, COUNT(*) AS C FROM A A WHERE " + condition("A.");
    }
    auto mine = OurRows(ours_path(sql));
    auto theirs = TheirRows(sql);
    if (!ordered) {
      std::sort(mine.begin(), mine.end());
      std::sort(theirs.begin(), theirs.end());
    }
    ASSERT_EQ(mine, theirs) << sql;
    // Now and then a change, and the tables compared whole.
    if (q % 25 == 24) {
      std::string change = pick(2) ? "UPDATE A A SET N = N + 1.5, S = 'ab' WHERE " + condition("A.")
                                   : "DELETE FROM A A WHERE " + condition("A.");
      std::string theirs_change = change;
      theirs_change.replace(theirs_change.find("A A"), 3, "A");
      for (size_t p = theirs_change.find("A."); p != std::string::npos;
           p = theirs_change.find("A.", p)) {
        theirs_change.erase(p, 2);
      }
      sql::ExecuteText(session_, ours_path(change));
      Lite(theirs_change);
      auto a = OurRows("SELECT * FROM \"A.dbf\"");
      auto b = TheirRows("SELECT * FROM A");
      std::sort(a.begin(), a.end());
      std::sort(b.begin(), b.end());
      ASSERT_EQ(a, b) << change;
    }
  }
}

}  // namespace
}  // namespace lumi
