// tabrix.exe: the converter program. RDDINIT refuses a second copy and fixes the table back-end;
// MAIN builds the application context and the frame, shows the host dialog, posts the opening of
// the first converter job and runs the message loop until the frame is closed.
#include <windows.h>

#include "converter/converter_dialog_win.h"
#include "converter/program_wiring_win.h"
#include "converter/startup_win.h"
#include "converter/tabrix_app_win.h"
#include "converter/win_converter_ui_win.h"
#include "data/table/table_area.h"
#include "framework/app_settings.h"
#include "framework/hotkeys.h"

namespace tabrix {
namespace {

bool FileExists(const std::string& name) {
  const DWORD a = GetFileAttributesA(name.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

int MAIN(HINSTANCE instance) {
  // 1. The application context.
  AppContext app;
  app.CAPPNAME = kAppName;
  app.INIDATEI = UserSettingsFile();
  // 2. For the whole run: deleted records are invisible. (Dates are written dd.mm.yyyy and
  // tables open shared wherever the converter writes or opens them.)
  SetDeletedVisible(false);
  // 3., 4.
  app.CSTARTDIR = StartDirOf(ProgramFilePath());
  DLGSETINIFILENAME(app.INIDATEI);
  // 5.
  app.HINST = instance;
  OwnedBitmap picture(LoadBitmapA(instance, TABRIX_RESOURCE_NAME(IDB_TABRIX_START_PICTURE)));

  // 6. The application object and its frame, with the converter behind it.
  ConverterJobState state;
  WinConverterUi ui(app, state);
  ConverterContext ctx{.ui = ui, .appName = app.CAPPNAME, .settingsFile = app.INIDATEI};
  ctx.startDir = app.CSTARTDIR;
  ConverterSession session(app, ctx, state);
  TABRIXAPP oapp(app, session);
  if (oapp.Init(app.CAPPNAME, kFrameClassName) != ZB_APP::InitResult::kReady ||
      oapp.hwnd == nullptr) {
    return 0;
  }
  app.HWNDMAIN = oapp.hwnd;
  // The host dialog, which the choosers name as owner, goes once the converter dialog shows:
  // the frame owns them instead.
  ctx.frame = ctx.chooserOwner = ToWindowHandle(app.HWNDMAIN);
  SyncNetTableConfig(oapp);

  // 7. Hotkeys: F1 help, Ctrl+F6 / Ctrl+Tab next dialog, Ctrl+F4 close.
  ZB_HOTKEYS hotkeys(oapp.HotkeyWindows());
  hotkeys.INIT();
  oapp.oHotKeys = &hotkeys;

  // 8., 9. A caption with close and minimise boxes, parked below the screen until a dialog
  // appears.
  SetWindowLongA(app.HWNDMAIN, GWL_STYLE, kFrameStyle);
  MoveWindow(app.HWNDMAIN, 0, GetSystemMetrics(SM_CYSCREEN) + 10, 0, 0, FALSE);
  ShowWindow(app.HWNDMAIN, SW_SHOW);

  // 10. The host dialog with the start picture.
  oapp.SetHostPicture(std::move(picture));
  app.HDIALOGX = oapp.CreateHostDialog();

  // 11. Help only when the program's help file is there.
  const std::string help = app.CSTARTDIR + "Tabrix.hlp";
  oapp.cHelpFile = FileExists(help) ? help : "";

  // 12., 13.
  PostMessageA(app.HWNDMAIN, kOpenJobMessage, 0, 0);
  const WPARAM code = oapp.Exec();
  hotkeys.Axit();
  oapp.oHotKeys = nullptr;
  return static_cast<int>(code);
}

}  // namespace
}  // namespace tabrix

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // The default error handler and the program's pumps and table wiring, for the whole run.
  tabrix::ProgramWiring wiring;
  if (!tabrix::RDDINIT()) return 0;
  return tabrix::MAIN(instance);
}
