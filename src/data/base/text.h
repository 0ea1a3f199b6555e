#pragma once
// Small text helpers every layer needs, defined once: ASCII upper case, the parts of a file
// name, and the date as the program shows it.
//
// Upper case is ASCII only: a-z change and every other byte stays. Table text is code page
// 850, window text Windows-1252; a locale-dependent toupper would change their letters above
// 0x7F differently on every system, and names of files, drivers and fields never need it.
//
// File names are split at the last '/', '\\' or ':' (a drive letter without a folder, "C:X.DBF").
// The extension is what follows the last dot of the file's own name, so a dot in a folder name
// ("C:\\V1.2\\KUNDEN") is never taken for one.

#include <string>
#include <string_view>

#include "data/base/value.h"

namespace tabrix {

char AsciiUpper(char c);
std::string AsciiUpper(std::string_view text);

// The name after the last separator; the whole of `path` when it has none.
std::string_view FileNamePart(std::string_view path);
// `path` without the extension of its file name, and without that dot.
std::string_view WithoutExtension(std::string_view path);
// The extension of the file name without its dot; empty when it has none.
std::string_view ExtensionOf(std::string_view path);
// Whether the file name has a dot, even one that ends it ("KUNDEN.": an empty extension).
bool HasExtension(std::string_view path);

// "dd.mm.yyyy"; "  .  .    " for the empty date.
std::string DateText(const Date& date);

}  // namespace tabrix
