#pragma once
// Names derived from the source table's path.

#include <string>
#include <string_view>

namespace tabrix {

// Position (1-based) of the last occurrence of `c` in `s`. When `c` does not occur (always for
// an empty `s`): 0 in mode 0, length of `s` + 1 in mode 1 (any mode other than 1 acts as 0).
// "ABC" searched for '.' gives 0 in mode 0 and 4 in mode 1.
int SURCHCHARR(std::string_view s, char c, int mode);

// Base name of the source table: the file name of `path` without folder and without extension,
// in the letter case given: "C:\KUNDEN\ADRESSEN.DBF" -> "ADRESSEN". It names the default
// assignment, country-link and protocol files and appears in the dialog's labels.
// Only a "." inside the file name starts the extension: "C:\DATEN.2024\KUNDEN" -> "KUNDEN".
std::string SourceBaseName(std::string_view path);

}  // namespace tabrix
