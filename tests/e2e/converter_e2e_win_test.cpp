// The converter as its users meet it: tabrix.exe started as its own process on a fresh
// installation, driven through its dialogs, file choosers, questions and messages, and judged by
// what it shows and by the files it writes. Every conversion that delivers a table first writes
// what it expects of it (<case>/expected/Adrim1.tsv), which scripts/check_delivered.py compares
// with an independent reader; this test compares the same with its own reader.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "e2e/converter_steps_win.h"
#include "e2e/dbf_file.h"
#include "e2e/expected_conversion.h"
#include "e2e/expected_dialog.h"
#include "e2e/tabrix_driver_win.h"

namespace tabrix::e2e {
namespace {

const std::string kCaption = "Velarto Converter";
const std::string kSaveQuestion = "Wollen Sie die Zuweisungen Speichern?";
const std::string kOpenTitle = "Dateiwahl";
const std::string kSaveAssignmentsTitle = "Zieldatei w\xE4hlen zum Speichern der Zuweisungen";
const std::string kSourceFilter = "Velarto Converter Quell-Datei (*.DBF)";
const std::string kSaveAssignmentsFilter = "Velarto Converter Zuweisungen Speichern (*.ZWS)";
const std::string kOpenAssignmentsFilter =
    "Velarto Converter Zuweisungen \xF6"
    "ffnen (*.ZWS)";

std::string DemoFolder() {
  return WindowsPath(std::string(TABRIX_SOURCE_DIR) + "/demo");
}
std::string CasesFolder() {
  return WindowsPath(std::string(TABRIX_BINARY_DIR) + "/tests/e2e/cases");
}

std::string OemToAnsi(const std::string& s) {
  return Recode(s, 850, 1252);
}
std::string AnsiToOem(const std::string& s) {
  return Recode(s, 1252, 850);
}

std::string Shown(const std::string& s) {  // control characters visible in failure messages
  std::string r;
  for (char c : s) {
    if (c == '\t')
      r += "\\t";
    else if (c == '\r')
      r += "\\r";
    else if (c == '\n')
      r += "\\n";
    else
      r += c;
  }
  return r;
}

std::string Today() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  char d[16];
  std::snprintf(d, sizeof d, "%04u%02u%02u", t.wYear, t.wMonth, t.wDay);
  return d;
}

std::string Padded(const std::string& s, size_t width) {
  std::string r = s;
  r.resize(width, ' ');
  return r;
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string IniValue(const std::string& file, const char* section, const char* key) {
  char value[1024] = {};
  GetPrivateProfileStringA(section, key, "", value, sizeof value, file.c_str());
  return value;
}

// What the program says about the conversion, in the order it says it.
struct TranscriptPlan {
  std::string nameField;         // source field assigned to "Name"
  std::string replacementField;  // answer to the replacement question; empty: none
  std::string base;              // base name of the source table
  bool defaultCountry = false;
  bool linkFile = false;  // "aus Datei" at the first country question
  bool saveProtocol = false;
  bool askAssignments = true, saveAssignments = false;
  bool askLinks = false, saveLinks = false;
};

std::vector<std::string> ExpectedTranscript(const ExpectedConversion& e, const TranscriptPlan& p) {
  std::vector<std::string> t;
  if (p.defaultCountry) t.push_back("chooser: Standard-Land:");
  std::vector<unsigned> events = e.questionRecords;
  if (e.replacementAskedAt) events.push_back(e.replacementAskedAt);
  std::sort(events.begin(), events.end());
  events.erase(std::unique(events.begin(), events.end()), events.end());
  size_t q = 0;
  for (unsigned record : events) {
    if (record == e.replacementAskedAt) {
      t.push_back("box: Das Feld: " + p.nameField +
                  ", das dem QZ-Feld NAME\nzugewiesen ist, enth\xE4lt teilweise keinen "
                  "Inhalt.\nBitte w\xE4hlen Sie ein Ersatzfeld!\n");
      t.push_back("chooser: Ersatzfeld f\xFCr " + p.nameField);
      if (p.replacementField.empty()) {
        t.push_back(
            "box: Achtung! Datens\xE4tze ohne Namen werden nicht \xFC"
            "bernommen!");
      }
    }
    for (; q < e.questions.size() && e.questionRecords[q] == record; ++q) {
      const std::string& land = e.questions[q];
      if (!IsEmptyText(land)) {
        t.push_back("box: Die L\xE4nder-Bezeichnung " + OemToAnsi(land) +
                    "\nkonnte keinem Land zugewiesen werden.\nBitte w\xE4hlen Sie aus der "
                    "folgenden Liste!");
        t.push_back("chooser: Die Bezeichnung " + OemToAnsi(TrimRight(land)) + " entspricht:");
      } else {
        t.push_back(
            "box: Keine L\xE4nder-Bezeichnung!\nBitte w\xE4hlen Sie aus der folgenden Liste!");
        t.push_back("chooser: Land bei keiner L\xE4nder-Bezeichnung:");
      }
      if (q == 0 && p.linkFile) {
        t.push_back(
            "file: Dateiwahl | Velarto Converter L\xE4nder-Verkn\xFCpfungen \xF6"
            "ffnen (*.LVK) | ");
      }
    }
  }
  const std::string count =
      "Es wurden " + std::to_string(e.accepted) + " Datens\xE4tze konvertiert.";
  if (!e.skipped.empty()) {
    t.push_back("protocol: " + count);
    if (p.saveProtocol) {
      t.push_back(
          "file: Zieldatei w\xE4hlen zum Speichern des Protokolls | Velarto Converter "
          "Protokoll speichern (*.TXT) | " +
          p.base + ".TXT");
    }
  } else {
    t.push_back("box: " + count);
  }
  if (p.askAssignments) {
    t.push_back("box: " + kSaveQuestion);
    if (p.saveAssignments) {
      t.push_back("file: " + kSaveAssignmentsTitle + " | " + kSaveAssignmentsFilter + " | " +
                  p.base + ".ZWS");
    }
  }
  if (p.askLinks) {
    t.push_back("box: Wollen Sie die L\xE4nder-Verkn\xFCpfungen Speichern?");
    if (p.saveLinks) {
      t.push_back(
          "file: Zieldatei w\xE4hlen zum Speichern der L\xE4nder-Verkn\xFCpfungen | "
          "Velarto Converter L\xE4nder-Verkn\xFCpfungen Speichern (*.LVK) | " +
          p.base + ".LVK");
    }
  }
  return t;
}

// The product's QZ.ini in the Windows folder belongs to the installation of the running case;
// what was there before the tests comes back after them.
class ProductIniEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { before_ = ReadWholeFile(JoinPath(WindowsFolder(), "QZ.ini")); }
  void TearDown() override {
    const std::string file = JoinPath(WindowsFolder(), "QZ.ini");
    if (before_) {
      WriteWholeFile(file, *before_);
    } else {
      DeleteFileA(file.c_str());
    }
  }

 private:
  std::optional<std::string> before_;
};
::testing::Environment* const kProductIni =
    ::testing::AddGlobalTestEnvironment(new ProductIniEnvironment);

struct AssignStep {
  const char* field;
  const char* label;
  bool final;
};

class ConverterE2e : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(ProcessesNamed("tabrix.exe").empty()) << "a tabrix.exe runs before the test";
    ASSERT_EQ(FindWindowA("Tabrix", nullptr), nullptr)
        << "a window of class Tabrix exists: the program would only bring it to the front";
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    std::replace(name.begin(), name.end(), '/', '_');
    in_ = PrepareInstallation(JoinPath(CasesFolder(), name), DemoFolder(), TABRIX_EXE);
    ASSERT_TRUE(in_.ok()) << in_.error;
    auto countries = DbfFile::Load(JoinPath(DemoFolder(), "program\\LAND.qzf"));
    auto templ = DbfFile::Load(JoinPath(DemoFolder(), "program\\Kndstneu.qzf"));
    ASSERT_TRUE(countries && templ);
    countries_ = *countries;
    templ_ = *templ;
  }

  void TearDown() override {
    program_.Kill();
    EXPECT_TRUE(WaitUntil([] { return ProcessesNamed("tabrix.exe").empty(); }))
        << "a tabrix.exe is still running after the test";
  }

  // Copies the demo export's files (table, memo, index) into the work folder; returns the
  // table's path there.
  std::string CopyExport(const std::string& base) {
    const std::string exports = JoinPath(DemoFolder(), "exports");
    for (const std::string& file : FilesIn(exports)) {
      if (Upper(file.substr(0, file.find('.'))) != base) continue;
      EXPECT_TRUE(
          CopyFileA(JoinPath(exports, file).c_str(), JoinPath(in_.work, file).c_str(), FALSE));
    }
    return JoinPath(in_.work, base + ".DBF");
  }

  // Screenshots of the windows the case passes, kept as artifacts in <case>/screenshots.
  void KeepScreenshots() {
    steps_.shotFolder = JoinPath(in_.root, "screenshots");
    ASSERT_TRUE(MakeFolders(steps_.shotFolder));
  }

  void Start() {
    std::string error;
    ASSERT_TRUE(program_.Start(in_, &error)) << error;
  }

  // The program ends by itself with exit code 0, and no copy of it stays behind.
  void ExpectEndsCleanly(Program& program) {
    const std::optional<DWORD> code = program.WaitForExit();
    ASSERT_TRUE(code.has_value()) << "the program did not end; it shows: "
                                  << Look(program).Describe();
    EXPECT_EQ(*code, 0u) << "exit code";
    EXPECT_TRUE(WaitUntil([] { return ProcessesNamed("tabrix.exe").empty(); }))
        << "a tabrix.exe is still running";
    EXPECT_EQ(FindFrame(program.Id()), nullptr) << "the frame window is left";
  }

  void ExpectFreshConverter(HWND converter, const DbfFile& source, const std::string& base,
                            bool doubleClickFinal = true, bool askOnLonger = true) {
    EXPECT_EQ(TextOf(GetParent(converter)), kCaption);
    EXPECT_EQ(ClassOf(GetParent(converter)), "Tabrix");
    EXPECT_EQ(ItemText(converter, ids::kSourceLabel), base + " Felder:");
    EXPECT_EQ(ItemText(converter, ids::kShowSource), base + ".DBF anzeigen");
    const AssignmentModel fresh(source, templ_);
    EXPECT_EQ(ListRows(GetDlgItem(converter, ids::kSourceList)), fresh.SourceRows());
    EXPECT_EQ(ListRows(GetDlgItem(converter, ids::kTargetList)), fresh.TargetRows());
    EXPECT_EQ(IsChecked(converter, ids::kDoubleClickFinal), doubleClickFinal);
    EXPECT_EQ(IsChecked(converter, ids::kAskOnLonger), askOnLonger);
    EXPECT_FALSE(IsChecked(converter, ids::kPostalCodeFromCity));
    EXPECT_FALSE(IsChecked(converter, ids::kShowSource));
    const std::map<int, std::string> buttons = {{106, "Zuweisen"},
                                                {107, "Endg\xFCltig zuweisen"},
                                                {108, "Zuweisung Entfernen"},
                                                {103, "Konvertieren"},
                                                {111,
                                                 "Zuweisungen \xF6"
                                                 "ffnen"},
                                                {112, "Zuweisng. speichern"},
                                                {109,
                                                 "Datenbank \xF6"
                                                 "ffnen"},
                                                {104, "Abbruch"},
                                                {113, "Doppelklick als endg\xFCltige Zuweisung"},
                                                {114, "Nachricht bei nicht passenden Feldern"},
                                                {115, "Ortsnamen enthalten die Postleitzahl"}};
    for (const auto& [id, caption] : buttons) EXPECT_EQ(ItemText(converter, id), caption) << id;
  }

  int CountryPosition(const std::string& oemName) const {
    int position = 0;
    for (size_t r = 0; r < countries_.RecordCount(); ++r) {
      if (countries_.Deleted(r)) continue;
      ++position;
      if (TrimRight(countries_.Raw(r, countries_.FieldNumber("LANDN"))) == oemName) return position;
    }
    return 0;
  }

  // Converts the demo export ADRESSEN with a default country and a replacement name field,
  // and checks what the program said and what it delivered.
  void ConvertAdressen() {
    const std::string sourcePath = CopyExport("ADRESSEN");
    const std::optional<DbfFile> source = DbfFile::Load(sourcePath);
    ASSERT_TRUE(source.has_value());
    KeepScreenshots();
    Start();
    ASSERT_TRUE(steps_.ChooseFile(sourcePath, kOpenTitle, kSourceFilter)) << steps_.error;
    HWND converter = steps_.Converter();
    ASSERT_TRUE(converter) << steps_.error;
    ExpectFreshConverter(converter, *source, "ADRESSEN");

    AssignmentModel model(*source, templ_);
    auto assign = [&](const AssignStep& step) {
      const AssignmentModel::Outcome o = model.Assign(step.field, step.label, step.final);
      return steps_.Assign(converter, step.field, step.label, step.final, o.row, o.question);
    };
    ASSERT_TRUE(assign({"NAME1", "Name", false})) << steps_.error;
    ASSERT_TRUE(assign({"NAME1", "Sortbegriff", true})) << steps_.error;

    // Postal codes from the city: the PLZ row says so, and assigning to it only beeps.
    ASSERT_TRUE(steps_.SetCheck(converter, ids::kPostalCodeFromCity, true)) << steps_.error;
    const std::string plzRow = model.SetPostalCodeFromCity(true);
    EXPECT_EQ(ListRows(GetDlgItem(converter, ids::kTargetList))[3], plzRow);
    ASSERT_TRUE(steps_.SelectSource(converter, "ORT") && steps_.SelectTarget(converter, "PLZ"))
        << steps_.error;
    ASSERT_TRUE(PressButton(converter, ids::kAssign))
        << "the click was not handled: " << Look(program_).Describe();
    EXPECT_EQ(Look(program_).view, View::kConverter) << "assigning to PLZ must only beep";
    EXPECT_EQ(ListRows(GetDlgItem(converter, ids::kTargetList)), model.TargetRows());

    const AssignStep plan[] = {{"ORT", "Ort", true},
                               {"KDNR", "PLZ2", true},
                               {"STR",
                                "Stra\xDF"
                                "e",
                                true},
                               {"TEL", "Telefon", true},
                               {"ANREDE", "Anrede", true},
                               {"EMAIL", "E-Mail", true},
                               {"BEMERK", "Bemerkung", true},
                               {"NOTIZEN", "Notizen", true},
                               {"ERFASST", "Notizen", true},
                               {"UMSATZ", "Notizen", true}};
    for (const AssignStep& step : plan) ASSERT_TRUE(assign(step)) << steps_.error;
    // Removing from the notes takes the newest field back to the end of the source list.
    const std::string notesRow = model.Remove("Notizen");
    ASSERT_TRUE(steps_.Remove(converter, "Notizen", notesRow)) << steps_.error;
    EXPECT_EQ(ListRows(GetDlgItem(converter, ids::kSourceList)), model.SourceRows());
    EXPECT_EQ(ListRows(GetDlgItem(converter, ids::kTargetList)), model.TargetRows());
    steps_.Shot(GetParent(converter), "converter_dialog");

    // No "Land": the converter offers a default country; Cancel keeps the dialog.
    const std::string noLand =
        "Dem QZ-Feld \"Land\" wurde kein Feld zugewiesen!\nWollen Sie ein Standard-Land w\xE4hlen?";
    ASSERT_TRUE(ClickButton(converter, ids::kConvert));
    ASSERT_TRUE(steps_.AnswerBox(noLand, IDCANCEL)) << steps_.error;
    ASSERT_EQ(steps_.Converter(), converter) << steps_.error;
    EXPECT_EQ(ListRows(GetDlgItem(converter, ids::kTargetList)), model.TargetRows());

    ConversionPlan conversion;
    conversion.assignment = model.assignment();
    conversion.defaultCountry = CountryPosition("\x99STERREICH");
    conversion.replacementField = source->FieldNumber("NAME2");
    conversion.date = Today();
    const ExpectedConversion expected = ExpectConversion(*source, countries_, templ_, conversion);
    ASSERT_FALSE(expected.skipped.empty());
    ASSERT_GT(expected.replacementAskedAt, 0u);
    WriteExpectations(expected, "ADRESSEN.DBF");

    ASSERT_TRUE(ClickButton(converter, ids::kConvert));
    ASSERT_TRUE(steps_.AnswerBox(noLand, IDOK)) << steps_.error;
    ConversionAnswers answers;
    answers.defaultCountry = "\xD6STERREICH";
    answers.replacementField = "NAME2";
    answers.inspect = InspectDialogs(*source, "NAME1", expected);
    const size_t before = steps_.transcript.size();
    const bool converted = steps_.FinishConversion(answers);
    const std::string dateAfter = Today();
    EXPECT_TRUE(converted) << steps_.error;
    if (dateAfter != conversion.date) WriteExpectations(expected, "ADRESSEN.DBF", dateAfter);
    ExpectEndsCleanly(program_);

    TranscriptPlan talk;
    talk.nameField = "NAME1";
    talk.replacementField = "NAME2";
    talk.base = "ADRESSEN";
    talk.defaultCountry = true;
    const std::vector<std::string> said(steps_.transcript.begin() + static_cast<long>(before),
                                        steps_.transcript.end());
    EXPECT_EQ(said, ExpectedTranscript(expected, talk));
    ExpectDelivered(expected, conversion.date, dateAfter);
  }
  std::string ExpectedFolder() const { return JoinPath(in_.root, "expected"); }

  // Written before the conversion, so that the independent check has them whatever happens.
  void WriteExpectations(const ExpectedConversion& e, const std::string& source,
                         const std::string& otherDate = {}) {
    ASSERT_TRUE(MakeFolders(ExpectedFolder()));
    const std::string comment = "delivered table product/Adrim1.dbf; source " + source + "; " +
                                std::to_string(e.records.size()) + " records";
    ASSERT_TRUE(WriteWholeFile(JoinPath(ExpectedFolder(), "Adrim1.tsv"),
                               ExpectationsTsv(e, comment, otherDate)));
  }

  void ExpectNothingDelivered() {
    ASSERT_TRUE(MakeFolders(ExpectedFolder()));
    ASSERT_TRUE(WriteWholeFile(JoinPath(ExpectedFolder(), "absent.txt"),
                               "product/Adrim1.dbf\nproduct/Adrim1.fpt\nproduct/Adrim2.dbf\n"));
    EXPECT_EQ(FilesIn(in_.product), std::vector<std::string>{"QZX.ini"});
  }

  // The product folder holds the delivered tables, field by field as expected.
  void ExpectDelivered(const ExpectedConversion& e, const std::string& date,
                       const std::string& otherDate) {
    std::vector<std::string> files;
    for (const std::string& f : FilesIn(in_.product)) files.push_back(Upper(f));
    EXPECT_EQ(files,
              (std::vector<std::string>{"ADRIM1.DBF", "ADRIM1.FPT", "ADRIM2.DBF", "QZX.INI"}));
    EXPECT_EQ(ReadWholeFile(JoinPath(in_.product, "Adrim2.dbf")),
              ReadWholeFile(JoinPath(in_.program, "Adrim2.qzf")))
        << "Adrim2.dbf is not a copy of Adrim2.qzf";
    std::string why;
    const std::optional<DbfFile> got = DbfFile::Load(JoinPath(in_.product, "Adrim1.dbf"), &why);
    ASSERT_TRUE(got.has_value()) << why;
    ASSERT_EQ(got->fields.size(), templ_.fields.size());
    for (size_t i = 0; i < templ_.fields.size(); ++i) {
      EXPECT_EQ(got->fields[i].name, templ_.fields[i].name);
      EXPECT_EQ(got->fields[i].type, templ_.fields[i].type);
      EXPECT_EQ(got->fields[i].length, templ_.fields[i].length);
    }
    ASSERT_EQ(got->RecordCount(), e.records.size()) << "records delivered";
    int differences = 0;
    for (size_t r = 0; r < e.records.size() && differences < 30; ++r) {
      EXPECT_FALSE(got->Deleted(r)) << "record " << r + 1 << " is deleted";
      for (int f = 1; f <= static_cast<int>(templ_.fields.size()); ++f) {
        const DbfField& field = templ_.Field(f);
        const std::string& want = e.records[r][static_cast<size_t>(f - 1)];
        std::string have = field.type == 'M' ? got->Memo(r, f) : got->Raw(r, f);
        bool same = have == want;
        if (field.type == 'N') same = TrimBoth(have) == TrimBoth(want);
        if (field.type == 'D' && want == date && !otherDate.empty())
          same = same || have == otherDate;
        if (!same && ++differences <= 30) {
          ADD_FAILURE() << "Adrim1 record " << r + 1 << " field " << field.name << ": \""
                        << Shown(Cp850ToUtf8(have)) << "\", expected \"" << Shown(Cp850ToUtf8(want))
                        << "\"";
        }
      }
    }
  }

  // The protocol file: five header lines, then the numbers.
  void ExpectProtocolFile(const std::string& path, const ExpectedConversion& e,
                          const std::string& sourcePath, const std::string& date) {
    const std::optional<std::string> text = ReadWholeFile(path);
    ASSERT_TRUE(text.has_value()) << path;
    std::vector<std::string> lines;
    size_t at = 0;
    for (int i = 0; i < 5; ++i) {
      const size_t end = text->find("\r\n", at);
      ASSERT_NE(end, std::string::npos) << "the protocol has fewer than six lines";
      lines.push_back(text->substr(at, end - at));
      at = end + 2;
    }
    const std::string shownDate =
        date.substr(6, 2) + "." + date.substr(4, 2) + "." + date.substr(0, 4);
    EXPECT_EQ(lines[0], kCaption + " Protokoll-Datei\t\t" + shownDate);
    EXPECT_STRCASEEQ(lines[1].c_str(), ("Name der Quell-Datenbank: " + sourcePath).c_str());
    EXPECT_EQ(lines[2], "");
    EXPECT_EQ(lines[3], "Es wurden " + std::to_string(e.accepted) + " Datens\xE4tze konvertiert.");
    EXPECT_EQ(lines[4],
              "Datens\xE4tzen mit folgenden Nummern wurden nicht \xFC"
              "bernommen:");
    EXPECT_EQ(Unwrapped(text->substr(at)), NumberList(e.skipped));
    EXPECT_NE(text->substr(text->size() - 2), "\r\n") << "no line break after the last number";
  }

  static std::string NumberList(const std::vector<unsigned>& numbers) {
    std::string list;
    for (unsigned n : numbers) list += (list.empty() ? "" : ", ") + std::to_string(n);
    return list;
  }
  // The protocol text without its line breaks; every line but the last ends in ", ".
  static std::string Unwrapped(const std::string& text) {
    std::string r;
    size_t at = 0;
    for (size_t end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
      const std::string line = text.substr(at, end - at);
      EXPECT_EQ(line.substr(line.size() >= 2 ? line.size() - 2 : 0), ", ") << Shown(text);
      r += line;
    }
    return r + text.substr(at);
  }

  // Checks what a chooser and the protocol dialog show while a conversion runs.
  std::function<void(const Screen&)> InspectDialogs(const DbfFile& source,
                                                    const std::string& nameField,
                                                    const ExpectedConversion& e) {
    return [this, &source, nameField, &e](const Screen& s) {
      if (s.view == View::kChooser) {
        const std::vector<std::string> rows = ListRows(GetDlgItem(s.window, ids::kChooserList));
        const bool third = IsWindowVisible(GetDlgItem(s.window, ids::kChooserThird)) != FALSE;
        if (s.text.rfind("Ersatzfeld f\xFCr ", 0) == 0) {
          EXPECT_EQ(s.caption, "Liste");
          EXPECT_EQ(ItemText(s.window, ids::kChooserThird), "kein Ersatzfeld");
          EXPECT_EQ(ItemText(s.window, ids::kChooserTake), "Zuweisen");
          std::vector<std::string> expected;  // every field but the name's
          for (const DbfField& f : source.fields) {
            if (f.name != nameField) expected.push_back(SourceRow(f));
          }
          EXPECT_EQ(rows, expected);
        } else {
          std::vector<std::string> expected;
          for (const std::string& c : e.countries) expected.push_back(OemToAnsi(c));
          std::vector<std::string> trimmed;
          for (const std::string& r : rows) trimmed.push_back(TrimRight(r));
          for (std::string& c : expected) c = TrimRight(c);
          EXPECT_EQ(trimmed, expected) << "the country chooser lists the country table";
          if (s.text == "Standard-Land:") {
            EXPECT_EQ(s.caption, "DIALOG_5");
            EXPECT_FALSE(third) << "the default-country chooser has no third button";
            EXPECT_EQ(ItemText(s.window, ids::kChooserTake), "Zuweisen");
          } else {
            EXPECT_EQ(s.caption, "Liste");
            EXPECT_TRUE(third);
            EXPECT_EQ(ItemText(s.window, ids::kChooserThird), "aus Datei");
            EXPECT_EQ(ItemText(s.window, ids::kChooserTake), "Verkn\xFCpfen");
          }
        }
        EXPECT_EQ(ItemText(s.window, ids::kChooserCancel), "Abbruch");
      } else if (s.view == View::kProtocol) {
        EXPECT_EQ(Unwrapped(ItemText(s.window, ids::kProtocolText)), NumberList(e.skipped));
        EXPECT_EQ(ItemText(s.window, ids::kProtocolEnd), "Ende");
        EXPECT_EQ(ItemText(s.window, ids::kProtocolSave), "Protokoll speichern");
      }
    };
  }

  Installation in_;
  DbfFile countries_, templ_;
  Program program_;
  Steps steps_{program_};
};

