#pragma once
// Text and number functions of the standard library (Stfkt): the small string rules the
// converter, the dialogs and the browse share. All work on bytes; none cares about the code
// page of its text.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace tabrix {

// The n-th part (counting from 1) of text between separators. Only the first character of
// separator counts; empty parts count too ("a;;b" has three parts). "" for n below 1, for n
// beyond the last part, or when separator is empty.
std::string GETPARTSTR(std::string_view text, std::string_view separator, int64_t n);

// The characters of text that occur in allowed, in their order.
std::string CHARONLY(std::string_view allowed, std::string_view text);

// text with every occurrence of each character of chars removed.
std::string CHARREM(std::string_view chars, std::string_view text);

// The number in a fixed width (default 10) with the given decimals (default 0), rounded half
// away from zero, leading blanks turned into zeros and a minus sign moved to the front:
// STRZERO(-5, 4) is "-005", STRZERO(5, 4) is "0005". A number that does not fit the width
// gives the width in asterisks. A width below 1 gives "".
std::string STRZERO(double number, std::optional<int> length = std::nullopt,
                    std::optional<int> decimals = std::nullopt);

// German number text: every "." removed, then "," read as the decimal point; the number is
// read like the runtime's value function (leading blanks skipped, a sign, digits and one
// decimal point; reading stops at the first other character; 0 when there is no number).
// "1.234,56" is 1234.56.
double VAL2(std::string_view text);

// A value a resource string is formatted with.
using ParamValue = std::variant<std::monostate, std::string, int64_t>;

// Formats a resource string template with one value (LOADPARAMSTRING's formatting): a string
// value replaces the first "%s", a number the first "%i" or "%d"; "%%" is a percent sign.
// Placeholders the value does not fill stay as they are, so a template that does not match
// its value can never read a missing argument. The result is cut to 255 characters.
std::string FormatParamString(std::string_view format, const ParamValue& value);

// The text LOADPARAMSTRING yields for a string number the module does not hold.
std::string MissingParamString(int64_t number);

// Table text <-> window text by the fixed code page tables (codepage.h). OEMTOANSI of
// something that is not a text (nothing given) yields " ".
std::string OEMTOANSI(const std::optional<std::string>& textOem);
std::string ANSITOOEM(std::string_view textAnsi);

}  // namespace tabrix
