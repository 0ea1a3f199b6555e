// ZB_WDIALOG: creation, the dialog callback and its message steps (see wdialog_win.h).

#include "framework/wdialog_win.h"

#include <algorithm>
#include <string>

#include "data/diagnostics/error_log.h"
#include "framework/app_settings.h"
#include "framework/native/win32fkt_win.h"
#include "framework/native/words.h"
#include "framework/zb_app_win.h"

namespace tabrix {
namespace {

StickyManagerFactory& StickyFactory() {
  static StickyManagerFactory factory;
  return factory;
}

double gSeekWaitTime = wdialog::kDefaultSeekWaitTime;

constexpr int kCreateAttempts = 10;
constexpr UINT kStyleSizingBorder = WS_THICKFRAME;  // 262144

int X(LPARAM lParam) {
  return WB_LOWORD(lParam);
}
int Y(LPARAM lParam) {
  return WB_HIWORD(static_cast<int64_t>(lParam) & 0xFFFFFFFF);
}

std::string Number(const void* handle) {
  return handle ? std::to_string(reinterpret_cast<intptr_t>(handle)) : "NIL";
}

std::string ClassOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

PlaceRect FromRect(const RECT& r) {
  return {r.left, r.top, r.right, r.bottom};
}

// Copies, so that a child that removes itself while asked leaves the walk intact.
template <class T>
std::vector<T*> Copy(const std::vector<T*>& v) {
  return v;
}

template <class T>
void AddOnce(std::vector<T*>& v, T* item) {
  if (item && std::find(v.begin(), v.end(), item) == v.end()) v.push_back(item);
}
template <class T>
void Remove(std::vector<T*>& v, T* item) {
  v.erase(std::remove(v.begin(), v.end(), item), v.end());
}

BOOL CALLBACK CollectMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
  MONITORINFO info = {};
  info.cbSize = sizeof info;
  if (GetMonitorInfoA(monitor, &info)) {
    reinterpret_cast<std::vector<wdialog::MonitorArea>*>(data)->push_back(
        {FromRect(info.rcMonitor), FromRect(info.rcWork)});
  }
  return TRUE;
}

}  // namespace

void SetStickyManagerFactory(StickyManagerFactory factory) {
  StickyFactory() = std::move(factory);
}

double SETSEEKWAITTIME(double seconds) {
  double previous = gSeekWaitTime;
  gSeekWaitTime = wdialog::ClampSeekWaitTime(seconds);
  return previous;
}
double GETSEEKWAITTIME() {
  return gSeekWaitTime;
}

ZB_WDIALOG::ZB_WDIALOG() = default;

ZB_WDIALOG::~ZB_WDIALOG() {
  // The hooks of the type-ahead controls point into this object.
  DropSeekBlocks();
  if (hwnd && IsWindow(hwnd)) {
    // The derived part is gone already: no hook or child may run any more.
    CleanupMessageStack(hwnd);
    if (ZB_APP* app = OAPP()) app->DeleteDlgHandle(hwnd);
    DestroyWindow(hwnd);
  }
  DeleteBitmaps();
  if (hIcon_) DestroyIcon(hIcon_);
}

// --- seams ---

int ZB_WDIALOG::ShowBox(const std::string& text, const std::string& title, UINT flags) {
  return MessageBoxA(hwnd ? hwnd : hWndParent, text.c_str(), title.c_str(), flags);
}

std::string ZB_WDIALOG::ResourceText(UINT id) const {
  ZB_APP* app = OAPP();
  if (app == nullptr || app->hZBRES == nullptr) return {};
  char text[1024] = {};
  int n = LoadStringA(app->hZBRES, id, text, sizeof text);
  return std::string(text, n > 0 ? n : 0);
}

void ZB_WDIALOG::Log(const std::string& heading, const std::string& detail) {
  ZB_ERRLOG(heading, Value(detail));
}

HWND ZB_WDIALOG::CreateDialogWindow(int, WindowCallback callback) {
  HINSTANCE module = reinterpret_cast<HINSTANCE>(hResModule_);
  if (template_) return CREATEDIALOGINDIRECT(module, template_, hWndParent, std::move(callback));
  return CREATEDIALOG(module, cDlgName.c_str(), hWndParent, std::move(callback));
}

