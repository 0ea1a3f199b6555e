#include "converter/assignment_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <memory>
#include <string>
#include <vector>

#include "converter/converter_test_support.h"
#include "converter/fake_converter_ui.h"
#include "data/env/file_env.h"

namespace tabrix {
namespace {

using testing::ElementsAre;

constexpr WindowHandle kDialog = 77;
constexpr WindowHandle kChooserOwner = 5;
constexpr char kIni[] = "C:\\USER\\Velarto\\qz.ini";

class AssignmentFileTest : public testing::Test {
 protected:
  FakeConverterUi ui;
  ConverterContext ctx{ui, "Velarto Converter", kIni, kChooserOwner};
  TempFolder temp;

  std::string LastPath2() { return ui.ReadSetting(kIni, "Tabrix", "LASTPATH2", "<none>"); }
};

// Two remark fields, three notes fields, the postal-code option on and a few slots assigned.
ConverterJobState SampleAssignment() {
  ConverterJobState state = MakeJobState(8);
  state.SetAssignedSource(2, 1);
  state.SetAssignedSource(6, 3);
  state.SetAssignedSource(28, 8);
  state.ABEMFELDER = {4, 2};
  state.ANOTIZFELDER = {5, 6, 7};
  state.LPLZAUSORT = true;
  state.LZUWGESICHERT = false;
  return state;
}

TEST(AssignmentFileFormat, TwoRemarkAndThreeNotesFieldsMake125BytesEndingInOne) {
  const std::string bytes = EncodeAssignmentFile(SampleAssignment());
  ASSERT_EQ(bytes.size(), 125u);
  EXPECT_EQ(bytes.substr(0, 10), "Tabrix-ZWS");
  EXPECT_EQ(bytes.substr(10 + 2 * (2 - 1), 2), Word(1));   // AZUWEISUNG[2]
  EXPECT_EQ(bytes.substr(10 + 2 * (28 - 1), 2), Word(8));  // AZUWEISUNG[28]
  EXPECT_EQ(bytes.substr(10 + 2 * (3 - 1), 2), Word(0));
  EXPECT_EQ(bytes.substr(110, 6), Word(2) + Word(4) + Word(2));
  EXPECT_EQ(bytes.substr(116, 8), Word(3) + Word(5) + Word(6) + Word(7));
  EXPECT_EQ(bytes.back(), '1');
}

TEST(AssignmentFileFormat, EmptyAssignmentIs115BytesEndingInZero) {
  const std::string bytes = EncodeAssignmentFile(MakeJobState(3));
  ASSERT_EQ(bytes.size(), 115u);
  EXPECT_EQ(bytes.substr(10, 104), std::string(104, '\0'));
  EXPECT_EQ(bytes.back(), '0');
}

TEST(AssignmentFileFormat, DecodingWhatWasEncodedGivesItBack) {
  const ConverterJobState state = SampleAssignment();
  const auto decoded = DecodeAssignmentFile(EncodeAssignmentFile(state), 8);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->entries, state.AZUWEISUNG);
  EXPECT_EQ(decoded->remark, state.ABEMFELDER);
  EXPECT_EQ(decoded->notes, state.ANOTIZFELDER);
  EXPECT_TRUE(decoded->postalFromCity);
  EXPECT_FALSE(decoded->partlyUnassignable);
}

TEST(AssignmentFileFormat, OtherTypeIdsAreNoAssignmentFiles) {
  for (const std::string& bytes :
       {std::string("Tabrix-LVK") + std::string(105, '\0'), std::string("Tabrix-ZW"), std::string(),
        std::string("tabrix-zws") + std::string(105, '\0')}) {
    EXPECT_FALSE(DecodeAssignmentFile(bytes, 5)) << bytes;
  }
}

// Damaged and hostile files: what each keeps, and that the summary is due.
struct DecodeCase {
  const char* what;
  std::string bytes;
  int fieldCount;
  std::vector<int> slotEntries;  // {t, value} pairs expected non-zero
  std::vector<int> remark;
  std::vector<int> notes;
  bool postal;
  bool partly;
};

std::string Entries(std::vector<std::pair<int, int>> set) {
  std::string out;
  for (int t = 1; t <= 50; ++t) {
    int v = 0;
    for (auto [k, val] : set) v = k == t ? val : v;
    out += Word(v);
  }
  return out;
}

std::string File(std::vector<std::pair<int, int>> set, std::vector<int> remark,
                 std::vector<int> notes, std::string option) {
  std::string out = "Tabrix-ZWS" + Entries(set) + Word(static_cast<int>(remark.size()));
  for (int v : remark) out += Word(v);
  out += Word(static_cast<int>(notes.size()));
  for (int v : notes) out += Word(v);
  return out + option;
}

class DecodeDamageTest : public testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeDamageTest, KeepsOnlyWhatTheSourceCanSatisfy) {
  const DecodeCase& c = GetParam();
  const auto d = DecodeAssignmentFile(c.bytes, c.fieldCount);
  ASSERT_TRUE(d);
  std::vector<int> nonZero;
  for (int t = 1; t <= 50; ++t) {
    if (d->entries[static_cast<size_t>(t - 1)] != 0) {
      nonZero.push_back(t);
      nonZero.push_back(d->entries[static_cast<size_t>(t - 1)]);
    }
  }
  EXPECT_EQ(nonZero, c.slotEntries);
  EXPECT_EQ(d->remark, c.remark);
  EXPECT_EQ(d->notes, c.notes);
  EXPECT_EQ(d->postalFromCity, c.postal);
  EXPECT_EQ(d->partlyUnassignable, c.partly);
  for (int v : d->entries) EXPECT_LE(v, c.fieldCount);
}

