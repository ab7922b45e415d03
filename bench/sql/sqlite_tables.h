// The generated shop's tables in SQLite, with the columns of our dBase
// tables and the same rows.
#pragma once

#include <initializer_list>

#include "bench/sql/data_generator.h"
#include "bench/sql/sqlite_db.h"

namespace lumi::bench {

// Creates each of `tables` (Magazie, CapCom, Comenzi, Clienti, Plati) and
// fills them from `d` in one transaction.
void LoadTables(SqliteDb& db, const Dataset& d, std::initializer_list<const char*> tables);

// One index per "Table(COLUMN)", named Table_COLUMN_.
void CreateIndexes(SqliteDb& db, std::initializer_list<const char*> columns);

}  // namespace lumi::bench
