#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/dbf/value.h"
#include "engine/session.h"

namespace lumi {

namespace sql {
class ResultSet;
class RowFilter;
}  // namespace sql

class TQuery;

// How a field reads. kInteger is a dBase number with no decimals and at most 4
// digits (a category, a count); other numbers are kFloat, as the windows expect.
enum class FieldKind { kText, kFloat, kInteger, kDate, kBoolean, kMemo };

// One column of a query, read at the query's current row.
//
// A NULL value reads as "" (AsString), 0 (AsFloat, AsInteger), an invalid
// Date (AsDateTime: year 0) and false (AsBoolean). AsString gives numbers in
// their shortest form ("12.5", "75", up to 15 significant digits, "." as the
// decimal point), dates in the session's short date format and logicals as
// "True" / "False". Reading a value of another kind converts it when that is
// meaningful (text "12.5" AsFloat) and otherwise throws EngineError.
//
// A TField belongs to its query and stays valid as long as the query does.
class TField {
 public:
  const std::string& FieldName() const { return name_; }
  FieldKind Kind() const { return kind_; }
  int Size() const { return size_; }          // width in characters or digits
  int Decimals() const { return decimals_; }  // numbers only
  bool Calculated() const { return calculated_; }
  int Index() const { return index_; }  // position among the query's fields

  // How a grid shows the field ("0.000", "0.00", "dd.MMM.yyyy"); the engine only
  // keeps it for the window and the grid model.
  void SetDisplayFormat(std::string f) { display_format_ = std::move(f); }
  const std::string& DisplayFormat() const { return display_format_; }

  bool IsNull() const;
  dbf::Value Value() const;
  std::string AsString() const;
  double AsFloat() const;
  int64_t AsInteger() const;  // numbers rounded to the nearest integer
  dbf::Date AsDateTime() const;
  bool AsBoolean() const;

  // Calculated fields only, from inside the query's OnCalcFields callback.
  void SetValue(dbf::Value v);
  void SetAsString(const std::string& s) { SetValue(dbf::Value::Text(s)); }

 private:
  friend class TQuery;
  TQuery* query_ = nullptr;
  std::string name_;
  FieldKind kind_ = FieldKind::kText;
  int size_ = 0;
  int decimals_ = 0;
  bool calculated_ = false;
  int index_ = 0;
  int column_ = 0;  // column in the result (calculated fields: after the data)
  std::string display_format_;
};

// A value for a ":NAME" parameter of the statement.
class TParam {
 public:
  void SetAsString(const std::string& s) {
    value_ = dbf::Value::Text(s);
    bound_ = true;
  }
  void SetAsFloat(double d) {
    value_ = dbf::Value::Number(d);
    bound_ = true;
  }
  void SetAsInteger(int64_t i) { SetAsFloat(static_cast<double>(i)); }
  // Memo text given as bytes (UTF-8), e.g. the lines of a notes box each ended
  // by CR LF. An empty buffer stores an empty memo, which reads as NULL.
  void SetAsBlob(const std::string& bytes) {
    value_ = dbf::Value::Text(bytes);
    bound_ = true;
  }
  void SetNull() {
    value_ = dbf::Value();
    bound_ = true;
  }
  void Clear() {
    value_ = dbf::Value();
    bound_ = false;
  }
  bool Bound() const { return bound_; }
  const dbf::Value& Value() const { return value_; }

