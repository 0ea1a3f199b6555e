#include "converter/file_names.h"

namespace tabrix {

int SURCHCHARR(std::string_view s, char c, int mode) {
  for (size_t pos = s.size(); pos >= 1; --pos) {
    if (s[pos - 1] == c) return static_cast<int>(pos);
  }
  return mode == 1 ? static_cast<int>(s.size()) + 1 : 0;
}

std::string SourceBaseName(std::string_view path) {
  // The folder goes first, so that a "." in a folder name cannot cut the path short.
  const std::string_view fileName = path.substr(SURCHCHARR(path, '\\', 0));
  return std::string(fileName.substr(0, SURCHCHARR(fileName, '.', 1) - 1));
}

}  // namespace tabrix
