// WinConverterUi: beep, message boxes, file choosers, settings, the converter dialog's list rows,
// the frame's close request, and the progress dialog.
#include <algorithm>

#include "converter/list_rows.h"
#include "converter/source_viewer_win.h"
#include "converter/win_converter_ui_win.h"
#include "data/stdlib/stfkt.h"
#include "framework/od_list_win.h"

namespace tabrix {
namespace {

UINT BoxFlags(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::kOkCancel:
      return MB_OKCANCEL;
    case MessageButtons::kYesNo:
      return MB_YESNO;
    case MessageButtons::kOk:
      break;
  }
  return MB_OK;
}

MessageAnswer BoxAnswer(int pressed) {
  switch (pressed) {
    case IDYES:
      return MessageAnswer::kYes;
    case IDNO:
      return MessageAnswer::kNo;
    case IDCANCEL:
      return MessageAnswer::kCancel;
    default:
      return MessageAnswer::kOk;
  }
}

HWND ListOf(WindowHandle dialog, int listId) {
  return GetDlgItem(FromWindowHandle(dialog), listId);
}

}  // namespace

WinConverterUi::Platform WinConverterUi::DefaultPlatform() {
  return Platform{
      .messageBox =
          [](HWND owner, const std::string& text, const std::string& title, UINT flags) {
            return MessageBoxA(owner, text.c_str(), title.c_str(), flags);
          },
      .fileChooser = RunPlatformFileChooser,
  };
}

WinConverterUi::WinConverterUi(AppContext& app, const ConverterJobState& state, Platform platform)
    : app_(app), state_(state), platform_(std::move(platform)) {}

void WinConverterUi::Beep() {
  MessageBeep(MB_OK);
}

MessageAnswer WinConverterUi::ShowMessage(WindowHandle owner, const std::string& textAnsi,
                                          const std::string& titleAnsi, MessageButtons buttons) {
  return BoxAnswer(
      platform_.messageBox(FromWindowHandle(owner), textAnsi, titleAnsi, BoxFlags(buttons)));
}

std::optional<std::string> WinConverterUi::Choose(bool save, const FileChooserRequest& request) {
  PlainFileChooser plain;
  plain.save = save;
  plain.owner = reinterpret_cast<std::uintptr_t>(FromWindowHandle(request.owner));
  plain.initialName = request.initialName;
  plain.title = request.title;
  for (const ChooserFilter& f : request.filters)
    plain.filters.emplace_back(f.description, f.pattern);
  plain.flags = request.flags;
  plain.initialDir = request.initialDir;
  plain.defaultExt = request.defaultExt;
  return platform_.fileChooser(plain);
}

std::optional<std::string> WinConverterUi::ChooseOpenFile(const FileChooserRequest& request) {
  return Choose(false, request);
}

std::optional<std::string> WinConverterUi::ChooseSaveFile(const FileChooserRequest& request) {
  return Choose(true, request);
}

void WinConverterUi::HandlePendingMessages() {
  LOCAL_FRAGE();
}

std::string WinConverterUi::ReadSetting(const std::string& file, const std::string& section,
                                        const std::string& key, const std::string& def) {
  return GETPVPROFSTRING(section, key, def, file);
}

void WinConverterUi::WriteSetting(const std::string& file, const std::string& section,
                                  const std::string& key, const std::string& value) {
  WRITEPVPROFSTRING(section, key, value, file);
}

void WinConverterUi::ListReplaceRow(WindowHandle dialog, int listId, int row,
                                    const std::string& text, bool select) {
  HWND list = ListOf(dialog, listId);
  SendMessageA(list, LB_DELETESTRING, static_cast<WPARAM>(row), 0);
  SendMessageA(list, LB_INSERTSTRING, static_cast<WPARAM>(row),
               reinterpret_cast<LPARAM>(text.c_str()));
  if (select) SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
  if (listId == kTargetListId) RefitTargetExtent(dialog);
}

void WinConverterUi::ListDeleteRow(WindowHandle dialog, int listId, int row) {
  SendMessageA(ListOf(dialog, listId), LB_DELETESTRING, static_cast<WPARAM>(row), 0);
}

