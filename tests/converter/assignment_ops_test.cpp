#include "converter/assignment_ops.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

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
  FakeRowTexts rows;
  ConverterContext ctx{ui, rows, "Velarto Converter", "qz.ini", 5};
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
  std::string Msg(WindowHandle owner, const char* buttons, const std::string& text) {
    return "message owner=" + std::to_string(owner) + " title=Velarto Converter " + buttons + ": " +
           text;
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
  Assign(5, kNameRow, false);
  EXPECT_EQ(state.AssignedSource(2), 5);
  EXPECT_FALSE(state.LZUWGESICHERT);
}

TEST_F(AssignmentOpsTest, ALongerSourceFieldAsksFirstWhenTheHintIsOn) {
  const std::string question =
      Msg(kDialog, "OkCancel",
          "Das Feld \"NAME\" beinhaltet mehr Zeichen als das Feld \"Name\"!\rSoll der Inhalt, "
          "wenn nötig, abgeschnitten werden?");
  ui.answers = {MessageAnswer::kCancel};
  Assign(1, kNameRow, false);
  EXPECT_THAT(ui.log, ElementsAre("beep", question));
  EXPECT_EQ(state.AssignedSource(2), 0);

  ui.log.clear();
  ui.answers = {MessageAnswer::kOk};
  Assign(1, kNameRow, false);
  EXPECT_THAT(ui.log, ElementsAre("beep", question, "replace 77/102 row 0 [Name<-NAME] select"));
  EXPECT_EQ(state.AssignedSource(2), 1);

  ui.log.clear();
  state.LHINWEIS = false;
  Assign(1, kSortRow, false);
  EXPECT_THAT(ui.log, ElementsAre("replace 77/102 row 13 [Sortbegriff<-NAME] select"));
  EXPECT_EQ(state.AssignedSource(24), 1);
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
  EXPECT_THAT(ui.log, ElementsAre("replace 77/102 row 7 [Ort<-ORT] select", "delete 77/101 row 2"));

  Remove(8);  // ORT comes back at the end
  EXPECT_THAT(state.AQUELLZEILEN, ElementsAre(1, 2, 4, 5, 3));
  EXPECT_EQ(ui.log.back(), "replace 77/102 row 7 [Ort<-] select");
  EXPECT_EQ(ui.log[ui.log.size() - 2], "add 77/101 [ORT]");
}

TEST_F(AssignmentOpsTest, NotesRefuseRepeatsAndFieldsWithoutRoom) {
  Assign(3, kNotesRow, false);
  ui.log.clear();
  Assign(3, kNotesRow, true);
  EXPECT_THAT(ui.log, ElementsAre("beep", Msg(kDialog, "Ok",
                                              "\"ORT\" ist bereits im Notiz Feld vorhanden!")));

  ui.log.clear();
  Assign(4, kNotesRow, true);  // 39998 + 2 leaves no room over
  EXPECT_THAT(ui.log, ElementsAre("beep", Msg(kDialog, "Ok", "Kein Platz mehr im Notiz Feld!")));
  EXPECT_THAT(state.ANOTIZFELDER, ElementsAre(3));
  EXPECT_THAT(state.AQUELLZEILEN, ElementsAre(1, 2, 3, 4, 5));  // the source row stays
  EXPECT_EQ(NotesRoom(state), 40000 - 12);
}

TEST_F(AssignmentOpsTest, RemarkTakesA48CharacterFieldThenIsFull) {
  ui.log.clear();
  Assign(2, kRemarkRow, false);
  EXPECT_THAT(ui.log, ElementsAre("replace 77/102 row 14 [Bemerkung<-KURZ] select", "refit 77"));
  EXPECT_EQ(RemarkRoom(state), 0);
  ui.log.clear();
  Assign(3, kRemarkRow, false);
  EXPECT_THAT(ui.log,
              ElementsAre("beep", Msg(kDialog, "Ok", "Kein Platz mehr im Bemerkungsfeld!")));
  ui.log.clear();
  Assign(2, kRemarkRow, false);
  EXPECT_THAT(
      ui.log,
      ElementsAre("beep", Msg(kDialog, "Ok", "\"KURZ\" ist bereits im Bemerkungsfeld vorhanden!")));
  EXPECT_THAT(state.ABEMFELDER, ElementsAre(2));
}