const std::string kFull = File({{2, 3}, {40, 1}}, {1, 2}, {3}, "1");

INSTANTIATE_TEST_SUITE_P(
    Cases, DecodeDamageTest,
    testing::Values(
        DecodeCase{"intact", kFull, 3, {2, 3, 40, 1}, {1, 2}, {3}, true, false},
        DecodeCase{"slot beyond count",
                   File({{2, 4}, {6, 3}}, {}, {}, "0"),
                   3,
                   {6, 3},
                   {},
                   {},
                   false,
                   true},
        DecodeCase{
            "entry 31-50 beyond count", File({{45, 9}}, {}, {}, "0"), 3, {}, {}, {}, false, true},
        DecodeCase{"65535 in a slot", File({{2, 65535}}, {}, {}, "0"), 3, {}, {}, {}, false, true},
        DecodeCase{"composite values 0, too high, repeated",
                   File({}, {0, 2, 9, 2}, {3, 3}, "0"),
                   3,
                   {},
                   {2},
                   {3},
                   false,
                   true},
        DecodeCase{
            "PLZ assigned with option on", File({{4, 1}}, {}, {}, "1"), 3, {}, {}, {}, true, true},
        DecodeCase{"PLZ assigned with option off",
                   File({{4, 1}}, {}, {}, "0"),
                   3,
                   {4, 1},
                   {},
                   {},
                   false,
                   false},
        DecodeCase{"option byte other than 1", File({}, {}, {}, "X"), 3, {}, {}, {}, false, false},
        DecodeCase{"bytes after the option",
                   kFull + std::string(5000, '\x7f'),
                   3,
                   {2, 3, 40, 1},
                   {1, 2},
                   {3},
                   true,
                   false},
        DecodeCase{"no option byte",
                   kFull.substr(0, kFull.size() - 1),
                   3,
                   {2, 3, 40, 1},
                   {1, 2},
                   {3},
                   false,
                   true},
        DecodeCase{"ends inside the notes",
                   kFull.substr(0, kFull.size() - 2),
                   3,
                   {2, 3, 40, 1},
                   {1, 2},
                   {},
                   false,
                   true},
        DecodeCase{"ends inside the entries",
                   kFull.substr(0, 10 + 2 * 3 + 1),
                   3,
                   {2, 3},
                   {},
                   {},
                   false,
                   true},
        DecodeCase{"type id only", "Tabrix-ZWS", 3, {}, {}, {}, false, true},
        DecodeCase{"huge counts, no values",
                   "Tabrix-ZWS" + Entries({}) + Word(65535),
                   3,
                   {},
                   {},
                   {},
                   false,
                   true},
        DecodeCase{"source without fields", kFull, 0, {}, {}, {}, true, true}),
    [](const testing::TestParamInfo<DecodeCase>& info) {
      std::string name = info.param.what;
      for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
      return name;
    });

