#pragma once
// The standard library's window-bound helpers (Windows build only): list and combo box text,
// the list box's horizontal extent, field widths, rectangles, focus, the key state, library
// loading without the system's file box, and movable memory blocks for multi-line edits.
// Functions that only pass one platform call through are not wrapped: callers use the platform
// call itself.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "data/base/value.h"
#include "data/stdlib/stfkt_msg.h"

namespace tabrix {

// The text of item index (the current selection when none is given) of the list box id in
// dialog; "" when there is no selection or the index is invalid.
std::string GETLBTEXT(HWND dialog, int id, std::optional<int> index = std::nullopt);
// The same for a combo box.
std::string GETCBTEXT(HWND dialog, int id, std::optional<int> index = std::nullopt);

// Sets the list box's horizontal scroll extent to the sum of the column widths (pixels).
void LB_HOR(HWND dialog, int id, const std::vector<int>& columnWidths);

// characters x the average character width of the window's font. The width is remembered for
// the last window asked; 10 is used when the font reports none.
int GETFIELDWIDTH(HWND window, int characters = 10);

// Both corners of a screen rectangle in window's client coordinates.
RECT RECTTOCLIENT(HWND window, RECT screen);

// The library's __SET_FOCUS (a name C++ reserves): restores the window when it is minimised,
// then gives it the focus; returns the previous focus window.
HWND SETFOCUSRESTORED(HWND window);

// The key is down now (high bit of its key state).
bool ISTTASTEGEDRUECKT(int virtualKey);

// Loads a library with the system's file-error box suppressed (error mode 32768, restored
// afterwards). A result below 32 means failure.
uintptr_t LOAD_LIBRARY(const std::string& file);

// The current directory with a trailing "\"; "" when it cannot be determined.
std::string CURRENTPATH();

// Allocates a movable, zero-filled global block of size bytes, 1024 bytes less after each
// failed attempt (giving up at 0), locks it and returns a non-zero token for it (the block's
// address, used as the instance of multi-line edit controls). The size obtained and the
// block's handle come back through the arguments. When the lock fails the box "Fehler beim
// Segmentlocking!" ("Speicher Fehler") is shown, the block is released again and 0 returned;
// 0 too when no size could be had. Release with GLOBALFREE.
uintptr_t CREATEPVHEAP(int64_t& size, HGLOBAL& block);
// Unlocks and releases a block of CREATEPVHEAP; nothing for a null handle.
void GLOBALFREE(HGLOBAL block);

// Titles window after a menu item: the text of item menuItemId of the master window's menu
// (master; the window's own menu when master is null) when menuItemId is above 0, else the
// window's own text. Unless keepMarks, setDialogName (the dialog object's SET_CDLGNAME; may
// be empty) receives the text without "&" and ".", cut at the first TAB, in code page 850,
// and an empty text returns false with the title left alone. The title is the text without
// "&" and "." (unchanged with keepMarks), cut at the first TAB. Returns true once it is set.
bool SETCAPTIONTEXT(HWND window, int menuItemId,
                    const std::function<void(const std::string&)>& setDialogName,
                    bool keepMarks = false, HWND master = nullptr);

// The hourglass cursor / the arrow cursor.
void WAITC();
void RESUMEC();

// The system's status-bar font (non-client metrics, SystemParametersInfo 41) as a list of 15:
// height, width, escapement, orientation and weight (elements 1 to 5), italic, underline,
// strike-out, character set, output precision, clip precision, quality and pitch-and-family
// (6 to 13) as numbers, the face name (14) as text; element 15 stays empty. On failure every
// element is empty except element 14, "ERROR".
std::vector<Value> GETTIPFONT();
// The list of 15 for a font description; nullptr gives the failure list.
std::vector<Value> TipFontList(const LOGFONTA* font);

// The bevelled message bar with text (placement: PlanMsgBar in stfkt_msg.h) on dc, or on the
// window's own device context when dc is null. Background and text colours are set for the
// drawing and restored afterwards; the pens are made and deleted on each call.
void C_MSG(HWND window, const std::string& text, const MsgBarArgs& args = {}, HDC dc = nullptr);

}  // namespace tabrix
