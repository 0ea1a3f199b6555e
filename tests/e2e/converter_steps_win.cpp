#include "e2e/converter_steps_win.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace tabrix::e2e {

namespace {

std::string TrimTrailingBlanks(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

bool StartsWith(const std::string& s, const std::string& prefix) {
  return s.compare(0, prefix.size(), prefix) == 0;
}

// Screenshot names for the kinds of messages and file dialogs (one screenshot per kind).
std::string BoxShotName(const std::string& text) {
  static const std::pair<const char*, const char*> kinds[] = {
      {"Die L\xE4nder-Bezeichnung", "message_unknown_country"},
      {"Keine L\xE4nder-Bezeichnung", "message_no_country"},
      {"Das Feld: ", "message_blank_names"},
      {"Das Feld \"", "message_longer_field"},
      {"Achtung!", "message_records_without_name"},
      {"Es wurden", "message_records_converted"},
      {"Wollen Sie die Zuweisungen", "message_save_assignments"},
      {"Wollen Sie die L\xE4nder", "message_save_country_links"},
      {"Wollen Sie die bisherigen", "message_save_country_links_so_far"},
      {"Dem QZ-Feld \"Land\"", "message_default_country"},
      {"Dem QZ-Feld", "message_name_unassigned"},
      {"Es ist nicht mehr", "message_remark_full"},
      {"Die Datei", "message_file"}};
  for (const auto& [prefix, name] : kinds) {
    if (StartsWith(text, prefix)) return name;
  }
  return "message_other";
}

std::string FileShotName(const FileDialogInfo& info) {
  const std::string what = info.filter.find("(*.DBF)") != std::string::npos   ? "source_table"
                           : info.filter.find("(*.ZWS)") != std::string::npos ? "assignments"
                           : info.filter.find("(*.LVK)") != std::string::npos ? "country_links"
                           : info.filter.find("(*.TXT)") != std::string::npos ? "protocol"
                                                                              : "other";
  return std::string("file_dialog_") + (StartsWith(info.title, "Zieldatei") ? "save_" : "open_") +
         what;
}

}  // namespace

std::string RowKey(const std::string& row) {
  return TrimTrailingBlanks(row.substr(0, row.find('\t')));
}

std::string FileDialogLine(const FileDialogInfo& info) {
  return "file: " + info.title + " | " + info.filter + " | " + info.name;
}

bool Steps::Fail(const std::string& why) {
  error = why;
  if (trace) trace("FAILED: " + why);
  return false;
}

void Steps::Note(const std::string& line) {
  transcript.push_back(line);
  if (trace) trace(line);
}

void Steps::Shot(HWND window, const std::string& name) {
  if (shotFolder.empty()) return;
  for (const std::string& taken : shots) {
    if (taken.find("_" + name + ".bmp") != std::string::npos) return;
  }
  char number[8];
  std::snprintf(number, sizeof number, "%02d_", static_cast<int>(shots.size() + 1));
  const std::string path = JoinPath(shotFolder, number + name + ".bmp");
  std::string why;
  if (SaveScreenshot(window, path, &why)) {
    shots.push_back(path);
    if (trace) trace("screenshot " + path);
  } else if (trace) {
    trace("no screenshot of " + name + ": " + why);
  }
}

void Steps::ShotUncovered(HWND window, HWND cover, const std::string& name) {
  if (shotFolder.empty()) return;
  for (const std::string& taken : shots) {
    if (taken.find("_" + name + ".bmp") != std::string::npos) return;
  }
  RECT w, c;
  if (!GetWindowRect(window, &w) || !GetWindowRect(cover, &c)) return;
  const int cw = c.right - c.left, ch = c.bottom - c.top;
  const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  const POINT places[] = {{c.left, w.bottom + 16},
                          {c.left, w.top - ch - 16},
                          {w.right + 16, c.top},
                          {w.left - cw - 16, c.top}};
  for (const POINT& p : places) {
    if (p.x < 0 || p.y < 0 || p.x + cw > sw || p.y + ch > sh) continue;
    const UINT flags = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
    SetWindowPos(cover, nullptr, p.x, p.y, 0, 0, flags);
    Settle(cover);
    Shot(window, name);
    SetWindowPos(cover, nullptr, c.left, c.top, 0, 0, flags);
    Settle(cover);
    return;
  }
  Shot(window, name);
}

Screen Steps::Wait(std::initializer_list<View> views, const std::string& what, DWORD timeoutMs) {
  Screen s = WaitForView(program_, views, timeoutMs);
  if (std::find(views.begin(), views.end(), s.view) == views.end()) {
    Fail("waiting for " + what + ", the program shows: " + s.Describe());
  }
  return s;
}

bool Steps::ChooseFile(const std::string& path, const std::string& title,
                       const std::string& filter) {
  const Screen s = Wait({View::kFileDialog}, "a file dialog");
  if (s.view != View::kFileDialog) return false;
  const FileDialogInfo info = ReadFileDialog(s.window);
  Note(FileDialogLine(info));
  Shot(s.window, FileShotName(info));
  if (!title.empty() && info.title != title) {
    return Fail("file dialog titled \"" + info.title + "\", expected \"" + title + "\"");
  }
  if (!filter.empty() && info.filter != filter) {
    return Fail("file dialog lists \"" + info.filter + "\", expected \"" + filter + "\"");
  }
  if (!FillFileDialog(s.window, path)) return Fail("the file dialog did not take " + path);
  return true;
}

bool Steps::CancelFile(const std::string& title) {
  const Screen s = Wait({View::kFileDialog}, "a file dialog");
  if (s.view != View::kFileDialog) return false;
  const FileDialogInfo info = ReadFileDialog(s.window);
  Note(FileDialogLine(info));
  if (!title.empty() && info.title != title) {
    return Fail("file dialog titled \"" + info.title + "\", expected \"" + title + "\"");
  }
  if (!CancelFileDialog(s.window)) return Fail("the file dialog did not close on Cancel");
  return true;
}

bool Steps::AnswerBox(const std::string& text, int button) {
  const Screen s = Wait({View::kMessageBox}, "the message \"" + text + "\"");
  if (s.view != View::kMessageBox) return false;
  Note("box: " + s.text);
  Shot(s.window, BoxShotName(s.text));
  if (s.text != text) return Fail("message \"" + s.text + "\", expected \"" + text + "\"");
  if (s.caption != "Velarto Converter") return Fail("message box titled \"" + s.caption + "\"");
  if (!AnswerMessageBox(s, button)) return Fail("the message box did not take the answer");
  return true;
}

HWND Steps::Converter() {
  const Screen s = Wait({View::kConverter}, "the converter dialog");
  return s.view == View::kConverter ? s.window : nullptr;
}

namespace {

// Clicks the row whose key is `key` until it is the list's selection. The rows are read again
// for every try: the program may still be refilling the list after the step before (it does
// so through posted messages), and a click on a row read before that lands on another one.
// The reason of the last failed try goes to *why.
bool ClickRowUntilSelected(HWND list, const std::string& key, const char* what, std::string* why) {
  return WaitUntil([&] {
    const std::vector<std::string> rows = ListRows(list);
    const auto it = std::find_if(rows.begin(), rows.end(),
                                 [&](const std::string& r) { return RowKey(r) == key; });
    if (it == rows.end()) {
      *why = std::string("no ") + what + " row " + key;
      return false;
    }
    const int row = static_cast<int>(it - rows.begin());
    if (ClickListRow(list, row) && ListSelection(list) == row) return true;
    *why = std::string("clicking ") + what + " row " + key + " did not select it";
    return false;
  });
}

}  // namespace

bool Steps::SelectSource(HWND converter, const std::string& field) {
  std::string why;
  if (!ClickRowUntilSelected(GetDlgItem(converter, ids::kSourceList), field, "source", &why)) {
    return Fail(why);
  }
  return true;
}

bool Steps::SelectTarget(HWND converter, const std::string& label) {
  std::string why;
  if (!ClickRowUntilSelected(GetDlgItem(converter, ids::kTargetList), label, "target", &why)) {
    return Fail(why);
  }
  return true;
}

bool Steps::Assign(HWND converter, const std::string& field, const std::string& label, bool final,
                   const std::string& expectedRow, const std::string& question) {
  if (!SelectSource(converter, field) || !SelectTarget(converter, label)) return false;
  HWND sources = GetDlgItem(converter, ids::kSourceList);
  HWND targets = GetDlgItem(converter, ids::kTargetList);
  const int targetRow = ListSelection(targets);
  if (!ClickButton(converter, final ? ids::kAssignFinal : ids::kAssign)) {
    return Fail("cannot press the assign button");
  }
  if (!question.empty() && !AnswerBox(question, IDOK)) return false;
  auto done = [&] {
    const std::vector<std::string> t = ListRows(targets);
    if (targetRow >= static_cast<int>(t.size()) ||
        t[static_cast<size_t>(targetRow)] != expectedRow) {
      return false;
    }
    if (!final) return true;
    for (const std::string& r : ListRows(sources)) {
      if (RowKey(r) == field) return false;
    }
    return true;
  };
  if (!WaitUntil(done, kStepTimeoutMs, program_.Handle())) {
    const std::vector<std::string> t = ListRows(targets);
    const Screen now = Look(program_);
    return Fail("assigning " + field + " to " + label + ": the row reads \"" +
                (targetRow < static_cast<int>(t.size()) ? t[static_cast<size_t>(targetRow)] : "") +
                "\", expected \"" + expectedRow + "\" (the program shows: " + now.Describe() + ")");
  }
  return true;
}

bool Steps::Remove(HWND converter, const std::string& label, const std::string& expectedRow) {
  if (!SelectTarget(converter, label)) return false;
  HWND targets = GetDlgItem(converter, ids::kTargetList);
  const int row = ListSelection(targets);
  if (!ClickButton(converter, ids::kRemove)) return Fail("cannot press Zuweisung Entfernen");
  if (!WaitUntil(
          [&] {
            const std::vector<std::string> t = ListRows(targets);
            return row < static_cast<int>(t.size()) && t[static_cast<size_t>(row)] == expectedRow;
          },
          kStepTimeoutMs, program_.Handle())) {
    return Fail("removing from " + label + ": the row does not read \"" + expectedRow + "\"");
  }
  return true;
}

bool Steps::AssignByDoubleClick(HWND converter, const std::string& field, const std::string& label,
                                bool final, const std::string& expectedRow) {
  if (!SelectTarget(converter, label)) return false;
  HWND sources = GetDlgItem(converter, ids::kSourceList);
  HWND targets = GetDlgItem(converter, ids::kTargetList);
  const int targetRow = ListSelection(targets);
  const std::vector<std::string> rows = ListRows(sources);
  int row = -1;
  for (size_t i = 0; i < rows.size() && row < 0; ++i) {
    if (RowKey(rows[i]) == field) row = static_cast<int>(i);
  }
  if (row < 0) return Fail("no source row " + field);
  if (!DoubleClickListRow(sources, row)) return Fail("cannot double-click " + field);
  auto done = [&] {
    const std::vector<std::string> t = ListRows(targets);
    if (targetRow >= static_cast<int>(t.size()) ||
        t[static_cast<size_t>(targetRow)] != expectedRow) {
      return false;
    }
    bool present = false;
    for (const std::string& r : ListRows(sources)) present = present || RowKey(r) == field;
    return present != final;
  };
  if (!WaitUntil(done, kStepTimeoutMs, program_.Handle())) {
    return Fail("double-clicking " + field + " did not assign it to " + label);
  }
  return true;
}

bool Steps::SetCheck(HWND dialog, int id, bool checked) {
  if (IsChecked(dialog, id) == checked) return true;
  if (!ClickButton(dialog, id)) return Fail("cannot click check box " + std::to_string(id));
  if (!WaitUntil([&] { return IsChecked(dialog, id) == checked; }, kStepTimeoutMs,
                 program_.Handle())) {
    return Fail("check box " + std::to_string(id) + " did not change");
  }
  return true;
}

bool Steps::Convert(HWND converter, const ConversionAnswers& answers) {
  if (!ClickButton(converter, ids::kConvert)) return Fail("cannot press Konvertieren");
  return FinishConversion(answers);
}

bool Steps::FinishConversion(const ConversionAnswers& answers) {
  // Acting on a window ends when it has gone or a new window asks for an answer on top of it.
  auto waitGoneOrAsked = [&](HWND window) {
    return WaitUntil(
        [&] {
          if (!IsWindow(window) || !IsWindowVisible(window)) return true;
          const View v = Look(program_).view;
          return v == View::kMessageBox || v == View::kFileDialog || v == View::kGone;
        },
        kStepTimeoutMs, program_.Handle());
  };
  auto pick = [&](const Screen& chooser, const std::string& entry) {
    HWND list = GetDlgItem(chooser.window, ids::kChooserList);
    const std::vector<std::string> rows = ListRows(list);
    int row = -1;
    for (size_t i = 0; i < rows.size() && row < 0; ++i) {
      if (TrimTrailingBlanks(rows[i]) == entry || RowKey(rows[i]) == entry)
        row = static_cast<int>(i);
    }
    if (row < 0) return Fail("the chooser \"" + chooser.text + "\" has no row " + entry);
    if (!ClickListRow(list, row) || ListSelection(list) != row) {
      return Fail("clicking row " + entry + " did not select it");
    }
    if (!ClickButton(chooser.window, ids::kChooserTake)) return Fail("cannot press Zuweisen");
    if (!waitGoneOrAsked(chooser.window)) return Fail("the chooser stayed after the choice");
    return true;
  };

  for (int step = 0; step < 5000; ++step) {
    const Screen s =
        Wait({View::kMessageBox, View::kFileDialog, View::kChooser, View::kProtocol, View::kGone},
             "the conversion's next question");
    if (s.view != View::kMessageBox && s.view != View::kFileDialog && s.view != View::kChooser &&
        s.view != View::kProtocol && s.view != View::kGone) {
      return false;  // Wait has said what the program shows instead
    }
    if (answers.inspect) answers.inspect(s);
    switch (s.view) {
      case View::kGone:
        return true;
      case View::kMessageBox: {
        Note("box: " + s.text);
        if (s.frame && IsWindowVisible(s.frame)) {
          // The progress of the conversion so far, behind the question (moved aside meanwhile).
          const HWND current = CurrentDialog(s.frame);
          if (current && TextOf(current) == "DIALOG_3") {
            ShotUncovered(s.frame, s.window, "progress");
          }
        }
        Shot(s.window, BoxShotName(s.text));
        int button = IDOK;
        if (StartsWith(s.text, "Wollen Sie die Zuweisungen Speichern?")) {
          button = answers.saveAssignmentsTo.empty() ? IDNO : IDYES;
        } else if (StartsWith(s.text, "Wollen Sie die L\xE4nder-Verkn\xFCpfungen Speichern?")) {
          button = answers.saveLinksTo.empty() ? IDNO : IDYES;
        } else if (StartsWith(s.text, "Wollen Sie die bisherigen")) {
          button = IDNO;
        }
        if (!HasButton(s, button)) return Fail("unexpected question: " + s.text);
        if (!AnswerMessageBox(s, button)) return Fail("the message box did not take the answer");
        break;
      }
      case View::kFileDialog: {
        const FileDialogInfo info = ReadFileDialog(s.window);
        Note(FileDialogLine(info));
        Shot(s.window, FileShotName(info));
        std::string path = answers.linkFile;
        if (info.title == "Zieldatei w\xE4hlen zum Speichern der Zuweisungen") {
          path = answers.saveAssignmentsTo;
        } else if (info.title ==
                   "Zieldatei w\xE4hlen zum Speichern der L\xE4nder-Verkn\xFCpfungen") {
          path = answers.saveLinksTo;
        } else if (info.title == "Zieldatei w\xE4hlen zum Speichern des Protokolls") {
          path = answers.saveProtocolTo;
        }
        if (path.empty()) return Fail("no file for the dialog \"" + info.title + "\"");
        if (!FillFileDialog(s.window, path)) return Fail("the file dialog did not take " + path);
        break;
      }
      case View::kChooser: {
        Note("chooser: " + s.text);
        const std::string third = ItemText(s.window, ids::kChooserThird);
        const bool hasThird = IsWindowVisible(GetDlgItem(s.window, ids::kChooserThird)) != FALSE;
        if (hasThird && third == "kein Ersatzfeld") {
          Shot(s.frame, "chooser_replacement_field");
          if (!answers.replacementField.empty()) {
            if (!pick(s, answers.replacementField)) return false;
          } else {
            if (!ClickButton(s.window, ids::kChooserThird)) return Fail("cannot press " + third);
            if (!waitGoneOrAsked(s.window)) return Fail("nothing happened on " + third);
          }
        } else if (s.text == "Standard-Land:") {
          Shot(s.frame, "chooser_default_country");
          if (!pick(s, answers.defaultCountry)) return false;
        } else {
          Shot(s.frame, "chooser_country");
          if (hasThird && !answers.linkFile.empty() && !linkFileLoaded_) {
            linkFileLoaded_ = true;
            if (!ClickButton(s.window, ids::kChooserThird)) return Fail("cannot press " + third);
            if (!waitGoneOrAsked(s.window)) return Fail("nothing happened on " + third);
            break;
          }
          const std::string country = answers.country ? answers.country(s.text) : std::string();
          if (country.empty()) return Fail("no answer for the chooser \"" + s.text + "\"");
          if (!pick(s, country)) return false;
        }
        break;
      }
      case View::kProtocol: {
        Note("protocol: " + s.text);
        Shot(s.frame, "protocol");
        const int button = answers.saveProtocolTo.empty() ? ids::kProtocolEnd : ids::kProtocolSave;
        if (!ClickButton(s.window, button)) return Fail("cannot press a protocol button");
        if (!waitGoneOrAsked(s.window)) return Fail("the protocol dialog stayed");
        break;
      }
      default:
        return Fail("unexpected: " + s.Describe());
    }
  }
  return Fail("the conversion asked more than 5000 questions");
}

}  // namespace tabrix::e2e