TEST_F(AssignmentFileTest, SaveAsksWithTheChooserArgumentsAndRemembersTheFolder) {
  ConverterJobState state = SampleAssignment();
  ui.settings[{kIni, "Tabrix", "LASTPATH2"}] = "C:\\OLD";
  const std::string path = temp.File("ADRESSEN.ZWS");
  ui.chosenFiles = {path};

  EXPECT_TRUE(ZUWSAVE(ctx, state, kDialog));

  ASSERT_EQ(ui.chooserRequests.size(), 1u);
  FileChooserRequest expected;
  expected.owner = kChooserOwner;
  expected.initialName = "ADRESSEN.ZWS";
  expected.title = "Zieldatei wählen zum Speichern der Zuweisungen";
  expected.filters = {{"Velarto Converter Zuweisungen Speichern (*.ZWS)", "*.ZWS"}};
  expected.flags = 10244;
  expected.initialDir = "C:\\OLD";
  expected.defaultExt = "*.ZWS";
  EXPECT_EQ(ui.chooserRequests[0], expected);
  EXPECT_EQ(LastPath2(), temp.Folder());
  const std::string written = ReadBytes(path);
  ASSERT_EQ(written.size(), 125u);
  EXPECT_EQ(written.back(), '1');
  EXPECT_EQ(written, EncodeAssignmentFile(state));
  EXPECT_TRUE(state.LZUWGESICHERT);
  EXPECT_TRUE(ui.Lines("message").empty());
  EXPECT_TRUE(ui.Lines("beep").empty());
}

TEST_F(AssignmentFileTest, SaveOverAnExistingFileAsksAndCancelReopensTheChooserThere) {
  ConverterJobState state = SampleAssignment();
  const std::string path = temp.File("ADRESSEN.ZWS");
  WriteBytes(path, "old");
  ui.chosenFiles = {path, path};
  ui.answers = {MessageAnswer::kCancel, MessageAnswer::kOk};

  EXPECT_TRUE(ZUWSAVE(ctx, state, kDialog));

  const std::string question = "message owner=77 title=Velarto Converter OkCancel: Die Datei " +
                               std::string("ADRESSEN.ZWS Existiert bereits!\nSoll sie ") +
                               "überschrieben werden?";
  EXPECT_THAT(ui.Lines("message"), ElementsAre(question, question));
  EXPECT_TRUE(ui.Lines("beep").empty());  // the overwrite question of this save has no beep
  ASSERT_EQ(ui.chooserRequests.size(), 2u);
  EXPECT_EQ(ui.chooserRequests[0].initialDir, "");
  EXPECT_EQ(ui.chooserRequests[1].initialDir, temp.Folder());
  EXPECT_EQ(ReadBytes(path).size(), 125u);
}

TEST_F(AssignmentFileTest, SaveGivesUpWithoutMessageWhenTheChooserIsCancelled) {
  for (const std::optional<std::string>& chosen :
       {std::optional<std::string>(), std::optional<std::string>("")}) {
    ConverterJobState state = SampleAssignment();
    ui.log.clear();
    ui.chosenFiles = {chosen};
    EXPECT_FALSE(ZUWSAVE(ctx, state, kDialog));
    EXPECT_FALSE(state.LZUWGESICHERT);
    EXPECT_THAT(ui.log, ElementsAre("choose save"));  // no LASTPATH2, no message
  }
}

