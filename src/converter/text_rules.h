#pragma once
// The small text rules every converter rule builds on: what counts as white space, when a text
// is empty, how it is trimmed, and how a text reads as a number.
//
// White space is the blank, TAB, CR and LF. Trimming is deliberately asymmetric: the left side
// loses all white space, the right side only blanks (a value ending in a line break keeps it).

#include <string_view>

namespace tabrix {

bool IsWhiteSpace(char c);

// True for text made only of white space, and for no text at all.
bool IsEmptyText(std::string_view text);

// Drops leading white space.
std::string_view TrimLeft(std::string_view text);
// Drops trailing blanks only; trailing TAB, CR and LF stay.
std::string_view TrimRight(std::string_view text);
// Both of the above.
std::string_view TrimBoth(std::string_view text);

// Numeric value of a text: optional leading blanks, an optional sign, digits with an optional
// decimal point; reading stops at the first other character. Text without digits is 0. The
// value is the double nearest to the decimal digits read (any number of them); a value beyond
// the largest double is infinity, one below half the smallest subnormal is zero.
double NumericValue(std::string_view text);

}  // namespace tabrix
