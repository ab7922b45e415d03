#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "engine/session.h"
#include "engine/sql/ast.h"
#include "engine/sql/eval.h"
#include "engine/sql/query_core.h"
#include "engine/sql/result_set.h"

namespace lumi::sql {

// A bound SELECT: its FROM/WHERE core, the output columns, grouping with its
// aggregates, DISTINCT and ORDER BY.
//
// Aggregates stream: a SUM over a million rows keeps one accumulator per
// group. ORDER BY sorts the materialised result (NULL and empty values first,
// ties in the order the rows were read).
class SelectPlan {
 public:
  SelectPlan(Session& session, SelectStmt& select, QueryCore* outer, const EvalEnv& env);
  ~SelectPlan();

  // The visible output columns.
  const std::vector<ColumnInfo>& columns() const { return columns_; }
  QueryCore& core() { return *core_; }
  bool aggregating() const { return aggregating_; }
  bool distinct() const { return select_.distinct; }

  // An expression to compute with every output row, after the visible columns
  // and the sort keys; returns its position in the rows given to Run's sink.
  // Only for plans without aggregates.
  size_t AddHiddenOutput(Expr* e);

  // Streams the output rows in the order produced (ORDER BY not applied).
  // The sink sees each row as one pointer per output, valid during the call.
  using RowSink = std::function<void(const dbf::Value* const* row)>;
  void Run(const Frame* outer, const RowSink& sink);
  // The whole result, sorted by ORDER BY.
  std::shared_ptr<ResultSet> Materialise(const Frame* outer);

 private:
  struct Group;
  void BindOutputs();
  void CollectAggregates(Expr& e, bool inside);
  void CheckGrouped(const Expr& e) const;

  Session& session_;
  SelectStmt& select_;
  std::unique_ptr<QueryCore> core_;
  EvalEnv env_;
  std::vector<ColumnInfo> columns_;
  std::vector<Expr*> outputs_;      // visible, then sort keys, then hidden
  std::vector<ExprPtr> owned_;      // expressions made for '*' and sort keys
  std::vector<int> order_columns_;  // output position of each ORDER BY key
  std::vector<bool> order_descending_;
  std::vector<Expr*> aggregates_;
  bool aggregating_ = false;
};

// Runs the sub-selects of a statement from their caches.
class CachedSubqueries : public SubqueryRunner {
 public:
  dbf::Value Scalar(const Expr& e, const Frame& f) override {
    bool found = false;
    return ScalarFound(e, f, &found);
  }
  // Also tells whether the sub-select found a row (a NULL found is found).
  dbf::Value ScalarFound(const Expr& e, const Frame& f, bool* found);
  // A correlated equality sub-select (cache->inner_key set) as its sorted
  // map from the inner key to the value, computed once.
  const SubqueryCache& Keyed(const Expr& e);
  std::optional<bool> Contains(const Expr& e, const dbf::Value& v, const Frame& f) override;
};

}  // namespace lumi::sql
