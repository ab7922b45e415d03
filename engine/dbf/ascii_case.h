#pragma once

#include <cctype>
#include <string_view>

namespace lumi::dbf {

// Equal but for the case of ASCII letters: file and table names, which the
// program finds regardless of case.
inline bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

}  // namespace lumi::dbf
