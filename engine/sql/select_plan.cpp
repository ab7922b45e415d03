#include "engine/sql/select_plan.h"

#include <algorithm>
#include <numeric>
#include <unordered_set>

#include "engine/error.h"
#include "engine/sql/big_allocator.h"
#include "engine/sql/values.h"

namespace lumi::sql {

namespace {

char InferType(const Expr& e, QueryCore& core, const EvalEnv& env) {
  switch (e.kind) {
    case ExprKind::kLiteral:
      switch (e.literal.kind()) {
        case dbf::ValueKind::kNumber:
          return 'N';
        case dbf::ValueKind::kLogical:
          return 'L';
        case dbf::ValueKind::kDate:
          return 'D';
        default:
          return 'C';
      }
    case ExprKind::kParam:
      if (env.params) {
        auto it = env.params->find(e.name);
        if (it != env.params->end()) {
          switch (it->second.kind()) {
            case dbf::ValueKind::kNumber:
              return 'N';
            case dbf::ValueKind::kDate:
              return 'D';
            case dbf::ValueKind::kLogical:
              return 'L';
            default:
              return 'C';
          }
        }
      }
      return 'C';
    case ExprKind::kColumn:
      if (e.depth == 0) {
        SourceTable& t = core.table(static_cast<size_t>(e.table));
        return t.table.fields()[static_cast<size_t>(t.fields[static_cast<size_t>(e.slot)])].type;
      }
      return 'C';
    case ExprKind::kAggregate:
      if (e.name == "MIN" || e.name == "MAX") return InferType(*e.args[0], core, env);
      return 'N';
    case ExprKind::kBinary:
      switch (e.op) {
        case Op::kAdd:
        case Op::kSub: {
          char a = InferType(*e.args[0], core, env);
          char b = InferType(*e.args[1], core, env);
          if (a == 'D' && b == 'D') return 'N';
          return a == 'D' ? 'D' : 'N';
        }
        case Op::kMul:
        case Op::kDiv:
          return 'N';
        case Op::kConcat:
          return 'C';
        default:
          return 'L';
      }
    case ExprKind::kUnary:
      return e.op == Op::kNeg ? 'N' : 'L';
    case ExprKind::kFunction:
      return 'C';
    case ExprKind::kSubquery:
      return e.cache ? e.cache->plan->columns()[0].type : 'C';
    default:
      return 'L';
  }
}

bool SameColumn(const Expr& a, const Expr& b) {
  return a.kind == ExprKind::kColumn && b.kind == ExprKind::kColumn && a.depth == b.depth &&
         a.table == b.table && a.slot == b.slot;
}

struct Accumulator {
  double sum = 0;
  int64_t count = 0;
  bool any = false;
  dbf::Value best;
  std::unique_ptr<std::unordered_set<std::string>> seen;  // DISTINCT inside
};

}  // namespace

struct SelectPlan::Group {
  std::vector<dbf::Value> rep;  // the first row's slots, table after table
  std::vector<Accumulator> acc;
};

SelectPlan::SelectPlan(Session& session, SelectStmt& select, QueryCore* outer, const EvalEnv& env)
    : session_(session), select_(select), env_(env) {
  core_ = std::make_unique<QueryCore>(session, select.from, select.where.get(), outer, env);
  BindOutputs();
  core_->Prepare();
  if (core_->table_count() == 1 && !aggregating_ && order_columns_.size() == 1 &&
      !order_descending_[0]) {
    const Expr& key = *outputs_[static_cast<size_t>(order_columns_[0])];
    if (key.kind == ExprKind::kColumn && key.depth == 0) {
      core_->SetOrderHint(core_->table(0).fields[static_cast<size_t>(key.slot)]);
    }
  }
}

SelectPlan::~SelectPlan() = default;

void SelectPlan::CollectAggregates(Expr& e, bool inside) {
  if (e.kind == ExprKind::kAggregate) {
    if (inside) throw EngineError(e.name + "() cannot be inside another aggregate");
    e.aggregate = static_cast<int>(aggregates_.size());
    aggregates_.push_back(&e);
    for (auto& a : e.args) CollectAggregates(*a, true);
    return;
  }
  for (auto& a : e.args) CollectAggregates(*a, inside);
}

void SelectPlan::CheckGrouped(const Expr& e) const {
  if (e.kind == ExprKind::kAggregate) return;
  if (e.kind == ExprKind::kColumn && e.depth == 0) {
    for (const auto& g : select_.group_by) {
      if (SameColumn(*g, e)) return;
    }
    throw EngineError("Column " + e.name +
                      " must be in GROUP BY or inside an aggregate such as SUM()");
  }
  for (const auto& a : e.args) CheckGrouped(*a);
}

void SelectPlan::BindOutputs() {
  QueryCore& core = *core_;
  for (SelectItem& item : select_.items) {
    if (item.star) {
      bool any = false;
      for (size_t t = 0; t < core.table_count(); ++t) {
        SourceTable& st = core.table(t);
        std::string name = st.ref.alias.empty() ? st.base_name : st.ref.alias;
        if (!item.star_table.empty() && name != item.star_table) continue;
        any = true;
        for (const dbf::FieldDef& fd : st.table.fields()) {
          auto e = std::make_unique<Expr>();
          e->kind = ExprKind::kColumn;
          e->name = ToUpper(fd.name);
          e->qualifier = name;
          core.Bind(*e);
          columns_.push_back({fd.name, fd.type, fd.width, fd.decimals});
          outputs_.push_back(e.get());
          owned_.push_back(std::move(e));
        }
      }
      if (!any)
        throw EngineError("Unknown table " + item.star_table + " in " + item.star_table + ".*");
      continue;
    }
    core.Bind(*item.expr);
    CollectAggregates(*item.expr, false);
    ColumnInfo info;
    const Expr& e = *item.expr;
    if (e.kind == ExprKind::kColumn && e.depth == 0) {
      SourceTable& st = core.table(static_cast<size_t>(e.table));
      const dbf::FieldDef& fd =
          st.table.fields()[static_cast<size_t>(st.fields[static_cast<size_t>(e.slot)])];
      info = {fd.name, fd.type, fd.width, fd.decimals};
    } else {
      info.name = ToUpper(item.text);
      info.type = InferType(e, core, env_);
    }
    if (!item.alias.empty()) info.name = item.alias;
    columns_.push_back(info);
    outputs_.push_back(item.expr.get());
  }
  for (auto& g : select_.group_by) {
    core.Bind(*g);
    if (g->kind == ExprKind::kAggregate) throw EngineError("GROUP BY cannot name an aggregate");
  }
  if (select_.having) {
    core.Bind(*select_.having);
    CollectAggregates(*select_.having, false);
  }
  // ORDER BY: an output column by name or alias, a position, or an expression.
  for (OrderItem& o : select_.order_by) {
    int found = -1;
    const Expr& e = *o.expr;
    if (e.kind == ExprKind::kColumn && e.qualifier.empty()) {
      for (size_t i = 0; i < columns_.size() && found < 0; ++i) {
        if (ToUpper(columns_[i].name) == e.name) found = static_cast<int>(i);
      }
    } else if (e.kind == ExprKind::kLiteral && e.literal.kind() == dbf::ValueKind::kNumber) {
      double n = e.literal.number();
      if (n < 1 || n > static_cast<double>(columns_.size()) || n != static_cast<int>(n)) {
        throw EngineError("ORDER BY " + FormatNumber(n) + ": there is no such column");
      }
      found = static_cast<int>(n) - 1;
    }
    if (found < 0) {
      core.Bind(*o.expr);
      CollectAggregates(*o.expr, false);
      found = static_cast<int>(outputs_.size());
      outputs_.push_back(o.expr.get());
    }
    order_columns_.push_back(found);
    order_descending_.push_back(o.descending);
  }
  aggregating_ = !aggregates_.empty() || !select_.group_by.empty();
  if (aggregating_) {
    for (Expr* out : outputs_) CheckGrouped(*out);
    if (select_.having) CheckGrouped(*select_.having);
  } else if (select_.having) {
    throw EngineError("HAVING needs GROUP BY or an aggregate");
  }
  for (Expr* a : aggregates_) {
    if (a->name == "SUM" || a->name == "AVG") {
      if (!a->star && InferType(*a->args[0], core, env_) != 'N') {
        throw EngineError("Type mismatch: " + a->name + "() adds numbers");
      }
    }
  }
}

size_t SelectPlan::AddHiddenOutput(Expr* e) {
  outputs_.push_back(e);
  return outputs_.size() - 1;
}

void SelectPlan::Run(const Frame* outer, const RowSink& sink) {
  KeyIndex distinct_keys;
  std::string distinct_key;
  std::vector<dbf::Value> computed(outputs_.size());
  std::vector<const dbf::Value*> out(outputs_.size());
  auto emit = [&](const Frame& f) {
    for (size_t i = 0; i < outputs_.size(); ++i)
      out[i] = &EvalRef(*outputs_[i], f, env_, computed[i]);
    if (select_.distinct) {
      distinct_key.clear();
      for (size_t i = 0; i < columns_.size(); ++i) AppendKey(distinct_key, *out[i]);
      bool added;
      distinct_keys.Intern(distinct_key, &added);
      if (!added) return;
    }
    sink(out.data());
  };
  if (!aggregating_) {
    core_->Run(outer, [&](const Frame& f, uint32_t) { emit(f); });
    return;
  }
  // Grouping: one accumulator set per group; the first row of each group
  // gives the values of its grouped columns.
  const size_t n = core_->table_count();
  std::vector<size_t> offsets(n + 1, 0);
  for (size_t t = 0; t < n; ++t) offsets[t + 1] = offsets[t] + core_->table(t).fields.size();
  KeyIndex index;
  std::vector<Group> groups;
  std::string key;
  auto new_group = [&]() -> Group& {
    groups.emplace_back();
    Group& g = groups.back();
    g.rep.resize(offsets[n]);
    g.acc.resize(aggregates_.size());
    for (size_t i = 0; i < aggregates_.size(); ++i) {
      if (aggregates_[i]->negated)
        g.acc[i].seen = std::make_unique<std::unordered_set<std::string>>();
    }
    return g;
  };
  // What each aggregate does, decided once rather than at every row.
  enum class Kind { kCount, kAdd, kMinMax };
  std::vector<Kind> kinds;
  for (const Expr* a : aggregates_) {
    kinds.push_back(a->name == "SUM" || a->name == "AVG"   ? Kind::kAdd
                    : a->name == "MIN" || a->name == "MAX" ? Kind::kMinMax
                                                           : Kind::kCount);
  }
  const bool one_group = select_.group_by.empty();
  dbf::Value tmp;
  core_->Run(outer, [&](const Frame& f, uint32_t) {
    uint32_t group = 0;
    bool inserted = groups.empty();
    if (!one_group) {
      key.clear();
      for (auto& g : select_.group_by) AppendKey(key, EvalRef(*g, f, env_, tmp));
      group = index.Intern(key, &inserted);
    }
    if (inserted) {
      Group& g = new_group();
      for (size_t t = 0; t < n; ++t) {
        for (size_t s = 0; s < offsets[t + 1] - offsets[t]; ++s)
          g.rep[offsets[t] + s] = f.rows[t][s];
      }
    }
    Group& g = groups[group];
    for (size_t i = 0; i < aggregates_.size(); ++i) {
      const Expr& a = *aggregates_[i];
      Accumulator& acc = g.acc[i];
      if (a.star) {
        ++acc.count;
        continue;
      }
      const dbf::Value& v = EvalRef(*a.args[0], f, env_, tmp);
      if (v.is_null()) continue;
      if (acc.seen) {
        std::string k;
        AppendKey(k, v);
        if (!acc.seen->insert(std::move(k)).second) continue;
      }
      ++acc.count;
      if (kinds[i] == Kind::kAdd) {
        if (v.kind() != dbf::ValueKind::kNumber) {
          throw EngineError("Type mismatch: " + a.name + "() adds numbers, not " +
                            ToDebugString(v));
        }
        acc.sum += v.number();
        acc.any = true;
      } else if (kinds[i] == Kind::kMinMax) {
        if (!acc.any) {
          acc.best = v;
          acc.any = true;
        } else {
          int c = CompareValues(v, acc.best, env_.date_format);
          if ((a.name == "MIN" && c < 0) || (a.name == "MAX" && c > 0)) acc.best = v;
        }
      }
    }
  });
  if (groups.empty() && select_.group_by.empty()) new_group();  // SUM over no rows is NULL
  std::vector<const dbf::Value*> rows(n);
  std::vector<dbf::Value> results(aggregates_.size());
  for (Group& g : groups) {
    for (size_t t = 0; t < n; ++t) rows[t] = g.rep.data() + offsets[t];
    for (size_t i = 0; i < aggregates_.size(); ++i) {
      const Expr& a = *aggregates_[i];
      const Accumulator& acc = g.acc[i];
      if (a.name == "COUNT") {
        results[i] = dbf::Value::Number(static_cast<double>(acc.count));
      } else if (!acc.any) {
        results[i] = dbf::Value();
      } else if (a.name == "SUM") {
        results[i] = dbf::Value::Number(acc.sum);
      } else if (a.name == "AVG") {
        results[i] = dbf::Value::Number(acc.sum / static_cast<double>(acc.count));
      } else {
        results[i] = acc.best;
      }
    }
    Frame gf;
    gf.rows = rows.data();
    gf.outer = outer;
    gf.aggregates = results.data();
    if (select_.having && !IsTrue(*select_.having, gf, env_)) continue;
    emit(gf);
  }
}

std::shared_ptr<ResultSet> SelectPlan::Materialise(const Frame* outer) {
  std::vector<ColumnInfo> cols = columns_;
  for (size_t i = columns_.size(); i < outputs_.size(); ++i) cols.push_back({"", 'C', 0, 0});
  auto rs = std::make_shared<ResultSet>(std::move(cols));
  if (!aggregating_ && !select_.where && core_->table_count() == 1) {
    rs->Reserve(core_->table(0).table.RecordCount());  // every record, less the deleted ones
  }
  Run(outer, [&](const dbf::Value* const* v) { rs->Append(v); });
  if (!order_columns_.empty() && rs->size() > 1 && !core_->rows_in_key_order()) {
    // The first key of every row as a number, so that most comparisons
    // need not look at the cells.
    struct Entry {
      uint64_t key;
      uint32_t row;
      bool exact;
    };
    const size_t first = static_cast<size_t>(order_columns_[0]);
    const bool first_descending = order_descending_[0];
    BigVector<Entry> entries(rs->size());
    for (uint32_t r = 0; r < entries.size(); ++r) {
      entries[r].row = r;
      entries[r].key = rs->SortKey(first, r, &entries[r].exact);
    }
    std::string_view df = env_.date_format;
    std::stable_sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
      if (a.key != b.key) return first_descending ? a.key > b.key : a.key < b.key;
      for (size_t k = a.exact && b.exact ? 1 : 0; k < order_columns_.size(); ++k) {
        int c = rs->CompareCells(static_cast<size_t>(order_columns_[k]), a.row, b.row, df);
        if (c != 0) return order_descending_[k] ? c > 0 : c < 0;
      }
      return false;
    });
    std::vector<uint32_t> perm(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) perm[i] = entries[i].row;
    rs->Reorder(std::move(perm));
  }
  rs->KeepColumns(columns_.size());
  return rs;
}

