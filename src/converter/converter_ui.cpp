#include "converter/converter_ui.h"

#include "data/base/text.h"

namespace tabrix {

namespace {
std::string::size_type LastSeparator(const std::string& path) {
  return path.find_last_of("\\/");
}
}  // namespace

std::string FolderOfPath(const std::string& path) {
  const auto pos = LastSeparator(path);
  return pos == std::string::npos ? std::string() : path.substr(0, pos);
}

std::string FileNameOfPath(const std::string& path) {
  return std::string(FileNamePart(path));
}

}  // namespace tabrix
