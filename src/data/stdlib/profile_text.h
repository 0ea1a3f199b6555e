#pragma once
// Profile (INI) file text by the operating system's rules, for systems that have no profile
// functions of their own (the native build):
//
//   [Section]        section names and keys compare without regard to ASCII case
//   key=value        blanks around key and value are dropped; a value in matching double or
//                    single quotes loses them
//   ;comment         lines starting with ";" and lines without "=" are no keys
//
// Lines end in CR LF when written; LF alone is read too. The first section of a name counts,
// and within it the first line of a key.

#include <optional>
#include <string>
#include <string_view>

namespace tabrix {

// The value of key in section; nothing when either is missing.
std::optional<std::string> ReadProfileValue(std::string_view content, std::string_view section,
                                            std::string_view key);

// content with key in section set to value: an existing key line is replaced, a new key goes
// after the section's last key line, a new section goes at the end of the text.
std::string WriteProfileValue(std::string_view content, std::string_view section,
                              std::string_view key, std::string_view value);

}  // namespace tabrix
