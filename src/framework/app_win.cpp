// ZB_APP: start, settings, dialog registry, placement, loop and files.
#include <io.h>
#include <stdio.h>

#include <ctime>
#include <string>

#include "data/base/error.h"
#include "data/base/win_handles_win.h"
#include "data/diagnostics/error_log.h"
#include "data/nettable/remote_client.h"
#include "data/stdlib/o_s.h"
#include "data/stdlib/stfkt.h"
#include "data/stdlib/zbres_ids.h"
#include "data/table/table_area.h"
#include "framework/app_settings.h"
#include "framework/native/win32fkt_place.h"
#include "framework/native/win32fkt_win.h"
#include "framework/od_list_win.h"
#include "framework/window_placement.h"
#include "framework/zb_app_win.h"

namespace tabrix {
namespace {

ZB_APP* gApp = nullptr;
TableKeeper gTableKeeper;

std::string ModuleDirectory() {
  char path[MAX_PATH] = {};
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string full(path, n);
  size_t slash = full.find_last_of('\\');
  return slash == std::string::npos ? std::string() : full.substr(0, slash + 1);
}

std::string ModulePath() {
  char path[MAX_PATH] = {};
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::string(path, n);
}

bool FileExists(const std::string& name) {
  DWORD a = GetFileAttributesA(name.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string TrimRight(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

// The default connection: the program's server client, which connects to no repository.
class NoServerClient : public RepositoryConnection {
 public:
  void Disconnect() override { CurrentRemoteClient().Disconnect(); }
  int64_t LastServerError() override { return CurrentRemoteClient().AdsGetLastError(); }
  bool Connect(const std::string&, const std::string&, const std::string&, int) override {
    O_S("Connect: kein Datenbankserver-Client vorhanden");
    return false;
  }
};

RepositoryConnection& DefaultRepository() {
  static NoServerClient none;
  return none;
}

int64_t IniNumber(const std::string& file, const char* section, const std::string& key) {
  char value[64] = {};
  GetPrivateProfileStringA(section, key.c_str(), "-1", value, sizeof value, file.c_str());
  return _strtoi64(value, nullptr, 10);
}

}  // namespace

RepositoryConnection& ZB_APP::Repository() {
  return repository_ ? *repository_ : DefaultRepository();
}

ZB_APP* OAPP() {
  return gApp;
}
void SetTableKeeper(TableKeeper keeper) {
  gTableKeeper = std::move(keeper);
}

ZB_APP::ZB_APP() = default;

ZB_APP::~ZB_APP() {
  if (hwnd != nullptr && IsWindow(hwnd)) {
    // The window's callback refers to this object: detach it before the object goes.
    CleanupMessageStack(hwnd);
    DestroyWindow(hwnd);
  }
  DeleteDrawingObjects();
  ReleaseResourceLibrary();
  CloseLockFiles();
  if (classRegistered_) UnregisterClassA(cClassName.c_str(), getInstance());
  if (gApp == this) {
    gApp = nullptr;
    OdListApp() = OdListAppValues{.appPresent = false};
  }
}

void ZB_APP::Trace(const std::string& text) {
  O_S(text);
}

int ZB_APP::ShowBox(HWND owner, const std::string& text, const std::string& title, UINT flags) {
  return MessageBoxA(owner, text.c_str(), title.c_str(), flags);
}

bool ZB_APP::CallWinHelp(HWND window, const std::string& file, UINT command, ULONG_PTR data) {
  return WinHelpA(window, file.c_str(), command, data) != FALSE;
}

std::string ZB_APP::TempDirFor(const std::string& className) {
  return GETTMPPFAD(className);
}

std::optional<std::string> ZB_APP::CloseAllTables() {
  try {
    CommitAllAreas();
    CloseAllAreas();
  } catch (const ErrorAbandoned& e) {
    return e.error.description;
  }
  return std::nullopt;
}

int ZB_APP::AreaOfAlias(const std::string& alias) {
  return tabrix::AreaOfAlias(alias);
}

bool ZB_APP::DeletedRecordsVisible() {
  return DeletedVisible();
}

HotkeyHost& ZB_APP::HotkeyWindows() {
  if (!hotkeyHost_) {
    hotkeyHost_ = std::make_unique<Win32HotkeyHost>(Win32HotkeyHost::AppWindows{
        .application = [this] { return hwnd; },
        .master = [this] { return hMasterWnd; },
        .activeDialog = [this] { return hActive; },
    });
  }
  return *hotkeyHost_;
}

void ZB_APP::PublishListValues() {
  if (gApp != this) return;
  OdListApp() = OdListAppValues{.appPresent = true,
                                .lCtl3d = aEVars.lCtl3d,
                                .nHoeBrZe = nHoeBrZe,
                                .hGreyPen = hGreyPen_.get()};
}

void ZB_APP::ReleaseResourceLibrary() {
  if (hZBRES != nullptr && reinterpret_cast<uintptr_t>(hZBRES) > 32 &&
      hZBRES != GetModuleHandleA(nullptr)) {
    FreeLibrary(hZBRES);
  }
  if (hZBRES != nullptr && ZbresModule() == reinterpret_cast<ModuleHandle>(hZBRES)) {
    SetZbresModule(0);
  }
  hZBRES = nullptr;
}

SIZE ZB_APP::ScreenSize() const {
  return SIZE{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

bool ZB_APP::SingleMonitor() const {
  return GetSystemMetrics(SM_CMONITORS) <= 1;
}

std::string ZB_APP::ResourceText(UINT id) const {
  char text[1024] = {};
  if (hZBRES == nullptr) return {};
  int n = LoadStringA(hZBRES, id, text, sizeof text);
  return std::string(text, n > 0 ? n : 0);
}

ZB_APP::InitResult ZB_APP::Init(const std::string& className, const std::string& caption,
                                const std::string& resourceLibrary, int width, int height,
                                bool ctl3d, HWND master, bool allowSecondInstance) {
  gApp = this;
  cClassName = className;
  cCaption = caption;
  cSysDir = ModuleDirectory();
  aEVars = AppEVars{};
  lErrorLock = true;
  lSticky = false;
  SETSHORTIDS(true);
  lRepository = false;
  Trace("lDS3D " + std::string(ctl3d ? ".T." : ".F."));
  Trace("hMaster " + std::to_string(reinterpret_cast<intptr_t>(master)));

  if (!allowSecondInstance) {
    HWND other = FindWindowA(cClassName.c_str(), cCaption.c_str());
    if (other != nullptr && other != hwnd) {
      SETFOREGROUNDWINDOWEX(other);
      return InitResult::kNotStarted;
    }
  }
  SetThreadLocale(MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT));
  aEVars.slot15 = "!";
  if (width <= 0) width = 640;
  if (height <= 0) height = 480;
  cZBRES = resourceLibrary.empty() ? "ZBRES32.DLL" : resourceLibrary;
  if (DLGGETCENTINIFILENAME().empty()) DLGSETCENTINIFILENAME(CentralIniNameFor(ModulePath()));
  hMasterWnd = master;
  TempDir = TempDirFor(cClassName);
  hLanguage = nullptr;
  lLocalInstallation = false;
  SetErrorLog(ErrorLogSetting{cSysDir + "Error.txt", true});
  // The other process-wide table settings (dates, shared opening, deleted records) belong to
  // the table layer and are set where that layer starts.
  lUseNoEditColor = true;
  // The driver the table layer runs with by default (chosen at start-up), set again as such.
  cDBFNTX = SetDefaultDriver();
  if (cDBFNTX.empty()) cDBFNTX = kDriverNtx;
  lDBFNTXAX = cDBFNTX == kDriverAds;
  lCutTextMode = false;
  Trace("2::cDBFNTX " + cDBFNTX);
  SetDefaultDriver(cDBFNTX);
  Trace("1::cDBFNTX " + cDBFNTX);
  nHelpKontextId_ = 0;
  Remove_Files();
  hStdIcon = nullptr;
  hTask = GetCurrentProcess();
  lAppReady = false;
  lShowBubbles = true;
  hActive = nullptr;
  aDlgWnd.clear();
  lShowTip = false;
  lLockApplication = false;
  lSavePos = true;
  nHoeBrZe = 20;
  lLearnMode_ = false;
  hLastEditWnd_ = nullptr;
  Set_cHelpFile("default");

  if (SET_MESSAGEQUEUE(96) < 1) {
    ShowBox(nullptr, "Error in MESSAGEQUEUE", "Fatal Error", MB_OK);
    return InitResult::kNotStarted;  // the framework's 0
  }
  if (!RegisterAppClass()) return InitResult::kFailed;
  classRegistered_ = true;
  hwnd = CreateWindowExA(0, cClassName.c_str(), cCaption.c_str(),
                         WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,  // 47120384
                         0, 0, width, height, nullptr, nullptr, getInstance(), nullptr);
  if (hwnd == nullptr) return InitResult::kFailed;

  UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  hZBRES = LoadLibraryA(cZBRES.c_str());
  if (hZBRES == nullptr &&
      FindResourceA(getInstance(), "STDICON", MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */)) {
    hZBRES = getInstance();
  }
  if (hZBRES == nullptr) hZBRES = LoadLibraryA("ZBRES32.DLL");
  SetErrorMode(oldMode);
  // The standard functions' resource texts (ZbresText) come from the same library.
  if (hZBRES != nullptr) SetZbresModule(reinterpret_cast<ModuleHandle>(hZBRES));
  if (hZBRES == nullptr) {
    const std::string& name = cZBRES;
    ShowBox(hwnd,
            "     " + name + " not found !\r\n   Please install " + name +
                "\r\nin your System. Some Functions may not be available without " + name + ".",
            "Warning", MB_OK);
    wndProcIndex_ = SUBCLASSWINDOW(
        hwnd,
        [this](HWND w, UINT m, WPARAM wp, LPARAM lp) {
          return WndProc(wndProcIndex_, w, m, wp, lp);
        },
        MessageFilter::All());
    ShowBox(hwnd,
            "     " + name + " not found !\r\n   Please install " + name + "\r\nin your System",
            "Error", MB_OK);
    PostMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    return InitResult::kFailed;
  }

  aOldText = StatusBarObject::Text{ResourceText(IDS_ZB_READY), -1, 0};
  hAccel_ = LoadAcceleratorsA(getInstance(), "ACCELERATORS_1");
  wndProcIndex_ = SUBCLASSWINDOW(
      hwnd,
      [this](HWND w, UINT m, WPARAM wp, LPARAM lp) { return WndProc(wndProcIndex_, w, m, wp, lp); },
      MessageFilter::All());
  OnSysColorChange(false);
  if (_setmaxstdio(200) < 200) {
    ShowBox(hwnd, "Low Filehandles ! Please do not open too many dialogs at the same time", "Info",
            MB_OK);
  }
  hTask = GetCurrentProcess();
  if (aEVars.lCtl3d) CheckCTL3D();
  return InitResult::kReady;
}

void ZB_APP::SetCtl3d(bool on) {
  aEVars.lCtl3d = on;
  CheckCTL3D();
  PublishListValues();
}

void ZB_APP::CheckCTL3D() {
  CTL3DCLOSE();
  if (aEVars.lCtl3d) CTL3DOPEN();
}

bool ZB_APP::Connect(const std::string& path, const std::string& user, const std::string& password,
                     bool local) {
  adsRepPath = path;
  adsUser = user;
  adsPwd = password;
  adsLocal = local;
  lRepository = true;
  return Reconnect();
}

bool ZB_APP::Reconnect() {
  RepositoryConnection& server = repository_ ? *repository_ : DefaultRepository();
  server.Disconnect();
  return server.Connect(adsRepPath, adsUser, adsPwd, RepositoryServerTypes(adsRepPath, adsLocal));
}

bool ZB_APP::RegisterAppClass() {
  return REGISTERCLASS(CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, getInstance(), hStdIcon,
                       LoadCursorA(nullptr, IDC_ARROW),
                       reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_APPWORKSPACE + 1)),
                       cClassName.c_str());
}

ZB_APP& ZB_APP::NetworkRefresh(bool on) {
  if (on) {
    SYSTEMTIME t;
    GetLocalTime(&t);
    aEVars.cRefreshToken = RefreshToken(t.wHour * 3600 + t.wMinute * 60 + t.wSecond);
    SetTimer(hwnd, kRecordChangeTimer, kRecordChangeInterval, nullptr);
  } else {
    aEVars.cRefreshToken.clear();
    KillTimer(hwnd, kRecordChangeTimer);
  }
  return *this;
}

void ZB_APP::Set_cHelpFile(const std::string& text) {
  std::string className8 = TrimRight(cClassName.substr(0, 8));
  if (text == "default" && FileExists(cSysDir + className8 + ".HLP")) {
    cHelpFile = cSysDir + className8 + ".HLP";
  } else if (!text.empty() && FileExists(cSysDir + text)) {
    cHelpFile = text;
  } else if (!text.empty() && FileExists(text)) {
    cHelpFile = text;
  } else {
    cHelpFile.clear();
  }
}

void ZB_APP::Set_CutTextMode(bool on) {
  lCutTextMode = on;
  SendToDialogs(WMU_CUTTEXTMODE, on ? 1 : 0, 0, false);
}

void ZB_APP::SendToDialogs(UINT message, WPARAM wParam, LPARAM lParam, bool onlyExisting) {
  std::vector<DlgEntry> copy = aDlgWnd;  // a dialog may deregister while it answers
  for (const DlgEntry& e : copy) {
    if (onlyExisting && !IsWindow(e.window)) continue;
    SendMessageA(e.window, message, wParam, lParam);
  }
}

MsgResult ZB_APP::OnCreate() {
  char value[8] = {};
  GetPrivateProfileStringA("FRAME", "Maximized", "", value, sizeof value,
                           DLGGETINIFILENAME().c_str());
  lMaximized = std::string(value) == "J";
  return {};
}

bool ZB_APP::OnClose() {
  if (hMasterWnd == nullptr) GetWnd();
  DeleteDrawingObjects();
  return true;
}

void ZB_APP::CloseLockFiles() {
  for (HANDLE* h : {&hNetLock, &hDefaultLock}) {
    if (*h != nullptr) CloseHandle(*h);
    *h = nullptr;
  }
}

LRESULT ZB_APP::OnDestroy(WPARAM, LPARAM) {
  // The sticky window manager is not built in this system (lSticky stays false).
  CloseLockFiles();
  // A server may deregister others while it cleans up: work on the list taken out.
  std::vector<std::unique_ptr<DdeServerObject>> servers = std::move(aDDEServer);
  aDDEServer.clear();
  for (const auto& server : servers)
    if (server) server->DDEML_CleanupStuff();
  KillTimer(hwnd, kRecordChangeTimer);
  if (hStdIcon != nullptr) DestroyIcon(hStdIcon);
  hStdIcon = nullptr;
  return 0;
}

void ZB_APP::OnMouseMove(WPARAM, LPARAM) {
  if (aEVars.lMouseFocusA || aEVars.lMouseFocusB) {
    aEVars.lMouseFocusA = aEVars.lMouseFocusB = false;
    SetFocus(hwnd);
  }
}

void ZB_APP::DeleteDrawingObjects() {
  hGreyPen_.reset();
  hHighLightBrush_.reset();
  hLightGrayBrush_.reset();
  hShadowPen_.reset();
  hLightPen_.reset();
  // The lists must not draw with the pen just deleted.
  if (gApp == this) OdListApp().hGreyPen = nullptr;
}

LRESULT ZB_APP::OnSysColorChange(bool recreate) {
  // recreate asks to delete the old set first; a set still present is deleted in any case so
  // that a repeated call does not leak it.
  (void)recreate;
  DeleteDrawingObjects();
  hGreyPen_.reset(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_GRAYTEXT)));
  hHighLightBrush_.reset(CreateSolidBrush(~GetSysColor(COLOR_HIGHLIGHT) & 0xFFFFFF));
  hLightGrayBrush_.reset(CreateSolidBrush(GetSysColor(COLOR_BTNFACE)));
  hShadowPen_.reset(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW)));
  hLightPen_.reset(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT)));
  PublishListValues();
  if (oToolBar != nullptr) oToolBar->ChangeToolBarButtonColors();
  SendToDialogs(WM_SYSCOLORCHANGE, 0, 0, true);
  CTL3DCOLORCHANGE();  // nothing unless the library is loaded
  return 0;
}

