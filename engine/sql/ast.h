#pragma once

#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "engine/dbf/value.h"

namespace lumi::sql {

struct SelectStmt;
struct SubqueryCache;

enum class ExprKind {
  kLiteral,
  kParam,
  kColumn,
  kUnary,      // op kNeg or kNot, args[0]
  kBinary,     // op, args[0] op args[1]
  kIsNull,     // args[0] IS [NOT] NULL
  kLike,       // args[0] [NOT] LIKE args[1]
  kInList,     // args[0] [NOT] IN (args[1..])
  kInSelect,   // args[0] [NOT] IN (select)
  kSubquery,   // (select) giving one value
  kFunction,   // name(args): UPPER, LOWER, TRIM
  kAggregate,  // name(args[0]) or COUNT(*): SUM, COUNT, MIN, MAX, AVG
  kPrefix,     // record filters: args[0] begins with literal text (FIELD='AB*')
};

enum class Op {
  kNone,
  kAdd,
  kSub,
  kMul,
  kDiv,
  kConcat,
  kEq,
  kNe,
  kLt,
  kLe,
  kGt,
  kGe,
  kAnd,
  kOr,
  kNot,
  kNeg
};

struct Expr;
using ExprPtr = std::unique_ptr<Expr>;

// One node of an expression. The parser fills the upper part; binding a
// statement to its tables fills the lower part in place.
struct Expr {
  ExprKind kind = ExprKind::kLiteral;
  Op op = Op::kNone;
  dbf::Value literal;      // kLiteral
  bool from_text = false;  // kLiteral written as a quoted text (may stand for a date)
  std::string name;        // parameter, column or function name, upper case
  std::string qualifier;   // table alias of a column, upper case
  std::vector<ExprPtr> args;
  std::unique_ptr<SelectStmt> select;  // kInSelect, kSubquery
  bool negated = false;  // NOT LIKE, IS NOT NULL, NOT IN; for an aggregate: DISTINCT inside
  bool star = false;     // COUNT(*)
  int position = 0;      // offset in the statement text

  // Binding.
  int depth = 0;            // kColumn: 0 = this query's tables, 1 = the enclosing query, ...
  int table = -1;           // kColumn: table of that query
  int slot = -1;            // kColumn: value slot in that table's row
  int aggregate = -1;       // kAggregate: its accumulator
  bool correlated = false;  // kInSelect, kSubquery: reads the enclosing query's row
  std::shared_ptr<SubqueryCache> cache;  // kInSelect, kSubquery
};

struct TableRef {
  std::string path;   // as written
  std::string alias;  // upper case; empty when none
  int position = 0;
};

struct SelectItem {
  ExprPtr expr;       // null for * and alias.*
  std::string alias;  // upper case; empty when none
  bool star = false;
  std::string star_table;  // alias.* ; empty for *
  std::string text;        // the expression as written, for the column name
};

struct OrderItem {
  ExprPtr expr;
  bool descending = false;
};

struct SelectStmt {
  bool distinct = false;
  std::vector<SelectItem> items;
  std::vector<TableRef> from;
  ExprPtr where;
  std::vector<ExprPtr> group_by;
  ExprPtr having;
  std::vector<OrderItem> order_by;
};

struct InsertStmt {
  TableRef table;
  std::vector<std::string> columns;  // empty: every column in order
  std::vector<std::vector<ExprPtr>> rows;
  std::unique_ptr<SelectStmt> select;
};

struct Assignment {
  std::string column;
  ExprPtr value;
  int position = 0;
};

struct UpdateStmt {
  TableRef table;
  std::vector<Assignment> sets;
  ExprPtr where;
};

struct DeleteStmt {
  TableRef table;
  ExprPtr where;
};

struct ColumnDef {
  std::string name;
  char type = 'C';  // dBase letter: C N D L M
  int width = 0;
  int decimals = 0;
  int position = 0;
};

struct CreateTableStmt {
  TableRef table;
  std::vector<ColumnDef> columns;
};

struct CreateIndexStmt {
  std::string tag;
  TableRef table;
  std::string column;
};

struct AlterTableStmt {
  TableRef table;
  std::vector<ColumnDef> add;
};

struct BeginStmt {};
struct CommitStmt {};
struct RollbackStmt {};

using Statement =
    std::variant<SelectStmt, InsertStmt, UpdateStmt, DeleteStmt, CreateTableStmt, CreateIndexStmt,
                 AlterTableStmt, BeginStmt, CommitStmt, RollbackStmt>;

}  // namespace lumi::sql
