#include "framework/window_hook_win.h"

#include <commctrl.h>

#include <algorithm>
#include <set>
#include <vector>

namespace tabrix {
namespace {

struct Hook {
  std::vector<UINT> filter;
  MessageHook handler;
};

// Hooks still installed (GetWindowSubclass is not importable by name from every comctl32).
std::set<std::uintptr_t>& LiveHooks() {
  static std::set<std::uintptr_t> hooks;
  return hooks;
}

LRESULT CALLBACK HookProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                          DWORD_PTR data) {
  auto* hook = reinterpret_cast<Hook*>(data);
  std::optional<LRESULT> result;
  if (std::find(hook->filter.begin(), hook->filter.end(), message) != hook->filter.end()) {
    try {
      result = hook->handler(window, message, wParam, lParam);
    } catch (...) {
      result.reset();
    }
  }
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(window, HookProc, id);
    LiveHooks().erase(id);
    delete hook;
  }
  return result ? *result : DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace

std::uintptr_t HookWindowMessages(HWND window, std::vector<UINT> filter, MessageHook hook) {
  if (!IsWindow(window) || !hook) return 0;
  auto* record = new Hook{std::move(filter), std::move(hook)};
  auto id = reinterpret_cast<std::uintptr_t>(record);
  if (!SetWindowSubclass(window, HookProc, id, reinterpret_cast<DWORD_PTR>(record))) {
    delete record;
    return 0;
  }
  LiveHooks().insert(id);
  return id;
}

void UnhookWindowMessages(HWND window, std::uintptr_t id) {
  if (!LiveHooks().erase(id)) return;
  RemoveWindowSubclass(window, HookProc, id);
  delete reinterpret_cast<Hook*>(id);
}

}  // namespace tabrix
