// A converter job on the in-memory files: what opening it checks, removes, copies and opens,
// what the dialog starts with, leaving and restarting, and the delivery into the product
// folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "converter/converter_job_fixture.h"
#include "converter/file_transfer.h"
#include "converter/small_file.h"
#include "data/env/fault_env.h"

namespace tabrix {
namespace {

using Job = ConverterJobTest;

std::string Prog(const std::string& name) {
  return kProgramDir + name;
}
std::string Product(const std::string& name) {
  return kProductDir + name;
}

TEST_F(Job, MissingReferenceFilesEndTheProgramWithTheirMessage) {
  struct Case {
    const char* missing;
    const char* message;
  };
  const Case cases[] = {
      {"LAND.qzf", "Kann die Datei C:\\PROG\\LAND.qzf nicht öfnen!"},
      {"Kndstneu.qzf", "Kann die Datei C:\\PROG\\KNDSTNEU.QZF nicht öfnen!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.missing);
    const std::string path = Prog(c.missing);
    const std::string keep = *ReadFilePrefix(*env_, path, 1 << 20);
    ASSERT_TRUE(env_->RemoveFile(path).ok());
    ui_.log.clear();
    ui_.closesPosted = 0;
    EXPECT_FALSE(job_->Open(1));
    EXPECT_EQ(ui_.log,
              (std::vector<std::string>{
                  "beep", MessageLine(9, "Velarto Converter", MessageButtons::kOk, c.message),
                  "post close"}));
    ASSERT_TRUE(CreateFileWith(*env_, path, keep));
  }
}

TEST_F(Job, OpeningReplacesTheOldTargetAndMakesTheMemoFile) {
  WriteSource({Customer("A", "D")});
  for (const char* stale : {"Adrim1.dbf", "Adrim1.fpt", "Adrim1.cdx"}) {
    ASSERT_TRUE(CreateFileWith(*env_, Prog(stale), "stale"));
  }
  state_.CQUELLDATEI = kSourcePath;
  ASSERT_TRUE(job_->Open(1));
  EXPECT_FALSE(env_->FileExists(Prog("Adrim1.cdx")));
  EXPECT_TRUE(env_->FileExists(Prog("Adrim1.fpt")));
  ASSERT_NE(job_->target(), nullptr);
  EXPECT_TRUE(job_->target()->lOK);
  EXPECT_EQ(state_.AZIELSTRUCT.size(), targetRows_.size());
  EXPECT_EQ(state_.AZIELSTRUCT[1], (FieldDescription{"FIRMA", 'C', 40, 0}));
  EXPECT_EQ(state_.ASSTRUCT.size(), SourceRows().size());
  EXPECT_EQ(ui_.closesPosted, 0);
}

TEST_F(Job, AnOldTargetThatCannotBeRemovedStopsTheJob) {
  WriteSource({Customer("A", "D")});
  ASSERT_TRUE(CreateFileWith(*env_, Prog("Adrim1.dbf"), "old records"));
  // Another program holds it open: removing it fails.
  std::unique_ptr<File> holder;
  ASSERT_TRUE(env_->Open(Prog("Adrim1.dbf"), {.exclusive = false}, &holder).ok());
  state_.CQUELLDATEI = kSourcePath;
  EXPECT_FALSE(job_->Open(1));
  EXPECT_EQ(*ReadFilePrefix(*env_, Prog("Adrim1.dbf"), 100), "old records");
  ASSERT_EQ(ui_.Lines("message").size(), 1u);
  EXPECT_NE(ui_.Lines("message")[0].find("Die Datei C:\\PROG\\Adrim1.dbf einer früheren "
                                         "Konvertierung kann nicht gelöscht werden!"),
            std::string::npos);
  EXPECT_EQ(ui_.closesPosted, 1);
  EXPECT_EQ(job_->source(), nullptr);
}

TEST_F(Job, TheFirstJobAsksForTheSourceAndRemembersItsFolder) {
  WriteSource({Customer("A", "D")});
  ui_.settings[{"C:\\USER\\qz.ini", "Tabrix", "LASTPATH"}] = "C:\\ALT";
  ui_.chosenFiles = {std::string(kSourcePath)};
  ASSERT_TRUE(job_->Open(1));
  ASSERT_EQ(ui_.chooserRequests.size(), 1u);
  FileChooserRequest expected;
  expected.owner = 5;
  expected.filters = {{"Velarto Converter Quell-Datei (*.DBF)", "*.DBF"}};
  expected.flags = 4108;
  expected.initialDir = "C:\\ALT";
  expected.defaultExt = "*.DBF";
  EXPECT_EQ(ui_.chooserRequests[0], expected);
  EXPECT_EQ(state_.CQUELLDATEI, kSourcePath);
  EXPECT_EQ((ui_.settings[{"C:\\USER\\qz.ini", "Tabrix", "LASTPATH"}]), "C:\\DATEN");

  const DialogStart start = job_->InitDialog();
  EXPECT_EQ(start.sourceCaptionAnsi, "KUNDEN Felder:");
  EXPECT_EQ(start.viewerBoxAnsi, "KUNDEN.DBF anzeigen");
  EXPECT_EQ(start.rows.source.front(), "NAME\t\t30");
  EXPECT_EQ(start.rows.target.front(), "Name\t\t40");
  EXPECT_EQ(start.rows.target.back(), "Notizen\t100% frei");
  EXPECT_EQ(state_.CPRODUKTPFAD, kProductDir);
  EXPECT_FALSE(state_.LGESCHLOSSEN);
}

TEST_F(Job, ACancelledOrVanishedSourceEndsTheJob) {
  struct Case {
    const char* name;
    std::optional<std::string> chosen;  // the first chooser's answer; nothing: no chooser
    std::string preset;                 // CQUELLDATEI before opening
    std::vector<std::string> messages;
  };
  const std::vector<Case> cases = {
      {"cancelled chooser", std::nullopt, "", {}},
      {"chosen file missing", std::string("C:\\DATEN\\WEG.DBF"), "", {}},
      {"source vanished before a restart",
       std::nullopt,
       "C:\\DATEN\\WEG.DBF",
       {MessageLine(9, "Velarto Converter", MessageButtons::kOk,
                    "Quell-Datei C:\\DATEN\\WEG.DBF existiert nicht!")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ui_.log.clear();
    ui_.closesPosted = 0;
    state_.CQUELLDATEI = c.preset;
    if (c.preset.empty()) ui_.chosenFiles = {c.chosen};
    EXPECT_FALSE(job_->Open(1));
    EXPECT_EQ(ui_.Lines("message"), c.messages);
    EXPECT_EQ(ui_.closesPosted, 1);
  }
}

TEST_F(Job, ASourceThatCannotBeOpenedIsNamedWithTheReason) {
  struct Case {
    const char* name;
    std::string bytes;  // the source file's contents; empty: a valid table held exclusively
    const char* reason;
  };
  const Case cases[] = {
      {"damaged header", "not a table at all", "Sie ist beschädigt oder keine dBASE-Tabelle."},
      {"held exclusively", "", "Sie wird von einem anderen Programm exklusiv benutzt."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ui_.log.clear();
    std::unique_ptr<File> holder;
    if (c.bytes.empty()) {
      WriteSource({Customer("A", "D")});
      ASSERT_TRUE(env_->Open(kSourcePath, {.exclusive = true}, &holder).ok());
    } else {
      ASSERT_TRUE(CreateFileWith(*env_, kSourcePath, c.bytes));
    }
    state_.CQUELLDATEI = kSourcePath;
    EXPECT_FALSE(job_->Open(1));
    EXPECT_EQ(ui_.Lines("message"),
              std::vector<std::string>{MessageLine(
                  9, "Velarto Converter", MessageButtons::kOk,
                  std::string("Die Datei C:\\DATEN\\KUNDEN.DBF kann nicht geöffnet werden!\n") +
                      c.reason)});
    EXPECT_TRUE(state_.CQUELLDATEI.empty());
    EXPECT_EQ(job_->source(), nullptr);
    EXPECT_EQ(job_->target(), nullptr);
  }
}

TEST_F(Job, ChoosingAnotherSourceAsksOnlyWithARestartOffset) {
  WriteSource({Customer("A", "D")});
  state_.CQUELLDATEI = kSourcePath;
  ASSERT_TRUE(job_->Open(0));
  job_->InitDialog();
  EXPECT_FALSE(job_->ChooseOtherSource());
  EXPECT_TRUE(ui_.chooserRequests.empty());

  job_->CLOSEALL();
  state_.CQUELLDATEI = kSourcePath;
  ASSERT_TRUE(job_->Open(1));
  job_->InitDialog();
  ui_.chosenFiles = {std::nullopt, std::string("C:\\NEU\\ANDERE.DBF")};
  EXPECT_FALSE(job_->ChooseOtherSource());  // cancelled: nothing changes
  EXPECT_EQ(state_.CQUELLDATEI, kSourcePath);
  EXPECT_TRUE(job_->ChooseOtherSource());
  EXPECT_EQ(state_.CQUELLDATEI, "C:\\NEU\\ANDERE.DBF");
  EXPECT_EQ((ui_.settings[{"C:\\USER\\qz.ini", "Tabrix", "LASTPATH"}]), "C:\\NEU");
}

TEST_F(Job, LeavingAsksToSaveUnsavedAssignmentsAndStaysWhenNothingWasWritten) {
  WriteSource({Customer("A", "D")});
  OpenJob();
  struct Case {
    const char* name;
    bool saved;
    std::deque<MessageAnswer> answers;
    std::deque<std::optional<std::string>> files;
    bool left;
  };
  const std::vector<Case> cases = {
      {"saved already", true, {}, {}, true},
      {"answered no", false, {MessageAnswer::kNo}, {}, true},
      {"yes, chooser cancelled", false, {MessageAnswer::kYes}, {std::nullopt}, false},
      {"yes, saved", false, {MessageAnswer::kYes}, {std::string("C:\\Z\\K.ZWS")}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    state_.LZUWGESICHERT = c.saved;
    ui_.answers = c.answers;
    ui_.chosenFiles = c.files;
    ui_.closesPosted = 0;
    EXPECT_EQ(job_->Leave(), c.left);
    EXPECT_EQ(ui_.closesPosted, c.left ? 1 : 0);
    EXPECT_EQ(state_.LZUWGESICHERT, c.left);
    EXPECT_TRUE(ui_.answers.empty());
  }
}

TEST_F(Job, CloseAllAsksOncePerJobAndReleasesBothTables) {
  WriteSource({Customer("A", "D")});
  OpenJob();
  state_.LZUWGESICHERT = false;
  ui_.answers = {MessageAnswer::kNo};
  job_->CLOSEALL();
  job_->CLOSEALL();
  EXPECT_EQ(ui_.Lines("message").size(), 1u);
  EXPECT_EQ(job_->source(), nullptr);
  EXPECT_EQ(job_->target(), nullptr);
  EXPECT_EQ(NetTableRegistrySize(), 0);
}

// The viewer shows the source table: it goes first, while the table is still open, on every
// way the job ends (its close, a failed open, a delivery).
TEST_F(Job, TheSourceViewerClosesFirstWhileTheSourceIsStillOpen) {
  WriteSource({Customer("A", "Deutschland")});
  std::vector<bool> sourceOpen;
  ui_.onCloseViewer = [&] { sourceOpen.push_back(job_->source() != nullptr); };

  OpenJob();
  state_.LZUWGESICHERT = false;
  ui_.answers = {MessageAnswer::kNo};
  job_->CLOSEALL();
  ASSERT_GE(ui_.log.size(), 2u);
  const auto closing = std::find(ui_.log.begin(), ui_.log.end(), "viewer close");
  ASSERT_NE(closing, ui_.log.end());
  ASSERT_NE(closing + 1, ui_.log.end());
  EXPECT_EQ((closing + 1)->rfind("message", 0), 0u) << *(closing + 1);  // before the question
  ASSERT_FALSE(sourceOpen.empty());
  EXPECT_TRUE(sourceOpen.front());
}

TEST_F(Job, ADeliveryClosesTheSourceViewerBeforeItReleasesTheSource) {
  WriteSource({Customer("A", "Deutschland")});
  std::vector<bool> sourceOpen;
  ui_.onCloseViewer = [&] { sourceOpen.push_back(job_->source() != nullptr); };
  OpenJob();
  ASSERT_TRUE(Convert());
  job_->Deliver();
  ASSERT_FALSE(sourceOpen.empty());
  EXPECT_TRUE(sourceOpen.front());
  EXPECT_EQ(job_->source(), nullptr);
}

TEST_F(Job, KonvertierenWithoutNameKeepsTheDialog) {
  WriteSource({Customer("A", "D")});
  OpenJob();
  state_.SetAssignedSource(2, 0);
  EXPECT_FALSE(job_->Convert(55));
  EXPECT_TRUE(ui_.Lines("destroy").empty());
  EXPECT_EQ(ui_.closesPosted, 0);
}

class Delivery : public ConverterJobTest {
 protected:
  // A finished conversion of two customers, delivered.
  DeliveryReport ConvertAndDeliver() {
    WriteSource({Customer("A", "Deutschland"), Customer("B", "Schweiz")});
    OpenJob();
    EXPECT_TRUE(Convert());
    return job_->Deliver();
  }
};

TEST_F(Delivery, AnEmptyProductFolderReceivesBothTablesAndLosesItsStaleIndexes) {
  ASSERT_TRUE(CreateFileWith(*env_, Product("Adrim1.cdx"), "stale index"));
  ASSERT_TRUE(CreateFileWith(*env_, Product("Adrim2.cdx"), "stale index"));
  const DeliveryReport report = ConvertAndDeliver();
  EXPECT_EQ(report.delivered,
            (std::vector<std::string>{Product("Adrim1.dbf"), Product("Adrim1.fpt"),
                                      Product("Adrim2.dbf")}));
  EXPECT_TRUE(report.notDelivered.empty());
  EXPECT_FALSE(env_->FileExists(Product("Adrim1.cdx")));
  EXPECT_FALSE(env_->FileExists(Product("Adrim2.cdx")));
  EXPECT_EQ(*ReadFilePrefix(*env_, Product("Adrim1.dbf"), 1 << 20),
            *ReadFilePrefix(*env_, Prog("Adrim1.dbf"), 1 << 20));
  EXPECT_EQ(TargetRecords(Product("Adrim1.dbf")).size(), 2u);
  EXPECT_TRUE(state_.LGESCHLOSSEN);
  // Only the conversion's own message: nothing to report about the delivery.
  EXPECT_EQ(ui_.Lines("message").size(), 1u);
}

TEST_F(Delivery, FilesAlreadyInTheProductFolderAreKeptAndNamed) {
  ASSERT_TRUE(CreateFileWith(*env_, Product("Adrim1.dbf"), "customers of the installation"));
  ASSERT_TRUE(CreateFileWith(*env_, Product("Adrim1.cdx"), "their index"));
  const DeliveryReport report = ConvertAndDeliver();
  EXPECT_EQ(report.delivered, std::vector<std::string>{Product("Adrim2.dbf")});
  EXPECT_EQ(report.notDelivered,
            (std::vector<std::string>{Product("Adrim1.dbf"), Product("Adrim1.fpt")}));
  EXPECT_EQ(*ReadFilePrefix(*env_, Product("Adrim1.dbf"), 100), "customers of the installation");
  EXPECT_EQ(*ReadFilePrefix(*env_, Product("Adrim1.cdx"), 100), "their index");
  // No memo file of the new table beside the old table's data file.
  EXPECT_FALSE(env_->FileExists(Product("Adrim1.fpt")));
  const std::string message = ui_.Lines("message").back();
  EXPECT_NE(message.find("   C:\\PRODUKT\\Adrim1.dbf (bereits vorhanden)"), std::string::npos);
  EXPECT_NE(message.find("Die neue Kundentabelle liegt in C:\\PROG\\Adrim1.dbf."),
            std::string::npos);
}

TEST_F(Delivery, AFailingCopyLeavesNoPartOfTheTableBehind) {
  WriteSource({Customer("A", "Deutschland")});
  FaultEnv faults(env_.get());
  ctx_.files = &faults;
  OpenJob();
  ASSERT_TRUE(Convert());
  // Fail the second file of the customer table: its data file is copied, then removed again.
  faults.SetCallFault(
      {.nth = 2, .osCode = kOsDiskFull, .persistent = true, .only = FaultOp::kWrite});
  const DeliveryReport report = job_->Deliver();
  EXPECT_TRUE(report.delivered.empty());
  EXPECT_FALSE(env_->FileExists(Product("Adrim1.dbf")));
  EXPECT_FALSE(env_->FileExists(Product("Adrim1.fpt")));
  EXPECT_FALSE(env_->FileExists(Product("Adrim2.dbf")));
  EXPECT_NE(ui_.Lines("message").back().find("(kein Platz auf dem Datenträger)"),
            std::string::npos);
  faults.ClearFaults();
}

}  // namespace
}  // namespace tabrix
