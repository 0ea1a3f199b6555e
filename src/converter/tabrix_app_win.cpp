// TABRIXAPP: the frame's rules (current dialog, fitting, hiding), the host dialog with the start
// picture, the converter's messages to the frame, focus and closing.
#include "converter/tabrix_app_win.h"

#include "browse/bitmap_win.h"
#include "browse/gdi_handle_win.h"
#include "data/stdlib/o_s.h"
#include "framework/native/bridge_win.h"

namespace tabrix {
namespace {

std::string ClassNameOf(HWND window) {
  char name[256] = {};
  int n = GetClassNameA(window, name, sizeof name);
  return std::string(name, n > 0 ? static_cast<size_t>(n) : 0);
}

}  // namespace

void WINLOOKDLG(HWND frame, HWND dialog) {
  RECT r{};
  GetWindowRect(dialog, &r);
  const int w = r.right - r.left;
  const int h = r.bottom - r.top;
  const int caption = GetSystemMetrics(SM_CYCAPTION);
  MoveWindow(frame, (GetSystemMetrics(SM_CXSCREEN) - w) / 2,
             (GetSystemMetrics(SM_CYSCREEN) - h) / 2 - caption, w, h + caption, TRUE);
  ShowWindow(frame, SW_SHOW);
}

void HIDEWINDOW(HWND window) {
  ShowWindow(window, SW_HIDE);
}

TABRIXAPP::TABRIXAPP(AppContext& context, ConverterJobHost& jobs) : ctx_(context), jobs_(jobs) {}

TABRIXAPP::~TABRIXAPP() {
  if (ctx_.OAPP == this) ctx_.OAPP = nullptr;
}

void TABRIXAPP::DebugTrace(const std::string& text, const std::optional<std::string>& second) {
  if (second) {
    O_S(text, *second);
  } else {
    O_S(text);
  }
}

ZB_APP::InitResult TABRIXAPP::Init(const std::string& caption, const std::string& className) {
  hInst = ctx_.HINST ? ctx_.HINST : getInstance();
  ctx_.OAPP = this;
  InitResult result = ZB_APP::Init(className, caption, "", 0, 0, true, nullptr, false);
  oWnd = this;
  return result;
}

bool TABRIXAPP::RegisterAppClass() {
  return REGISTERCLASS(
      kFrameClassStyle, hInst, LoadIconA(hInst, TABRIX_RESOURCE_NAME(IDI_TABRIX_PROGRAM)),
      LoadCursorA(nullptr, IDC_ARROW),
      reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_APPWORKSPACE + 1)), cClassName.c_str());
}

MsgResult TABRIXAPP::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kOpenJobMessage:
      jobs_.CONVINIT(1);
      return 0;
    case kRestartJobMessage:
      RestartJob();
      return 0;
    case kViewerClosedMessage:
      ViewerClosed();
      return 0;
    case WM_PARENTNOTIFY:
      return OnParentNotify(wParam, lParam);
    case WM_ACTIVATE:
      ForwardActivation(wParam, lParam);
      return {};
    case kFocusNewDialogMessage:
      FocusNewDialog(reinterpret_cast<HWND>(wParam));
      return 0;
    default:
      return {};
  }
}

void TABRIXAPP::RestartJob() {
  DebugTrace("WM_USER+1  hWndMain", std::nullopt);
  jobs_.CLOSEALL();
  if (ctx_.D_HWNDLG != nullptr && IsWindow(ctx_.D_HWNDLG)) DestroyWindow(ctx_.D_HWNDLG);
  jobs_.CONVINIT(1);
}

void TABRIXAPP::ViewerClosed() {
  DebugTrace("WM_USER+2 hWndMain    Datenbank aus", std::nullopt);
  if (ctx_.D_HWNDLG != nullptr)
    SendDlgItemMessageA(ctx_.D_HWNDLG, kViewerBoxId, BM_SETCHECK, BST_UNCHECKED, 0);
}

// A child dialog never receives WM_ACTIVATE itself: the frame is the window that is activated.
// The frame hands its activation on to the current dialog, whose own handling then offers it
// keyboard navigation (and the dialog's default processing restores its focused control).
void TABRIXAPP::ForwardActivation(WPARAM wParam, LPARAM lParam) {
  if (ctx_.D_HWNDLG != nullptr && IsWindow(ctx_.D_HWNDLG))
    SendMessageA(ctx_.D_HWNDLG, WM_ACTIVATE, wParam, lParam);
}

