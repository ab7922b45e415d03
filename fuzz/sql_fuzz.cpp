// libFuzzer target for the SQL and filter parsers and the executor.
//
// The first byte picks what the rest is: 0 a statement to parse, 1 a record
// filter to parse, 2 a statement run against a few small tables (inside
// BEGIN ... ROLLBACK, so every input starts from the same tables), 3 a
// filter applied to an open SELECT of them. Any input may fail with
// EngineError; nothing else may escape, crash or hang.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine/error.h"
#include "engine/query.h"
#include "engine/sql/executor.h"
#include "engine/sql/parser.h"

namespace {

lumi::Session& FuzzSession() {
  static lumi::Session* s = [] {
    auto* session = new lumi::Session;
    std::string folder =
        (std::filesystem::temp_directory_path() / ("lumi_sql_fuzz_" + std::to_string(getpid())))
            .string();
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    session->SetBaseFolder(folder);
    static std::string to_remove = folder;
    std::atexit([] { std::filesystem::remove_all(to_remove); });
    for (const char* sql : {
             "CREATE TABLE \"T.dbf\" (K DECIMAL(4,0), S CHAR(10), D DATE, N DECIMAL(8,2), B "
             "BOOLEAN)",
             "CREATE TABLE \"U.dbf\" (K DECIMAL(4,0), M BLOB(1,1), S CHAR(10))",
             "CREATE INDEX K ON \"T.dbf\" (K)",
             "CREATE INDEX S ON \"T.dbf\" (S)",
             "INSERT INTO \"T.dbf\" VALUES (1, \"AB\", \"01.02.2026\", 1.5, TRUE), "
             "(2, NULL, NULL, NULL, NULL), (3, \"ab \", \"29.02.2024\", -4, FALSE)",
             "INSERT INTO \"U.dbf\" VALUES (1, \"memo\", \"AB\"), (NULL, NULL, NULL)",
         }) {
      lumi::sql::ExecuteText(*session, sql);
    }
    return session;
  }();
  return *s;
}

// Table paths stay inside the fuzzing folder, and transactions are the harness's.
bool Allowed(const std::string& text) {
  if (text.find_first_of("/\\") != std::string::npos || text.find("..") != std::string::npos) {
    return false;
  }
  try {
    lumi::sql::Statement st = lumi::sql::ParseStatement(text);
    return !std::holds_alternative<lumi::sql::BeginStmt>(st) &&
           !std::holds_alternative<lumi::sql::CommitStmt>(st) &&
           !std::holds_alternative<lumi::sql::RollbackStmt>(st);
  } catch (const lumi::EngineError&) {
    return true;  // fails the same way when run
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const int mode = data[0] % 4;
  std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  try {
    switch (mode) {
      case 0:
        lumi::sql::ParseStatement(text);
        break;
      case 1:
        lumi::sql::ParseFilter(text);
        break;
      case 2: {
        if (!Allowed(text)) return 0;
        lumi::Session& s = FuzzSession();
        lumi::sql::ExecuteText(s, "BEGIN");
        try {
          lumi::sql::ExecuteText(s, text);
        } catch (const lumi::EngineError&) {
        }
        lumi::sql::ExecuteText(s, "ROLLBACK");
        break;
      }
      case 3: {
        lumi::TQuery q(&FuzzSession());
        q.SQL().Add("SELECT * FROM \"T.dbf\" ORDER BY S, K");
        q.Open();
        q.SetFilter(text);
        q.SetFiltered(true);
        for (q.First(); !q.Eof(); q.Next()) q.FieldByName("S").AsString();
        break;
      }
    }
  } catch (const lumi::EngineError&) {
  }
  return 0;
}
