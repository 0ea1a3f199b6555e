// SHOWDATA, CLOSEDATA and the viewer dialog TESTDLG1.
#include "converter/source_viewer_win.h"

#include <memory>
#include <vector>

#include "browse/browse_win.h"
#include "converter/tabrix_app_win.h"
#include "converter/viewer_columns.h"
#include "data/nettable/nettable.h"
#include "data/stdlib/stfkt_win.h"
#include "data/table/table_area.h"
#include "framework/wdialog_win.h"

namespace tabrix {

namespace {

// The viewer: the dialog object over the remembered table, with its grid.
class TESTDLG1 : public ZB_WDIALOG {
 public:
  TESTDLG1(ZB_NETTABLE* table, std::string title, HWND frame)
      : oDB(table), title_(std::move(title)), frame_(frame) {}

  ZB_NETTABLE* oDB;
  std::unique_ptr<ZB_BROWSE> oVListe;

 protected:
  MsgResult OnINITDIALOG(WPARAM wParam, LPARAM lParam) override;
  MsgResult OnDESTROY(WPARAM wParam, LPARAM lParam) override;
  MsgResult OnSIZE(WPARAM wParam, LPARAM lParam) override;

 private:
  std::string title_;
  HWND frame_;
};

// Module state: the viewer, and what happens while it is being created.
struct Viewer {
  std::unique_ptr<TESTDLG1> dialog;
  // The object of a viewer whose window is gone; deleted at the next call from outside its own
  // messages.
  std::unique_ptr<TESTDLG1> retired;
  bool creating = false;
  std::optional<int> stateWhileCreating;
};

Viewer& TheViewer() {
  static Viewer viewer;
  return viewer;
}

void DropRetired() {
  Viewer& v = TheViewer();
  if (v.retired && !(v.retired->hwnd && IsWindow(v.retired->hwnd))) v.retired.reset();
}

// Shown (and so brought back in the state it was hidden in, maximised or not) before it takes
// the focus: a hidden window cannot have it.
void ApplyState(TESTDLG1& viewer, std::optional<int> state) {
  if (state && *state == 0) {
    ShowWindow(viewer.hwnd, SW_HIDE);
    return;
  }
  if (state) viewer.Show(SW_SHOW);
  SetFocus(viewer.hwnd);
}

MsgResult TESTDLG1::OnINITDIALOG(WPARAM wParam, LPARAM lParam) {
  const int area = oDB->Area;
  const std::vector<StructureRow> structure = EvaluateInArea(area, [] { return Structure(); });
  std::vector<BrowseColumn> columns;
  for (size_t i = 0; i < structure.size(); ++i) {
    const int field = static_cast<int>(i + 1);
    BrowseColumn c;
    // The value of the field in the source's area, whatever area the browse names.
    c.bData = [area, field](int) { return EvaluateInArea(area, [&] { return GetField(field); }); };
    c.cType = "B";
    c.nEdit = 0;
    c.nWidth = GETFIELDWIDTH(hwnd, ViewerColumnChars(structure[i].length));
    c.cTitle = structure[i].name;
    columns.push_back(std::move(c));
  }
  oVListe = std::make_unique<ZB_BROWSE>();
  oVListe->Init(static_cast<ZB_WDIALOG*>(this), kViewerListId, area, columns, kViewerBrowseName);
  oVListe->Set_lEdit(false);
  oVListe->Set_nIndOrder(1);
  oVListe->Set_aDBFelder(columns);
  SetWindowTextA(hwnd, title_.c_str());
  const MsgResult r = ZB_WDIALOG::OnINITDIALOG(wParam, lParam);
  // Show: a viewer last closed maximised comes back maximised.
  Show(SW_SHOW);
  return r;
}

MsgResult TESTDLG1::OnSIZE(WPARAM wParam, LPARAM lParam) {
  // A minimised window keeps its grid as it was: the restore brings the same size back.
  if (wParam == SIZE_MINIMIZED) return 0;
  ZB_WDIALOG::OnSIZE(wParam, lParam);
  if (oVListe) oVListe->NewSize(LOWORD(lParam), HIWORD(lParam));
  return 0;
}

MsgResult TESTDLG1::OnDESTROY(WPARAM wParam, LPARAM lParam) {
  Viewer& v = TheViewer();
  if (v.dialog.get() == this) v.retired = std::move(v.dialog);
  PostMessageA(frame_, kViewerClosedMessage, 0, 0);
  return ZB_WDIALOG::OnDESTROY(wParam, lParam);
}

}  // namespace

void SHOWDATA(const AppContext& app, ZB_NETTABLE* table, const std::string& path,
              std::optional<int> state) {
  Viewer& v = TheViewer();
  if (v.creating) {
    // A click that arrived while the viewer is being made: only its state counts.
    v.stateWhileCreating = state;
    return;
  }
  DropRetired();
  if (v.dialog && v.dialog->hwnd) {
    ApplyState(*v.dialog, state);
    return;
  }
  if (!table) return;
  v.creating = true;
  v.stateWhileCreating.reset();
  auto dialog = std::make_unique<TESTDLG1>(table, app.CAPPNAME + "   " + path, app.HWNDMAIN);
  TESTDLG1* created = dialog.get();
  v.dialog = std::move(dialog);
  // The application object is the parent: the viewer is a window of its own.
  const bool ok = created->Init(nullptr, kViewerDialog, app.HINST) != nullptr;
  v.creating = false;
  if (!ok || !created->hwnd) {
    v.dialog.reset();
    return;
  }
  if (v.stateWhileCreating && v.dialog.get() == created) {
    ApplyState(*created, v.stateWhileCreating);
  }
  v.stateWhileCreating.reset();
}

void CLOSEDATA() {
  Viewer& v = TheViewer();
  DropRetired();
  if (!v.dialog || !v.dialog->hwnd || !IsWindow(v.dialog->hwnd)) return;
  // Cancelled and destroyed now, not through a posted command: the table it shows is released
  // as soon as this returns.
  HWND window = v.dialog->hwnd;
  SendMessageA(window, WM_COMMAND, IDCANCEL, 0);
  if (IsWindow(window)) DestroyWindow(window);
  DropRetired();
}

ZB_BROWSE* SourceViewerGrid() {
  const Viewer& v = TheViewer();
  return v.dialog ? v.dialog->oVListe.get() : nullptr;
}

HWND SourceViewerWindow() {
  const Viewer& v = TheViewer();
  return v.dialog ? v.dialog->hwnd : nullptr;
}

}  // namespace tabrix