MsgResult TABRIXAPP::OnParentNotify(WPARAM wParam, LPARAM lParam) {
  // The host dialog goes as soon as anything happens to a child of the frame; it is forgotten
  // first, so the notification of its own destruction finds it gone.
  if (hostDialog_ != nullptr) {
    HWND host = hostDialog_;
    hostDialog_ = nullptr;
    if (IsWindow(host)) DestroyWindow(host);
  }
  const UINT event = LOWORD(wParam);
  if (event != WM_CREATE && event != WM_DESTROY) return 0;
  HWND child = reinterpret_cast<HWND>(lParam);
  // Only the frame's own children are its dialogs: a notification passed on from a control
  // inside a dialog (a list or edit the dialog re-creates) changes nothing.
  if (child == nullptr || GetParent(child) != hwnd) return 0;
  if (event == WM_CREATE) {
    ChildCreated(child);
  } else {
    ChildDestroyed(child);
  }
  return 0;
}

void TABRIXAPP::ChildCreated(HWND child) {
  ctx_.D_HWNDLG = child;
  DebugTrace("WM_PARENTNOTIFY hWndMain WM_CREATE", ClassNameOf(child));
  if (GetWindowTextLengthA(child) > 0) WINLOOKDLG(hwnd, child);
  // Created while the frame is active, the dialog is the active one from the start: it is
  // offered the keyboard navigation at once, and the keyboard focus once its controls exist
  // (they are created after this notification).
  if (GetActiveWindow() == hwnd) {
    hglobal = child;
    PostMessageA(hwnd, kFocusNewDialogMessage, reinterpret_cast<WPARAM>(child), 0);
  }
}

void TABRIXAPP::FocusNewDialog(HWND dialog) {
  if (dialog != ctx_.D_HWNDLG || !IsWindow(dialog) || GetActiveWindow() != hwnd) return;
  const HWND focus = GetFocus();
  if (focus != dialog && !IsChild(dialog, focus)) SetFocus(dialog);
}

void TABRIXAPP::ChildDestroyed(HWND child) {
  DebugTrace("WM_PARENTNOTIFY hWndMain WM_DESTROY", std::nullopt);
  if (child != ctx_.D_HWNDLG) return;
  ctx_.D_HWNDLG = nullptr;
  if (hglobal == child) hglobal = nullptr;
  HIDEWINDOW(hwnd);
}

MsgResult TABRIXAPP::OnSetfocus(WPARAM, LPARAM) {
  if (ctx_.D_HWNDLG == nullptr || !IsWindow(ctx_.D_HWNDLG)) return {};
  DebugTrace("WM_SETFOCUS hWndMain", std::nullopt);
  SetFocus(ctx_.D_HWNDLG);
  return 0;
}

bool TABRIXAPP::OnClose() {
  DebugTrace("OnClose", std::nullopt);
  jobs_.CLOSEALL();
  if (ctx_.D_HWNDLG != nullptr && IsWindow(ctx_.D_HWNDLG)) DestroyWindow(ctx_.D_HWNDLG);
  ZB_APP::OnClose();
  return true;
}

HWND TABRIXAPP::CreateHostDialog() {
  HWND dialog = CREATEDIALOG(
      hInst, TABRIX_RESOURCE_NAME(IDD_TABRIX_HOST), hwnd,
      [this](HWND d, UINT m, WPARAM wp, LPARAM lp) { return DIALOGBEVENT(d, m, wp, lp); });
  hostDialog_ = dialog;
  return dialog;
}

MsgResult TABRIXAPP::DIALOGBEVENT(HWND dialog, UINT message, WPARAM, LPARAM) {
  switch (message) {
    case WM_PAINT:
      PaintHostPicture(dialog);
      return 1;
    case WM_DESTROY:
      picture_.reset();
      if (hostDialog_ == dialog) hostDialog_ = nullptr;
      return 0;
    default:
      return 0;
  }
}

void TABRIXAPP::PaintHostPicture(HWND dialog) {
  PaintDc paint(dialog);
  if (paint.get() != nullptr && picture_)
    TRANSBMP(ToGdiHandle(paint.get()), ToGdiHandle(picture_.get()), kPicturePlace.x,
             kPicturePlace.y, kPictureTransparent);
}

}  // namespace tabrix
