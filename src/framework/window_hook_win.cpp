#include "framework/window_hook_win.h"

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

#include "framework/native/bridge_win.h"

namespace tabrix {
namespace {

// One hook in a window's subclass chain. The chain keeps its entries until the window goes
// away, so removing a hook early switches it off: it then hands every message on.
struct Hook {
  std::vector<UINT> filter;
  MessageHook handler;
  size_t below = 0;  // the chain entry under this hook, where messages are handed on
  bool active = true;
};

// Hooks still installed, by id. Ids are never reused, so a stale id stays harmless.
std::map<std::uintptr_t, std::shared_ptr<Hook>>& LiveHooks() {
  static std::map<std::uintptr_t, std::shared_ptr<Hook>> hooks;
  return hooks;
}

std::uintptr_t NextId() {
  static std::uintptr_t last = 0;
  return ++last;
}

bool Holds(const std::vector<UINT>& filter, UINT message) {
  return std::find(filter.begin(), filter.end(), message) != filter.end();
}

LRESULT Run(std::uintptr_t id, const std::shared_ptr<Hook>& hook, HWND window, UINT message,
            WPARAM wParam, LPARAM lParam) {
  std::optional<LRESULT> result;
  if (hook->active && Holds(hook->filter, message)) {
    try {
      result = hook->handler(window, message, wParam, lParam);
    } catch (...) {
      result.reset();
    }
  }
  if (message == WM_NCDESTROY) {
    hook->active = false;
    LiveHooks().erase(id);
  }
  return result ? *result : CALLWINDOWPROC(hook->below, window, message, wParam, lParam);
}

}  // namespace

std::uintptr_t HookWindowMessages(HWND window, std::vector<UINT> filter, MessageHook hook) {
  if (!IsWindow(window) || !hook) return 0;
  auto record = std::make_shared<Hook>(Hook{std::move(filter), std::move(hook)});
  std::uintptr_t id = NextId();
  // The chain is always offered WM_NCDESTROY so that the hook is released with its window.
  std::vector<int64_t> offered(record->filter.begin(), record->filter.end());
  offered.push_back(WM_NCDESTROY);
  record->below = SUBCLASSWINDOW(
      window,
      [id, record](HWND w, UINT message, WPARAM wParam, LPARAM lParam) -> MsgResult {
        return static_cast<long long>(Run(id, record, w, message, wParam, lParam));
      },
      MessageFilter::Only(std::move(offered)));
  LiveHooks()[id] = record;
  return id;
}

void UnhookWindowMessages(HWND, std::uintptr_t id) {
  auto it = LiveHooks().find(id);
  if (it == LiveHooks().end()) return;
  it->second->active = false;
  LiveHooks().erase(it);
}

}  // namespace tabrix
