#include "engine/sql/parser.h"

#include <algorithm>
#include <cstdlib>
#include <set>

#include "engine/error.h"
#include "engine/sql/lexer.h"
#include "engine/sql/values.h"

namespace lumi::sql {

namespace {

// Words that end an expression or a table list, so they are never taken for
// an alias.
const std::set<std::string>& Reserved() {
  static const std::set<std::string> kWords = {
      "ADD",      "ALL",    "ALTER", "AND",      "AS",     "ASC",    "BEGIN",  "BY",   "COMMIT",
      "CREATE",   "DELETE", "DESC",  "DISTINCT", "FROM",   "GROUP",  "HAVING", "IN",   "INDEX",
      "INSERT",   "INTO",   "IS",    "LIKE",     "NOT",    "NULL",   "ON",     "OR",   "ORDER",
      "ROLLBACK", "SELECT", "SET",   "TABLE",    "UPDATE", "VALUES", "WHERE",  "TRUE", "FALSE"};
  return kWords;
}

class Parser {
 public:
  Parser(std::string_view text, bool filter)
      : text_(text), tokens_(Tokenize(text)), filter_(filter) {}

  sql::Statement ParseWhole() {
    auto st = ParseStatementBody();
    Accept(";");
    if (Peek().kind != TokenKind::kEnd) Fail("end of statement");
    return st;
  }

  ExprPtr FilterExpr() {
    auto e = ParseExpr();
    if (Peek().kind != TokenKind::kEnd) Fail("end of filter");
    return e;
  }

 private:
  // --- tokens ---
  const Token& Peek(int ahead = 0) const {
    size_t i = std::min(pos_ + ahead, tokens_.size() - 1);
    return tokens_[i];
  }
  const Token& Take() {
    const Token& t = tokens_[pos_];
    if (pos_ + 1 < tokens_.size()) ++pos_;
    return t;
  }
  bool IsKeyword(const Token& t, std::string_view kw) const {
    return t.kind == TokenKind::kIdentifier && ToUpper(t.text) == kw;
  }
  bool PeekKeyword(std::string_view kw, int ahead = 0) const { return IsKeyword(Peek(ahead), kw); }
  bool AcceptKeyword(std::string_view kw) {
    if (!PeekKeyword(kw)) return false;
    Take();
    return true;
  }
  void ExpectKeyword(std::string_view kw) {
    if (!AcceptKeyword(kw)) Fail(std::string(kw));
  }
  bool PeekSymbol(std::string_view s) const {
    return Peek().kind == TokenKind::kSymbol && Peek().text == s;
  }
  bool Accept(std::string_view s) {
    if (!PeekSymbol(s)) return false;
    Take();
    return true;
  }
  void Expect(std::string_view s) {
    if (!Accept(s)) Fail("'" + std::string(s) + "'");
  }
  [[noreturn]] void Fail(const std::string& expected) const {
    const Token& t = Peek();
    std::string found;
    switch (t.kind) {
      case TokenKind::kEnd:
        found = "the end of the statement";
        break;
      case TokenKind::kString:
        found = std::string(1, t.quote) + t.text + std::string(1, t.quote);
        break;
      case TokenKind::kParam:
        found = ":" + t.text;
        break;
      default:
        found = "'" + t.text + "'";
    }
    throw EngineError("Syntax error at " + DescribePosition(text_, t.position) + ": expected " +
                      expected + ", found " + found);
  }
  std::string Name(const std::string& what) {
    if (Peek().kind != TokenKind::kIdentifier) Fail(what);
    return ToUpper(Take().text);
  }
  int Integer(const std::string& what) {
    if (Peek().kind != TokenKind::kNumber) Fail(what);
    const Token& t = Take();
    if (t.text.find_first_not_of("0123456789") != std::string::npos || t.text.size() > 6) {
      throw EngineError("Syntax error at " + DescribePosition(text_, t.position) + ": " + what +
                        " must be a whole number below a million");
    }
    return std::atoi(t.text.c_str());
  }

