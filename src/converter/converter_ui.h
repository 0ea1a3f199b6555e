#pragma once
// The window side of the converter, as the portable converter code sees it.
//
// Everything the assignment model and the assignment and country-link files need from windows
// goes through ConverterUi: the beep, message boxes with the user's answer, the open and save file
// choosers, the user settings file and the row operations on the two lists of the converter
// dialog "DIALOG_1". The Windows converter dialog implements it with the platform calls; the
// tests use a scripted fake. Nothing here includes a window header.
//
// Window handles travel as plain 32-bit numbers; 0 means none (a message box without owner).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "data/file_env.h"

namespace tabrix {

using WindowHandle = std::uint32_t;

enum class MessageButtons { kOk, kOkCancel, kYesNo };
enum class MessageAnswer { kOk, kCancel, kYes, kNo };

struct FileFilter {
  std::string description;
  std::string pattern;
  bool operator==(const FileFilter&) const = default;
};

// Arguments of the platform file chooser, in the order of GETOPENFILENAME/GETSAVEFILENAME.
struct FileChooserRequest {
  WindowHandle owner = 0;
  std::string initialName;           // empty: no initial file name
  std::optional<std::string> title;  // nullopt: the chooser's default title "Dateiwahl"
  std::vector<FileFilter> filters;
  std::uint32_t flags = 0;
  std::string initialDir;
  std::string defaultExt;
  bool operator==(const FileChooserRequest&) const = default;
};

// OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY
inline constexpr std::uint32_t kOpenChooserFlags = 4108;
// OFN_CREATEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY
inline constexpr std::uint32_t kSaveChooserFlags = 10244;

// Control ids of the converter dialog that the portable code names.
inline constexpr int kSourceListId = 101;
inline constexpr int kTargetListId = 102;
inline constexpr int kPostalFromCityBoxId = 115;

// Section of the user settings file that holds the converter's keys.
inline constexpr char kSettingsSection[] = "Tabrix";

class ConverterUi {
 public:
  virtual ~ConverterUi() = default;

  virtual void Beep() = 0;
  // Shows a message box with the given buttons and returns the button the user pressed.
  virtual MessageAnswer ShowMessage(WindowHandle owner, const std::string& textAnsi,
                                    const std::string& titleAnsi, MessageButtons buttons) = 0;
  // The chosen full path, or nullopt when the user cancelled.
  virtual std::optional<std::string> ChooseOpenFile(const FileChooserRequest& request) = 0;
  virtual std::optional<std::string> ChooseSaveFile(const FileChooserRequest& request) = 0;
  // Lets pending window messages be handled; a close request of the frame may run meanwhile.
  virtual void HandlePendingMessages() = 0;

  // INI settings (GetPrivateProfileString rules: def when the file or key is missing).
  virtual std::string ReadSetting(const std::string& file, const std::string& section,
                                  const std::string& key, const std::string& def) = 0;
  virtual void WriteSetting(const std::string& file, const std::string& section,
                            const std::string& key, const std::string& value) = 0;

  // Row operations on a list of the converter dialog; rows count from 0 here.
  virtual void ListReplaceRow(WindowHandle dialog, int listId, int row, const std::string& text,
                              bool select) = 0;
  virtual void ListDeleteRow(WindowHandle dialog, int listId, int row) = 0;
  virtual void ListAddRow(WindowHandle dialog, int listId, const std::string& text) = 0;
  virtual void ListDeleteAllRows(WindowHandle dialog, int listId) = 0;
  // Selects a row; row -1 clears the selection.
  virtual void ListSelectRow(WindowHandle dialog, int listId, int row) = 0;
  // Sets the target list's horizontal extent to fit the remark and notes rows (NTZBEMLBHOR).
  virtual void RefitTargetExtent(WindowHandle dialog) = 0;
  virtual void SetCheckBox(WindowHandle dialog, int id, bool checked) = 0;
};

// What the converter procedures need besides the job state: the window side and the
// application context values they read.
struct ConverterContext {
  ConverterUi& ui;
  std::string appName;            // CAPPNAME: title of every message box
  std::string settingsFile;       // INIDATEI: holds LASTPATH2
  WindowHandle chooserOwner = 0;  // owner of every file chooser (HDIALOGX, or the frame)
  Env* files = DefaultEnv();  // where the assignment and country-link files are read and written
};

// The folder part of a chosen path: everything before its last backslash ("C:" for a file in
// the root of drive C). A forward slash counts as a separator too, so that paths of the portable
// build behave alike; a path without separator has no folder (empty).
std::string FolderOfPath(const std::string& path);
// The file name without its folder.
std::string FileNameOfPath(const std::string& path);

}  // namespace tabrix
