#include "engine/dbf/codepage.h"

#include <memory>
#include <mutex>
#include <vector>

#include "engine/dbf/codepage_tables.h"
#include "engine/error.h"

namespace lumi::dbf {

namespace {

constexpr int kDefaultCodePage = 1250;

void AppendUtf8(char32_t c, std::string* out) {
  if (c < 0x80) {
    out->push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (c >> 6)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (c >> 12)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (c >> 18)));
    out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// Decodes one UTF-8 sequence at s[*i]; returns -1 for a malformed one.
int64_t NextCodePoint(std::string_view s, size_t* i) {
  auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char c = b(*i);
  int len;
  char32_t cp;
  if (c < 0x80) {
    ++*i;
    return c;
  } else if ((c & 0xE0) == 0xC0) {
    len = 2;
    cp = c & 0x1F;
  } else if ((c & 0xF0) == 0xE0) {
    len = 3;
    cp = c & 0x0F;
  } else if ((c & 0xF8) == 0xF0) {
    len = 4;
    cp = c & 0x07;
  } else {
    return -1;
  }
  if (*i + len > s.size()) return -1;
  for (int k = 1; k < len; ++k) {
    if ((b(*i + k) & 0xC0) != 0x80) return -1;
    cp = (cp << 6) | (b(*i + k) & 0x3F);
  }
  static const char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return -1;
  *i += len;
  return cp;
}

// Windows programs store the comma-below letters as the cedilla forms.
char32_t CedillaForm(char32_t c) {
  switch (c) {
    case 0x0218:
      return 0x015E;
    case 0x0219:
      return 0x015F;
    case 0x021A:
      return 0x0162;
    case 0x021B:
      return 0x0163;
    default:
      return 0;
  }
}

}  // namespace

int CodePageOfDriver(uint8_t ldid) {
  switch (ldid) {
    case 0x01:
    case 0x09:
    case 0x0B:
    case 0x0D:
    case 0x0F:
    case 0x11:
    case 0x15:
    case 0x18:
    case 0x19:
    case 0x1B:
      return 437;
    case 0x02:
    case 0x0A:
    case 0x0E:
    case 0x10:
    case 0x12:
    case 0x14:
    case 0x16:
    case 0x1A:
    case 0x1D:
    case 0x25:
    case 0x37:
      return 850;
    case 0x03:
    case 0x58:
    case 0x59:
      return 1252;
    case 0x08:
    case 0x17:
    case 0x66:
      return 865;
    case 0x1C:
      return 863;
    case 0x1F:
    case 0x22:
    case 0x23:
    case 0x40:
    case 0x64:
    case 0x87:
      return 852;
    case 0x24:
      return 860;
    case 0x26:
    case 0x65:
      return 866;
    case 0x50:
      return 874;
    case 0x57:
      return 1250;  // "ANSI": the Windows code page of the writer, here Central European
    case 0x67:
      return 861;
    case 0x6A:
      return 737;
    case 0x6B:
      return 857;
    case 0x7D:
      return 1255;
    case 0x7E:
      return 1256;
    case 0xC8:
      return 1250;
    case 0xC9:
      return 1251;
    case 0xCA:
      return 1254;
    case 0xCB:
      return 1253;
    case 0xCC:
      return 1257;
    case 0x13:
    case 0x4D:
    case 0x4E:
    case 0x4F:
      return -1;
    default:
      return 0;
  }
}

CodePage::CodePage(int table_index) {
  const CodePageTable& t = kCodePageTables[table_index];
  number_ = t.code_page;
  for (int i = 0; i < 128; ++i) {
    // An undefined byte reads as the C1 control of its number (0x80-0x9F) or a
    // private-use character (0xA0-0xFF), which no code page defines.
    char32_t cp =
        t.upper[i] ? t.upper[i] : static_cast<char32_t>(i < 0x20 ? 0x80 + i : 0xF700 + 0x80 + i);
    std::string s;
    AppendUtf8(cp, &s);
    utf8_[i] = {0, 0, 0, 0};
    for (size_t k = 0; k < s.size() && k < 3; ++k) utf8_[i][k] = s[k];
    encode_.emplace(cp, static_cast<uint8_t>(0x80 + i));
  }
}

const CodePage& CodePage::ForNumber(int number) {
  static std::mutex mu;
  static std::vector<std::unique_ptr<CodePage>> made(kCodePageTableCount);
  for (int i = 0; i < kCodePageTableCount; ++i) {
    if (kCodePageTables[i].code_page != number) continue;
    std::lock_guard<std::mutex> lock(mu);
    if (!made[i]) made[i] = std::make_unique<CodePage>(i);
    return *made[i];
  }
  throw EngineError("code page " + std::to_string(number) + " is not supported");
}

const CodePage& CodePage::ForDriver(uint8_t ldid, std::string_view driver_name) {
  int cp = CodePageOfDriver(ldid);
  if (cp < 0) {
    throw EngineError("the table's language driver (0x" +
                      std::string(1, "0123456789ABCDEF"[ldid >> 4]) +
                      std::string(1, "0123456789ABCDEF"[ldid & 15]) +
                      ") uses a multi-byte code page, which is not supported");
  }
  if (cp == 0 && ldid == 0 && driver_name.size() >= 5 && driver_name.substr(0, 2) == "DB") {
    // Level-7 names: DBWIN.. is "ANSI"; DB<code page>.. names a DOS code page.
    int n = 0;
    size_t i = 2;
    while (i < driver_name.size() && i < 5 && driver_name[i] >= '0' && driver_name[i] <= '9')
      n = n * 10 + (driver_name[i++] - '0');
    if (i == 5) {
      for (int k = 0; k < kCodePageTableCount; ++k)
        if (kCodePageTables[k].code_page == n) return ForNumber(n);
    }
  }
  return ForNumber(cp > 0 ? cp : kDefaultCodePage);
}

bool CodePage::Encode(std::string_view utf8, std::string* out, std::string* bad) const {
  size_t i = 0;
  while (i < utf8.size()) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      out->push_back(static_cast<char>(c));
      ++i;
      continue;
    }
    size_t start = i;
    int64_t cp = NextCodePoint(utf8, &i);
    if (cp < 0) {
      *bad = "invalid UTF-8";
      return false;
    }
    auto it = encode_.find(static_cast<char32_t>(cp));
    if (it == encode_.end()) {
      if (char32_t alt = CedillaForm(static_cast<char32_t>(cp))) it = encode_.find(alt);
    }
    if (it == encode_.end()) {
      *bad = std::string(utf8.substr(start, i - start));
      return false;
    }
    out->push_back(static_cast<char>(it->second));
  }
  return true;
}

void CodePage::Decode(std::string_view bytes, std::string* out) const {
  out->reserve(out->size() + bytes.size());
  size_t ascii = 0;
  while (ascii < bytes.size() && static_cast<unsigned char>(bytes[ascii]) < 0x80) ++ascii;
  out->append(bytes.data(), ascii);
  bytes.remove_prefix(ascii);
  for (char ch : bytes) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      out->push_back(ch);
    } else {
      const auto& u = utf8_[c - 0x80];
      out->append(u.data());
    }
  }
}

}  // namespace lumi::dbf