LRESULT ZB_APP::OnTimeChange() {
  SendToDialogs(WM_TIMECHANGE, 0, 0, true);
  return 0;
}

// --- dialog registry ---

void ZB_APP::AddDlgHandle(const DlgEntry& entry) {
  aDlgWnd.push_back(entry);
  if (hMasterWnd != nullptr) {
    // Readable only by a master sharing this address space.
    std::string text = DialogRegistryText(reinterpret_cast<intptr_t>(entry.window), entry.type,
                                          entry.name, entry.active);
    SendMessageA(hMasterWnd, WMU_ADDDLG, text.size(), reinterpret_cast<LPARAM>(text.c_str()));
  }
}

void ZB_APP::DeleteDlgHandle(HWND window) {
  for (auto it = aDlgWnd.begin(); it != aDlgWnd.end(); ++it) {
    if (it->window == window) {
      aDlgWnd.erase(it);
      break;
    }
  }
  if (hMasterWnd != nullptr)
    SendMessageA(hMasterWnd, WMU_DELDLG, reinterpret_cast<WPARAM>(window), 0);
  if (aDlgWnd.empty()) {
    Trace("keine Dialoge");
    SetFocus(hwnd);
  }
}

void ZB_APP::SetActiveDlg(HWND window) {
  if (window == nullptr) return;
  DlgEntry* last = nullptr;
  for (DlgEntry& e : aDlgWnd) {
    e.active = false;
    if (e.window == window) last = &e;
  }
  if (last) last->active = true;
  hActive = window;
  if (hMasterWnd != nullptr)
    SendMessageA(hMasterWnd, WMU_ACTIVEDLG, reinterpret_cast<WPARAM>(hActive), 0);
}

