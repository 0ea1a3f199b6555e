#include "e2e/tabrix_driver_win.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstring>
#include <fstream>

#include "data/base/win_handles_win.h"

namespace tabrix::e2e {

namespace {

constexpr int kFileNameField = 0x47C;  // the common dialog's file name box
constexpr int kFileTypeBox = 0x470;
constexpr int kMessageText = 0xFFFF;  // a message box's text
constexpr UINT kSendTimeoutMs = 10000;

// A message to a window of the program, answered within the timeout (the program may be busy).
bool Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* result = nullptr) {
  DWORD_PTR r = 0;
  const LRESULT ok =
      SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, kSendTimeoutMs, &r);
  if (result) *result = r;
  return ok != 0;
}

bool SendW(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* result) {
  return SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kSendTimeoutMs,
                             result) != 0;
}

std::string Narrow(const std::wstring& wide) {
  if (wide.empty()) return {};
  std::string text(wide.size() * 2, '\0');
  const int n = WideCharToMultiByte(1252, 0, wide.data(), static_cast<int>(wide.size()),
                                    text.data(), static_cast<int>(text.size()), nullptr, nullptr);
  text.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return text;
}

HWND ChildWithClass(HWND parent, const char* cls, bool visibleOnly) {
  struct Search {
    const char* cls;
    bool visibleOnly;
    HWND found;
  } search{cls, visibleOnly, nullptr};
  EnumChildWindows(
      parent,
      [](HWND child, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        if (ClassOf(child) == s->cls && (!s->visibleOnly || IsWindowVisible(child))) {
          s->found = child;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace

// ---- files and folders -------------------------------------------------------------------------

std::string WindowsPath(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  const char last = folder.back();
  return (last == '\\' || last == '/') ? folder + name : folder + "\\" + name;
}

bool MakeFolders(const std::string& path) {
  const std::string p = WindowsPath(path);
  for (size_t at = p.find('\\', 3); at != std::string::npos; at = p.find('\\', at + 1)) {
    CreateDirectoryA(p.substr(0, at).c_str(), nullptr);
  }
  CreateDirectoryA(p.c_str(), nullptr);
  const DWORD attributes = GetFileAttributesA(p.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool RemoveTree(const std::string& path) {
  const std::string p = WindowsPath(path);
  WIN32_FIND_DATAA found;
  OwnedFindHandle h(FindFirstFileA(JoinPath(p, "*").c_str(), &found));
  if (h) {
    do {
      const std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      const std::string full = JoinPath(p, name);
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(full);
      } else {
        SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(full.c_str());
      }
    } while (FindNextFileA(h.get(), &found));
  }
  RemoveDirectoryA(p.c_str());
  return GetFileAttributesA(p.c_str()) == INVALID_FILE_ATTRIBUTES;
}

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(WindowsPath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  OwnedFindHandle h(FindFirstFileA(JoinPath(WindowsPath(folder), "*").c_str(), &found));
  if (!h) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
  } while (FindNextFileA(h.get(), &found));
  std::sort(names.begin(), names.end());
  return names;
}

std::string WindowsFolder() {
  char folder[MAX_PATH] = {};
  GetWindowsDirectoryA(folder, MAX_PATH);
  return folder;
}

std::string Recode(const std::string& s, UINT from, UINT to) {
  if (s.empty()) return s;
  std::wstring wide(s.size(), L'\0');
  const int n = MultiByteToWideChar(from, 0, s.data(), static_cast<int>(s.size()), wide.data(),
                                    static_cast<int>(wide.size()));
  std::string out(s.size() * 3, '\0');
  const int m = WideCharToMultiByte(to, 0, wide.data(), n, out.data(), static_cast<int>(out.size()),
                                    nullptr, nullptr);
  out.resize(m > 0 ? static_cast<size_t>(m) : 0);
  return out;
}

bool WriteProductIni(const std::string& demoFolder, const std::string& productFolder,
                     std::string* error) {
  std::ifstream in(WindowsPath(JoinPath(demoFolder, "product\\QZ.ini")), std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::string placeholder = "@PRODUKTPFAD@";
  const size_t at = text.find(placeholder);
  if (at == std::string::npos) {
    if (error) *error = "the demo's QZ.ini template has no " + placeholder;
    return false;
  }
  text.replace(at, placeholder.size(), WindowsPath(productFolder) + "\\");
  const std::string target = JoinPath(WindowsFolder(), "QZ.ini");
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  out << text;
  if (!out) {
    if (error) *error = "cannot write " + target;
    return false;
  }
  return true;
}

Installation InstallationAt(const std::string& root) {
  Installation in;
  in.root = WindowsPath(root);
  in.program = JoinPath(in.root, "program");
  in.product = JoinPath(in.root, "product");
  in.appData = JoinPath(in.root, "appdata");
  in.work = JoinPath(in.root, "work");
  in.exe = JoinPath(in.program, "tabrix.exe");
  return in;
}

Installation PrepareInstallation(const std::string& root, const std::string& demoFolder,
                                 const std::string& builtExe) {
  Installation in = InstallationAt(root);
  if (!RemoveTree(in.root)) {
    in.error = "cannot remove the old " + in.root;
    return in;
  }
  for (const std::string& f : {in.program, in.product, in.appData, in.work}) {
    if (!MakeFolders(f)) {
      in.error = "cannot create " + f;
      return in;
    }
  }
  const std::string demo = WindowsPath(demoFolder);
  const std::string exe = WindowsPath(builtExe);
  const std::string exeFolder = exe.substr(0, exe.find_last_of('\\'));
  const std::pair<std::string, std::string> copies[] = {
      {JoinPath(demo, "program\\LAND.qzf"), JoinPath(in.program, "LAND.qzf")},
      {JoinPath(demo, "program\\Kndstneu.qzf"), JoinPath(in.program, "Kndstneu.qzf")},
      {JoinPath(demo, "program\\Adrim2.qzf"), JoinPath(in.program, "Adrim2.qzf")},
      {JoinPath(demo, "program\\QZX.INI"), JoinPath(in.program, "QZX.INI")},
      {exe, in.exe},
      {JoinPath(exeFolder, "ZBRES32.DLL"), JoinPath(in.program, "ZBRES32.DLL")},
      {JoinPath(demo, "product\\QZX.ini"), JoinPath(in.product, "QZX.ini")},
  };
  for (const auto& [from, to] : copies) {
    if (!CopyFileA(from.c_str(), to.c_str(), FALSE)) {
      in.error = "cannot copy " + from + " to " + to;
      return in;
    }
  }
  WriteProductIni(demo, in.product, &in.error);
  return in;
}

// ---- the program -------------------------------------------------------------------------------

Program::~Program() {
  Kill();
  if (info_.hThread) CloseHandle(info_.hThread);
  if (info_.hProcess) CloseHandle(info_.hProcess);
}

bool Program::Start(const Installation& installation, std::string* error) {
  // This process takes its place on the desktop before the program does: under Wine the first
  // process to need the desktop starts its manager, and two processes doing so at the same time
  // make one of them wait ten seconds.
  GetDesktopWindow();
  // The environment of this process with APPDATA replaced.
  std::string block;
  const char* env = GetEnvironmentStringsA();
  for (const char* p = env; p && *p; p += std::strlen(p) + 1) {
    if (_strnicmp(p, "APPDATA=", 8) != 0) block.append(p).push_back('\0');
  }
  if (env) FreeEnvironmentStringsA(const_cast<char*>(env));
  block.append("APPDATA=" + installation.appData).push_back('\0');
  block.push_back('\0');

  STARTUPINFOA si = {};
  si.cb = sizeof si;
  std::string command = "\"" + installation.exe + "\"";
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, block.data(),
                      installation.program.c_str(), &si, &info_)) {
    if (error)
      *error = "cannot start " + installation.exe + ", error " + std::to_string(GetLastError());
    return false;
  }
  WaitForInputIdle(info_.hProcess, kStepTimeoutMs);
  return true;
}

bool Program::Running() const {
  return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> Program::WaitForExit(DWORD timeoutMs) {
  if (!info_.hProcess) return std::nullopt;
  const DWORD end = GetTickCount() + timeoutMs;
  for (;;) {
    const DWORD now = GetTickCount();
    const DWORD left = static_cast<int>(end - now) > 0 ? end - now : 0;
    const DWORD r = MsgWaitForMultipleObjects(1, &info_.hProcess, FALSE, left, QS_ALLINPUT);
    if (r == WAIT_OBJECT_0) break;
    if (r != WAIT_OBJECT_0 + 1) return std::nullopt;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  DWORD code = 0;
  GetExitCodeProcess(info_.hProcess, &code);
  return code;
}

void Program::Kill() {
  if (Running()) {
    TerminateProcess(info_.hProcess, 99);
    WaitForSingleObject(info_.hProcess, kStepTimeoutMs);
  }
}

std::vector<DWORD> ProcessesNamed(const std::string& name) {
  std::vector<DWORD> ids;
  OwnedFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return ids;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot.get(), &entry); more;
       more = Process32Next(snapshot.get(), &entry)) {
    if (_stricmp(entry.szExeFile, name.c_str()) == 0) ids.push_back(entry.th32ProcessID);
  }
  return ids;
}

bool WaitUntil(const std::function<bool()>& cond, DWORD timeoutMs, HANDLE process) {
  const DWORD end = GetTickCount() + timeoutMs;
  while (!cond()) {
    if (static_cast<int>(end - GetTickCount()) <= 0) return cond();
    if (process && WaitForSingleObject(process, 0) == WAIT_OBJECT_0) return cond();
    // Wakes when the program ends or a message for this process arrives, else after a moment.
    const DWORD r = MsgWaitForMultipleObjects(process ? 1 : 0, process ? &process : nullptr, FALSE,
                                              15, QS_ALLINPUT);
    if (r == WAIT_OBJECT_0 + (process ? 1 : 0)) {
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
  }
  return true;
}

// ---- reading windows ---------------------------------------------------------------------------

std::string ClassOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

std::string TextOf(HWND window) {
  if (!window) return {};
  DWORD_PTR length = 0;
  if (!Send(window, WM_GETTEXTLENGTH, 0, 0, &length)) return {};
  std::string text(length + 1, '\0');
  DWORD_PTR n = 0;
  if (!Send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), &n)) return {};
  text.resize(std::min<size_t>(n, length));
  return text;
}

std::string ItemText(HWND dialog, int id) {
  return TextOf(GetDlgItem(dialog, id));
}

std::vector<HWND> VisibleTopLevelWindows(DWORD processId) {
  struct Search {
    DWORD pid;
    std::vector<HWND> found;
  } search{processId, {}};
  EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        if (pid == s->pid && IsWindowVisible(window)) s->found.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool IsViewer(HWND window) {
  if (ClassOf(window) != "#32770" || (GetWindowLongA(window, GWL_STYLE) & WS_CHILD)) return false;
  HWND list = GetDlgItem(window, 103);
  return list && ClassOf(list) == "ListBox" && TextOf(window).rfind("Velarto Converter   ", 0) == 0;
}

HWND FindViewer(DWORD processId) {
  struct Search {
    DWORD pid;
    HWND found = nullptr;
  } search{processId};
  EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        if (pid != s->pid || !IsViewer(window)) return TRUE;
        s->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::vector<long> GridRecords(HWND list) {
  std::vector<long> records;
  const LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    records.push_back(static_cast<long>(SendMessageA(list, LB_GETITEMDATA, i, 0)));
  }
  return records;
}

HWND FindFrame(DWORD processId) {
  HWND frame = nullptr;
  while ((frame = FindWindowExA(nullptr, frame, "Tabrix", nullptr)) != nullptr) {
    DWORD pid = 0;
    GetWindowThreadProcessId(frame, &pid);
    if (pid == processId) return frame;
  }
  return nullptr;
}

HWND CurrentDialog(HWND frame) {
  return frame ? ChildWithClass(frame, "#32770", true) : nullptr;
}

std::vector<std::string> ListRows(HWND list) {
  std::vector<std::string> rows;
  DWORD_PTR count = 0;
  if (!list || !Send(list, LB_GETCOUNT, 0, 0, &count)) return rows;
  for (DWORD_PTR row = 0; row < count; ++row) {
    DWORD_PTR length = 0;
    if (!SendW(list, LB_GETTEXTLEN, row, 0, &length) || static_cast<LONG_PTR>(length) < 0) {
      rows.emplace_back();
      continue;
    }
    // LB_GETTEXT takes no buffer size, and the program may refill the list between the two
    // messages (a longer row where a short one stood): room for any row the program shows,
    // not just the length asked a moment ago, or the answer runs past the buffer.
    constexpr size_t kRowRoom = 4096;
    std::wstring wide(std::max<size_t>(length + 1, kRowRoom), L'\0');
    DWORD_PTR n = 0;
    SendW(list, LB_GETTEXT, row, reinterpret_cast<LPARAM>(wide.data()), &n);
    wide.resize(static_cast<LONG_PTR>(n) > 0 ? std::min<size_t>(n, wide.size() - 1) : 0);
    rows.push_back(Narrow(wide));
  }
  return rows;
}

int ListSelection(HWND list) {
  DWORD_PTR selection = static_cast<DWORD_PTR>(LB_ERR);
  Send(list, LB_GETCURSEL, 0, 0, &selection);
  return static_cast<int>(static_cast<LONG_PTR>(selection));
}

bool IsChecked(HWND dialog, int id) {
  DWORD_PTR state = 0;
  Send(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0, &state);
  return state == BST_CHECKED;
}

bool Settle(HWND window) {
  return window && Send(window, WM_NULL, 0, 0);
}

// ---- acting -------------------------------------------------------------------------------------

bool ClickButton(HWND dialog, int id) {
  HWND button = GetDlgItem(dialog, id);
  if (!button || !IsWindowVisible(button) || !IsWindowEnabled(button)) return false;
  return PostMessageA(button, BM_CLICK, 0, 0) != 0;
}

bool PressButton(HWND dialog, int id) {
  HWND button = GetDlgItem(dialog, id);
  if (!button || !IsWindowVisible(button) || !IsWindowEnabled(button)) return false;
  return Send(button, BM_CLICK, 0, 0);
}

namespace {

// The client point in the middle of the row's first column, after scrolling it into view.
bool RowPoint(HWND list, int row, POINT* at) {
  RECT client, item;
  if (!GetClientRect(list, &client)) return false;
  DWORD_PTR ok = 0;
  if (!Send(list, LB_GETITEMRECT, row, reinterpret_cast<LPARAM>(&item), &ok) ||
      static_cast<LONG_PTR>(ok) == LB_ERR) {
    return false;
  }
  if (item.top < client.top || item.bottom > client.bottom) {
    Send(list, LB_SETTOPINDEX, row, 0);
    if (!Send(list, LB_GETITEMRECT, row, reinterpret_cast<LPARAM>(&item), &ok)) return false;
  }
  at->x = item.left + std::min<LONG>(8, (item.right - item.left) / 2);
  at->y = (item.top + item.bottom) / 2;
  return at->y >= client.top && at->y < client.bottom;
}

}  // namespace

bool ClickListRow(HWND list, int row) {
  POINT at;
  if (!RowPoint(list, row, &at)) return false;
  const LPARAM where = MAKELPARAM(at.x, at.y);
  return Send(list, WM_LBUTTONDOWN, MK_LBUTTON, where) && Send(list, WM_LBUTTONUP, 0, where);
}

bool DoubleClickListRow(HWND list, int row) {
  POINT at;
  if (!RowPoint(list, row, &at)) return false;
  const LPARAM where = MAKELPARAM(at.x, at.y);
  return Send(list, WM_LBUTTONDOWN, MK_LBUTTON, where) && Send(list, WM_LBUTTONUP, 0, where) &&
         PostMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, where) &&
         PostMessageA(list, WM_LBUTTONUP, 0, where);
}

int FindRow(const std::vector<std::string>& rows, const std::string& prefix) {
  for (size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].compare(0, prefix.size(), prefix) == 0) return static_cast<int>(i);
  }
  return -1;
}

