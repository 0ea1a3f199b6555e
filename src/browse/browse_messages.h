#pragma once
// The framework window messages the grid browse sends and answers (numbers fixed across the
// framework), and its timer.

namespace tabrix {

inline constexpr unsigned kWmuPaintHeader = 4095;  // WMU_PAINTHEADER: wParam a device context
// WMU_REGISTERLIST, sent to the dialog: wParam the list box, lParam the scroll bar's id. The
// dialog then sends the list WMU_PAINTHEADER from its WM_PAINT, which paints header and marker.
inline constexpr unsigned kWmuRegisterList = 4096;
inline constexpr unsigned kWmuScroll = 4135;     // WMU_SCROLL: MAKELPARAM(code, position), bar
inline constexpr unsigned kWmuDrawEmpty = 4248;  // WMU_DRAWEMPTY: paint the empty row slots
// WM_COMMAND value telling the dialog that a browse's list box was destroyed.
inline constexpr unsigned kListDestroyedCommand = 4091;
// Incremental search: timer id on the list box and its period.
inline constexpr unsigned kSearchTimerId = 1;
inline constexpr unsigned kSearchTimerMs = 65;

}  // namespace tabrix
