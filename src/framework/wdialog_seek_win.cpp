// Type-ahead of ZB_WDIALOG in list and combo boxes (rules in wdialog_rules.h).

#include <windows.h>

#include <cmath>
#include <string>

#include "framework/wdialog_win.h"
#include "framework/window_hook_win.h"

namespace tabrix {

namespace {

constexpr UINT_PTR kSeekTimerId = 1;
// The time of the module's last type-ahead character; none yet while unset.
std::optional<DWORD> gLastSeekChar;

std::string ClassName(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

}  // namespace

int ZB_WDIALOG::ListSeek(int id, std::optional<double> wait) {
  HWND control = hwnd ? GetDlgItem(hwnd, id) : nullptr;
  if (!control) {
    ShowBox("Listseek-Element " + std::to_string(id) + " not found!", "Error", MB_ICONHAND);
    return 0;
  }
  const std::string kind = ClassName(control);
  if (lstrcmpiA(kind.c_str(), "ComboBox") != 0 && lstrcmpiA(kind.c_str(), "ListBox") != 0) {
    ShowBox("Seek-Element " + std::to_string(id) + " must be Combobox or Listbox! (" + kind + ")",
            "Error", MB_ICONHAND);
    return 0;
  }
  auto block = std::make_unique<SeekBlock>();
  block->control = control;
  block->id = id;
  block->waitMs = static_cast<int>(std::lround(wait.value_or(3 * GETSEEKWAITTIME()) * 1000));
  SeekBlock* entry = block.get();
  block->hook = HookWindowMessages(control, {WM_CHAR, WM_KEYDOWN, WM_TIMER, WM_DESTROY},
                                   [this, entry](HWND, UINT message, WPARAM wParam, LPARAM) {
                                     return SeekListMessage(*entry, message, wParam);
                                   });
  if (block->hook == 0) return 0;
  aSeekBlocks_.push_back(std::move(block));
  return 1;
}

void ZB_WDIALOG::DropSeekBlocks() {
  for (const auto& block : aSeekBlocks_) {
    HWND hooked = block->edit ? block->edit : block->control;
    if (!IsWindow(hooked)) continue;
    if (block->state.timerRunning) KillTimer(hooked, kSeekTimerId);
    UnhookWindowMessages(hooked, block->hook);
  }
  aSeekBlocks_.clear();
}

std::string ZB_WDIALOG::SeekText(int id) const {
  for (const auto& block : aSeekBlocks_)
    if (block->id == id) return block->state.typed;
  return "";
}

int ZB_WDIALOG::SeekControl(int id, SeekCallback callback, std::optional<double> wait) {
  HWND control = hwnd ? GetDlgItem(hwnd, id) : nullptr;
  if (!control) return 0;
  const std::string kind = ClassName(control);
  HWND edit = control;
  if (lstrcmpiA(kind.c_str(), "ComboBox") == 0) {
    edit = FindWindowExA(control, nullptr, "Edit", nullptr);
    if (!edit) {
      ShowBox("Seek-Combobox " + std::to_string(id) + " has not an Edit-Child!", "Error",
              MB_ICONHAND);
      return 0;
    }
  } else if (lstrcmpiA(kind.c_str(), "Edit") != 0) {
    ShowBox("Seek-Element " + std::to_string(id) + " is not an Editelement! (" + kind + ")",
            "Error", MB_ICONHAND);
    return 0;
  }
  if (!callback) {
    ShowBox("Seek-Block for Id" + std::to_string(id) + " missing!", "Error", MB_ICONHAND);
    return 0;
  }
  auto block = std::make_unique<SeekBlock>();
  block->control = control;
  block->edit = edit;
  block->id = id;
  block->callback = std::move(callback);
  block->waitMs = static_cast<int>(std::lround(wait.value_or(GETSEEKWAITTIME()) * 1000));
  SeekBlock* entry = block.get();
  block->hook = HookWindowMessages(edit, {WM_KEYDOWN, WM_TIMER, WM_DESTROY, WMU_SEEKNOW},
                                   [this, entry](HWND, UINT message, WPARAM wParam, LPARAM) {
                                     return SeekEditMessage(*entry, message, wParam);
                                   });
  if (block->hook == 0) return 0;
  aSeekBlocks_.push_back(std::move(block));
  return 1;
}

void ZB_WDIALOG::CallSeek(const std::vector<int>& ids) {
  for (int id : ids)
    for (const auto& block : aSeekBlocks_)
      if (block->id == id && block->callback) RunSeekCallback(*block, 0);
}

void ZB_WDIALOG::ValidateSeek(const std::vector<int>& ids) {
  for (int id : ids)
    for (const auto& block : aSeekBlocks_)
      if (block->id == id && block->callback) RunSeekCallback(*block, -1);
}

void ZB_WDIALOG::RunSeekCallback(SeekBlock& block, int key) {
  const int length = GetWindowTextLengthA(block.edit);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  text.resize(static_cast<size_t>(GetWindowTextA(block.edit, text.data(), length + 1)));
  HCURSOR previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  block.callback(text, block.id, key);
  SetCursor(previous);
}

std::optional<LRESULT> ZB_WDIALOG::SeekEditMessage(SeekBlock& block, UINT message, WPARAM wParam) {
  HWND edit = block.edit;
  switch (message) {
    case WM_DESTROY:
      if (block.state.timerRunning) KillTimer(edit, kSeekTimerId);
      block.state = {};
      return std::nullopt;
    case WM_TIMER:
      if (wParam != kSeekTimerId) return std::nullopt;
      if (wdialog::ListSeekTick(block.state, block.waitMs)) {
        KillTimer(edit, kSeekTimerId);
        RunSeekCallback(block, block.lastKey);
      }
      return 0;
    case WMU_SEEKNOW:
      if (!lSeek_) return std::nullopt;
      RunSeekCallback(block, 0);
      return 0;
    case WM_KEYDOWN: {
      if (!lSeek_) return std::nullopt;
      const int length = GetWindowTextLengthA(edit);
      std::string text(static_cast<size_t>(length) + 1, '\0');
      text.resize(static_cast<size_t>(GetWindowTextA(edit, text.data(), length + 1)));
      const bool writable = (GetWindowLongA(edit, GWL_STYLE) & ES_READONLY) == 0;
      switch (wdialog::ClassifyEditSeekKey(static_cast<unsigned>(wParam), text, writable)) {
        case wdialog::EditSeekKey::kSwallow:
          return 0;
        case wdialog::EditSeekKey::kStartWait:
          block.lastKey = static_cast<int>(wParam);
          block.state.elapsedMs = 0;
          if (!block.state.timerRunning)
            SetTimer(edit, kSeekTimerId, wdialog::kSeekTickMs, nullptr);
          block.state.timerRunning = true;
          return std::nullopt;
        case wdialog::EditSeekKey::kForward:
          return std::nullopt;
      }
      return std::nullopt;
    }
    default:
      return std::nullopt;
  }
}

std::optional<LRESULT> ZB_WDIALOG::SeekListMessage(SeekBlock& block, UINT message, WPARAM wParam) {
  HWND control = block.control;
  switch (message) {
    case WM_DESTROY:
      if (block.state.timerRunning) KillTimer(control, kSeekTimerId);
      block.state = {};
      return std::nullopt;
    case WM_TIMER:
      if (wParam != kSeekTimerId) return std::nullopt;
      if (wdialog::ListSeekTick(block.state, block.waitMs)) KillTimer(control, kSeekTimerId);
      return 0;
    case WM_KEYDOWN:
      if (!lSeek_ || !wdialog::IsSeekSwallowedKey(static_cast<unsigned>(wParam)))
        return std::nullopt;
      return 0;
    case WM_CHAR: {
      if (!lSeek_) return std::nullopt;
      const DWORD now = GetTickCount();
      const int64_t since = gLastSeekChar ? int64_t(DWORD(now - *gLastSeekChar)) : -1;
      gLastSeekChar = now;
      wdialog::ListSeekStep step =
          wdialog::ListSeekChar(block.state, static_cast<char>(wParam), since);
      if (step.startTimer) SetTimer(control, kSeekTimerId, wdialog::kSeekTickMs, nullptr);
      const bool combo = lstrcmpiA(ClassName(control).c_str(), "ComboBox") == 0;
      // A list box has its own message for the same search.
      const UINT select = combo ? CB_SELECTSTRING : LB_SELECTSTRING;
      const UINT current = combo ? CB_GETCURSEL : LB_GETCURSEL;
      const WPARAM from =
          step.fromSelection ? static_cast<WPARAM>(SendMessageA(control, current, 0, 0)) : -1;
      SendMessageA(control, select, from, reinterpret_cast<LPARAM>(step.text.c_str()));
      SendMessageA(GetParent(control), WM_COMMAND, MAKEWPARAM(block.id, 1),
                   reinterpret_cast<LPARAM>(control));
      return 0;
    }
    default:
      return std::nullopt;
  }
}

}  // namespace tabrix