// ---- a full conversion of the FoxPro export --------------------------------------------------

// KUNDEN.DBF with most fields assigned, remark and notes composed of several fields, the names
// of blank-named records not replaced, and country designations mapped by questions: the first
// question loads a prepared link file through "aus Datei", every later one is answered by
// picking the country and "Verknüpfen". The protocol, the assignments and the new links are
// saved on the way out.
TEST_F(ConverterE2e, ConvertsKundenWithCountryQuestionsAndALinkFile) {
  const std::string sourcePath = CopyExport("KUNDEN");
  const std::optional<DbfFile> source = DbfFile::Load(sourcePath);
  ASSERT_TRUE(source.has_value());

  // The link file: Austrian and Swiss designations, padded to the width of LAND, in any case.
  const int austria = CountryPosition("\x99STERREICH"), swiss = CountryPosition("SCHWEIZ");
  ASSERT_GT(austria, 0);
  ASSERT_GT(swiss, 0);
  const size_t landWidth = static_cast<size_t>(templ_.Field(templ_.FieldNumber("LAND")).length);
  const std::vector<CountryLink> fileLinks = {{Padded("A", landWidth), austria},
                                              {Padded("AT", landWidth), austria},
                                              {Padded("AUSTRIA", landWidth), austria},
                                              {Padded("CH", landWidth), swiss},
                                              {Padded("suisse", landWidth), swiss}};
  const std::string linkFile = JoinPath(in_.work, "Nachbarn.LVK");
  ASSERT_TRUE(WriteWholeFile(linkFile, LinkFileBytes(fileLinks)));
  // What the user picks for the other designations.
  const std::map<std::string, std::string> picks = {{"", "DEUTSCHLAND"},
                                                    {"BRD", "DEUTSCHLAND"},
                                                    {"D", "DEUTSCHLAND"},
                                                    {"DE", "DEUTSCHLAND"},
                                                    {"GERMANY", "DEUTSCHLAND"},
                                                    {"CZ", "TSCHECHIEN"},
                                                    {"TSCHECHISCHE REPUBLIK", "TSCHECHIEN"},
                                                    {"NEDERLAND", "NIEDERLANDE"},
                                                    {"HOLLAND", "NIEDERLANDE"},
                                                    {"ITALIA", "ITALIEN"},
                                                    {"B", "BELGIEN"},
                                                    {"BELGIQUE", "BELGIEN"},
                                                    {"F", "FRANKREICH"},
                                                    {"FRANCE", "FRANKREICH"},
                                                    {"PL", "POLEN"}};
  auto pickFor = [&](const std::string& oemDesignation) {
    const auto it = picks.find(UpperGerman(TrimBoth(oemDesignation)));
    return it == picks.end() ? std::string() : it->second;
  };

  KeepScreenshots();
  Start();
  ASSERT_TRUE(steps_.ChooseFile(sourcePath, kOpenTitle, kSourceFilter)) << steps_.error;
  EXPECT_EQ(steps_.transcript.back(), "file: " + kOpenTitle + " | " + kSourceFilter + " | ");
  HWND converter = steps_.Converter();
  ASSERT_TRUE(converter) << steps_.error;
  ExpectFreshConverter(converter, *source, "KUNDEN");

  AssignmentModel model(*source, templ_);
  const AssignStep plan[] = {{"NAME", "Name", true},
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
                             {"KDNR", "Postfach", true},
                             {"UMSATZ", "Bemerkung", false},
                             {"BEMERK", "Bemerkung", true},
                             {"NOTIZ", "Notizen", true},
                             {"KDSEIT", "Notizen", true},
                             {"UMSATZ", "Notizen", true}};
  for (const AssignStep& step : plan) {
    const AssignmentModel::Outcome o = model.Assign(step.field, step.label, step.final);
    ASSERT_TRUE(steps_.Assign(converter, step.field, step.label, step.final, o.row, o.question))
        << steps_.error;
  }
  EXPECT_EQ(ListRows(GetDlgItem(converter, ids::kSourceList)), model.SourceRows());
  EXPECT_EQ(ListRows(GetDlgItem(converter, ids::kTargetList)), model.TargetRows());
  steps_.Shot(GetParent(converter), "converter_dialog");

  ConversionPlan conversion;
  conversion.assignment = model.assignment();
  conversion.replacementField = 0;
  conversion.loadLinksAtFirstQuestion = true;
  conversion.linkFile = fileLinks;
  conversion.answer = [&](const std::string& land) { return CountryPosition(pickFor(land)); };
  conversion.date = Today();
  const ExpectedConversion expected = ExpectConversion(*source, countries_, templ_, conversion);
  ASSERT_GT(expected.questions.size(), 5u);
  WriteExpectations(expected, "KUNDEN.DBF");

  ConversionAnswers answers;
  answers.linkFile = linkFile;
  answers.country = [&](const std::string& label) {
    std::string designation;
    if (label.rfind("Die Bezeichnung ", 0) == 0) {
      designation = label.substr(16, label.size() - 16 - std::string(" entspricht:").size());
    }
    return OemToAnsi(pickFor(AnsiToOem(designation)));
  };
  answers.saveProtocolTo = JoinPath(in_.work, "KUNDEN.TXT");
  answers.saveAssignmentsTo = JoinPath(in_.work, "KUNDEN.ZWS");
  answers.saveLinksTo = JoinPath(in_.work, "KUNDEN.LVK");
  answers.inspect = InspectDialogs(*source, "NAME", expected);
  const size_t before = steps_.transcript.size();
  const bool converted = steps_.Convert(converter, answers);
  const std::string dateAfter = Today();
  EXPECT_TRUE(converted) << steps_.error;
  if (dateAfter != conversion.date) WriteExpectations(expected, "KUNDEN.DBF", dateAfter);
  ExpectEndsCleanly(program_);

  TranscriptPlan talk;
  talk.nameField = "NAME";
  talk.base = "KUNDEN";
  talk.linkFile = true;
  talk.saveProtocol = true;
  talk.saveAssignments = true;
  talk.askLinks = true;
  talk.saveLinks = true;
  const std::vector<std::string> said(steps_.transcript.begin() + static_cast<long>(before),
                                      steps_.transcript.end());
  EXPECT_EQ(said, ExpectedTranscript(expected, talk));

  ExpectDelivered(expected, conversion.date, dateAfter);
  ExpectProtocolFile(answers.saveProtocolTo, expected, sourcePath, conversion.date);
  EXPECT_EQ(ReadWholeFile(answers.saveAssignmentsTo), AssignmentFileBytes(model.assignment()));
  EXPECT_EQ(ReadWholeFile(answers.saveLinksTo), LinkFileBytes(expected.links))
      << "the saved links: the loaded file's, then the ones picked after loading";
  const std::string settings = JoinPath(in_.appData, "Velarto\\qz.ini");
  EXPECT_STRCASEEQ(IniValue(settings, "Tabrix", "LASTPATH").c_str(), in_.work.c_str());
  EXPECT_STRCASEEQ(IniValue(settings, "Tabrix", "LASTPATH2").c_str(), in_.work.c_str());
  EXPECT_STRCASEEQ(IniValue(settings, "Tabrix", "LASTPATH3").c_str(), in_.work.c_str());
}

