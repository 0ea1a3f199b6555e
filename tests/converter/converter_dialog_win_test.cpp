// The converter dialog on the real frame, with real converter jobs on the in-memory files: what
// it shows when a job opens, every command of the dialog, the restart with another source, the
// leaving, and a whole conversion up to the delivery and the program's end. Boxes and file
// choosers are answered by the test.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "converter/converter_dialog_fixture_win.h"
#include "converter/scripted_user_win.h"

namespace tabrix::testing_support {
namespace {

TEST_F(ConverterDialogTest, TheJobOpensWithTheDialogShowingTheSourceAndTheSlots) {
  HWND dialog = OpenJob();
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(jobs_.calls, std::vector<std::string>{"CONVINIT 1"});
  EXPECT_EQ(ctx_.D_HWNDLG, dialog);
  EXPECT_EQ(TextOf(dialog), "Convert");
  EXPECT_TRUE(IsWindowVisible(frame()));
  for (int list : {kSourceListId, kTargetListId}) {
    EXPECT_TRUE(GetWindowLongA(GetDlgItem(dialog, list), GWL_STYLE) & LBS_OWNERDRAWFIXED);
  }
  std::vector<std::string> source;
  for (const std::string& row : Rows(dialog, kSourceListId)) source.push_back(FirstColumn(row));
  EXPECT_EQ(source, (std::vector<std::string>{"NAME", "NAME2", "PLZ", "ORT", "LAND"}));
  const std::vector<std::string> target = Rows(dialog, kTargetListId);
  ASSERT_EQ(target.size(), 16u);
  EXPECT_EQ(FirstColumn(target[0]), "Name");
  EXPECT_EQ(FirstColumn(target[8]), "Land");
  EXPECT_EQ(FirstColumn(target[14]), "Bemerkung");
  EXPECT_EQ(FirstColumn(target[15]), "Notizen");
  EXPECT_EQ(TextOf(GetDlgItem(dialog, kSourceCaptionId)), "KUNDEN Felder:");
  EXPECT_EQ(TextOf(GetDlgItem(dialog, kViewerBoxId)), "KUNDEN.DBF anzeigen");
  EXPECT_TRUE(Checked(dialog, kDoubleClickBoxId));
  EXPECT_TRUE(Checked(dialog, kHintBoxId));
  EXPECT_FALSE(Checked(dialog, kPostalFromCityBoxId));
  EXPECT_FALSE(Checked(dialog, kViewerBoxId));
  EXPECT_TRUE(boxes_.empty());

  // Asked again while it is open: the same dialog, no new job.
  ConverterJob* job = session_.Job();
  SendMessageA(frame(), kOpenJobMessage, 0, 0);
  EXPECT_EQ(session_.Dialog(), dialog);
  EXPECT_EQ(session_.Job(), job);
}

TEST_F(ConverterDialogTest, AssigningProvisionallyFinallyAndRemoving) {
  HWND dialog = OpenJob();
  ASSERT_NE(dialog, nullptr);
  Select(dialog, kSourceListId, 0);
  Select(dialog, kTargetListId, 0);
  EXPECT_EQ(state_.NQUELLZEILE, 1);
  EXPECT_EQ(state_.NZIELZEILE, 1);
  Click(dialog, kAssignButtonId);
  EXPECT_EQ(state_.AssignedSource(2), 1);
  EXPECT_NE(Rows(dialog, kTargetListId)[0].find("NAME"), std::string::npos);
  EXPECT_EQ(Rows(dialog, kSourceListId).size(), 5u);  // provisional: the field stays offered
  EXPECT_FALSE(state_.LZUWGESICHERT);

  Select(dialog, kSourceListId, 4);  // LAND
  Select(dialog, kTargetListId, 8);  // Land
  Click(dialog, kAssignFinalButtonId);
  EXPECT_EQ(state_.AssignedSource(28), 5);
  EXPECT_EQ(Rows(dialog, kSourceListId).size(), 4u);  // final: the field leaves the list

  Select(dialog, kTargetListId, 0);
  Click(dialog, kRemoveButtonId);
  EXPECT_EQ(state_.AssignedSource(2), 0);
  EXPECT_EQ(FirstColumn(Rows(dialog, kTargetListId)[0]), "Name");
}

TEST_F(ConverterDialogTest, ADoubleClickAssignsAsTheDoubleClickBoxSays) {
  HWND dialog = OpenJob();
  ASSERT_NE(dialog, nullptr);
  struct Case {
    bool finalBox;
    int sourceRow, targetRow, targetField;
    size_t sourceRowsAfter;
  };
  // Ticked: final (the row goes); unticked: provisional.
  for (const Case& c : {Case{true, 1, 1, 25, 4}, Case{false, 2, 3, 4, 4}}) {
    SCOPED_TRACE(c.finalBox);
    if (Checked(dialog, kDoubleClickBoxId) != c.finalBox) Click(dialog, kDoubleClickBoxId);
    EXPECT_EQ(state_.LDOPPELKLICK, c.finalBox);
    Select(dialog, kTargetListId, c.targetRow);
    Select(dialog, kSourceListId, c.sourceRow);
    DoubleClick(dialog, kSourceListId);
    Drain();  // the posted command
    EXPECT_NE(state_.AssignedSource(c.targetField), 0);
    EXPECT_EQ(Rows(dialog, kSourceListId).size(), c.sourceRowsAfter);
  }
}

TEST_F(ConverterDialogTest, TheOptionBoxesSetTheJobsOptions) {
  HWND dialog = OpenJob();
  ASSERT_NE(dialog, nullptr);
  Click(dialog, kPostalFromCityBoxId);
  EXPECT_TRUE(state_.LPLZAUSORT);
  EXPECT_NE(Rows(dialog, kTargetListId)[3].find("aus Ortsnamen"), std::string::npos);
  Click(dialog, kPostalFromCityBoxId);
  EXPECT_FALSE(state_.LPLZAUSORT);
  Click(dialog, kHintBoxId);
  EXPECT_FALSE(state_.LHINWEIS);
  Click(dialog, kDoubleClickBoxId);
  EXPECT_FALSE(state_.LDOPPELKLICK);
  Click(dialog, kViewerBoxId);  // the viewer's switch: nothing else changes
  EXPECT_FALSE(state_.LHINWEIS);
  EXPECT_FALSE(state_.LDOPPELKLICK);
}

TEST_F(ConverterDialogTest, SavingAndOpeningAssignmentsClearsBothSelections) {
  HWND dialog = OpenJob();
  ASSERT_NE(dialog, nullptr);
  Select(dialog, kSourceListId, 0);
  Select(dialog, kTargetListId, 0);
  Click(dialog, kAssignButtonId);
  chosen_ = {std::string("C:\\DATEN\\KUNDEN.ZWS")};
  Click(dialog, kSaveAssignmentButtonId);
  EXPECT_TRUE(env_->FileExists("C:\\DATEN\\KUNDEN.ZWS"));
  EXPECT_TRUE(state_.LZUWGESICHERT);

  Select(dialog, kSourceListId, 2);
  Select(dialog, kTargetListId, 4);
  chosen_ = {std::string("C:\\DATEN\\KUNDEN.ZWS")};
  Click(dialog, kOpenAssignmentButtonId);
  EXPECT_EQ(SendDlgItemMessageA(dialog, kSourceListId, LB_GETCURSEL, 0, 0), LB_ERR);
  EXPECT_EQ(SendDlgItemMessageA(dialog, kTargetListId, LB_GETCURSEL, 0, 0), LB_ERR);
  EXPECT_EQ(state_.NQUELLZEILE, 0);
  EXPECT_EQ(state_.NZIELZEILE, 0);
  EXPECT_EQ(state_.AssignedSource(2), 1);
  // Nothing selected: "Zuweisen" only beeps.
  Click(dialog, kAssignButtonId);
  EXPECT_EQ(state_.AssignedSource(2), 1);
}

TEST_F(ConverterDialogTest, AnotherSourceRestartsTheJobAndKeepsThePreferences) {
  HWND dialog = OpenJob();
  ASSERT_NE(dialog, nullptr);
  Click(dialog, kDoubleClickBoxId);  // off
  Select(dialog, kSourceListId, 0);
  Select(dialog, kTargetListId, 0);
  Click(dialog, kAssignButtonId);  // unsaved
  chosen_ = {std::nullopt};
  Click(dialog, kOtherSourceButtonId);  // cancelled: nothing changes
  Drain();
  EXPECT_EQ(session_.Dialog(), dialog);
  EXPECT_EQ(state_.CQUELLDATEI, kSourcePath);

  chosen_ = {std::string(kOtherSource)};
  boxAnswers_ = {IDNO};  // no saving of the assignments
  Click(dialog, kOtherSourceButtonId);
  Drain();  // the frame restarts the job
  EXPECT_FALSE(IsWindow(dialog));
  HWND again = session_.Dialog();
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(ctx_.D_HWNDLG, again);
  EXPECT_EQ(jobs_.calls, (std::vector<std::string>{"CONVINIT 1", "CLOSEALL", "CONVINIT 1"}));
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].text, "Wollen Sie die Zuweisungen Speichern?");
  std::vector<std::string> source;
  for (const std::string& row : Rows(again, kSourceListId)) source.push_back(FirstColumn(row));
  EXPECT_EQ(source, (std::vector<std::string>{"FIRMA", "STADT"}));
  EXPECT_EQ(TextOf(GetDlgItem(again, kSourceCaptionId)), "ANDERE Felder:");
  EXPECT_FALSE(Checked(again, kDoubleClickBoxId));
  EXPECT_TRUE(Checked(again, kHintBoxId));
  EXPECT_EQ(state_.AssignedSource(2), 0);
  // The chooser remembered the folder.
  EXPECT_EQ((ui_.settings[{"C:\\USER\\qz.ini", "Tabrix", "LASTPATH"}]), "C:\\DATEN");
  EXPECT_EQ(choosers_.back().owner, reinterpret_cast<std::uintptr_t>(frame()));
  EXPECT_EQ(choosers_.back().flags, 4108u);
}