// ---- what the program shows
// ----------------------------------------------------------------------

std::string ViewName(View view) {
  switch (view) {
    case View::kNothing:
      return "nothing";
    case View::kGone:
      return "program ended";
    case View::kHost:
      return "start-up picture";
    case View::kFileDialog:
      return "file dialog";
    case View::kMessageBox:
      return "message box";
    case View::kConverter:
      return "converter dialog";
    case View::kProgress:
      return "progress dialog";
    case View::kChooser:
      return "chooser";
    case View::kProtocol:
      return "protocol dialog";
    case View::kOther:
      return "other window";
  }
  return "?";
}

std::string Screen::Describe() const {
  std::string d = ViewName(view);
  if (!caption.empty()) d += " \"" + caption + "\"";
  if (!text.empty()) d += ": " + text;
  return d;
}

Screen Look(const Program& program) {
  Screen s;
  if (!program.Running()) {
    s.view = View::kGone;
    return s;
  }
  s.frame = FindFrame(program.Id());
  for (HWND w : VisibleTopLevelWindows(program.Id())) {
    if (w == s.frame || ClassOf(w) != "#32770" || IsViewer(w)) continue;
    s.window = w;
    s.caption = TextOf(w);
    if (GetDlgItem(w, kFileNameField)) {
      s.view = View::kFileDialog;
    } else if (HWND text = GetDlgItem(w, kMessageText)) {
      s.view = View::kMessageBox;
      s.text = TextOf(text);
    } else {
      s.view = View::kOther;
    }
    return s;
  }
  if (!s.frame || !IsWindowVisible(s.frame)) return s;
  HWND dialog = CurrentDialog(s.frame);
  if (!dialog) return s;
  s.window = dialog;
  s.caption = TextOf(dialog);
  if (s.caption == "Convert") {
    s.view = View::kConverter;
    s.text = ItemText(dialog, 110);
  } else if (s.caption == "DIALOG_3") {
    s.view = View::kProgress;
    s.text = ItemText(dialog, 101);
  } else if (s.caption == "Liste" || s.caption == "DIALOG_5") {
    s.view = View::kChooser;
    s.text = ItemText(dialog, 110);
  } else if (s.caption == "DIALOG_4") {
    s.view = View::kProtocol;
    s.text = ItemText(dialog, 110);
  } else {
    s.view = View::kHost;
  }
  return s;
}

