// The demo autopilot: drives one conversion of a customer export through the real tabrix.exe as
// a user would, and keeps a screenshot of every kind of window it passes on the way.
//
//   tabrix_autopilot.exe <installation folder> <source table> <screenshot folder>
//
// The installation folder holds the folders "program" (tabrix.exe with its reference tables),
// "product" (the product folder that the Windows folder's QZ.ini names), "appdata" (per-user
// settings) and "work" (files the autopilot saves: assignments, country links, protocol). Prints
// what it sees and does; exits 0 when the conversion was delivered and the program ended by itself.
#include <windows.h>

#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "e2e/converter_steps_win.h"
#include "e2e/dbf_file.h"
#include "e2e/expected_conversion.h"
#include "e2e/tabrix_driver_win.h"

using namespace tabrix::e2e;

namespace {

void Print(const std::string& line) {
  // Window text is Windows-1252; the console that runs the autopilot reads UTF-8.
  std::printf("autopilot: %s\n", Recode(line, 1252, CP_UTF8).c_str());
  std::fflush(stdout);
}

int Fail(const std::string& why) {
  Print("FAILED: " + why);
  return 1;
}

// The countries a support technician picks for the export's designations (window text).
std::string CountryFor(const std::string& designation) {
  static const std::map<std::string, std::string> picks = {{"", "DEUTSCHLAND"},
                                                           {"BRD", "DEUTSCHLAND"},
                                                           {"D", "DEUTSCHLAND"},
                                                           {"DE", "DEUTSCHLAND"},
                                                           {"GERMANY", "DEUTSCHLAND"},
                                                           {"CZ", "TSCHECHIEN"},
                                                           {"TSCHECHISCHE REPUBLIK", "TSCHECHIEN"},
                                                           {"TSCHECHISCHE REPUBLI", "TSCHECHIEN"},
                                                           {"NEDERLAND", "NIEDERLANDE"},
                                                           {"HOLLAND", "NIEDERLANDE"},
                                                           {"NL", "NIEDERLANDE"},
                                                           {"ITALIA", "ITALIEN"},
                                                           {"I", "ITALIEN"},
                                                           {"B", "BELGIEN"},
                                                           {"BELGIQUE", "BELGIEN"},
                                                           {"F", "FRANKREICH"},
                                                           {"FRANCE", "FRANKREICH"},
                                                           {"PL", "POLEN"},
                                                           {"L", "LUXEMBURG"},
                                                           {"DK", "D\xC4NEMARK"},
                                                           {"FL", "LIECHTENSTEIN"},
                                                           {"A", "\xD6STERREICH"},
                                                           {"AT", "\xD6STERREICH"},
                                                           {"AUSTRIA", "\xD6STERREICH"},
                                                           {"OESTERREICH", "\xD6STERREICH"},
                                                           {"CH", "SCHWEIZ"},
                                                           {"SUISSE", "SCHWEIZ"}};
  std::string key;
  for (char c : designation) {
    const auto b = static_cast<unsigned char>(c);
    const bool lower = (b >= 'a' && b <= 'z') || b == 0xE4 || b == 0xF6 || b == 0xFC;  // ä ö ü
    key += static_cast<char>(lower ? b - 32 : b);
  }
  while (!key.empty() && key.back() == ' ') key.pop_back();
  while (!key.empty() && key.front() == ' ') key.erase(key.begin());
  const auto it = picks.find(key);
  return it == picks.end() ? "DEUTSCHLAND" : it->second;
}

struct Assignment {
  const char* field;
  const char* label;
  bool final;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::printf(
        "usage: tabrix_autopilot <installation folder> <source table> <screenshot folder>\n");
    return 2;
  }
  Installation in = InstallationAt(argv[1]);
  const std::string source = WindowsPath(argv[2]);
  const std::string shots = WindowsPath(argv[3]);
  if (!FileExists(in.exe)) return Fail("no " + in.exe);
  if (!FileExists(source)) return Fail("no " + source);
  MakeFolders(in.appData);
  MakeFolders(in.work);
  MakeFolders(shots);