TEST_F(AssignmentFileTest, SaveThatCannotCreateTheFileSaysSo) {
  const std::string inMissingFolder = temp.File("missing_folder") + "/X.ZWS";
  const std::string held = temp.File("HELD.ZWS");  // another program has it open exclusively
  WriteBytes(held, "old");
  std::unique_ptr<tabrix::File> holder;
  ASSERT_TRUE(DefaultEnv()->Open(held, {.exclusive = true}, &holder).ok());
  const std::string overwrite =
      "message owner=77 title=Velarto Converter OkCancel: Die Datei HELD.ZWS Existiert bereits!\n"
      "Soll sie überschrieben werden?";
  struct Case {
    std::string path;
    std::vector<std::string> questions;
  };
  for (const Case& c : {Case{inMissingFolder, {}}, Case{held, {overwrite}}}) {
    ConverterJobState state = SampleAssignment();
    ui.log.clear();
    ui.chosenFiles = {c.path};
    ui.answers = {MessageAnswer::kOk};
    EXPECT_FALSE(ZUWSAVE(ctx, state, kDialog)) << c.path;
    EXPECT_FALSE(state.LZUWGESICHERT);
    std::vector<std::string> log = {"choose save",
                                    "setting Tabrix.LASTPATH2=" + FolderOfPath(c.path)};
    log.insert(log.end(), c.questions.begin(), c.questions.end());
    log.push_back("beep");
    log.push_back("message owner=77 title=Velarto Converter Ok: Die Datei " + c.path +
                  " kann nicht erstellt werden!");
    EXPECT_EQ(ui.log, log);
  }
  holder.reset();  // on Windows nobody else can read it while it is held
  EXPECT_EQ(ReadBytes(held), "old");
}

TEST_F(AssignmentFileTest, OpenOfAFileHeldExclusivelyElsewhereSaysItCannotBeOpened) {
  const std::string path = temp.File("ADRESSEN.ZWS");
  WriteBytes(path, EncodeAssignmentFile(SampleAssignment()));
  std::unique_ptr<tabrix::File> holder;
  ASSERT_TRUE(DefaultEnv()->Open(path, {.exclusive = true}, &holder).ok());
  ConverterJobState state = MakeJobState(8);
  ui.chosenFiles = {path};

  EXPECT_FALSE(ZUWOPEN(ctx, state, kDialog));

  EXPECT_THAT(ui.log, ElementsAre("choose open", "setting Tabrix.LASTPATH2=" + temp.Folder(),
                                  "pump", "beep",
                                  "message owner=0 title=Velarto Converter Ok: Die Datei " + path +
                                      " kann nicht geöfnet werden!"));
  EXPECT_EQ(state.AssignedSource(2), 0);
  EXPECT_TRUE(state.ANOTIZFELDER.empty());
}