  // --- statements ---
  sql::Statement ParseStatementBody() {
    if (PeekKeyword("SELECT")) return std::move(*ParseSelect());
    if (AcceptKeyword("INSERT")) return ParseInsert();
    if (AcceptKeyword("UPDATE")) return ParseUpdate();
    if (AcceptKeyword("DELETE")) return ParseDelete();
    if (AcceptKeyword("CREATE")) {
      if (AcceptKeyword("TABLE")) return ParseCreateTable();
      if (AcceptKeyword("INDEX")) return ParseCreateIndex();
      Fail("TABLE or INDEX");
    }
    if (AcceptKeyword("ALTER")) return ParseAlter();
    if (AcceptKeyword("BEGIN")) {
      if (!AcceptKeyword("TRANSACTION")) AcceptKeyword("WORK");
      return BeginStmt{};
    }
    if (AcceptKeyword("COMMIT")) {
      AcceptKeyword("WORK");
      return CommitStmt{};
    }
    if (AcceptKeyword("ROLLBACK")) {
      AcceptKeyword("WORK");
      return RollbackStmt{};
    }
    Fail("a statement");
  }

  TableRef ParseTable(bool allow_alias) {
    TableRef t;
    t.position = Peek().position;
    if (Peek().kind == TokenKind::kString) {
      t.path = Take().text;
    } else if (Peek().kind == TokenKind::kIdentifier && !Reserved().count(ToUpper(Peek().text))) {
      t.path = Take().text;
    } else {
      Fail("a table");
    }
    if (t.path.empty()) {
      throw EngineError("Syntax error at " + DescribePosition(text_, t.position) +
                        ": the table path is empty");
    }
    if (allow_alias) {
      if (AcceptKeyword("AS")) {
        t.alias = Name("an alias");
      } else if (Peek().kind == TokenKind::kIdentifier && !Reserved().count(ToUpper(Peek().text))) {
        t.alias = ToUpper(Take().text);
      }
    }
    return t;
  }

  std::unique_ptr<SelectStmt> ParseSelect() {
    ExpectKeyword("SELECT");
    auto s = std::make_unique<SelectStmt>();
    if (AcceptKeyword("DISTINCT")) {
      s->distinct = true;
    } else {
      AcceptKeyword("ALL");
    }
    do {
      SelectItem item;
      if (Accept("*")) {
        item.star = true;
      } else if (Peek().kind == TokenKind::kIdentifier && Peek(1).kind == TokenKind::kSymbol &&
                 Peek(1).text == "." && Peek(2).kind == TokenKind::kSymbol && Peek(2).text == "*") {
        item.star = true;
        item.star_table = ToUpper(Take().text);
        Take();
        Take();
      } else {
        int start = Peek().position;
        item.expr = ParseExpr();
        int end = Peek().position;
        item.text = std::string(text_.substr(start, end - start));
        while (!item.text.empty() && std::isspace(static_cast<unsigned char>(item.text.back()))) {
          item.text.pop_back();
        }
        if (AcceptKeyword("AS")) {
          item.alias = Name("a column alias");
        } else if (Peek().kind == TokenKind::kIdentifier &&
                   !Reserved().count(ToUpper(Peek().text))) {
          item.alias = ToUpper(Take().text);
        } else if (Peek().kind == TokenKind::kString && Peek().quote == '"' &&
                   PeekKeyword("FROM", 1)) {
          item.alias = ToUpper(Take().text);
        }
      }
      s->items.push_back(std::move(item));
    } while (Accept(","));
    ExpectKeyword("FROM");
    do {
      s->from.push_back(ParseTable(true));
    } while (Accept(","));
    if (AcceptKeyword("WHERE")) s->where = ParseExpr();
    if (AcceptKeyword("GROUP")) {
      ExpectKeyword("BY");
      do {
        s->group_by.push_back(ParseExpr());
      } while (Accept(","));
    }
    if (AcceptKeyword("HAVING")) s->having = ParseExpr();
    if (AcceptKeyword("ORDER")) {
      ExpectKeyword("BY");
      do {
        OrderItem o;
        o.expr = ParseExpr();
        if (AcceptKeyword("DESC")) {
          o.descending = true;
        } else {
          AcceptKeyword("ASC");
        }
        s->order_by.push_back(std::move(o));
      } while (Accept(","));
    }
    return s;
  }

