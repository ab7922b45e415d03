#include "bench/sql/sqlite_tables.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace lumi::bench {

namespace {

using Rows = std::vector<std::vector<dbf::Value>>;

struct Table {
  const char* name;
  const char* columns;
  Rows Dataset::*rows;
};

constexpr Table kTables[] = {
    {"Magazie",
     "CODMAG NUMERIC, DATAIN TEXT, FURNIZOR TEXT, DENUMIRE TEXT, UM TEXT, CANTIN REAL, "
     "LATIME REAL, PRET REAL, STOC REAL, IESIT REAL, TIP INTEGER",
     &Dataset::magazie},
    {"CapCom",
     "CODCAP NUMERIC, DATA TEXT, TERMEN TEXT, PREDAT TEXT, CODCLI NUMERIC, COST REAL, REST REAL",
     &Dataset::capcom},
    {"Comenzi",
     "CODCAP NUMERIC, CODCOM NUMERIC, CODMAG NUMERIC, DENUMIRE TEXT, UM TEXT, CANT REAL, "
     "PRET REAL, TOTAL REAL, EXECUTAT TEXT, LUNG REAL, LAT REAL, TITLU TEXT, BUC REAL",
     &Dataset::comenzi},
    {"Clienti", "CODCLI NUMERIC, NUME TEXT, ADRESA TEXT, TEL TEXT, CF TEXT, OBS TEXT",
     &Dataset::clienti},
    {"Plati", "CODPL NUMERIC, CODCAP NUMERIC, CODCLI NUMERIC, DATA TEXT, DOCJUS TEXT, SUMA REAL",
     &Dataset::plati},
};

const Table& Find(const char* name) {
  for (const Table& t : kTables) {
    if (std::strcmp(t.name, name) == 0) return t;
  }
  throw std::invalid_argument(std::string("no generated table ") + name);
}

void Load(SqliteDb& db, const std::string& table, const Rows& rows) {
  if (rows.empty()) return;
  std::string sql = "INSERT INTO " + table + " VALUES (";
  for (size_t i = 0; i < rows[0].size(); ++i) sql += i ? ",?" : "?";
  sql += ")";
  sqlite3_stmt* st = db.Prepare(sql);
  char date[16];
  for (const auto& row : rows) {
    for (size_t i = 0; i < row.size(); ++i) {
      const dbf::Value& v = row[i];
      const int k = static_cast<int>(i) + 1;
      switch (v.kind()) {
        case dbf::ValueKind::kNull:
          sqlite3_bind_null(st, k);
          break;
        case dbf::ValueKind::kNumber:
          sqlite3_bind_double(st, k, v.number());
          break;
        case dbf::ValueKind::kText:
          sqlite3_bind_text(st, k, v.text().c_str(), -1, SQLITE_TRANSIENT);
          break;
        case dbf::ValueKind::kDate:
          std::snprintf(date, sizeof date, "%04d-%02d-%02d", v.date().year, v.date().month,
                        v.date().day);
          sqlite3_bind_text(st, k, date, -1, SQLITE_TRANSIENT);
          break;
        case dbf::ValueKind::kLogical:
          sqlite3_bind_int(st, k, v.logical());
          break;
      }
    }
    db.Check(sqlite3_step(st), sql);
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
}

}  // namespace

void LoadTables(SqliteDb& db, const Dataset& d, std::initializer_list<const char*> tables) {
  for (const char* name : tables) {
    const Table& t = Find(name);
    db.Exec(std::string("CREATE TABLE ") + t.name + " (" + t.columns + ")");
  }
  db.Exec("BEGIN");
  for (const char* name : tables) {
    const Table& t = Find(name);
    Load(db, t.name, d.*t.rows);
  }
  db.Exec("COMMIT");
}

void CreateIndexes(SqliteDb& db, std::initializer_list<const char*> columns) {
  for (const char* ix : columns) {
    std::string name = ix;
    for (char& ch : name) {
      if (ch == '(' || ch == ')') ch = '_';
    }
    db.Exec("CREATE INDEX " + name + " ON " + ix);
  }
}

}  // namespace lumi::bench