TEST_F(ConverterDialogTest, AbbruchAsksToSaveAndStaysWhenNothingWasWritten) {
  HWND dialog = OpenJob();
  ASSERT_NE(dialog, nullptr);
  Select(dialog, kSourceListId, 0);
  Select(dialog, kTargetListId, 0);
  Click(dialog, kAssignButtonId);

  boxAnswers_ = {IDYES};
  chosen_ = {std::nullopt};  // the save chooser is cancelled
  Click(dialog, kLeaveButtonId);
  Drain();
  EXPECT_TRUE(IsWindow(dialog));
  EXPECT_TRUE(IsWindow(frame()));
  ASSERT_EQ(boxes_.size(), 1u);

  boxAnswers_ = {IDNO};
  Click(dialog, kLeaveButtonId);
  Drain();  // the close
  EXPECT_FALSE(IsWindow(frame()));
  EXPECT_EQ(boxes_.size(), 2u);  // no second question from the close
  EXPECT_EQ(jobs_.calls, (std::vector<std::string>{"CONVINIT 1", "CLOSEALL"}));
  EXPECT_TRUE(state_.LGESCHLOSSEN);
}

TEST_F(ConverterDialogTest, KonvertierenWithoutANameKeepsTheDialog) {
  HWND dialog = OpenJob();
  ASSERT_NE(dialog, nullptr);
  Click(dialog, kConvertButtonId);
  Drain();
  EXPECT_TRUE(IsWindow(dialog));
  EXPECT_EQ(ctx_.D_HWNDLG, dialog);
  ASSERT_EQ(boxes_.size(), 1u);
}

