// libFuzzer target for the .dbt reader. The first input byte picks the memo
// style (even: dBase IV, odd: dBase III) and the memo block of each of four
// records; the rest is the memo file.
#include <cstdint>
#include <cstdio>

#include "engine/dbf/table.h"
#include "engine/error.h"
#include "fuzz/fuzz_files.h"

namespace {

std::string TableWithPointers(bool iv, uint8_t seed) {
  std::string h(32 + 32 + 1, '\0');
  h[0] = static_cast<char>(iv ? 0x8B : 0x83);
  h[4] = 4;
  h[8] = static_cast<char>(h.size());
  h[10] = 11;
  h.replace(32, 3, "OBS");
  h[32 + 11] = 'M';
  h[32 + 16] = 10;
  h[64] = 0x0D;
  for (int r = 0; r < 4; ++r) {
    char rec[16];
    std::snprintf(rec, sizeof rec, " %10d",
                  (seed >> (2 * r)) & 3 ? ((seed >> (2 * r)) & 3) + r : 0);
    h += std::string(rec, 11);
  }
  return h + "\x1A";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace lumi::dbf;
  if (size < 1) return 0;
  const std::string dir = lumi::fuzz::Folder("dbt");
  lumi::fuzz::Put(dir + "/M.dbf", TableWithPointers(data[0] % 2 == 0, data[0]));
  lumi::fuzz::Put(dir + "/M.dbt", data + 1, size - 1);
  try {
    Table t = Table::Open(dir + "/M.dbf");
    for (uint32_t r = 1; r <= t.RecordCount(); ++r) {
      try {
        ToDebugString(t.Get(r, 0));
      } catch (const lumi::EngineError&) {
      }
    }
  } catch (const lumi::EngineError&) {
  }
  return 0;
}