std::vector<wdialog::MonitorArea> ZB_WDIALOG::Monitors() const {
  std::vector<wdialog::MonitorArea> monitors;
  EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&monitors));
  return monitors;
}

// --- creation ---

ZB_WDIALOG* ZB_WDIALOG::Init(Parent parent, const std::string& templateName,
                             HMODULE resourceModule) {
  return Create(parent, templateName, resourceModule, nullptr);
}

ZB_WDIALOG* ZB_WDIALOG::InitIndirect(Parent parent, const DLGTEMPLATE* dialogTemplate,
                                     const std::string& name, HMODULE resourceModule) {
  return Create(parent, name, resourceModule, dialogTemplate);
}

void ZB_WDIALOG::Reset(HMODULE resourceModule) {
  aHiddenCtrls_.clear();
  DropSeekBlocks();
  aBrowseObj.clear(), aButtons.clear(), aListen.clear(), aMemo.clear();
  lDestroyed = lNoCancel_ = false;
  ZB_APP* app = OAPP();
  stickyManager_.reset();
  if (app && app->lSticky && StickyFactory()) stickyManager_ = StickyFactory()(*this);
  lSeek_ = true;
  nIniPos_ = nIniSize_ = nIniMax_ = -1;
  hResModule_ = resourceModule ? resourceModule : reinterpret_cast<HMODULE>(getInstance());
  lIsTabDlg = false;
  nKontextID_ = 0;
  aKontextID_.clear();
}

ZB_WDIALOG* ZB_WDIALOG::Create(Parent parent, const std::string& name, HMODULE resourceModule,
                               const DLGTEMPLATE* dialogTemplate) {
  ZB_APP* app = OAPP();
  if (app) app->LocalExec();
  Reset(resourceModule);
  if (dialogTemplate == nullptr && !FindResourceA(hResModule_, name.c_str(), RT_DIALOG)) {
    ShowBox(ResourceText(212) + name, ResourceText(208), MB_ICONEXCLAMATION);
    return this;
  }
  if (app) app->aEVars.lBusy = true;
  HCURSOR wait = LoadCursorA(nullptr, IDC_WAIT);
  SetCursor(wait);

  if (parent.window) {
    hWndParent = parent.window, oParent = nullptr;
  } else if (parent.dialog) {
    hWndParent = parent.dialog->hwnd, oParent = parent.dialog;
  } else {
    hWndParent = app ? (app->hMasterWnd ? app->hMasterWnd : app->hwnd) : nullptr;
    oParent = nullptr;
  }
  aClientSize_ = {0, 0};
  aVLObjects.clear(), aMemObjects.clear();
  DeleteBitmaps();
  cDlgName = cIniEntry = name;
  if (hIcon_) DestroyIcon(hIcon_);
  hIcon_ = nullptr;
  hCursor_ = wait;
  hwnd = nullptr;

  template_ = dialogTemplate;
  HWND created = nullptr;
  int attempt = 1;
  for (; attempt <= kCreateAttempts; ++attempt) {
    created = CreateDialogWindow(
        attempt, [this](HWND w, UINT m, WPARAM wp, LPARAM lp) { return DlgProc(w, m, wp, lp); });
    if (created) break;
    Log("Fehler in CreateDialog() von WDIALOG, " + std::to_string(attempt) + ". Versuch, " +
            "R\xFC"
            "ckgabewert f\xFC"
            "r hwnd==0",
        "\r\n  Dialog: " + name);
  }
  template_ = nullptr;
  if (!created) {
    Log("Fehler in CreateDialog() von WDIALOG, R\xFC"
        "ckgabewert f\xFC"
        "r hwnd==0",
        "\r\n  vermutlich ein Problem in den Resourcen\r\n  Dialog:   " + name + "\r\n" +
            "  hInstance " + Number(hResModule_) + "\r\n" + "  hWndParent " + Number(hWndParent) +
            "\r\n" + "  Behebung: Resourcen ueberpruefen");
  } else if (attempt > 1) {
    Log("CreateDialog() in WDIALOG bei " + std::to_string(attempt) + ". Versuch erfolgreich",
        "\r\n  Dialog: " + name);
  }
  SetCursor(LoadCursorA(nullptr, IDC_ARROW));
  if (app) app->aEVars.lBusy = false;
  return created ? this : nullptr;
}