namespace {

// A view is ready when the program has filled it in.
bool Ready(const Screen& s) {
  if (!s.window || !IsWindowVisible(s.window)) return false;
  DWORD_PTR count = 0;
  switch (s.view) {
    case View::kMessageBox:
      return !s.text.empty();
    case View::kConverter:
      return s.text.size() > 8 && s.text != "Eingangs Felder:" &&
             Send(GetDlgItem(s.window, 101), LB_GETCOUNT, 0, 0, &count) && count > 0;
    case View::kChooser:
      return s.text != "Eingangs Felder:" &&
             Send(GetDlgItem(s.window, 101), LB_GETCOUNT, 0, 0, &count) && count > 0;
    case View::kProtocol:
      return s.text != "Text" && !s.text.empty();
    default:
      return true;
  }
}

}  // namespace

Screen WaitForView(const Program& program, std::initializer_list<View> views, DWORD timeoutMs) {
  Screen seen;
  auto wanted = [&](View v) { return std::find(views.begin(), views.end(), v) != views.end(); };
  WaitUntil(
      [&] {
        seen = Look(program);
        if (seen.view == View::kGone) return true;
        if (!wanted(seen.view) || !Ready(seen) || !Settle(seen.window)) return false;
        // Settled: what it shows now is what it will show until someone acts.
        const Screen again = Look(program);
        if (again.window != seen.window || again.view != seen.view || !Ready(again)) return false;
        seen = again;
        return true;
      },
      timeoutMs, program.Handle());
  if (seen.view != View::kGone && !program.Running()) {
    seen = Screen();
    seen.view = View::kGone;
  }
  return seen;
}