// ---- a default country and a replacement name field -------------------------------------------

// ADRESSEN.DBF (dBASE III with DBT memos, no postal code field): "Land" left unassigned, so the
// converter asks for a default country (Cancel first keeps the dialog); postal codes taken from
// the city names; blank names replaced by NAME2 through the replacement chooser.
TEST_F(ConverterE2e, ConvertsAdressenWithDefaultCountryAndReplacementName) {
  ConvertAdressen();
}

// The same conversion at a site whose data a database server serves (the stand-in engine beside
// the program answers 2): the program's tables go through the server's driver, and the
// delivered table is the same.
class ConverterE2eOnServer : public ConverterE2e {
 protected:
  void SetUp() override {
    ConverterE2e::SetUp();
    if (HasFatalFailure()) return;
    std::string library = std::string(ACE_STANDIN_DIR) + "/ace64.dll";
    std::replace(library.begin(), library.end(), '/', '\\');
    ASSERT_TRUE(CopyFileA(library.c_str(), JoinPath(in_.program, "ace64.dll").c_str(), FALSE));
    calls_ = JoinPath(in_.root, "ace_calls.txt");
    DeleteFileA(calls_.c_str());
    SetEnvironmentVariableA("TABRIX_ACE_SERVER", "2");
    SetEnvironmentVariableA("TABRIX_ACE_LOG", calls_.c_str());
  }
  void TearDown() override {
    SetEnvironmentVariableA("TABRIX_ACE_SERVER", nullptr);
    SetEnvironmentVariableA("TABRIX_ACE_LOG", nullptr);
    ConverterE2e::TearDown();
  }
  // How often the program called `function` of the engine.
  int Calls(const std::string& function) const {
    const std::optional<std::string> log = ReadWholeFile(calls_);
    int n = 0;
    for (size_t at = 0; log && (at = log->find(function + "\n", at)) != std::string::npos; ++at) {
      if (at == 0 || (*log)[at - 1] == '\n') ++n;
    }
    return n;
  }
  std::string calls_;
};

