#pragma once
// Handle numbers (browse/gdi_win.h) to and from the platform's handle types. A 32-bit handle number
// is sign-extended, as the platform does for handles passed between 32- and 64-bit code.

#include <windows.h>

#include <cstdint>

#include "browse/gdi_win.h"

namespace tabrix {

template <typename H>
inline H FromGdiHandle(GdiHandle number) {
  return reinterpret_cast<H>(static_cast<std::intptr_t>(static_cast<std::int32_t>(number)));
}

template <typename H>
inline GdiHandle ToGdiHandle(H handle) {
  return static_cast<GdiHandle>(reinterpret_cast<std::uintptr_t>(handle));
}

}  // namespace tabrix
