#pragma once
// The source data viewer: a window of its own ("DIALOG_7", class TESTDLG1) that shows the open
// source table as a read-only grid, one column per field, while the user assigns fields. Check
// box 116 of the converter dialog switches it (SHOWDATA); CLOSEALL closes it first (CLOSEDATA).
//
// The viewer moves the source table's current record and selects the table's first order;
// the conversion engine walks the table in record order on its own, so that does not matter to
// a conversion.
//
// Lifetime: at most one viewer exists. It is created by the first SHOWDATA of a job, hidden and
// shown by later ones, and destroyed by its close box or by CLOSEDATA, which destroys it before
// returning: the table it shows is released right after. When it goes it posts WM_USER+2 to the
// frame, which clears check box 116.

#include <windows.h>

#include <optional>
#include <string>

namespace tabrix {

class ZB_NETTABLE;
struct AppContext;

inline constexpr char kViewerDialog[] = "Dialog_7";
inline constexpr int kViewerListId = 103;
inline constexpr char kViewerBrowseName[] = "DialogVl";

// Shows, hides or creates the viewer: when it exists it gets the focus and is shown (state not
// 0) or hidden (state 0); without a state it only gets the focus. Otherwise `table` (shown under
// `path`) is remembered and the viewer created over it, whatever the state. A call while the
// viewer is being created creates no second one: its state is applied once it exists.
// `app` gives the caption (CAPPNAME), the application object and the frame (HWNDMAIN).
void SHOWDATA(const AppContext& app, ZB_NETTABLE* table, const std::string& path,
              std::optional<int> state);
// Destroys the viewer when it exists; it is gone when this returns.
void CLOSEDATA();
// The viewer's window, nullptr when there is none.
HWND SourceViewerWindow();
// The viewer's grid, nullptr when there is none.
class ZB_BROWSE;
ZB_BROWSE* SourceViewerGrid();

}  // namespace tabrix
