// Windows-1250, the 8-bit code page the workshop's data is written in.
// Used where the program hands out bytes that older files and values keep:
// the names stored in a backup archive and the scrambled password.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lumi {

// The Windows-1250 bytes of a UTF-8 text, or nothing when a character has no
// byte there. The comma-below letters of Romanian are given their cedilla
// forms, as Windows programs have always stored them.
std::optional<std::string> Cp1250FromUtf8(std::string_view utf8);

// The UTF-8 text of Windows-1250 bytes. The five bytes the code page leaves
// undefined stand for the control characters of the same number, as Windows
// reads them, so that every byte string comes back unchanged.
std::string Utf8FromCp1250(std::string_view bytes);

}  // namespace lumi
