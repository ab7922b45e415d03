// A join whose small side keeps few keys reads the large side only where the
// large side's tag finds those keys. The rows must be exactly those, in the
// same order, that reading the large side whole gives: checked against a copy
// of the same table without an index.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/query.h"
#include "engine/sql/executor.h"

namespace lumi {
namespace {

class JoinThroughTag : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ =
        (std::filesystem::temp_directory_path() / ("lumi_join_tag_" + std::to_string(getpid())))
            .string();
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    session_.SetBaseFolder(folder_);
    for (const char* t : {"Big", "Plain"}) {
      Run(std::string("CREATE TABLE \"") + t +
          ".dbf\" (K DECIMAL(6,0), T CHAR(6), D DATE, V DECIMAL(6,0))");
      // 3000 rows: keys 0..499 six times over, every 7th key blank, texts
      // with their own repeats, and the last rows' dates.
      std::string values;
      for (int i = 0; i < 3000; ++i) {
        int k = (i * 37) % 500;
        std::string key = k % 7 == 3 ? "NULL" : std::to_string(k);
        std::string text = "\"T" + std::to_string(k % 40) + "\"";
        std::string date = "\"" + std::to_string(1 + i % 28) + ".11.2026\"";
        if (!values.empty()) values += ", ";
        values += "(" + key + ", " + text + ", " + date + ", " + std::to_string(i) + ")";
      }
      Run(std::string("INSERT INTO \"") + t + ".dbf\" VALUES " + values);
      Run(std::string("DELETE FROM \"") + t + ".dbf\" WHERE V < 40 OR V = 2999");
    }
    for (const char* c : {"K", "T", "D"})
      Run(std::string("CREATE INDEX ") + c + " ON \"Big.dbf\" (" + c + ")");
    Run("CREATE TABLE \"Small.dbf\" (K DECIMAL(6,0), T CHAR(8), D DATE, N CHAR(3))");
    // Repeated keys, a zero (blank keys of the large side must not match
    // it), a NULL, keys only on deleted rows, keys nowhere, texts with
    // trailing blanks and texts longer than the large side's field.
    Run("INSERT INTO \"Small.dbf\" VALUES (0, \"T0\", \"01.11.2026\", \"a\"),"
        " (5, \"T5  \", \"02.11.2026\", \"b\"), (5, \"T5\", NULL, \"c\"),"
        " (NULL, NULL, \"03.11.2026\", \"d\"), (3, \"T3\", \"28.11.2026\", \"e\"),"
        " (499, \"T39\", \"15.11.2026\", \"f\"), (777, \"NIMIC\", \"01.01.2020\", \"g\"),"
        " (37, \"T37XXXXX\", \"16.11.2026\", \"h\"), (74, \"T2\", \"17.11.2026\", \"i\")");
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  void Run(const std::string& sql) { sql::ExecuteText(session_, sql); }

  // Every row of a SELECT, its fields joined by '|'.
  std::vector<std::string> Rows(const std::string& sql) {
    TQuery q(&session_);
    q.SQL().Add(sql);
    q.Open();
    std::vector<std::string> rows;
    for (q.First(); !q.Eof(); q.Next()) {
      std::string r;
      for (int f = 0; f < q.FieldCount(); ++f) r += q.Fields(f).AsString() + "|";
      rows.push_back(r);
    }
    return rows;
  }

  Session session_;
  std::string folder_;
};

TEST_F(JoinThroughTag, GivesTheRowsAndOrderOfAWholeRead) {
  const char* joins[] = {
      "SELECT B.V, S.N FROM \"{T}.dbf\" B, \"Small.dbf\" S WHERE B.K=S.K",
      "SELECT B.V, S.N FROM \"{T}.dbf\" B, \"Small.dbf\" S WHERE S.T=B.T",
      "SELECT B.V, S.N FROM \"{T}.dbf\" B, \"Small.dbf\" S WHERE B.D=S.D AND S.N<>\"e\"",
      "SELECT B.V, S.N FROM \"{T}.dbf\" B, \"Small.dbf\" S WHERE B.K=S.K AND B.V>1000",
      // A key of another kind never matches.
      "SELECT B.V FROM \"{T}.dbf\" B, \"Small.dbf\" S WHERE B.T=S.K",
      "SELECT S.N, SUM(B.V) AS TOT FROM \"{T}.dbf\" B, \"Small.dbf\" S WHERE B.K=S.K GROUP BY S.N",
  };
  for (std::string sql : joins) {
    auto with = [&](const std::string& table) {
      std::string s = sql;
      s.replace(s.find("{T}"), 3, table);
      return s;
    };
    std::vector<std::string> plain = Rows(with("Plain"));
    EXPECT_EQ(Rows(with("Big")), plain) << sql;
    if (sql.find("B.T=S.K") == std::string::npos) {
      EXPECT_FALSE(plain.empty()) << sql;
    }
  }
}

TEST_F(JoinThroughTag, InsertSelectWritesTheSameRows) {
  for (const char* t : {"Big", "Plain"}) {
    Run(std::string("CREATE TABLE \"Out") + t + ".dbf\" (V DECIMAL(6,0), N CHAR(3))");
    Run(std::string("INSERT INTO \"Out") + t + ".dbf\" SELECT B.V, S.N FROM \"" + t +
        ".dbf\" B, \"Small.dbf\" S WHERE B.K=S.K");
  }
  std::vector<std::string> plain = Rows("SELECT * FROM \"OutPlain.dbf\"");
  // Each key is on six rows: 0, 37, 74 and 499 lose one to the deletions, 5
  // is asked for twice, 3 is on blank rows only and 777 nowhere.
  EXPECT_EQ(plain.size(), 4u * 5 + 2 * 6);
  EXPECT_EQ(Rows("SELECT * FROM \"OutBig.dbf\""), plain);
}

}  // namespace
}  // namespace lumi
