#pragma once
// ZB_WDIALOG, the base class of the framework's modeless dialogs (Windows only).
//
// A derived class creates its dialog with Init from a resource template (or InitIndirect from
// one in memory). The dialog registers with the application object, restores its place from the
// dialog INI file (section "Fenster", keys in wdialog_rules.h) and saves it again when it is
// destroyed. DlgProc answers every message: HandleMessage sees it first and takes it over by
// returning a value; otherwise drawing, mouse, keyboard and scrolling go to the child objects
// (dialog_children_win.h) and then to the On... hooks, whose defaults do nothing unless said.
//
// Life: Init -> WM_INITDIALOG (INITDIALOG: registration, OnINITDIALOG: CheckIDS, SetWnd) before
// Init returns -> messages -> Escape, Cancel, the close box or Ok destroy the window (not while
// lNoCancel) -> WM_DESTROY (deregistration, children's OnDestroy, OnDESTROY: GetWnd, icon and
// bitmaps freed) -> WM_NCDESTROY (children's OnNCDestroy, OnNCDESTROY; hwnd is 0 afterwards).
// A derived class overriding OnDESTROY or OnINITDIALOG calls the base version.
//
// Ownership: the creator owns the object unless it calls DeleteWithWindow, after which the
// object deletes itself once its window's WM_NCDESTROY is handled. Destroying the object while
// its window exists detaches the object first (no hook or child runs, nothing is saved) and then
// destroys the window. Child objects are not owned; they register with AddBrowse, AddButton,
// AddList, AddMemo and remove themselves before they go away.
//
// Without an application object (OAPP() nullptr, as in tests) the dialog does what it can: no
// registration, no help context, no message pumping; the dialog INI file is
// DLGGETINIFILENAME() either way (nothing is read or written while it is empty).

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "framework/dialog_children_win.h"
#include "framework/native/bridge_win.h"
#include "framework/wdialog_rules.h"

namespace tabrix {

// Framework messages a dialog understands (the rest are in zb_app_win.h).
inline constexpr UINT WMU_SEEKNOW = 4088;
inline constexpr UINT WMU_PAINTHEADER = 4095;
inline constexpr UINT WMU_REGISTERLIST = 4096;
inline constexpr UINT WMU_COLUMNDIALOG = 4110;
inline constexpr UINT WMU_TOFRONT = 4111;
inline constexpr UINT WMU_SHOWDLG = 4117;
inline constexpr UINT WMU_REGISTERMEMO = 4121;
inline constexpr UINT WMU_CELLCHANGED = 4131;
inline constexpr UINT WMU_REPLACELIST = 4132;
inline constexpr UINT WMU_SCROLL = 4135;
inline constexpr UINT WMU_REFRESHPAGE = 4251;
// WM_COMMAND / WM_SYSCOMMAND value telling a dialog that a browse's list box was destroyed.
inline constexpr WPARAM kBrowseListDestroyed = 4091;

// The sticky window manager of a dialog (windows that snap to each other while moved). The
// dialog calls it only while the application's lSticky is set and a factory made one.
class StickyManager {
 public:
  virtual ~StickyManager() = default;
  // Mouse down on the dialog's frame at screen point (x, y); `others` are the windows it may
  // snap to: the main window and every registered dialog without the child style.
  virtual void StartTracking(int x, int y, ZB_WDIALOG& dialog, const std::vector<HWND>& others) = 0;
  // WM_MOVING / WM_SIZING with the rectangle the platform proposes (may be changed).
  virtual void Moving(RECT* rect) = 0;
  virtual void Sizing(RECT* rect) = 0;
};
// Makes the sticky manager of a new dialog; none is set until the sticky window manager exists.
using StickyManagerFactory = std::function<std::unique_ptr<StickyManager>(ZB_WDIALOG&)>;
void SetStickyManagerFactory(StickyManagerFactory factory);

// Type-ahead wait time of the module (0.3 s): SETSEEKWAITTIME keeps it within 0.1 ... 2.0 and
// returns the previous one.
double SETSEEKWAITTIME(double seconds);
double GETSEEKWAITTIME();

class ZB_WDIALOG {
 public:
  // The parent Init takes: a window, a dialog object, or nothing (the application object).
  struct Parent {
    Parent() = default;
    Parent(std::nullptr_t) {}
    Parent(HWND w) : window(w) {}
    Parent(ZB_WDIALOG* d) : dialog(d) {}
    HWND window = nullptr;
    ZB_WDIALOG* dialog = nullptr;
  };
  struct VLObject {
    HWND window = nullptr;
    LPARAM id = 0;
    friend bool operator==(const VLObject&, const VLObject&) = default;
  };
  struct KontextEntry {
    int buttonId = 0;
    int context = 0;
  };
  struct BitmapEntry {
    std::string name;
    int placeholderId = 0;
    RECT rect{};
    HBITMAP bitmap = nullptr;  // owned: deleted by OnDESTROY
    std::optional<COLORREF> transparent;
    bool shown = true;
    bool visible = true;
  };
  struct BitmapSpec {
    std::string name;
    int placeholderId = 0;
    std::optional<COLORREF> transparent;
  };

