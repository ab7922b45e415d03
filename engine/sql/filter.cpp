#include "engine/sql/filter.h"

#include <algorithm>

#include "engine/error.h"
#include "engine/sql/eval.h"
#include "engine/sql/parser.h"
#include "engine/sql/values.h"

namespace lumi::sql {

namespace {

void Bind(Expr& e, const std::vector<std::string>& columns, std::vector<int>& used) {
  switch (e.kind) {
    case ExprKind::kColumn: {
      for (size_t i = 0; i < columns.size(); ++i) {
        if (ToUpper(columns[i]) == e.name) {
          e.table = 0;
          e.slot = static_cast<int>(i);
          if (std::find(used.begin(), used.end(), e.slot) == used.end()) used.push_back(e.slot);
          return;
        }
      }
      throw EngineError("Filter: unknown field " + e.name);
    }
    case ExprKind::kParam:
      throw EngineError("Filter: parameters are not allowed (:" + e.name + ")");
    case ExprKind::kAggregate:
    case ExprKind::kSubquery:
    case ExprKind::kInSelect:
      throw EngineError(
          "Filter: " +
          std::string(e.kind == ExprKind::kAggregate ? e.name + "()" : "a sub-select") +
          " is not allowed");
    default:
      break;
  }
  for (auto& a : e.args) Bind(*a, columns, used);
}

}  // namespace

RowFilter::RowFilter(std::string_view text, const std::vector<std::string>& columns,
                     std::string date_format)
    : column_count_(columns.size()), date_format_(std::move(date_format)) {
  try {
    expr_ = ParseFilter(text);
  } catch (const EngineError& e) {
    throw EngineError("Filter " + std::string(text) + ": " + e.what());
  }
  Bind(*expr_, columns, used_);
  row_.resize(column_count_);
}

RowFilter::~RowFilter() = default;

bool RowFilter::Matches(const std::function<dbf::Value(int)>& get) const {
  for (int c : used_) row_[c] = get(c);
  const dbf::Value* rows[1] = {row_.data()};
  Frame f;
  f.rows = rows;
  EvalEnv env;
  env.date_format = date_format_;
  env.null_as_empty = true;
  return IsTrue(*expr_, f, env);
}

}  // namespace lumi::sql
