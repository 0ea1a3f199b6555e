#pragma once
// Drives the real tabrix.exe as a user would: prepares an installation, starts the program as
// its own process, finds what it shows by window class, caption and control id, clicks buttons
// and list rows, reads list rows and texts across the process boundary, answers message boxes,
// fills the common file dialogs and takes screenshots. Every wait is for a condition, bounded
// by a timeout, and ends early when the program ends.

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace tabrix::e2e {

// The longest wait for one step of the program (a conversion step under a loaded machine).
constexpr DWORD kStepTimeoutMs = 30000;

// ---- files and folders -------------------------------------------------------------------------
std::string WindowsPath(std::string path);  // '/' becomes '\'
std::string JoinPath(const std::string& folder, const std::string& name);
bool MakeFolders(const std::string& path);
bool RemoveTree(const std::string& path);  // the folder and everything below it
bool FileExists(const std::string& path);
std::vector<std::string> FilesIn(const std::string& folder);  // names, not folders
std::string WindowsFolder();
// Text from one Windows code page to another (850 table text, 1252 window text, CP_UTF8).
std::string Recode(const std::string& s, UINT from, UINT to);

// A fresh installation: the program folder (the demo's reference tables and settings, the built
// tabrix.exe and the framework's resource library beside it), an empty product folder with the
// product's QZX.ini, a folder for the per-user settings, and a work folder for the test's files.
struct Installation {
  std::string root, program, product, appData, work;  // folders, without a trailing backslash
  std::string exe;
  std::string error;  // empty when everything is in place
  bool ok() const { return error.empty(); }
};
// The folders of the installation at root (program, product, appdata, work) and its tabrix.exe,
// as they are named; nothing is made or checked.
Installation InstallationAt(const std::string& root);
Installation PrepareInstallation(const std::string& root, const std::string& demoFolder,
                                 const std::string& builtExe);
// Writes the product's QZ.ini into the Windows folder from the demo's template, with
// PATH=<product folder>\ and CR LF line ends.
bool WriteProductIni(const std::string& demoFolder, const std::string& productFolder,
                     std::string* error);

// ---- the program -----------------------------------------------------------------------------
class Program {
 public:
  Program() = default;
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;
  ~Program();  // ends a program that is still running, so no failed test leaves it behind

  // Starts the installation's tabrix.exe in its program folder, with APPDATA pointing at the
  // installation's settings folder.
  bool Start(const Installation& installation, std::string* error);
  bool Running() const;
  DWORD Id() const { return info_.dwProcessId; }
  HANDLE Handle() const { return info_.hProcess; }
  // The exit code once the program has ended; nothing after the timeout.
  std::optional<DWORD> WaitForExit(DWORD timeoutMs = kStepTimeoutMs);
  void Kill();

 private:
  PROCESS_INFORMATION info_{};
};

// Ids of the running processes whose executable is named name (case-insensitive).
std::vector<DWORD> ProcessesNamed(const std::string& name);

// Checks cond again and again, handling this process's own messages in between, until it holds;
// false after timeoutMs, or as soon as `process` (when given) has ended with cond still false.
bool WaitUntil(const std::function<bool()>& cond, DWORD timeoutMs = kStepTimeoutMs,
               HANDLE process = nullptr);

// ---- reading windows ---------------------------------------------------------------------------
std::string ClassOf(HWND window);
std::string TextOf(HWND window);  // WM_GETTEXT, Windows-1252
std::string ItemText(HWND dialog, int id);
std::vector<HWND> VisibleTopLevelWindows(DWORD processId);
HWND FindFrame(DWORD processId);               // the frame: class "Tabrix"
HWND CurrentDialog(HWND frame);                // the visible child dialog of the frame
std::vector<std::string> ListRows(HWND list);  // read as UTF-16, given as Windows-1252
int ListSelection(HWND list);                  // the selected row, -1 for none
bool IsChecked(HWND dialog, int id);
// The source data viewer: a top-level dialog of the program holding the grid's list box 103.
// It stands beside the frame's dialogs and is no view of its own (Look passes over it).
bool IsViewer(HWND window);
HWND FindViewer(DWORD processId);  // shown or hidden; nullptr when there is none
// The record numbers of a grid's rows (each row's item data).
std::vector<long> GridRecords(HWND list);
// A round trip through the program's message queue: when it returns true, the program has
// finished what it was doing when called and is waiting for messages again.
bool Settle(HWND window);

// ---- acting -------------------------------------------------------------------------------------
// Clicks a button (BM_CLICK, posted: the click may open a window that waits for an answer).
bool ClickButton(HWND dialog, int id);
// Clicks a button and returns once the program has handled the click; only for clicks that open
// no window (a message box would keep the click from returning until the timeout).
bool PressButton(HWND dialog, int id);
// Brings a list row into view and clicks it with the left mouse button (pressed and released at
// the row), as a user does; the list tells its dialog of the new selection.
bool ClickListRow(HWND list, int row);
bool DoubleClickListRow(HWND list, int row);
// The first row whose text starts with prefix, -1 when none.
int FindRow(const std::vector<std::string>& rows, const std::string& prefix);

// ---- what the program shows
// ----------------------------------------------------------------------
enum class View {
  kNothing,     // no window of the program is visible (between two dialogs)
  kGone,        // the program has ended
  kHost,        // the frame with its start-up picture
  kFileDialog,  // a common open or save dialog
  kMessageBox,
  kConverter,  // "Convert"
  kProgress,   // "DIALOG_3"
  kChooser,    // "Liste" (with a third button) or "DIALOG_5"
  kProtocol,   // "DIALOG_4"
  kOther,
};
std::string ViewName(View view);

struct Screen {
  View view = View::kNothing;
  HWND window = nullptr;  // the message box, the file dialog, or the frame's current dialog
  HWND frame = nullptr;
  std::string caption;  // the window text of `window`
  std::string text;     // message box text, chooser label, protocol count line
  std::string Describe() const;
};

Screen Look(const Program& program);
// Waits until one of the views is shown, filled and settled. Returns what was seen last when
// the time is up, or a screen of view kGone when the program ended meanwhile.
Screen WaitForView(const Program& program, std::initializer_list<View> views,
                   DWORD timeoutMs = kStepTimeoutMs);

// Clicks a button of a message box and waits until the box has gone.
bool AnswerMessageBox(const Screen& box, int buttonId);
bool HasButton(const Screen& box, int buttonId);

struct FileDialogInfo {
  std::string title;   // caption
  std::string filter;  // the selected entry of the file type box
  std::string name;    // the file name field
};
FileDialogInfo ReadFileDialog(HWND dialog);
// Types a full path into the file name field, presses OK and waits until the dialog has gone.
bool FillFileDialog(HWND dialog, const std::string& path);
bool CancelFileDialog(HWND dialog);

// ---- screenshots
// ----------------------------------------------------------------------------------- The window's
// screen rectangle (frame and caption included), copied from the screen after the window has been
// repainted, written as a 24-bit BMP.
bool SaveScreenshot(HWND window, const std::string& bmpPath, std::string* error = nullptr);

}  // namespace tabrix::e2e
