#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/dbf/field.h"
#include "engine/dbf/value.h"

namespace lumi::dbf {

class CodePage;

// Turns field bytes into values and back, for every type but the memo types
// (whose bytes are a block number; see MemoPointer below).
//
// Errors are EngineError: `where` (the file, and the record when reading)
// begins the message, followed by the field name and the value.

// Decodes `bytes` (field.width of them). A field of blanks is NULL.
Value DecodeField(const FieldDef& field, const char* bytes, const CodePage& cp,
                  const std::string& where);

// Encodes `v` into `out` (field.width bytes). NULL writes blanks (binary
// zeros for the level-7 binary types). Throws when the value has the wrong
// kind or does not fit, writing nothing.
void EncodeField(const FieldDef& field, const Value& v, const CodePage& cp,
                 const std::string& where, char* out);

// The text of `v` rounded half away from zero to `decimals` places, or an
// empty string when it needs more than `width` characters.
std::string FormatNumber(double v, int width, int decimals);

// A memo field's block number (0 = none). Throws when the field holds
// something else.
uint32_t DecodeMemoPointer(const FieldDef& field, const char* bytes, const std::string& where);
void EncodeMemoPointer(uint32_t block, char* out);  // 10 bytes

// True when all `n` bytes are blanks (spaces or NULs).
bool IsBlank(const char* bytes, size_t n);

}  // namespace lumi::dbf