TEST_F(AssignmentFileTest, OpenLoadsTheFileAndRedrawsBothLists) {
  const std::string path = temp.File("ADRESSEN.ZWS");
  WriteBytes(path, EncodeAssignmentFile(SampleAssignment()));
  ConverterJobState state = MakeJobState(8);
  state.AQUELLZEILEN = {2, 5};  // fields 1, 3, 4, ... were finally assigned before
  state.LZUWGESICHERT = false;
  ui.settings[{kIni, "Tabrix", "LASTPATH2"}] = "C:\\OLD";
  ui.chosenFiles = {path};

  EXPECT_TRUE(ZUWOPEN(ctx, state, kDialog));

  FileChooserRequest expected;
  expected.owner = kChooserOwner;
  expected.filters = {{"Velarto Converter Zuweisungen öffnen (*.ZWS)", "*.ZWS"}};
  expected.flags = 4108;
  expected.initialDir = "C:\\OLD";
  expected.defaultExt = "*.ZWS";
  ASSERT_EQ(ui.chooserRequests.size(), 1u);
  EXPECT_EQ(ui.chooserRequests[0], expected);
  EXPECT_EQ(LastPath2(), temp.Folder());

  const ConverterJobState sample = SampleAssignment();
  EXPECT_EQ(state.AZUWEISUNG, sample.AZUWEISUNG);
  EXPECT_EQ(state.ABEMFELDER, sample.ABEMFELDER);
  EXPECT_EQ(state.ANOTIZFELDER, sample.ANOTIZFELDER);
  EXPECT_TRUE(state.LPLZAUSORT);
  EXPECT_TRUE(state.LZUWGESICHERT);
  EXPECT_THAT(state.AQUELLZEILEN, ElementsAre(1, 2, 3, 4, 5, 6, 7, 8));

  // Slots: Name <- F1, Ort <- F3, Land <- F8, PLZ from the city; every other slot is free and
  // shows its target field's length (20).
  const char* const slotRows[] = {
      "Name\t      <-\t\tF1", "Name2\t\t20",      "Anrede\t\t20",  "PLZ\t    aus Ortsnamen",
      "PLZ2\t\t20",           "Postfach\t\t20",   "Straße\t\t20",  "Ort\t      <-\t\tF3",
      "Land\t      <-\t\tF8", "Telefon\t\t20",    "Telefax\t\t20", "Handy\t\t20",
      "eMail\t\t20",          "Sortbegriff\t\t20"};
  std::vector<std::string> expectedLog = {
      "choose open", "setting Tabrix.LASTPATH2=" + temp.Folder(), "pump", "check 77/115 on"};
  for (int row = 0; row < 14; ++row) {
    expectedLog.push_back("replace 77/102 row " + std::to_string(row) + " [" + slotRows[row] +
                          "] select");
  }
  // F4 (40) and F2 (20) cost 64 of 50; F5, F6, F7 cost 186 of 40000 (99.5 %, shown as 99).
  expectedLog.push_back("replace 77/102 row 14 [Bemerkung\t0 Zeichen frei  <- F4; F2] select");
  expectedLog.push_back("replace 77/102 row 15 [Notizen\t99% frei <- F5; F6; F7] select");
  expectedLog.push_back("refit 77");
  expectedLog.push_back("clear 77/101");
  for (int s = 1; s <= 8; ++s) {
    expectedLog.push_back("add 77/101 [F" + std::to_string(s) + "\t\t" + std::to_string(10 * s) +
                          "]");
  }
  EXPECT_EQ(ui.log, expectedLog);
}

TEST_F(AssignmentFileTest, OpenWithNumbersBeyondTheSourceDropsThemWithOneMessage) {
  const std::string path = temp.File("GROSS.ZWS");
  // Slot "Name" (2) -> 7, slot "Ort" (6) -> 2, entry 45 -> 9, remark 1, 6, notes 2, 8, 3.
  WriteBytes(path, File({{2, 7}, {6, 2}, {45, 9}}, {1, 6}, {2, 8, 3}, "0"));
  ConverterJobState state = MakeJobState(3);
  state.LPLZAUSORT = true;
  ui.chosenFiles = {path};

  EXPECT_TRUE(ZUWOPEN(ctx, state, kDialog));

  EXPECT_FALSE(state.LPLZAUSORT);
  EXPECT_THAT(ui.Lines("check"), ElementsAre("check 77/115 off"));
  EXPECT_THAT(ui.Lines("replace 77/102 row 0 "),
              ElementsAre("replace 77/102 row 0 [Name\t\t20] select"));

  EXPECT_EQ(state.AssignedSource(2), 0);
  EXPECT_EQ(state.AssignedSource(6), 2);
  EXPECT_EQ(state.AssignedSource(45), 0);
  EXPECT_THAT(state.ABEMFELDER, ElementsAre(1));
  EXPECT_THAT(state.ANOTIZFELDER, ElementsAre(2, 3));
  EXPECT_THAT(ui.Lines("message"),
              ElementsAre("message owner=0 title=Velarto Converter Ok: Die Datei enthielt "
                          "teilweise nicht zuweisbare Felder!"));
  EXPECT_EQ(ui.log.back(), ui.Lines("message")[0]);
  EXPECT_EQ(ui.log[ui.log.size() - 2], "beep");
  EXPECT_TRUE(state.LZUWGESICHERT);
}

