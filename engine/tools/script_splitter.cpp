#include "engine/tools/script_splitter.h"

#include <cctype>

namespace lumi::tools {

std::vector<ScriptStatement> SplitScript(std::string_view s) {
  std::vector<ScriptStatement> out;
  ScriptStatement cur;
  char quote = 0;
  int line = 1;
  bool line_start = true;  // only blanks seen on this line so far
  auto flush = [&] {
    size_t b = cur.text.find_first_not_of(" \t\r\n");
    if (b != std::string::npos) out.push_back(cur);
    cur = ScriptStatement();
  };
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (!quote && line_start && c == '-' && i + 1 < s.size() && s[i + 1] == '-') {
      while (i < s.size() && s[i] != '\n') ++i;
      if (i < s.size()) {
        ++line;
        if (!cur.text.empty()) cur.text.push_back('\n');
      }
      continue;
    }
    if (c == '\n') {
      ++line;
      line_start = true;
    } else if (!std::isspace(static_cast<unsigned char>(c))) {
      line_start = false;
    }
    if (quote) {
      if (c == quote) quote = 0;  // a doubled quote closes and reopens
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == ';') {
      flush();
      continue;
    }
    if (cur.text.find_first_not_of(" \t\r\n") == std::string::npos &&
        !std::isspace(static_cast<unsigned char>(c))) {
      cur.text.clear();
      cur.line = line;
    }
    cur.text.push_back(c);
  }
  flush();
  return out;
}

}  // namespace lumi::tools
