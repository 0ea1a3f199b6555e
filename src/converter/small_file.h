#pragma once
// Whole-file access for the converter's small files (assignment, country links).

#include <cstddef>
#include <optional>
#include <string>

#include "converter/converter_ui.h"

namespace tabrix {

// True when path names an existing file (not a folder).
bool FileExists(const std::string& path);

// The first at most maxBytes bytes of the file; nullopt when it cannot be opened for reading.
std::optional<std::string> ReadFilePrefix(const std::string& path, std::size_t maxBytes);

// Creates (or empties) the file and writes bytes. Returns false when the file cannot be
// created; a failing write after a successful creation is not reported.
bool CreateFileWith(const std::string& path, const std::string& bytes);

struct ConverterJobState;

// The open chooser shared by the assignment and country-link files: starts in the folder last
// used (LASTPATH2), remembers the chosen folder there and serves pending messages. Returns the
// chosen path, or nothing when the user cancelled, the file does not exist, or the frame closed
// the job while the chooser was open (there is nothing left to load into then).
std::optional<std::string> ChooseFileToOpen(ConverterContext& ctx, const ConverterJobState& state,
                                            const std::string& filterText, const char* pattern);

}  // namespace tabrix
