#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/dbf/value.h"
#include "engine/session.h"
#include "engine/sql/ast.h"
#include "engine/sql/result_set.h"

namespace lumi::sql {

struct ExecResult {
  std::shared_ptr<ResultSet> rows;  // SELECT only
  int64_t rows_affected = 0;        // INSERT, UPDATE, DELETE
};

using Params = std::map<std::string, dbf::Value>;  // upper-case names, without ':'

// Runs one parsed statement. Every statement is atomic: when it throws, no
// table has changed (inside BEGIN ... COMMIT, the statement alone is undone).
ExecResult Execute(Session& session, Statement& statement, const Params& params);

// The output columns a SELECT would give, without reading any row.
std::vector<ColumnInfo> DescribeSelect(Session& session, SelectStmt& select, const Params& params);

// Parses and runs a statement text.
ExecResult ExecuteText(Session& session, const std::string& text, const Params& params = {});

}  // namespace lumi::sql
