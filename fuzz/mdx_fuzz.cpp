// libFuzzer target for the .mdx reader and tree code: a fixed table of 300
// records with C, N and D fields and the input as its production index. It
// checks the index, looks keys up, and changes the table inside a journal
// that is rolled back, so every input starts from the same files.
#include <cstdint>
#include <cstdio>

#include "engine/dbf/journal.h"
#include "engine/dbf/table.h"
#include "engine/error.h"
#include "fuzz/fuzz_files.h"

namespace {

std::string FixedTable() {
  std::string h(32 + 3 * 32 + 1, '\0');
  h[0] = 0x03;
  h[4] = 300 & 0xFF;
  h[5] = 300 >> 8;
  h[8] = static_cast<char>(h.size());
  h[10] = 1 + 8 + 6 + 8;
  h[28] = 1;
  const char* names[] = {"NUME", "N", "D"};
  const char types[] = {'C', 'N', 'D'};
  const int widths[] = {8, 6, 8};
  for (int f = 0; f < 3; ++f) {
    h.replace(32 + 32 * f, std::string(names[f]).size(), names[f]);
    h[32 + 32 * f + 11] = types[f];
    h[32 + 32 * f + 16] = static_cast<char>(widths[f]);
  }
  h[32 + 3 * 32] = 0x0D;
  for (int r = 0; r < 300; ++r) {
    char rec[32];
    std::snprintf(rec, sizeof rec, " nume%-4d%6d2024%02d%02d", r % 170, r * 7 % 230 - 110,
                  1 + r % 12, 1 + r % 28);
    h += std::string(rec, 23);
  }
  return h + "\x1A";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace lumi::dbf;
  const std::string dir = lumi::fuzz::Folder("mdx");
  static const std::string table = FixedTable();
  lumi::fuzz::Put(dir + "/X.dbf", table);
  lumi::fuzz::Put(dir + "/X.mdx", data, size);
  try {
    Table t = Table::Open(dir + "/X.dbf");
    t.VerifyIndex();
    for (auto& tag : t.Tags()) {
      try {
        if (tag.key_type == 'C') {
          t.FindEqual(tag.name, Value::Text("nume3"));
          t.FindPrefix(tag.name, "nume1");
          t.FindRange(tag.name, KeyBound{Value::Text("nume2"), true}, std::nullopt);
        } else if (tag.key_type == 'N') {
          t.FindEqual(tag.name, Value::Number(3));
          t.FindRange(tag.name, KeyBound{Value::Number(-5), false},
                      KeyBound{Value::Number(5), true});
        } else {
          t.FindEqual(tag.name, Value::FromDate({2024, 3, 3}));
          t.FindRange(tag.name, std::nullopt, KeyBound{Value::FromDate({2024, 6, 1}), true});
        }
      } catch (const lumi::EngineError&) {
      }
    }
    Journal j;
    try {
      t.Append({Value::Text("nou"), Value::Number(1), Value::FromDate({2024, 1, 1})});
      t.Update(5, {{0, Value::Text("altul")}, {1, Value::Number(-2)}});
      t.Update(9, {{2, Value()}});
      t.VerifyIndex();
    } catch (const lumi::EngineError&) {
    }
    j.Rollback();
  } catch (const lumi::EngineError&) {
  }
  return 0;
}