// ---------------------------------------------------------------- sub-selects

namespace {

dbf::Value SingleValue(SubqueryCache& c, const Frame* outer, bool* found_out) {
  dbf::Value value;
  bool& found = *found_out;
  found = false;
  c.plan->Run(outer, [&](const dbf::Value* const* v) {
    if (found) throw EngineError("A sub-select used as a value found more than one row");
    value = *v[0];
    found = true;
  });
  return value;
}

}  // namespace

dbf::Value CachedSubqueries::ScalarFound(const Expr& e, const Frame& f, bool* found) {
  SubqueryCache& c = *e.cache;
  if (!e.correlated) {
    if (!c.done) {
      c.scalar = SingleValue(c, &f, &c.scalar_rows);
      c.done = true;
    }
    *found = c.scalar_rows;
    return c.scalar;
  }
  if (!c.inner_key) return SingleValue(c, &f, found);
  Keyed(e);
  *found = false;
  Frame sub;
  sub.outer = &f;
  dbf::Value k = Eval(*c.outer_key, sub, c.plan->core().env());
  if (k.is_null()) return dbf::Value();
  std::string key;
  AppendKey(key, k);
  uint32_t found_key = c.keyed.Find(key);
  if (found_key == KeyIndex::kNone) return dbf::Value();
  if (c.keyed.Count(found_key) > 1) {
    throw EngineError("A sub-select used as a value found more than one row for " +
                      ToDebugString(k));
  }
  *found = true;
  return c.values[c.keyed.First(found_key)];
}