  ZB_WDIALOG();
  virtual ~ZB_WDIALOG();
  ZB_WDIALOG(const ZB_WDIALOG&) = delete;
  ZB_WDIALOG& operator=(const ZB_WDIALOG&) = delete;

  // Creates the dialog from template `templateName` of resourceModule (nullptr: the program).
  // Returns this, also when the template is missing (then with hwnd 0, after a message box);
  // nullptr when creating failed 10 times (logged).
  ZB_WDIALOG* Init(Parent parent, const std::string& templateName,
                   HMODULE resourceModule = nullptr);
  // The same from a template in memory; `name` is cDlgName (and the INI key).
  ZB_WDIALOG* InitIndirect(Parent parent, const DLGTEMPLATE* dialogTemplate,
                           const std::string& name, HMODULE resourceModule = nullptr);

  // The dialog's callback.
  MsgResult DlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // Sees every message first; a value other than nothing takes the message over completely.
  virtual MsgResult HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  // --- settings ---
  HICON Set_hIcon(HICON icon);  // destroys the previous one; becomes the class icon
  HCURSOR Set_hCursor(HCURSOR cursor);
  void Set_lNoCancel(bool value) { lNoCancel_ = value; }
  bool Get_lNoCancel() const { return lNoCancel_; }
  void Set_nKontextID(int id);
  void Set_aKontextID(int id);
  void Set_aKontextID(const std::vector<KontextEntry>& entries);
  void Set_aHiddenCtrls(const std::vector<int>& ids);
  void Set_cDlgName(const std::string& name) { cDlgName = cIniEntry = name; }
  void Set_lSeek(bool on) { lSeek_ = on; }
  bool Get_lSeek() const { return lSeek_; }
  std::vector<int> Get_aHiddenCtrls() const { return aHiddenCtrls_; }
  std::string Get_cDlgName() const { return cDlgName; }
  std::vector<KontextEntry> Get_aKontextID() const { return aKontextID_; }
  int Get_nKontextID() const { return nKontextID_; }
  HICON Get_hIcon() const { return hIcon_; }
  HMODULE Get_hResModule() const { return hResModule_; }
  wdialog::ClientSize Get_aClientSize() const { return aClientSize_; }
  int64_t Get_nIniPos() const { return nIniPos_; }
  int64_t Get_nIniSize() const { return nIniSize_; }
  StickyManager* Get_stickyManager() const { return stickyManager_.get(); }