TEST_F(ConverterE2eOnServer, ConvertsAdressenThroughTheServersDriver) {
  ConvertAdressen();
  // The start-up asked the server once, the tables were opened and written through it, and the
  // program ended its connections when it ended.
  EXPECT_GE(Calls("AdsIsServerLoaded"), 1);
  EXPECT_GE(Calls("AdsOpenTable"), 1);
  EXPECT_GE(Calls("AdsAppendRecord"), 1);
  EXPECT_GE(Calls("AdsSetString"), 1);
  EXPECT_EQ(Calls("AdsDisconnect"), 1);
}

// ---- assignments saved, and loaded after a restart ----------------------------------------------

TEST_F(ConverterE2e, SavedAssignmentsComeBackAfterARestart) {
  const std::string sourcePath = CopyExport("KUNDEN");
  const std::optional<DbfFile> source = DbfFile::Load(sourcePath);
  ASSERT_TRUE(source.has_value());
  AssignmentModel model(*source, templ_);
  const std::string file = JoinPath(in_.work, "Zuweisungen.ZWS");
  const std::string secondFile = JoinPath(in_.work, "Zuweisungen2.ZWS");
  {
    Start();
    ASSERT_TRUE(steps_.ChooseFile(sourcePath)) << steps_.error;
    HWND converter = steps_.Converter();
    ASSERT_TRUE(converter) << steps_.error;
    auto o = model.Assign("NAME", "Name", true);
    ASSERT_TRUE(steps_.Assign(converter, "NAME", "Name", true, o.row)) << steps_.error;
    // A double click assigns finally while "Doppelklick als endgültige Zuweisung" is ticked.
    o = model.Assign("LAND", "Land", true);
    ASSERT_TRUE(steps_.AssignByDoubleClick(converter, "LAND", "Land", true, o.row)) << steps_.error;
    o = model.Assign("ORT", "Ort", false);
    ASSERT_TRUE(steps_.Assign(converter, "ORT", "Ort", false, o.row, o.question)) << steps_.error;
    o = model.Assign("BEMERK", "Bemerkung", true);
    ASSERT_TRUE(steps_.Assign(converter, "BEMERK", "Bemerkung", true, o.row, o.question))
        << steps_.error;
    o = model.Assign("NOTIZ", "Notizen", true);
    ASSERT_TRUE(steps_.Assign(converter, "NOTIZ", "Notizen", true, o.row)) << steps_.error;
    ASSERT_TRUE(steps_.SetCheck(converter, ids::kPostalCodeFromCity, true)) << steps_.error;
    model.SetPostalCodeFromCity(true);
    EXPECT_EQ(ListRows(GetDlgItem(converter, ids::kTargetList)), model.TargetRows());

    ASSERT_TRUE(ClickButton(converter, ids::kSaveAssignments));
    ASSERT_TRUE(steps_.ChooseFile(file, kSaveAssignmentsTitle, kSaveAssignmentsFilter))
        << steps_.error;
    EXPECT_EQ(steps_.transcript.back(),
              "file: " + kSaveAssignmentsTitle + " | " + kSaveAssignmentsFilter + " | KUNDEN.ZWS");
    ASSERT_TRUE(WaitUntil([&] {
      return ReadWholeFile(file) == AssignmentFileBytes(model.assignment());
    })) << "the assignment file differs from what was assigned";
    // Saving again under the same name asks before overwriting; Cancel opens the chooser again.
    ASSERT_TRUE(ClickButton(converter, ids::kSaveAssignments));
    ASSERT_TRUE(steps_.ChooseFile(file)) << steps_.error;
    ASSERT_TRUE(
        steps_.AnswerBox("Die Datei Zuweisungen.ZWS Existiert bereits!\nSoll sie \xFC"
                         "berschrieben werden?",
                         IDCANCEL))
        << steps_.error;
    ASSERT_TRUE(steps_.ChooseFile(secondFile, kSaveAssignmentsTitle)) << steps_.error;
    ASSERT_TRUE(WaitUntil([&] { return ReadWholeFile(secondFile) == ReadWholeFile(file); }));
    EXPECT_EQ(steps_.Converter(), converter) << steps_.error;
    // Everything is saved: "Abbruch" ends the program without a question.
    ASSERT_TRUE(ClickButton(converter, ids::kCancel));
    ExpectEndsCleanly(program_);
    EXPECT_STRCASEEQ(
        IniValue(JoinPath(in_.appData, "Velarto\\qz.ini"), "Tabrix", "LASTPATH2").c_str(),
        in_.work.c_str());
  }
  {
    Program again;
    Steps steps(again);
    std::string error;
    ASSERT_TRUE(again.Start(in_, &error)) << error;
    ASSERT_TRUE(steps.ChooseFile(sourcePath, kOpenTitle, kSourceFilter)) << steps.error;
    HWND converter = steps.Converter();
    ASSERT_TRUE(converter) << steps.error;
    ExpectFreshConverter(converter, *source, "KUNDEN");
    ASSERT_TRUE(ClickButton(converter, ids::kOpenAssignments));
    ASSERT_TRUE(steps.ChooseFile(file, kOpenTitle, kOpenAssignmentsFilter)) << steps.error;
    HWND targets = GetDlgItem(converter, ids::kTargetList);
    HWND sources = GetDlgItem(converter, ids::kSourceList);
    EXPECT_TRUE(WaitUntil([&] { return ListRows(targets) == model.TargetRows(); }))
        << "the loaded assignment is not shown";
    EXPECT_EQ(ListRows(targets), model.TargetRows());
    const AssignmentModel fresh(*source, templ_);
    EXPECT_EQ(ListRows(sources), fresh.SourceRows()) << "after loading, every field is offered";
    EXPECT_TRUE(IsChecked(converter, ids::kPostalCodeFromCity));
    EXPECT_EQ(ListSelection(targets), -1);
    EXPECT_EQ(ListSelection(sources), -1);
    // Loaded means saved: "Abbruch" asks nothing.
    ASSERT_TRUE(ClickButton(converter, ids::kCancel));
    ExpectEndsCleanly(again);
    EXPECT_EQ(steps.transcript.size(), 2u) << "only the two file dialogs";
  }
}

