#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/dbf/field.h"

namespace lumi::dbf {

class DataFile;

// The header of a .dbf file: what a reader needs from bytes 0..header length.
struct DbfHeader {
  uint8_t version = 0x03;
  int level = 3;               // 3 (dBase III+, IV, 5) or 7
  bool has_memo_file = false;  // byte 0 bit 7
  bool iv_memo = false;        // byte 0 bit 3: the memo file has dBase IV block headers
  uint32_t record_count = 0;
  uint16_t header_length = 0;
  uint16_t record_length = 0;
  bool production_index = false;  // byte 28
  uint8_t language_driver = 0;    // byte 29
  std::string driver_name;        // level 7, bytes 32..63
  std::vector<FieldDef> fields;
  std::vector<uint32_t> descriptor_offsets;  // where each field's descriptor starts

  // Reads and checks the header of `f`: refuses FoxPro, dBase II and encrypted
  // tables, and headers whose lengths or counts do not agree with the file.
  // Errors are EngineError naming the file.
  static DbfHeader Read(const DataFile& f);

  // The header bytes of a new level-3 (dBase IV) table with these fields,
  // terminator included. Offsets and lengths are filled in here.
  std::string Build();

  // Byte offset of the production-index flag of field i.
  uint32_t FieldFlagOffset(size_t i) const {
    return descriptor_offsets[i] + (level == 7 ? 37 : 31);
  }
  uint64_t RecordOffset(uint32_t recno) const {
    return header_length + static_cast<uint64_t>(recno - 1) * record_length;
  }
};

// The last-update date bytes (YY MM DD, YY = year - 1900) for today.
void TodayYmd(uint8_t out[3]);

// Checks a definition for a new table: names, types, widths. Throws EngineError.
void CheckNewField(const FieldDef& f, const std::string& table);

}  // namespace lumi::dbf
