#pragma once
// ZB_BROWSE, the grid browse on a dialog (Windows only): an owner-drawn list box that replaces
// a list box of the dialog's resource, the browse's own vertical scroll bar, the header painted
// onto the dialog above the list and the row marker column to its left.
//
// The rows and the rules that move them are the portable BrowseModel (browse_model.h); the
// columns, the row string and the header arithmetic are browse_columns.h. This class owns the
// windows: it creates them, draws every row from a cache of row images (normal and selected),
// and turns keys, mouse and scroll bar input into model moves.
//
// The list box holds one string per visible row (the row string); its item data is the row's
// record number. Record numbers are never read back out of the text.
//
// Lifetime: the browse belongs to its dialog. With a ZB_WDIALOG parent it registers itself
// (AddBrowse) and the dialog forwards its messages through DialogBrowse; with a plain dialog
// window it hooks the dialog itself. The owner deletes the browse after the dialog is gone, or
// before it (the destructor unhooks and unregisters).

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "browse/browse_columns.h"
#include "framework/dialog_children_win.h"

namespace tabrix {

class BrowseModel;
class BrowsePainter;
class BrowseSource;

// Flags of Init.
inline constexpr int kBrowseNoFill = 1;        // do not fill the rows now
inline constexpr int kBrowseOptNoHScroll = 4;  // options: no horizontal scroll bar

class ZB_BROWSE : public DialogBrowse {
 public:
  using Parent = std::variant<ZB_WDIALOG*, HWND>;

  ZB_BROWSE();
  ~ZB_BROWSE() override;
  ZB_BROWSE(const ZB_BROWSE&) = delete;
  ZB_BROWSE& operator=(const ZB_BROWSE&) = delete;

  // Binds the browse to table area `area` (0: none) and replaces list box `listId` of the
  // parent's dialog. False when the dialog has no such control (the box "Browser Id ... gibt
  // es nicht!" was shown) or the windows could not be created; the object is then unusable.
  bool Init(Parent parent, int listId, int area, std::vector<BrowseColumn> columns,
            std::string name, int64_t startRecord = 0, int flags = 0, int options = 0,
            int rowLines = 1);
  // The same over a source the caller made (tests, array sources); the browse owns it.
  bool Init(Parent parent, int listId, std::unique_ptr<BrowseSource> source,
            std::vector<BrowseColumn> columns, std::string name, int64_t startRecord = 0,
            int flags = 0, int options = 0, int rowLines = 1);

  // Properties.
  void Set_lEdit(bool on);  // edit mode is not built: only remembered
  bool Get_lEdit() const { return lEdit_; }
  // Low word: the order (0 natural); high word 1: do not reposition.
  void Set_nIndOrder(int order);
  void Set_aDBFelder(std::vector<BrowseColumn> columns);
  void Set_Col_Resize(bool on) { colResize_ = on; }
  void Set_Col_Change(bool on) { colChange_ = on; }
  void Set_nFixSpalten(int n);
  void NewSize(int width, int height);

  // Getters.
  HWND Get_hWnd() const { return hList_; }
  HWND Get_hScroll() const { return hScroll_; }
  int Get_L_ID() const { return listId_; }
  int Get_ScrollID() const { return scrollId_; }
  int Get_nGesamt() const;
  int64_t Get_zSatz() const;
  int Get_LBCURSEL() const;
  int64_t Get_nRecNo() const;
  const std::vector<BrowseColumn>& Get_aDBFelder() const { return aDBFelder_; }
  const std::vector<int>& Get_aTabs() const { return aTabs_; }
  int Get_nHeaderLines() const { return nHeaderLines_; }
  int Get_nHeaderHeight() const { return nHeaderHeight_; }
  int Get_nHoeheSchrift() const { return nHoeheSchrift_; }
  int Get_nMarkerWidth() const { return nMarkerWidth_; }
  bool Get_lUserCols() const { return lUserCols_; }
  const std::string& SearchText() const;
  BrowseModel& Model() { return *model_; }
  // Shown columns whose text was cut in row `row`'s last rendering (CutTextMode).
  std::vector<int> CutCells(int row) const;

  // REFRESHALL(row, record): recount and refill; returns zSatz.
  int64_t REFRESHALL(int row = 0, int64_t record = 0);