  // --- hooks (defaults return nothing unless said) ---
  virtual MsgResult OnACTIVATE(WPARAM, LPARAM) { return {}; }
  virtual MsgResult OnCHARTOITEM(WPARAM, LPARAM) { return {}; }
  virtual MsgResult OnREFRESH_DLG(WPARAM, LPARAM, UINT) { return {}; }
  virtual MsgResult OnCLOSE(WPARAM, LPARAM) { return {}; }
  virtual MsgResult OnDRAWITEM(WPARAM, LPARAM) { return {}; }
  virtual MsgResult OnDROPFILES(WPARAM, LPARAM) { return {}; }
  virtual MsgResult OnENABLE(WPARAM, LPARAM) { return {}; }
  virtual MsgResult OnERASEBKGND(WPARAM, LPARAM) { return {}; }
  virtual MsgResult OnHSCROLL(WPARAM, LPARAM) { return {}; }
  virtual MsgResult OnINITMENU(WPARAM, LPARAM) { return {}; }
  virtual MsgResult OnKILLFOCUS(WPARAM, LPARAM) { return {}; }
  virtual MsgResult OnLBUTTONDBLCLK(WPARAM, LPARAM) { return {}; }
  virtual MsgResult OnLBUTTONDOWN(WPARAM, LPARAM) { return {}; }
  virtual MsgResult OnLBUTTONUP(WPARAM, LPARAM) { return {}; }
  virtual MsgResult OnMEASUREITEM(WPARAM, LPARAM) { return {}; }
  virtual MsgResult OnMOUSEMOVE(WPARAM, LPARAM) { return {}; }
  virtual MsgResult OnMOVE(WPARAM, LPARAM) { return {}; }
  virtual MsgResult OnNCACTIVATE(WPARAM, LPARAM) { return {}; }
  virtual MsgResult OnNCDESTROY(WPARAM, LPARAM) { return {}; }
  virtual MsgResult OnNCHITTEST(WPARAM, LPARAM) { return {}; }
  virtual MsgResult OnNEXTDLGCTL(WPARAM, LPARAM) { return {}; }
  virtual MsgResult OnSETFOCUS(WPARAM, LPARAM) { return {}; }
  virtual MsgResult OnSETFONT(WPARAM, LPARAM) { return {}; }
  virtual MsgResult OnSHOWWINDOW(WPARAM, LPARAM) { return {}; }
  virtual MsgResult OnSYSCOLORCHANGE(WPARAM, LPARAM) { return {}; }
  virtual MsgResult OnWinIniChange(WPARAM, LPARAM) { return {}; }
  virtual MsgResult OnTIMER(WPARAM, LPARAM) { return {}; }
  virtual MsgResult OnVKEYTOITEM(WPARAM, LPARAM) { return {}; }
  virtual MsgResult OnVSCROLL(WPARAM, LPARAM) { return {}; }
  virtual MsgResult OnCTLCOLOR(WPARAM, LPARAM, UINT) { return 0; }
  virtual MsgResult OnQUERYDRAGICON(WPARAM, LPARAM);  // hIcon, or 0
  // Cancel (2) or Abort (3) destroys the dialog once (not while lNoCancel); 1 then, else 0.
  virtual MsgResult OnCOMMAND(WPARAM wParam, LPARAM lParam);
  // GetWnd; the sticky manager, the icon and the bitmaps go; 0.
  virtual MsgResult OnDESTROY(WPARAM wParam, LPARAM lParam);
  // CheckIDS; SetWnd; the arrow cursor; returns wParam.
  virtual MsgResult OnINITDIALOG(WPARAM wParam, LPARAM lParam);
  // WMU_PAINTHEADER with the device context to every aMemObjects and aVLObjects window; 0.
  virtual MsgResult OnPAINT(HDC dc);
  // The layout of a resizable dialog (PlanResizeLayout).
  virtual MsgResult OnSIZE(WPARAM wParam, LPARAM lParam);
  // The close box (SC_CLOSE) or 4091: Cancel (not while lNoCancel); 0.
  virtual MsgResult OnSYSCOMMAND(WPARAM wParam, LPARAM lParam);

  // --- operations ---
  LRESULT SYSCOLORCHANGE();
  void SetWnd();  // restores place and size from the dialog INI file
  void GetWnd();  // saves them
  LRESULT Show(int command = SW_SHOW);
  LRESULT Ok();      // destroys the dialog; 1
  LRESULT Cancel();  // posts WM_COMMAND 2; 0
  std::vector<HWND> GetListBoxHandles(HWND except) const;
  // Duplicate control ids: message boxes 209 (each duplicate) and 207 (the first free id).
  wdialog::IdCheck CheckIDS();
  void AddDlgHandle();
  void AddBitmap(const std::vector<BitmapSpec>& bitmaps);
  void ShowBitmap(int fromId, std::optional<int> toId, bool shown);
  void ShowTabBitmap(int fromId, std::optional<int> toId, bool visible);
  void ADDVLOBJECT(HWND window, LPARAM id);
  LRESULT PAINT(WPARAM wParam, LPARAM lParam);
  MsgResult INITDIALOG(WPARAM wParam, LPARAM lParam);
  HBITMAP GetBitmapHandle(size_t position) const;  // 1-based; nullptr when none
  HBITMAP GetBitmapHandle(const std::string& name) const;
  const std::vector<BitmapEntry>& Get_aBitmap() const { return aBitmap_; }

  // --- type-ahead ---
  // Type-ahead in list or combo box `id` (rules in wdialog_rules.h): typed characters select the
  // first item starting with them and are reported to the dialog as WM_COMMAND notification 1.
  // wait: seconds after the last character until the text starts anew (default three times
  // the seek wait time). 1; 0 after a message box when the control is missing or of another kind.
  int ListSeek(int id, std::optional<double> wait = std::nullopt);
  std::string SeekText(int id) const;  // what was typed in control `id` so far
  // Called with the edit's text, the control id and the last key (0: at once, -1: validate).
  using SeekCallback = std::function<void(const std::string& text, int id, int key)>;
  // Type-ahead in edit `id` (or a combo box's edit): the callback runs once the wait (seconds,
  // default the seek wait time) has passed after the last key that changes the text, or at once
  // on WMU_SEEKNOW. 1; 0 (after a message box, except for a missing control) otherwise.
  int SeekControl(int id, SeekCallback callback, std::optional<double> wait = std::nullopt);
  void CallSeek(const std::vector<int>& ids);      // the callbacks with key 0
  void ValidateSeek(const std::vector<int>& ids);  // the callbacks with key -1

