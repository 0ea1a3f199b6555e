#include "converter/job_state.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "converter/converter_test_support.h"
#include "converter/fake_converter_ui.h"

namespace tabrix {
namespace {

using testing::ElementsAre;

TEST(JobStateTest, SlotTableHasTheFourteenTargetFieldsAndLabels) {
  const auto slots = DefaultSlots();
  std::vector<int> fields;
  std::vector<std::string> labels;
  for (const TargetSlot& s : slots) {
    fields.push_back(s.targetField);
    labels.push_back(s.label);
  }
  EXPECT_THAT(fields, ElementsAre(2, 25, 30, 4, 5, 12, 7, 6, 28, 8, 10, 9, 11, 24));
  EXPECT_THAT(labels,
              ElementsAre("Name", "Name2", "Anrede", "PLZ", "PLZ2", "Postfach", "Straße", "Ort",
                          "Land", "Telefon", "Telefax", "Handy", "eMail", "Sortbegriff"));
}

TEST(JobStateTest, ProgramStartValues) {
  const ConverterJobState state;
  EXPECT_TRUE(state.LDOPPELKLICK);
  EXPECT_TRUE(state.LHINWEIS);
  EXPECT_TRUE(state.LGESCHLOSSEN);
  EXPECT_TRUE(state.LZUWGESICHERT);
  EXPECT_TRUE(state.LLANDGESICHERT);
  EXPECT_FALSE(state.LABBRUCH);
  for (int v : state.AZUWEISUNG) EXPECT_EQ(v, 0);
}

TEST(JobStateTest, NewJobResetsEverythingButThePreferencesAndLabels) {
  ConverterJobState state = MakeJobState(3);
  state.SetAssignedSource(2, 1);
  state.SetAssignedSource(50, 3);
  state.ABEMFELDER = {1};
  state.ANOTIZFELDER = {2};
  state.ALANDVERKN = {{"X", 1}};
  state.AQUELLZEILEN = {3};
  state.NQUELLZEILE = 1;
  state.NZIELZEILE = 5;
  state.LPLZAUSORT = true;
  state.LZUWGESICHERT = state.LLANDGESICHERT = false;
  state.LGESCHLOSSEN = state.LABBRUCH = true;
  state.LDOPPELKLICK = state.LHINWEIS = false;
  state.AZIELFELDER[11].label = "Mobil";

  ResetForNewJob(state);

  for (int v : state.AZUWEISUNG) EXPECT_EQ(v, 0);
  EXPECT_TRUE(state.ABEMFELDER.empty());
  EXPECT_TRUE(state.ANOTIZFELDER.empty());
  EXPECT_TRUE(state.ALANDVERKN.empty());
  EXPECT_THAT(state.AQUELLZEILEN, ElementsAre(1, 2, 3));
  EXPECT_THAT(state.AZIELZEILEN,
              ElementsAre(2, 25, 30, 4, 5, 12, 7, 6, 28, 8, 10, 9, 11, 24, 14, 40));
  EXPECT_EQ(state.NQUELLZEILE, 0);
  EXPECT_EQ(state.NZIELZEILE, 0);
  EXPECT_FALSE(state.LPLZAUSORT);
  EXPECT_TRUE(state.LZUWGESICHERT);
  EXPECT_TRUE(state.LLANDGESICHERT);
  EXPECT_FALSE(state.LGESCHLOSSEN);
  EXPECT_FALSE(state.LABBRUCH);
  EXPECT_FALSE(state.LDOPPELKLICK);
  EXPECT_FALSE(state.LHINWEIS);
  EXPECT_EQ(state.AZIELFELDER[11].label, "Mobil");
}

TEST(JobStateTest, NewJobGivesTheRowsBothListsStartWith) {
  ConverterJobState state = MakeJobState(2);
  state.AZIELFELDER[12].label = "Web";
  state.AZIELSTRUCT[1].length = 40;  // FIRMA, behind slot "Name"
  state.SetAssignedSource(2, 1);     // forgotten by the reset

  const InitialListRows rows = ResetForNewJob(state);

  EXPECT_THAT(rows.source, ElementsAre("F1\t\t10", "F2\t\t20"));
  EXPECT_THAT(rows.target,
              ElementsAre("Name\t\t40", "Name2\t\t20", "Anrede\t\t20", "PLZ\t\t20", "PLZ2\t\t20",
                          "Postfach\t\t20", "Straße\t\t20", "Ort\t\t20", "Land\t\t20",
                          "Telefon\t\t20", "Telefax\t\t20", "Handy\t\t20", "Web\t\t20",
                          "Sortbegriff\t\t20", "Bemerkung\t50 Zeichen frei", "Notizen\t100% frei"));
  EXPECT_THAT(state.AQUELLZEILEN, ElementsAre(1, 2));
  EXPECT_THAT(state.AZIELZEILEN,
              ElementsAre(2, 25, 30, 4, 5, 12, 7, 6, 28, 8, 10, 9, 11, 24, 14, 40));
}

TEST(JobStateTest, OneBasedAccessIgnoresNumbersOutsideTheTables) {
  ConverterJobState state = MakeJobState(2);
  state.SetAssignedSource(0, 1);
  state.SetAssignedSource(51, 1);
  state.SetAssignedSource(50, 2);
  EXPECT_EQ(state.AssignedSource(0), 0);
  EXPECT_EQ(state.AssignedSource(51), 0);
  EXPECT_EQ(state.AssignedSource(50), 2);
  EXPECT_EQ(state.AZUWEISUNG[49], 2);
  EXPECT_EQ(state.SourceField(0), nullptr);
  EXPECT_EQ(state.SourceField(3), nullptr);
  ASSERT_NE(state.SourceField(2), nullptr);
  EXPECT_EQ(state.SourceField(2)->name, "F2");
  EXPECT_EQ(state.TargetField(31), nullptr);
  EXPECT_EQ(state.TargetField(30)->name, "Z30");
}

TEST(JobStateTest, SlotLabelsComeFromTheProductsQzxIni) {
  FakeConverterUi ui;
  ConverterJobState state = MakeJobState(1);
  state.CPRODUKTPFAD = "C:\\VELARTO\\";
  ReadSlotLabels(ui, state);
  EXPECT_EQ(state.AZIELFELDER[11].label, "Handy");
  EXPECT_EQ(state.AZIELFELDER[12].label, "eMail");
  ui.settings[{"C:\\VELARTO\\QZX.ini", "Velarto", "telex"}] = "Mobil";
  ui.settings[{"C:\\VELARTO\\QZX.ini", "Velarto", "btx"}] = "Web";
  ReadSlotLabels(ui, state);
  EXPECT_EQ(state.AZIELFELDER[11].label, "Mobil");
  EXPECT_EQ(state.AZIELFELDER[12].label, "Web");
}

TEST(PathPartsTest, FolderAndFileName) {
  struct Case {
    std::string path, folder, name;
  };
  for (const Case& c :
       {Case{"C:\\X.ZWS", "C:", "X.ZWS"}, Case{"C:\\A\\B\\X.ZWS", "C:\\A\\B", "X.ZWS"},
        Case{"\\\\srv\\share\\X", "\\\\srv\\share", "X"}, Case{"X.ZWS", "", "X.ZWS"},
        Case{"/tmp/a/X", "/tmp/a", "X"}}) {
    EXPECT_EQ(FolderOfPath(c.path), c.folder) << c.path;
    EXPECT_EQ(FileNameOfPath(c.path), c.name) << c.path;
  }
}

}  // namespace
}  // namespace tabrix
