// Demo program of the owner-drawn multi-column list: a plain main window wrapping a dialog with
// two three-column lists filled with sample fields (one row coloured, one selected). The test
// command takes a screenshot of it as a build artifact (scripts/od_list_screenshot.sh).
//
//   od_list_demo.exe                      shows the window; signals the event
//                                         "TabrixOdListDemoReady" once everything is painted,
//                                         ends on close or when "TabrixOdListDemoQuit" is set
//   od_list_demo.exe --wait-ready [ms]    waits for the ready event (default 60000 ms);
//                                         exit code 0 when it came, 1 on timeout
//   od_list_demo.exe --quit               sets the quit event
//
// The main window is a plain frame for now; the application object's main window replaces it.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "framework/dialog_template_win.h"
#include "framework/od_list_win.h"

namespace {

using tabrix::testing_support::DialogTemplate;

constexpr char kReadyEvent[] = "TabrixOdListDemoReady";
constexpr char kQuitEvent[] = "TabrixOdListDemoQuit";
constexpr char kFrameClass[] = "TabrixOdListDemoFrame";
constexpr int kSourceList = 101;
constexpr int kTargetList = 102;

const std::vector<std::string> kSourceRows = {
    "KUNDNR\tN\t8",     "NAME1\tC\t40",  "NAME2\tC\t40",     "STRASSE\tC\t35",
    "PLZ\tC\t5",        "ORT\tC\t30",    "LAND\tC\t20",      "TELEFON\tC\t20",
    "GEBURTSTAG\tD\t8", "UMSATZ\tN\t12", "BEMERKUNG\tM\t10", "GELÖSCHT\tL\t1",
};
const std::vector<std::string> kTargetRows = {
    "Kundennummer\tN\t8",  "Name\tC\t40",      "Vorname\tC\t30",    "Straße\tC\t40",
    "Postleitzahl\tC\t10", "Ort\tC\t40",       "Land\tC\t3\t!C255", "Telefon\tC\t25",
    "Geburtsdatum\tD\t8",  "Bemerkung\tC\t60", "Notizen\tM\t10",
};

void Fill(HWND list, const std::vector<std::string>& rows) {
  for (const std::string& row : rows)
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.c_str()));
}

INT_PTR CALLBACK DemoDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      for (int id : {kSourceList, kTargetList}) {
        tabrix::ZB_OD_LIST* list = tabrix::ZB_OD_LIST::Init(dialog, id, {70, 15, 15});
        Fill(list->hwndListe, id == kSourceList ? kSourceRows : kTargetRows);
      }
      SendDlgItemMessageA(dialog, kSourceList, LB_SETCURSEL, 3, 0);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL) PostMessageA(GetParent(dialog), WM_CLOSE, 0, 0);
      return TRUE;
    default:
      return FALSE;
  }
}

HWND CreateDemoDialog(HWND frame) {
  DialogTemplate dialogTemplate(WS_CHILD | WS_VISIBLE, 0, 0, 322, 166, L"");
  dialogTemplate.Add(tabrix::testing_support::kStaticClass, 0xFFFF, SS_LEFT, 7, 6, 150, 9,
                     L"Eingangs Felder");
  dialogTemplate.Add(tabrix::testing_support::kStaticClass, 0xFFFF, SS_LEFT, 165, 6, 150, 9,
                     L"Velarto Felder");
  const DWORD listStyle =
      WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOINTEGRALHEIGHT | LBS_DISABLENOSCROLL;
  dialogTemplate.Add(tabrix::testing_support::kListBoxClass, kSourceList, listStyle, 7, 17, 150,
                     122);
  dialogTemplate.Add(tabrix::testing_support::kListBoxClass, kTargetList, listStyle, 165, 17, 150,
                     122);
  dialogTemplate.Add(tabrix::testing_support::kButtonClass, IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP,
                     255, 145, 60, 14, L"Schließen");
  return CreateDialogIndirectParamW(GetModuleHandleW(nullptr), dialogTemplate.get(), frame,
                                    DemoDialogProc, 0);
}

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

int WaitReady(DWORD milliseconds) {
  HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, kReadyEvent);
  DWORD result = ready ? WaitForSingleObject(ready, milliseconds) : WAIT_FAILED;
  if (ready) CloseHandle(ready);
  return result == WAIT_OBJECT_0 ? 0 : 1;
}

int Quit() {
  HANDLE quit = CreateEventA(nullptr, TRUE, FALSE, kQuitEvent);
  if (!quit) return 1;
  SetEvent(quit);
  CloseHandle(quit);
  return 0;
}

int ShowDemo(HINSTANCE instance) {
  HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, kReadyEvent);
  HANDLE quit = CreateEventA(nullptr, TRUE, FALSE, kQuitEvent);
  if (!ready || !quit) return 1;

  WNDCLASSA frameClass{};
  frameClass.lpfnWndProc = FrameProc;
  frameClass.hInstance = instance;
  frameClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  frameClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  frameClass.lpszClassName = kFrameClass;
  RegisterClassA(&frameClass);
  const DWORD frameStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  HWND frame = CreateWindowExA(0, kFrameClass, "Tabrix – Listen-Test", frameStyle, 40, 40, 400, 300,
                               nullptr, nullptr, instance, nullptr);
  HWND dialog = CreateDemoDialog(frame);
  if (!frame || !dialog) return 1;
  // The frame wraps its dialog.
  RECT dialogRect;
  GetWindowRect(dialog, &dialogRect);
  RECT frameRect{0, 0, dialogRect.right - dialogRect.left, dialogRect.bottom - dialogRect.top};
  AdjustWindowRectEx(&frameRect, frameStyle, FALSE, 0);
  SetWindowPos(frame, nullptr, 0, 0, frameRect.right - frameRect.left,
               frameRect.bottom - frameRect.top, SWP_NOMOVE | SWP_NOZORDER);
  ShowWindow(frame, SW_SHOW);
  UpdateWindow(frame);
  UpdateWindow(dialog);

  bool signalled = false;
  MSG message;
  for (;;) {
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) return static_cast<int>(message.wParam);
      if (!IsDialogMessageA(dialog, &message)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
      }
    }
    // Nothing left to paint (the empty rows are drawn by posted messages, handled above).
    DWORD woken = MsgWaitForMultipleObjects(1, &quit, FALSE, signalled ? INFINITE : 0, QS_ALLINPUT);
    if (woken == WAIT_OBJECT_0) {
      DestroyWindow(frame);
    } else if (woken == WAIT_TIMEOUT && !signalled) {
      GdiFlush();
      SetEvent(ready);
      signalled = true;
    }
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  std::string arguments = commandLine ? commandLine : "";
  if (arguments.rfind("--wait-ready", 0) == 0) {
    DWORD milliseconds = 60000;
    if (arguments.size() > 13) milliseconds = std::strtoul(arguments.c_str() + 13, nullptr, 10);
    return WaitReady(milliseconds);
  }
  if (arguments.rfind("--quit", 0) == 0) return Quit();
  return ShowDemo(instance);
}
