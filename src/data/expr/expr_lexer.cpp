#include "data/expr/expr_lexer.h"

#include <cstdio>

#include "data/base/text.h"

namespace tabrix {
namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

// A byte as a reader sees it in a message: the character, or \xHH when it does not print.
std::string ShowByte(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (u >= 0x20 && u < 0x7F) return std::string("'") + c + "'";
  char buf[8];
  std::snprintf(buf, sizeof buf, "\\x%02X", u);
  return buf;
}

ExprError LexError(std::string_view text, int position, std::string message) {
  return ExprError{kGenSyntax, std::string(text), position, std::move(message)};
}

}  // namespace

ExprResult<std::vector<Token>> Tokenize(std::string_view text) {
  std::vector<Token> tokens;
  size_t i = 0;
  auto add = [&](TokenKind kind, size_t start, size_t length) {
    Token t;
    t.kind = kind;
    t.position = static_cast<int>(start) + 1;
    t.text = text.substr(start, length);
    tokens.push_back(t);
    i = start + length;
  };
  while (i < text.size()) {
    const char c = text[i];
    const char next = i + 1 < text.size() ? text[i + 1] : '\0';
    const size_t start = i;
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      ++i;
    } else if (IsLetter(c)) {
      size_t j = i + 1;
      while (j < text.size() && (IsLetter(text[j]) || IsDigit(text[j]))) ++j;
      add(TokenKind::kIdentifier, start, j - start);
    } else if (IsDigit(c) || (c == '.' && IsDigit(next))) {
      size_t j = i;
      while (j < text.size() && IsDigit(text[j])) ++j;
      if (j + 1 < text.size() && text[j] == '.' && IsDigit(text[j + 1])) {
        ++j;
        while (j < text.size() && IsDigit(text[j])) ++j;
      }
      add(TokenKind::kNumber, start, j - start);
    } else if (c == '.') {
      size_t j = i + 1;
      while (j < text.size() && IsLetter(text[j])) ++j;
      const std::string word = AsciiUpper(text.substr(i + 1, j - i - 1));
      if (word.empty() || j >= text.size() || text[j] != '.') {
        return LexError(
            text, static_cast<int>(start) + 1,
            word.empty() ? "unexpected '.'" : "unknown operator ." + word + " (no closing '.')");
      }
      TokenKind kind;
      bool value = false;
      if (word == "T" || word == "Y") {
        kind = TokenKind::kLogical;
        value = true;
      } else if (word == "F" || word == "N") {
        kind = TokenKind::kLogical;
      } else if (word == "AND") {
        kind = TokenKind::kAnd;
      } else if (word == "OR") {
        kind = TokenKind::kOr;
      } else if (word == "NOT") {
        kind = TokenKind::kNot;
      } else {
        return LexError(text, static_cast<int>(start) + 1, "unknown operator ." + word + ".");
      }
      add(kind, start, j + 1 - start);
      tokens.back().logical = value;
    } else if (c == '\'' || c == '"' || c == '[') {
      const char close = c == '[' ? ']' : c;
      const size_t end = text.find(close, i + 1);
      if (end == std::string_view::npos) {
        return LexError(text, static_cast<int>(start) + 1,
                        "string not closed: " + ShowByte(close) + " missing");
      }
      add(TokenKind::kString, start, end + 1 - start);
      tokens.back().text = text.substr(start + 1, end - start - 1);
    } else if (c == '-' && next == '>') {
      add(TokenKind::kArrow, start, 2);
    } else if (c == '=' && next == '=') {
      add(TokenKind::kExactEqual, start, 2);
    } else if ((c == '!' && next == '=') || (c == '<' && next == '>')) {
      add(TokenKind::kNotEqual, start, 2);
    } else if (c == '<' && next == '=') {
      add(TokenKind::kLessEqual, start, 2);
    } else if (c == '>' && next == '=') {
      add(TokenKind::kGreaterEqual, start, 2);
    } else {
      TokenKind kind;
      switch (c) {
        case '+':
          kind = TokenKind::kPlus;
          break;
        case '-':
          kind = TokenKind::kMinus;
          break;
        case '*':
          kind = TokenKind::kStar;
          break;
        case '/':
          kind = TokenKind::kSlash;
          break;
        case '=':
          kind = TokenKind::kEqual;
          break;
        case '#':
          kind = TokenKind::kNotEqual;
          break;
        case '<':
          kind = TokenKind::kLess;
          break;
        case '>':
          kind = TokenKind::kGreater;
          break;
        case '$':
          kind = TokenKind::kDollar;
          break;
        case '(':
          kind = TokenKind::kLeftParen;
          break;
        case ')':
          kind = TokenKind::kRightParen;
          break;
        case ',':
          kind = TokenKind::kComma;
          break;
        case '!':
          kind = TokenKind::kNot;
          break;
        default:
          return LexError(text, static_cast<int>(start) + 1, "unexpected character " + ShowByte(c));
      }
      add(kind, start, 1);
    }
  }
  Token end;
  end.position = static_cast<int>(text.size()) + 1;
  tokens.push_back(end);
  return tokens;
}

std::string DescribeToken(const Token& token) {
  switch (token.kind) {
    case TokenKind::kEnd:
      return "end of expression";
    case TokenKind::kIdentifier:
      return "name " + std::string(token.text);
    case TokenKind::kNumber:
      return "number " + std::string(token.text);
    case TokenKind::kString:
      return "string";
    default:
      return "'" + std::string(token.text) + "'";
  }
}

}  // namespace tabrix
