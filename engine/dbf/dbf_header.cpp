#include "engine/dbf/dbf_header.h"

#include <cctype>
#include <ctime>

#include "engine/dbf/data_file.h"
#include "engine/error.h"

namespace lumi::dbf {

namespace {

uint16_t U16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

[[noreturn]] void Damaged(const DataFile& f, const std::string& what) {
  throw EngineError(f.path() + ": not a valid dBase table (" + what + ")");
}

bool KnownType(char t, int level) {
  switch (t) {
    case 'C':
    case 'N':
    case 'F':
    case 'D':
    case 'L':
    case 'M':
    case 'B':
    case 'G':
      return true;
    case 'I':
    case '+':
    case 'O':
    case '@':
      return level == 7;
    default:
      return false;
  }
}

// The width a type must have, or 0 when any width is allowed.
int FixedWidth(char t) {
  switch (t) {
    case 'D':
      return 8;
    case 'L':
      return 1;
    case 'M':
    case 'B':
    case 'G':
      return 10;
    case 'I':
    case '+':
      return 4;
    case 'O':
    case '@':
      return 8;
    default:
      return 0;
  }
}

}  // namespace

void TodayYmd(uint8_t out[3]) {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  out[0] = static_cast<uint8_t>(tm.tm_year);  // years since 1900
  out[1] = static_cast<uint8_t>(tm.tm_mon + 1);
  out[2] = static_cast<uint8_t>(tm.tm_mday);
}

DbfHeader DbfHeader::Read(const DataFile& f) {
  unsigned char h[68];
  if (f.size() < 32 + 1) Damaged(f, "the file is too short");
  f.ReadExact(0, h, 32);
  DbfHeader hd;
  hd.version = h[0];
  switch (hd.version) {
    case 0x30:
    case 0x31:
    case 0x32:
    case 0xF5:
    case 0xFB:
      throw EngineError(f.path() + ": a FoxPro table, not a dBase table; it cannot be opened");
    case 0x02:
      throw EngineError(f.path() + ": a dBase II or FoxBASE table, which cannot be opened");
    default:
      break;
  }
  int lvl = hd.version & 0x07;
  if (lvl == 3) {
    hd.level = 3;
  } else if (lvl == 4) {
    hd.level = 7;
  } else {
    Damaged(f, "unknown version byte");
  }
  if (h[15] != 0) throw EngineError(f.path() + ": the table is encrypted and cannot be opened");
  hd.has_memo_file = (hd.version & 0x80) != 0;
  hd.iv_memo = (hd.version & 0x08) != 0 || hd.level == 7;
  hd.record_count = U32(h + 4);
  hd.header_length = U16(h + 8);
  hd.record_length = U16(h + 10);
  hd.production_index = h[28] == 0x01;
  hd.language_driver = h[29];
  uint32_t first = 32, step = 32;
  if (hd.level == 7) {
    if (f.size() < 68 + 1) Damaged(f, "the file is too short");
    f.ReadExact(0, h, 68);
    for (int i = 32; i < 64 && h[i]; ++i) hd.driver_name.push_back(static_cast<char>(h[i]));
    first = 68;
    step = 48;
  }
  if (hd.header_length < first + 1 || hd.header_length > f.size())
    Damaged(f, "the header length is wrong");
  // Descriptors run up to the 0x0D terminator, inside the header length.
  std::string desc(hd.header_length - first, '\0');
  f.ReadExact(first, desc.data(), desc.size());
  uint32_t pos = 0;
  int offset = 1;
  for (;;) {
    if (pos >= desc.size()) Damaged(f, "the field list has no end mark");
    if (desc[pos] == 0x0D) break;
    if (pos + step > desc.size()) Damaged(f, "the field list runs past the header");
    const unsigned char* d = reinterpret_cast<const unsigned char*>(desc.data() + pos);
    FieldDef fd;
    int name_len = hd.level == 7 ? 32 : 11;
    for (int i = 0; i < name_len && d[i]; ++i) fd.name.push_back(static_cast<char>(d[i]));
    while (!fd.name.empty() && fd.name.back() == ' ') fd.name.pop_back();
    if (hd.level == 7) {
      fd.type = static_cast<char>(d[32]);
      fd.width = d[33];
      fd.decimals = d[34];
    } else {
      fd.type = static_cast<char>(d[11]);
      fd.width = d[16];
      fd.decimals = d[17];
    }
    fd.type = static_cast<char>(std::toupper(static_cast<unsigned char>(fd.type)));
    if (fd.name.empty()) Damaged(f, "a field has no name");
    if (!KnownType(fd.type, hd.level))
      throw EngineError(f.path() + ": field " + fd.name + " has a type (" +
                        std::string(1, fd.type) + ") this program cannot read");
    if (fd.width == 0 || (FixedWidth(fd.type) && fd.width != FixedWidth(fd.type)))
      Damaged(f, "field " + fd.name + " has a wrong width");
    if ((fd.type == 'N' || fd.type == 'F') && fd.decimals >= fd.width && fd.decimals != 0)
      Damaged(f, "field " + fd.name + " has more decimals than its width allows");
    if (fd.type != 'N' && fd.type != 'F') fd.decimals = 0;
    fd.offset = offset;
    offset += fd.width;
    hd.descriptor_offsets.push_back(first + pos);
    hd.fields.push_back(std::move(fd));
    pos += step;
  }
  if (hd.fields.empty()) Damaged(f, "the table has no fields");
  if (offset != hd.record_length) Damaged(f, "the record length does not match the fields");
  uint64_t need = hd.header_length + static_cast<uint64_t>(hd.record_count) * hd.record_length;
  if (need > f.size())
    throw EngineError(f.path() + ": the file is damaged: its header counts " +
                      std::to_string(hd.record_count) + " records, more than the file holds");
  return hd;
}

std::string DbfHeader::Build() {
  level = 3;
  header_length = static_cast<uint16_t>(32 + 32 * fields.size() + 1);
  std::string h(header_length, '\0');
  h[0] = static_cast<char>(version);
  uint8_t ymd[3];
  TodayYmd(ymd);
  for (int i = 0; i < 3; ++i) h[1 + i] = static_cast<char>(ymd[i]);
  for (int i = 0; i < 4; ++i) h[4 + i] = static_cast<char>(record_count >> (8 * i));
  int offset = 1;
  descriptor_offsets.clear();
  for (size_t i = 0; i < fields.size(); ++i) {
    FieldDef& fd = fields[i];
    fd.offset = offset;
    offset += fd.width;
    size_t d = 32 + 32 * i;
    descriptor_offsets.push_back(static_cast<uint32_t>(d));
    for (size_t k = 0; k < fd.name.size() && k < 10; ++k) h[d + k] = fd.name[k];
    h[d + 11] = fd.type;
    h[d + 16] = static_cast<char>(fd.width);
    h[d + 17] = static_cast<char>(fd.decimals);
  }
  record_length = static_cast<uint16_t>(offset);
  h[8] = static_cast<char>(header_length & 0xFF);
  h[9] = static_cast<char>(header_length >> 8);
  h[10] = static_cast<char>(record_length & 0xFF);
  h[11] = static_cast<char>(record_length >> 8);
  h[28] = production_index ? 1 : 0;
  h[29] = static_cast<char>(language_driver);
  h[header_length - 1] = 0x0D;
  return h;
}

void CheckNewField(const FieldDef& f, const std::string& table) {
  auto bad = [&](const std::string& why) {
    throw EngineError(table + ": field " + f.name + ": " + why);
  };
  if (f.name.empty() || f.name.size() > 10) bad("a field name has 1 to 10 characters");
  if (!std::isalpha(static_cast<unsigned char>(f.name[0])))
    bad("a field name starts with a letter");
  for (char c : f.name)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_')
      bad("a field name holds only letters, digits and _");
  switch (f.type) {
    case 'C':
      if (f.width < 1 || f.width > 254) bad("a text field is 1 to 254 characters wide");
      break;
    case 'N':
    case 'F':
      if (f.width < 1 || f.width > 20) bad("a numeric field is 1 to 20 characters wide");
      if (f.decimals < 0 || (f.decimals > 0 && f.decimals > f.width - 2) || f.decimals > 18)
        bad("too many decimals for the field's width");
      break;
    case 'D':
      if (f.width != 8) bad("a date field is 8 wide");
      break;
    case 'L':
      if (f.width != 1) bad("a logical field is 1 wide");
      break;
    case 'M':
      if (f.width != 10) bad("a memo field is 10 wide");
      break;
    default:
      bad(std::string("type ") + f.type + " cannot be created");
  }
}

}  // namespace lumi::dbf
