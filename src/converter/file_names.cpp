#include "converter/file_names.h"

#include "data/base/text.h"

namespace tabrix {

int SURCHCHARR(std::string_view s, char c, int mode) {
  for (size_t pos = s.size(); pos >= 1; --pos) {
    if (s[pos - 1] == c) return static_cast<int>(pos);
  }
  return mode == 1 ? static_cast<int>(s.size()) + 1 : 0;
}

std::string SourceBaseName(std::string_view path) {
  return std::string(WithoutExtension(FileNamePart(path)));
}

}  // namespace tabrix
