#include "engine/query.h"

#include <algorithm>
#include <cmath>

#include "engine/error.h"
#include "engine/sql/executor.h"
#include "engine/sql/filter.h"
#include "engine/sql/lexer.h"
#include "engine/sql/parser.h"
#include "engine/sql/result_set.h"
#include "engine/sql/values.h"

namespace lumi {

namespace {

// Lower case for ASCII and the Latin-2 letters of UTF-8 text (enough for a
// case-insensitive prefix search of Romanian names).
std::string Fold(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    unsigned char c = s[i];
    if (c >= 'A' && c <= 'Z') {
      out.push_back(static_cast<char>(c - 'A' + 'a'));
    } else if ((c == 0xC3 || c == 0xC4 || c == 0xC5 || c == 0xC8) && i + 1 < s.size()) {
      unsigned char d = s[i + 1];
      out.push_back(static_cast<char>(c));
      // In these blocks upper and lower case alternate (even upper, odd lower)
      // except for Latin-1's C3 80..9E, which is 32 below its lower case.
      if (c == 0xC3 && d >= 0x80 && d <= 0x9E && d != 0x97) {
        d = static_cast<unsigned char>(d + 0x20);
      } else if (c != 0xC3 && (d & 1) == 0) {
        d = static_cast<unsigned char>(d + 1);
      }
      out.push_back(static_cast<char>(d));
      ++i;
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

FieldKind KindOf(const sql::ColumnInfo& c) {
  switch (c.type) {
    case 'N':
    case 'F':
      return c.decimals == 0 && c.width > 0 && c.width <= 4 ? FieldKind::kInteger
                                                            : FieldKind::kFloat;
    case 'D':
      return FieldKind::kDate;
    case 'L':
      return FieldKind::kBoolean;
    case 'M':
      return FieldKind::kMemo;
    default:
      return FieldKind::kText;
  }
}

}  // namespace

// ---------------------------------------------------------------- TField

dbf::Value TField::Value() const {
  TQuery& q = *query_;
  if (column_ < 0) return dbf::Value();
  if (q.calc_row_ >= 0) return q.CellAt(static_cast<size_t>(q.calc_row_), column_);
  q.EnsureRows();
  if (!q.Active() || q.row_ < 0) return dbf::Value();
  return q.CellAt(q.StorageRow(q.row_), column_);
}

bool TField::IsNull() const { return Value().is_null(); }

std::string TField::AsString() const {
  dbf::Value v = Value();
  switch (v.kind()) {
    case dbf::ValueKind::kNull:
      return "";
    case dbf::ValueKind::kText:
      return v.text();
    case dbf::ValueKind::kNumber:
      return sql::FormatNumber(v.number());
    case dbf::ValueKind::kDate:
      return sql::FormatDate(v.date(), query_->GetSession().DateFormat());
    case dbf::ValueKind::kLogical:
      return v.logical() ? "True" : "False";
  }
  return "";
}

double TField::AsFloat() const {
  dbf::Value v = Value();
  switch (v.kind()) {
    case dbf::ValueKind::kNull:
      return 0;
    case dbf::ValueKind::kNumber:
      return v.number();
    case dbf::ValueKind::kLogical:
      return v.logical() ? 1 : 0;
    case dbf::ValueKind::kText: {
      auto d = sql::ParseNumber(v.text());
      if (sql::TrimRight(v.text()).empty()) return 0;
      if (!d) throw EngineError("'" + v.text() + "' is not a valid floating point value");
      return *d;
    }
    case dbf::ValueKind::kDate:
      break;
  }
  throw EngineError("Field " + name_ + " holds a date, not a number");
}

int64_t TField::AsInteger() const { return static_cast<int64_t>(std::llround(AsFloat())); }

dbf::Date TField::AsDateTime() const {
  dbf::Value v = Value();
  if (v.is_null()) return dbf::Date{};
  if (v.kind() == dbf::ValueKind::kDate) return v.date();
  if (v.kind() == dbf::ValueKind::kText) {
    if (sql::TrimRight(v.text()).empty()) return dbf::Date{};
    auto d = sql::ParseDate(v.text(), query_->GetSession().DateFormat());
    if (d) return *d;
    throw EngineError("'" + v.text() + "' is not a valid date");
  }
  throw EngineError("Field " + name_ + " does not hold a date");
}

bool TField::AsBoolean() const {
  dbf::Value v = Value();
  switch (v.kind()) {
    case dbf::ValueKind::kNull:
      return false;
    case dbf::ValueKind::kLogical:
      return v.logical();
    case dbf::ValueKind::kNumber:
      return v.number() != 0;
    case dbf::ValueKind::kText: {
      std::string t = sql::ToUpper(std::string(sql::TrimRight(v.text())));
      if (t == "TRUE" || t == "T") return true;
      if (t == "FALSE" || t == "F" || t.empty()) return false;
      break;
    }
    case dbf::ValueKind::kDate:
      break;
  }
  throw EngineError("'" + ToDebugString(v) + "' is not a valid boolean value");
}

void TField::SetValue(dbf::Value v) {
  TQuery& q = *query_;
  if (!calculated_ || q.calc_row_ < 0) {
    throw EngineError("Field " + name_ + " cannot be modified: the result is read-only");
  }
  size_t k = static_cast<size_t>(column_) - q.result_->column_count();
  q.calc_values_[k][static_cast<size_t>(q.calc_row_)] = std::move(v);
}

// ---------------------------------------------------------------- Lines

void TQuery::Lines::Clear() {
  query_->Close();
  lines_.clear();
}

void TQuery::Lines::Add(const std::string& line) {
  query_->Close();
  lines_.push_back(line);
}

void TQuery::Lines::Set(int index, const std::string& line) {
  query_->Close();
  if (index < 0 || index >= Count()) {
    throw EngineError("SQL line " + std::to_string(index) + " does not exist (the text has " +
                      std::to_string(Count()) + " lines)");
  }
  lines_[static_cast<size_t>(index)] = line;
}

const std::string& TQuery::Lines::operator[](int index) const {
  if (index < 0 || index >= Count()) {
    throw EngineError("SQL line " + std::to_string(index) + " does not exist");
  }
  return lines_[static_cast<size_t>(index)];
}

std::string TQuery::Lines::Text() const {
  std::string t;
  for (size_t i = 0; i < lines_.size(); ++i) {
    if (i) t += "\n";
    t += lines_[i];
  }
  return t;
}

// ---------------------------------------------------------------- TQuery

TQuery::TQuery(Session* session) : session_(session ? session : &DefaultSession()) {}

TQuery::~TQuery() {
  SetDataSource(nullptr);
  for (TQuery* d : details_) d->master_ = nullptr;  // whichever goes first, nothing dangles
  auto listeners = std::move(listeners_);
  listeners_.clear();
  for (auto& [id, l] : listeners) l(QueryEvent::kDestroyed);
}

void TQuery::Prepare() { sql::ParseStatement(sql_.Text()); }

void TQuery::Open() {
  Close();
  session_->BeforeStatement(sql_.Text());
  sql::Statement st = sql::ParseStatement(sql_.Text());
  if (!std::holds_alternative<sql::SelectStmt>(st)) {
    throw EngineError("Open runs a SELECT; use ExecSQL for this statement");
  }
  sql::Params params;
  if (master_) {
    // Parameters come from the master's current row; NULL when it has none.
    master_bookmark_ = master_->GetBookmark();
    for (const sql::Token& t : sql::Tokenize(sql_.Text())) {
      if (t.kind != sql::TokenKind::kParam) continue;
      std::string name = sql::ToUpper(t.text);
      TField* f = master_->FindField(name);
      params[name] = f ? f->Value() : dbf::Value();
    }
  }
  for (auto& [name, p] : params_) {
    if (p.Bound()) params[name] = p.Value();
  }
  auto& select = std::get<sql::SelectStmt>(st);
  bool plain = select.from.size() == 1 && !select.where && select.group_by.empty() &&
               !select.having && select.order_by.empty() && !select.distinct &&
               std::all_of(select.items.begin(), select.items.end(),
                           [](const sql::SelectItem& i) { return i.star; });
  if (plain && calc_defs_.empty() && !after_scroll_ && listeners_.empty() &&
      !(filtered_ && !filter_text_.empty())) {
    // Nobody is told of the opening, so the rows can wait until asked for.
    result_ = std::make_shared<sql::ResultSet>(sql::DescribeSelect(*session_, select, params));
    rows_pending_ = true;
    pending_params_ = std::move(params);
    rows_affected_ = 0;
    BuildFields();
    return;
  }
  sql::ExecResult r = sql::Execute(*session_, st, params);
  result_ = std::move(r.rows);
  rows_affected_ = 0;
  BuildFields();
  RunCalcFields();
  try {
    ApplyFilter();
  } catch (...) {
    // The statement ran; a filter that cannot apply is dropped, not kept half-way.
    filter_.reset();
    use_visible_ = false;
    Close();
    throw;
  }
  row_ = RecordCount() > 0 ? 0 : -1;
  eof_ = bof_ = true;
  if (row_ >= 0) eof_ = RecordCount() == 0;
  Notify(QueryEvent::kOpened);
  Scrolled();
}

void TQuery::EnsureRows() const {
  if (!rows_pending_) return;
  TQuery& self = const_cast<TQuery&>(*this);
  self.rows_pending_ = false;
  sql::Statement st = sql::ParseStatement(sql_.Text());
  sql::ExecResult r = sql::Execute(*session_, st, pending_params_);
  self.result_ = std::move(r.rows);
  self.RunCalcFields();
  self.ApplyFilter();
  self.row_ = RecordCount() > 0 ? 0 : -1;
  self.eof_ = self.bof_ = RecordCount() == 0;
}

int TQuery::RecNo() const {
  EnsureRows();
  return row_;
}

void TQuery::ExecSQL() {
  Close();
  session_->BeforeStatement(sql_.Text());
  sql::Statement st = sql::ParseStatement(sql_.Text());
  if (std::holds_alternative<sql::SelectStmt>(st)) {
    throw EngineError("ExecSQL runs statements that change tables; use Open for a SELECT");
  }
  sql::Params params;
  for (auto& [name, p] : params_) {
    if (p.Bound()) params[name] = p.Value();
  }
  rows_affected_ = sql::Execute(*session_, st, params).rows_affected;
}

void TQuery::Close() {
  if (!result_) return;
  result_.reset();
  rows_pending_ = false;
  for (auto& f : fields_) {
    f->column_ = -1;
    retired_fields_.push_back(std::move(f));
  }
  fields_.clear();
  calc_values_.clear();
  filter_.reset();
  visible_.clear();
  use_visible_ = false;
  row_ = -1;
  eof_ = bof_ = true;
  Notify(QueryEvent::kClosed);
}

TParam& TQuery::ParamByName(const std::string& name) {
  std::string n = sql::ToUpper(name);
  if (!n.empty() && n[0] == ':') n.erase(0, 1);
  return params_[n];
}

void TQuery::SetDataSource(TQuery* master) {
  if (master_) {
    master_->RemoveListener(master_listener_);
    std::erase(master_->details_, this);
  }
  master_ = master;
  master_listener_ = -1;
  if (master_) {
    master_listener_ = master_->AddListener([this](QueryEvent e) { MasterEvent(e); });
    master_->details_.push_back(this);
  }
}

void TQuery::MasterEvent(QueryEvent e) {
  if (!Active() || e == QueryEvent::kClosed || e == QueryEvent::kDestroyed) return;
  if (e == QueryEvent::kOpened || master_->GetBookmark() != master_bookmark_) Rerun();
}

void TQuery::Rerun() { Open(); }

void TQuery::BuildFields() {
  // A field object lives as long as the query: one of the same name is
  // reused when the query opens again (keeping its display format), so a
  // window's TField pointer never dangles.
  for (auto& f : fields_) retired_fields_.push_back(std::move(f));
  fields_.clear();
  auto take = [&](const std::string& name) {
    for (auto& f : retired_fields_) {
      if (f && sql::ToUpper(f->name_) == sql::ToUpper(name)) return std::move(f);
    }
    auto f = std::make_unique<TField>();
    f->query_ = this;
    return f;
  };
  const auto& cols = result_->columns();
  for (size_t i = 0; i < cols.size(); ++i) {
    auto f = take(cols[i].name);
    f->name_ = cols[i].name;
    f->kind_ = KindOf(cols[i]);
    f->size_ = cols[i].width;
    f->decimals_ = cols[i].decimals;
    f->calculated_ = false;
    f->index_ = static_cast<int>(i);
    f->column_ = static_cast<int>(i);
    fields_.push_back(std::move(f));
  }
  for (size_t k = 0; k < calc_defs_.size(); ++k) {
    auto f = take(calc_defs_[k].name);
    f->name_ = calc_defs_[k].name;
    f->kind_ = calc_defs_[k].kind;
    f->size_ = calc_defs_[k].size;
    f->decimals_ = 0;
    f->calculated_ = true;
    f->index_ = static_cast<int>(fields_.size());
    f->column_ = static_cast<int>(cols.size() + k);
    fields_.push_back(std::move(f));
  }
  std::erase_if(retired_fields_, [](const auto& f) { return !f; });
  for (auto& f : retired_fields_) f->column_ = -1;  // reads NULL until its name returns
}

void TQuery::RunCalcFields() {
  calc_values_.clear();
  if (calc_defs_.empty()) return;  // (a column of a million NULLs is not free)
  calc_values_.assign(calc_defs_.size(), std::vector<dbf::Value>(result_->size()));
  if (!on_calc_) return;
  struct Reset {
    int& r;
    ~Reset() { r = -1; }
  } reset{calc_row_};
  for (size_t r = 0; r < result_->size(); ++r) {
    calc_row_ = static_cast<int>(r);
    on_calc_(*this);
  }
}

void TQuery::AddCalcField(const std::string& name, FieldKind kind, int size) {
  if (Active()) throw EngineError("Calculated field " + name + " must be added before Open");
  calc_defs_.push_back({sql::ToUpper(name), kind, size});
}

TField& TQuery::Fields(int index) {
  if (index < 0 || index >= FieldCount()) {
    throw EngineError("Field index " + std::to_string(index) + " out of range");
  }
  return *fields_[static_cast<size_t>(index)];
}

TField* TQuery::FindField(const std::string& name) {
  std::string n = sql::ToUpper(name);
  for (auto& f : fields_) {
    if (sql::ToUpper(f->FieldName()) == n) return f.get();
  }
  return nullptr;
}

TField& TQuery::FieldByName(const std::string& name) {
  TField* f = FindField(name);
  if (!f) {
    throw EngineError(Active() ? "Field '" + name + "' not found"
                               : "Field '" + name + "' not found: the query is not open");
  }
  return *f;
}

dbf::Value TQuery::CellAt(size_t storage_row, int column) const {
  size_t data = result_->column_count();
  if (static_cast<size_t>(column) < data)
    return result_->Get(storage_row, static_cast<size_t>(column));
  return calc_values_[static_cast<size_t>(column) - data][storage_row];
}

size_t TQuery::StorageRow(int row) const {
  return use_visible_ ? visible_[static_cast<size_t>(row)] : static_cast<size_t>(row);
}

dbf::Value TQuery::Cell(int row, int field) const {
  EnsureRows();
  if (!Active() || row < 0 || row >= RecordCount() || field < 0 || field >= FieldCount()) {
    return dbf::Value();
  }
  return CellAt(StorageRow(row), fields_[static_cast<size_t>(field)]->column_);
}

int TQuery::RecordCount() const {
  if (!Active()) return 0;
  EnsureRows();
  return static_cast<int>(use_visible_ ? visible_.size() : result_->size());
}

void TQuery::ApplyFilter() {
  if (!Active()) return;
  EnsureRows();
  if (!filtered_ || filter_text_.empty()) {
    filter_.reset();
    use_visible_ = false;
    visible_.clear();
    return;
  }
  std::vector<std::string> names;
  for (auto& f : fields_) names.push_back(f->FieldName());
  auto filter = std::make_unique<sql::RowFilter>(filter_text_, names, session_->DateFormat());
  std::vector<uint32_t> visible;
  for (size_t r = 0; r < result_->size(); ++r) {
    bool m =
        filter->Matches([&](int c) { return CellAt(r, fields_[static_cast<size_t>(c)]->column_); });
    if (m) visible.push_back(static_cast<uint32_t>(r));
  }
  filter_ = std::move(filter);
  visible_ = std::move(visible);
  use_visible_ = true;
}

void TQuery::SetFilter(const std::string& filter) {
  if (filter == filter_text_) return;
  std::string old = filter_text_;
  filter_text_ = filter;
  if (Active() && filtered_) {
    try {
      ApplyFilter();
    } catch (...) {
      filter_text_ = old;
      throw;
    }
    First();
    Notify(QueryEvent::kRowsChanged);
  }
}

void TQuery::SetFiltered(bool on) {
  if (on == filtered_) return;
  filtered_ = on;
  if (Active()) {
    try {
      ApplyFilter();
    } catch (...) {
      filtered_ = !on;
      throw;
    }
    First();
    Notify(QueryEvent::kRowsChanged);
  }
}

void TQuery::First() { MoveTo(0); }

void TQuery::Last() { MoveTo(RecordCount() - 1); }

void TQuery::MoveTo(int row) {
  EnsureRows();
  int n = RecordCount();
  if (n == 0) {
    row_ = -1;
    eof_ = bof_ = true;
  } else {
    row_ = std::max(0, std::min(row, n - 1));
    eof_ = bof_ = false;
  }
  Scrolled();
}

void TQuery::Next() {
  EnsureRows();
  int n = RecordCount();
  if (n == 0 || row_ >= n - 1) {
    eof_ = true;
    bof_ = n == 0;
    Scrolled();
    return;
  }
  ++row_;
  eof_ = bof_ = false;
  Scrolled();
}

void TQuery::Prior() {
  EnsureRows();
  int n = RecordCount();
  if (n == 0 || row_ <= 0) {
    bof_ = true;
    eof_ = n == 0;
    Scrolled();
    return;
  }
  --row_;
  eof_ = bof_ = false;
  Scrolled();
}

bool TQuery::Eof() const {
  EnsureRows();
  return !Active() || RecordCount() == 0 || eof_;
}

bool TQuery::Bof() const {
  EnsureRows();
  return !Active() || RecordCount() == 0 || bof_;
}

TQuery::TBookmark TQuery::GetBookmark() const {
  EnsureRows();
  if (!Active() || row_ < 0) return -1;
  return static_cast<TBookmark>(StorageRow(row_));
}

bool TQuery::GotoBookmark(TBookmark b) {
  EnsureRows();
  if (!Active() || b < 0 || static_cast<size_t>(b) >= result_->size()) return false;
  if (!use_visible_) {
    MoveTo(static_cast<int>(b));
    return true;
  }
  auto it = std::lower_bound(visible_.begin(), visible_.end(), static_cast<uint32_t>(b));
  if (it == visible_.end() || *it != static_cast<uint32_t>(b)) return false;
  MoveTo(static_cast<int>(it - visible_.begin()));
  return true;
}

bool TQuery::Locate(const std::string& field, const std::string& value, LocateOptions options) {
  EnsureRows();
  TField& f = FieldByName(field);
  dbf::Value target;
  switch (f.Kind()) {
    case FieldKind::kFloat:
    case FieldKind::kInteger: {
      auto d = sql::ParseNumber(value);
      if (!d) return false;
      target = dbf::Value::Number(*d);
      break;
    }
    case FieldKind::kDate: {
      auto d = sql::ParseDate(value, session_->DateFormat());
      if (!d) return false;
      target = dbf::Value::FromDate(*d);
      break;
    }
    default:
      target = dbf::Value::Text(value);
  }
  std::string wanted = options.case_insensitive ? Fold(value) : value;
  std::string_view wanted_trim = sql::TrimRight(wanted);
  int n = RecordCount();
  for (int r = 0; r < n; ++r) {
    dbf::Value v = CellAt(StorageRow(r), f.column_);
    bool match = false;
    if (v.kind() == dbf::ValueKind::kText) {
      std::string s = options.case_insensitive ? Fold(v.text()) : v.text();
      match = options.partial_key ? s.compare(0, wanted.size(), wanted) == 0
                                  : sql::TrimRight(s) == wanted_trim;
    } else if (v.is_null()) {
      match = value.empty();
    } else if (v.kind() == target.kind()) {
      match = sql::CompareValues(v, target, session_->DateFormat()) == 0;
    }
    if (match) {
      MoveTo(r);
      return true;
    }
  }
  return false;
}

void TQuery::Scrolled() {
  if (after_scroll_) after_scroll_(*this);
  Notify(QueryEvent::kScrolled);
}

void TQuery::Notify(QueryEvent e) {
  if (disable_count_ > 0) {
    pending_change_ = true;
    if (e == QueryEvent::kOpened || e == QueryEvent::kClosed) pending_reset_ = true;
    return;
  }
  // Copy: a listener may add or remove listeners.
  auto listeners = listeners_;
  for (auto& [id, l] : listeners) {
    if (listeners_.count(id)) l(e);
  }
}

void TQuery::DisableControls() { ++disable_count_; }

void TQuery::EnableControls() {
  if (disable_count_ == 0) return;
  if (--disable_count_ > 0 || !pending_change_) return;
  pending_change_ = false;
  bool reset = pending_reset_;
  pending_reset_ = false;
  if (!Active()) {
    Notify(QueryEvent::kClosed);
  } else {
    Notify(reset ? QueryEvent::kOpened : QueryEvent::kRowsChanged);
  }
}

int TQuery::AddListener(std::function<void(QueryEvent)> listener) {
  int id = next_listener_++;
  listeners_[id] = std::move(listener);
  return id;
}

void TQuery::RemoveListener(int id) { listeners_.erase(id); }

}  // namespace lumi