bool HasButton(const Screen& box, int buttonId) {
  HWND b = GetDlgItem(box.window, buttonId);
  return b && IsWindowVisible(b);
}

bool AnswerMessageBox(const Screen& box, int buttonId) {
  if (!ClickButton(box.window, buttonId)) return false;
  return WaitUntil([&] { return !IsWindow(box.window) || !IsWindowVisible(box.window); });
}

FileDialogInfo ReadFileDialog(HWND dialog) {
  FileDialogInfo info;
  info.title = TextOf(dialog);
  info.filter = ItemText(dialog, kFileTypeBox);
  HWND field = GetDlgItem(dialog, kFileNameField);
  HWND combo = FindWindowExA(field, nullptr, "ComboBox", nullptr);
  HWND edit = combo ? FindWindowExA(combo, nullptr, "Edit", nullptr) : nullptr;
  info.name = TextOf(edit ? edit : field);
  return info;
}

bool FillFileDialog(HWND dialog, const std::string& path) {
  HWND field = GetDlgItem(dialog, kFileNameField);
  if (!field) return false;
  // Under Wine the name field is a ComboBoxEx32 holding a ComboBox holding an Edit.
  HWND combo = FindWindowExA(field, nullptr, "ComboBox", nullptr);
  HWND edit = combo ? FindWindowExA(combo, nullptr, "Edit", nullptr) : nullptr;
  if (!edit) edit = field;
  const std::string windowsPath = WindowsPath(path);
  if (!Send(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(windowsPath.c_str()))) return false;
  if (!PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                    reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)))) {
    return false;
  }
  return WaitUntil([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); });
}

