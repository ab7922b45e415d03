// INSERT, UPDATE and DELETE.
#include <algorithm>

#include "engine/dbf/table.h"
#include "engine/error.h"
#include "engine/sql/query_core.h"
#include "engine/sql/select_plan.h"
#include "engine/sql/statements.h"
#include "engine/sql/values.h"

namespace lumi::sql {

namespace {

int FieldOf(const dbf::Table& t, const std::string& name, const TableRef& ref) {
  int f = t.FieldIndex(name);
  if (f < 0) throw EngineError("Unknown column " + name + " in table \"" + ref.path + "\"");
  return f;
}

// The same value as far as the stored field is concerned.
bool Same(const dbf::Value& a, const dbf::Value& b, std::string_view date_format) {
  if (a.is_null() || b.is_null()) return a.is_null() && b.is_null();
  if (a.kind() != b.kind()) return false;
  return CompareValues(a, b, date_format) == 0;
}

// UPDATE t SET col = (SELECT v FROM u WHERE u.k = t.k) with a tag on t.k:
// walks the sub-select's rows and finds their records through the tag,
// instead of reading every record of t. -1 when the statement has another form.
int64_t UpdateThroughKey(SourceTable& target, int field, const Expr& value,
                         CachedSubqueries& subqueries, const EvalEnv& env) {
  if (value.kind != ExprKind::kSubquery || !value.correlated || !value.cache ||
      !value.cache->inner_key) {
    return -1;
  }
  const Expr& outer = *value.cache->outer_key;
  if (outer.kind != ExprKind::kColumn || outer.depth != 1 || outer.table != 0) return -1;
  int key_field = target.fields[static_cast<size_t>(outer.slot)];
  const auto& fields = target.table.fields();
  std::string tag = TagOnField(target.table, key_field);
  if (tag.empty()) return -1;
  const SubqueryCache& c = subqueries.Keyed(value);
  const dbf::FieldDef& fd = fields[static_cast<size_t>(field)];
  const dbf::FieldDef& kd = fields[static_cast<size_t>(key_field)];
  // The records of every key first, then visited in record order: nearby
  // records are read together and the writes go through the file once.
  std::vector<dbf::Value> values(c.keyed.key_count());
  std::vector<std::pair<uint32_t, uint32_t>> hits;  // (recno, key number)
  for (uint32_t k = 0; k < c.keyed.key_count(); ++k) {
    uint32_t i = c.keyed.First(k);
    values[k] = ConvertForField(c.values[i], fd.type, fd.name, env.date_format);
    dbf::Value key = ConvertForField(c.key_values[i], kd.type, kd.name, env.date_format);
    for (uint32_t r : target.table.FindEqual(tag, key)) hits.emplace_back(r, k);
  }
  std::sort(hits.begin(), hits.end());
  std::vector<uint32_t> recnos;
  recnos.reserve(hits.size());
  for (const auto& h : hits) recnos.push_back(h.first);
  int64_t count = 0;
  size_t at = 0;
  ReadRecords(target.table, recnos, [&](uint32_t r, const dbf::Scanner& sc) {
    while (hits[at].first != r) ++at;
    uint32_t k = hits[at].second;
    if (c.keyed.Count(k) > 1) {
      throw EngineError("A sub-select used as a value found more than one row for " +
                        ToDebugString(c.key_values[c.keyed.First(k)]));
    }
    ++count;
    if (!Same(values[k], sc.Get(field), env.date_format))
      target.table.Update(r, {{field, values[k]}});
  });
  return count;
}

}  // namespace

std::string ExistingTable(Session& s, const TableRef& t) {
  auto found = dbf::Table::Resolve(s.ResolvePath(t.path));
  if (!found) throw EngineError("Unknown table \"" + t.path + "\"");
  return *found;
}

int64_t RunInsert(Session& s, InsertStmt& st, const EvalEnv& env) {
  dbf::Table table = s.OpenTable(s.ResolvePath(st.table.path), st.table.path);
  const auto& fields = table.fields();
  std::vector<int> targets;
  if (st.columns.empty()) {
    for (size_t i = 0; i < fields.size(); ++i) targets.push_back(static_cast<int>(i));
  } else {
    for (const std::string& c : st.columns) {
      int f = FieldOf(table, c, st.table);
      if (std::find(targets.begin(), targets.end(), f) != targets.end()) {
        throw EngineError("Column " + c + " is named twice in the INSERT");
      }
      targets.push_back(f);
    }
  }
  // Rows go to the table a few hundred at a time: one write for their
  // records and one for the header. The statement is atomic as a whole.
  constexpr size_t kBatch = 256;
  std::vector<std::vector<dbf::Value>> batch;
  size_t used = 0;
  auto flush = [&]() {
    batch.resize(used);
    if (used) table.AppendMany(batch);
    used = 0;
  };
  auto put = [&](const dbf::Value* const* values) {
    if (used == batch.size()) batch.emplace_back();
    std::vector<dbf::Value>& record = batch[used];
    record.assign(fields.size(), dbf::Value());
    for (size_t i = 0; i < targets.size(); ++i) {
      const dbf::FieldDef& fd = fields[static_cast<size_t>(targets[i])];
      record[static_cast<size_t>(targets[i])] =
          ConvertForField(*values[i], fd.type, fd.name, env.date_format);
    }
    if (++used == kBatch) flush();
  };
  int64_t count = 0;
  if (!st.select) {
    std::vector<TableRef> none;
    QueryCore core(s, none, nullptr, nullptr, env);
    for (auto& row : st.rows) {
      for (auto& e : row) core.Bind(*e);
    }
    Frame f;
    for (auto& row : st.rows) {
      if (row.size() != targets.size()) {
        throw EngineError("INSERT names " + std::to_string(targets.size()) + " columns but gives " +
                          std::to_string(row.size()) + " values");
      }
      std::vector<dbf::Value> values;
      for (auto& e : row) values.push_back(Eval(*e, f, env));
      std::vector<const dbf::Value*> refs;
      for (const auto& v : values) refs.push_back(&v);
      put(refs.data());
      ++count;
    }
    flush();
    return count;
  }
  SelectPlan plan(s, *st.select, nullptr, env);
  if (plan.columns().size() != targets.size()) {
    throw EngineError("INSERT names " + std::to_string(targets.size()) +
                      " columns but the SELECT gives " + std::to_string(plan.columns().size()));
  }
  bool reads_target = false;
  for (size_t t = 0; t < plan.core().table_count(); ++t) {
    if (plan.core().table(t).table.path() == table.path()) reads_target = true;
  }
  if (reads_target || !st.select->order_by.empty()) {
    // Read everything first: the rows added must not feed the SELECT.
    auto rows = plan.Materialise(nullptr);
    std::vector<dbf::Value> values(rows->column_count());
    std::vector<const dbf::Value*> refs;
    for (const auto& v : values) refs.push_back(&v);
    for (size_t r = 0; r < rows->size(); ++r) {
      for (size_t c = 0; c < values.size(); ++c) values[c] = rows->Get(r, c);
      put(refs.data());
      ++count;
    }
    flush();
    return count;
  }
  plan.Run(nullptr, [&](const dbf::Value* const* v) {
    put(v);
    ++count;
  });
  flush();
  return count;
}

int64_t RunUpdate(Session& s, UpdateStmt& st, const EvalEnv& env) {
  std::vector<TableRef> from{st.table};
  QueryCore core(s, from, st.where.get(), nullptr, env);
  SourceTable& target = core.table(0);
  const auto& fields = target.table.fields();
  struct Set {
    int field;
    int slot;
    Expr* value;
  };
  std::vector<Set> sets;
  for (Assignment& a : st.sets) {
    int f = FieldOf(target.table, a.column, st.table);
    for (const Set& other : sets) {
      if (other.field == f) throw EngineError("Column " + a.column + " is set twice in the UPDATE");
    }
    core.Bind(*a.value);
    sets.push_back({f, target.SlotOf(f), a.value.get()});
  }
  core.Prepare();
  auto* subqueries = dynamic_cast<CachedSubqueries*>(env.subqueries);
  if (!st.where && sets.size() == 1 && subqueries) {
    int64_t n = UpdateThroughKey(target, sets[0].field, *sets[0].value, *subqueries, env);
    if (n >= 0) return n;
  }
  int64_t count = 0;
  std::vector<std::pair<int, dbf::Value>> changes;
  core.Run(
      nullptr,
      [&](const Frame& f, uint32_t recno) {
        bool assigned = false;
        changes.clear();
        for (const Set& set : sets) {
          const dbf::FieldDef& fd = fields[static_cast<size_t>(set.field)];
          dbf::Value v;
          if (set.value->kind == ExprKind::kSubquery && set.value->correlated && subqueries) {
            // A row for which the correlated sub-select finds nothing keeps its
            // value: only the rows the sub-select speaks for are assigned.
            bool found = false;
            v = subqueries->ScalarFound(*set.value, f, &found);
            if (!found) continue;
          } else {
            v = Eval(*set.value, f, env);
          }
          assigned = true;
          v = ConvertForField(v, fd.type, fd.name, env.date_format);
          if (Same(v, f.rows[0][set.slot], env.date_format)) continue;
          changes.emplace_back(set.field, std::move(v));
        }
        if (assigned) ++count;
        if (!changes.empty()) target.table.Update(recno, changes);
      },
      true);
  return count;
}

int64_t RunDelete(Session& s, DeleteStmt& st, const EvalEnv& env) {
  std::vector<TableRef> from{st.table};
  QueryCore core(s, from, st.where.get(), nullptr, env);
  core.Prepare();
  std::vector<uint32_t> doomed;
  core.Run(
      nullptr, [&](const Frame&, uint32_t recno) { doomed.push_back(recno); }, true);
  for (uint32_t r : doomed) core.table(0).table.MarkDeleted(r);
  return static_cast<int64_t>(doomed.size());
}

}  // namespace lumi::sql