// ---- another source table -----------------------------------------------------------------------

TEST_F(ConverterE2e, OpeningAnotherSourceShowsItsFieldsAndKeepsThePreferences) {
  const std::string kunden = CopyExport("KUNDEN");
  const std::string adressen = CopyExport("ADRESSEN");
  const std::optional<DbfFile> first = DbfFile::Load(kunden), second = DbfFile::Load(adressen);
  ASSERT_TRUE(first && second);
  Start();
  ASSERT_TRUE(steps_.ChooseFile(kunden)) << steps_.error;
  HWND converter = steps_.Converter();
  ASSERT_TRUE(converter) << steps_.error;
  ASSERT_TRUE(steps_.SetCheck(converter, ids::kDoubleClickFinal, false)) << steps_.error;
  AssignmentModel model(*first, templ_);
  const auto o = model.Assign("NAME", "Name", true);
  ASSERT_TRUE(steps_.Assign(converter, "NAME", "Name", true, o.row)) << steps_.error;

  // A cancelled chooser changes nothing.
  ASSERT_TRUE(ClickButton(converter, ids::kOpenSource));
  ASSERT_TRUE(steps_.CancelFile(kOpenTitle)) << steps_.error;
  ASSERT_EQ(steps_.Converter(), converter) << steps_.error;
  EXPECT_EQ(ListRows(GetDlgItem(converter, ids::kTargetList)), model.TargetRows());
  EXPECT_EQ(ItemText(converter, ids::kSourceLabel), "KUNDEN Felder:");

  // Another table: the unsaved assignment is offered for saving, then the new fields show.
  ASSERT_TRUE(ClickButton(converter, ids::kOpenSource));
  ASSERT_TRUE(steps_.ChooseFile(adressen, kOpenTitle, kSourceFilter)) << steps_.error;
  ASSERT_TRUE(steps_.AnswerBox(kSaveQuestion, IDNO)) << steps_.error;
  HWND next = steps_.Converter();
  ASSERT_TRUE(next) << steps_.error;
  ExpectFreshConverter(next, *second, "ADRESSEN", /*doubleClickFinal=*/false);
  EXPECT_STRCASEEQ(IniValue(JoinPath(in_.appData, "Velarto\\qz.ini"), "Tabrix", "LASTPATH").c_str(),
                   in_.work.c_str());

  ASSERT_TRUE(ClickButton(next, ids::kCancel));
  ExpectEndsCleanly(program_);
  EXPECT_EQ(FilesIn(in_.product), std::vector<std::string>{"QZX.ini"});
}

