#pragma once
// The converter's workflows, step by step as a user does them, on top of the driver: pick a
// file in a file dialog, assign fields in the converter dialog, convert and answer every question
// on the way. Each step checks that the program shows what the step needs and records what it
// saw (message texts, chooser labels, dialog titles) in a transcript that tests compare with what
// they expect. A failed step returns false and says why in `error`.

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "e2e/tabrix_driver_win.h"

namespace tabrix::e2e {

// Converter dialog controls.
namespace ids {
constexpr int kSourceList = 101, kTargetList = 102, kConvert = 103, kCancel = 104, kAssign = 106,
              kAssignFinal = 107, kRemove = 108, kOpenSource = 109, kSourceLabel = 110,
              kOpenAssignments = 111, kSaveAssignments = 112, kDoubleClickFinal = 113,
              kAskOnLonger = 114, kPostalCodeFromCity = 115, kShowSource = 116;
// Choosers: list 101, label 110, 106 "Zuweisen"/"Verknüpfen", 105 third button, 104 "Abbruch".
constexpr int kChooserList = 101, kChooserLabel = 110, kChooserTake = 106, kChooserThird = 105,
              kChooserCancel = 104;
// Protocol: 110 count line, 101 numbers, 102 "Ende", 103 "Protokoll speichern".
constexpr int kProtocolCount = 110, kProtocolText = 101, kProtocolEnd = 102, kProtocolSave = 103;
}  // namespace ids

// The first column of a list row (the text before its first TAB), without trailing blanks.
std::string RowKey(const std::string& row);
// How a file dialog appears in a transcript: "file: <title> | <file type> | <file name>".
std::string FileDialogLine(const FileDialogInfo& info);

// Answers for one conversion. Texts are window text (Windows-1252).
struct ConversionAnswers {
  // The country to pick (as the chooser lists it) for a country chooser's label; empty: none.
  std::function<std::string(const std::string& label)> country;
  std::string defaultCountry;    // for the "Standard-Land:" chooser
  std::string replacementField;  // source field for the name; empty: "kein Ersatzfeld"
  std::string linkFile;          // loaded with "aus Datei" at the first country question
  std::string saveAssignmentsTo, saveLinksTo, saveProtocolTo;  // empty: answer No / "Ende"
  // Called with every view before it is answered (tests look at rows and texts there).
  std::function<void(const Screen&)> inspect;
};

class Steps {
 public:
  explicit Steps(Program& program) : program_(program) {}

  std::string error;                    // why the last failed step failed
  std::vector<std::string> transcript;  // "box: ...", "chooser: ...", "file: ...", "protocol: ..."
  std::string shotFolder;               // when set: a screenshot of each new kind of window
  std::vector<std::string> shots;       // the screenshots taken (BMP paths)
  std::function<void(const std::string&)> trace;  // progress lines (the autopilot prints them)

  // Waits for one of the views; fails when the program shows something else meanwhile that
  // does not go away by itself, or ends.
  Screen Wait(std::initializer_list<View> views, const std::string& what,
              DWORD timeoutMs = kStepTimeoutMs);

  // The open or save dialog: checks its title and filter when given, then types the path.
  bool ChooseFile(const std::string& path, const std::string& title = {},
                  const std::string& filter = {});
  bool CancelFile(const std::string& title = {});
  // The next message box must say `text`; it is answered with the button.
  bool AnswerBox(const std::string& text, int button);

  // The converter dialog, filled and settled.
  HWND Converter();
  bool SelectSource(HWND converter, const std::string& field);
  bool SelectTarget(HWND converter, const std::string& label);
  // Selects the source field and the target row, presses "Zuweisen" (or "Endgültig zuweisen"),
  // answers the question when one is named (OK), and waits until the target row reads
  // expectedRow (and, for a final assignment, the source row has gone).
  bool Assign(HWND converter, const std::string& field, const std::string& label, bool final,
              const std::string& expectedRow, const std::string& question = {});
  // Selects the target row, presses "Zuweisung Entfernen" and waits until the row reads
  // expectedRow.
  bool Remove(HWND converter, const std::string& label, const std::string& expectedRow);
  // Selects the target row, then double-clicks the source row.
  bool AssignByDoubleClick(HWND converter, const std::string& field, const std::string& label,
                           bool final, const std::string& expectedRow);
  // Ticks or clears a check box and waits until it shows the new state.
  bool SetCheck(HWND dialog, int id, bool checked);

  // Presses "Konvertieren" and answers everything until the program has ended.
  bool Convert(HWND converter, const ConversionAnswers& answers);
  // Answers from the current point of a conversion (after "Konvertieren" and any question the
  // test answered itself) until the program has ended.
  bool FinishConversion(const ConversionAnswers& answers);

  // A screenshot of the window, kept as <shotFolder>/<name>.bmp (once per name).
  void Shot(HWND window, const std::string& name);
  // The same, with `cover` (a window on top of it) moved aside for the moment of the picture.
  void ShotUncovered(HWND window, HWND cover, const std::string& name);

 private:
  bool Fail(const std::string& why);
  void Note(const std::string& line);
  Program& program_;
  bool linkFileLoaded_ = false;
};

}  // namespace tabrix::e2e