TEST_F(ConverterDialogTest, KonvertierenConvertsDeliversAndEndsTheProgram) {
  HWND dialog = OpenJob();
  ASSERT_NE(dialog, nullptr);
  Select(dialog, kSourceListId, 0);  // NAME -> Name
  Select(dialog, kTargetListId, 0);
  Click(dialog, kAssignButtonId);
  Select(dialog, kSourceListId, 4);  // LAND -> Land
  Select(dialog, kTargetListId, 8);
  Click(dialog, kAssignButtonId);
  boxAnswers_ = {IDNO};  // the assignments are not saved at the end

  bool progressSeen = false;
  ScriptedUser watch(&ctx_.D_HWNDLG);
  watch.Then([&] { progressSeen = ui_.ProgressShown(); });
  Click(dialog, kConvertButtonId);
  EXPECT_FALSE(IsWindow(dialog));
  Drain();  // the close posted at the end
  EXPECT_FALSE(IsWindow(frame()));
  EXPECT_TRUE(progressSeen);
  EXPECT_FALSE(watch.TimedOut());
  EXPECT_TRUE(state_.LGESCHLOSSEN);
  EXPECT_TRUE(env_->FileExists(std::string(kProductDir) + "Adrim1.dbf"));
  EXPECT_TRUE(env_->FileExists(std::string(kProductDir) + "Adrim2.dbf"));
  // The target holds both customers with their countries.
  AreaSwitch scope(0);
  ASSERT_TRUE(
      OpenTable(true, "DBFCDX", std::string(kProductDir) + "Adrim1.dbf", "CHECK", true, true));
  std::vector<std::string> names;
  for (GoTop(); !AtEnd(); Skip(1)) {
    std::string name = std::get<std::string>(GetFieldByName(0, "FIRMA"));
    std::string land = std::get<std::string>(GetFieldByName(0, "LAND"));
    names.push_back(name.substr(0, name.find_last_not_of(' ') + 1) + "/" +
                    land.substr(0, land.find_last_not_of(' ') + 1));
  }
  CloseArea();
  EXPECT_EQ(names, (std::vector<std::string>{"MEIER/DEUTSCHLAND", "HUBER/SCHWEIZ"}));
}

}  // namespace
}  // namespace tabrix::testing_support