const SubqueryCache& CachedSubqueries::Keyed(const Expr& e) {
  SubqueryCache& c = *e.cache;
  if (c.done) return c;
  size_t key_at = c.key_at;
  std::string key;
  c.plan->Run(nullptr, [&](const dbf::Value* const* v) {
    const dbf::Value& k = *v[key_at];
    if (k.is_null()) return;
    key.clear();
    AppendKey(key, k);
    c.keyed.Add(key, static_cast<uint32_t>(c.values.size()));
    c.values.push_back(*v[0]);
    c.key_values.push_back(k);
  });
  c.done = true;
  return c;
}

std::optional<bool> CachedSubqueries::Contains(const Expr& e, const dbf::Value& v, const Frame& f) {
  SubqueryCache& c = *e.cache;
  std::string key;
  AppendKey(key, v);
  if (!e.correlated) {
    if (!c.done) {
      c.plan->Run(&f, [&](const dbf::Value* const* row) {
        if (row[0]->is_null()) {
          c.set_has_null = true;
          return;
        }
        std::string k;
        AppendKey(k, *row[0]);
        bool added;
        c.set.Intern(k, &added);
      });
      c.done = true;
    }
    if (v.is_null()) {
      if (c.set.key_count() == 0 && !c.set_has_null) return false;
      return std::nullopt;
    }
    if (c.set.Find(key) != KeyIndex::kNone) return true;
    if (c.set_has_null) return std::nullopt;
    return false;
  }
  bool found = false;
  bool has_null = false;
  bool any = false;
  c.plan->Run(&f, [&](const dbf::Value* const* row) {
    any = true;
    if (row[0]->is_null()) {
      has_null = true;
    } else if (!found && !v.is_null()) {
      std::string k;
      AppendKey(k, *row[0]);
      found = k == key;
    }
  });
  if (!any) return false;
  if (v.is_null()) return std::nullopt;
  if (found) return true;
  if (has_null) return std::nullopt;
  return false;
}

}  // namespace lumi::sql
