// The converter dialog: CONVINIT, DIALOG1EVENT and CLOSEALL on the window side.
#include "converter/converter_dialog_win.h"

#include <string>

#include "converter/assignment_file.h"
#include "converter/assignment_ops.h"
#include "converter/source_viewer_win.h"
#include "converter/win_converter_ui_win.h"
#include "framework/native/bridge_win.h"
#include "framework/od_list_win.h"

namespace tabrix {
namespace {

// The list box of list `id`: the owner-drawn replacement when Init made one.
HWND MakeThreeColumnList(HWND dialog, int id) {
  ZB_OD_LIST* list = ZB_OD_LIST::Init(dialog, id, kThreeColumns);
  return list && list->hwndListe ? list->hwndListe : GetDlgItem(dialog, id);
}

}  // namespace

ConverterSession::ConverterSession(AppContext& app, ConverterContext& ctx, ConverterJobState& state)
    : app_(app), ctx_(ctx), state_(state) {}

ConverterSession::~ConverterSession() = default;

void ConverterSession::CONVINIT(int restartOffset) {
  if (dialog_ != nullptr && IsWindow(dialog_)) {
    if (IsIconic(dialog_)) {
      OpenIcon(dialog_);
    } else {
      SetFocus(dialog_);
    }
    return;
  }
  job_ = std::make_unique<ConverterJob>(ctx_, state_);
  if (!job_->Open(restartOffset)) return;
  dialog_ = CREATEDIALOG(
      app_.HINST, kConverterDialog, app_.HWNDMAIN,
      [this](HWND d, UINT m, WPARAM wp, LPARAM lp) { return DIALOG1EVENT(d, m, wp, lp); });
}

void ConverterSession::CLOSEALL() {
  if (job_) job_->CLOSEALL();
}

MsgResult ConverterSession::DIALOG1EVENT(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog(dialog);
    case WM_ACTIVATE:
      OnActivate(dialog, wParam);
      return 0;
    case WM_COMMAND:
      return OnCommand(dialog, wParam);
    case WM_DESTROY:
      return OnDestroy(dialog);
    default:
      return 0;
  }
}

MsgResult ConverterSession::OnInitDialog(HWND dialog) {
  HWND source = MakeThreeColumnList(dialog, kSourceListId);
  HWND target = MakeThreeColumnList(dialog, kTargetListId);
  if (!job_) return 1;
  const DialogStart start = job_->InitDialog();
  ListBoxAddRows(source, start.rows.source);
  ListBoxAddRows(target, start.rows.target);
  ctx_.ui.RefitTargetExtent(ToWindowHandle(dialog));
  SetDlgItemTextA(dialog, kSourceCaptionId, start.sourceCaptionAnsi.c_str());
  SetDlgItemTextA(dialog, kViewerBoxId, start.viewerBoxAnsi.c_str());
  CheckDlgButton(dialog, kDoubleClickBoxId, start.doubleClickFinal ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(dialog, kHintBoxId, start.hintOnLonger ? BST_CHECKED : BST_UNCHECKED);
  return 1;
}

void ConverterSession::OnActivate(HWND dialog, WPARAM wParam) {
  if (app_.OAPP == nullptr) return;
  if (LOWORD(wParam) != WA_INACTIVE) {
    app_.OAPP->hglobal = dialog;
  } else if (app_.OAPP->hglobal == dialog) {
    app_.OAPP->hglobal = nullptr;
  }
}

bool ConverterSession::Checked(HWND dialog, int id) {
  return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

MsgResult ConverterSession::OnCommand(HWND dialog, WPARAM wParam) {
  const int id = LOWORD(wParam);
  const int code = HIWORD(wParam);
  if (id == kSourceListId || id == kTargetListId) {
    OnListCommand(dialog, id, code);
    return 0;
  }
  if (!job_ || code != BN_CLICKED) return 0;
  const WindowHandle handle = ToWindowHandle(dialog);
  switch (id) {
    case kAssignButtonId:
      AssignSelected(ctx_, state_, handle, false);
      return 0;
    case kAssignFinalButtonId:
      AssignSelected(ctx_, state_, handle, true);
      return 0;
    case kRemoveButtonId:
      RemoveSelected(ctx_, state_, handle);
      return 0;
    case kPostalFromCityBoxId:
      SetPostalFromCity(ctx_, state_, handle, Checked(dialog, kPostalFromCityBoxId));
      return 0;
    case kDoubleClickBoxId:
      state_.LDOPPELKLICK = Checked(dialog, kDoubleClickBoxId);
      return 0;
    case kHintBoxId:
      state_.LHINWEIS = Checked(dialog, kHintBoxId);
      return 0;
    case kViewerBoxId:
      if (job_->source()) {
        SHOWDATA(app_, job_->source(), state_.CQUELLDATEI, Checked(dialog, kViewerBoxId) ? 1 : 0);
      }
      return 0;
    case kOpenAssignmentButtonId:
      OpenAssignments(dialog);
      return 0;
    case kSaveAssignmentButtonId:
      ZUWSAVE(ctx_, state_, handle);
      return 0;
    case kOtherSourceButtonId:
      ChooseOtherSource();
      return 1;
    case kConvertButtonId:
      job_->Convert(handle);
      return 1;
    case kLeaveButtonId:
      return job_->Leave() ? 1 : 0;
    default:
      return 0;
  }
}

// Selections set the selected rows; a double click (or Space) posts the assignment the
// double-click preference names, which then works on both lists' selections.
void ConverterSession::OnListCommand(HWND dialog, int id, int code) {
  if (code == LBN_SELCHANGE) {
    const int selection = static_cast<int>(SendDlgItemMessageA(dialog, id, LB_GETCURSEL, 0, 0));
    if (id == kSourceListId) {
      SelectSourceRow(state_, selection);
    } else {
      SelectTargetRow(state_, selection);
    }
  } else if (code == LBN_DBLCLK) {
    PostMessageA(dialog, WM_COMMAND, state_.LDOPPELKLICK ? kAssignFinalButtonId : kAssignButtonId,
                 0);
  }
}

void ConverterSession::OpenAssignments(HWND dialog) {
  if (!ZUWOPEN(ctx_, state_, ToWindowHandle(dialog))) return;
  if (!IsWindow(dialog)) return;
  SendDlgItemMessageA(dialog, kSourceListId, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  SendDlgItemMessageA(dialog, kTargetListId, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  state_.NQUELLZEILE = 0;
  state_.NZIELZEILE = 0;
}

// "Datenbank öffnen": with another source chosen, the frame restarts the job with it.
void ConverterSession::ChooseOtherSource() {
  const int offset = job_->restartOffset();
  if (offset <= 0) return;
  if (job_->ChooseOtherSource()) PostMessageA(app_.HWNDMAIN, WM_USER + offset, 0, 0);
}

MsgResult ConverterSession::OnDestroy(HWND dialog) {
  if (dialog_ == dialog) dialog_ = nullptr;
  if (app_.OAPP != nullptr && app_.OAPP->hglobal == dialog) app_.OAPP->hglobal = nullptr;
  return 1;
}

}  // namespace tabrix
