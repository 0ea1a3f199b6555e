#pragma once
// The child objects of a framework dialog (Windows only): the grid browses, owner-drawn buttons,
// owner-drawn lists and memo objects that live on a ZB_WDIALOG. The dialog hands its drawing,
// mouse, keyboard and scrolling messages to them through these interfaces, so the framework
// never sees the classes behind them (a browse lives in a higher layer).
//
// Every method returns 0 (or false) when the object did not handle the message; the dialog then
// asks the next object or its own hook. (x, y) are the signed low and high words of lParam.
// The dialog does not own its children: each registers itself (ZB_WDIALOG::AddBrowse, ...) and
// removes itself before it goes away.

#include <windows.h>

namespace tabrix {

class ZB_WDIALOG;

// A grid browse living on a dialog.
class DialogBrowse {
 public:
  virtual ~DialogBrowse() = default;
  virtual LRESULT OnNCLButtonDown(int x, int y) = 0;
  virtual LRESULT OnDrawItem(WPARAM wParam, LPARAM lParam) = 0;
  virtual LRESULT MeasureItem(WPARAM wParam, LPARAM lParam) = 0;
  virtual LRESULT EraseBkgnd(WPARAM wParam, LPARAM lParam) = 0;
  virtual LRESULT Set__Cursor(WPARAM wParam, LPARAM lParam) = 0;
  virtual LRESULT OnWinIniChange(WPARAM wParam, LPARAM lParam) = 0;
  virtual LRESULT OnMouseMove(int x, int y) = 0;
  virtual LRESULT VKeyToItem(WPARAM wParam, LPARAM lParam) = 0;
  virtual LRESULT VScroll(WPARAM wParam, LPARAM lParam) = 0;
  virtual LRESULT OnCommand(WPARAM wParam, LPARAM lParam) = 0;
  virtual LRESULT Activate(WPARAM wParam, LPARAM lParam) = 0;
  virtual LRESULT SetIndexOrder(int x, int y) = 0;
  virtual LRESULT LButtonDown(WPARAM wParam, LPARAM lParam) = 0;
  virtual LRESULT LButtonUp(WPARAM wParam, LPARAM lParam) = 0;
  virtual LRESULT OnDestroy(WPARAM wParam, LPARAM lParam) = 0;
  virtual LRESULT OnNCDestroy(WPARAM wParam, LPARAM lParam) = 0;
  virtual LRESULT Spalten() = 0;  // column chooser (may do nothing yet)
  virtual LRESULT VScroll2(WPARAM wParam, LPARAM lParam) = 0;  // WMU_SCROLL 4135
  virtual void Set_CutTextMode(bool on) = 0;
  virtual LRESULT OnPaint(HDC dc) = 0;  // header painting (WMU_PAINTHEADER)
  virtual HWND ListWindow() const = 0;  // "slot 66": the browse's list box
};

// An owner-drawn button on a dialog.
class DialogButton {
 public:
  virtual ~DialogButton() = default;
  virtual LRESULT OnDrawItem(WPARAM wParam, LPARAM lParam) = 0;
  virtual LRESULT MeasureItem(WPARAM wParam, LPARAM lParam) = 0;
  virtual LRESULT SysColorChange(WPARAM wParam, LPARAM lParam) = 0;
  virtual LRESULT OnDestroy(WPARAM wParam, LPARAM lParam) = 0;
};

// An owner-drawn list on a dialog. A multi-column-style list draws through DrawMultColItem and
// paints its own background.
class DialogList {
 public:
  virtual ~DialogList() = default;
  virtual bool lLBS_MULTICOLUMN() const = 0;
  virtual LRESULT DrawMultColItem(WPARAM wParam, LPARAM lParam) = 0;
  virtual LRESULT OnDrawItem(WPARAM wParam, LPARAM lParam) = 0;
  virtual LRESULT MeasureItem(WPARAM wParam, LPARAM lParam) = 0;
  virtual LRESULT EraseBkgnd(WPARAM wParam, LPARAM lParam) = 0;
  virtual HWND hwndListe() const = 0;
  virtual LRESULT OnVKEYTOITEM(WPARAM wParam, LPARAM lParam) = 0;
  virtual LRESULT OnDestroy(WPARAM wParam, LPARAM lParam) = 0;
  virtual LRESULT OnNCDestroy(WPARAM wParam, LPARAM lParam) = 0;
};

// A memo object drawing on a dialog.
class DialogMemo {
 public:
  virtual ~DialogMemo() = default;
  virtual LRESULT OnMouseMove(int x, int y) = 0;
  virtual LRESULT OnLButtonDown(int x, int y) = 0;
  virtual LRESULT OnLButtonUp(int x, int y) = 0;
  virtual LRESULT OnTimer(WPARAM wParam, LPARAM lParam) = 0;
  virtual LRESULT OnDestroy(WPARAM wParam, LPARAM lParam) = 0;
  virtual LRESULT OnNCDestroy(WPARAM wParam, LPARAM lParam) = 0;
};

}  // namespace tabrix
