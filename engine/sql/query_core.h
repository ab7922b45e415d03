#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/dbf/table.h"
#include "engine/session.h"
#include "engine/sql/ast.h"
#include "engine/sql/eval.h"
#include "engine/sql/key_index.h"

namespace lumi::sql {

// One table of a FROM list, opened, with the fields the statement reads. A
// row of it is the array of those fields' values ("slots").
struct SourceTable {
  TableRef ref;
  std::string base_name;  // file name without folder and extension, upper case
  dbf::Table table;
  std::vector<int> fields;  // field index of each slot
  int SlotOf(int field);    // adds a slot for the field when it has none
};

// FROM and WHERE of a statement: opens the tables, binds column names, and
// produces the joined rows that pass the WHERE.
//
// Execution: every table but the driving one (the largest) is read once into
// a hash table keyed on its equality joins; the driving table is streamed. A
// condition `column op constant` on a column with an index tag reads only the
// records the tag finds. Each condition is checked as soon as the tables it
// names are joined.
class QueryCore {
 public:
  // `outer` is the enclosing statement's core for correlated sub-selects.
  QueryCore(Session& session, std::vector<TableRef>& from, Expr* where, QueryCore* outer,
            const EvalEnv& env);

  // Resolves the column names of `e` (and of its sub-selects, whose plans are
  // built here) against these tables, then the enclosing ones.
  void Bind(Expr& e);
  // Call after every expression is bound: splits the WHERE into its conditions.
  void Prepare();

  // Calls `row` for every joined row passing the WHERE, with the record number
  // of the first table's record. `outer` is the enclosing row, if any.
  // With `driver_first` the first table drives (UPDATE, DELETE need that).
  void Run(const Frame* outer, const std::function<void(const Frame&, uint32_t)>& row,
           bool driver_first = false);

  size_t table_count() const { return tables_.size(); }
  SourceTable& table(size_t i) { return tables_[i]; }
  const EvalEnv& env() const { return env_; }
  Session& session() const { return session_; }
  bool references_outer() const { return references_outer_; }
  // The field of the first table the rows are wanted in the order of. When a
  // condition on it reads the records through its tag, they come in key order
  // and rows_in_key_order() says so after Run.
  void SetOrderHint(int field) { order_field_ = field; }
  bool rows_in_key_order() const { return key_order_; }
  // Removes a condition of the WHERE (used once it is evaluated elsewhere).
  void DropCondition(const Expr* e);
  const std::vector<Expr*>& conditions() const { return conditions_; }

  // Which of this core's tables an expression reads (bit i = table i); bit 31
  // for a sub-select or an enclosing row, which are only known at run time.
  static uint32_t TablesOf(const Expr& e);

 private:
  std::optional<std::vector<uint32_t>> IndexedRecords(size_t t, const Frame* outer) const;
  void BindColumn(Expr& e);

  Session& session_;
  std::vector<SourceTable> tables_;
  Expr* where_;
  QueryCore* outer_;
  EvalEnv env_;
  std::vector<Expr*> conditions_;
  bool references_outer_ = false;
  int order_field_ = -1;
  mutable bool key_order_ = false;
};

// The cached state of one sub-select of a statement.
struct SubqueryCache {
  std::unique_ptr<class SelectPlan> plan;
  bool done = false;  // uncorrelated results below are computed
  dbf::Value scalar;
  bool scalar_rows = false;
  KeyIndex set;  // the keys of IN (SELECT ...)
  bool set_has_null = false;
  // A correlated equality (inner_key = outer_key) evaluated once for all rows:
  // every row's inner key in `keyed` (entry i is row i), with the row's value
  // and its key as a value; a key with more than one entry found several rows.
  Expr* inner_key = nullptr;
  Expr* outer_key = nullptr;
  size_t key_at = 0;  // position of the inner key in the plan's output rows
  KeyIndex keyed;
  std::vector<dbf::Value> values;
  std::vector<dbf::Value> key_values;
};

// A key that compares equal exactly when SQL '=' says so (texts without their
// trailing blanks, numbers by value); for hashing joins and grouping.
void AppendKey(std::string& key, const dbf::Value& v);

// Visits the records `recnos` (ascending, as a tag's lookups give them once
// sorted) through one scanner: each read takes the run of wanted records
// that lie close together, skipping the gaps between runs.
template <class Visit>
void ReadRecords(const dbf::Table& table, const std::vector<uint32_t>& recnos, Visit visit) {
  constexpr uint32_t kGap = 4;  // records between two wanted ones still read through
  dbf::Scanner sc = table.Scan();
  uint32_t through = 0;
  for (size_t i = 0; i < recnos.size(); ++i) {
    uint32_t r = recnos[i];
    if (r > through) {
      size_t j = i;
      while (j + 1 < recnos.size() && recnos[j + 1] > recnos[j] &&
             recnos[j + 1] - recnos[j] <= kGap)
        ++j;
      through = recnos[j];
    }
    sc.Seek(r, through);
    if (sc.deleted()) continue;
    visit(r, sc);
  }
}

// The name of a tag of `table` keyed on `field` alone, or "".
std::string TagOnField(const dbf::Table& table, int field);

}  // namespace lumi::sql
