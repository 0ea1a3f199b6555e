#pragma once
// Developer trace O_S: silent and nearly free unless a developer enables it.
//
// Output happens when the global atom "ENABLE_DEBUG_OUTPUT" exists or a top-level dialog
// window (class "#32770") titled "Halvang-DBWIN" exists; both are looked for on every call and
// nothing is formatted before. With the viewer window the line goes into its control 101, whose
// text is first cut to its last 5000 characters; otherwise it goes to the system's debugger
// output, which gets ESC "L" and " " CR LF once before the first line of the process.
//
// Line forms (every line ends in CR LF):
//   -> <first> ><second><                           without location
//   PROC: <function> Zeile:<line> -> <first> ><second><   with location
// A number as first argument traces "Wert: " + the number right-aligned in 10 characters, with
// "Laenge: " + that text's length in 10 characters as second value and the location shown.
// "CLEAR" as first argument empties the viewer (or writes " " CR LF to the debugger output).

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "data/base/value.h"

namespace tabrix {

struct TraceCodeblock {};  // a callback: traced by its kind only
struct TraceObject {};     // an object: traced by its kind only

// A value as the trace prints it. Nothing (monostate) prints as "NIL".
struct TraceValue {
  using List = std::vector<TraceValue>;
  std::variant<std::monostate, std::string, double, int64_t, bool, Date, List, TraceCodeblock,
               TraceObject>
      v;

  TraceValue() = default;
  TraceValue(const char* s) : v(std::string(s)) {}
  TraceValue(std::string s) : v(std::move(s)) {}
  TraceValue(int i) : v(int64_t{i}) {}
  TraceValue(int64_t i) : v(i) {}
  TraceValue(double d) : v(d) {}
  TraceValue(bool b) : v(b) {}
  TraceValue(Date d) : v(d) {}
  TraceValue(List l) : v(std::move(l)) {}
  TraceValue(TraceCodeblock c) : v(c) {}
  TraceValue(TraceObject o) : v(o) {}
};

// Where the trace goes; the Windows build's channel uses atoms, FindWindow and the window
// text of the viewer's control (o_s_win.cpp). Without an installed channel the build's
// built-in one is used (on the native build: never enabled).
class DebugChannel {
 public:
  virtual ~DebugChannel() = default;
  virtual bool AtomExists(const char* name) = 0;
  // Looks for the viewer window; true when it exists.
  virtual bool FindViewer(const char* windowClass, const char* title) = 0;
  // Text of control id of the viewer found last.
  virtual std::string ViewerText(int id) = 0;
  virtual void SetViewerText(int id, const std::string& text) = 0;
  virtual void DebugString(const std::string& text) = 0;
};

DebugChannel* SetDebugChannel(DebugChannel* channel);  // nullptr: the built-in one
DebugChannel& BuiltInDebugChannel();

inline constexpr const char* kDebugAtom = "ENABLE_DEBUG_OUTPUT";
inline constexpr const char* kDebugViewerTitle = "Halvang-DBWIN";
inline constexpr const char* kDebugViewerClass = "#32770";
inline constexpr int kDebugViewerControl = 101;
inline constexpr size_t kDebugViewerKeep = 5000;

// One trace line; a second value of nothing prints as "NIL". first nothing: the caller's
// location as the trace of where it stands ("PROC: <function> Zeile:<line>"; C++ knows no
// callers beyond that). A list or callback as first argument is replaced by a note that it
// should be a text, number or nothing. function and line name the caller; leave them out.
void O_S(const TraceValue& first = {}, const TraceValue& second = {}, bool withLocation = false,
         const char* function = __builtin_FUNCTION(), int line = __builtin_LINE());

// The printable form of a (nested) list, e.g. "1: 1 | 2: a | " CR LF TAB "3,1: .T.".
std::string CARRAY(const TraceValue::List& list, int level, std::string prefix);

// Text straight to the system's debugger output, without O_S's enabling rules (what the NTX
// range count reports).
void DebuggerOutput(const std::string& text);

// Forgets that the debugger output was started (tests).
void ResetDebugOutputStarted();

}  // namespace tabrix
