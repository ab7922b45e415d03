#include "engine/sql/lexer.h"

#include <cctype>

#include "engine/error.h"

namespace lumi::sql {

namespace {

bool IsNameStart(unsigned char c) { return std::isalpha(c) || c == '_' || c >= 0x80; }
bool IsNameChar(unsigned char c) { return std::isalnum(c) || c == '_' || c >= 0x80; }

}  // namespace

std::string DescribePosition(std::string_view text, int position) {
  int line = 1;
  int column = 1;
  for (int i = 0; i < position && i < static_cast<int>(text.size()); ++i) {
    if (text[i] == '\n') {
      ++line;
      column = 1;
    } else {
      ++column;
    }
  }
  return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

std::vector<Token> Tokenize(std::string_view text) {
  std::vector<Token> out;
  size_t i = 0;
  const size_t n = text.size();
  while (true) {
    while (i < n && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    Token t;
    t.position = static_cast<int>(i);
    if (i >= n) {
      out.push_back(t);
      return out;
    }
    const unsigned char c = text[i];
    if (c == '\'' || c == '"') {
      t.kind = TokenKind::kString;
      t.quote = static_cast<char>(c);
      ++i;
      while (true) {
        if (i >= n) {
          throw EngineError("Unterminated text literal starting at " +
                            DescribePosition(text, t.position));
        }
        if (text[i] == static_cast<char>(c)) {
          if (i + 1 < n && text[i + 1] == static_cast<char>(c)) {
            t.text.push_back(static_cast<char>(c));
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        t.text.push_back(text[i++]);
      }
    } else if (std::isdigit(c) ||
               (c == '.' && i + 1 < n && std::isdigit(static_cast<unsigned char>(text[i + 1])))) {
      t.kind = TokenKind::kNumber;
      size_t start = i;
      while (i < n && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
      if (i < n && text[i] == '.') {
        ++i;
        while (i < n && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
      }
      if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        if (j < n && (text[j] == '+' || text[j] == '-')) ++j;
        if (j < n && std::isdigit(static_cast<unsigned char>(text[j]))) {
          i = j;
          while (i < n && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
        }
      }
      t.text = std::string(text.substr(start, i - start));
    } else if (IsNameStart(c)) {
      t.kind = TokenKind::kIdentifier;
      size_t start = i;
      while (i < n && IsNameChar(static_cast<unsigned char>(text[i]))) ++i;
      t.text = std::string(text.substr(start, i - start));
    } else if (c == ':' && i + 1 < n && IsNameStart(static_cast<unsigned char>(text[i + 1]))) {
      t.kind = TokenKind::kParam;
      size_t start = ++i;
      while (i < n && IsNameChar(static_cast<unsigned char>(text[i]))) ++i;
      t.text = std::string(text.substr(start, i - start));
    } else {
      t.kind = TokenKind::kSymbol;
      std::string_view two = text.substr(i, 2);
      if (two == "<>" || two == "<=" || two == ">=" || two == "!=" || two == "||") {
        t.text = std::string(two);
        i += 2;
      } else if (std::string_view("=<>+-*/(),.;").find(static_cast<char>(c)) !=
                 std::string_view::npos) {
        t.text = std::string(1, static_cast<char>(c));
        ++i;
      } else {
        throw EngineError("Unexpected character '" + std::string(1, static_cast<char>(c)) +
                          "' at " + DescribePosition(text, t.position));
      }
    }
    out.push_back(std::move(t));
  }
}

}  // namespace lumi::sql
