#pragma once
// The rules of the framework's dialog class (ZB_WDIALOG) that need no window system, so they are
// tested natively: the position and size numbers of the dialog INI file, where a dialog goes when
// it opens (SetWnd) and what it writes when it closes (GetWnd), the layout of a resizable dialog
// (OnSIZE), the duplicate control id check (CheckIDS) and the type-ahead wait time.
//
// Dialog INI file, section "Fenster", keys for a dialog whose cIniEntry is E:
//   E           top-left corner, MAKELPARAM(left, top) in decimal: the low and high 16 bits are
//               the signed left and top. Written as the unsigned 32-bit value (0 ... 4294967295)
//               so that a corner at (-1, -1) does not read back as -1, "nothing saved".
//               Signed values written by older versions read back the same.
//   E_SIZE      MAKELPARAM(width, height) for a dialog with a sizing border, "0" after the
//               sizing border went away.
//   E_MAX       "1" while the dialog was closed maximised, "0" after it was closed in its normal
//               state (only written when it changes). The two keys above then keep the normal
//               position, so a reader that knows nothing of E_MAX still finds a normal window.
// A missing or empty key reads -1.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "framework/native/win32fkt_place.h"

namespace tabrix::wdialog {

// --- INI numbers ---

// MAKELPARAM(low, high) as the number written to the INI file (see above).
int64_t PackIniPair(int low, int high);
// The signed low and high words of a number read from the INI file.
struct IniPair {
  int low = 0;
  int high = 0;
  friend bool operator==(const IniPair&, const IniPair&) = default;
};
IniPair UnpackIniPair(int64_t number);
// The number in an INI value: decimal, optionally signed, surrounded by blanks; -1 for an empty
// value or one that is no number; numbers outside the 32-bit range also read -1.
int64_t ParseIniNumber(std::string_view text);

// --- SetWnd: where the dialog goes ---

struct MonitorArea {
  PlaceRect monitor;
  PlaceRect work;
};

// The monitor a rectangle lies on: the one it overlaps most; when it overlaps none, the nearest
// one (shortest distance between the rectangles). Nothing for an empty list.
std::optional<size_t> NearestMonitor(const PlaceRect& rect,
                                     const std::vector<MonitorArea>& monitors);
// The monitor holding a point, else the nearest one.
std::optional<size_t> MonitorOfPoint(int x, int y, const std::vector<MonitorArea>& monitors);

struct SavedDialogPlace {
  int64_t pos = -1;   // key E
  int64_t size = -1;  // key E_SIZE
};

// Where a dialog whose window rectangle is `current` opens:
// - nothing saved (pos -1): centered on the work area of the monitor that holds the parent's
//   top-left corner;
// - else at the saved corner, with the saved width and height when size > 0 (else its current
//   size), moved the least onto the work area of the monitor it then lies on, one pixel inside
//   the area's edges.
// Without monitors the rectangle stays where the saved corner puts it.
PlaceRect PlanDialogPlace(const SavedDialogPlace& saved, const PlaceRect& current, int parentLeft,
                          int parentTop, const std::vector<MonitorArea>& monitors);

// --- GetWnd: what the dialog writes ---

enum class ShowState { kNormal, kMinimised, kMaximised };

struct DialogCloseState {
  ShowState state = ShowState::kNormal;
  PlaceRect normal;      // the normal (restored) window rectangle in screen coordinates
  bool sizable = false;  // sizing border (style bit 262144)
  int64_t iniPos = -1;   // what SetWnd read
  int64_t iniSize = -1;
  int64_t iniMax = -1;  // key E_MAX as read
};

struct IniWrite {
  std::string keySuffix;  // "", "_SIZE" or "_MAX", appended to cIniEntry
  std::string value;
  friend bool operator==(const IniWrite&, const IniWrite&) = default;
};

// The keys to write when the dialog closes, in the order position, size, maximised. A minimised
// dialog writes nothing (its rectangle is the icon's). Position and size are written only when
// they differ from what was read; a dialog without a sizing border writes "0" as its size only
// when a size above 0 was read.
std::vector<IniWrite> PlanDialogSave(const DialogCloseState& close);

// --- OnSIZE: layout of a resizable dialog ---

inline constexpr uint32_t kStyleMaximizeBox = 0x00010000;   // 65536
inline constexpr uint32_t kStyleSizingBorder = 0x00040000;  // 262144
inline constexpr uint32_t kStyleVisible = 0x10000000;       // 268435456

struct ChildControl {
  std::string className;
  uint32_t style = 0;
  PlaceRect rect;  // window rectangle in the dialog's client coordinates
};

struct ClientSize {
  int width = 0;
  int height = 0;
  friend bool operator==(const ClientSize&, const ClientSize&) = default;
};

struct LayoutMove {
  size_t index = 0;  // into the children given
  PlaceRect rect;    // new rectangle in client coordinates
  friend bool operator==(const LayoutMove&, const LayoutMove&) = default;
};

struct LayoutPlan {
  std::vector<LayoutMove> moves;
  ClientSize clientSize;  // the dialog's aClientSize after the layout
};

// Nothing moves unless the dialog has a maximise box or a sizing border. List boxes and scroll
// bars ("LISTBOX", "SCROLLBAR", any case) stay: their owners size them. A control whose style has
// the three lowest bits set (a group box) with left < 20 and right + 20 > the previous client
// width follows the width (never below 0). Otherwise, when the new client height is above 100, a
// control whose top lies more than 50 and more than 6 caption heights below the client top follows
// the height. The client size remembered is the new width, and the new height when above 100.
// A minimised dialog (sizeType 1, SIZE_MINIMIZED) reports a client of 0 x 0: nothing moves and the
// remembered size stays, so restoring it does not widen the group boxes by the whole width.
LayoutPlan PlanResizeLayout(uint32_t dialogStyle, int sizeType, ClientSize previous, ClientSize now,
                            int captionHeight, const std::vector<ChildControl>& children);

// --- CheckIDS: duplicate control ids ---

struct IdCheck {
  std::vector<int64_t> duplicates;   // every id met again, in the order met
  std::optional<int64_t> firstFree;  // when there are duplicates: the first id above the first
                                     // duplicate that no control uses
};
// Ids as the controls report them in order (-1: a control without id). Ids -1 and 65000 and
// above (the system's own) are never counted as in use.
IdCheck CheckControlIds(const std::vector<int64_t>& ids);

// --- type-ahead ---

inline constexpr double kDefaultSeekWaitTime = 0.3;
// The seek wait time SETSEEKWAITTIME keeps: clamped to 0.1 ... 2.0 seconds.
double ClampSeekWaitTime(double seconds);

// Type-ahead in a list or combo box: the characters typed within the wait time make one text;
// the box selects its first item starting with it. Times are whole milliseconds so a wait is
// met after an exact number of 65 ms timer ticks.
inline constexpr int kSeekTickMs = 65;
// A first character typed this soon after the previous one searches on from the selection.
inline constexpr int64_t kSeekContinueMs = 3000;
struct ListSeekState {
  std::string typed;
  int elapsedMs = 0;
  bool timerRunning = false;
};
struct ListSeekStep {
  std::string text;            // what the box is to select
  bool fromSelection = false;  // search after the current selection instead of from the top
  bool startTimer = false;
};
// A character typed `sinceLastCharMs` after the module's previous type-ahead character
// (negative: none yet).
ListSeekStep ListSeekChar(ListSeekState& state, char c, int64_t sinceLastCharMs);
// One timer tick; true when the wait (ms) has passed: the timer stops and the text is cleared.
bool ListSeekTick(ListSeekState& state, int waitMs);
// A key pressed in an edit with type-ahead (SeekControl): what happens to it.
enum class EditSeekKey { kForward, kStartWait, kSwallow };
// key: the virtual key (0 also stands for "look now"); text: the edit's text before the key.
EditSeekKey ClassifyEditSeekKey(unsigned key, std::string_view text, bool writable);
// Function keys F1 ... F24 (112 ... 143) never reach a type-ahead control.
constexpr bool IsSeekSwallowedKey(unsigned key) {
  return key >= 112 && key <= 143;
}

}  // namespace tabrix::wdialog