bool CancelFileDialog(HWND dialog) {
  if (!PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                    reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)))) {
    return false;
  }
  return WaitUntil([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); });
}

// ---- screenshots
// -----------------------------------------------------------------------------------

namespace {

// The window's rectangle as the screen shows it now, as bottom-up 24-bit rows.
bool CaptureRect(const RECT& r, std::vector<char>* bits) {
  const int w = r.right - r.left, h = r.bottom - r.top;
  WindowDc screen(nullptr);
  OwnedMemoryDc memory(CreateCompatibleDC(screen.get()));
  OwnedBitmap bitmap(CreateCompatibleBitmap(screen.get(), w, h));
  BOOL copied = FALSE;
  {
    SelectedObject selected(memory.get(), bitmap.get());
    copied = BitBlt(memory.get(), 0, 0, w, h, screen.get(), r.left, r.top, SRCCOPY | CAPTUREBLT);
  }
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  const size_t stride = (static_cast<size_t>(w) * 3 + 3) & ~static_cast<size_t>(3);
  bits->assign(stride * static_cast<size_t>(h), '\0');
  const int lines = GetDIBits(memory.get(), bitmap.get(), 0, static_cast<UINT>(h), bits->data(),
                              &info, DIB_RGB_COLORS);
  return copied && lines == h;
}

}  // namespace