  // DialogBrowse: the dialog's messages.
  LRESULT OnNCLButtonDown(int x, int y) override;
  LRESULT OnDrawItem(WPARAM wParam, LPARAM lParam) override;
  LRESULT MeasureItem(WPARAM wParam, LPARAM lParam) override;
  LRESULT EraseBkgnd(WPARAM wParam, LPARAM lParam) override;
  LRESULT Set__Cursor(WPARAM wParam, LPARAM lParam) override;
  LRESULT OnWinIniChange(WPARAM wParam, LPARAM lParam) override;
  LRESULT OnMouseMove(int x, int y) override;
  LRESULT VKeyToItem(WPARAM wParam, LPARAM lParam) override;
  LRESULT VScroll(WPARAM wParam, LPARAM lParam) override;
  LRESULT OnCommand(WPARAM wParam, LPARAM lParam) override;
  LRESULT Activate(WPARAM wParam, LPARAM lParam) override;
  LRESULT SetIndexOrder(int x, int y) override;
  LRESULT LButtonDown(WPARAM wParam, LPARAM lParam) override;
  LRESULT LButtonUp(WPARAM wParam, LPARAM lParam) override;
  LRESULT OnDestroy(WPARAM wParam, LPARAM lParam) override;
  LRESULT OnNCDestroy(WPARAM wParam, LPARAM lParam) override;
  LRESULT Spalten() override;
  LRESULT VScroll2(WPARAM wParam, LPARAM lParam) override;
  void Set_CutTextMode(bool on) override;
  LRESULT OnPaint(HDC dc) override;
  HWND ListWindow() const override { return hList_; }

 private:
  bool CreateWindows();
  void SetupColumns();
  void ShowRows();  // the model's rows into the list box, selection and scroll bar
  void UpdateScrollBar();
  void Scroll(int code, int position);  // Set_Scroll through the model
  void InvalidateMarker();
  void InvalidateHeader();
  void DropRowImages();
  std::optional<LRESULT> ListMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  std::optional<LRESULT> ScrollBarMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  std::optional<LRESULT> DialogMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  bool OnKeyDown(WPARAM key, LPARAM keyData);  // true: consumed
  LRESULT OnChar(WPARAM ansiChar);
  void OnSearchTimer();
  LRESULT OnListLButtonDown(int x, int y);
  LRESULT OnWheel(int delta);
  void EndColumnDrag(int x, bool apply);
  HeaderGeometry Geometry() const;
  int ListClientWidth() const;
  void ApplyWidths(const std::vector<int>& widths);

  std::string cBrowserName_;
  ZB_WDIALOG* parentObject_ = nullptr;
  HWND hWndParent_ = nullptr;
  HWND hList_ = nullptr;
  HWND hScroll_ = nullptr;
  HFONT hFont_ = nullptr;
  int listId_ = 0;
  int scrollId_ = 0;
  int area_ = 0;
  int flags_ = 0;
  int options_ = 0;
  int nRowLines_ = 1;
  int nHoeheSchrift_ = 20;
  int nMarkerWidth_ = 0;
  int nHeaderHeight_ = 0;
  int nHeaderLines_ = 1;
  int nHOffset_ = 0;
  int nFixSpalten_ = 0;
  bool lEdit_ = false;
  bool lHScroll_ = true;
  bool colResize_ = true;
  bool colChange_ = true;
  bool cutTextMode_ = false;
  bool lUserCols_ = false;
  bool lRefreshed_ = false;
  bool lSizing_ = false;
  bool lMoving_ = false;
  bool lCaptured_ = false;
  bool lDownInRows_ = false;
  bool inScroll_ = false;
  int nDragCol_ = 0;
  int nDragX_ = 0;
  int nDragLast_ = 0;
  UINT_PTR searchTimer_ = 0;
  std::vector<BrowseColumn> aDBOrg_;
  std::vector<BrowseColumn> aDBFelder_;
  std::vector<int> aTabs_;
  ListRect aLbRect_;
  ResizeState resize_;
  std::unique_ptr<BrowseSource> source_;
  std::unique_ptr<BrowseModel> model_;
  std::unique_ptr<BrowsePainter> painter_;
  std::uintptr_t listHook_ = 0, scrollHook_ = 0, dialogHook_ = 0;
};

}  // namespace tabrix