void WinConverterUi::ListAddRow(WindowHandle dialog, int listId, const std::string& text) {
  SendMessageA(ListOf(dialog, listId), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void WinConverterUi::ListDeleteAllRows(WindowHandle dialog, int listId) {
  SendMessageA(ListOf(dialog, listId), LB_RESETCONTENT, 0, 0);
}

void WinConverterUi::ListSelectRow(WindowHandle dialog, int listId, int row) {
  SendMessageA(ListOf(dialog, listId), LB_SETCURSEL, static_cast<WPARAM>(row), 0);
}

// NTZBEMLBHOR: the target list scrolls sideways as far as the wider of the notes and remark rows
// reaches, with ten blanks to spare, measured with the list's font in its display context.
// NTZBEMLBHOR: room for the notes and remark rows and ten blanks more. Measured where the list
// draws them (their second field starts at the second column), and every other row is given the
// same room: an assigned slot's field name and "aus Ortsnamen" run past the columns too, and
// the user must be able to scroll each row into view.
void WinConverterUi::RefitTargetExtent(WindowHandle dialog) {
  HWND list = ListOf(dialog, kTargetListId);
  if (list == nullptr) return;
  const std::string spare(10, ' ');
  int width = std::max(TextWidthIn(list, STRINGNTZ(state_) + spare),
                       TextWidthIn(list, STRINGBEM(state_) + spare));
  if (const ZB_OD_LIST* drawn = ZB_OD_LIST::Find(FromWindowHandle(dialog), kTargetListId)) {
    const int spareWidth = TextWidthIn(list, spare);
    const LRESULT rows = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT row = 0; row < rows; ++row) {
      const LRESULT length = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(row), 0);
      if (length <= 0) continue;
      std::string text(static_cast<size_t>(length) + 1, '\0');
      SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(row),
                   reinterpret_cast<LPARAM>(text.data()));
      text.resize(static_cast<size_t>(length));
      width = std::max(width, drawn->TextEnd(text) + spareWidth);
    }
  }
  SendMessageA(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(width), 0);
}

void WinConverterUi::SetCheckBox(WindowHandle dialog, int id, bool checked) {
  SendDlgItemMessageA(FromWindowHandle(dialog), id, BM_SETCHECK,
                      checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void WinConverterUi::CloseSourceViewer() {
  CLOSEDATA();
}

void WinConverterUi::PostFrameClose() {
  PostMessageA(app_.HWNDMAIN, WM_CLOSE, 0, 0);
}

void WinConverterUi::DestroyDialog(WindowHandle dialog) {
  HWND window = FromWindowHandle(dialog);
  if (IsWindow(window)) DestroyWindow(window);
}

// SHOWDIALOG3: the frame goes off-screen to the top of the window order, then the new progress
// dialog (no callback; both texts empty) becomes its current dialog and the frame fits it.
void WinConverterUi::ShowProgress() {
  if (!IsWindow(app_.HWNDMAIN)) return;  // the program is closing
  SetWindowPos(app_.HWNDMAIN, HWND_TOP, -100, -100, 0, 0, 0);
  progress_ = CreateDialogParamA(app_.HINST, kProgressDialog, app_.HWNDMAIN, nullptr, 0);
}

void WinConverterUi::CloseProgress() {
  HWND progress = std::exchange(progress_, nullptr);
  if (progress != nullptr && IsWindow(progress)) DestroyWindow(progress);
}

bool WinConverterUi::ProgressShown() {
  if (progress_ != nullptr && !IsWindow(progress_)) progress_ = nullptr;  // went with the frame
  return progress_ != nullptr;
}

void WinConverterUi::SetProgressTexts(const std::string& nameAnsi, const std::string& counterAnsi) {
  if (!ProgressShown()) return;
  SetDlgItemTextA(progress_, kProgressNameId, nameAnsi.c_str());
  SetDlgItemTextA(progress_, kProgressCounterId, counterAnsi.c_str());
}

}  // namespace tabrix