HWND ZB_APP::GetActiveDlg() const {
  for (const DlgEntry& e : aDlgWnd) {
    if (e.active) return e.window;
  }
  return hwnd;
}

HWND ZB_APP::GethLastFocusWnd() const {
  if (hglobal != nullptr && IsWindowVisible(hglobal)) return hglobal;
  if (hglobalLast != nullptr && IsWindowVisible(hglobalLast)) return hglobalLast;
  for (const DlgEntry& e : aDlgWnd) {
    if (IsWindowVisible(e.window)) return e.window;
  }
  return hwnd;
}

void ZB_APP::QueryEditModeOfDataDialogs() {
  std::vector<DlgEntry> copy = aDlgWnd;
  for (const DlgEntry& e : copy) {
    if (hIsInEditModus != nullptr) break;
    if (e.type == 1 && IsWindow(e.window)) SendMessageA(e.window, WMU_EDITMODE, 0, 0);
  }
}

HWND ZB_APP::IsAnyDlgInEditModus() {
  hIsInEditModus = nullptr;
  if (hMasterWnd != nullptr) {
    SendMessageA(hMasterWnd, WMU_EDITMODE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(hwnd));
  } else {
    QueryEditModeOfDataDialogs();
  }
  return hIsInEditModus;
}

LRESULT ZB_APP::ISINEDITMODUS(WPARAM wParam, LPARAM lParam) {
  if (static_cast<intptr_t>(wParam) == -1 || static_cast<int32_t>(wParam) == -1) {
    hIsInEditModus = nullptr;
    QueryEditModeOfDataDialogs();
    if (hIsInEditModus != nullptr) {
      SendMessageA(reinterpret_cast<HWND>(lParam), WMU_EDITMODE, 0,
                   reinterpret_cast<LPARAM>(hIsInEditModus));
    }
  } else {
    hIsInEditModus = reinterpret_cast<HWND>(lParam);
  }
  return 0;
}

