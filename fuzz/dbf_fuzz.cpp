// libFuzzer target for the .dbf reader: the input is a table file. Opening,
// scanning and reading every field may fail with EngineError, nothing else.
#include <cstdint>

#include "engine/dbf/table.h"
#include "engine/error.h"
#include "fuzz/fuzz_files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace lumi::dbf;
  const std::string path = lumi::fuzz::Folder("dbf") + "/T.dbf";
  lumi::fuzz::Put(path, data, size);
  try {
    Table t = Table::Open(path);
    Scanner s = t.Scan();
    int errors = 0;  // a few hundred are enough to learn from; exceptions are slow
    while (s.Next() && errors < 200) {
      for (size_t f = 0; f < t.fields().size(); ++f) {
        try {
          ToDebugString(s.Get(static_cast<int>(f)));
        } catch (const lumi::EngineError&) {
          ++errors;
        }
      }
    }
    if (t.RecordCount() > 0) t.Read(t.RecordCount());
  } catch (const lumi::EngineError&) {
  }
  return 0;
}
