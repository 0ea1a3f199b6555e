#pragma once
// The functions expressions may call, with the argument types each takes.
//
// A name matches a function when it is the full name or, with at least four letters, the
// beginning of it (the xBase abbreviation: SUBS, SUBST and SUBSTR are all SUBSTR); any case.
// Longer names than the function's own do not match. An abbreviation that begins two
// functions' names is refused as ambiguous (the table below has none of length four or more;
// expr_functions_test.cpp keeps it that way).
//
//   function                      arguments (optional in [])        result
//   IIF(c, a, b)  IF(c, a, b)     logical, two values of one type   that type; only the branch
//                                                                   chosen is evaluated
//   EMPTY(x)                      any                               logical
//   CHR(n)                        numeric 0..255                    character, 1 byte
//   SPACE(n)  REPLICATE(s, n)     n <= 0 gives ""                   character
//   LEN(s)  ASC(s)  AT(s, t)      character                         numeric
//   UPPER(s)  LOWER(s)            character                         character (code page 850,
//                                                                   German letters included)
//   STR(n [, len [, dec]])        numeric                           character (len 10, dec 0)
//   STRZERO(n [, len [, dec]])    numeric                           STR with zeros for blanks
//   DTOS(d)  DTOC(d)              date or datetime                  character
//   CTOD(s)                       character                         date
//   TRIM RTRIM LTRIM ALLTRIM(s)   character                         character (blanks only)
//   LEFT(s, n)  RIGHT(s, n)       character, numeric                character
//   SUBSTR(s, start [, count])    character, numeric, numeric       character
//   PADR PADL PADC(x, n [, fill]) character/numeric/date/datetime   character of exactly n
//   VAL(s)                        character                         numeric
//   DELETED()  RECNO()                                              logical, numeric
//   YEAR(d)  MONTH(d)  DAY(d)     date or datetime                  numeric (0 for empty)
//   INT(n)  ABS(n)  ROUND(n, d)   numeric                           numeric
//   MAX(a, b)  MIN(a, b)          two values of one type (C N D T)  that type
//   TTOC(t [, form])  TTOD(t)     datetime                          character, date
//   DTOT(d)                       date                              datetime
//   BINTOC(n [, size])            numeric; size 1, 2, 4 (default) or 8   character of `size`
// Edge rules of each function are at its implementation (expr_builtins.cpp).

#include <cstdint>
#include <span>
#include <string_view>

#include "data/expr/expr_record.h"

namespace tabrix {

enum class FuncId : uint8_t {
  kIif,
  kEmpty,
  kChr,
  kSpace,
  kReplicate,
  kLen,
  kAsc,
  kAt,
  kUpper,
  kLower,
  kStr,
  kStrZero,
  kDtos,
  kDtoc,
  kCtod,
  kTrim,
  kLtrim,
  kAlltrim,
  kLeft,
  kRight,
  kSubstr,
  kPadr,
  kPadl,
  kPadc,
  kVal,
  kDeleted,
  kRecno,
  kYear,
  kMonth,
  kDay,
  kInt,
  kAbs,
  kRound,
  kMax,
  kMin,
  kTtoc,
  kTtod,
  kDtot,
  kBintoc,
};

// Argument type masks.
enum : uint8_t {
  kArgC = 1 << 0,
  kArgN = 1 << 1,
  kArgD = 1 << 2,
  kArgT = 1 << 3,
  kArgL = 1 << 4,
  kArgAny = kArgC | kArgN | kArgD | kArgT | kArgL,
};

inline uint8_t ArgMaskOf(ExprType type) {
  return static_cast<uint8_t>(1u << static_cast<int>(type));
}

// How the result type follows from the arguments.
enum class ResultRule : uint8_t {
  kFixed,         // FunctionSpec::result
  kLikeFirst,     // the first argument's type; the second must have the same (MAX, MIN)
  kLikeBranches,  // the second argument's type; the third must have the same (IIF)
};

struct FunctionSpec {
  const char* name;  // upper case, full
  FuncId id;
  uint8_t minArgs;
  uint8_t maxArgs;
  uint8_t args[3];  // type mask per argument position
  ResultRule rule;
  ExprType result;  // for kFixed
};

std::span<const FunctionSpec> AllFunctions();

struct FunctionMatch {
  const FunctionSpec* spec = nullptr;   // nullptr: no function of that name
  const FunctionSpec* other = nullptr;  // set when the abbreviation is ambiguous: a second match
};
// The function `name` (any case) calls, by the matching rule above.
FunctionMatch FindFunction(std::string_view name);

}  // namespace tabrix
