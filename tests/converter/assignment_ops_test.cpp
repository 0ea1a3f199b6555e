#include "converter/assignment_ops.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <string>

#include "converter/composite_budget.h"
#include "converter/converter_test_support.h"
#include "converter/fake_converter_ui.h"

namespace tabrix {
namespace {

using testing::ElementsAre;

constexpr WindowHandle kDialog = 77;
constexpr WindowHandle kFrame = 9;
constexpr int kNameRow = 1, kSortRow = 14;

class AssignmentOpsTest : public testing::Test {
 protected:
  FakeConverterUi ui;
  ConverterContext ctx{ui, "Velarto Converter", "qz.ini", 5};
  ConverterJobState state;

  void SetUp() override {
    state.ASSTRUCT = {{"NAME", 'C', 60, 0},
                      {"KURZ", 'C', 48, 0},
                      {"ORT", 'C', 10, 0},
                      {"RIESIG", 'M', 39998, 0},
                      {"PLZ", 'C', 5, 0}};
    for (int i = 1; i <= 30; ++i) state.AZIELSTRUCT.push_back({"Z", 'C', 30, 0});
    ResetForNewJob(state);
  }

  void Assign(int sourceRow, int targetRow, bool final) {
    state.NQUELLZEILE = sourceRow;
    state.NZIELZEILE = targetRow;
    AssignSelected(ctx, state, kDialog, final);
  }
  void Remove(int targetRow) {
    state.NZIELZEILE = targetRow;
    RemoveSelected(ctx, state, kDialog);
  }
  std::string Msg(WindowHandle owner, MessageButtons buttons, const std::string& text) {
    return MessageLine(owner, "Velarto Converter", buttons, text);
  }
};

TEST_F(AssignmentOpsTest, SelectionIsTheListRowPlusOne) {
  SelectSourceRow(state, 2);
  SelectTargetRow(state, -1);
  EXPECT_EQ(state.NQUELLZEILE, 3);
  EXPECT_EQ(state.NZIELZEILE, 0);
}

TEST_F(AssignmentOpsTest, WithoutASelectionOnEitherSideItOnlyBeeps) {
  for (auto [src, tgt] : {std::pair{0, 1}, std::pair{1, 0}, std::pair{0, 0}}) {
    ui.log.clear();
    Assign(src, tgt, true);
    EXPECT_THAT(ui.log, ElementsAre("beep"));
  }
  Remove(0);
  EXPECT_THAT(ui.log, ElementsAre("beep", "beep"));
  EXPECT_EQ(state.AssignedSource(2), 0);
  EXPECT_TRUE(state.LZUWGESICHERT);
}

TEST_F(AssignmentOpsTest, ATakenSlotBeepsUntilItIsRemoved) {
  Assign(3, kNameRow, false);
  ASSERT_EQ(state.AssignedSource(2), 3);
  state.LZUWGESICHERT = true;
  ui.log.clear();
  Assign(5, kNameRow, false);
  EXPECT_THAT(ui.log, ElementsAre("beep"));
  EXPECT_EQ(state.AssignedSource(2), 3);
  EXPECT_TRUE(state.LZUWGESICHERT);

  Remove(kNameRow);
  EXPECT_EQ(state.AssignedSource(2), 0);
  EXPECT_FALSE(state.LZUWGESICHERT);
  state.LZUWGESICHERT = true;
  Assign(5, kNameRow, false);
  EXPECT_EQ(state.AssignedSource(2), 5);
  EXPECT_FALSE(state.LZUWGESICHERT);
}

TEST_F(AssignmentOpsTest, ALongerSourceFieldAsksFirstWhenTheHintIsOn) {
  const std::string question =
      Msg(kDialog, MessageButtons::kOkCancel,
          "Das Feld \"NAME\" beinhaltet mehr Zeichen als das Feld \"Name\"!\rSoll der Inhalt, "
          "wenn nötig, abgeschnitten werden?");
  const std::string nameRow = "replace 77/102 row 0 [Name\t      <-\t\tNAME] select";
  struct Case {
    const char* what;
    int sourceRow;  // 1: NAME (60 characters), 3: ORT (10); the slot holds 30
    bool hint;
    std::deque<MessageAnswer> answers;
    std::vector<std::string> log;
    int assigned;
  };
  const Case cases[] = {
      {"60 into 30, Cancel", 1, true, {MessageAnswer::kCancel}, {"beep", question}, 0},
      {"60 into 30, OK", 1, true, {MessageAnswer::kOk}, {"beep", question, nameRow}, 1},
      {"60 into 30, hint off", 1, false, {}, {nameRow}, 1},
      {"10 into 30 never asks",
       3,
       true,
       {},
       {"replace 77/102 row 0 [Name\t      <-\t\tORT] select"},
       3},
  };
  for (const Case& c : cases) {
    ResetForNewJob(state);
    state.LHINWEIS = c.hint;
    ui.log.clear();
    ui.answers = c.answers;
    Assign(c.sourceRow, kNameRow, false);
    EXPECT_EQ(ui.log, c.log) << c.what;
    EXPECT_EQ(state.AssignedSource(2), c.assigned) << c.what;
    EXPECT_EQ(state.LZUWGESICHERT, c.assigned == 0) << c.what;
  }
}

TEST_F(AssignmentOpsTest, AProvisionalFieldCanFillSeveralRowsAndAFinalOneLeavesTheList) {
  state.LHINWEIS = false;
  Assign(1, kNameRow, false);
  Assign(1, kSortRow, false);
  Assign(1, kNotesRow, false);
  EXPECT_EQ(state.AssignedSource(2), 1);
  EXPECT_EQ(state.AssignedSource(24), 1);
  EXPECT_THAT(state.ANOTIZFELDER, ElementsAre(1));
  EXPECT_THAT(state.AQUELLZEILEN, ElementsAre(1, 2, 3, 4, 5));
  EXPECT_EQ(state.NQUELLZEILE, 1);

  ui.log.clear();
  Assign(3, 8, true);  // ORT to "Ort"
  EXPECT_EQ(state.AssignedSource(6), 3);
  EXPECT_THAT(state.AQUELLZEILEN, ElementsAre(1, 2, 4, 5));
  EXPECT_EQ(state.NQUELLZEILE, 0);
  EXPECT_THAT(ui.log, ElementsAre("replace 77/102 row 7 [Ort\t      <-\t\tORT] select",
                                  "delete 77/101 row 2"));

  ui.log.clear();
  Remove(8);  // ORT comes back at the end
  EXPECT_THAT(state.AQUELLZEILEN, ElementsAre(1, 2, 4, 5, 3));
  EXPECT_THAT(ui.log,
              ElementsAre("add 77/101 [ORT\t\t10]", "replace 77/102 row 7 [Ort\t\t30] select"));
}

TEST_F(AssignmentOpsTest, NotesRefuseRepeatsAndFieldsWithoutRoom) {
  Assign(3, kNotesRow, false);
  EXPECT_THAT(ui.log,
              ElementsAre("replace 77/102 row 15 [Notizen\t99% frei <- ORT] select", "refit 77"));
  ui.log.clear();
  Assign(3, kNotesRow, true);
  EXPECT_THAT(ui.log, ElementsAre("beep", Msg(kDialog, MessageButtons::kOk,
                                              "\"ORT\" ist bereits im Notiz Feld vorhanden!")));

  ui.log.clear();
  Assign(4, kNotesRow, true);  // 39998 + 2 leaves no room over
  EXPECT_THAT(ui.log, ElementsAre("beep", Msg(kDialog, MessageButtons::kOk,
                                              "Kein Platz mehr im Notiz Feld!")));
  EXPECT_THAT(state.ANOTIZFELDER, ElementsAre(3));
  EXPECT_THAT(state.AQUELLZEILEN, ElementsAre(1, 2, 3, 4, 5));  // the source row stays
  EXPECT_EQ(NTZFREI(state.ANOTIZFELDER, state.ASSTRUCT), 40000 - 12);
}

TEST_F(AssignmentOpsTest, RemarkTakesA48CharacterFieldThenIsFull) {
  ui.log.clear();
  Assign(2, kRemarkRow, false);
  EXPECT_THAT(
      ui.log,
      ElementsAre("replace 77/102 row 14 [Bemerkung\t0 Zeichen frei  <- KURZ] select", "refit 77"));
  EXPECT_EQ(BEMFREI(state.ABEMFELDER, state.ASSTRUCT), 0);
  ui.log.clear();
  Assign(3, kRemarkRow, false);
  EXPECT_THAT(ui.log, ElementsAre("beep", Msg(kDialog, MessageButtons::kOk,
                                              "Kein Platz mehr im Bemerkungsfeld!")));
  ui.log.clear();
  Assign(2, kRemarkRow, false);
  EXPECT_THAT(ui.log,
              ElementsAre("beep", Msg(kDialog, MessageButtons::kOk,
                                      "\"KURZ\" ist bereits im Bemerkungsfeld vorhanden!")));
  EXPECT_THAT(state.ABEMFELDER, ElementsAre(2));
}

TEST_F(AssignmentOpsTest, ARemarkFieldLongerThanTheRoomAsksFirst) {
  const std::string question = Msg(kDialog, MessageButtons::kOkCancel,
                                   "Es ist nicht mehr genügend Platz im Bemerkungsfeld!\nSoll der "
                                   "Inhalt, wenn nötig, abgeschnitten werden?");
  ui.answers = {MessageAnswer::kCancel, MessageAnswer::kOk};
  Assign(1, kRemarkRow, false);
  EXPECT_TRUE(state.ABEMFELDER.empty());
  Assign(1, kRemarkRow, false);
  EXPECT_THAT(ui.Lines("message"), ElementsAre(question, question));
  EXPECT_THAT(state.ABEMFELDER, ElementsAre(1));
  EXPECT_EQ(BEMFREI(state.ABEMFELDER, state.ASSTRUCT), 0);
}

// Each room rule on its limit and one past it, with a single source field of the given length
// assigned first to an empty row (target fields are 30 characters long).
TEST_F(AssignmentOpsTest, TheRoomRulesOnTheirLimits) {
  struct Case {
    const char* name;
    int length;
    int targetRow;
    bool asks;     // a truncation question comes (answered Cancel)
    bool refused;  // refused with a message, no question
  };
  const Case cases[] = {
      {"slot exactly as long as the field", 30, kNameRow, false, false},
      {"slot one shorter than the field", 31, kNameRow, true, false},
      {"remark room exactly filled by the field's text", 50, kRemarkRow, false, false},
      {"remark room one short", 51, kRemarkRow, true, false},
      {"notes: one character of room left over", 39997, kNotesRow, false, false},
      {"notes room used up exactly", 39998, kNotesRow, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    state.ASSTRUCT = {{"FELD", 'C', c.length, 0}};
    ResetForNewJob(state);
    state.LHINWEIS = true;
    ui.log.clear();
    ui.answers = {MessageAnswer::kCancel};
    Assign(1, c.targetRow, false);
    const bool asked = ui.answers.empty();
    if (!asked) ui.answers.clear();
    const bool assigned =
        state.AssignedSource(2) == 1 || !state.ABEMFELDER.empty() || !state.ANOTIZFELDER.empty();
    EXPECT_EQ(asked, c.asks);
    EXPECT_EQ(assigned, !c.asks && !c.refused);
    EXPECT_EQ(ui.Lines("message").size(), c.asks || c.refused ? 1u : 0u);
  }
}

TEST_F(AssignmentOpsTest, RemovingFromTheNotesTakesTheNewestFirst) {
  for (int field : {3, 5, 2, 1}) {  // by field: each final assignment moves the rows up
    const auto row = std::find(state.AQUELLZEILEN.begin(), state.AQUELLZEILEN.end(), field);
    Assign(static_cast<int>(row - state.AQUELLZEILEN.begin()) + 1, kNotesRow, true);
  }
  EXPECT_THAT(state.AQUELLZEILEN, ElementsAre(4));
  ui.log.clear();
  state.LZUWGESICHERT = true;
  for (int i = 0; i < 3; ++i) Remove(kNotesRow);
  EXPECT_FALSE(state.LZUWGESICHERT);
  EXPECT_THAT(state.ANOTIZFELDER, ElementsAre(3));
  EXPECT_THAT(state.AQUELLZEILEN, ElementsAre(4, 1, 2, 5));
  EXPECT_THAT(ui.Lines("add"), ElementsAre("add 77/101 [NAME\t\t60]", "add 77/101 [KURZ\t\t48]",
                                           "add 77/101 [PLZ\t\t5]"));
  EXPECT_THAT(ui.Lines("replace"),
              ElementsAre("replace 77/102 row 15 [Notizen\t99% frei <- ORT; PLZ; KURZ] select",
                          "replace 77/102 row 15 [Notizen\t99% frei <- ORT; PLZ] select",
                          "replace 77/102 row 15 [Notizen\t99% frei <- ORT] select"));
  EXPECT_EQ(ui.log.back(), "refit 77");
  Remove(kNotesRow);
  ui.log.clear();
  Remove(kNotesRow);
  EXPECT_THAT(ui.log, ElementsAre("beep"));
}

TEST_F(AssignmentOpsTest, RemoveBeepsOnAnEmptyRowAndGivesBackOnlyFieldsThatLeftTheList) {
  // Nothing to remove: a free slot, an empty remark, empty notes.
  for (int row : {kNameRow, kRemarkRow, kNotesRow}) {
    ui.log.clear();
    Remove(row);
    EXPECT_THAT(ui.log, ElementsAre("beep")) << row;
  }
  EXPECT_TRUE(state.LZUWGESICHERT);

  // A provisional assignment leaves the field in the source list: nothing is added back.
  Assign(3, kNameRow, false);
  ui.log.clear();
  Remove(kNameRow);
  EXPECT_THAT(ui.log, ElementsAre("replace 77/102 row 0 [Name\t\t30] select"));
  EXPECT_THAT(state.AQUELLZEILEN, ElementsAre(1, 2, 3, 4, 5));
}

TEST_F(AssignmentOpsTest, RemovingFromTheRemarkTakesTheNewestFirst) {
  Assign(5, kRemarkRow, true);  // PLZ (5): 43 left
  Assign(3, kRemarkRow, true);  // ORT (10): 31 left; the list is now NAME KURZ RIESIG
  ASSERT_THAT(state.AQUELLZEILEN, ElementsAre(1, 2, 4));
  ui.log.clear();
  state.LZUWGESICHERT = true;
  Remove(kRemarkRow);
  EXPECT_THAT(
      ui.log,
      ElementsAre("add 77/101 [ORT\t\t10]",
                  "replace 77/102 row 14 [Bemerkung\t43 Zeichen frei  <- PLZ] select", "refit 77"));
  EXPECT_FALSE(state.LZUWGESICHERT);
  Remove(kRemarkRow);
  EXPECT_EQ(ui.log.back(), "refit 77");
  EXPECT_EQ(ui.log[ui.log.size() - 2], "replace 77/102 row 14 [Bemerkung\t50 Zeichen frei] select");
  EXPECT_TRUE(state.ABEMFELDER.empty());
  EXPECT_THAT(state.AQUELLZEILEN, ElementsAre(1, 2, 4, 3, 5));
}

TEST_F(AssignmentOpsTest, PostalCodeFromCityReturnsAFinalAssignmentToTheEndOfTheList) {
  Assign(3, kPostalCodeRow, true);  // ORT, from the middle of the list
  ASSERT_THAT(state.AQUELLZEILEN, ElementsAre(1, 2, 4, 5));
  state.NZIELZEILE = kSortRow;
  state.LZUWGESICHERT = true;
  ui.log.clear();

  SetPostalFromCity(ctx, state, kDialog, true);

  const std::string fromCity = "PLZ\t    aus Ortsnamen";
  EXPECT_TRUE(state.LPLZAUSORT);
  EXPECT_EQ(state.AssignedSource(4), 0);
  EXPECT_THAT(state.AQUELLZEILEN, ElementsAre(1, 2, 4, 5, 3));
  EXPECT_THAT(
      ui.log,
      ElementsAre("add 77/101 [ORT\t\t10]", "replace 77/102 row 3 [" + fromCity + "] select",
                  "replace 77/102 row 3 [" + fromCity + "]", "select 77/102 row 13"));
  EXPECT_EQ(state.NZIELZEILE, kSortRow);
  EXPECT_FALSE(state.LZUWGESICHERT);

  ui.log.clear();
  Assign(5, kPostalCodeRow, false);
  EXPECT_THAT(ui.log, ElementsAre("beep"));
  EXPECT_EQ(state.AssignedSource(4), 0);

  ui.log.clear();
  state.NZIELZEILE = 0;
  SetPostalFromCity(ctx, state, kDialog, false);
  EXPECT_FALSE(state.LPLZAUSORT);
  EXPECT_THAT(ui.log, ElementsAre("replace 77/102 row 3 [PLZ\t\t30]", "select 77/102 row -1"));
  EXPECT_EQ(state.NZIELZEILE, 0);
}

TEST_F(AssignmentOpsTest, TickingThePostalCodeOptionWithAFreeSlotOnlyRewritesTheRow) {
  state.NZIELZEILE = 0;
  SetPostalFromCity(ctx, state, kDialog, true);
  EXPECT_THAT(ui.log,
              ElementsAre("replace 77/102 row 3 [PLZ\t    aus Ortsnamen]", "select 77/102 row -1"));
  EXPECT_THAT(state.AQUELLZEILEN, ElementsAre(1, 2, 3, 4, 5));
  EXPECT_FALSE(state.LZUWGESICHERT);
}

TEST_F(AssignmentOpsTest, ReadinessNeedsANameAndAsksForADefaultCountry) {
  EXPECT_FALSE(ReadyToConvert(ctx, state, kFrame));
  EXPECT_THAT(ui.log, ElementsAre("beep", Msg(kFrame, MessageButtons::kOk,
                                              "Dem QZ-Feld \"Name\" wurde kein Feld zugewiesen!\n"
                                              "Diesem Feld muß ein Feld zugewiesen werden!")));
  state.SetAssignedSource(2, 1);
  const std::string question = Msg(kFrame, MessageButtons::kOkCancel,
                                   "Dem QZ-Feld \"Land\" wurde kein Feld zugewiesen!\nWollen Sie "
                                   "ein Standard-Land wählen?");
  ui.log.clear();
  ui.answers = {MessageAnswer::kCancel, MessageAnswer::kOk};
  EXPECT_FALSE(ReadyToConvert(ctx, state, kFrame));
  EXPECT_TRUE(ReadyToConvert(ctx, state, kFrame));
  EXPECT_THAT(ui.log, ElementsAre("beep", question, "beep", question));
  state.SetAssignedSource(28, 3);
  ui.log.clear();
  EXPECT_TRUE(ReadyToConvert(ctx, state, kFrame));
  EXPECT_TRUE(ui.log.empty());
}

}  // namespace
}  // namespace tabrix