bool ZB_APP::RegDropClient(HWND window) {
  for (HWND w : aEVars.aDropClients) {
    if (w == window) return false;
  }
  if (!IsWindow(window)) return false;
  aEVars.aDropClients.push_back(window);
  return true;
}

bool ZB_APP::UnRegDropClient(HWND window) {
  auto& v = aEVars.aDropClients;
  for (auto it = v.begin(); it != v.end(); ++it) {
    if (*it == window) {
      v.erase(it);
      return true;
    }
  }
  return false;
}

// --- placement ---

void ZB_APP::Show(int showCommand) {
  if (reinterpret_cast<uintptr_t>(hZBRES) < 32) return;
  SetWnd(showCommand);
  UpdateWindow(hwnd);
}

void ZB_APP::SetWnd(int showCommand, const std::string& suffix) {
  Trace("load-extra: " + suffix);
  const std::string ini = DLGGETINIFILENAME();
  SavedPlacement saved;
  saved.show = IniNumber(ini, "Fenster", PlacementKey(cClassName, "_SHOW", suffix));
  saved.x = IniNumber(ini, "Fenster", PlacementKey(cClassName, "_X", suffix));
  saved.y = IniNumber(ini, "Fenster", PlacementKey(cClassName, "_Y", suffix));
  saved.right = IniNumber(ini, "Fenster", PlacementKey(cClassName, "_CX", suffix));
  saved.bottom = IniNumber(ini, "Fenster", PlacementKey(cClassName, "_CY", suffix));
  SIZE screen = ScreenSize();
  PlacementPlan plan =
      PlanRestoredPlacement(saved, showCommand > 0 ? std::optional<int>(showCommand) : std::nullopt,
                            screen.cx, screen.cy, SingleMonitor());
  if (!plan.restore) {
    if (lSavePos) CLIPORCENTERWINDOWTOMONITOR(hwnd, kPlaceCenter | kPlaceWorkArea);
    ShowWindow(hwnd, plan.showCommand);
    return;
  }
  if (!lSavePos) return;
  WINDOWPLACEMENT wp = {};
  wp.length = sizeof wp;
  GetWindowPlacement(hwnd, &wp);
  wp.showCmd = plan.showCommand;
  wp.rcNormalPosition =
      RECT{plan.normal.left, plan.normal.top, plan.normal.right, plan.normal.bottom};
  SetWindowPlacement(hwnd, &wp);
  CLIPORCENTERWINDOWTOMONITOR(hwnd, kPlaceWorkArea);
}

