#pragma once
// Command line of the help topic launcher.
//
// After the program's own name the command line holds up to four fields separated by ';':
//   1  window handle of the calling program's window, decimal
//   2  help file path, taken unchanged (no trimming, no quote removal inside the field)
//   3  help command (WinHelp command value), decimal
//   4  command argument, decimal
// Missing fields are empty: numbers become 0, the file name "". Characters after the fourth
// field are ignored. Every field holds at most kMaxFieldLength characters; longer ones are cut.

#include <cstdint>
#include <string>
#include <string_view>

namespace tabrix {

inline constexpr size_t kMaxFieldLength = 255;

struct TopicRequest {
  int32_t window = 0;
  std::string helpFile;
  int32_t command = 0;
  int32_t argument = 0;
  friend bool operator==(const TopicRequest&, const TopicRequest&) = default;
};

// The C library's decimal rule: leading white space (blank, TAB, LF, VT, FF, CR), one optional
// sign, then decimal digits up to the first other character. Digits accumulate in 32-bit
// arithmetic, so values beyond the 32-bit range wrap around. No digits give 0.
int32_t DecimalToInt32(std::string_view text);

// Splits the arguments part of the command line (what follows the program name) into the
// request. A command line wholly enclosed in one pair of double quotes, as a shell passes a
// single quoted argument, is taken without that enclosing pair.
TopicRequest ParseTopicCommand(std::string_view arguments);

// The GUI start-up rule: skips the program name of a full command line (a quoted name ends at
// its closing quote, an unquoted one at the first blank or TAB) and the blanks and control
// characters after it.
std::string_view ArgumentsOfCommandLine(std::string_view commandLine);

}  // namespace tabrix
