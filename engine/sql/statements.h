#pragma once

#include <cstdint>

#include "engine/session.h"
#include "engine/sql/ast.h"
#include "engine/sql/eval.h"

namespace lumi::sql {

// The statements that change tables; each returns the rows it touched. They
// run inside the statement's journal (executor.cpp), so a throw undoes them.
int64_t RunInsert(Session& s, InsertStmt& st, const EvalEnv& env);
int64_t RunUpdate(Session& s, UpdateStmt& st, const EvalEnv& env);
int64_t RunDelete(Session& s, DeleteStmt& st, const EvalEnv& env);
void RunCreateTable(Session& s, CreateTableStmt& st);
void RunCreateIndex(Session& s, CreateIndexStmt& st);
void RunAlterTable(Session& s, AlterTableStmt& st);

// The file of a table named in a statement; throws "Unknown table" when missing.
std::string ExistingTable(Session& s, const TableRef& t);

}  // namespace lumi::sql
