#include "framework/app_settings.h"

#include <cstdio>

#include "data/base/text.h"
#include "framework/wmu_messages.h"

namespace tabrix {
namespace {

std::string gDialogIni;
std::string gCentralIni;

std::string_view Field(std::string_view text, char separator, int index) {
  for (int i = 0; i < index; ++i) {
    size_t at = text.find(separator);
    if (at == std::string_view::npos) return {};
    text.remove_prefix(at + 1);
  }
  size_t at = text.find(separator);
  return at == std::string_view::npos ? text : text.substr(0, at);
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

// A number as a user would type it: blanks, sign, digits; 0 when there are none.
int64_t Number(std::string_view text) {
  text = Trim(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9' || value > 99999999999999999) break;
    value = value * 10 + (c - '0');
  }
  return negative ? -value : value;
}

}  // namespace

std::string DLGSETINIFILENAME(const std::string& name) {
  if (!name.empty()) gDialogIni = name;
  return gDialogIni;
}
std::string DLGGETINIFILENAME() {
  return gDialogIni;
}
std::string DLGSETCENTINIFILENAME(const std::string& name) {
  if (!name.empty()) gCentralIni = name;
  return gCentralIni;
}
std::string DLGGETCENTINIFILENAME() {
  return gCentralIni;
}

std::string CentralIniNameFor(std::string_view programPath) {
  std::string name = AsciiUpper(programPath);
  if (name.size() >= 4 && name.compare(name.size() - 4, 4, ".EXE") == 0)
    name.resize(name.size() - 4);
  return name + ".INI";
}

std::optional<RecordChangeNote> ParseRecordChangeNote(std::string_view value) {
  if (Trim(value).empty()) return std::nullopt;
  RecordChangeNote note;
  note.token = std::string(Trim(Field(value, '\\', 0)));
  note.seconds = Number(Field(value, '\\', 1));
  note.alias = std::string(Trim(Field(value, '\\', 2)));
  note.record = Number(Field(value, '\\', 3));
  note.kind = Number(Field(value, '\\', 4));
  return note;
}

int RecordChangeMessage(int64_t kind, bool deletedVisible) {
  if (kind == 1009 && deletedVisible) return WMU_DELETERECORD;
  if (kind == 1001) return WMU_REFRESHIFSHOWN;
  return WMU_REFRESHRECORD;
}

std::string DialogRegistryText(int64_t window, int64_t type, std::string_view name, bool active) {
  char numbers[64];
  std::snprintf(numbers, sizeof numbers, "%10lld;%10lld;", static_cast<long long>(window),
                static_cast<long long>(type));
  return std::string(numbers) + std::string(Trim(name)) + ";" + (active ? "1" : "0");
}

DialogRegistryEntry ParseDialogRegistryText(std::string_view text) {
  DialogRegistryEntry entry;
  entry.window = Number(Field(text, ';', 0));
  entry.type = Number(Field(text, ';', 1));
  entry.name = std::string(Field(text, ';', 2));
  entry.active = Trim(Field(text, ';', 3)) == "1";
  return entry;
}

bool IsTemporaryTableName(std::string_view fileName, std::string_view extension) {
  if (fileName.size() != 9 + extension.size() || fileName[0] != '_' || fileName[8] != '.') {
    return false;
  }
  return AsciiUpper(fileName.substr(9)) == AsciiUpper(extension);
}

std::string RefreshToken(int64_t secondsSinceMidnight) {
  return std::to_string(secondsSinceMidnight);
}

int RepositoryServerTypes(std::string_view path, bool local) {
  return !local && path.find("\\\\") != std::string_view::npos ? 7 : 1;
}

}  // namespace tabrix
