#pragma once

#include <cstdint>

namespace lumi::dbf {

struct CodePageTable {
  int code_page;
  uint16_t upper[128];  // Unicode for bytes 0x80..0xFF; 0 = undefined
};

extern const CodePageTable kCodePageTables[];
extern const int kCodePageTableCount;

}  // namespace lumi::dbf
