// CREATE TABLE, CREATE INDEX and ALTER TABLE.
#include <set>

#include "engine/dbf/table.h"
#include "engine/error.h"
#include "engine/sql/statements.h"

namespace lumi::sql {

namespace {

dbf::FieldDef ToField(const ColumnDef& c) {
  switch (c.type) {
    case 'N':
      return dbf::FieldDef::Numeric(c.name, c.width, c.decimals);
    case 'D':
      return dbf::FieldDef::DateField(c.name);
    case 'L':
      return dbf::FieldDef::LogicalField(c.name);
    case 'M':
      return dbf::FieldDef::Memo(c.name);
    default:
      return dbf::FieldDef::Char(c.name, c.width);
  }
}

}  // namespace

void RunCreateTable(Session& s, CreateTableStmt& st) {
  // Only a kept table of the same name is in the way (its file deleted
  // behind the session's back); the others stay open.
  s.ReleaseTable(s.ResolvePath(st.table.path));
  std::set<std::string> names;
  std::vector<dbf::FieldDef> fields;
  for (const ColumnDef& c : st.columns) {
    if (!names.insert(c.name).second) {
      throw EngineError("Column " + c.name + " is defined twice in CREATE TABLE");
    }
    fields.push_back(ToField(c));
  }
  std::string path = s.ResolvePath(st.table.path);
  if (dbf::Table::Resolve(path))
    throw EngineError("Table \"" + st.table.path + "\" already exists");
  dbf::Table::Create(path, fields);
}

void RunCreateIndex(Session& s, CreateIndexStmt& st) {
  s.ReleaseTables();
  dbf::Table t = dbf::Table::Open(ExistingTable(s, st.table));
  if (t.FieldIndex(st.column) < 0) {
    throw EngineError("Unknown column " + st.column + " in table \"" + st.table.path + "\"");
  }
  t.CreateTag(st.tag, st.column);
}

void RunAlterTable(Session& s, AlterTableStmt& st) {
  s.ReleaseTables();
  dbf::Table t = dbf::Table::Open(ExistingTable(s, st.table), dbf::OpenMode::kExclusive);
  for (const ColumnDef& c : st.add) {
    if (t.FieldIndex(c.name) >= 0) {
      throw EngineError("Column " + c.name + " already exists in table \"" + st.table.path + "\"");
    }
    t.AddField(ToField(c));
  }
}

}  // namespace lumi::sql
