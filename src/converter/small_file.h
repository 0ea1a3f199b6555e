#pragma once
// Whole-file access for the converter's small files (assignment, country links), through the
// file layer of ConverterContext::files (the platform's files, or a test's).

#include <cstddef>
#include <optional>
#include <string>

#include "converter/converter_ui.h"

namespace tabrix {

// The first at most maxBytes bytes of the file, opened shared for reading; nullopt when it
// cannot be opened. A read that fails part-way ends the bytes there.
std::optional<std::string> ReadFilePrefix(Env& files, const std::string& path,
                                          std::size_t maxBytes);

// Creates (or empties) the file and writes bytes. Returns false when the file cannot be
// created; a failing write after a successful creation is not reported.
bool CreateFileWith(Env& files, const std::string& path, const std::string& bytes);

struct ConverterJobState;

// The choosers of the assignment and country-link files show one filter entry whose
// description is CAPPNAME + what + " (" + pattern + ")", e.g. "Tabrix Zuweisungen öffnen (*.ZWS)".
//
// The open chooser: starts in the folder last used (LASTPATH2), remembers the chosen folder
// there and serves pending messages. Returns the chosen path, or nothing when the user
// cancelled, the file does not exist, or the frame closed the job while the chooser was open
// (there is nothing left to load into then).
std::optional<std::string> ChooseFileToOpen(ConverterContext& ctx, const ConverterJobState& state,
                                            const char* filterWhat, const char* pattern);

// What the save chooser shared by the assignment and country-link files shows.
struct SaveChooserText {
  std::string initialName;  // CQUELLNAME + extension
  const char* title;
  const char* filterWhat;
  const char* pattern;       // "*.ZWS" / "*.LVK"
  bool beepBeforeOverwrite;  // the country-link save beeps before its overwrite question
};

// The save chooser loop: starts in the folder last used (LASTPATH2) and remembers every chosen
// folder there; for an existing file asks (OK/Cancel, owned by `owner`) whether to overwrite it,
// and on Cancel opens the chooser again in the folder just chosen. Returns the path to write,
// or nothing when the user cancelled the chooser.
std::optional<std::string> ChooseFileToSave(ConverterContext& ctx, const SaveChooserText& text,
                                            WindowHandle owner);

// The first at most maxBytes bytes of the chosen file. When it cannot be opened: beep, the
// message "Die Datei <path> kann nicht geöfnet werden!" owned by `owner` (0: no owner), nothing.
std::optional<std::string> ReadChosenFile(ConverterContext& ctx, const std::string& path,
                                          std::size_t maxBytes, WindowHandle owner);

// Creates the chosen file with `bytes`. When it cannot be created: beep, the message
// "Die Datei <path> kann nicht erstellt werden!" owned by `owner`, and false.
bool WriteChosenFile(ConverterContext& ctx, const std::string& path, const std::string& bytes,
                     WindowHandle owner);

}  // namespace tabrix