MsgResult ZB_WDIALOG::INITDIALOG(WPARAM wParam, LPARAM lParam) {
  AddDlgHandle();
  RECT client{};
  GetClientRect(hwnd, &client);
  aClientSize_ = {client.right, client.bottom};
  if (cIniEntry.empty()) cIniEntry = cDlgName;
  return OnINITDIALOG(wParam, lParam);
}

MsgResult ZB_WDIALOG::OnINITDIALOG(WPARAM wParam, LPARAM) {
  CheckIDS();
  SetWnd();
  hCursor_ = LoadCursorA(nullptr, IDC_ARROW);
  return static_cast<long long>(wParam);
}

void ZB_WDIALOG::AddDlgHandle() {
  if (ZB_APP* app = OAPP()) app->AddDlgHandle(DlgEntry{hwnd, 0, cDlgName, true});
}

// --- settings ---

HICON ZB_WDIALOG::Set_hIcon(HICON icon) {
  if (hIcon_ && hIcon_ != icon) DestroyIcon(hIcon_);
  hIcon_ = icon;
  if (hwnd) SetClassLongPtrA(hwnd, GCLP_HICON, reinterpret_cast<LONG_PTR>(icon));
  return icon;
}

HCURSOR ZB_WDIALOG::Set_hCursor(HCURSOR cursor) {
  // Shared cursors (LoadCursor) must not be destroyed; DestroyCursor refuses them harmlessly.
  if (hCursor_ && hCursor_ != cursor) DestroyCursor(hCursor_);
  hCursor_ = cursor;
  return cursor;
}

void ZB_WDIALOG::Set_nKontextID(int id) {
  nKontextID_ = id;
  ZB_APP* app = OAPP();
  if (app && hwnd && GetActiveWindow() == hwnd) app->Set_nHelpKontextId(id);
}

void ZB_WDIALOG::Set_aKontextID(int id) {
  aKontextID_.clear();
  nKontextID_ = id;
}

void ZB_WDIALOG::Set_aKontextID(const std::vector<KontextEntry>& entries) {
  aKontextID_ = entries;
  nKontextID_ = entries.empty() ? 0 : entries.front().context;
  if (std::optional<int> active = ActiveTabButton()) {
    for (const KontextEntry& e : entries)
      if (e.buttonId == *active) nKontextID_ = e.context;
  }
}

void ZB_WDIALOG::Set_aHiddenCtrls(const std::vector<int>& ids) {
  for (int id : aHiddenCtrls_) {
    if (std::find(ids.begin(), ids.end(), id) != ids.end()) continue;
    if (HWND control = GetDlgItem(hwnd, id)) ShowWindow(control, SW_SHOW);
  }
  for (int id : ids) {
    HWND control = hwnd ? GetDlgItem(hwnd, id) : nullptr;
    if (control) {
      ShowWindow(control, SW_HIDE);
    } else {
      Log(ResourceText(222) + std::to_string(id), "\r\n  Dialog: " + cDlgName);
    }
  }
  aHiddenCtrls_ = ids;
}

// --- the callback ---

MsgResult ZB_WDIALOG::DlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  hwnd = window;
  MsgResult r = HandleMessage(message, wParam, lParam);
  if (!r.IsNone()) return r;
  if (message == WM_NCDESTROY) {
    for (DialogMemo* m : Copy(aMemo)) m->OnNCDestroy(wParam, lParam);
    for (DialogBrowse* b : Copy(aBrowseObj)) b->OnNCDestroy(wParam, lParam);
    for (DialogList* l : Copy(aListen)) l->OnNCDestroy(wParam, lParam);
    r = OnNCDESTROY(wParam, lParam);
    hwnd = nullptr;
    if (deleteWithWindow_) delete this;
  } else {
    // Dispatch may destroy the window, and with it this object: nothing touches members after.
    r = Dispatch(message, wParam, lParam);
  }
  return r.IsNone() ? MsgResult(0) : r;
}

MsgResult ZB_WDIALOG::HandleMessage(UINT, WPARAM, LPARAM) {
  return {};
}