  // A link file for the Swiss designations, loaded at the first country question ("aus Datei").
  const std::optional<DbfFile> countries = DbfFile::Load(JoinPath(in.program, "LAND.qzf"));
  const std::optional<DbfFile> templ = DbfFile::Load(JoinPath(in.program, "Kndstneu.qzf"));
  if (!countries || !templ) return Fail("cannot read the reference tables");
  int swiss = 0, position = 0;
  for (size_t r = 0; r < countries->RecordCount(); ++r) {
    if (countries->Deleted(r)) continue;
    ++position;
    if (TrimRight(countries->Raw(r, countries->FieldNumber("LANDN"))) == "SCHWEIZ")
      swiss = position;
  }
  const size_t width = static_cast<size_t>(templ->Field(templ->FieldNumber("LAND")).length);
  auto padded = [&](std::string s) {
    s.resize(width, ' ');
    return s;
  };
  const std::string linkFile = JoinPath(in.work, "Schweiz.LVK");
  WriteWholeFile(linkFile, LinkFileBytes({{padded("CH"), swiss}, {padded("SUISSE"), swiss}}));

  Program program;
  Steps steps(program);
  steps.shotFolder = shots;
  steps.trace = Print;
  std::string error;
  Print("starting " + in.exe);
  if (!program.Start(in, &error)) return Fail(error);

  // The start-up picture behind the source table chooser.
  const Screen first = steps.Wait({View::kFileDialog}, "the source table chooser");
  if (first.view != View::kFileDialog) return Fail(steps.error);
  if (first.frame) steps.ShotUncovered(first.frame, first.window, "start_picture");
  if (!steps.ChooseFile(source)) return Fail(steps.error);
  HWND converter = steps.Converter();
  if (!converter) return Fail(steps.error);
  steps.Shot(GetParent(converter), "converter_dialog");

  const Assignment plan[] = {{"NAME", "Name", true},
                             {"NAME2", "Name2", true},
                             {"ANREDE", "Anrede", true},
                             {"PLZ", "PLZ", true},
                             {"STRASSE",
                              "Stra\xDF"
                              "e",
                              true},
                             {"ORT", "Ort", true},
                             {"LAND", "Land", true},
                             {"TELEFON", "Telefon", true},
                             {"FAX", "Telefax", true},
                             {"HANDY", "Mobil", true},
                             {"EMAIL", "E-Mail", true},
                             {"BEMERK", "Bemerkung", true},
                             {"NOTIZ", "Notizen", true},
                             {"KDSEIT", "Notizen", true}};
  HWND sources = GetDlgItem(converter, ids::kSourceList);
  HWND targets = GetDlgItem(converter, ids::kTargetList);
  for (const Assignment& a : plan) {
    if (!steps.SelectSource(converter, a.field) || !steps.SelectTarget(converter, a.label)) {
      return Fail(steps.error);
    }
    const int row = ListSelection(targets);
    const std::string before = ListRows(targets)[static_cast<size_t>(row)];
    if (!ClickButton(converter, a.final ? ids::kAssignFinal : ids::kAssign)) {
      return Fail("cannot press the assign button");
    }
    // A longer source field is cut after a question; the answer is OK.
    const bool changed = WaitUntil(
        [&] {
          const Screen s = Look(program);
          if (s.view == View::kMessageBox) {
            Print("box: " + s.text);
            steps.Shot(s.window, "message_longer_field");
            AnswerMessageBox(s, IDOK);
          }
          const std::vector<std::string> rows = ListRows(targets);
          return static_cast<int>(rows.size()) > row && rows[static_cast<size_t>(row)] != before;
        },
        kStepTimeoutMs, program.Handle());
    if (!changed) return Fail(std::string("assigning ") + a.field + " changed nothing");
    Print(std::string("assigned ") + a.field + " -> " +
          ListRows(targets)[static_cast<size_t>(row)]);
  }
  Settle(converter);
  steps.Shot(GetParent(converter), "converter_dialog_with_assignments");
  Print("source fields left: " + std::to_string(ListRows(sources).size()));