// ---- "Abbruch" with unsaved assignments
// -------------------------------------------------------------

struct LeaveCase {
  const char* name;
  bool save;  // answer Yes (first cancelling the save dialog once), else No
};

class LeaveWithUnsavedAssignments : public ConverterE2e,
                                    public ::testing::WithParamInterface<LeaveCase> {};

TEST_P(LeaveWithUnsavedAssignments, AsksToSaveThem) {
  const std::string sourcePath = CopyExport("KUNDEN");
  const std::optional<DbfFile> source = DbfFile::Load(sourcePath);
  ASSERT_TRUE(source.has_value());
  Start();
  ASSERT_TRUE(steps_.ChooseFile(sourcePath)) << steps_.error;
  HWND converter = steps_.Converter();
  ASSERT_TRUE(converter) << steps_.error;
  AssignmentModel model(*source, templ_);
  for (const AssignStep& step :
       {AssignStep{"NAME", "Name", true}, AssignStep{"LAND", "Land", false},
        AssignStep{"NOTIZ", "Notizen", true}}) {
    const auto o = model.Assign(step.field, step.label, step.final);
    ASSERT_TRUE(steps_.Assign(converter, step.field, step.label, step.final, o.row, o.question))
        << steps_.error;
  }
  const std::string file = JoinPath(in_.work, "KUNDEN.ZWS");
  ASSERT_TRUE(ClickButton(converter, ids::kCancel));
  if (!GetParam().save) {
    ASSERT_TRUE(steps_.AnswerBox(kSaveQuestion, IDNO)) << steps_.error;
  } else {
    // Yes, then no file chosen: the dialog stays with everything in place.
    ASSERT_TRUE(steps_.AnswerBox(kSaveQuestion, IDYES)) << steps_.error;
    ASSERT_TRUE(steps_.CancelFile(kSaveAssignmentsTitle)) << steps_.error;
    ASSERT_EQ(steps_.Converter(), converter) << steps_.error;
    EXPECT_EQ(ListRows(GetDlgItem(converter, ids::kTargetList)), model.TargetRows());
    ASSERT_TRUE(ClickButton(converter, ids::kCancel));
    ASSERT_TRUE(steps_.AnswerBox(kSaveQuestion, IDYES)) << steps_.error;
    ASSERT_TRUE(steps_.ChooseFile(file, kSaveAssignmentsTitle, kSaveAssignmentsFilter))
        << steps_.error;
  }
  ExpectEndsCleanly(program_);
  const size_t boxes = static_cast<size_t>(
      std::count_if(steps_.transcript.begin(), steps_.transcript.end(),
                    [](const std::string& line) { return line.rfind("box: ", 0) == 0; }));
  EXPECT_EQ(boxes, GetParam().save ? 2u : 1u) << "no second question on the way out";
  if (GetParam().save) {
    EXPECT_EQ(ReadWholeFile(file), AssignmentFileBytes(model.assignment()));
  } else {
    EXPECT_FALSE(FileExists(file));
  }
  EXPECT_EQ(FilesIn(in_.product), std::vector<std::string>{"QZX.ini"});
}

