#pragma once
// ZB_APP, the application object (Windows only): owns the main window and its callback, the
// registry of open dialogs, the shared drawing objects and application-wide settings, and runs
// the main message loop. A program derives its application class, overrides Init,
// RegisterAppClass, HandleMessage and the On... hooks as needed, creates one instance and returns
// the result of Exec.
//
// Life: Init -> (program shows the window, creates dialogs) -> Exec -> WM_CLOSE -> CloseApp ->
// DestroyWindow -> WM_DESTROY -> DESTROY (tables closed, quit posted, quit flag) -> Exec
// returns (resource library freed, class unregistered).
//
// Seams for pieces that live elsewhere are virtual and named for what they do (ShowBox,
// CallWinHelp, CloseAllTables, TempDirFor, ...): the defaults call the platform directly; tests
// and the program replace them.

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/base/driver_names.h"
#include "data/base/value.h"
#include "data/base/win_handles_win.h"
#include "framework/hotkeys_win.h"
#include "framework/native/bridge_win.h"
#include "framework/native/message_loop_win.h"
#include "framework/wmu_messages.h"

namespace tabrix {

// The framework window messages (WMU_...) the main window understands or sends: wmu_messages.h.

inline constexpr UINT_PTR kRecordChangeTimer = 12123;
inline constexpr UINT kRecordChangeInterval = 12000;

// Entry of the dialog registry aDlgWnd. Type 0: plain framework dialog; type 1: data-entry
// dialog taking part in closing, edit-mode queries and right-click focus.
struct DlgEntry {
  HWND window = nullptr;
  int type = 0;
  std::string name;
  bool active = false;
};

// Status bar object of the application (not part of this system; only SetText is fixed).
class StatusBarObject {
 public:
  struct Text {
    std::string text;
    int align = -1;
    int style = 0;
  };
  virtual ~StatusBarObject() = default;
  // Shows text in a part; returns what was shown before.
  virtual Text SetText(const std::string& text, int part, int align, int style) = 0;
};

// Tool bar object of the application (not part of this system; only the method is fixed).
class ToolBarObject {
 public:
  virtual ~ToolBarObject() = default;
  // Renews the buttons after a system colour change.
  virtual void ChangeToolBarButtonColors() = 0;
};

// A DDE server object the application cleans up when its main window is destroyed.
class DdeServerObject {
 public:
  virtual ~DdeServerObject() = default;
  virtual void DDEML_CleanupStuff() = 0;
};

// The tooltip of learn mode (the tooltip class itself lives elsewhere); closed and dropped when
// the user leaves learn mode by closing the application.
class TipObject {
 public:
  virtual ~TipObject() = default;
  virtual void Close() = 0;
};

// The database-server connection behind Connect and Reconnect, the disconnect of the exit
// procedure and the server's last error in the log of a failed close. The application's
// default is the program's server client (remote_client.h): it disconnects and reports the
// engine's last error, and connects nowhere.
class RepositoryConnection {
 public:
  virtual ~RepositoryConnection() = default;
  virtual void Disconnect() = 0;
  // The number of the server engine's last error, 0 when none.
  virtual int64_t LastServerError() { return 0; }
  // Connects to path with user and password, allowing the server types given (1: the local
  // server only, 7: every type); true when connected.
  virtual bool Connect(const std::string& path, const std::string& user,
                       const std::string& password, int serverTypes) = 0;
};

// The framework-wide settings (aEVars); other classes read them by name.
struct AppEVars {
  bool lMouseFocusA = false, lMouseFocusB = false;  // 1, 2
  bool lAppActive = true;                           // 3
  int32_t nToolBarSize = 0;                         // 4: low word width, high word height
  int32_t nToolBarFlags = 6;                        // 5
  std::vector<HWND> aDropClients;                   // 6
  std::string cRefreshToken;                        // 7
  bool lBusy = false;                               // 8
  struct MenuText {
    int id = 0;
    std::string text;  // shown when not empty
    int resource = 0;  // else this string resource of `module`
    HMODULE module = nullptr;
  };
  std::vector<MenuText> aMenuTexts;  // 9
  int64_t nLastRecChange = 0;        // 10
  bool lCtl3d = false;               // 11
  bool lSkipEraseClip = false;       // 12
  bool slot13 = true;                // 13: read by the shared-table opener
  struct SepLine {
    int x = 0, top = 0, bottom = 0;
  };
  std::vector<SepLine> aSepLines;  // 14
  std::string slot15 = "!";        // 15: drive last found served by a database server
  int nWheelOffset = 25;           // 16
};

class ZB_APP : public MessageLoopHost {
 public:
  enum class InitResult {
    kReady,       // the object (main window created, resource library loaded)
    kNotStarted,  // 0: another instance was brought to the front, or no message queue
    kFailed,      // false: class, window or resource library failed
  };