  // The source data viewer: box 116 opens it over the source, a page down moves its rows, and
  // its close box closes it and clears the box again.
  if (!ClickButton(converter, ids::kShowSource)) return Fail("cannot tick the viewer box");
  HWND viewer = nullptr;
  const bool opened = WaitUntil(
      [&] {
        viewer = FindViewer(program.Id());
        return viewer && IsWindowVisible(viewer) && !GridRecords(GetDlgItem(viewer, 103)).empty();
      },
      kStepTimeoutMs, program.Handle());
  if (!opened) return Fail("ticking the viewer box showed no rows");
  // At its template size the viewer shows two rows: made larger with its sizing border, as a
  // user makes room.
  SetWindowPos(viewer, nullptr, 10, 10, 900, 420, SWP_NOZORDER | SWP_NOACTIVATE);
  HWND grid = nullptr;
  if (!WaitUntil(
          [&] {
            grid = GetDlgItem(viewer, 103);
            return grid && GridRecords(grid).size() > 2;
          },
          kStepTimeoutMs, program.Handle())) {
    return Fail("the larger viewer shows no more rows");
  }
  auto recordSpan = [&] {
    const std::vector<long> records = GridRecords(grid);
    return std::to_string(records.front()) + " ... " + std::to_string(records.back());
  };
  Settle(viewer);
  steps.Shot(viewer, "source_viewer");
  Print("viewer shows records " + recordSpan());
  const long top = GridRecords(grid).front();
  PostMessageA(grid, WM_KEYDOWN, VK_NEXT, 1);
  PostMessageA(grid, WM_KEYUP, VK_NEXT, static_cast<LPARAM>(0xC0000001u));
  if (!WaitUntil([&] { return GridRecords(grid).front() != top; }, kStepTimeoutMs,
                 program.Handle())) {
    return Fail("page down in the viewer moved nothing");
  }
  Settle(viewer);
  steps.Shot(viewer, "source_viewer_page_down");
  Print("after page down the viewer shows records " + recordSpan());
  PostMessageA(viewer, WM_SYSCOMMAND, SC_CLOSE, 0);
  if (!WaitUntil([&] { return !IsWindow(viewer) && !IsChecked(converter, ids::kShowSource); },
                 kStepTimeoutMs, program.Handle())) {
    return Fail("the viewer's close box left the viewer or the ticked box");
  }
  Print("viewer closed, box 116 cleared");

  ConversionAnswers answers;
  answers.replacementField = "NAME2";
  answers.linkFile = linkFile;
  answers.country = [](const std::string& label) {
    const std::string prefix = "Die Bezeichnung ", suffix = " entspricht:";
    std::string designation;
    if (label.rfind(prefix, 0) == 0 && label.size() >= prefix.size() + suffix.size()) {
      designation = label.substr(prefix.size(), label.size() - prefix.size() - suffix.size());
    }
    return CountryFor(designation);
  };
  answers.saveProtocolTo = JoinPath(in.work, "KUNDEN.TXT");
  answers.saveAssignmentsTo = JoinPath(in.work, "KUNDEN.ZWS");
  answers.saveLinksTo = JoinPath(in.work, "KUNDEN.LVK");
  Print("Konvertieren");
  if (!steps.Convert(converter, answers)) return Fail(steps.error);
  const std::optional<DWORD> code = program.WaitForExit();
  if (!code) return Fail("the program did not end");
  Print("the program ended with exit code " + std::to_string(*code));
  const bool delivered = FileExists(JoinPath(in.product, "Adrim1.dbf"));
  Print(delivered ? "delivered: " + JoinPath(in.product, "Adrim1.dbf") : "nothing was delivered");
  Print(std::to_string(steps.shots.size()) + " screenshots in " + shots);
  return (*code == 0 && delivered) ? 0 : 1;
}
