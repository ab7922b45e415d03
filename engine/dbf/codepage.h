#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace lumi::dbf {

// Converts text between UTF-8 (the engine's interface) and one single-byte
// code page (what a table stores). Bytes a code page leaves undefined read as
// a C1 control or a private-use character and write back unchanged, so every
// file round-trips.
class CodePage {
 public:
  // The code page of a table from its language-driver byte (and, for level-7
  // tables with byte 29 zero, the driver name at offset 32). 0x57 ("ANSI"),
  // 0x00 and drivers we do not know read as Windows-1250, the workshop's text.
  // Throws EngineError for a multi-byte (Far East) driver.
  static const CodePage& ForDriver(uint8_t ldid, std::string_view driver_name = {});
  // Throws EngineError when `number` is not a code page we hold.
  static const CodePage& ForNumber(int number);

  int number() const { return number_; }

  // Appends the code-page bytes of `utf8` to `out`. Returns false, with the
  // offending character (or "invalid UTF-8") in `bad`, when a character cannot
  // be stored; `out` is then unspecified. The Romanian comma-below letters are
  // stored as their cedilla forms when the code page lacks them.
  bool Encode(std::string_view utf8, std::string* out, std::string* bad) const;
  // Appends the UTF-8 of `bytes` to `out`.
  void Decode(std::string_view bytes, std::string* out) const;
  std::string Decode(std::string_view bytes) const {
    std::string s;
    Decode(bytes, &s);
    return s;
  }

  explicit CodePage(int table_index);

 private:
  int number_;
  std::array<std::array<char, 4>, 128> utf8_;  // upper half as UTF-8, NUL-terminated
  std::unordered_map<char32_t, uint8_t> encode_;
};

// The code page a language-driver byte names, or 0 when the byte names none
// (0x00) or one we do not know; -1 for a multi-byte driver.
int CodePageOfDriver(uint8_t ldid);

}  // namespace lumi::dbf