MsgResult ZB_WDIALOG::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  MsgResult r;
  switch (message) {
    case WM_NCLBUTTONDOWN:
      WmNCLButtonDown(lParam);
      break;
    case WM_MOVING:
    case WM_SIZING: {
      ZB_APP* app = OAPP();
      if (app && app->lSticky && stickyManager_) {
        RECT* rect = reinterpret_cast<RECT*>(lParam);
        message == WM_MOVING ? stickyManager_->Moving(rect) : stickyManager_->Sizing(rect);
      }
      break;
    }
    case WM_DRAWITEM:
      r = DrawOrMeasure(true, wParam, lParam);
      break;
    case WM_MEASUREITEM:
      r = DrawOrMeasure(false, wParam, lParam);
      break;
    case WM_ERASEBKGND:
      for (DialogBrowse* b : Copy(aBrowseObj)) b->EraseBkgnd(wParam, lParam);
      for (DialogList* l : Copy(aListen))
        if (!l->lLBS_MULTICOLUMN()) l->EraseBkgnd(wParam, lParam);
      r = OnERASEBKGND(wParam, lParam);
      break;
    case WM_PAINT:
      r = static_cast<long long>(PAINT(wParam, lParam));
      break;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
      if (lParam && ClassOf(reinterpret_cast<HWND>(lParam)) == "ComboBox") {
        message = WM_CTLCOLORLISTBOX;
      }
      r = OnCTLCOLOR(wParam, lParam, message);
      break;
    case WM_SETCURSOR:
      r = WmSetCursor(wParam, lParam);
      break;
    case WM_WININICHANGE:
      for (DialogBrowse* b : Copy(aBrowseObj)) b->OnWinIniChange(wParam, lParam);
      r = OnWinIniChange(wParam, lParam);
      break;
    case WM_SYSCOLORCHANGE:
      for (DialogButton* b : Copy(aButtons)) b->SysColorChange(wParam, lParam);
      SYSCOLORCHANGE();
      r = OnSYSCOLORCHANGE(wParam, lParam);
      break;
    case WM_MOUSEMOVE:
      for (DialogBrowse* b : Copy(aBrowseObj)) b->OnMouseMove(X(lParam), Y(lParam));
      for (DialogMemo* m : Copy(aMemo)) m->OnMouseMove(X(lParam), Y(lParam));
      r = OnMOUSEMOVE(wParam, lParam);
      break;
    case WM_NCHITTEST:
      r = OnNCHITTEST(wParam, lParam);
      break;
    case WM_VKEYTOITEM:
      r = WmVKeyToItem(wParam, lParam);
      break;
    case WM_VSCROLL: {
      bool answered = false;
      for (DialogBrowse* b : Copy(aBrowseObj)) answered |= b->VScroll(wParam, lParam) != 0;
      r = answered ? MsgResult(1) : OnVSCROLL(wParam, lParam);
      break;
    }
    case WM_COMMAND:
      for (DialogBrowse* b : Copy(aBrowseObj)) b->OnCommand(wParam, lParam);
      r = OnCOMMAND(wParam, lParam);
      break;
    case WMU_SHOWDLG:
      r = static_cast<long long>(Show());
      break;
    case WM_ACTIVATE:
      for (DialogBrowse* b : Copy(aBrowseObj)) b->Activate(wParam, lParam);
      WmActivate(wParam);
      r = OnACTIVATE(wParam, lParam);
      break;
    case WM_CHARTOITEM:
      r = OnCHARTOITEM(wParam, lParam);
      break;
    case WM_CLOSE:
      r = OnCLOSE(wParam, lParam);
      break;
    case WM_DESTROY:
      WmDestroy(wParam, lParam);
      r = OnDESTROY(wParam, lParam);
      break;
    case WM_DROPFILES:
      r = OnDROPFILES(wParam, lParam);
      break;
    case WM_ENABLE:
      r = OnENABLE(wParam, lParam);
      break;
    case WM_HSCROLL:
      r = OnHSCROLL(wParam, lParam);
      break;
    case WM_INITMENU:
      r = OnINITMENU(wParam, lParam);
      break;
    case WM_KILLFOCUS:
      r = OnKILLFOCUS(wParam, lParam);
      break;
    case WM_MOVE:
      r = OnMOVE(wParam, lParam);
      break;
    case WM_NEXTDLGCTL:
      r = OnNEXTDLGCTL(wParam, lParam);
      break;
    case WM_QUERYDRAGICON:
      r = OnQUERYDRAGICON(wParam, lParam);
      break;
    case WM_SETFOCUS:
      r = OnSETFOCUS(wParam, lParam);
      break;
    case WM_SETFONT:
      r = OnSETFONT(wParam, lParam);
      break;
    case WM_SHOWWINDOW:
      r = OnSHOWWINDOW(wParam, lParam);
      break;
    case WM_SIZE:
      r = OnSIZE(wParam, lParam);
      break;
    case WM_SYSCOMMAND:
      r = OnSYSCOMMAND(wParam, lParam);
      break;
    case WM_INITDIALOG:
      r = INITDIALOG(wParam, lParam);
      break;
    case WM_LBUTTONDBLCLK:
      for (DialogBrowse* b : Copy(aBrowseObj)) b->SetIndexOrder(X(lParam), Y(lParam));
      r = OnLBUTTONDBLCLK(wParam, lParam);
      break;
    case WM_LBUTTONDOWN:
      for (DialogBrowse* b : Copy(aBrowseObj)) b->LButtonDown(wParam, lParam);
      for (DialogMemo* m : Copy(aMemo)) m->OnLButtonDown(X(lParam), Y(lParam));
      r = OnLBUTTONDOWN(wParam, lParam);
      break;
    case WM_LBUTTONUP:
      for (DialogBrowse* b : Copy(aBrowseObj)) b->LButtonUp(wParam, lParam);
      for (DialogMemo* m : Copy(aMemo)) m->OnLButtonUp(X(lParam), Y(lParam));
      r = OnLBUTTONUP(wParam, lParam);
      break;
    case WM_TIMER:
      for (DialogMemo* m : Copy(aMemo)) m->OnTimer(wParam, lParam);
      r = OnTIMER(wParam, lParam);
      break;
    case WMU_TOFRONT:
      SetWindowPos(hwnd, reinterpret_cast<HWND>(wParam), 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      break;
    case WMU_CELLCHANGED:
      for (const VLObject& o : std::vector<VLObject>(aVLObjects))
        PostMessageA(o.window, WMU_CELLCHANGED, wParam, lParam);
      break;
    case WMU_REGISTERMEMO:
      aMemObjects.push_back(reinterpret_cast<HWND>(wParam));
      break;
    case WMU_REGISTERLIST:
      ADDVLOBJECT(reinterpret_cast<HWND>(wParam), lParam);
      break;
    case WMU_REPLACELIST:
      for (VLObject& o : aVLObjects)
        if (o.window == reinterpret_cast<HWND>(wParam)) o.window = reinterpret_cast<HWND>(lParam);
      break;
    case WMU_COLUMNDIALOG:
      for (DialogBrowse* b : Copy(aBrowseObj)) b->Spalten();
      break;
    case WMU_SCROLL:
      for (DialogBrowse* b : Copy(aBrowseObj)) b->VScroll2(wParam, lParam);
      break;
    case WMU_REFRESHRECORD:
    case WMU_DELETERECORD:
    case WMU_REFRESHIFSHOWN:
      for (const VLObject& o : std::vector<VLObject>(aVLObjects))
        SendMessageA(o.window, message, wParam, lParam);
      r = OnREFRESH_DLG(wParam, lParam, message);
      break;
    case WMU_CUTTEXTMODE:
      for (DialogBrowse* b : Copy(aBrowseObj)) b->Set_CutTextMode(wParam == 1);
      break;
    default:
      break;
  }
  return r;
}

