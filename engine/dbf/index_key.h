#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "engine/dbf/field.h"
#include "engine/dbf/value.h"

namespace lumi::dbf {

class CodePage;

// dBase IV index keys: C keys are the field's bytes padded with blanks; N keys
// are 12-byte BCD numbers; D keys are the Julian day as a little-endian double
// (0.0 for a blank date).

// Key length for a tag on `field` (C: its width, N/F: 12, D: 8); 0 when the
// field cannot be indexed.
int KeyLength(const FieldDef& field);
char KeyType(const FieldDef& field);  // 'C', 'N' or 'D'

// The key of a record's field bytes.
std::string KeyFromField(const FieldDef& field, const char* bytes);

// The key a lookup for `v` searches, or nullopt when no record can hold `v`
// (text the code page lacks, text longer than the field). Throws EngineError
// for a value of the wrong kind.
std::optional<std::string> KeyFromValue(const FieldDef& field, const Value& v, const CodePage& cp);

// Orders two keys of type `type` (negative, 0, positive). N keys are compared
// by their meaning, not their bytes, so foreign digit counts still order right.
int CompareKeys(char type, std::string_view a, std::string_view b);

// The bytes of `key` rewritten so that memcmp orders them as CompareKeys
// orders the keys, and equal exactly when CompareKeys finds them equal;
// SortableLength(type, key_length) bytes are written to `out`.
size_t SortableLength(char type, size_t key_length);
void SortableKey(char type, std::string_view key, char* out);

// The BCD key of a number written as decimal text ("-12.50"), and back.
std::string BcdFromText(std::string_view text);
double BcdToDouble(std::string_view key);

// True for the key of a blank field: all blanks (C) or 0.0 (D). N keys of a
// blank field equal those of 0; the record tells them apart.
bool IsBlankKey(char type, std::string_view key);
bool IsZeroBcd(std::string_view key);

}  // namespace lumi::dbf
