// libFuzzer target for journal recovery: a small table and its memo, and the
// input as a journal left beside them. Recovery may fail with EngineError; it
// must never touch a file outside the folder, crash or write out of bounds.
#include <cstdint>
#include <filesystem>

#include "engine/dbf/journal.h"
#include "engine/dbf/table.h"
#include "engine/error.h"
#include "fuzz/fuzz_files.h"

namespace {

std::string FixedTable() {
  std::string h(32 + 2 * 32 + 1, '\0');
  h[0] = 0x03;
  h[4] = 3;
  h[8] = static_cast<char>(h.size());
  h[10] = 1 + 5 + 4;
  h.replace(32, 4, "NUME");
  h[32 + 11] = 'C';
  h[32 + 16] = 5;
  h.replace(64, 1, "N");
  h[64 + 11] = 'N';
  h[64 + 16] = 4;
  h[96] = 0x0D;
  return h + " alfa    1 beta  -22*gama  333\x1A";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace lumi::dbf;
  const std::string dir = lumi::fuzz::Folder("journal") + "/data";
  std::filesystem::create_directories(dir);
  static const std::string table = FixedTable();
  lumi::fuzz::Put(dir + "/J.dbf", table);
  lumi::fuzz::Put(dir + "/lumi.jnl", data, size);
  try {
    Journal::Recover(dir);
    Table t = Table::Open(dir + "/J.dbf");
    for (uint32_t r = 1; r <= t.RecordCount(); ++r) t.Read(r);
  } catch (const lumi::EngineError&) {
  }
  // Whatever the journal named, only files of the folder may exist.
  for (auto& e : std::filesystem::directory_iterator(std::filesystem::path(dir).parent_path()))
    if (e.path().filename() != "data") __builtin_trap();
  std::error_code ec;
  std::filesystem::remove(dir + "/lumi.jnl", ec);
  for (auto& e : std::filesystem::directory_iterator(dir))
    if (e.path().filename() != "J.dbf") std::filesystem::remove_all(e.path(), ec);
  return 0;
}
