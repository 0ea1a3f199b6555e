// The timing driver: one conversion of a source table through the real tabrix.exe, with the
// assignment of bench/convert_bench.cpp, timed from the click on "Konvertieren" to the end of the
// conversion, while the progress dialog is on the screen.
//
//   tabrix_timing.exe <installation folder> <source table> [--poll-ms N]
//
// The installation folder holds "program" (tabrix.exe, ZBRES32.DLL and the reference tables),
// "product" (the product folder that the Windows folder's QZ.ini names), "appdata" and "work",
// as bench/wine_convert.sh lays them out.
//
// The assignment: NAME to "Sortbegriff" (provisionally) and then to "Name", NAME2, ANREDE, PLZ,
// STRASSE, ORT, LAND, TELEFON, TELEFAX and EMAIL to their rows (the e-mail row is labelled
// "E-Mail" by the product's QZX.ini, else "eMail"), UMSATZ and BEMERK to "Bemerkung" (in this
// order: after BEMERK the remark has no room left and the dialog refuses UMSATZ), NOTIZ and
// GEBDAT to "Notizen"; a question about a longer field is answered OK.
//
// During the conversion every message box is answered OK, every country chooser with its first
// row and "Verknüpfen", the replacement-name chooser with "kein Ersatzfeld" (its warning OK).
// The conversion ends with the protocol dialog, filled in (the program waits for messages again),
// or with the box "Es wurden N Datensätze konvertiert.".
// The driver watches the program every --poll-ms milliseconds (default 10), and every millisecond
// for a quarter of a second after each answer: between two looks it waits for the program's end
// or a message of its own, at most that long. While the progress dialog is shown, its counter
// text is sampled (read from the window, without a message to the busy program).
//
// Time the program waits for the driver: for each question, from the look that found it
// filled in to the moment the answer was posted. The moments before that look (up to a
// millisecond after an answer, else up to one poll interval) are not seen and count as the
// program's. The net time is the wall time less the driver's answering.
//
// Prints the timing lines and one line "timing: records=... seconds=... ..." for the script,
// then ends the program ("Ende" on the protocol, the save questions answered No). CPU seconds
// (user + system) are taken at the click and at the end: of the driver itself, of the program's
// Unix process (found in /proc by its command line, read through drive Z:; under Wine
// GetProcessTimes of another process does not tell) and of the Unix processes named in
// TABRIX_TIMING_UNIX_PIDS ("name=pid ...", e.g. the wineserver and the X server).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/converter_steps_win.h"
#include "e2e/tabrix_driver_win.h"

using namespace tabrix::e2e;

namespace {

// The longest a conversion may take before the driver gives up.
constexpr double kConversionLimitSeconds = 3600;
// After an answer the driver looks every kFastPollMs for kFastPollSeconds: the questions come in
// bursts, and the time until the next one is seen counts as the program's.
constexpr DWORD kFastPollMs = 1;
constexpr double kFastPollSeconds = 0.25;
constexpr int kMessageText = 0xFFFF;     // a message box's text
constexpr int kFileNameField = 0x47C;    // the common file dialog's name box
constexpr int kProgressCounterId = 101;  // the progress dialog's counter

void Print(const std::string& line) {
  std::printf("timing: %s\n", Recode(line, 1252, CP_UTF8).c_str());
  std::fflush(stdout);
}

int Fail(const std::string& why) {
  Print("FAILED: " + why);
  return 1;
}

double Now() {
  static const double frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  LARGE_INTEGER c;
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) / frequency;
}

std::string Fixed(double v, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, v);
  return text;
}

// The window text as the window system keeps it: for a window of another process no message
// is sent, so reading the text of a busy program does not wait for it.
std::string StoredText(HWND window) {
  if (!window) return {};
  char text[512] = {};
  const int n = GetWindowTextA(window, text, sizeof text);
  return std::string(text, n > 0 ? static_cast<size_t>(n) : 0);
}

bool StartsWith(const std::string& s, const std::string& prefix) {
  return s.compare(0, prefix.size(), prefix) == 0;
}

// User + kernel seconds of this process.
double OwnCpuSeconds() {
  FILETIME created, ended, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user)) return -1;
  auto seconds = [](const FILETIME& t) {
    return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) /
           1e7;
  };
  return seconds(kernel) + seconds(user);
}

// The Unix processes whose CPU time is taken around the conversion: "name=pid ..." from the
// environment, read from /proc/<pid>/stat (fields 14 and 15, in clock ticks of 1/100 s).
struct UnixProcess {
  std::string name;
  std::string pid;
  double before = -1;
};

