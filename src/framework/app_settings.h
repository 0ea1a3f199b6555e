#pragma once
// Module-wide settings and small text rules of the application object that need no window
// system: the two INI file names, the record-change note, the dialog-registry text exchanged
// with a master process, and the names of leftover temporary tables.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tabrix {

// The dialog INI file (window positions); empty at start. DLGSETINIFILENAME ignores an empty
// name and returns the name now in force.
std::string DLGSETINIFILENAME(const std::string& name);
std::string DLGGETINIFILENAME();
// The central INI file (record-change notes); empty at start.
std::string DLGSETCENTINIFILENAME(const std::string& name);
std::string DLGGETCENTINIFILENAME();

// The central INI file name for a program file: its full name in upper case with the final
// ".EXE" replaced by ".INI" (".INI" appended when the name has no ".EXE" ending).
std::string CentralIniNameFor(std::string_view programPath);

// A record-change note, key "Change" of section "DBF_Rec_Change": five fields separated by
// backslashes: token, seconds, table alias, record number, kind.
struct RecordChangeNote {
  std::string token;
  int64_t seconds = 0;
  std::string alias;
  int64_t record = 0;
  int64_t kind = 0;
};
// Nothing for an empty value.
std::optional<RecordChangeNote> ParseRecordChangeNote(std::string_view value);

// The message a note becomes: WMU_DELETERECORD (4136; deleted, kind 1009, while deleted records
// are shown), WMU_REFRESHIFSHOWN (4137; appended, kind 1001), else WMU_REFRESHRECORD (4120).
int RecordChangeMessage(int64_t kind, bool deletedVisible);

// Dialog registry text for a master process: window ";" type ";" trimmed name ";" 1 or 0, the
// numbers right-aligned in 10 characters.
std::string DialogRegistryText(int64_t window, int64_t type, std::string_view name, bool active);
struct DialogRegistryEntry {
  int64_t window = 0;
  int64_t type = 0;
  std::string name;
  bool active = false;
};
DialogRegistryEntry ParseDialogRegistryText(std::string_view text);

// True for "_" + seven characters + "." + extension (extension compared without case): the
// temporary tables a browse leaves behind.
bool IsTemporaryTableName(std::string_view fileName, std::string_view extension);

// Server types Reconnect allows: every type (7) for a repository that is not local and whose
// path holds a doubled backslash (a network share such as "\\SRV\DATA"), else only the local
// server (1).
int RepositoryServerTypes(std::string_view path, bool local);

// The seconds since midnight as trimmed text: a process's record-change token.
std::string RefreshToken(int64_t secondsSinceMidnight);

}  // namespace tabrix
