#include "engine/sql/executor.h"

#include "engine/dbf/journal.h"
#include "engine/error.h"
#include "engine/sql/parser.h"
#include "engine/sql/select_plan.h"
#include "engine/sql/statements.h"

namespace lumi::sql {

namespace {

template <class... F>
struct Overloaded : F... {
  using F::operator()...;
};
template <class... F>
Overloaded(F...) -> Overloaded<F...>;

// Runs `change` all-or-nothing: in a journal of its own, or inside the open
// transaction (ours, or a journal the caller holds) up to a savepoint, so that
// a failure undoes only this statement.
template <class F>
int64_t Atomically(Session& s, F change) {
  dbf::Journal* open = s.InTransaction() ? s.Transaction() : dbf::Journal::Active();
  if (open) {
    size_t mark = open->Savepoint();
    int64_t n = 0;
    try {
      n = change();
    } catch (...) {
      open->RollbackTo(mark);
      throw;
    }
    open->ReleaseSavepoint(mark);
    return n;
  }
  dbf::Journal journal;
  int64_t n = change();
  journal.Commit();
  return n;
}

}  // namespace

ExecResult Execute(Session& session, Statement& statement, const Params& params) {
  CachedSubqueries subqueries;
  EvalEnv env;
  env.date_format = session.DateFormat();
  env.params = &params;
  env.subqueries = &subqueries;
  ExecResult result;
  std::visit(
      Overloaded{
          [&](SelectStmt& st) {
            SelectPlan plan(session, st, nullptr, env);
            result.rows = plan.Materialise(nullptr);
          },
          [&](InsertStmt& st) {
            result.rows_affected = Atomically(session, [&] { return RunInsert(session, st, env); });
          },
          [&](UpdateStmt& st) {
            result.rows_affected = Atomically(session, [&] { return RunUpdate(session, st, env); });
          },
          [&](DeleteStmt& st) {
            result.rows_affected = Atomically(session, [&] { return RunDelete(session, st, env); });
          },
          [&](CreateTableStmt& st) {
            Atomically(session, [&] {
              RunCreateTable(session, st);
              return int64_t{0};
            });
          },
          [&](CreateIndexStmt& st) {
            Atomically(session, [&] {
              RunCreateIndex(session, st);
              return int64_t{0};
            });
          },
          [&](AlterTableStmt& st) {
            Atomically(session, [&] {
              RunAlterTable(session, st);
              return int64_t{0};
            });
          },
          [&](BeginStmt&) { session.Begin(); },
          [&](CommitStmt&) { session.Commit(); },
          [&](RollbackStmt&) { session.Rollback(); },
      },
      statement);
  return result;
}

std::vector<ColumnInfo> DescribeSelect(Session& session, SelectStmt& select, const Params& params) {
  CachedSubqueries subqueries;
  EvalEnv env;
  env.date_format = session.DateFormat();
  env.params = &params;
  env.subqueries = &subqueries;
  SelectPlan plan(session, select, nullptr, env);
  return plan.columns();
}

ExecResult ExecuteText(Session& session, const std::string& text, const Params& params) {
  Statement st = ParseStatement(text);
  return Execute(session, st, params);
}

}  // namespace lumi::sql