double UnixCpuSeconds(const std::string& pid) {
  std::ifstream in("Z:\\proc\\" + pid + "\\stat", std::ios::binary);
  std::string line;
  if (!std::getline(in, line)) return -1;
  const size_t close = line.rfind(')');
  if (close == std::string::npos) return -1;
  std::istringstream fields(line.substr(close + 2));
  std::vector<std::string> f;
  for (std::string w; fields >> w;) f.push_back(w);
  // After the command: state is field 3, utime field 14, stime field 15.
  if (f.size() < 13) return -1;
  return (std::atof(f[11].c_str()) + std::atof(f[12].c_str())) / 100.0;
}

// The Unix process that runs the Windows program `exe` (its command line starts with the path):
// its pid, or "" when none is found.
std::string UnixPidOf(const std::string& exe) {
  WIN32_FIND_DATAA found;
  HANDLE h = FindFirstFileA("Z:\\proc\\*", &found);
  if (h == INVALID_HANDLE_VALUE) return {};
  std::string pid;
  do {
    const std::string name = found.cFileName;
    if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::ifstream in("Z:\\proc\\" + name + "\\cmdline", std::ios::binary);
    std::string command;
    std::getline(in, command, '\0');
    if (_stricmp(command.c_str(), exe.c_str()) == 0) pid = name;
  } while (pid.empty() && FindNextFileA(h, &found));
  FindClose(h);
  return pid;
}

std::vector<UnixProcess> UnixProcessesToWatch() {
  std::vector<UnixProcess> list;
  char value[1024] = {};
  const DWORD n = GetEnvironmentVariableA("TABRIX_TIMING_UNIX_PIDS", value, sizeof value);
  if (n == 0 || n >= sizeof value) return list;
  std::istringstream words(value);
  for (std::string w; words >> w;) {
    const size_t eq = w.find('=');
    if (eq == std::string::npos) continue;
    list.push_back({w.substr(0, eq), w.substr(eq + 1)});
  }
  return list;
}

// The number in "Es wurden N Datensätze konvertiert.", -1 when the text is not that line.
long long ConvertedCount(const std::string& text) {
  const std::string prefix = "Es wurden ";
  if (!StartsWith(text, prefix) || text.find("konvertiert") == std::string::npos) return -1;
  return std::atoll(text.c_str() + prefix.size());
}

// What the program shows at one look, found without sending it a message.
struct Sight {
  enum Kind { kNone, kMessageBox, kFileDialog, kProgress, kChooser, kProtocol, kOtherDialog };
  Kind kind = kNone;
  HWND window = nullptr;
  std::string text;  // message box text, chooser label, protocol count line, progress counter
};

HWND VisibleChildDialog(HWND frame) {
  for (HWND c = FindWindowExA(frame, nullptr, "#32770", nullptr); c;
       c = FindWindowExA(frame, c, "#32770", nullptr)) {
    if (IsWindowVisible(c)) return c;
  }
  return nullptr;
}

Sight LookAt(DWORD processId, HWND frame) {
  Sight s;
  for (HWND w = FindWindowExA(nullptr, nullptr, "#32770", nullptr); w;
       w = FindWindowExA(nullptr, w, "#32770", nullptr)) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid != processId || !IsWindowVisible(w)) continue;
    s.window = w;
    if (GetDlgItem(w, kFileNameField)) {
      s.kind = Sight::kFileDialog;
    } else if (HWND text = GetDlgItem(w, kMessageText)) {
      s.kind = Sight::kMessageBox;
      s.text = StoredText(text);
    } else {
      s.kind = Sight::kOtherDialog;
    }
    return s;
  }
  HWND dialog = frame ? VisibleChildDialog(frame) : nullptr;
  if (!dialog) return s;
  s.window = dialog;
  const std::string caption = StoredText(dialog);
  if (caption == "DIALOG_3") {
    s.kind = Sight::kProgress;
    s.text = StoredText(GetDlgItem(dialog, kProgressCounterId));
  } else if (caption == "Liste" || caption == "DIALOG_5") {
    s.kind = Sight::kChooser;
    s.text = StoredText(GetDlgItem(dialog, ids::kChooserLabel));
  } else if (caption == "DIALOG_4") {
    s.kind = Sight::kProtocol;
    s.text = StoredText(GetDlgItem(dialog, ids::kProtocolCount));
  } else {
    s.kind = Sight::kOtherDialog;
    s.text = caption;
  }
  return s;
}