TEST_F(AssignmentFileTest, OpenRejectsACountryLinkFileAndChangesNothing) {
  const std::string path = temp.File("ADRESSEN.ZWS");
  WriteBytes(path, "Tabrix-LVK" + EncodeAssignmentFile(SampleAssignment()).substr(10));
  ConverterJobState state = SampleAssignment();
  state.AQUELLZEILEN = {2, 3};
  const ConverterJobState before = state;
  ui.chosenFiles = {path};

  EXPECT_FALSE(ZUWOPEN(ctx, state, kDialog));

  EXPECT_THAT(ui.log, ElementsAre("choose open", "setting Tabrix.LASTPATH2=" + temp.Folder(),
                                  "pump", "beep",
                                  "message owner=0 title=Velarto Converter Ok: Die Datei " + path +
                                      " enthält keine Zuweisungen!"));
  EXPECT_EQ(state.AZUWEISUNG, before.AZUWEISUNG);
  EXPECT_EQ(state.ABEMFELDER, before.ABEMFELDER);
  EXPECT_EQ(state.ANOTIZFELDER, before.ANOTIZFELDER);
  EXPECT_EQ(state.AQUELLZEILEN, before.AQUELLZEILEN);
  EXPECT_EQ(state.LPLZAUSORT, before.LPLZAUSORT);
  EXPECT_EQ(state.LZUWGESICHERT, before.LZUWGESICHERT);
}

TEST_F(AssignmentFileTest, OpenWithoutAFileReturnsFalseSilently) {
  struct Case {
    std::optional<std::string> chosen;
    std::vector<std::string> log;
  };
  const std::string missing = temp.File("NICHTDA.ZWS");
  for (const Case& c :
       {Case{std::nullopt, {"choose open", "pump"}}, Case{std::string(), {"choose open", "pump"}},
        Case{missing, {"choose open", "setting Tabrix.LASTPATH2=" + temp.Folder(), "pump"}},
        Case{temp.Folder(),  // a folder is no file
             {"choose open", "setting Tabrix.LASTPATH2=" + FolderOfPath(temp.Folder()), "pump"}}}) {
    ConverterJobState state = SampleAssignment();
    ui.log.clear();
    ui.chosenFiles = {c.chosen};
    EXPECT_FALSE(ZUWOPEN(ctx, state, kDialog));
    EXPECT_EQ(ui.log, c.log);
    EXPECT_FALSE(state.LZUWGESICHERT);
  }
}

TEST_F(AssignmentFileTest, OpenLoadsNothingWhenTheJobWasClosedWhileChoosing) {
  const std::string path = temp.File("ADRESSEN.ZWS");
  WriteBytes(path, EncodeAssignmentFile(SampleAssignment()));
  ConverterJobState state = MakeJobState(8);
  ui.chosenFiles = {path};
  ui.onPendingMessages = [&] { state.LGESCHLOSSEN = true; };
  EXPECT_FALSE(ZUWOPEN(ctx, state, kDialog));
  EXPECT_EQ(state.AssignedSource(2), 0);
  EXPECT_EQ(ui.log.back(), "pump");
}

}  // namespace
}  // namespace tabrix
