#pragma once
// The open and save file dialogs' fixed part: argument defaults, the filter encoding, the
// 260-byte name buffer and the result forms. The dialog itself is the platform's
// (GETOPENFILENAME / GETSAVEFILENAME in win32fkt_win.h).
//
// Filters go to the platform as description, NUL, pattern, NUL for each pair and one more
// NUL at the end; the first filter is preselected. With multiple selection the platform
// fills the buffer with the directory, NUL, each file name, NUL, and a final NUL, and reports
// a file-name offset beyond the end of the first text; with one file the buffer holds the
// full path and the offset points into it.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tabrix {

inline constexpr size_t kFileNameBufferSize = 260;
inline constexpr const char* kDefaultFileDialogTitle = "Dateiwahl";
// Hide the read-only box, do not change the current directory.
inline constexpr uint32_t kDefaultFileDialogFlags = 12;
// The platform's flags the library itself looks at.
inline constexpr uint32_t kOfnAllowMultiSelect = 0x200;
inline constexpr uint32_t kOfnExplorer = 0x80000;

struct FileFilter {
  std::string description;
  std::string pattern;
};

// The four filters used when none are given.
std::vector<FileFilter> DefaultFileFilters();

// The arguments in their order; all but the owner may be missing.
struct FileDialogArgs {
  uintptr_t owner = 0;
  std::optional<std::string> initialName = std::nullopt;          // shorter than 260 characters
  std::optional<std::string> title = std::nullopt;                // "Dateiwahl"
  std::optional<std::vector<FileFilter>> filters = std::nullopt;  // DefaultFileFilters()
  std::optional<uint32_t> flags = std::nullopt;                   // 12
  std::optional<std::string> initialDir = std::nullopt;
  std::optional<std::string> defaultExt = std::nullopt;
};

// What is handed to the platform.
struct FileDialogSetup {
  std::string filter;      // encoded, ends in two NULs
  std::string nameBuffer;  // kFileNameBufferSize bytes, initial name NUL-terminated
  std::string title;
  uint32_t flags = 0;
  std::optional<std::string> initialDir;
  std::optional<std::string> defaultExt;
};

// Encodes filters; an empty list encodes the default filters.
std::string EncodeFileFilters(const std::vector<FileFilter>& filters);

// Fills in the defaults. An initial name that does not fit the buffer with its NUL (260
// characters or more) is left out rather than cut into another name. With multiple selection
// the explorer style is asked for, so that names holding blanks come back separated by NULs.
FileDialogSetup PrepareFileDialog(const FileDialogArgs& args);

// Nothing (cancelled), the chosen full path, or directory followed by the file names.
using FileDialogResult = std::variant<std::monostate, std::string, std::vector<std::string>>;

// Reads the buffer the platform filled; fileOffset is the offset of the (first) file name.
FileDialogResult ReadFileDialogResult(std::string_view buffer, uint32_t fileOffset);

}  // namespace tabrix