MsgResult ZB_WDIALOG::DrawOrMeasure(bool draw, WPARAM wParam, LPARAM lParam) {
  bool answered = false;
  for (DialogBrowse* b : Copy(aBrowseObj))
    answered |= (draw ? b->OnDrawItem(wParam, lParam) : b->MeasureItem(wParam, lParam)) != 0;
  if (answered) return 1;
  for (DialogButton* b : Copy(aButtons))
    answered |= (draw ? b->OnDrawItem(wParam, lParam) : b->MeasureItem(wParam, lParam)) != 0;
  if (answered) return 1;
  for (DialogList* l : Copy(aListen)) {
    LRESULT done = !draw                   ? l->MeasureItem(wParam, lParam)
                   : l->lLBS_MULTICOLUMN() ? l->DrawMultColItem(wParam, lParam)
                                           : l->OnDrawItem(wParam, lParam);
    answered |= done != 0;
  }
  if (answered) return 1;
  return draw ? OnDRAWITEM(wParam, lParam) : OnMEASUREITEM(wParam, lParam);
}

MsgResult ZB_WDIALOG::WmSetCursor(WPARAM wParam, LPARAM lParam) {
  ZB_APP* app = OAPP();
  bool handled = false;
  if (app && app->lLockApplication) {
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    handled = true;
  } else if (LOWORD(lParam) == HTCLIENT) {
    for (DialogBrowse* b : Copy(aBrowseObj)) handled |= b->Set__Cursor(wParam, lParam) != 0;
  }
  if (!handled) return {};
  SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, 1);
  return 1;
}