 private:
  dbf::Value value_;
  bool bound_ = false;
};

// What a query tells its listeners (the grid model, a detail query).
enum class QueryEvent {
  kOpened,       // a new result: fields and rows may all differ
  kClosed,       // no result any more
  kRowsChanged,  // same fields, other rows (filter changed, or controls enabled again)
  kScrolled,     // the current row moved
  kDestroyed,    // the query is going away: do not call RemoveListener after this
};

struct LocateOptions {
  bool case_insensitive = false;
  bool partial_key = false;  // the field's value begins with the value sought
};

// A statement and, after Open, its result: a read-only, scrollable list of rows.
//
// Contract:
// - The statement is SQL().Text(), its lines joined by line breaks. Changing
//   the lines in any way (Clear, Add, Set) closes the query first.
// - Open runs a SELECT and materialises every row at once (a plain
//   "SELECT * FROM table" with no condition or order, opened while nobody
//   listens, reads its rows when they are first asked for, so that looking
//   at its fields costs nothing); ExecSQL runs any
//   other statement (CREATE, ALTER, INSERT, UPDATE, DELETE, BEGIN, COMMIT,
//   ROLLBACK) and leaves the query closed. Each throws EngineError with the
//   engine's message when the statement fails; a failed statement has changed
//   no table. Open of a statement that is not a SELECT, or ExecSQL of a SELECT,
//   throws too.
// - ":NAME" parameters take the value set with ParamByName; those not set are
//   taken, when a master query is given with SetDataSource, from the master's
//   current row (the field of the same name; NULL when the master is closed or
//   empty). A detail query that is active runs again whenever its master
//   opens, is refiltered or moves to another row (not while the master's
//   controls are disabled: then once, when they are enabled again, if the row
//   changed meanwhile).
// - The rows seen are those the filter lets through, when Filtered() is true
//   and Filter() is not empty; changing either applies at once to the open
//   result without running the statement again, and moves to the first row.
//   A filter that does not parse, or names a column the result lacks, throws
//   and leaves the previous filter in force.
// - Navigation: the current row is a position 0 .. RecordCount()-1 among the
//   rows seen. Next past the last row sets Eof (the current row stays the
//   last); Prior before the first sets Bof. Every move (First, Next, Prior,
//   Last, MoveTo, Locate, GotoBookmark, Open, a filter change) calls the
//   after-scroll callback and then the listeners, even when the row did not
//   change (the callback runs while the controls are disabled; listeners do not).
// - A bookmark names a row of the result; it survives filter changes but not a
//   new Open. GotoBookmark returns false (and stays) when the row is filtered out.
// - Calculated fields are declared with AddCalcField before Open; OnCalcFields
//   runs once per row during Open, positioned on that row, and sets them with
//   TField::SetValue. Filters and Locate can read them.
// - Fields and rows can be read without moving the cursor through Cell(), for
//   the grid model.
// Not thread-safe. Field pointers and references stay valid as long as the
// query: after a new Open a field of the same name is the same object; a field
// the current result lacks (or any field while closed) reads as NULL.
class TQuery {
 public:
  explicit TQuery(Session* session = nullptr);  // nullptr: DefaultSession()
  ~TQuery();
  TQuery(const TQuery&) = delete;
  TQuery& operator=(const TQuery&) = delete;

  // The statement as a list of lines.
  class Lines {
   public:
    void Clear();
    void Add(const std::string& line);
    void Set(int index, const std::string& line);  // replaces line `index` (0-based)
    int Count() const { return static_cast<int>(lines_.size()); }
    const std::string& operator[](int index) const;
    std::string Text() const;

   private:
    friend class TQuery;
    explicit Lines(TQuery* q) : query_(q) {}
    TQuery* query_;
    std::vector<std::string> lines_;
  };
  Lines& SQL() { return sql_; }
  const Lines& SQL() const { return sql_; }

  // Running.
  void Prepare();  // checks the statement's syntax; Open and ExecSQL do it anyway
  void Open();
  void ExecSQL();
  void Close();
  bool Active() const { return result_ != nullptr; }
  int64_t RowsAffected() const { return rows_affected_; }

  // Parameters.
  TParam& ParamByName(const std::string& name);  // name without ':', ignoring case
  void SetDataSource(TQuery* master);            // either query may be destroyed first
  TQuery* DataSource() const { return master_; }

  // Fields of the open result, data fields first, then calculated ones.
  int FieldCount() const { return static_cast<int>(fields_.size()); }
  TField& Fields(int index);
  TField& FieldByName(const std::string& name);  // throws EngineError when missing
  TField* FindField(const std::string& name);    // nullptr when missing
  void AddCalcField(const std::string& name, FieldKind kind, int size);
  void SetOnCalcFields(std::function<void(TQuery&)> callback) { on_calc_ = std::move(callback); }

  // Navigation over the rows the filter lets through.
  void First();
  void Next();
  void Prior();
  void Last();
  void MoveTo(int row);  // clamps to the rows seen
  bool Eof() const;
  bool Bof() const;
  bool IsEmpty() const { return RecordCount() == 0; }
  int RecordCount() const;
  int RecNo() const;  // 0-based current row; -1 when empty or closed

  using TBookmark = int64_t;
  TBookmark GetBookmark() const;  // -1 when there is no current row
  bool GotoBookmark(TBookmark b);