// Clicks the first row of a chooser's list until it is the selected one (at most a few times).
// The pointer is put on the row first: a mouse move that the program handles between the press
// and the release (a window appeared under the pointer) would select the row under the pointer.
bool PickFirstRow(HWND list) {
  for (int attempt = 0; attempt < 5; ++attempt) {
    RECT row{};
    DWORD_PTR ok = 0;
    if (SendMessageTimeoutA(list, LB_SETTOPINDEX, 0, 0, SMTO_NORMAL, 10000, &ok) &&
        SendMessageTimeoutA(list, LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row), SMTO_NORMAL,
                            10000, &ok)) {
      POINT at{row.left + 8, (row.top + row.bottom) / 2};
      ClientToScreen(list, &at);
      SetCursorPos(at.x, at.y);
    }
    if (ClickListRow(list, 0) && ListSelection(list) == 0) return true;
  }
  return false;
}

struct Assignment {
  const char* field;
  std::vector<std::string> labels;  // the first the target list has
  bool final;
};

// Assigns one source field as the converter dialog's buttons do; a question on the way (a longer
// source field) is answered OK.
bool AssignField(Program& program, Steps& steps, HWND converter, const Assignment& a) {
  HWND targets = GetDlgItem(converter, ids::kTargetList);
  std::string label;
  for (const std::string& candidate : a.labels) {
    for (const std::string& row : ListRows(targets)) {
      if (RowKey(row) == candidate) label = candidate;
    }
    if (!label.empty()) break;
  }
  if (label.empty()) {
    steps.error = "no target row " + a.labels.front();
    return false;
  }
  if (!steps.SelectSource(converter, a.field) || !steps.SelectTarget(converter, label)) {
    return false;
  }
  const int row = ListSelection(targets);
  const std::string before = ListRows(targets)[static_cast<size_t>(row)];
  if (!ClickButton(converter, a.final ? ids::kAssignFinal : ids::kAssign)) {
    steps.error = "cannot press the assign button";
    return false;
  }
  const bool changed = WaitUntil(
      [&] {
        const Screen s = Look(program);
        if (s.view == View::kMessageBox) {
          Print("box: " + s.text);
          AnswerMessageBox(s, IDOK);
        }
        const std::vector<std::string> rows = ListRows(targets);
        return static_cast<int>(rows.size()) > row && rows[static_cast<size_t>(row)] != before;
      },
      kStepTimeoutMs, program.Handle());
  if (!changed) {
    steps.error = std::string("assigning ") + a.field + " changed nothing";
    return false;
  }
  Print(std::string("assigned ") + a.field + " -> " + ListRows(targets)[static_cast<size_t>(row)]);
  return true;
}

struct Timing {
  double start = 0, end = 0;
  double driverSeconds = 0;  // the program waiting for answers
  double firstQuestion = 0;  // the click to the first question seen
  double tail = 0;           // the last answer to the end
  double protocolFill = 0;   // the protocol's count line seen to the dialog filled in
  // The program's time from an answer (or the click) to the next question, by the kind of that
  // question: before a chooser it is mostly building the chooser.
  double beforeBoxes = 0, beforeChoosers = 0;
  int boxes = 0, choosers = 0;
  double longestAnswer = 0;
  int questions = 0;
  long long records = -1;
  bool endedWithBox = false;
  HWND endWindow = nullptr;
  // The progress dialog as sampled.
  long progressSamples = 0, counterChanges = 0;
  std::set<std::string> counterTexts;
  std::string lastCounter;
  // The looks.
  long looks = 0;
  std::map<std::string, long> seenKinds;  // what the looks found
  double longestLook = 0, longestGap = 0;
};

