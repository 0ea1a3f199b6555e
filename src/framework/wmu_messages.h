#pragma once
// The framework's own window messages: the numbers the main window, its dialogs and its lists
// understand or send, and that programs built on the framework post. They are part of the
// framework's interface, so their numbers never change. Portable, so that the rules that choose
// a message (app_settings.h, hotkeys.h) name the same constants as the window side.

namespace tabrix {

inline constexpr unsigned WMU_EDITMODE = 4086;
inline constexpr unsigned WMU_CLOSEREQUEST = 4100;
inline constexpr unsigned WMU_BUTTONCLICK = 4101;
inline constexpr unsigned WMU_SHIFTDLG = 4112;
inline constexpr unsigned WMU_HOTKEY = 4113;
inline constexpr unsigned WMU_COMMITEDIT = 4115;
inline constexpr unsigned WMU_REFRESHRECORD = 4120;
inline constexpr unsigned WMU_HELP = 4126;
inline constexpr unsigned WMU_ACTIVEDLG = 4128;
inline constexpr unsigned WMU_ADDDLG = 4129;
inline constexpr unsigned WMU_DELDLG = 4130;
inline constexpr unsigned WMU_DELETERECORD = 4136;
inline constexpr unsigned WMU_REFRESHIFSHOWN = 4137;
inline constexpr unsigned WMU_DRAWEMPTY = 4248;  // posted to an owner-drawn list to itself
inline constexpr unsigned WMU_CUTTEXTMODE = 4259;

}  // namespace tabrix
