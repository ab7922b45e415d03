#pragma once

#include <string>

namespace lumi::dbf {

// One column of a table as its descriptor holds it. `type` is the dBase type
// letter: C (text), N and F (number), D (date), L (logical), M (memo), and when
// reading level-7 tables also I, +, O, @, B, G. Width and decimals are in
// bytes on disk; `offset` is the byte offset within the record (after the
// deletion flag), filled in by the table.
struct FieldDef {
  std::string name;  // upper case ASCII, at most 10 characters for new tables
  char type = 'C';
  int width = 0;
  int decimals = 0;
  int offset = 0;

  // The usual definitions; C width 1..254, N width 1..20 with decimals < width.
  static FieldDef Char(std::string name, int width) { return {std::move(name), 'C', width, 0, 0}; }
  static FieldDef Numeric(std::string name, int width, int decimals) {
    return {std::move(name), 'N', width, decimals, 0};
  }
  static FieldDef DateField(std::string name) { return {std::move(name), 'D', 8, 0, 0}; }
  static FieldDef LogicalField(std::string name) { return {std::move(name), 'L', 1, 0, 0}; }
  static FieldDef Memo(std::string name) { return {std::move(name), 'M', 10, 0, 0}; }
};

}  // namespace lumi::dbf