// Watches the conversion from the click to its end and answers every question on the way.
// With `linksFile`, the first country question is answered with "aus Datei" and that file, as a
// technician repeating a conversion with the links saved the first time.
bool WatchConversion(const Program& program, HWND frame, double pollMs,
                     const std::string& linksFile, Timing* t, std::string* error) {
  std::map<HWND, std::string> answered;  // windows answered and still there
  bool linksAsked = false;               // "aus Datei" pressed; its file dialog comes next
  double lastAnswer = t->start;          // the click, then each answer posted
  // Books one question: the program's time since the last answer (by the kind of question) and
  // the driver's; returns " (P ms after the last answer; answered in A ms)" for its line.
  auto note = [&](double seen, double posted, bool chooser) {
    if (t->questions == 1) t->firstQuestion = seen - t->start;
    (chooser ? t->beforeChoosers : t->beforeBoxes) += seen - lastAnswer;
    ++(chooser ? t->choosers : t->boxes);
    const std::string line = " (" + Fixed((seen - lastAnswer) * 1000, 1) +
                             " ms after the last answer; answered in " +
                             Fixed((posted - seen) * 1000, 1) + " ms)";
    lastAnswer = posted;
    return line;
  };
  double lastLook = t->start;
  for (;;) {
    const double lookStart = Now();
    if (lookStart - t->start > kConversionLimitSeconds) {
      *error = "the conversion did not end within " + Fixed(kConversionLimitSeconds, 0) + " s";
      return false;
    }
    if (!program.Running()) {
      *error = "the program ended during the conversion";
      return false;
    }
    for (auto it = answered.begin(); it != answered.end();) {
      it = (!IsWindow(it->first) || !IsWindowVisible(it->first)) ? answered.erase(it) : ++it;
    }
    const Sight s = LookAt(program.Id(), frame);
    const double seen = Now();
    ++t->looks;
    static const char* const kKindNames[] = {"nothing", "box",      "file", "progress",
                                             "chooser", "protocol", "other"};
    ++t->seenKinds[kKindNames[s.kind]];
    t->longestLook = std::max(t->longestLook, seen - lookStart);
    t->longestGap = std::max(t->longestGap, lookStart - lastLook);
    lastLook = lookStart;
    const bool fresh = s.window && answered.count(s.window) == 0;

    if (s.kind == Sight::kProgress) {
      ++t->progressSamples;
      if (t->progressSamples > 1 && s.text != t->lastCounter) ++t->counterChanges;
      t->lastCounter = s.text;
      if (!s.text.empty()) t->counterTexts.insert(s.text);
    } else if (s.kind == Sight::kMessageBox && fresh && !s.text.empty()) {
      const long long converted = ConvertedCount(s.text);
      if (converted >= 0) {
        t->end = seen;
        t->tail = seen - lastAnswer;
        t->records = converted;
        t->endedWithBox = true;
        t->endWindow = s.window;
        return true;
      }
      const int button = GetDlgItem(s.window, IDOK) ? IDOK : IDNO;
      if (!ClickButton(s.window, button)) {
        *error = "cannot answer the message: " + s.text;
        return false;
      }
      const double posted = Now();
      t->driverSeconds += posted - seen;
      t->longestAnswer = std::max(t->longestAnswer, posted - seen);
      ++t->questions;
      answered[s.window] = s.text;
      Print("box: " + s.text + note(seen, posted, false));
    } else if (s.kind == Sight::kChooser && fresh && !s.text.empty() &&
               s.text != "Eingangs Felder:") {
      HWND list = GetDlgItem(s.window, ids::kChooserList);
      DWORD_PTR count = 0;
      if (SendMessageTimeoutA(list, LB_GETCOUNT, 0, 0, SMTO_NORMAL, 10000, &count) && count > 0 &&
          Settle(s.window)) {
        HWND third = GetDlgItem(s.window, ids::kChooserThird);
        const bool noReplacement =
            third && IsWindowVisible(third) && StoredText(third) == "kein Ersatzfeld";
        const bool fromFile = !linksFile.empty() && !linksAsked && third &&
                              IsWindowVisible(third) && StoredText(third) == "aus Datei";
        bool ok;
        if (noReplacement || fromFile) {
          ok = ClickButton(s.window, ids::kChooserThird);
          linksAsked = linksAsked || fromFile;
        } else {
          ok = PickFirstRow(list) && ClickButton(s.window, ids::kChooserTake);
        }
        if (!ok) {
          *error = "cannot answer the chooser: " + s.text;
          return false;
        }
        const double posted = Now();
        t->driverSeconds += posted - seen;
        t->longestAnswer = std::max(t->longestAnswer, posted - seen);
        ++t->questions;
        answered[s.window] = s.text;
        Print("chooser: " + s.text + (noReplacement ? " -> kein Ersatzfeld" : " -> first row") +
              note(seen, posted, true));
      }
    } else if (s.kind == Sight::kProtocol && !s.text.empty() && s.text != "Text") {
      // The count line is set first; the dialog is complete when the program waits for
      // messages again (its list of skipped records is built meanwhile).
      if (!Settle(s.window)) {
        *error = "the protocol dialog does not answer";
        return false;
      }
      const double settled = Now();
      t->protocolFill = settled - seen;
      t->end = settled;
      t->tail = settled - lastAnswer;
      t->records = ConvertedCount(s.text);
      t->endWindow = s.window;
      return true;
    } else if (s.kind == Sight::kFileDialog && linksAsked && fresh) {
      if (!FillFileDialog(s.window, linksFile)) {
        *error = "cannot load the country links " + linksFile;
        return false;
      }
      const double posted = Now();
      t->driverSeconds += posted - seen;
      t->longestAnswer = std::max(t->longestAnswer, posted - seen);
      ++t->questions;
      answered[s.window] = linksFile;
      Print("file: " + linksFile + note(seen, posted, false));
    } else if (s.kind == Sight::kFileDialog && fresh) {
      *error = "a file dialog during the conversion: " + StoredText(s.window);
      return false;
    }
    // Until the program ends or a message for this process arrives, at most one poll interval;
    // shortly after an answer, when the next question is likely, at most kFastPollMs.
    HANDLE process = program.Handle();
    const bool soon = Now() - lastAnswer < kFastPollSeconds && t->questions > 0;
    const DWORD wait = soon ? std::min<DWORD>(kFastPollMs, static_cast<DWORD>(pollMs))
                            : static_cast<DWORD>(pollMs);
    const DWORD r = MsgWaitForMultipleObjects(1, &process, FALSE, wait, QS_ALLINPUT);
    if (r == WAIT_OBJECT_0 + 1) {
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  double pollMs = 10;     // between the questions
  std::string linksFile;  // loaded with "aus Datei" at the first country question
  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--poll-ms" && i + 1 < argc) {
      pollMs = std::atof(argv[++i]);
    } else if (a == "--links" && i + 1 < argc) {
      linksFile = WindowsPath(argv[++i]);
    } else {
      positional.push_back(a);
    }
  }
  if (positional.size() != 2 || pollMs < 1) {
    std::printf(
        "usage: tabrix_timing <installation folder> <source table> [--poll-ms N] [--links "
        "LVK]\n");
    return 2;
  }
  Installation in = InstallationAt(positional[0]);
  const std::string source = WindowsPath(positional[1]);
  if (!FileExists(in.exe)) return Fail("no " + in.exe);
  if (!FileExists(source)) return Fail("no " + source);
  MakeFolders(in.appData);
  MakeFolders(in.work);

  Program program;
  Steps steps(program);
  std::string error;
  const double started = Now();
  if (!program.Start(in, &error)) return Fail(error);
  const double running = Now();
  if (!steps.ChooseFile(source)) return Fail(steps.error);
  const double chosen = Now();
  HWND converter = steps.Converter();
  if (!converter) return Fail(steps.error);
  Print("start-up (not timed): the program started in " + Fixed(running - started, 2) +
        " s, the source chosen after " + Fixed(chosen - started, 2) +
        " s, the converter dialog up after " + Fixed(Now() - started, 2) + " s");

  const Assignment plan[] = {{"NAME", {"Sortbegriff"}, false},
                             {"NAME", {"Name"}, true},
                             {"NAME2", {"Name2"}, true},
                             {"ANREDE", {"Anrede"}, true},
                             {"PLZ", {"PLZ"}, true},
                             {"STRASSE",
                              {"Stra\xDF"
                               "e"},
                              true},
                             {"ORT", {"Ort"}, true},
                             {"LAND", {"Land"}, true},
                             {"TELEFON", {"Telefon"}, true},
                             {"TELEFAX", {"Telefax"}, true},
                             {"EMAIL", {"E-Mail", "eMail"}, true},
                             {"UMSATZ", {"Bemerkung"}, true},
                             {"BEMERK", {"Bemerkung"}, true},
                             {"NOTIZ", {"Notizen"}, true},
                             {"GEBDAT", {"Notizen"}, true}};
  for (const Assignment& a : plan) {
    if (!AssignField(program, steps, converter, a)) return Fail(steps.error);
  }
  if (!Settle(converter)) return Fail("the converter dialog does not answer");

  const HWND frame = FindFrame(program.Id());
  std::vector<UnixProcess> watched = UnixProcessesToWatch();
  for (UnixProcess& u : watched) u.before = UnixCpuSeconds(u.pid);
  const std::string programPid = UnixPidOf(in.exe);
  if (!programPid.empty()) watched.push_back({"program", programPid, UnixCpuSeconds(programPid)});
  const double driverCpuBefore = OwnCpuSeconds();

  Timing t;
  Print("Konvertieren");
  t.start = Now();
  if (!ClickButton(converter, ids::kConvert)) return Fail("cannot press Konvertieren");
  if (!WatchConversion(program, frame, pollMs, linksFile, &t, &error)) return Fail(error);

  const double driverCpu = OwnCpuSeconds() - driverCpuBefore;
  std::string unixCpu;
  for (const UnixProcess& u : watched) {
    const double after = UnixCpuSeconds(u.pid);
    unixCpu += " " + u.name + "_cpu_s=" +
               (u.before >= 0 && after >= 0 ? Fixed(after - u.before, 2) : std::string("-"));
  }
  const double seconds = t.end - t.start;
  const double net = seconds - t.driverSeconds;
  const double records = static_cast<double>(t.records);
  Print(std::string("the conversion ended with the ") +
        (t.endedWithBox ? "message" : "protocol dialog") + ": " + std::to_string(t.records) +
        " records converted");
  Print("wall " + Fixed(seconds, 3) + " s from the click, " + Fixed(records / seconds, 0) +
        " records/s; the driver answered " + std::to_string(t.questions) + " questions in " +
        Fixed(t.driverSeconds, 3) + " s (longest " + Fixed(t.longestAnswer * 1000, 1) +
        " ms); without them " + Fixed(net, 3) + " s, " + Fixed(records / net, 0) + " records/s");
  Print("progress dialog: " + std::to_string(t.progressSamples) + " samples, the counter changed " +
        std::to_string(t.counterChanges) + " times (" + std::to_string(t.counterTexts.size()) +
        " different texts, last \"" + t.lastCounter + "\"); " + std::to_string(t.looks) +
        " looks every " + Fixed(pollMs, 0) + " ms at most, longest gap " +
        Fixed(t.longestGap * 1000, 1) + " ms");
  Print("the program's time: " + Fixed(t.beforeBoxes, 3) + " s up to " + std::to_string(t.boxes) +
        " message boxes (conversion between the questions), " + Fixed(t.beforeChoosers, 3) +
        " s up to " + std::to_string(t.choosers) + " choosers filled in, " + Fixed(t.tail, 3) +
        " s from the last answer to the end (of which " + Fixed(t.protocolFill, 3) +
        " s from the protocol's count line to its list); the first question came " +
        Fixed(t.firstQuestion, 3) + " s after the click");
  std::string kinds;
  for (const auto& [kind, n] : t.seenKinds) kinds += " " + kind + "=" + std::to_string(n);
  Print("the looks found:" + kinds);
  Print("records=" + std::to_string(t.records) + " seconds=" + Fixed(seconds, 4) +
        " records_per_s=" + Fixed(records / seconds, 0) + " driver_seconds=" +
        Fixed(t.driverSeconds, 4) + " questions=" + std::to_string(t.questions) +
        " net_seconds=" + Fixed(net, 4) + " net_records_per_s=" + Fixed(records / net, 0) +
        " progress_samples=" + std::to_string(t.progressSamples) +
        " progress_changes=" + std::to_string(t.counterChanges) + " progress_texts=" +
        std::to_string(t.counterTexts.size()) + " before_boxes_s=" + Fixed(t.beforeBoxes, 4) +
        " before_choosers_s=" + Fixed(t.beforeChoosers, 4) +
        " choosers=" + std::to_string(t.choosers) + " tail_s=" + Fixed(t.tail, 4) +
        " protocol_fill_s=" + Fixed(t.protocolFill, 4) + " looks=" + std::to_string(t.looks) +
        " poll_ms=" + Fixed(pollMs, 0) +
        " driver_cpu_s=" + (driverCpu >= 0 ? Fixed(driverCpu, 2) : std::string("-")) + unixCpu);

  // The end: the box answered OK, then "Ende" and No to every save question.
  if (t.endedWithBox && !AnswerMessageBox(Look(program), IDOK)) {
    return Fail("the last message did not take OK");
  }
  ConversionAnswers answers;
  answers.country = [](const std::string&) { return std::string(); };
  if (!steps.FinishConversion(answers)) return Fail(steps.error);
  const std::optional<DWORD> code = program.WaitForExit();
  if (!code) return Fail("the program did not end");
  Print("the program ended with exit code " + std::to_string(*code));
  return t.records > 0 && *code == 0 ? 0 : 1;
}
