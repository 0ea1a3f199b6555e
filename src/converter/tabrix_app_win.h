#pragma once
// The converter program's application context and its application object TABRIXAPP: the frame
// "Tabrix" that always wraps the one current child dialog.
//
// The frame is not a work surface. Whenever a child dialog of the frame is created it becomes
// the current dialog (D_HWNDLG) and, when it has a window text, the frame fits itself around it
// and centres itself on the screen (WINLOOKDLG); when the current dialog is destroyed the frame
// hides. At start the frame wraps the host dialog "DIALOG_6", which only paints the start
// picture; the first working dialog to appear destroys it.
//
// Messages the converter posts to the frame:
//   WM_USER     open a converter job (CONVINIT with restart offset 1)
//   WM_USER+1   the converter dialog chose another source table: CLOSEALL, destroy the
//               current dialog, CONVINIT again
//   WM_USER+2   the source data viewer closed: untick check box 116 of the current dialog

#include <windows.h>

#include <optional>
#include <string>

#include "converter/resource_ids.h"
#include "converter/startup_win.h"
#include "converter/win_handles_win.h"
#include "framework/zb_app_win.h"

namespace tabrix {

inline constexpr UINT kOpenJobMessage = WM_USER;
inline constexpr UINT kRestartJobMessage = WM_USER + 1;
inline constexpr UINT kViewerClosedMessage = WM_USER + 2;
inline constexpr int kViewerBoxId = IDC_CONV_VIEWER_BOX;
// The frame's own: gives the keyboard focus to the dialog (wParam) that became current while the
// frame was active, once the dialog's controls exist.
inline constexpr UINT kFocusNewDialogMessage = WM_APP + 1;
// The frame's class style and window style.
inline constexpr UINT kFrameClassStyle =
    CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_SAVEBITS;                        // 2059
inline constexpr LONG kFrameStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;  // 13238272
// Where the host dialog paints the start picture, and the colour drawn transparent.
inline constexpr POINT kPicturePlace{100, 10};
inline constexpr COLORREF kPictureTransparent = 255;

// The values every part of the converter reads; created once at start and kept for the run.
struct AppContext {
  std::string CAPPNAME;   // "Velarto Converter": frame caption, title of every message box
  std::string CSTARTDIR;  // the program's folder, upper case, ending in a backslash
  std::string INIDATEI;   // the user settings file
  HINSTANCE HINST = nullptr;
  class TABRIXAPP* OAPP = nullptr;
  HWND HWNDMAIN = nullptr;  // the frame
  HWND HDIALOGX = nullptr;  // the host dialog created at start (gone once a job shows)
  HWND D_HWNDLG = nullptr;  // the current dialog wrapped by the frame, or none
};

// What the frame asks of the converter jobs (converter_dialog_win.h implements it).
class ConverterJobHost {
 public:
  virtual ~ConverterJobHost() = default;
  // CONVINIT(none, restart offset): opens a converter job and shows its dialog; nothing when
  // the job did not open (the frame's close has been posted then).
  virtual void CONVINIT(int restartOffset) = 0;
  // Ends the current converter job once (offers to save, releases the tables).
  virtual void CLOSEALL() = 0;
};

// Fits the frame around `dialog` (its outer size plus one caption height), centres it on the
// screen and shows it.
void WINLOOKDLG(HWND frame, HWND dialog);
// Hides a window.
void HIDEWINDOW(HWND window);

class TABRIXAPP : public ZB_APP {
 public:
  TABRIXAPP(AppContext& context, ConverterJobHost& jobs);
  ~TABRIXAPP() override;

  // Registers the class "Tabrix", creates the (hidden) frame and publishes the object in the
  // context (OAPP; HWNDMAIN stays for the program to set). Hides ZB_APP's Init, which it calls
  // with (class name, caption) and the framework's defaults.
  InitResult Init(const std::string& caption, const std::string& className);
  // Registers the frame's class (the framework's _RegisterClass) with the program icon.
  bool RegisterAppClass() override;
  MsgResult HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  bool OnClose() override;
  // Keyboard focus reaching the frame goes on to the current dialog.
  MsgResult OnSetfocus(WPARAM wParam, LPARAM lParam) override;

  // The start picture, loaded by the program (may be empty: nothing is painted).
  void SetHostPicture(OwnedBitmap picture) { picture_ = std::move(picture); }
  // Creates the host dialog "DIALOG_6" as a child of the frame with DIALOGBEVENT; its creation
  // makes it the current dialog. Returns it (nullptr when it could not be created).
  HWND CreateHostDialog();
  HWND HostDialog() const { return hostDialog_; }
  bool HasHostPicture() const { return static_cast<bool>(picture_); }
  // The host dialog's callback.
  MsgResult DIALOGBEVENT(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

  HINSTANCE hInst = nullptr;
  TABRIXAPP* oWnd = nullptr;

 protected:
  // Debug traces (O_S); tests listen here.
  virtual void DebugTrace(const std::string& text, const std::optional<std::string>& second);

 private:
  MsgResult OnParentNotify(WPARAM wParam, LPARAM lParam);
  void ChildCreated(HWND child);
  void ChildDestroyed(HWND child);
  void RestartJob();
  void ViewerClosed();
  void ForwardActivation(WPARAM wParam, LPARAM lParam);
  void FocusNewDialog(HWND dialog);
  void PaintHostPicture(HWND dialog);

  AppContext& ctx_;
  ConverterJobHost& jobs_;
  HWND hostDialog_ = nullptr;
  OwnedBitmap picture_;
};

}  // namespace tabrix
