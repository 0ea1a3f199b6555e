#pragma once
// Hooking the messages of an existing window (dialog windows, list boxes) for framework objects.
//
// This is the one place where the framework's application-level classes hook windows. A hook is
// an entry in the window bridge's subclass chain (SUBCLASSWINDOW) offered only the messages of
// its filter; whatever it does not take goes on down the chain. The bridge keeps its message
// stack in the window's user-data slot, so only windows that leave that slot free can be hooked.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace tabrix {

// Sees the messages of the filter first. A result takes the message over and becomes the window
// procedure's result; nullopt hands it on to the window's previous handling (after whatever the
// hook did). Exceptions from the hook never reach the platform: the message is handed on.
using MessageHook = std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)>;

// Hooks `hook` into `window` for the messages of `filter`. Answers an id for UnhookWindowMessages,
// 0 when the window could not be hooked. The hook is released when the window is destroyed
// (WM_NCDESTROY, after the hook saw it when the filter holds it) or by UnhookWindowMessages.
std::uintptr_t HookWindowMessages(HWND window, std::vector<UINT> filter, MessageHook hook);

// Removes a hook before its window is destroyed. Nothing happens for an unknown id.
void UnhookWindowMessages(HWND window, std::uintptr_t id);

}  // namespace tabrix
