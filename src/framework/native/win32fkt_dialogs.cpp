// The file dialogs' fixed part (see win32fkt_dialogs.h).

#include "framework/native/win32fkt_dialogs.h"

#include <algorithm>

namespace tabrix {

std::vector<FileFilter> DefaultFileFilters() {
  return {{"WinWord Dokumente (*.DOC)", "*.DOC"},
          {"dBase Datenbank (*.DBF)", "*.DBF"},
          {"Textdatei (*.TXT)", "*.TXT"},
          {"Alle Dateien", "*.*"}};
}

std::string EncodeFileFilters(const std::vector<FileFilter>& filters) {
  if (filters.empty()) return EncodeFileFilters(DefaultFileFilters());
  std::string out;
  for (const FileFilter& f : filters) {
    // A NUL inside a text would end the pair early and shift every later filter.
    for (const std::string* part : {&f.description, &f.pattern}) {
      out += part->substr(0, part->find('\0'));
      out += '\0';
    }
  }
  out += '\0';
  return out;
}

FileDialogSetup PrepareFileDialog(const FileDialogArgs& args) {
  FileDialogSetup setup;
  setup.filter = EncodeFileFilters(args.filters.value_or(std::vector<FileFilter>{}));
  setup.nameBuffer.assign(kFileNameBufferSize, '\0');
  if (args.initialName && args.initialName->size() < kFileNameBufferSize) {
    setup.nameBuffer.replace(0, args.initialName->size(), *args.initialName);
  }
  setup.title = args.title.value_or(kDefaultFileDialogTitle);
  setup.flags = args.flags.value_or(kDefaultFileDialogFlags);
  if (setup.flags & kOfnAllowMultiSelect) setup.flags |= kOfnExplorer;
  setup.initialDir = args.initialDir;
  setup.defaultExt = args.defaultExt;
  return setup;
}

FileDialogResult ReadFileDialogResult(std::string_view buffer, uint32_t fileOffset) {
  const size_t firstEnd = std::min(buffer.find('\0'), buffer.size());
  if (firstEnd == 0) return std::monostate{};
  const std::string first(buffer.substr(0, firstEnd));
  if (fileOffset <= firstEnd) return first;
  std::vector<std::string> list{first};
  size_t at = firstEnd + 1;
  while (at < buffer.size() && buffer[at] != '\0') {
    size_t end = std::min(buffer.find('\0', at), buffer.size());
    list.emplace_back(buffer.substr(at, end - at));
    at = end + 1;
  }
  return list;
}

}  // namespace tabrix
