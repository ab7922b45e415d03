// The value helpers that every window reaches through the start-up window
// (TForm1 has a thin member for each): code counters, and the key handler
// that makes a read-only edit box a numeric entry field.
#pragma once

#include <QString>
#include <cstdint>

class IniFile;
class QKeyEvent;
class QLineEdit;
namespace lumi {
class TQuery;
}

namespace Ajutoare {

// Readies a query for a new statement: closed, its SQL text cleared, its
// filter switched off and emptied, so nothing of the last statement leaks in.
void QueryRst(lumi::TQuery& q);

// The settings file, Lumicraft.ini in CaleData.
IniFile FisierSetari();

// The code counters: section "INDEX" of the settings file, one key per code
// column, holding the next code to hand out. A missing or empty key counts as "1".
inline constexpr const char* kSectiuneCoduri = "INDEX";

// The next code of kind `cheie`, without taking it. Throws
// Formats::ConversionError ("'x' is not a valid integer value") when the
// stored value is not a whole number.
QString CodExistent(const IniFile& ini, const QString& cheie);

// Takes the next code of kind `cheie` and stores the one after it. When the
// stored value is not a whole number, or the file cannot be written, it
// throws and the counter stays where it was.
QString CodNou(const IniFile& ini, const QString& cheie);

// Windows key codes, as the numeric key handler and its callers speak them.
namespace Tasta {
inline constexpr std::uint16_t kBackspace = 8;
inline constexpr std::uint16_t kDelete = 46;
inline constexpr std::uint16_t k0 = 48;
inline constexpr std::uint16_t k9 = 57;
inline constexpr std::uint16_t kNumpad0 = 96;
inline constexpr std::uint16_t kNumpad9 = 105;
inline constexpr std::uint16_t kZecimal = 110;  // the keypad's decimal point
inline constexpr std::uint16_t kPunct = 190;    // the main keyboard's point
}  // namespace Tasta

// The Windows key code of a key press (keypad keys apart from main ones).
std::uint16_t CodTasta(const QKeyEvent* event);

// When `e` has selected text: deletes it, puts the caret where it began and
// returns true. Otherwise returns false and changes nothing.
bool StergeSelectia(QLineEdit* e);

// The key-down handler of a read-only numeric edit box holding "0" at first:
// digits (main or keypad), one decimal point, Backspace and Delete edit the
// text at the caret within the box's maximum length; other keys do nothing.
// `key` comes back mapped (keypad digits to main digits, the point key to
// the keypad's decimal point).
void Lasa_Numar(QLineEdit* e, std::uint16_t& key);

}  // namespace Ajutoare