  sql::Statement ParseInsert() {
    ExpectKeyword("INTO");
    InsertStmt ins;
    ins.table = ParseTable(false);
    if (PeekSymbol("(") && !PeekKeyword("SELECT", 1)) {
      Take();
      do {
        ins.columns.push_back(Name("a column name"));
      } while (Accept(","));
      Expect(")");
    }
    if (AcceptKeyword("VALUES")) {
      do {
        Expect("(");
        std::vector<ExprPtr> row;
        do {
          row.push_back(ParseExpr());
        } while (Accept(","));
        Expect(")");
        ins.rows.push_back(std::move(row));
      } while (Accept(","));
    } else if (PeekKeyword("SELECT")) {
      ins.select = ParseSelect();
    } else if (PeekSymbol("(") && PeekKeyword("SELECT", 1)) {
      Take();
      ins.select = ParseSelect();
      Expect(")");
    } else {
      Fail("VALUES or SELECT");
    }
    return ins;
  }

  sql::Statement ParseUpdate() {
    UpdateStmt up;
    up.table = ParseTable(true);
    ExpectKeyword("SET");
    do {
      Assignment a;
      a.position = Peek().position;
      a.column = Name("a column name");
      if (Accept(".")) a.column = Name("a column name");  // alias.column
      Expect("=");
      a.value = ParseExpr();
      up.sets.push_back(std::move(a));
    } while (Accept(","));
    if (AcceptKeyword("WHERE")) up.where = ParseExpr();
    return up;
  }

  sql::Statement ParseDelete() {
    ExpectKeyword("FROM");
    DeleteStmt del;
    del.table = ParseTable(true);
    if (AcceptKeyword("WHERE")) del.where = ParseExpr();
    return del;
  }

  ColumnDef ParseColumnDef() {
    ColumnDef c;
    c.position = Peek().position;
    c.name = Name("a column name");
    int type_pos = Peek().position;
    std::string type = Name("a column type");
    auto size_args = [&](int& a, int& b, bool two) {
      Expect("(");
      a = Integer("a width");
      if (Accept(",")) {
        b = Integer("a number of decimals");
      } else if (two) {
        b = 0;
      }
      Expect(")");
    };
    if (type == "DECIMAL" || type == "NUMERIC" || type == "FLOAT" || type == "NUMBER") {
      c.type = 'N';
      c.width = 10;
      if (PeekSymbol("(")) size_args(c.width, c.decimals, true);
    } else if (type == "CHAR" || type == "CHARACTER" || type == "VARCHAR") {
      c.type = 'C';
      c.width = 1;
      int unused = 0;
      if (PeekSymbol("(")) size_args(c.width, unused, false);
    } else if (type == "DATE") {
      c.type = 'D';
      c.width = 8;
    } else if (type == "BOOLEAN" || type == "LOGICAL") {
      c.type = 'L';
      c.width = 1;
    } else if (type == "BLOB" || type == "MEMO") {
      c.type = 'M';
      c.width = 10;
      int a = 0, b = 0;
      if (PeekSymbol("(")) size_args(a, b, true);
    } else if (type == "INTEGER" || type == "INT" || type == "SMALLINT") {
      c.type = 'N';
      c.width = type == "SMALLINT" ? 6 : 11;
    } else {
      throw EngineError("Syntax error at " + DescribePosition(text_, type_pos) +
                        ": unknown column type " + type);
    }
    return c;
  }

  sql::Statement ParseCreateTable() {
    CreateTableStmt ct;
    ct.table = ParseTable(false);
    Expect("(");
    do {
      ct.columns.push_back(ParseColumnDef());
    } while (Accept(","));
    Expect(")");
    return ct;
  }

  sql::Statement ParseCreateIndex() {
    CreateIndexStmt ci;
    ci.tag = Name("an index name");
    ExpectKeyword("ON");
    ci.table = ParseTable(false);
    Expect("(");
    ci.column = Name("a column name");
    Expect(")");
    return ci;
  }

  sql::Statement ParseAlter() {
    ExpectKeyword("TABLE");
    AlterTableStmt at;
    at.table = ParseTable(false);
    do {
      ExpectKeyword("ADD");
      AcceptKeyword("COLUMN");
      at.add.push_back(ParseColumnDef());
    } while (Accept(","));
    return at;
  }

  // --- expressions ---
  ExprPtr Make(ExprKind k, int position) {
    auto e = std::make_unique<Expr>();
    e->kind = k;
    e->position = position;
    return e;
  }
  ExprPtr MakeBinary(Op op, ExprPtr a, ExprPtr b, int position) {
    auto e = Make(ExprKind::kBinary, position);
    e->op = op;
    e->args.push_back(std::move(a));
    e->args.push_back(std::move(b));
    return e;
  }

