#include "engine/sql/query_core.h"

#include <algorithm>
#include <cstring>

#include "engine/error.h"
#include "engine/sql/key_index.h"
#include "engine/sql/select_plan.h"
#include "engine/sql/values.h"

namespace lumi::sql {

namespace {

constexpr uint32_t kRunTime = 1u << 31;

std::string BaseName(const std::string& path) {
  size_t slash = path.find_last_of("/\\");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return ToUpper(name);
}

void Flatten(Expr* e, std::vector<Expr*>& out) {
  if (!e) return;
  if (e->kind == ExprKind::kBinary && e->op == Op::kAnd) {
    Flatten(e->args[0].get(), out);
    Flatten(e->args[1].get(), out);
  } else {
    out.push_back(e);
  }
}

bool IsComparison(Op op) {
  return op == Op::kEq || op == Op::kLt || op == Op::kLe || op == Op::kGt || op == Op::kGe;
}

Op Mirror(Op op) {
  switch (op) {
    case Op::kLt:
      return Op::kGt;
    case Op::kLe:
      return Op::kGe;
    case Op::kGt:
      return Op::kLt;
    case Op::kGe:
      return Op::kLe;
    default:
      return op;
  }
}

bool HasAggregate(const Expr& e) {
  if (e.kind == ExprKind::kAggregate) return true;
  for (auto& a : e.args) {
    if (HasAggregate(*a)) return true;
  }
  return false;
}

}  // namespace

void AppendKey(std::string& key, const dbf::Value& v) {
  switch (v.kind()) {
    case dbf::ValueKind::kNull:
      key.push_back('0');
      break;
    case dbf::ValueKind::kNumber: {
      double d = v.number();
      if (d == 0) d = 0;  // -0 and 0 are one key
      key.push_back('N');
      char b[sizeof d];
      std::memcpy(b, &d, sizeof d);
      key.append(b, sizeof d);
      break;
    }
    case dbf::ValueKind::kText: {
      std::string_view t = TrimRight(v.text());
      key.push_back('T');
      uint32_t n = static_cast<uint32_t>(t.size());
      key.append(reinterpret_cast<const char*>(&n), sizeof n);
      key.append(t);
      break;
    }
    case dbf::ValueKind::kDate: {
      int64_t jd = v.date().JulianDay();
      key.push_back('D');
      key.append(reinterpret_cast<const char*>(&jd), sizeof jd);
      break;
    }
    case dbf::ValueKind::kLogical:
      key.push_back(v.logical() ? 'Y' : 'F');
      break;
  }
}

std::string TagOnField(const dbf::Table& table, int field) {
  const std::string& name = table.fields()[static_cast<size_t>(field)].name;
  for (const auto& tag : table.Tags()) {
    if (ToUpper(tag.expression) == ToUpper(name)) return tag.name;
  }
  return "";
}

int SourceTable::SlotOf(int field) {
  for (size_t i = 0; i < fields.size(); ++i) {
    if (fields[i] == field) return static_cast<int>(i);
  }
  fields.push_back(field);
  return static_cast<int>(fields.size() - 1);
}

QueryCore::QueryCore(Session& session, std::vector<TableRef>& from, Expr* where, QueryCore* outer,
                     const EvalEnv& env)
    : session_(session), where_(where), outer_(outer), env_(env) {
  if (from.size() > 30) throw EngineError("A statement may name at most 30 tables");
  for (TableRef& ref : from) {
    SourceTable t;
    t.ref = ref;
    t.base_name = BaseName(ref.path);
    t.table = session.OpenTable(session.ResolvePath(ref.path), ref.path);
    tables_.push_back(std::move(t));
  }
  if (where_) Bind(*where_);
}

void QueryCore::BindColumn(Expr& e) {
  QueryCore* c = this;
  int depth = 0;
  while (c) {
    int found = -1;
    int field = -1;
    for (size_t t = 0; t < c->tables_.size(); ++t) {
      SourceTable& st = c->tables_[t];
      if (!e.qualifier.empty()) {
        bool named =
            st.ref.alias.empty() ? st.base_name == e.qualifier : st.ref.alias == e.qualifier;
        if (!named) continue;
        field = st.table.FieldIndex(e.name);
        if (field < 0) {
          throw EngineError("Unknown column " + e.qualifier + "." + e.name + " (table \"" +
                            st.ref.path + "\")");
        }
        found = static_cast<int>(t);
        break;
      }
      int f = st.table.FieldIndex(e.name);
      if (f < 0) continue;
      if (found >= 0) {
        throw EngineError("Ambiguous column " + e.name + ": it is in \"" +
                          c->tables_[found].ref.path + "\" and \"" + st.ref.path + "\"");
      }
      found = static_cast<int>(t);
      field = f;
    }
    if (found >= 0) {
      e.depth = depth;
      e.table = found;
      e.slot = c->tables_[found].SlotOf(field);
      for (QueryCore* m = this; m != c; m = m->outer_) m->references_outer_ = true;
      return;
    }
    c = c->outer_;
    ++depth;
  }
  throw EngineError("Unknown column " +
                    (e.qualifier.empty() ? e.name : e.qualifier + "." + e.name));
}

void QueryCore::Bind(Expr& e) {
  switch (e.kind) {
    case ExprKind::kColumn:
      BindColumn(e);
      return;
    case ExprKind::kSubquery:
    case ExprKind::kInSelect: {
      for (auto& a : e.args) Bind(*a);
      auto cache = std::make_shared<SubqueryCache>();
      cache->plan = std::make_unique<SelectPlan>(session_, *e.select, this, env_);
      if (cache->plan->columns().size() != 1) {
        throw EngineError("A sub-select used as a value must select one column, not " +
                          std::to_string(cache->plan->columns().size()));
      }
      e.correlated = cache->plan->core().references_outer();
      if (e.correlated)
        references_outer_ = references_outer_ || cache->plan->core().references_outer_;
      // One table, no grouping, `inner = expression of the enclosing row`:
      // computed once as a map from the inner key, not once per row.
      QueryCore& inner = cache->plan->core();
      if (e.kind == ExprKind::kSubquery && e.correlated && inner.table_count() == 1 &&
          !cache->plan->aggregating() && !cache->plan->distinct()) {
        Expr* key_cond = nullptr;
        int correlated_conditions = 0;
        for (Expr* c : inner.conditions()) {
          if (!(TablesOf(*c) & kRunTime)) continue;
          ++correlated_conditions;
          if (c->kind != ExprKind::kBinary || c->op != Op::kEq) continue;
          for (int side = 0; side < 2; ++side) {
            Expr& a = *c->args[side];
            Expr& b = *c->args[1 - side];
            if (a.kind == ExprKind::kColumn && a.depth == 0 && TablesOf(b) == kRunTime &&
                !HasAggregate(b)) {
              key_cond = c;
              cache->inner_key = &a;
              cache->outer_key = &b;
            }
          }
        }
        uint32_t out_mask = 0;
        if (e.select->items[0].expr) out_mask = TablesOf(*e.select->items[0].expr);
        if (key_cond && correlated_conditions == 1 && !(out_mask & kRunTime)) {
          inner.DropCondition(key_cond);
          cache->key_at = cache->plan->AddHiddenOutput(cache->inner_key);
        } else {
          cache->inner_key = cache->outer_key = nullptr;
        }
      }
      e.cache = std::move(cache);
      return;
    }
    default:
      for (auto& a : e.args) Bind(*a);
  }
}

void QueryCore::Prepare() {
  conditions_.clear();
  Flatten(where_, conditions_);
}

void QueryCore::DropCondition(const Expr* e) {
  conditions_.erase(std::remove(conditions_.begin(), conditions_.end(), e), conditions_.end());
}

uint32_t QueryCore::TablesOf(const Expr& e) {
  uint32_t m = 0;
  if (e.kind == ExprKind::kColumn) {
    m |= e.depth == 0 ? (1u << e.table) : kRunTime;
  }
  if ((e.kind == ExprKind::kSubquery || e.kind == ExprKind::kInSelect) && e.correlated) {
    m |= kRunTime | 0x7fffffffu;
  }
  for (auto& a : e.args) m |= TablesOf(*a);
  return m;
}

std::optional<std::vector<uint32_t>> QueryCore::IndexedRecords(size_t t, const Frame* outer) const {
  const SourceTable& st = tables_[t];
  if (st.table.Tags().empty()) return std::nullopt;
  Frame cf;
  cf.outer = outer;
  // A tag that finds a large part of the table is slower than reading it in
  // file order: a lookup stops once it finds more than this.
  const size_t most = std::max<size_t>(64, st.table.RecordCount() / 8);
  std::optional<std::vector<uint32_t>> best;
  int best_field = -1;
  struct Range {
    std::optional<dbf::KeyBound> low, high;
  };
  std::vector<std::pair<int, Range>> ranges;
  for (Expr* c : conditions_) {
    if (TablesOf(*c) != (1u << t)) continue;
    const Expr* col = nullptr;
    const Expr* other = nullptr;
    Op op = Op::kNone;
    if (c->kind == ExprKind::kBinary && IsComparison(c->op)) {
      for (int side = 0; side < 2 && !col; ++side) {
        const Expr& a = *c->args[side];
        const Expr& b = *c->args[1 - side];
        uint32_t bm = TablesOf(b);
        if (a.kind == ExprKind::kColumn && a.depth == 0 && (bm == 0 || bm == kRunTime) &&
            !HasAggregate(b)) {
          col = &a;
          other = &b;
          op = side == 0 ? c->op : Mirror(c->op);
        }
      }
    } else if (c->kind == ExprKind::kIsNull && !c->negated &&
               c->args[0]->kind == ExprKind::kColumn && c->args[0]->depth == 0) {
      col = c->args[0].get();
    }
    if (!col) continue;
    int field = st.fields[static_cast<size_t>(col->slot)];
    const std::string tag = TagOnField(st.table, field);
    if (tag.empty()) continue;
    const dbf::FieldDef& fd = st.table.fields()[static_cast<size_t>(field)];
    try {
      if (!other) {
        auto r = st.table.FindEqual(tag, dbf::Value(), most);
        if (!best || r.size() < best->size()) {
          best = std::move(r);
          best_field = field;
        }
        continue;
      }
      dbf::Value v = Eval(*other, cf, env_);
      if (v.is_null()) return std::vector<uint32_t>{};  // = NULL is never true
      v = ConvertForField(v, fd.type, fd.name, env_.date_format);
      if (op == Op::kEq) {
        auto r = st.table.FindEqual(tag, v, most);
        if (!best || r.size() < best->size()) {
          best = std::move(r);
          best_field = field;
        }
        continue;
      }
      if (fd.type != 'N' && fd.type != 'F' && fd.type != 'D') continue;
      auto it = std::find_if(ranges.begin(), ranges.end(),
                             [&](const auto& p) { return p.first == field; });
      if (it == ranges.end()) {
        ranges.push_back({field, Range{}});
        it = ranges.end() - 1;
      }
      dbf::KeyBound b{v, op == Op::kLe || op == Op::kGe};
      if (op == Op::kLt || op == Op::kLe) {
        if (!it->second.high || CompareValues(v, it->second.high->key, env_.date_format) < 0) {
          it->second.high = b;
        }
      } else {
        if (!it->second.low || CompareValues(v, it->second.low->key, env_.date_format) > 0) {
          it->second.low = b;
        }
      }
    } catch (const EngineError&) {
      // The condition itself will report what is wrong with it.
      continue;
    }
  }
  if (!best && !ranges.empty()) {
    // The range on the ordering column, if there is one, also gives the order.
    auto chosen = ranges.begin();
    for (auto it = ranges.begin(); it != ranges.end(); ++it) {
      if (t == 0 && it->first == order_field_) chosen = it;
    }
    best = st.table.FindRange(TagOnField(st.table, chosen->first), chosen->second.low,
                              chosen->second.high, most);
    best_field = chosen->first;
  }
  if (best && best->size() > most) return std::nullopt;
  if (best && t == 0 && best_field == order_field_) {
    key_order_ = true;  // read in the tag's order: the result needs no sort
  } else if (best) {
    std::sort(best->begin(), best->end());
  }
  return best;
}

namespace {

// The records of `table` whose `field` equals one of `count` key values
// (key(i) gives the i-th), found through the field's tag and sorted; nullopt
// when there is no tag or when they are too many for that to beat a scan.
std::optional<std::vector<uint32_t>> RecordsWithKeys(
    const dbf::Table& table, int field, size_t count,
    const std::function<dbf::Value(uint32_t)>& key) {
  std::string tag = TagOnField(table, field);
  if (tag.empty()) return std::nullopt;
  const size_t limit = table.RecordCount() / 8;
  if (count > limit) return std::nullopt;
  const char type = table.fields()[static_cast<size_t>(field)].type;
  dbf::ValueKind kind = type == 'C'                    ? dbf::ValueKind::kText
                        : type == 'D'                  ? dbf::ValueKind::kDate
                        : (type == 'N' || type == 'F') ? dbf::ValueKind::kNumber
                                                       : dbf::ValueKind::kNull;
  if (kind == dbf::ValueKind::kNull) return std::nullopt;
  std::vector<uint32_t> out;
  try {
    for (uint32_t i = 0; i < count; ++i) {
      dbf::Value v = key(i);
      // A key of another kind never equals the field's values.
      if (v.kind() != kind) continue;
      std::vector<uint32_t> r = table.FindEqual(tag, v, limit - out.size());
      out.insert(out.end(), r.begin(), r.end());
      if (out.size() > limit) return std::nullopt;
    }
  } catch (const EngineError&) {
    return std::nullopt;  // a key the tag cannot hold: the scan decides
  }
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

// Marks the slots of table `t` that `e` reads; all of them when it holds a
// correlated sub-select, which may read any field of the row.
void MarkSlots(const Expr& e, size_t t, std::vector<bool>& slots) {
  if (e.kind == ExprKind::kColumn && e.depth == 0 && e.table == static_cast<int>(t))
    slots[static_cast<size_t>(e.slot)] = true;
  if ((e.kind == ExprKind::kSubquery || e.kind == ExprKind::kInSelect) && e.correlated)
    slots.assign(slots.size(), true);
  for (auto& a : e.args) MarkSlots(*a, t, slots);
}

// The rows of one joined table, read once.
struct HashedTable {
  size_t slots = 0;
  std::vector<dbf::Value> values;  // row-major
  size_t rows = 0;
  KeyIndex index;
  std::vector<const Expr*> own_keys;    // this table's side of each equality
  std::vector<const Expr*> probe_keys;  // the joined side
  std::vector<const Expr*> conditions;  // checked once this table is joined
};

}  // namespace

void QueryCore::Run(const Frame* outer, const std::function<void(const Frame&, uint32_t)>& row,
                    bool driver_first) {
  const size_t n = tables_.size();
  key_order_ = false;
  std::vector<uint32_t> masks;
  for (Expr* c : conditions_) {
    uint32_t m = TablesOf(*c) & ~kRunTime;
    if (m & 0x40000000u) m = (n >= 31 ? 0x7fffffffu : (1u << n) - 1);  // correlated sub-select
    masks.push_back(m);
  }
  std::vector<const dbf::Value*> rows(n, nullptr);
  Frame frame;
  frame.rows = rows.data();
  frame.outer = outer;
  // Conditions on no table (constants, the enclosing row) decide once.
  for (size_t i = 0; i < conditions_.size(); ++i) {
    if (masks[i] == 0 && !IsTrue(*conditions_[i], frame, env_)) return;
  }
  std::vector<std::optional<std::vector<uint32_t>>> candidates(n);
  size_t driver = 0;
  size_t driver_size = 0;
  for (size_t t = 0; t < n; ++t) {
    candidates[t] = IndexedRecords(t, outer);
    size_t size = candidates[t] ? candidates[t]->size() : tables_[t].table.RecordCount();
    if (t == 0 || (!driver_first && size > driver_size)) {
      driver = t;
      driver_size = size;
    }
  }
  // Join order: each next table is one joined by an equality when there is one.
  std::vector<size_t> order{driver};
  uint32_t joined = 1u << driver;
  std::vector<HashedTable> steps(n);
  while (order.size() < n) {
    size_t pick = n;
    for (size_t t = 0; t < n && pick == n; ++t) {
      if (joined & (1u << t)) continue;
      for (size_t i = 0; i < conditions_.size(); ++i) {
        const Expr* c = conditions_[i];
        if (c->kind != ExprKind::kBinary || c->op != Op::kEq) continue;
        uint32_t a = TablesOf(*c->args[0]), b = TablesOf(*c->args[1]);
        if ((a == (1u << t) && b && !(b & ~joined)) || (b == (1u << t) && a && !(a & ~joined))) {
          pick = t;
          break;
        }
      }
    }
    if (pick == n) {
      for (size_t t = 0; t < n; ++t) {
        if (!(joined & (1u << t))) {
          pick = t;
          break;
        }
      }
    }
    HashedTable& h = steps[pick];
    for (size_t i = 0; i < conditions_.size(); ++i) {
      const Expr* c = conditions_[i];
      if (c->kind != ExprKind::kBinary || c->op != Op::kEq) continue;
      uint32_t a = TablesOf(*c->args[0]), b = TablesOf(*c->args[1]);
      if (a == (1u << pick) && b && !(b & ~joined)) {
        h.own_keys.push_back(c->args[0].get());
        h.probe_keys.push_back(c->args[1].get());
      } else if (b == (1u << pick) && a && !(a & ~joined)) {
        h.own_keys.push_back(c->args[1].get());
        h.probe_keys.push_back(c->args[0].get());
      }
    }
    uint32_t before = joined;
    joined |= 1u << pick;
    for (size_t i = 0; i < conditions_.size(); ++i) {
      if (masks[i] && masks[i] != (1u << pick) && !(masks[i] & ~joined) && (masks[i] & ~before)) {
        h.conditions.push_back(conditions_[i]);
      }
    }
    order.push_back(pick);
  }
  auto local_ok = [&](size_t t) {
    for (size_t i = 0; i < conditions_.size(); ++i) {
      if (masks[i] == (1u << t) && !IsTrue(*conditions_[i], frame, env_)) return false;
    }
    return true;
  };
  // Read every table but the driver into its hash table.
  std::string key;
  for (size_t s = 1; s < order.size(); ++s) {
    size_t t = order[s];
    HashedTable& h = steps[t];
    SourceTable& st = tables_[t];
    h.slots = st.fields.size();
    std::vector<dbf::Value> buf(h.slots);
    rows[t] = buf.data();
    // The fields its own conditions read come first; the rest only for a
    // row that passes them.
    std::vector<bool> early(h.slots, false);
    for (size_t i = 0; i < conditions_.size(); ++i) {
      if (masks[i] == (1u << t)) MarkSlots(*conditions_[i], t, early);
    }
    auto take = [&](const dbf::Scanner& sc) {
      for (size_t k = 0; k < h.slots; ++k) {
        if (early[k]) buf[k] = sc.Get(st.fields[k]);
      }
      if (!local_ok(t)) return;
      for (size_t k = 0; k < h.slots; ++k) {
        if (!early[k]) buf[k] = sc.Get(st.fields[k]);
      }
      uint32_t idx = static_cast<uint32_t>(h.rows);
      if (!h.own_keys.empty()) {
        key.clear();
        for (const Expr* k : h.own_keys) {
          dbf::Value v = Eval(*k, frame, env_);
          if (v.is_null()) return;  // NULL joins nothing
          AppendKey(key, v);
        }
        h.index.Add(key, idx);
      }
      h.values.insert(h.values.end(), buf.begin(), buf.end());
      ++h.rows;
    };
    if (candidates[t]) {
      ReadRecords(st.table, *candidates[t], [&](uint32_t, const dbf::Scanner& sc) { take(sc); });
    } else {
      dbf::Scanner sc = st.table.Scan();
      while (sc.Next()) {
        if (!sc.deleted()) take(sc);
      }
    }
    rows[t] = nullptr;
  }
  // Stream the driver and probe the others.
  SourceTable& ds = tables_[driver];
  std::vector<dbf::Value> dbuf(ds.fields.size());
  rows[driver] = dbuf.data();
  uint32_t recno = 0;
  uint32_t first_hit = KeyIndex::kNone;  // the first join's key for the driver's row
  std::function<void(size_t)> probe = [&](size_t s) {
    if (s == order.size()) {
      row(frame, recno);
      return;
    }
    size_t t = order[s];
    HashedTable& h = steps[t];
    auto visit = [&](uint32_t idx) {
      rows[t] = h.slots ? &h.values[idx * h.slots] : nullptr;
      for (const Expr* c : h.conditions) {
        if (!IsTrue(*c, frame, env_)) return;
      }
      probe(s + 1);
    };
    if (h.own_keys.empty()) {
      for (uint32_t i = 0; i < h.rows; ++i) visit(i);
    } else {
      uint32_t k = KeyIndex::kNone;
      if (s == 1 && first_hit != KeyIndex::kNone) {
        k = first_hit;  // the driver's row found it already
      } else {
        std::string key_bytes;
        for (const Expr* e : h.probe_keys) {
          dbf::Value v = Eval(*e, frame, env_);
          if (v.is_null()) return;
          AppendKey(key_bytes, v);
        }
        k = h.index.Find(key_bytes);
        if (k == KeyIndex::kNone) return;
      }
      for (uint32_t i = h.index.First(k); i != KeyIndex::kNone; i = h.index.Next(i)) visit(i);
    }
    rows[t] = nullptr;
  };
  // The driver's fields that decide early (its own conditions and the key
  // of the first join) are read first; the rest only for a row that passes.
  std::vector<bool> early(dbuf.size(), false);
  for (size_t i = 0; i < conditions_.size(); ++i) {
    if (masks[i] == (1u << driver)) MarkSlots(*conditions_[i], driver, early);
  }
  HashedTable* first = order.size() > 1 ? &steps[order[1]] : nullptr;
  bool first_keyed = first && !first->own_keys.empty();
  if (first_keyed) {
    for (const Expr* k : first->probe_keys) {
      if (TablesOf(*k) != (1u << driver)) first_keyed = false;
    }
  }
  if (first_keyed) {
    for (const Expr* k : first->probe_keys) MarkSlots(*k, driver, early);
  }
  // A driver joined on a tagged column to a table that kept few keys reads
  // only the records the tag finds for those keys, still in file order.
  if (first_keyed && !candidates[driver] && first->probe_keys.size() == 1) {
    const Expr& col = *first->probe_keys[0];
    size_t t = order[1];
    if (col.kind == ExprKind::kColumn && col.depth == 0) {
      int field = ds.fields[static_cast<size_t>(col.slot)];
      rows[t] = nullptr;
      candidates[driver] =
          RecordsWithKeys(ds.table, field, first->index.key_count(), [&](uint32_t k) {
            uint32_t idx = first->index.First(k);
            rows[t] = &first->values[idx * first->slots];
            return Eval(*first->own_keys[0], frame, env_);
          });
      rows[t] = nullptr;
    }
  }
  std::string probe_key;
  auto drive = [&](auto&& read) {
    for (size_t k = 0; k < dbuf.size(); ++k) {
      if (early[k]) dbuf[k] = read(ds.fields[k]);
    }
    if (!local_ok(driver)) return;
    if (first_keyed) {
      probe_key.clear();
      for (const Expr* e : first->probe_keys) {
        dbf::Value v = Eval(*e, frame, env_);
        if (v.is_null()) return;
        AppendKey(probe_key, v);
      }
      first_hit = first->index.Find(probe_key);
      if (first_hit == KeyIndex::kNone) return;
    }
    for (size_t k = 0; k < dbuf.size(); ++k) {
      if (!early[k]) dbuf[k] = read(ds.fields[k]);
    }
    probe(1);
  };
  if (candidates[driver]) {
    ReadRecords(ds.table, *candidates[driver], [&](uint32_t r, const dbf::Scanner& sc) {
      recno = r;
      drive([&](int field) { return sc.Get(field); });
    });
  } else {
    dbf::Scanner sc = ds.table.Scan();
    while (sc.Next()) {
      if (sc.deleted()) continue;
      recno = sc.recno();
      drive([&](int field) { return sc.Get(field); });
    }
  }
}

}  // namespace lumi::sql
