// BEGIN ... COMMIT over three tables, killed at random points: after every
// crash the next opening finds all of the group or none of it.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

#include "engine/query.h"
#include "engine/sql/executor.h"

namespace lumi {
namespace {

double Number(Session& s, const std::string& sql) {
  auto r = sql::ExecuteText(s, sql);
  dbf::Value v = r.rows->Get(0, 0);
  return v.is_null() ? 0 : v.number();
}

// Runs groups until killed: each moves A and B on by one and adds a row to C.
[[noreturn]] void Writer(const std::string& folder) {
  Session s;
  s.SetBaseFolder(folder);
  for (int i = 0;; ++i) {
    sql::ExecuteText(s, "BEGIN");
    sql::ExecuteText(s, "UPDATE \"A.dbf\" SET N=N+1");
    sql::ExecuteText(s, "UPDATE \"B.dbf\" SET N=N+1 WHERE K=1");
    sql::ExecuteText(s, "INSERT INTO \"C.dbf\" (K, T) VALUES (" + std::to_string(i) + ", \"rand " +
                            std::to_string(i) + "\")");
    sql::ExecuteText(s, "COMMIT");
  }
}

TEST(TransactionCrash, EveryKillLeavesAllOrNoneOfTheGroup) {
  std::string folder =
      (std::filesystem::temp_directory_path() / ("lumi_crash_" + std::to_string(getpid())))
          .string();
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  {
    Session s;
    s.SetBaseFolder(folder);
    sql::ExecuteText(s, "CREATE TABLE \"A.dbf\" (K DECIMAL(4,0), N DECIMAL(8,0))");
    sql::ExecuteText(s, "CREATE TABLE \"B.dbf\" (K DECIMAL(4,0), N DECIMAL(8,0))");
    sql::ExecuteText(s, "CREATE TABLE \"C.dbf\" (K DECIMAL(8,0), T CHAR(20))");
    sql::ExecuteText(s, "CREATE INDEX K ON \"C.dbf\" (K)");
    sql::ExecuteText(s, "INSERT INTO \"A.dbf\" VALUES (1, 0)");
    sql::ExecuteText(s, "INSERT INTO \"B.dbf\" VALUES (1, 0), (2, 0)");
  }
  std::mt19937 rng(12345);
  int committed_runs = 0;
  for (int run = 0; run < 12; ++run) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      try {
        Writer(folder);
      } catch (...) {
        _exit(3);
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20 + rng() % 200));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself, status " << status;
    Session s;
    s.SetBaseFolder(folder);
    double a = Number(s, "SELECT N FROM \"A.dbf\"");
    double b = Number(s, "SELECT N FROM \"B.dbf\" WHERE K=1");
    double c = Number(s, "SELECT COUNT(*) AS N FROM \"C.dbf\"");
    double keyed = Number(s, "SELECT COUNT(*) AS N FROM \"C.dbf\" WHERE K>=0");
    EXPECT_EQ(a, b) << "run " << run;
    EXPECT_EQ(a, c) << "run " << run;
    EXPECT_EQ(c, keyed) << "run " << run << ": the index disagrees with the table";
    EXPECT_EQ(Number(s, "SELECT N FROM \"B.dbf\" WHERE K=2"), 0);
    if (a > 0) ++committed_runs;
  }
  EXPECT_GT(committed_runs, 0) << "no group was ever committed: the test proves nothing";
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace lumi
