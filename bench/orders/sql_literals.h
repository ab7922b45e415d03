// Values spliced into statements as text, as the windows splice them.
#pragma once

#include <cmath>
#include <cstdio>
#include <string>

namespace lumi::bench {

// "12345" for a whole number (a code).
inline std::string Code(double v) { return std::to_string(std::llround(v)); }

// Up to four decimals, trailing zeros dropped.
inline std::string Num(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.4f", v);
  std::string s = buf;
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s;
}

// A text literal, its quotes doubled.
inline std::string Quoted(const std::string& s) {
  std::string out = "'";
  for (char c : s) {
    out += c;
    if (c == '\'') out += c;
  }
  return out + "'";
}

}  // namespace lumi::bench