  ZB_APP();
  ~ZB_APP() override;
  ZB_APP(const ZB_APP&) = delete;
  ZB_APP& operator=(const ZB_APP&) = delete;

  // --- start ---
  // resourceLibrary empty: "ZBRES32.DLL"; width/height 0: 640 x 480; master nullptr: none.
  // The 3-D flag is accepted and treated as true, as the framework always did.
  virtual InitResult Init(const std::string& className, const std::string& caption,
                          const std::string& resourceLibrary = "", int width = 0, int height = 0,
                          bool ctl3d = true, HWND master = nullptr,
                          bool allowSecondInstance = false);
  // Registers the main window's class cClassName (the framework's _RegisterClass): double clicks,
  // redrawn whole on resizing, the standard icon and the application workspace colour.
  virtual bool RegisterAppClass();

  // --- settings ---
  // Watches for records other users change (the framework's _NetworkRefresh): on starts the
  // record-change timer with a fresh refresh token, off stops it and clears the token.
  ZB_APP& NetworkRefresh(bool on);
  // The framework writes these setters with a leading underscore (_Set_LearnMode,
  // _Set_nHelpKontextId, _Set_cHelpFile, _Set_CutTextMode, _Set_CharType).
  void Set_LearnMode(std::optional<bool> value) { lLearnMode_ = value.value_or(false); }
  bool Get_LearnMode() const { return lLearnMode_; }
  void Set_nHelpKontextId(int id) { nHelpKontextId_ = id; }
  void Set_cHelpFile(const std::string& text);
  void Set_CutTextMode(bool on);
  // lCtl3d := on, then CheckCTL3D (the lists follow the new setting).
  void SetCtl3d(bool on);  // the framework's _CTL3D
  // Switches the old 3-D control library off, and on again when lCtl3d is set.
  void CheckCTL3D();
  void Set_CharType(const Value& value) { CharType_ = value; }
  const Value& Get_CharType() const { return CharType_; }

  // --- database server ---
  // Stores path, user, password and local in adsRepPath, adsUser, adsPwd, adsLocal, sets
  // lRepository, and returns Reconnect.
  bool Connect(const std::string& path, const std::string& user, const std::string& password,
               bool local = false);
  // Disconnects, then connects to adsRepPath allowing every server type (7) when not local and
  // the path holds a doubled backslash (a network share), else the local server only (1).
  bool Reconnect();
  // The connection used (not owned; nullptr: the default without a server client).
  void SetRepositoryConnection(RepositoryConnection* connection) { repository_ = connection; }
  // The connection set, else the program's server client.
  RepositoryConnection& Repository();

