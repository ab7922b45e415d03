#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "engine/dbf/value.h"
#include "engine/sql/ast.h"

namespace lumi::sql {

// The row an expression is evaluated on: one array of slot values per table of
// the query, the enclosing query's row for correlated sub-selects, and the
// accumulated aggregates once a group is complete.
struct Frame {
  const dbf::Value* const* rows = nullptr;
  const Frame* outer = nullptr;
  const dbf::Value* aggregates = nullptr;
};

// Runs sub-selects for the evaluator (the executor implements it).
class SubqueryRunner {
 public:
  virtual ~SubqueryRunner() = default;
  // The one value of a (SELECT ...) in an expression; NULL when it finds no row.
  virtual dbf::Value Scalar(const Expr& e, const Frame& f) = 0;
  // Whether `v` is among the values of IN (SELECT ...): true, false, or unknown
  // (nullopt) when the set holds NULL and v is not in it, or v is NULL and
  // the set is not empty.
  virtual std::optional<bool> Contains(const Expr& e, const dbf::Value& v, const Frame& f) = 0;
};

struct EvalEnv {
  std::string_view date_format = "dd.MM.yyyy";
  const std::map<std::string, dbf::Value>* params = nullptr;  // upper-case names
  SubqueryRunner* subqueries = nullptr;
  // Record filters compare a blank field as an empty text or 0, as the user
  // sees it; SQL keeps NULL unknown.
  bool null_as_empty = false;
};

dbf::Value Eval(const Expr& e, const Frame& f, const EvalEnv& env);
// A column or constant by reference, without a copy; anything else is
// evaluated into `tmp`, which is returned.
const dbf::Value& EvalRef(const Expr& e, const Frame& f, const EvalEnv& env, dbf::Value& tmp);
// Three-valued logic: nullopt is SQL's unknown.
std::optional<bool> Truth(const Expr& e, const Frame& f, const EvalEnv& env);
inline bool IsTrue(const Expr& e, const Frame& f, const EvalEnv& env) {
  auto t = Truth(e, f, env);
  return t && *t;
}

// Arithmetic with SQL NULL: NULL in, NULL out; division by zero throws.
dbf::Value Arithmetic(Op op, const dbf::Value& a, const dbf::Value& b, int position);

}  // namespace lumi::sql