  // Moves to the first row (in the order seen) whose field `field` equals
  // `value` (text, converted to the field's kind), or begins with it with
  // partial_key; returns false and stays when none does.
  bool Locate(const std::string& field, const std::string& value, LocateOptions options = {});

  // Record filter, e.g. "(STOC>0) AND (TIP=0) AND (DENUMIRE='AB*')".
  void SetFilter(const std::string& filter);
  const std::string& Filter() const { return filter_text_; }
  void SetFiltered(bool on);
  bool Filtered() const { return filtered_; }

  // Reading without moving: row in 0 .. RecordCount()-1, field in 0 .. FieldCount()-1.
  dbf::Value Cell(int row, int field) const;

  // Events.
  void SetAfterScroll(std::function<void(TQuery&)> callback) {
    after_scroll_ = std::move(callback);
  }
  void DisableControls();
  void EnableControls();
  bool ControlsDisabled() const { return disable_count_ > 0; }
  int AddListener(std::function<void(QueryEvent)> listener);  // returns an id
  void RemoveListener(int id);

  Session& GetSession() const { return *session_; }

 private:
  friend class TField;
  void BuildFields();
  void EnsureRows() const;
  void RunCalcFields();
  void ApplyFilter();
  void Scrolled();
  void Notify(QueryEvent e);
  void MasterEvent(QueryEvent e);
  void Rerun();
  size_t StorageRow(int row) const;  // row seen -> row of the result
  dbf::Value CellAt(size_t storage_row, int column) const;

  Session* session_;
  Lines sql_{this};
  std::map<std::string, TParam> params_;
  TQuery* master_ = nullptr;
  int master_listener_ = -1;
  std::vector<TQuery*> details_;  // queries whose master this is; told when it goes
  int64_t master_bookmark_ = -2;  // the master row the detail last ran for

  std::shared_ptr<sql::ResultSet> result_;
  std::vector<std::unique_ptr<TField>> fields_;
  std::vector<std::unique_ptr<TField>> retired_fields_;  // fields of earlier results
  struct CalcDef {
    std::string name;
    FieldKind kind;
    int size;
  };
  std::vector<CalcDef> calc_defs_;
  std::vector<std::vector<dbf::Value>> calc_values_;  // [calc field][storage row]
  std::function<void(TQuery&)> on_calc_;
  int calc_row_ = -1;  // storage row being calculated, during OnCalcFields

  std::string filter_text_;
  bool filtered_ = false;
  std::unique_ptr<sql::RowFilter> filter_;
  std::vector<uint32_t> visible_;  // storage rows seen, when filtered
  bool use_visible_ = false;

  int row_ = -1;
  bool eof_ = true;
  bool bof_ = true;
  int64_t rows_affected_ = 0;
  // A plain read of a whole table, opened by a window that may only look at
  // its fields: the rows are read when first asked for.
  bool rows_pending_ = false;
  std::map<std::string, dbf::Value> pending_params_;

  std::function<void(TQuery&)> after_scroll_;
  int disable_count_ = 0;
  bool pending_change_ = false;
  bool pending_reset_ = false;  // opened or closed while controls were disabled
  std::map<int, std::function<void(QueryEvent)>> listeners_;
  int next_listener_ = 0;
};

// A table object for maintenance: opens one dBase table by path and packs it.
//
// Open fails with EngineError when the table is missing or, with Exclusive,
// when another handle has it open. Pack needs the table open exclusively and
// removes the records marked deleted for good, rebuilding every index tag.
class TTable {
 public:
  enum class TableType { kDBase };
  explicit TTable(Session* session = nullptr);
  ~TTable();
  TTable(const TTable&) = delete;
  TTable& operator=(const TTable&) = delete;

  void SetTableName(const std::string& path);  // closes the table first
  const std::string& TableName() const { return table_name_; }
  void SetTableType(TableType t) { type_ = t; }
  TableType GetTableType() const { return type_; }
  void SetExclusive(bool on);  // closes the table first
  bool Exclusive() const { return exclusive_; }
  // Tables are never filtered here; kept so callers can switch it off.
  void SetFiltered(bool on) { filtered_ = on; }
  bool Filtered() const { return filtered_; }

  void Open();
  void Close();
  bool Active() const;
  void Pack();

 private:
  Session* session_;
  std::string table_name_;
  TableType type_ = TableType::kDBase;
  bool exclusive_ = false;
  bool filtered_ = false;
  struct Handle;
  std::unique_ptr<Handle> handle_;
};

}  // namespace lumi
