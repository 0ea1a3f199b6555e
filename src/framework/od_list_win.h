#pragma once
// ZB_OD_LIST: a dialog's plain list box turned into an owner-drawn multi-column list with fixed
// row height, a grey grid, full-row highlight, per-row text colour ("!C", od_list_layout.h) and
// empty grid rows below the last item.
//
// Init replaces the dialog's list box by an owner-drawn one with the same id, position and font,
// sized to a whole number of rows; its columns share the client width it has with its vertical
// scroll bar (if it has one), so no column ends under the bar. Items are plain Windows-1252
// texts added with the usual list box messages (LB_ADDSTRING ...); a tab separates the columns.
// A row is laid out by odlist::LayoutRow: a field too wide for its column runs on over empty
// columns, fields beyond the last column follow, and a row reaches to the wider of the client
// width and the horizontal extent (LB_SETHORIZONTALEXTENT), where it can be scrolled to. Keys: Up,
// Down, Page Up/Down, Home and End move the selection and notify the dialog (LBN_SELCHANGE); Space
// acts as a double click (LBN_DBLCLK); Ctrl+Left/Right scroll a page sideways; F1 to F24 are left
// to the dialog.
//
// Two modes:
//  - stand-alone (Init with the dialog's window): a module-wide registry owns the list; the
//    dialog window is hooked once, for its first list, and its owner-draw, erase, key and
//    destroy messages reach the lists through that hook;
//  - attached (Init with a framework dialog object): the dialog object's aListen owns the list,
//    and the dialog's message dispatch calls the list (DispatchToLists does that part).
// Either way a list lives until its dialog's WM_NCDESTROY. Single-threaded, like every window.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "data/base/win_handles_win.h"
#include "framework/wmu_messages.h"

namespace tabrix {

class ZB_OD_LIST;

// What an attached list needs from the framework dialog object it lives on.
class OdListDialog {
 public:
  virtual ~OdListDialog() = default;
  virtual HWND DialogWindow() const = 0;
  // The dialog's owner-drawn lists, in order of creation; the dialog object owns them.
  virtual std::vector<std::unique_ptr<ZB_OD_LIST>>& aListen() = 0;
  // The dialog offers the "Gather" operation: right clicks on a list are forwarded to it.
  virtual bool HasGather() const { return false; }
};

// The list part of a framework dialog's message dispatch over aListen: owner draw, measure,
// erase, WM_VKEYTOITEM and destruction. Answers the result when a list took the message over,
// nullopt when the dialog's own handling continues.
std::optional<LRESULT> DispatchToLists(OdListDialog& dialog, UINT message, WPARAM wParam,
                                       LPARAM lParam);

// The application object's values the lists use (its grey pen, row height nHoeBrZe and 3-D
// setting); the application object sets them when it exists.
struct OdListAppValues {
  bool appPresent = false;  // no application object: no client edge on the lists
  bool lCtl3d = false;      // true: the old 3-D look, no client edge
  int nHoeBrZe = 20;        // row height in pixels
  HPEN hGreyPen = nullptr;  // grid pen; null: a pen in the grey-text colour (made once)
};
OdListAppValues& OdListApp();

class ZB_OD_LIST {
 public:
  static constexpr UINT kDrawEmpty = WMU_DRAWEMPTY;  // posted to the list box

  // Stand-alone list on `dialog`'s list box `id`. Column widths in percent of the list's client
  // width (default one column); `colWidth` is the column width of a list box with the
  // multi-column style (0: computed on first measure). The registry owns the list; the answer
  // stays valid until the dialog's WM_NCDESTROY. Null when `dialog` is not a window. Without a
  // control `id` on the dialog the list shows nothing (hwndListe null, nGesamt 0).
  static ZB_OD_LIST* Init(HWND dialog, int id, std::vector<double> widths = {100},
                          int colWidth = 0);
  // Attached list: added to dialog.aListen(), which owns it. Null when the dialog has no window.
  static ZB_OD_LIST* Init(OdListDialog& dialog, int id, std::vector<double> widths = {100},
                          int colWidth = 0);
  ~ZB_OD_LIST();
  ZB_OD_LIST(const ZB_OD_LIST&) = delete;
  ZB_OD_LIST& operator=(const ZB_OD_LIST&) = delete;

  // Row height in pixels (at least 1); the list box is redrawn. The shown row count stays.
  void Set_nHoeheSchrift(int height);  // the framework's _Set_nHoeheSchrift

  // Owner-draw and measure requests of the dialog: 0 when the id is not this list's, else 1.
  int OnDrawItem(int id, const DRAWITEMSTRUCT& record);
  int DrawMultColItem(int id, const DRAWITEMSTRUCT& record);
  int MEASUREITEM(int id, MEASUREITEMSTRUCT& record);
  // The dialog erases its background: keep it off this list.
  void ERASEBKGND(HDC dc);
  // Paints the empty grid rows below the last item when `id` is this list's.
  void DrawEmptyList(int id);
  // WM_VKEYTOITEM from this list box: −2 handled, −1 the list box's default handling.
  LRESULT OnVKEYTOITEM(WPARAM wParam, HWND listBox);
  void OnDestroy();    // deletes the cached row patterns
  void OnNCDestroy();  // the list box is gone; nothing is drawn any more

  int nGesamt = 0;                // whole rows shown
  HWND hwndListe = nullptr;       // the list box
  bool lLBS_MULTICOLUMN = false;  // the list box has the multi-column style

  int nID() const { return nID_; }
  int nHoeheSchrift() const { return nHoeheSchrift_; }
  HWND DialogWindow() const { return hwndParent_; }
  std::vector<double> ColumnEdges() const;  // x(1) .. x(n+1) in pixels
  // Where `row` ends as this list draws it with nothing cutting it (odlist::RowTextEnd in the
  // list's font): the horizontal extent that shows the whole row.
  int TextEnd(std::string_view row) const;

  // The stand-alone list of `dialog`'s control `id`; null when there is none.
  static ZB_OD_LIST* Find(HWND dialog, int id);

 private:
  ZB_OD_LIST() = default;
  void Setup(int id);
  int Get_LB_Zeilen();
  std::optional<LRESULT> LB_Proc(UINT message, WPARAM wParam, LPARAM lParam, bool multipleSel);
  void RenewColours();
  OwnedBitmap PaintPattern(HDC compatible, int w, int h, COLORREF background) const;
  bool DrawRowOffscreen(const DRAWITEMSTRUCT& record, const RECT& row, int w, int h);
  void DeletePatterns();
  int ListClientWidth() const;

  OdListDialog* oParent_ = nullptr;
  HWND hwndParent_ = nullptr;
  int nID_ = 0;
  HPEN hGreyPen_ = nullptr;
  int nHoeheSchrift_ = 20;
  std::vector<double> aDBFelder_;  // column widths: percent until Init converts them to pixels
  COLORREF nWindowColor_ = 0;
  COLORREF nPenColor_ = 0;
  bool coloursKnown_ = false;
  OwnedBitmap hPattBitmapN_;
  OwnedBitmap hPattBitmapH_;
  SIZE pattSizeN_{};
  SIZE pattSizeH_{};
  int nColWidth_ = 0;
  int createWidth_ = 0;      // width of the list box while it is being created
  bool hasVScroll_ = false;  // the list box was made with a vertical scroll bar
  std::uintptr_t listHook_ = 0;
};

}  // namespace tabrix
