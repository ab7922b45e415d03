#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lumi::tools {

struct ScriptStatement {
  std::string text;
  int line = 1;  // line of the statement's first character, 1-based
};

// Splits a script at each ';' outside quotes. Lines whose first non-blank
// characters are "--" (outside quotes) are comments; blank statements are
// dropped.
std::vector<ScriptStatement> SplitScript(std::string_view script);

}  // namespace lumi::tools