MsgResult ZB_WDIALOG::WmVKeyToItem(WPARAM wParam, LPARAM lParam) {
  HWND list = reinterpret_cast<HWND>(lParam);
  LRESULT r = 0;
  for (DialogBrowse* b : Copy(aBrowseObj)) {
    if (b->ListWindow() == list) {
      r = b->VKeyToItem(wParam, lParam);
      break;
    }
  }
  if (r == 0) {
    for (DialogList* l : Copy(aListen)) {
      if (l->hwndListe() == list) {
        r = l->OnVKEYTOITEM(wParam, lParam);
        break;
      }
    }
  }
  if (r != 0) return static_cast<long long>(r);
  return OnVKEYTOITEM(wParam, lParam);
}

void ZB_WDIALOG::WmActivate(WPARAM wParam) {
  ZB_APP* app = OAPP();
  if (app == nullptr) return;
  if (LOWORD(wParam) != WA_INACTIVE) {
    app->hglobal = hwnd;
    app->hglobalLast = nullptr;
    app->Set_nHelpKontextId(nKontextID_);
    if (HasGather()) app->SetActiveDlg(hwnd);
  } else {
    app->hglobal = nullptr;
    app->hglobalLast = hwnd;
    app->Set_nHelpKontextId(0);
  }
}

void ZB_WDIALOG::WmDestroy(WPARAM wParam, LPARAM lParam) {
  if (ZB_APP* app = OAPP()) {
    app->DeleteDlgHandle(hwnd);
    app->LocalExec();
  }
  for (DialogMemo* m : Copy(aMemo)) m->OnDestroy(wParam, lParam);
  for (DialogBrowse* b : Copy(aBrowseObj)) b->OnDestroy(wParam, lParam);
  for (DialogButton* b : Copy(aButtons)) b->OnDestroy(wParam, lParam);
  for (DialogList* l : Copy(aListen)) l->OnDestroy(wParam, lParam);
}

void ZB_WDIALOG::WmNCLButtonDown(LPARAM lParam) {
  for (DialogBrowse* b : Copy(aBrowseObj)) b->OnNCLButtonDown(X(lParam), Y(lParam));
  ZB_APP* app = OAPP();
  if (!app || !app->lSticky || !stickyManager_) return;
  std::vector<HWND> others{app->hwnd};
  for (const DlgEntry& e : app->aDlgWnd) {
    if (!(GetWindowLongA(e.window, GWL_STYLE) & WS_CHILD)) others.push_back(e.window);
  }
  stickyManager_->StartTracking(X(lParam), Y(lParam), *this, others);
}

// --- standard handlers ---

MsgResult ZB_WDIALOG::OnQUERYDRAGICON(WPARAM, LPARAM) {
  return static_cast<long long>(reinterpret_cast<intptr_t>(hIcon_));
}

MsgResult ZB_WDIALOG::OnCOMMAND(WPARAM wParam, LPARAM) {
  const WORD id = LOWORD(wParam);
  if (lNoCancel_ || (id != IDCANCEL && id != IDABORT) || lDestroyed) return 0;
  lDestroyed = true;
  DestroyWindow(hwnd);  // may delete this object (DeleteWithWindow)
  return 1;
}