bool SaveScreenshot(HWND window, const std::string& bmpPath, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  RECT r;
  if (!IsWindow(window) || !GetWindowRect(window, &r)) return fail("no window");
  // The screen's part of the rectangle only.
  r.left = std::max<LONG>(r.left, 0);
  r.top = std::max<LONG>(r.top, 0);
  r.right = std::min<LONG>(r.right, GetSystemMetrics(SM_CXSCREEN));
  r.bottom = std::min<LONG>(r.bottom, GetSystemMetrics(SM_CYSCREEN));
  if (r.right <= r.left || r.bottom <= r.top) return fail("the window is not on the screen");
  RedrawWindow(window, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  // The program paints into its window surface and hands it to the X server when it is idle
  // again: take the picture once two copies, each after a round trip, agree.
  std::vector<char> bits, again;
  bool stable = false;
  for (int attempt = 0; attempt < 20 && !stable; ++attempt) {
    if (!Settle(window) || !CaptureRect(r, &bits)) return fail("cannot copy the screen");
    if (!Settle(window) || !CaptureRect(r, &again)) return fail("cannot copy the screen");
    stable = bits == again;
  }
  if (!stable) return fail("the window did not stop changing");
  const int w = r.right - r.left, h = r.bottom - r.top;
  BITMAPFILEHEADER file = {};
  BITMAPINFOHEADER head = {};
  head.biSize = sizeof head;
  head.biWidth = w;
  head.biHeight = h;
  head.biPlanes = 1;
  head.biBitCount = 24;
  head.biCompression = BI_RGB;
  head.biSizeImage = static_cast<DWORD>(bits.size());
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof file + sizeof head;
  file.bfSize = file.bfOffBits + head.biSizeImage;
  std::ofstream out(WindowsPath(bmpPath), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&head), sizeof head);
  out.write(bits.data(), static_cast<std::streamsize>(bits.size()));
  if (!out) return fail("cannot write " + bmpPath);
  return true;
}

}  // namespace tabrix::e2e
