// A child process changes two tables in transactions and is killed at a
// random moment, hundreds of times. After each kill the tables, reopened,
// must be exactly as before or as after the interrupted transaction, and
// every tag must verify.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <random>

#include "engine/dbf/journal.h"
#include "engine/dbf/journal_hooks.h"
#include "engine/dbf/table.h"
#include "tests/engine_dbf/test_dir.h"

namespace lumi::dbf {
namespace {

using testing::TestDir;

struct Row {
  bool deleted = false;
  std::vector<Value> values;
};
using Rows = std::vector<Row>;

struct Op {
  int table;  // 0: A, 1: B
  enum Kind { kAppend, kUpdate, kDelete, kPack } kind;
  uint32_t recno = 0;
  std::vector<Value> values;
};

// The operations of transaction `k` of run `run`, chosen from the model's sizes.
std::vector<Op> Transaction(int run, int k, const Rows& a, const Rows& b) {
  std::mt19937 rng(static_cast<uint32_t>(run * 7919 + k));
  std::vector<Op> ops;
  size_t na = a.size(), nb = b.size();
  int count = 1 + static_cast<int>(rng() % 6);
  for (int i = 0; i < count; ++i) {
    int table = static_cast<int>(rng() % 2);
    size_t n = table ? nb : na;
    uint32_t pick = n ? 1 + static_cast<uint32_t>(rng() % n) : 0;
    std::vector<Value> row = {
        Value::Text("nume " + std::to_string(rng() % 30)),
        Value::Number(static_cast<int>(rng() % 500) - 250),
        rng() % 5 ? Value::FromDate(Date::FromJulianDay(2460000 + rng() % 99)) : Value(),
        rng() % 2 ? Value::Text("notă " + std::string(rng() % 700, 'x') + "\r\nrând doi")
                  : Value()};
    if (table) row.resize(2);
    uint32_t r = static_cast<uint32_t>(rng() % 10);
    if (r < 4 || n == 0) {
      ops.push_back({table, Op::kAppend, 0, row});
      ++(table ? nb : na);
    } else if (r < 7) {
      ops.push_back({table, Op::kUpdate, pick, row});
    } else if (r < 9) {
      ops.push_back({table, Op::kDelete, pick, {}});
    } else {
      ops.push_back({table, Op::kPack, 0, {}});
      break;  // record numbers change; the next transaction picks anew
    }
  }
  return ops;
}

void ApplyToModel(const std::vector<Op>& ops, Rows* a, Rows* b) {
  for (auto& op : ops) {
    Rows& rows = op.table ? *b : *a;
    switch (op.kind) {
      case Op::kAppend:
        rows.push_back({false, op.values});
        break;
      case Op::kUpdate:
        rows[op.recno - 1].values = op.values;
        break;
      case Op::kDelete:
        rows[op.recno - 1].deleted = true;
        break;
      case Op::kPack:
        std::erase_if(rows, [](const Row& r) { return r.deleted; });
        break;
    }
  }
}

void ApplyToTables(const std::vector<Op>& ops, Table* a, Table* b) {
  for (auto& op : ops) {
    Table& t = op.table ? *b : *a;
    switch (op.kind) {
      case Op::kAppend:
        t.Append(op.values);
        break;
      case Op::kUpdate: {
        std::vector<std::pair<int, Value>> changes;
        for (size_t f = 0; f < op.values.size(); ++f)
          changes.emplace_back(static_cast<int>(f), op.values[f]);
        t.Update(op.recno, changes);
        break;
      }
      case Op::kDelete:
        t.MarkDeleted(op.recno);
        break;
      case Op::kPack:
        t.Pack();
        break;
    }
  }
}

bool Matches(const Table& t, const Rows& rows) {
  if (t.RecordCount() != rows.size()) return false;
  for (uint32_t r = 1; r <= rows.size(); ++r) {
    Record rec = t.Read(r);
    if (rec.deleted != rows[r - 1].deleted || rec.values != rows[r - 1].values) return false;
  }
  return true;
}

TEST(CrashTest, AKilledChangeLeavesEveryTableBeforeOrAfterIt) {
  TestDir dir;
  {
    Table a =
        Table::Create(dir / "A.dbf", {FieldDef::Char("NUME", 20), FieldDef::Numeric("N", 6, 0),
                                      FieldDef::DateField("ZI"), FieldDef::Memo("OBS")});
    a.CreateTag("NUME", "NUME");
    a.CreateTag("N", "N");
    a.CreateTag("ZI", "ZI");
    Table b =
        Table::Create(dir / "B.dbf", {FieldDef::Char("NUME", 20), FieldDef::Numeric("N", 6, 0)});
    b.CreateTag("N", "N");
  }
  Rows a_rows, b_rows;
  std::mt19937 rng(99);
  const int kRuns = 200;
  int interrupted_after = 0, hot_journals = 0;
  for (int run = 0; run < kRuns; ++run) {
    int progress[2];
    ASSERT_EQ(pipe(progress), 0);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      close(progress[0]);
      // Half the runs flush changes before the commit, as large ones do.
      if (run % 2) journal_hooks::SetSpillLimit(1);
      Table a = Table::Open(dir / "A.dbf");
      Table b = Table::Open(dir / "B.dbf");
      for (int k = 0;; ++k) {
        auto ops = Transaction(run, k, a_rows, b_rows);
        Journal j;
        ApplyToTables(ops, &a, &b);
        j.Commit();
        ApplyToModel(ops, &a_rows, &b_rows);
        if (write(progress[1], &k, sizeof k) != sizeof k) _exit(2);
      }
    }
    close(progress[1]);
    usleep(static_cast<useconds_t>(rng() % 60000));
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    int last = -1, k;
    while (read(progress[0], &k, sizeof k) == sizeof k) last = k;
    close(progress[0]);
    for (int i = 0; i <= last; ++i)
      ApplyToModel(Transaction(run, i, a_rows, b_rows), &a_rows, &b_rows);
    // The transaction in flight when the child died.
    Rows a_after = a_rows, b_after = b_rows;
    ApplyToModel(Transaction(run, last + 1, a_rows, b_rows), &a_after, &b_after);
    if (testing::LiveJournal(dir.path())) ++hot_journals;
    Table a = Table::Open(dir / "A.dbf");
    Table b = Table::Open(dir / "B.dbf");
    bool before = Matches(a, a_rows) && Matches(b, b_rows);
    bool after = !before && Matches(a, a_after) && Matches(b, b_after);
    ASSERT_TRUE(before || after) << "run " << run
                                 << ": the tables are neither before nor after transaction "
                                 << last + 1;
    if (after) {
      a_rows = a_after;
      b_rows = b_after;
      ++interrupted_after;
    }
    auto fa = a.VerifyIndex(), fb = b.VerifyIndex();
    ASSERT_FALSE(fa.has_value()) << "run " << run << ": " << *fa;
    ASSERT_FALSE(fb.has_value()) << "run " << run << ": " << *fb;
  }
  // The kills must have hit transactions in flight, not only the gaps.
  EXPECT_GT(hot_journals, kRuns / 10);
  RecordProperty("committed_but_unreported", interrupted_after);
  RecordProperty("journals_rolled_back", hot_journals);
}

}  // namespace
}  // namespace lumi::dbf