MsgResult ZB_WDIALOG::OnSYSCOMMAND(WPARAM wParam, LPARAM) {
  // The low four bits of a system command are the system's own.
  const WPARAM command = wParam & 0xFFF0;
  if (!lNoCancel_ && (command == SC_CLOSE || wParam == kBrowseListDestroyed)) Cancel();
  return 0;
}

MsgResult ZB_WDIALOG::OnDESTROY(WPARAM, LPARAM) {
  GetWnd();
  stickyManager_.reset();
  if (hIcon_) {
    DestroyIcon(hIcon_);
    hIcon_ = nullptr;
  }
  DeleteBitmaps();
  return 0;
}

MsgResult ZB_WDIALOG::OnPAINT(HDC dc) {
  for (HWND w : std::vector<HWND>(aMemObjects))
    SendMessageA(w, WMU_PAINTHEADER, reinterpret_cast<WPARAM>(dc), 0);
  for (const VLObject& o : std::vector<VLObject>(aVLObjects))
    SendMessageA(o.window, WMU_PAINTHEADER, reinterpret_cast<WPARAM>(dc), 0);
  return 0;
}

MsgResult ZB_WDIALOG::OnSIZE(WPARAM wParam, LPARAM lParam) {
  const auto style = static_cast<uint32_t>(GetWindowLongA(hwnd, GWL_STYLE));
  std::vector<HWND> windows;
  std::vector<wdialog::ChildControl> children;
  // Direct children only: the edit inside a combo box is placed by its combo box.
  for (HWND c = GetWindow(hwnd, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    RECT r;
    GetWindowRect(c, &r);
    MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&r), 2);
    windows.push_back(c);
    children.push_back(
        {ClassOf(c), static_cast<uint32_t>(GetWindowLongA(c, GWL_STYLE)), FromRect(r)});
  }
  wdialog::LayoutPlan plan = wdialog::PlanResizeLayout(
      style, static_cast<int>(wParam), aClientSize_,
      {static_cast<int>(LOWORD(lParam)), static_cast<int>(HIWORD(lParam))},
      GetSystemMetrics(SM_CYCAPTION), children);
  for (const wdialog::LayoutMove& m : plan.moves) {
    SetWindowPos(windows[m.index], nullptr, m.rect.left, m.rect.top, m.rect.Width(),
                 m.rect.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
  }
  aClientSize_ = plan.clientSize;
  return {};
}

// --- place and size ---

std::string ZB_WDIALOG::IniFile() const {
  return DLGGETINIFILENAME();
}

void ZB_WDIALOG::SetWnd() {
  const std::string ini = IniFile();
  if (cIniEntry.empty() || hwnd == nullptr) return;
  auto read = [&](const std::string& key) {
    char value[64] = {};
    if (!ini.empty())
      GetPrivateProfileStringA("Fenster", key.c_str(), "", value, sizeof value, ini.c_str());
    return wdialog::ParseIniNumber(value);
  };
  nIniPos_ = read(cIniEntry);
  nIniSize_ = read(cIniEntry + "_SIZE");
  nIniMax_ = read(cIniEntry + "_MAX");

  RECT current{};
  GetWindowRect(hwnd, &current);
  POINT parentCorner{0, 0};
  RECT parent{};
  if (hWndParent && GetWindowRect(hWndParent, &parent)) parentCorner = {parent.left, parent.top};
  PlaceRect placed = wdialog::PlanDialogPlace({nIniPos_, nIniSize_}, FromRect(current),
                                              parentCorner.x, parentCorner.y, Monitors());
  POINT corner{placed.left, placed.top};
  const LONG style = GetWindowLongA(hwnd, GWL_STYLE);
  // A child dialog is placed in its parent's client coordinates.
  if ((style & WS_CHILD) && GetParent(hwnd)) ScreenToClient(GetParent(hwnd), &corner);
  UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
  if (nIniPos_ == -1 || nIniSize_ <= 0) flags |= SWP_NOSIZE;
  if (nIniPos_ == -1) flags |= SWP_NOREDRAW;
  SetWindowPos(hwnd, nullptr, corner.x, corner.y, placed.Width(), placed.Height(), flags);

  startMaximised_ = false;
  if (nIniMax_ == 1 && (style & WS_MAXIMIZEBOX)) {
    if (IsWindowVisible(hwnd)) {
      ShowWindow(hwnd, SW_MAXIMIZE);
    } else {
      startMaximised_ = true;
    }
  }
}