  // Nesting is bounded so that no statement can exhaust the stack.
  struct Depth {
    int& d;
    explicit Depth(int& depth) : d(depth) { ++d; }
    ~Depth() { --d; }
  };
  [[nodiscard]] Depth Enter() {
    if (depth_ >= 200) {
      throw EngineError("Syntax error at " + DescribePosition(text_, Peek().position) +
                        ": the statement nests too deeply");
    }
    return Depth(depth_);
  }

  ExprPtr ParseExpr() {
    Depth d = Enter();
    return ParseOr();
  }

  ExprPtr ParseOr() {
    auto left = ParseAnd();
    while (PeekKeyword("OR")) {
      int p = Take().position;
      left = MakeBinary(Op::kOr, std::move(left), ParseAnd(), p);
    }
    return left;
  }

  ExprPtr ParseAnd() {
    auto left = ParseNot();
    while (PeekKeyword("AND")) {
      int p = Take().position;
      left = MakeBinary(Op::kAnd, std::move(left), ParseNot(), p);
    }
    return left;
  }

  ExprPtr ParseNot() {
    Depth d = Enter();
    if (PeekKeyword("NOT")) {
      int p = Take().position;
      auto e = Make(ExprKind::kUnary, p);
      e->op = Op::kNot;
      e->args.push_back(ParseNot());
      return e;
    }
    return ParseComparison();
  }

  ExprPtr ParseComparison() {
    auto left = ParseAdditive();
    int p = Peek().position;
    if (Peek().kind == TokenKind::kSymbol) {
      static const std::pair<const char*, Op> kOps[] = {
          {"=", Op::kEq},  {"<>", Op::kNe}, {"!=", Op::kNe}, {"<", Op::kLt},
          {"<=", Op::kLe}, {">", Op::kGt},  {">=", Op::kGe}};
      for (auto& [sym, op] : kOps) {
        if (Peek().text == sym) {
          Take();
          auto right = ParseAdditive();
          if (filter_ && (op == Op::kEq || op == Op::kNe) && right->kind == ExprKind::kLiteral &&
              right->from_text && !right->literal.is_null()) {
            const std::string& s = right->literal.text();
            if (!s.empty() && s.back() == '*') {
              auto e = Make(ExprKind::kPrefix, p);
              e->negated = op == Op::kNe;
              e->args.push_back(std::move(left));
              right->literal = dbf::Value::Text(s.substr(0, s.size() - 1));
              e->args.push_back(std::move(right));
              return e;
            }
          }
          return MakeBinary(op, std::move(left), std::move(right), p);
        }
      }
      return left;
    }
    bool negated = false;
    if (PeekKeyword("NOT") && (PeekKeyword("LIKE", 1) || PeekKeyword("IN", 1))) {
      Take();
      negated = true;
    }
    if (AcceptKeyword("IS")) {
      auto e = Make(ExprKind::kIsNull, p);
      e->negated = AcceptKeyword("NOT");
      ExpectKeyword("NULL");
      e->args.push_back(std::move(left));
      return e;
    }
    if (AcceptKeyword("LIKE")) {
      auto e = Make(ExprKind::kLike, p);
      e->negated = negated;
      e->args.push_back(std::move(left));
      e->args.push_back(ParseAdditive());
      return e;
    }
    if (AcceptKeyword("IN")) {
      Expect("(");
      ExprPtr e;
      if (PeekKeyword("SELECT")) {
        e = Make(ExprKind::kInSelect, p);
        e->args.push_back(std::move(left));
        e->select = ParseSelect();
      } else {
        e = Make(ExprKind::kInList, p);
        e->args.push_back(std::move(left));
        do {
          e->args.push_back(ParseAdditive());
        } while (Accept(","));
      }
      Expect(")");
      e->negated = negated;
      return e;
    }
    if (negated) Fail("LIKE or IN");
    return left;
  }

  ExprPtr ParseAdditive() {
    auto left = ParseMultiplicative();
    while (PeekSymbol("+") || PeekSymbol("-") || PeekSymbol("||")) {
      const Token& t = Take();
      Op op = t.text == "+" ? Op::kAdd : t.text == "-" ? Op::kSub : Op::kConcat;
      left = MakeBinary(op, std::move(left), ParseMultiplicative(), t.position);
    }
    return left;
  }

