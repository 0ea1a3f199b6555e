#pragma once
// The window side of the converter, as the portable converter code sees it.
//
// Everything the converter's portable code needs from windows goes through ConverterUi: the
// beep, message boxes with the user's answer, the open and save file choosers, the user settings
// file, the row operations on the two lists of the converter dialog "DIALOG_1", and the frame's
// other dialogs: the progress dialog, the two choosers and the protocol. The Windows program
// implements it with the platform calls; the tests use a scripted fake. Nothing here includes a
// window header.
//
// Window handles travel as plain 32-bit numbers; 0 means none (a message box without owner).

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "converter/resource_ids.h"
#include "data/base/value.h"
#include "data/env/file_env.h"

namespace tabrix {

using WindowHandle = std::uint32_t;

enum class MessageButtons { kOk, kOkCancel, kYesNo };
enum class MessageAnswer { kOk, kCancel, kYes, kNo };

struct ChooserFilter {
  std::string description;
  std::string pattern;
  bool operator==(const ChooserFilter&) const = default;
};

// Arguments of the platform file chooser, in the order of GETOPENFILENAME/GETSAVEFILENAME.
struct FileChooserRequest {
  WindowHandle owner = 0;
  std::string initialName;           // empty: no initial file name
  std::optional<std::string> title;  // nullopt: the chooser's default title "Dateiwahl"
  std::vector<ChooserFilter> filters;
  std::uint32_t flags = 0;
  std::string initialDir;
  std::string defaultExt;
  bool operator==(const FileChooserRequest&) const = default;
};

// Chooser flags: the common file dialog's bits (OFN_HIDEREADONLY, OFN_NOCHANGEDIR,
// OFN_PATHMUSTEXIST, OFN_FILEMUSTEXIST, OFN_CREATEPROMPT), passed to the dialog unchanged; the
// window side checks the values against the system's.
inline constexpr std::uint32_t kChooserHideReadOnly = 0x0004;
inline constexpr std::uint32_t kChooserNoChangeDir = 0x0008;
inline constexpr std::uint32_t kChooserPathMustExist = 0x0800;
inline constexpr std::uint32_t kChooserFileMustExist = 0x1000;
inline constexpr std::uint32_t kChooserCreatePrompt = 0x2000;
inline constexpr std::uint32_t kOpenChooserFlags =
    kChooserFileMustExist | kChooserNoChangeDir | kChooserHideReadOnly;  // 4108
inline constexpr std::uint32_t kSaveChooserFlags =
    kChooserCreatePrompt | kChooserPathMustExist | kChooserHideReadOnly;  // 10244

// Control ids of the converter dialog that the portable code names.
inline constexpr int kSourceListId = IDC_CONV_SOURCE_LIST;
inline constexpr int kTargetListId = IDC_CONV_TARGET_LIST;
inline constexpr int kPostalFromCityBoxId = IDC_CONV_POSTAL_FROM_CITY_BOX;

// Section of the user settings file that holds the converter's keys.
inline constexpr char kSettingsSection[] = "Tabrix";

// What a chooser dialog shows ("DIALOG_2" with a third button, "DIALOG_5" without one).
struct ChooserView {
  std::string labelAnsi;                       // control 110
  std::vector<std::string> rowsAnsi;           // list 101, top to bottom
  bool multiColumn = false;                    // three columns 70/15/15, else a plain list
  std::string chooseButtonAnsi = "Zuweisen";   // control 106
  std::optional<std::string> thirdButtonAnsi;  // control 105; nullopt: "DIALOG_5"
};

// What a chooser does with the user's commands, called by the window side while it is open.
class ChooserEvents {
 public:
  virtual ~ChooserEvents() = default;
  // Command 106 (or a double click) with list row `row` (1-based) selected: the result, or
  // nullopt to stay open. Not called without a selection.
  virtual std::optional<int> OnChoose(int row) = 0;
  // Command 105, the third button; `chooser` owns its boxes and file choosers. The result, or
  // nullopt to stay open.
  virtual std::optional<int> OnThirdButton(WindowHandle chooser) = 0;
};

// What the protocol dialog "DIALOG_4" shows and does.
class ProtocolEvents {
 public:
  virtual ~ProtocolEvents() = default;
  // Control 110.
  virtual std::string CountLineAnsi() = 0;
  // The text of the edit area, built once when the dialog starts; widthOf measures a text in
  // pixels in the edit area's display context.
  virtual std::string BuildTextAnsi(const std::function<int(const std::string&)>& widthOf) = 0;
  // "Protokoll speichern"; `dialog` owns its boxes. True when the file was written (the dialog
  // then closes).
  virtual bool OnSave(WindowHandle dialog) = 0;
};

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

  // ---- the frame and its other dialogs ----
  // Posts WM_CLOSE to the frame: the close runs later, from the message loop or a pump.
  virtual void PostFrameClose() = 0;
  // Destroys a dialog of the frame (the converter dialog before a conversion).
  virtual void DestroyDialog(WindowHandle dialog) = 0;
  // SHOWDIALOG3: shows a new progress dialog as the frame's current dialog.
  virtual void ShowProgress() = 0;
  // Destroys the progress dialog when one exists.
  virtual void CloseProgress() = 0;
  virtual bool ProgressShown() = 0;
  // Controls 100 (the customer's name) and 101 (the counter) of the progress dialog; nothing
  // when none is shown.
  virtual void SetProgressTexts(const std::string& nameAnsi, const std::string& counterAnsi) = 0;
  // Shows a chooser as the frame's current dialog and waits, handling window messages, until
  // it is destroyed. Returns what the events answered, or 0 when the chooser went otherwise
  // (the frame's close).
  virtual int RunChooser(const ChooserView& view, ChooserEvents& events) = 0;
  // Shows the protocol dialog as the frame's current dialog and waits, handling window
  // messages, until it is destroyed ("Ende", a saved file or the frame's close).
  virtual void RunProtocol(ProtocolEvents& events) = 0;
  // CLOSEDATA: closes the source data viewer when one exists. It is gone when this returns, so
  // the source table can be released right after.
  virtual void CloseSourceViewer() = 0;
};

// Time as the converter reads it: a steady clock for throttling the progress display, and
// today's date for the records it creates.
class ConverterClock {
 public:
  virtual ~ConverterClock() = default;
  virtual double SteadySeconds() = 0;
  virtual Date Today() = 0;
};
// The system's clock (local date).
ConverterClock& SystemConverterClock();

// What the converter procedures need besides the job state: the window side and the
// application context values they read.
struct ConverterContext {
  ConverterUi& ui;
  std::string appName;            // CAPPNAME: title of every message box
  std::string settingsFile;       // INIDATEI: holds LASTPATH, LASTPATH2, LASTPATH3
  WindowHandle chooserOwner = 0;  // owner of every file chooser (HDIALOGX, or the frame)
  Env* files = DefaultEnv();      // where the converter's own files are read and written
  WindowHandle frame = 0;         // HWNDMAIN: owner of the job's and the engine's boxes
  std::string startDir = {};      // CSTARTDIR: the program's folder, ends in a backslash
  ConverterClock* clock = &SystemConverterClock();
};

// The folder part of a chosen path: everything before its last backslash ("C:" for a file in
// the root of drive C). A forward slash counts as a separator too, so that paths of the portable
// build behave alike; a path without separator has no folder (empty).
std::string FolderOfPath(const std::string& path);
// The file name without its folder.
std::string FileNameOfPath(const std::string& path);

}  // namespace tabrix