INSTANTIATE_TEST_SUITE_P(Answers, LeaveWithUnsavedAssignments,
                         ::testing::Values(LeaveCase{"No", false},
                                           LeaveCase{"YesAfterACancelledSave", true}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- the program closed while it converts
// --------------------------------------------------------

enum class CloseWay { kCloseBoxWhileProgress, kWmCloseInCountryChooser, kAbbruchInCountryChooser };
struct CloseCase {
  const char* name;
  CloseWay way;
};

class CloseDuringConversion : public ConverterE2e,
                              public ::testing::WithParamInterface<CloseCase> {};

// A generated source: every record named and from "Deutschland", except record 50 ("BRD") when
// a country question is wanted. Big enough that the conversion is still running when the close
// arrives.
TEST_P(CloseDuringConversion, EndsTheProgramAndDeliversNothing) {
  const bool question = GetParam().way != CloseWay::kCloseBoxWhileProgress;
  const int count = question ? 200 : 30000;
  std::vector<std::vector<std::string>> records;
  for (int i = 1; i <= count; ++i) {
    records.push_back({"Kunde " + std::to_string(i), std::to_string(10000 + i % 89000) + " Ort",
                       question && i == 50 ? "BRD" : "Deutschland"});
  }
  const std::string sourcePath = JoinPath(in_.work, "GROSS.DBF");
  ASSERT_TRUE(
      WriteDbf(sourcePath, {{"NAME", 'C', 30}, {"ORT", 'C', 30}, {"LAND", 'C', 20}}, records));
  const std::optional<DbfFile> source = DbfFile::Load(sourcePath);
  ASSERT_TRUE(source.has_value());
  Start();
  ASSERT_TRUE(steps_.ChooseFile(sourcePath)) << steps_.error;
  HWND converter = steps_.Converter();
  ASSERT_TRUE(converter) << steps_.error;
  AssignmentModel model(*source, templ_);
  for (const AssignStep& step : {AssignStep{"NAME", "Name", true}, AssignStep{"ORT", "Ort", true},
                                 AssignStep{"LAND", "Land", true}}) {
    const auto o = model.Assign(step.field, step.label, step.final);
    ASSERT_TRUE(steps_.Assign(converter, step.field, step.label, step.final, o.row, o.question))
        << steps_.error;
  }
  ExpectNothingDelivered();
  ASSERT_TRUE(ClickButton(converter, ids::kConvert));
  HWND frame = GetParent(converter);
  if (GetParam().way == CloseWay::kCloseBoxWhileProgress) {
    // The close box, clicked right after "Konvertieren": it arrives while the records are
    // converted, at the conversion's first look at the messages.
    ASSERT_TRUE(PostMessageA(frame, WM_SYSCOMMAND, SC_CLOSE, 0));
    const Screen box = steps_.Wait({View::kMessageBox}, "the question on closing");
    ASSERT_EQ(box.view, View::kMessageBox) << steps_.error;
    // Behind the question the frame still shows the progress of the interrupted conversion.
    HWND progress = CurrentDialog(frame);
    ASSERT_TRUE(progress);
    EXPECT_EQ(TextOf(progress), "DIALOG_3");
    EXPECT_EQ(TextOf(frame), kCaption);
    const std::string counter = ItemText(progress, 101);
    const std::string suffix = " von " + std::to_string(count);
    ASSERT_GT(counter.size(), suffix.size()) << counter;
    EXPECT_EQ(counter.substr(counter.size() - suffix.size()), suffix);
    const long done = std::strtol(counter.c_str(), nullptr, 10);
    EXPECT_GE(done, 1);
    EXPECT_LT(done, count) << "the close came after the last record";
    EXPECT_EQ(ItemText(progress, 100).rfind("Kunde ", 0), 0u) << ItemText(progress, 100);
  } else {
    ASSERT_TRUE(steps_.AnswerBox("Die L\xE4nder-Bezeichnung " + Padded("BRD", 30) +
                                     "\nkonnte keinem Land zugewiesen werden.\nBitte w\xE4hlen "
                                     "Sie aus der folgenden Liste!",
                                 IDOK))
        << steps_.error;
    const Screen chooser = steps_.Wait({View::kChooser}, "the country chooser");
    ASSERT_EQ(chooser.view, View::kChooser) << steps_.error;
    EXPECT_EQ(chooser.text, "Die Bezeichnung BRD entspricht:");
    if (GetParam().way == CloseWay::kWmCloseInCountryChooser) {
      ASSERT_TRUE(PostMessageA(frame, WM_CLOSE, 0, 0));
    } else {
      ASSERT_TRUE(ClickButton(chooser.window, ids::kChooserCancel));
    }
  }
  // The close offers to save the assignments once, then the program ends.
  ASSERT_TRUE(steps_.AnswerBox(kSaveQuestion, IDNO)) << steps_.error;
  ExpectEndsCleanly(program_);
  EXPECT_EQ(FilesIn(in_.product), std::vector<std::string>{"QZX.ini"}) << "nothing delivered";
}

INSTANTIATE_TEST_SUITE_P(
    Ways, CloseDuringConversion,
    ::testing::Values(CloseCase{"CloseBoxWhileProgressShows", CloseWay::kCloseBoxWhileProgress},
                      CloseCase{"WmCloseWhileCountryChooserOpen",
                                CloseWay::kWmCloseInCountryChooser},
                      CloseCase{"AbbruchInCountryChooser", CloseWay::kAbbruchInCountryChooser}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tabrix::e2e