void ZB_APP::GetWnd(const std::string& suffix) {
  Trace("save-extra: " + suffix);
  const std::string ini = DLGGETINIFILENAME();
  // Without a dialog INI file there is nowhere to save (an empty name would mean WIN.INI).
  if (!lSavePos || ini.empty() || hwnd == nullptr) return;
  WINDOWPLACEMENT wp = {};
  wp.length = sizeof wp;
  if (!GetWindowPlacement(hwnd, &wp)) return;
  auto put = [&](const char* what, long value) {
    WritePrivateProfileStringA("Fenster", PlacementKey(cClassName, what, suffix).c_str(),
                               std::to_string(value).c_str(), ini.c_str());
  };
  put("_SHOW", static_cast<long>(wp.showCmd));
  put("_X", wp.rcNormalPosition.left);
  put("_Y", wp.rcNormalPosition.top);
  put("_CX", wp.rcNormalPosition.right);
  put("_CY", wp.rcNormalPosition.bottom);
}

// --- loop ---

WPARAM ZB_APP::Exec() {
  WPARAM code = RunMainLoop(*this);
  ExitProcedure();
  return code;
}

void ZB_APP::ExitProcedure() {
  if (lDBFNTXAX) Repository().Disconnect();
  ReleaseResourceLibrary();
  CloseLockFiles();
  if (classRegistered_ && UnregisterClassA(cClassName.c_str(), getInstance())) {
    classRegistered_ = false;
  }
}

int ZB_APP::LocalExec(int area, bool withWheel) {
  TableRestorer restore = gTableKeeper ? gTableKeeper(area) : TableRestorer();
  int handled = RunLocalPump(*this, withWheel);
  if (handled > 0 && restore) restore();
  return handled;
}

// --- files ---

ZB_APP& ZB_APP::Remove_Files() {
  if (TempDir.empty()) return *this;
  std::string dummy = TempDir + "_Dummy.bbb";
  if (FileExists(dummy)) DeleteFileA(dummy.c_str());
  for (const char* ext : {"NTX", "DBF"}) {
    WIN32_FIND_DATAA found;
    OwnedFindHandle find(FindFirstFileA((TempDir + "_*." + ext).c_str(), &found));
    if (!find) continue;
    do {
      if (!IsTemporaryTableName(found.cFileName, ext)) continue;
      std::string path = TempDir + found.cFileName;
      // Only files no other process holds open.
      if (!OwnedFileHandle(
              CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)))
        continue;
      DeleteFileA(path.c_str());
    } while (FindNextFileA(find.get(), &found));
  }
  return *this;
}

}  // namespace tabrix