void ZB_WDIALOG::GetWnd() {
  const std::string ini = IniFile();
  if (cIniEntry.empty() || hwnd == nullptr || ini.empty()) return;
  wdialog::DialogCloseState close;
  close.state = IsIconic(hwnd)   ? wdialog::ShowState::kMinimised
                : IsZoomed(hwnd) ? wdialog::ShowState::kMaximised
                                 : wdialog::ShowState::kNormal;
  RECT r{};
  GetWindowRect(hwnd, &r);
  if (close.state == wdialog::ShowState::kMaximised) {
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    GetWindowPlacement(hwnd, &wp);
    // Normal positions are kept in work-area coordinates of the primary monitor.
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    r = wp.rcNormalPosition;
    OffsetRect(&r, work.left, work.top);
  }
  close.normal = FromRect(r);
  close.sizable = (GetWindowLongA(hwnd, GWL_STYLE) & kStyleSizingBorder) != 0;
  close.iniPos = nIniPos_, close.iniSize = nIniSize_, close.iniMax = nIniMax_;
  for (const wdialog::IniWrite& w : wdialog::PlanDialogSave(close)) {
    WritePrivateProfileStringA("Fenster", (cIniEntry + w.keySuffix).c_str(), w.value.c_str(),
                               ini.c_str());
  }
}

// --- operations ---

LRESULT ZB_WDIALOG::Show(int command) {
  if (hwnd == nullptr) return 0;
  if (startMaximised_ && (command == SW_SHOW || command == SW_SHOWNORMAL)) {
    command = SW_SHOWMAXIMIZED;
    startMaximised_ = false;
  }
  ShowWindow(hwnd, command);
  return 0;
}

LRESULT ZB_WDIALOG::Ok() {
  lDestroyed = true;
  DestroyWindow(hwnd);
  return 1;
}

LRESULT ZB_WDIALOG::Cancel() {
  PostMessageA(hwnd, WM_COMMAND, IDCANCEL, 0);
  return 0;
}

std::vector<HWND> ZB_WDIALOG::GetListBoxHandles(HWND except) const {
  std::vector<HWND> windows;
  for (const VLObject& o : aVLObjects)
    if (o.window != except) windows.push_back(o.window);
  return windows;
}

wdialog::IdCheck ZB_WDIALOG::CheckIDS() {
  std::vector<int64_t> ids;
  for (HWND c = GetWindow(hwnd, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
    ids.push_back(GETDLGCTRLID(c));
  wdialog::IdCheck check = wdialog::CheckControlIds(ids);
  for (int64_t id : check.duplicates)
    ShowBox(ResourceText(209) + std::to_string(id), ResourceText(208), MB_ICONEXCLAMATION);
  if (check.firstFree) {
    ShowBox(ResourceText(207) + std::to_string(*check.firstFree), ResourceText(208), MB_ICONHAND);
  }
  return check;
}

void ZB_WDIALOG::ADDVLOBJECT(HWND window, LPARAM id) {
  VLObject entry{window, id};
  if (std::find(aVLObjects.begin(), aVLObjects.end(), entry) == aVLObjects.end())
    aVLObjects.push_back(entry);
}

// --- child objects ---

void ZB_WDIALOG::AddBrowse(DialogBrowse* browse) {
  AddOnce(aBrowseObj, browse);
}
void ZB_WDIALOG::RemoveBrowse(DialogBrowse* browse) {
  Remove(aBrowseObj, browse);
}
void ZB_WDIALOG::AddButton(DialogButton* button) {
  AddOnce(aButtons, button);
}
void ZB_WDIALOG::RemoveButton(DialogButton* button) {
  Remove(aButtons, button);
}
void ZB_WDIALOG::AddList(DialogList* list) {
  AddOnce(aListen, list);
}
void ZB_WDIALOG::RemoveList(DialogList* list) {
  Remove(aListen, list);
}
void ZB_WDIALOG::AddMemo(DialogMemo* memo) {
  AddOnce(aMemo, memo);
}
void ZB_WDIALOG::RemoveMemo(DialogMemo* memo) {
  Remove(aMemo, memo);
}

}  // namespace tabrix
