#pragma once
// Whole-file access for the converter's small files (assignment, country links).

#include <cstddef>
#include <optional>
#include <string>

namespace tabrix {

// True when path names an existing file (not a folder).
bool FileExists(const std::string& path);

// The first at most maxBytes bytes of the file; nullopt when it cannot be opened for reading.
std::optional<std::string> ReadFilePrefix(const std::string& path, std::size_t maxBytes);

// Creates (or empties) the file and writes bytes. Returns false when the file cannot be
// created; a failing write after a successful creation is not reported.
bool CreateFileWith(const std::string& path, const std::string& bytes);

}  // namespace tabrix