  ExprPtr ParseMultiplicative() {
    auto left = ParseUnary();
    while (PeekSymbol("*") || PeekSymbol("/")) {
      const Token& t = Take();
      Op op = t.text == "*" ? Op::kMul : Op::kDiv;
      left = MakeBinary(op, std::move(left), ParseUnary(), t.position);
    }
    return left;
  }

  ExprPtr ParseUnary() {
    Depth d = Enter();
    if (PeekSymbol("-") || PeekSymbol("+")) {
      const Token& t = Take();
      auto operand = ParseUnary();
      if (t.text == "+") return operand;
      if (operand->kind == ExprKind::kLiteral &&
          operand->literal.kind() == dbf::ValueKind::kNumber) {
        operand->literal = dbf::Value::Number(-operand->literal.number());
        operand->position = t.position;
        return operand;
      }
      auto e = Make(ExprKind::kUnary, t.position);
      e->op = Op::kNeg;
      e->args.push_back(std::move(operand));
      return e;
    }
    return ParsePrimary();
  }

  ExprPtr ParsePrimary() {
    const Token& t = Peek();
    int p = t.position;
    switch (t.kind) {
      case TokenKind::kNumber: {
        auto e = Make(ExprKind::kLiteral, p);
        e->literal = dbf::Value::Number(std::strtod(Take().text.c_str(), nullptr));
        return e;
      }
      case TokenKind::kString: {
        auto e = Make(ExprKind::kLiteral, p);
        e->literal = dbf::Value::Text(Take().text);
        e->from_text = true;
        return e;
      }
      case TokenKind::kParam: {
        auto e = Make(ExprKind::kParam, p);
        e->name = ToUpper(Take().text);
        return e;
      }
      case TokenKind::kSymbol:
        if (t.text == "(") {
          Take();
          if (PeekKeyword("SELECT")) {
            auto e = Make(ExprKind::kSubquery, p);
            e->select = ParseSelect();
            Expect(")");
            return e;
          }
          auto e = ParseExpr();
          Expect(")");
          return e;
        }
        Fail("a value");
      case TokenKind::kIdentifier:
        break;
      case TokenKind::kEnd:
        Fail("a value");
    }
    std::string word = ToUpper(t.text);
    if (word == "NULL" || word == "TRUE" || word == "FALSE") {
      Take();
      auto e = Make(ExprKind::kLiteral, p);
      if (word != "NULL") e->literal = dbf::Value::Logical(word == "TRUE");
      return e;
    }
    if (Reserved().count(word)) Fail("a value");
    Take();
    if (PeekSymbol("(")) {
      Take();
      static const std::set<std::string> kAggregates = {"SUM", "COUNT", "MIN", "MAX", "AVG"};
      static const std::set<std::string> kFunctions = {"UPPER", "LOWER", "TRIM"};
      if (kAggregates.count(word)) {
        auto e = Make(ExprKind::kAggregate, p);
        e->name = word;
        if (word == "COUNT" && Accept("*")) {
          e->star = true;
        } else {
          if (AcceptKeyword("DISTINCT")) e->negated = true;  // DISTINCT inside
          e->args.push_back(ParseExpr());
        }
        Expect(")");
        return e;
      }
      if (kFunctions.count(word)) {
        auto e = Make(ExprKind::kFunction, p);
        e->name = word;
        e->args.push_back(ParseExpr());
        Expect(")");
        return e;
      }
      throw EngineError("Syntax error at " + DescribePosition(text_, p) + ": unknown function " +
                        word);
    }
    auto e = Make(ExprKind::kColumn, p);
    e->name = word;
    if (Accept(".")) {
      e->qualifier = word;
      e->name = Name("a column name");
    }
    return e;
  }

  std::string_view text_;
  std::vector<Token> tokens_;
  size_t pos_ = 0;
  int depth_ = 0;
  bool filter_;
};

}  // namespace

Statement ParseStatement(std::string_view text) { return Parser(text, false).ParseWhole(); }

ExprPtr ParseFilter(std::string_view text) { return Parser(text, true).FilterExpr(); }

}  // namespace lumi::sql
