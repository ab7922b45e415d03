#include "engine/sql/eval.h"

#include <cmath>

#include "engine/error.h"
#include "engine/sql/values.h"

namespace lumi::sql {

namespace {

using K = dbf::ValueKind;

std::optional<bool> FromOrder(Op op, int c) {
  switch (op) {
    case Op::kEq:
      return c == 0;
    case Op::kNe:
      return c != 0;
    case Op::kLt:
      return c < 0;
    case Op::kLe:
      return c <= 0;
    case Op::kGt:
      return c > 0;
    case Op::kGe:
      return c >= 0;
    default:
      return std::nullopt;
  }
}

std::optional<bool> CompareOp(Op op, const dbf::Value& a, const dbf::Value& b, const EvalEnv& env) {
  if (a.kind() == K::kNumber && b.kind() == K::kNumber) {
    double x = a.number(), y = b.number();
    return FromOrder(op, x < y ? -1 : (x > y ? 1 : 0));
  }
  if (a.is_null() || b.is_null()) {
    if (!env.null_as_empty) return std::nullopt;
    auto empty_like = [](const dbf::Value& other) {
      if (other.kind() == K::kNumber) return dbf::Value::Number(0);
      if (other.kind() == K::kText) return dbf::Value::Text("");
      return dbf::Value();
    };
    dbf::Value x = a.is_null() ? empty_like(b) : a;
    dbf::Value y = b.is_null() ? empty_like(a) : b;
    return FromOrder(op, CompareValues(x, y, env.date_format));
  }
  return FromOrder(op, CompareValues(a, b, env.date_format));
}

std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

const dbf::Value& ColumnValue(const Expr& e, const Frame& f) {
  const Frame* fr = &f;
  for (int d = 0; d < e.depth && fr; ++d) fr = fr->outer;
  if (!fr || !fr->rows || e.table < 0) throw EngineError("Column " + e.name + " is not bound");
  return fr->rows[e.table][e.slot];
}

}  // namespace

const dbf::Value& EvalRef(const Expr& e, const Frame& f, const EvalEnv& env, dbf::Value& tmp) {
  if (e.kind == ExprKind::kColumn) return ColumnValue(e, f);
  if (e.kind == ExprKind::kLiteral) return e.literal;
  tmp = Eval(e, f, env);
  return tmp;
}

dbf::Value Arithmetic(Op op, const dbf::Value& a, const dbf::Value& b, int position) {
  (void)position;
  if (a.is_null() || b.is_null()) return dbf::Value();
  if (op == Op::kConcat) {
    if (a.kind() == K::kText && b.kind() == K::kText) {
      return dbf::Value::Text(std::string(TrimRight(a.text())) + b.text());
    }
    throw EngineError(std::string("Type mismatch: || joins texts, not ") + KindName(a.kind()) +
                      " and " + KindName(b.kind()));
  }
  if (a.kind() == K::kNumber && b.kind() == K::kNumber) {
    double x = a.number();
    double y = b.number();
    switch (op) {
      case Op::kAdd:
        return dbf::Value::Number(x + y);
      case Op::kSub:
        return dbf::Value::Number(x - y);
      case Op::kMul:
        return dbf::Value::Number(x * y);
      case Op::kDiv:
        if (y == 0) throw EngineError("Division by zero");
        return dbf::Value::Number(x / y);
      default:
        break;
    }
  }
  if (a.kind() == K::kDate && b.kind() == K::kNumber && (op == Op::kAdd || op == Op::kSub)) {
    int64_t days = static_cast<int64_t>(std::llround(b.number()));
    int64_t jd = a.date().JulianDay() + (op == Op::kAdd ? days : -days);
    return dbf::Value::FromDate(dbf::Date::FromJulianDay(jd));
  }
  if (a.kind() == K::kDate && b.kind() == K::kDate && op == Op::kSub) {
    return dbf::Value::Number(static_cast<double>(a.date().JulianDay() - b.date().JulianDay()));
  }
  const char* sym = op == Op::kAdd ? "+" : op == Op::kSub ? "-" : op == Op::kMul ? "*" : "/";
  throw EngineError(std::string("Type mismatch: cannot compute ") + KindName(a.kind()) + " " + sym +
                    " " + KindName(b.kind()) + " (" + ToDebugString(a) + " " + sym + " " +
                    ToDebugString(b) + ")");
}

std::optional<bool> Truth(const Expr& e, const Frame& f, const EvalEnv& env) {
  switch (e.kind) {
    case ExprKind::kBinary:
      switch (e.op) {
        case Op::kAnd: {
          auto a = Truth(*e.args[0], f, env);
          if (a && !*a) return false;
          auto b = Truth(*e.args[1], f, env);
          if (b && !*b) return false;
          if (a && b) return true;
          return std::nullopt;
        }
        case Op::kOr: {
          auto a = Truth(*e.args[0], f, env);
          if (a && *a) return true;
          auto b = Truth(*e.args[1], f, env);
          if (b && *b) return true;
          if (a && b) return false;
          return std::nullopt;
        }
        case Op::kEq:
        case Op::kNe:
        case Op::kLt:
        case Op::kLe:
        case Op::kGt:
        case Op::kGe: {
          dbf::Value ta, tb;
          return CompareOp(e.op, EvalRef(*e.args[0], f, env, ta), EvalRef(*e.args[1], f, env, tb),
                           env);
        }
        default:
          break;
      }
      break;
    case ExprKind::kUnary:
      if (e.op == Op::kNot) {
        auto a = Truth(*e.args[0], f, env);
        if (!a) return std::nullopt;
        return !*a;
      }
      break;
    case ExprKind::kIsNull: {
      bool null = Eval(*e.args[0], f, env).is_null();
      return e.negated ? !null : null;
    }
    case ExprKind::kLike: {
      dbf::Value v = Eval(*e.args[0], f, env);
      dbf::Value p = Eval(*e.args[1], f, env);
      if (v.is_null() || p.is_null()) return std::nullopt;
      if (v.kind() != K::kText || p.kind() != K::kText) {
        throw EngineError(std::string("Type mismatch: LIKE compares texts, not ") +
                          KindName(v.kind()));
      }
      bool m = Like(TrimRight(v.text()), p.text());
      return e.negated ? !m : m;
    }
    case ExprKind::kPrefix: {
      dbf::Value v = Eval(*e.args[0], f, env);
      const std::string& p = e.args[1]->literal.text();
      bool m;
      if (v.is_null()) {
        m = p.empty();
      } else if (v.kind() == K::kText) {
        m = v.text().compare(0, p.size(), p) == 0;
      } else {
        throw EngineError(std::string("Type mismatch: '") + p + "*' matches the beginning of a " +
                          "text, not a " + KindName(v.kind()));
      }
      return e.negated ? !m : m;
    }
    case ExprKind::kInList: {
      dbf::Value v = Eval(*e.args[0], f, env);
      if (v.is_null()) return std::nullopt;
      bool unknown = false;
      for (size_t i = 1; i < e.args.size(); ++i) {
        auto t = CompareOp(Op::kEq, v, Eval(*e.args[i], f, env), env);
        if (t && *t) return !e.negated;
        if (!t) unknown = true;
      }
      if (unknown) return std::nullopt;
      return e.negated;
    }
    case ExprKind::kInSelect: {
      // NULL IN (an empty set) is false, as any IN of an empty set.
      dbf::Value v = Eval(*e.args[0], f, env);
      auto t = env.subqueries->Contains(e, v, f);
      if (!t) return std::nullopt;
      return e.negated ? !*t : *t;
    }
    default:
      break;
  }
  dbf::Value v = Eval(e, f, env);
  if (v.is_null()) return std::nullopt;
  if (v.kind() == K::kLogical) return v.logical();
  throw EngineError(std::string("Type mismatch: a condition must be TRUE or FALSE, not the ") +
                    KindName(v.kind()) + " " + ToDebugString(v));
}

dbf::Value Eval(const Expr& e, const Frame& f, const EvalEnv& env) {
  switch (e.kind) {
    case ExprKind::kLiteral:
      return e.literal;
    case ExprKind::kParam: {
      if (env.params) {
        auto it = env.params->find(e.name);
        if (it != env.params->end()) return it->second;
      }
      throw EngineError("Parameter :" + e.name + " has no value");
    }
    case ExprKind::kColumn:
      return ColumnValue(e, f);
    case ExprKind::kUnary:
      if (e.op == Op::kNeg) {
        dbf::Value v = Eval(*e.args[0], f, env);
        if (v.is_null()) return v;
        if (v.kind() != K::kNumber) {
          throw EngineError(std::string("Type mismatch: cannot negate the ") + KindName(v.kind()) +
                            " " + ToDebugString(v));
        }
        return dbf::Value::Number(-v.number());
      }
      break;
    case ExprKind::kBinary:
      switch (e.op) {
        case Op::kAdd:
        case Op::kSub:
        case Op::kMul:
        case Op::kDiv:
        case Op::kConcat: {
          dbf::Value ta, tb;
          return Arithmetic(e.op, EvalRef(*e.args[0], f, env, ta), EvalRef(*e.args[1], f, env, tb),
                            e.position);
        }
        default:
          break;
      }
      break;
    case ExprKind::kSubquery:
      return env.subqueries->Scalar(e, f);
    case ExprKind::kFunction: {
      dbf::Value v = Eval(*e.args[0], f, env);
      if (v.is_null()) return v;
      if (v.kind() != K::kText) {
        throw EngineError("Type mismatch: " + e.name + " takes a text, not the " +
                          KindName(v.kind()) + " " + ToDebugString(v));
      }
      if (e.name == "UPPER") return dbf::Value::Text(ToUpper(v.text()));
      if (e.name == "LOWER") return dbf::Value::Text(Lower(v.text()));
      std::string s = v.text();
      size_t b = s.find_first_not_of(' ');
      if (b == std::string::npos) return dbf::Value::Text("");
      return dbf::Value::Text(std::string(TrimRight(s.substr(b))));
    }
    case ExprKind::kAggregate:
      if (!f.aggregates || e.aggregate < 0) {
        throw EngineError(e.name + "() is not allowed here");
      }
      return f.aggregates[e.aggregate];
    default:
      break;
  }
  auto t = Truth(e, f, env);
  if (!t) return dbf::Value();
  return dbf::Value::Logical(*t);
}

}  // namespace lumi::sql
