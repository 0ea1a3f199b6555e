#pragma once
// The tokens of dBASE expression text.
//
//   identifier   a letter or '_', then letters, digits, '_' (field, alias and function names)
//   number       digits with an optional point and more digits, or a point and digits: 12,
//                12.50, .5 (no exponent; "1." is the number 1 followed by a point, so that
//                "1.AND." reads as 1 .AND.); at most 38 significant digits
//   string       '...', "..." or [...]; no escapes, the text is the bytes between
//   logical      .T. .F. .Y. .N. (any case)
//   operators    + - * / = == != <> # < <= > >= $ ( ) , -> ! .AND. .OR. .NOT. (any case)
// Blanks, tabs and line ends separate tokens. Positions are 1-based byte offsets.

#include <string>
#include <string_view>
#include <vector>

#include "data/expr/expr_error.h"

namespace tabrix {

enum class TokenKind : uint8_t {
  kEnd,
  kIdentifier,
  kNumber,
  kString,
  kLogical,
  kPlus,
  kMinus,
  kStar,
  kSlash,
  kEqual,       // =
  kExactEqual,  // ==
  kNotEqual,    // != <> #
  kLess,
  kLessEqual,
  kGreater,
  kGreaterEqual,
  kDollar,
  kLeftParen,
  kRightParen,
  kComma,
  kArrow,  // ->
  kNot,    // ! .NOT.
  kAnd,
  kOr,
};

struct Token {
  TokenKind kind = TokenKind::kEnd;
  int position = 0;       // 1-based
  std::string_view text;  // the token's bytes; a string's text without its delimiters
  bool logical = false;   // kLogical: .T./.Y. true
};

// All tokens of `text`, ending with kEnd; an error for a byte no token starts with, an
// unclosed string or an unknown dotted word. The views point into `text`.
ExprResult<std::vector<Token>> Tokenize(std::string_view text);

// "')'", "end of expression", "identifier NAME", ... for messages.
std::string DescribeToken(const Token& token);

}  // namespace tabrix