  // --- main window callback and its message steps ---
  MsgResult WndProc(size_t previous, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // Derived classes answer their messages here; a result other than nothing is returned to the
  // platform.
  virtual MsgResult HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // 0 refuses closing, 1 allows it.
  int CloseApp(WPARAM wParam, int closeCode);
  LRESULT DESTROY(WPARAM wParam, LPARAM lParam);
  LRESULT SHIFTDLG(WPARAM wParam, LPARAM lParam);
  LRESULT ISINEDITMODUS(WPARAM wParam, LPARAM lParam);
  LRESULT RBUTTONDOWN(WPARAM wParam, LPARAM lParam);
  LRESULT MENUSELECT(WPARAM wParam, LPARAM lParam);
  LRESULT ERASEBKGND(HDC dc, LPARAM lParam);
  LRESULT PAINT(WPARAM wParam, LPARAM lParam);
  LRESULT TIMER();
  int RememberedCloseCode() const { return closeCode_; }
  // The steps of WndProc that do more than call one of the above; nothing goes on to default
  // processing.
  MsgResult WmSetCursor();
  MsgResult WmSetFocus(WPARAM wParam, LPARAM lParam);
  MsgResult WmEndSession(HWND window, WPARAM wParam, LPARAM lParam);
  MsgResult WmSysCommand(HWND window, WPARAM wParam, LPARAM lParam);
  MsgResult WmClose(HWND window, WPARAM wParam, LPARAM lParam);
  MsgResult WmAddDlg(WPARAM wParam, LPARAM lParam);
  MsgResult WmCommand(WPARAM wParam, LPARAM lParam);
  MsgResult WmHelp(WPARAM wParam, LPARAM lParam);
  MsgResult WmTimer(WPARAM wParam, LPARAM lParam);

  // --- hooks (empty defaults return nothing) ---
  virtual MsgResult OnSetfocus(WPARAM, LPARAM) { return {}; }
  virtual MsgResult OnEraseBkgnd(HDC, LPARAM) { return {}; }
  virtual MsgResult OnCommand(WPARAM, LPARAM) { return {}; }
  virtual MsgResult OnPaint(HDC, WPARAM, LPARAM) { return {}; }
  virtual MsgResult OnEndSession(WPARAM, LPARAM) { return {}; }
  virtual MsgResult OnQueryEndSession(WPARAM, LPARAM) { return {}; }
  virtual MsgResult OnShiftDlg(WPARAM, LPARAM) { return {}; }
  virtual MsgResult OnMove(WPARAM, LPARAM) { return {}; }
  virtual MsgResult OnSize(WPARAM, LPARAM) { return {}; }
  virtual MsgResult OnCreate();
  virtual bool OnClose();  // saves the placement, deletes the drawing objects; false refuses
  virtual LRESULT OnDestroy(WPARAM wParam, LPARAM lParam);
  void OnMouseMove(WPARAM wParam, LPARAM lParam);
  LRESULT OnSysColorChange(bool recreate);
  LRESULT OnTimeChange();

  // --- dialog registry ---
  void AddDlgHandle(const DlgEntry& entry);
  void DeleteDlgHandle(HWND window);
  void SetActiveDlg(HWND window);
  HWND GetActiveDlg() const;  // first active dialog, else the main window
  HWND GethLastFocusWnd() const;
  HWND GethLastEditWnd() const { return hLastEditWnd_; }
  HWND IsAnyDlgInEditModus();
  bool RegDropClient(HWND window);
  bool UnRegDropClient(HWND window);

  // --- placement ---
  void Show(int showCommand);
  // Restores the main window from section "Fenster" of the dialog INI file. showCommand 0:
  // the saved one (or SW_SHOW).
  void SetWnd(int showCommand = 0, const std::string& suffix = "");
  // Saves show command and normal position there (when lSavePos).
  void GetWnd(const std::string& suffix = "");

  // --- loop ---
  // Runs the main loop, then the exit procedure.
  WPARAM Exec();
  // What runs once the loop has returned: disconnects from the database server when tables
  // were served by it, frees the resource library, closes the lock files, and unregisters the
  // main window class. (The splash window closes itself with its own object.)
  void ExitProcedure();
  // Handles waiting messages and returns; area 0: the selected table (see SetTableKeeper).
  int LocalExec(int area = 0, bool withWheel = false);

  // --- files ---
  ZB_APP& Remove_Files();

  // --- drawing objects ---
  HPEN GetGreyPen() const { return hGreyPen_.get(); }
  HBRUSH GetHighLightBrush() const { return hHighLightBrush_.get(); }
  HBRUSH GetLightGrayBrush() const { return hLightGrayBrush_.get(); }
  HPEN GetShadowPen() const { return hShadowPen_.get(); }
  HPEN GetLightPen() const { return hLightPen_.get(); }

  // Hands the grey pen, nHoeBrZe and lCtl3d to the owner-drawn lists (od_list_win.h). Init and
  // system colour changes do it; call it again after changing nHoeBrZe so new lists see it.
  void PublishListValues();

  // The hotkey host on this object's windows (application window hwnd, master hMasterWnd,
  // Ctrl+F4's dialog hActive), made on first use. The program builds its ZB_HOTKEYS on it right
  // after Init and stores it in oHotKeys; that object must not outlive this one.
  HotkeyHost& HotkeyWindows();

  std::string GetDllVersion() const { return "1.0.0.40"; }
  int DdeCheck() const { return 0; }
  bool QuitFlagSet() const { return quit_; }
  size_t WndProcIndex() const { return wndProcIndex_; }

  // MessageLoopHost
  HWND LoopWindow() const override { return hwnd; }
  HACCEL LoopAccelerators() const override { return hAccel_; }
  HWND CurrentDialog() const override { return hglobal; }
  bool QuitFlag() const override { return quit_; }
  int WheelOffset() const override { return aEVars.nWheelOffset; }

  // --- members (named as the framework's other classes read them) ---
  std::string cClassName, cCaption, cHelpFile, TempDir, cSysDir;
  HICON hStdIcon = nullptr;
  HANDLE hTask = nullptr;
  HWND hwnd = nullptr;
  HWND hMasterWnd = nullptr;
  bool lAppReady = false, lUseNoEditColor = true, lErrorLock = true;
  std::string cZBRES = "ZBRES32.DLL";
  StatusBarObject* oStatusBar = nullptr;  // set by the program (not owned)
  ToolBarObject* oToolBar = nullptr;      // set by the program (not owned)
  ZB_HOTKEYS* oHotKeys = nullptr;         // set by the program (not owned)
  bool lShowBubbles = true;
  HWND hActive = nullptr;
  HMODULE hLanguage = nullptr;
  std::string cDBFNTX = kDriverNtx;
  bool lDBFNTXAX = false;
  std::vector<DlgEntry> aDlgWnd;
  HWND hglobal = nullptr, hglobalLast = nullptr, hIsInEditModus = nullptr;
  HMODULE hZBRES = nullptr;
  std::vector<std::unique_ptr<DdeServerObject>> aDDEServer;
  StatusBarObject::Text aOldText;
  std::unique_ptr<TipObject> oTip;
  bool lShowTip = false, lLocalInstallation = false, lLockApplication = false, lSavePos = true;
  HANDLE hNetLock = nullptr, hDefaultLock = nullptr;
  int nHoeBrZe = 20;
  bool lCutTextMode = false;
  AppEVars aEVars;
  std::string adsUser, adsPwd, adsRepPath;
  bool adsLocal = false;
  std::string DD_DIR;
  bool lRepository = false, lSticky = false;
  bool lMaximized = false;

 protected:
  // --- seams ---
  virtual int ShowBox(HWND owner, const std::string& text, const std::string& title, UINT flags);
  virtual bool CallWinHelp(HWND window, const std::string& file, UINT command, ULONG_PTR data);
  // Commits and closes every open table (table_area.h); returns an error description when
  // that failed ("" for an error without one).
  virtual std::optional<std::string> CloseAllTables();
  // The program's temporary directory for a class name (GETTMPPFAD, with a trailing backslash).
  virtual std::string TempDirFor(const std::string& className);
  // The area where a table alias is open in this process (0: not open), and whether deleted
  // records are shown; read by the record-change timer.
  virtual int AreaOfAlias(const std::string& alias);
  virtual bool DeletedRecordsVisible();
  // Debug output (O_S): silent unless a debugger listens.
  virtual void Trace(const std::string& text);
  // Screen size and monitor count for SetWnd.
  virtual SIZE ScreenSize() const;
  virtual bool SingleMonitor() const;

 private:
  void DeleteDrawingObjects();
  void CloseLockFiles();
  // Frees hZBRES (unless it is the program itself) and withdraws it from the standard functions.
  void ReleaseResourceLibrary();
  std::string ResourceText(UINT id) const;
  void SendToDialogs(UINT message, WPARAM wParam, LPARAM lParam, bool onlyExisting);
  void QueryEditModeOfDataDialogs();
  MsgResult Forward(size_t previous, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  int closeCode_ = 0;
  bool quit_ = false;
  size_t wndProcIndex_ = 0;
  bool lLearnMode_ = false;
  int nHelpKontextId_ = 0;
  HWND hLastEditWnd_ = nullptr;
  HACCEL hAccel_ = nullptr;
  OwnedPen hGreyPen_, hShadowPen_, hLightPen_;
  OwnedBrush hHighLightBrush_, hLightGrayBrush_;
  bool classRegistered_ = false;
  std::unique_ptr<Win32HotkeyHost> hotkeyHost_;
  Value CharType_;
  RepositoryConnection* repository_ = nullptr;
};

// The application object Init published (nullptr before).
ZB_APP* OAPP();

// LocalExec's table seam: before pumping, the keeper remembers the selected table of an area
// (0: the selected one) and returns what restores it; the pump calls that only when it handled
// at least one message. Unset: tables are not touched.
using TableRestorer = std::function<void()>;
using TableKeeper = std::function<TableRestorer(int area)>;
void SetTableKeeper(TableKeeper keeper);

}  // namespace tabrix
