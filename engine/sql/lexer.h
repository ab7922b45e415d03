#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lumi::sql {

enum class TokenKind {
  kEnd,
  kIdentifier,  // a name or a keyword; `text` as written
  kNumber,      // 12, 12.5, .5, 1e-05
  kString,      // '...' or "..."; `text` holds the value, a doubled quote made one
  kParam,       // :NAME; `text` holds NAME
  kSymbol,      // = <> != < <= > >= + - * / || ( ) , . ;
};

struct Token {
  TokenKind kind = TokenKind::kEnd;
  std::string text;
  char quote = 0;    // for strings: the quote character used
  int position = 0;  // byte offset in the statement, 0-based
};

// Splits a statement into tokens. Inside a quoted literal only a doubled quote
// of the same kind is special: a backslash is an ordinary character, so table
// paths such as "C:\Lumi\Data\Magazie.dbf" and user text stay as written.
// Throws EngineError for an unterminated literal or a character that starts no
// token, naming its position.
std::vector<Token> Tokenize(std::string_view text);

// "line L, column C" of a byte offset, for messages.
std::string DescribePosition(std::string_view text, int position);

}  // namespace lumi::sql