  // --- child objects ---
  void AddBrowse(DialogBrowse* browse);
  void RemoveBrowse(DialogBrowse* browse);
  void AddButton(DialogButton* button);
  void RemoveButton(DialogButton* button);
  void AddList(DialogList* list);
  void RemoveList(DialogList* list);
  void AddMemo(DialogMemo* memo);
  void RemoveMemo(DialogMemo* memo);

  // The object deletes itself after its window's WM_NCDESTROY (see the file comment).
  void DeleteWithWindow() { deleteWithWindow_ = true; }

  // --- members read by other classes ---
  ZB_WDIALOG* oParent = nullptr;  // the parent dialog object; nullptr: the application object
  HWND hWndParent = nullptr;
  std::string cDlgName;
  std::string cIniEntry;
  HWND hwnd = nullptr;
  std::vector<VLObject> aVLObjects;
  std::vector<HWND> aMemObjects;
  bool lIsTabDlg = false;
  std::vector<DialogBrowse*> aBrowseObj;
  std::vector<DialogButton*> aButtons;
  std::vector<DialogList*> aListen;
  std::vector<DialogMemo*> aMemo;
  bool lDestroyed = false;

 protected:
  // Tab dialogs answer the id of their active button; other dialogs have none.
  virtual std::optional<int> ActiveTabButton() const { return std::nullopt; }
  // Data-entry dialogs (with a Gather method) become the application's active dialog.
  virtual bool HasGather() const { return false; }

  // --- seams (tests replace them) ---
  virtual int ShowBox(const std::string& text, const std::string& title, UINT flags);
  // Text of the framework resource library (the application's), "" without one.
  virtual std::string ResourceText(UINT id) const;
  virtual void Log(const std::string& heading, const std::string& detail);
  // One creation attempt (1 ... 10).
  virtual HWND CreateDialogWindow(int attempt, WindowCallback callback);
  // The monitors and their work areas.
  virtual std::vector<wdialog::MonitorArea> Monitors() const;

 private:
  ZB_WDIALOG* Create(Parent parent, const std::string& name, HMODULE resourceModule,
                     const DLGTEMPLATE* dialogTemplate);
  void Reset(HMODULE resourceModule);
  MsgResult Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
  MsgResult DrawOrMeasure(bool draw, WPARAM wParam, LPARAM lParam);
  MsgResult WmSetCursor(WPARAM wParam, LPARAM lParam);
  MsgResult WmVKeyToItem(WPARAM wParam, LPARAM lParam);
  void WmActivate(WPARAM wParam);
  void WmDestroy(WPARAM wParam, LPARAM lParam);
  void WmNCLButtonDown(LPARAM lParam);
  std::string IniFile() const;
  void DeleteBitmaps();

  // aWDIALOG
  bool lSeek_ = true;
  HICON hIcon_ = nullptr;
  HCURSOR hCursor_ = nullptr;
  HMODULE hResModule_ = nullptr;
  wdialog::ClientSize aClientSize_;
  int nKontextID_ = 0;
  std::vector<KontextEntry> aKontextID_;
  int64_t nIniSize_ = -1;
  int64_t nIniPos_ = -1;
  int64_t nIniMax_ = -1;  // key cIniEntry + "_MAX"

  struct SeekBlock {
    HWND control = nullptr;
    int id = 0;
    int waitMs = 0;
    wdialog::ListSeekState state;
    std::uintptr_t hook = 0;
    SeekCallback callback;  // edits only
    HWND edit = nullptr;    // the window hooked for an edit (a combo box's child)
    int lastKey = 0;
  };
  std::optional<LRESULT> SeekEditMessage(SeekBlock& block, UINT message, WPARAM wParam);
  void RunSeekCallback(SeekBlock& block, int key);
  void DropSeekBlocks();  // unhooks the controls still there
  std::optional<LRESULT> SeekListMessage(SeekBlock& block, UINT message, WPARAM wParam);
  std::vector<std::unique_ptr<SeekBlock>> aSeekBlocks_;

  std::vector<BitmapEntry> aBitmap_;
  std::vector<int> aHiddenCtrls_;
  bool lNoCancel_ = false;
  std::unique_ptr<StickyManager> stickyManager_;
  const DLGTEMPLATE* template_ = nullptr;  // InitIndirect's, during creation only
  bool startMaximised_ = false;            // restored maximised while still hidden: Show maximises
  bool deleteWithWindow_ = false;
};

}  // namespace tabrix
