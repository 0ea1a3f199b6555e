// The chooser procedures and the protocol, through the scripted window side.
#include "converter/choosers.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "converter/fake_converter_ui.h"
#include "converter/small_file.h"
#include "data/env/fault_env.h"
#include "data/env/memory_env.h"

namespace tabrix {
namespace {

class FixedDay final : public ConverterClock {
 public:
  double SteadySeconds() override { return 0; }
  Date Today() override { return {2026, 3, 7}; }
};

class ChoosersTest : public testing::Test {
 protected:
  std::unique_ptr<Env> files = NewMemoryEnv();
  FaultEnv faults{files.get()};
  FakeConverterUi ui;
  FixedDay day;
  ConverterContext ctx{ui,  "Velarto Converter", "C:\\USER\\qz.ini", 5, &faults, 9, "C:\\PROG\\",
                       &day};
  ConverterJobState state;
  const std::vector<FieldDescription> structure = {
      {"NAME", 'C', 40, 0}, {"NAME2", 'C', 40, 0}, {"ORT", 'C', 30, 0}};

  void SetUp() override {
    state.CQUELLDATEI = "C:\\DATEN\\KUNDEN.DBF";
    state.CQUELLNAME = "KUNDEN";
    state.LGESCHLOSSEN = false;
    ui.progressShown = true;
  }
};

TEST_F(ChoosersTest, TheReplacementChooserLeavesOutTheNameFieldAndMapsRowsToFields) {
  ui.dialogSteps = {{DialogStep::kChoose, 2}};
  EXPECT_EQ(LIST2INIT(ctx, state, structure, 1, "Ersatzfeld für NAME", "kein Ersatzfeld",
                      "Achtung! Datensätze ohne Namen werden nicht übernommen!"),
            3);  // row 2 shows ORT once NAME is left out
  ASSERT_EQ(ui.chooserViews.size(), 1u);
  EXPECT_EQ(ui.chooserViews[0].rowsAnsi, (std::vector<std::string>{"NAME2\t\t40", "ORT\t\t30"}));
  EXPECT_TRUE(ui.chooserViews[0].multiColumn);
  // It took the progress dialog's place and gave it back.
  EXPECT_EQ(ui.Lines("progress"), (std::vector<std::string>{"progress close", "progress show"}));
  EXPECT_FALSE(state.LABBRUCH);
}

TEST_F(ChoosersTest, KeinErsatzfeldAsksForConfirmationAndStaysOnCancel) {
  ui.dialogSteps = {{DialogStep::kThird}, {DialogStep::kThird}};
  ui.answers = {MessageAnswer::kCancel, MessageAnswer::kOk};
  EXPECT_EQ(LIST2INIT(ctx, state, structure, 1, "Ersatzfeld für NAME", "kein Ersatzfeld",
                      "Achtung! Datensätze ohne Namen werden nicht übernommen!"),
            0);
  EXPECT_EQ(ui.Lines("beep").size(), 2u);
  EXPECT_EQ(ui.Lines("message owner=77").size(), 2u);
  EXPECT_TRUE(ui.dialogSteps.empty());
}

TEST_F(ChoosersTest, AChooserClosedWithTheProgramSetsLabbruchAndShowsNoNewProgress) {
  ui.dialogSteps = {{DialogStep::kAbort}};
  ui.onFrameClose = [this] { state.LGESCHLOSSEN = true; };
  EXPECT_EQ(LIST4INIT(ctx, state, {"DEUTSCHLAND"}, "Standard-Land:", std::nullopt), 0);
  EXPECT_TRUE(state.LABBRUCH);
  EXPECT_EQ(ui.Lines("progress"), std::vector<std::string>{"progress close"});
}

TEST_F(ChoosersTest, AChosenCountryMarksTheLinksUnsaved) {
  ui.dialogSteps = {{DialogStep::kChoose, 2}};
  EXPECT_EQ(LIST4INIT(ctx, state, {"DEUTSCHLAND", "\x99STERREICH"},
                      "Die Bezeichnung A entspricht:", "aus Datei"),
            2);
  EXPECT_FALSE(state.LLANDGESICHERT);
  EXPECT_EQ(ui.chooserViews[0].rowsAnsi, (std::vector<std::string>{"DEUTSCHLAND", "ÖSTERREICH"}));
  EXPECT_FALSE(ui.chooserViews[0].multiColumn);
}

TEST_F(ChoosersTest, AusDateiWithACancelledChooserStaysOpen) {
  ui.dialogSteps = {{DialogStep::kThird}, {DialogStep::kChoose, 1}};
  ui.chosenFiles = {std::nullopt};
  EXPECT_EQ(LIST4INIT(ctx, state, {"DEUTSCHLAND"}, "x", "aus Datei"), 1);
  // The links were saved (LLANDGESICHERT): no question before loading.
  EXPECT_TRUE(ui.Lines("message").empty());
}

TEST_F(ChoosersTest, ProtocolTextBreaksAfterTheNumberThatMakesALineTooWide) {
  const auto width = [](const std::string& text) { return static_cast<int>(text.size()) * 10; };
  struct Case {
    std::vector<int64_t> skipped;
    std::string text;
  };
  const Case cases[] = {
      {{}, ""},
      {{4}, "4"},
      {{4, 9, 10}, "4, 9, 10"},
      // 27 characters are 270 pixels: still on the line; the 28th breaks it.
      {{1000000, 2000000, 3000000, 4}, "1000000, 2000000, 3000000, 4"},
      {{10000000, 2000000, 3000000, 4}, "10000000, 2000000, 3000000, \r\n4"},
      {{10000000, 2000000, 3000000, 10000000, 2000000, 3000000, 5},
       "10000000, 2000000, 3000000, \r\n10000000, 2000000, 3000000, \r\n5"},
  };
  for (const Case& c : cases) EXPECT_EQ(ProtocolText(c.skipped, width), c.text);
}

TEST_F(ChoosersTest, SavingTheProtocolWritesTheHeaderAndTheNumbers) {
  ui.settings[{"C:\\USER\\qz.ini", "Tabrix", "LASTPATH3"}] = "C:\\PROTO";
  ui.dialogSteps = {{DialogStep::kSave}};
  ui.chosenFiles = {std::string("C:\\PROTO\\KUNDEN.TXT")};
  PROTOKOLL(ctx, state, 8, {3, 7});
  EXPECT_EQ(ui.Lines("protocol"),
            std::vector<std::string>{"protocol [Es wurden 8 Datensätze konvertiert.]"});
  ASSERT_EQ(ui.chooserRequests.size(), 1u);
  FileChooserRequest expected;
  expected.owner = 5;
  expected.initialName = "KUNDEN.TXT";
  expected.title = "Zieldatei wählen zum Speichern des Protokolls";
  expected.filters = {{"Velarto Converter Protokoll speichern (*.TXT)", "*.TXT"}};
  expected.flags = 10244;
  expected.initialDir = "C:\\PROTO";
  expected.defaultExt = "*.TXT";
  EXPECT_EQ(ui.chooserRequests[0], expected);
  EXPECT_EQ(*ReadFilePrefix(*files, "C:\\PROTO\\KUNDEN.TXT", 1000),
            "Velarto Converter Protokoll-Datei\t\t07.03.2026\r\n"
            "Name der Quell-Datenbank: C:\\DATEN\\KUNDEN.DBF\r\n"
            "\r\n"
            "Es wurden 8 Datensätze konvertiert.\r\n"
            "Datensätzen mit folgenden Nummern wurden nicht übernommen:\r\n"
            "3, 7");
}

TEST_F(ChoosersTest, TheProtocolStaysOpenUntilAFileIsWritten) {
  // A cancelled chooser; a refused overwrite; a file that cannot be created; then saved.
  ASSERT_TRUE(CreateFileWith(*files, "C:\\P\\ALT.TXT", "old"));
  ui.dialogSteps = {
      {DialogStep::kSave}, {DialogStep::kSave}, {DialogStep::kSave}, {DialogStep::kSave}};
  ui.chosenFiles = {std::nullopt, std::string("C:\\P\\ALT.TXT"), std::string("C:\\P\\NEU.TXT"),
                    std::string("C:\\P\\ALT.TXT")};
  ui.answers = {MessageAnswer::kCancel, MessageAnswer::kOk};
  faults.SetCallFault({.nth = 1, .osCode = kOsAccessDenied, .only = FaultOp::kOpen});
  PROTOKOLL(ctx, state, 1, {2});
  EXPECT_TRUE(ui.dialogSteps.empty());
  EXPECT_FALSE(files->FileExists("C:\\P\\NEU.TXT"));
  EXPECT_NE(ReadFilePrefix(*files, "C:\\P\\ALT.TXT", 1000)->find("2"), std::string::npos);
  EXPECT_EQ(
      ui.Lines("message owner=78"),
      (std::vector<std::string>{
          MessageLine(78, "Velarto Converter", MessageButtons::kOkCancel,
                      "Die Datei ALT.TXT Existiert bereits!\nSoll sie überschrieben werden?"),
          MessageLine(78, "Velarto Converter", MessageButtons::kOk,
                      "Die Datei C:\\P\\NEU.TXT kann nicht erstellt werden!"),
          MessageLine(78, "Velarto Converter", MessageButtons::kOkCancel,
                      "Die Datei ALT.TXT Existiert bereits!\nSoll sie überschrieben werden?")}));
}

}  // namespace
}  // namespace tabrix
