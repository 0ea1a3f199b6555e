#include "browse/dc_win.h"

#include "browse/gdi_handle_win.h"

namespace tabrix {

GdiHandle CRCOMPDC(GdiHandle dc) {
  return ToGdiHandle(CreateCompatibleDC(FromGdiHandle<HDC>(dc)));
}

bool DELETEDC(GdiHandle dc) {
  return DeleteDC(FromGdiHandle<HDC>(dc)) != FALSE;
}

int RELEASEDC(GdiHandle window, GdiHandle dc) {
  return ReleaseDC(FromGdiHandle<HWND>(window), FromGdiHandle<HDC>(dc));
}

int GETDEVICECAPS(GdiHandle dc, int index) {
  return GetDeviceCaps(FromGdiHandle<HDC>(dc), index);
}

}  // namespace tabrix