TEST_F(AssignmentOpsTest, ARemarkFieldLongerThanTheRoomAsksFirst) {
  const std::string question = Msg(kDialog, "OkCancel",
                                   "Es ist nicht mehr genügend Platz im Bemerkungsfeld!\nSoll der "
                                   "Inhalt, wenn nötig, abgeschnitten werden?");
  ui.answers = {MessageAnswer::kCancel, MessageAnswer::kOk};
  Assign(1, kRemarkRow, false);
  EXPECT_TRUE(state.ABEMFELDER.empty());
  Assign(1, kRemarkRow, false);
  EXPECT_THAT(ui.Lines("message"), ElementsAre(question, question));
  EXPECT_THAT(state.ABEMFELDER, ElementsAre(1));
  EXPECT_EQ(RemarkRoom(state), 0);
}

TEST_F(AssignmentOpsTest, RemovingFromTheNotesTakesTheNewestFirst) {
  for (int field : {3, 5, 2, 1}) {  // by field: each final assignment moves the rows up
    const auto row = std::find(state.AQUELLZEILEN.begin(), state.AQUELLZEILEN.end(), field);
    Assign(static_cast<int>(row - state.AQUELLZEILEN.begin()) + 1, kNotesRow, true);
  }
  EXPECT_THAT(state.AQUELLZEILEN, ElementsAre(4));
  ui.log.clear();
  for (int i = 0; i < 3; ++i) Remove(kNotesRow);
  EXPECT_THAT(state.ANOTIZFELDER, ElementsAre(3));
  EXPECT_THAT(state.AQUELLZEILEN, ElementsAre(4, 1, 2, 5));
  EXPECT_THAT(ui.Lines("add"),
              ElementsAre("add 77/101 [NAME]", "add 77/101 [KURZ]", "add 77/101 [PLZ]"));
  EXPECT_EQ(ui.log.back(), "refit 77");
  Remove(kNotesRow);
  ui.log.clear();
  Remove(kNotesRow);
  EXPECT_THAT(ui.log, ElementsAre("beep"));
}

TEST_F(AssignmentOpsTest, PostalCodeFromCityFreesThePlzSlot) {
  Assign(5, kPostalCodeRow, true);
  ASSERT_THAT(state.AQUELLZEILEN, ElementsAre(1, 2, 3, 4));
  state.NZIELZEILE = kSortRow;
  state.LZUWGESICHERT = true;
  ui.log.clear();

  SetPostalFromCity(ctx, state, kDialog, true);

  EXPECT_TRUE(state.LPLZAUSORT);
  EXPECT_EQ(state.AssignedSource(4), 0);
  EXPECT_THAT(state.AQUELLZEILEN, ElementsAre(1, 2, 3, 4, 5));
  EXPECT_THAT(ui.log, ElementsAre("add 77/101 [PLZ]", "replace 77/102 row 3 [PLZ<-] select",
                                  "replace 77/102 row 3 [PLZ<-]", "select 77/102 row 13"));
  EXPECT_EQ(state.NZIELZEILE, kSortRow);
  EXPECT_FALSE(state.LZUWGESICHERT);

  ui.log.clear();
  Assign(5, kPostalCodeRow, false);
  EXPECT_THAT(ui.log, ElementsAre("beep"));

  ui.log.clear();
  state.NZIELZEILE = 0;
  SetPostalFromCity(ctx, state, kDialog, false);
  EXPECT_FALSE(state.LPLZAUSORT);
  EXPECT_THAT(ui.log, ElementsAre("replace 77/102 row 3 [PLZ<-]", "select 77/102 row -1"));
  EXPECT_EQ(state.NZIELZEILE, 0);
}

TEST_F(AssignmentOpsTest, ReadinessNeedsANameAndAsksForADefaultCountry) {
  EXPECT_FALSE(ReadyToConvert(ctx, state, kFrame));
  EXPECT_THAT(ui.log, ElementsAre("beep", Msg(kFrame, "Ok",
                                              "Dem QZ-Feld \"Name\" wurde kein Feld zugewiesen!\n"
                                              "Diesem Feld muß ein Feld zugewiesen werden!")));
  state.SetAssignedSource(2, 1);
  const std::string question = Msg(kFrame, "OkCancel",
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
