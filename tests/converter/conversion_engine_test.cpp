// The conversion engine on real tables in memory, driven through the scripted window side:
// country mapping and links, replacement names and skipped records, derived fields, the
// progress display, closing during a run, and failures of the files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "converter/converter_job_fixture.h"
#include "converter/country_link_file.h"
#include "converter/small_file.h"
#include "data/env/fault_env.h"

namespace tabrix {
namespace {

using Engine = ConverterJobTest;

std::vector<std::string> Column(const std::vector<std::map<std::string, Value>>& records,
                                const std::string& field) {
  std::vector<std::string> out;
  for (const auto& r : records) out.push_back(Trimmed(r, field));
  return out;
}

TEST_F(Engine, KnownCountriesMatchWithoutQuestionAndUnknownOnesAreAskedOncePerDesignation) {
  // Designations of ten records, and what the user answers when asked.
  WriteSource({Customer("A", "Deutschland"), Customer("B", "deutschland"),
               Customer("C", " Deutschland"), Customer("D", "\tDeutschland  "),
               Customer("E", "BRD"), Customer("F", "brd"), Customer("G", "BRD"),
               Customer("H", "  BRD"), Customer("I", "Schweiz"), Customer("J", "")});
  OpenJob();
  ui_.dialogSteps = {{DialogStep::kChoose, 1},  // BRD -> DEUTSCHLAND
                     {DialogStep::kChoose, 1},  // «  BRD»: links compare untrimmed
                     {DialogStep::kChoose, 3},  // no designation -> SCHWEIZ
                     {DialogStep::kEnde}};
  ASSERT_TRUE(Convert());
  ui_.answers = {MessageAnswer::kNo};  // the links made are offered for saving
  job_->CLOSEALL();

  const auto records = TargetRecords();
  ASSERT_EQ(records.size(), 10u);
  EXPECT_EQ(Column(records, "LAND"),
            (std::vector<std::string>{"DEUTSCHLAND", "DEUTSCHLAND", "DEUTSCHLAND", "DEUTSCHLAND",
                                      "DEUTSCHLAND", "DEUTSCHLAND", "DEUTSCHLAND", "DEUTSCHLAND",
                                      "SCHWEIZ", "SCHWEIZ"}));
  ASSERT_EQ(ui_.chooserViews.size(), 3u);
  EXPECT_EQ(ui_.chooserViews[0].labelAnsi, "Die Bezeichnung BRD entspricht:");
  EXPECT_EQ(ui_.chooserViews[0].chooseButtonAnsi, "Verknüpfen");
  EXPECT_EQ(ui_.chooserViews[0].thirdButtonAnsi, std::optional<std::string>("aus Datei"));
  EXPECT_EQ(ui_.chooserViews[1].labelAnsi, "Die Bezeichnung   BRD entspricht:");
  EXPECT_EQ(ui_.chooserViews[2].labelAnsi, "Land bei keiner Länder-Bezeichnung:");
  EXPECT_EQ(ui_.chooserViews[0].rowsAnsi,
            (std::vector<std::string>{std::string(30 - 11, ' ').insert(0, "DEUTSCHLAND"),
                                      std::string(30 - 10, ' ').insert(0, "ÖSTERREICH"),
                                      std::string(30 - 7, ' ').insert(0, "SCHWEIZ")}));
  // Links hold the target's LAND as found: padded to its width.
  ASSERT_EQ(state_.ALANDVERKN.size(), 3u);
  EXPECT_EQ(state_.ALANDVERKN[0], (CountryLink{"BRD" + std::string(27, ' '), 1}));
  EXPECT_EQ(state_.ALANDVERKN[1], (CountryLink{"  BRD" + std::string(25, ' '), 1}));
  EXPECT_EQ(state_.ALANDVERKN[2], (CountryLink{std::string(30, ' '), 3}));
  EXPECT_FALSE(state_.LLANDGESICHERT);
  EXPECT_EQ(ui_.Lines("message").front(),
            MessageLine(9, "Velarto Converter", MessageButtons::kOk,
                        "Die Länder-Bezeichnung BRD" + std::string(27, ' ') +
                            "\nkonnte keinem Land zugewiesen werden.\n"
                            "Bitte wählen Sie aus der folgenden Liste!"));
}

TEST_F(Engine, BlankNamesAreSkippedAndListedInTheProtocol) {
  std::vector<std::vector<Value>> records;
  for (int i = 1; i <= 10; ++i) {
    records.push_back(
        Customer(i == 3 || i == 7 ? "   " : "Kunde " + std::to_string(i), "Deutschland"));
  }
  WriteSource(records);
  OpenJob();
  ui_.dialogSteps = {{DialogStep::kThird}, {DialogStep::kEnde}};
  ui_.answers = {MessageAnswer::kOk};  // the warning of "kein Ersatzfeld"
  ASSERT_TRUE(Convert());
  job_->CLOSEALL();

  const auto target = TargetRecords();
  EXPECT_EQ(target.size(), 8u);
  EXPECT_EQ(ui_.protocolTexts, std::vector<std::string>{"3, 7"});
  EXPECT_EQ(ui_.Lines("protocol"),
            std::vector<std::string>{"protocol [Es wurden 8 Datensätze konvertiert.]"});
  ASSERT_EQ(ui_.chooserViews.size(), 1u);
  EXPECT_EQ(ui_.chooserViews[0].labelAnsi, "Ersatzfeld für NAME");
  EXPECT_EQ(ui_.chooserViews[0].thirdButtonAnsi, std::optional<std::string>("kein Ersatzfeld"));
  // The name field is not offered as its own replacement.
  EXPECT_EQ(ui_.chooserViews[0].rowsAnsi.front(), "NAME2\t\t30");
  EXPECT_EQ(ui_.Lines("message owner=77"),
            std::vector<std::string>{
                MessageLine(77, "Velarto Converter", MessageButtons::kOkCancel,
                            "Achtung! Datensätze ohne Namen werden nicht übernommen!")});
}

TEST_F(Engine, NoRecordWithoutNameReachesTheTargetWhenTheLastRecordsAreSkipped) {
  WriteSource({Customer("Erster", "D"), Customer("", "D"), Customer("", "D")});
  WriteCountries({{"D"}});
  OpenJob();
  ui_.dialogSteps = {{DialogStep::kThird}, {DialogStep::kEnde}};
  ui_.answers = {MessageAnswer::kOk};
  ASSERT_TRUE(Convert());
  job_->CLOSEALL();
  const auto target = TargetRecords();
  ASSERT_EQ(target.size(), 1u);
  EXPECT_EQ(Trimmed(target[0], "FIRMA"), "Erster");
  EXPECT_EQ(ui_.protocolTexts, std::vector<std::string>{"2, 3"});
}

TEST_F(Engine, TheReplacementFieldIsAskedOnceAndFillsEveryBlankName) {
  std::vector<Value> a = Customer("", "D");
  a[1] = std::string("Ersatz eins");
  std::vector<Value> b = Customer("Name zwei", "D");
  std::vector<Value> c = Customer("", "D");
  c[1] = std::string("Ersatz drei");
  std::vector<Value> d = Customer("", "D");  // replacement blank too
  WriteSource({a, b, c, d});
  WriteCountries({{"D"}});
  OpenJob();
  ui_.dialogSteps = {{DialogStep::kChoose, 1}, {DialogStep::kEnde}};  // NAME2
  ASSERT_TRUE(Convert());
  job_->CLOSEALL();
  EXPECT_EQ(Column(TargetRecords(), "FIRMA"),
            (std::vector<std::string>{"Ersatz eins", "Name zwei", "Ersatz drei"}));
  EXPECT_EQ(ui_.chooserViews.size(), 1u);
  EXPECT_EQ(ui_.protocolTexts, std::vector<std::string>{"4"});
}

TEST_F(Engine, AnEmptySourceWritesNothingButStillAsksForTheDefaultCountry) {
  WriteSource({});
  OpenJob(/*withLand=*/false);
  ui_.dialogSteps = {{DialogStep::kChoose, 2}};
  ASSERT_TRUE(Convert());
  EXPECT_EQ(ui_.chooserViews.at(0).labelAnsi, "Standard-Land:");
  EXPECT_EQ(ui_.chooserViews.at(0).thirdButtonAnsi, std::nullopt);
  EXPECT_EQ(ui_.chooserViews.at(0).chooseButtonAnsi, "Zuweisen");
  EXPECT_EQ(ui_.Lines("message").back(), MessageLine(9, "Velarto Converter", MessageButtons::kOk,
                                                     "Es wurden 0 Datensätze konvertiert."));
  EXPECT_TRUE(state_.LLANDGESICHERT);  // the default country makes no link
  job_->CLOSEALL();
  EXPECT_TRUE(TargetRecords().empty());
}

TEST_F(Engine, TheDefaultCountryAppliesToEveryRecordAndMakesNoLink) {
  WriteSource({Customer("A", "Frankreich"), Customer("B", "")});
  OpenJob(/*withLand=*/false);
  ui_.dialogSteps = {{DialogStep::kChoose, 3}};
  ASSERT_TRUE(Convert());
  job_->CLOSEALL();
  EXPECT_EQ(Column(TargetRecords(), "LAND"), (std::vector<std::string>{"SCHWEIZ", "SCHWEIZ"}));
  EXPECT_TRUE(state_.ALANDVERKN.empty());
}

TEST_F(Engine, DerivedFieldsOfOneRecord) {
  std::vector<Value> r = Customer("Müller & Söhne GmbH", "Deutschland", "", "70173 Stuttgart");
  r[0] = std::string("M\x81ller & S\x94hne GmbH");  // code page 850
  r[5] = std::string("+49 (711) 12-34");
  r[6] = std::string("Zeile1\r\n  Zeile2");
  r[7] = -12.5;
  WriteSource({r});
  OpenJob();
  state_.LPLZAUSORT = true;
  state_.SetAssignedSource(6, 4);  // ORT -> Ort
  state_.SetAssignedSource(8, 6);  // TEL -> Telefon
  state_.ANOTIZFELDER = {7, 8};
  state_.ABEMFELDER = {2, 8, 1};
  ASSERT_TRUE(Convert());
  job_->CLOSEALL();
  const auto target = TargetRecords();
  ASSERT_EQ(target.size(), 1u);
  const auto& t = target[0];
  EXPECT_EQ(Trimmed(t, "FIRMA"), "M\x81ller & S\x94hne GmbH");
  EXPECT_EQ(Trimmed(t, "SP1"), "M\x81ller & S\x94hne GmbH");
  EXPECT_EQ(Trimmed(t, "FSORT"), "MUELLERSOEHNEGMBH");
  EXPECT_EQ(Trimmed(t, "PLZ"), "70173");
  EXPECT_EQ(Trimmed(t, "ORT"), "Stuttgart");
  EXPECT_EQ(t.at("KUNDEN_NR"), Value(Decimal::FromInt(700000)));  // P1A "N": first two digits
  EXPECT_EQ(Trimmed(t, "SP3"), "497111234");
  EXPECT_EQ(Trimmed(t, "ANWEND1"), "XYZ");
  EXPECT_EQ(Trimmed(t, "ANWEND2"), "XYZ");
  EXPECT_EQ(std::get<Date>(t.at("ANLDAT")), (Date{2026, 12, 10}));
  EXPECT_EQ(std::get<Date>(t.at("AENDDAT")), (Date{2026, 12, 10}));
  EXPECT_EQ(Trimmed(t, "BEMERKUNG"), "12.50 DB; M\x81ller & S\x94hne GmbH");
  EXPECT_EQ(Text(t, "NOTIZ"), "NOTIZ:\tZeile1\r\n\t\tZeile2\r\nUMSATZ:\t12.50 DB\r\n");
}

TEST_F(Engine, TheCustomerNumberReadsTheFlagsOfTheCountrysOwnRecord) {
  // The deleted first record shifts list positions against record numbers.
  WriteCountries({{"ALTLAND", " ", " ", /*deleted=*/true},
                  {"DEUTSCHLAND", " ", "N"},
                  {"\x99STERREICH", "A", " "}});
  WriteSource(
      {Customer("Wien", "\x99sterreich", "", ""), Customer("Berlin", "Deutschland", "10115")});
  OpenJob();
  state_.SetAssignedSource(4, 3);  // PLZ
  ASSERT_TRUE(Convert());
  job_->CLOSEALL();
  const auto target = TargetRecords();
  ASSERT_EQ(target.size(), 2u);
  // Österreich: MUSTER "A" but no PLZ2 -> 12. Deutschland: its own P1A "N" gives 10; the
  // deleted record before it, read by list position, would give 11.
  EXPECT_EQ(target[0].at("KUNDEN_NR"), Value(Decimal::FromInt(120000)));
  EXPECT_EQ(target[1].at("KUNDEN_NR"), Value(Decimal::FromInt(100000)));
  EXPECT_EQ(Trimmed(target[0], "LAND"), "\x99STERREICH");
}

TEST_F(Engine, AssignmentsOfTargetFieldsThatAreNoSlotAreNotUsed) {
  WriteSource({Customer("Firma", "Deutschland")});
  OpenJob();
  state_.SetAssignedSource(1, 1);   // KUNDEN_NR (a number) from NAME
  state_.SetAssignedSource(13, 1);  // GEBDAT (a date) from NAME
  state_.SetAssignedSource(3, 1);   // KURZNAME: text, but no slot
  ASSERT_TRUE(Convert());
  job_->CLOSEALL();
  EXPECT_TRUE(raised_.empty()) << raised_.front().description;
  const auto target = TargetRecords();
  ASSERT_EQ(target.size(), 1u);
  EXPECT_EQ(Trimmed(target[0], "KURZNAME"), "");
  EXPECT_EQ(std::get<Date>(target[0].at("GEBDAT")), Date{});
}

TEST_F(Engine, ClosingDuringTheRunStopsAfterTheCurrentRecordAndDeliversNothing) {
  std::vector<std::vector<Value>> records;
  for (int i = 1; i <= 50; ++i) records.push_back(Customer("K" + std::to_string(i), "Deutschland"));
  WriteSource(records);
  OpenJob();
  clock_.step = 0.011;  // a pause falls due every fourth reading
  int pauses = 0;
  ui_.onPendingMessages = [&] {
    if (++pauses == 3) ui_.onFrameClose();
  };
  EXPECT_TRUE(job_->Convert(55));  // the dialog is gone; the program closes
  EXPECT_EQ(pauses, 3);
  EXPECT_TRUE(state_.LGESCHLOSSEN);
  const auto target = TargetRecords();
  EXPECT_GT(target.size(), 0u);
  EXPECT_LT(target.size(), 50u);
  EXPECT_FALSE(env_->FileExists(std::string(kProductDir) + "Adrim1.dbf"));
  EXPECT_EQ(ui_.closesPosted, 1);
}

TEST_F(Engine, ProgressAndPausesFollowTheClockAndShowTheLastRecord) {
  std::vector<std::vector<Value>> records;
  for (int i = 1; i <= 20; ++i) records.push_back(Customer("K" + std::to_string(i), "Deutschland"));
  WriteSource(records);
  OpenJob();
  clock_.step = 0.015;  // every third reading is 45 ms on
  int pumps = 0;
  ui_.onPendingMessages = [&] { ++pumps; };
  ASSERT_TRUE(Convert());
  // Renewed at the first record, then about every 40 ms, and at the last record.
  EXPECT_LT(ui_.progressTexts.size(), 12u);
  EXPECT_GT(ui_.progressTexts.size(), 4u);
  EXPECT_EQ(ui_.progressTexts.front(), "K1|1 von 20");
  EXPECT_EQ(ui_.progressTexts.back(), "K20|20 von 20");
  EXPECT_EQ(pumps, static_cast<int>(ui_.progressTexts.size()));
}

TEST_F(Engine, AbbruchInAChooserEndsTheRun) {
  WriteSource({Customer("A", "Atlantis"), Customer("B", "Deutschland")});
  OpenJob();
  ui_.dialogSteps = {{DialogStep::kAbort}};
  EXPECT_FALSE(Convert());
  EXPECT_TRUE(state_.LABBRUCH);
  EXPECT_TRUE(state_.LGESCHLOSSEN);
  EXPECT_EQ(job_->target(), nullptr);
}

TEST_F(Engine, AusDateiLoadsLinksThatMapTheDesignationWithoutAFurtherQuestion) {
  const std::string lvk = "C:\\LINKS\\KUNDEN.LVK";
  ASSERT_TRUE(
      CreateFileWith(*env_, lvk, EncodeCountryLinkFile({{"Atlantis" + std::string(22, ' '), 2}})));
  WriteSource({Customer("A", "BRD"), Customer("B", "Atlantis"), Customer("C", "ATLANTIS")});
  OpenJob();
  ui_.dialogSteps = {{DialogStep::kChoose, 1}, {DialogStep::kThird}};
  ui_.answers = {MessageAnswer::kNo};  // do not save the BRD link first
  ui_.chosenFiles = {lvk};
  ASSERT_TRUE(Convert());
  ui_.answers = {MessageAnswer::kNo};  // loading leaves the links unsaved
  job_->CLOSEALL();
  EXPECT_EQ(Column(TargetRecords(), "LAND"),
            (std::vector<std::string>{"DEUTSCHLAND", "\x99STERREICH", "\x99STERREICH"}));
  EXPECT_EQ(ui_.chooserViews.size(), 2u);
  EXPECT_EQ(ui_.Lines("message owner=77").front(),
            MessageLine(77, "Velarto Converter", MessageButtons::kYesNo,
                        "Wollen Sie die bisherigen Länder-Verknüpfungen Speichern?"));
}

TEST_F(Engine, AWindowsAnsiSourceReachesTheTargetInCodePage850) {
  WriteSource(
      {Customer("B\xE4"
                "ckerei Gr\xFC\xDF",
                "\xD6sterreich")});
  // Mark the source as Windows ANSI (code page mark at offset 29).
  {
    std::unique_ptr<File> f;
    ASSERT_TRUE(env_->Open(kSourcePath, {}, &f).ok());
    const uint8_t mark = 0x03;
    ASSERT_TRUE(f->WriteAt(29, std::span<const uint8_t>(&mark, 1)).ok());
  }
  OpenJob();
  ASSERT_TRUE(Convert());
  job_->CLOSEALL();
  const auto target = TargetRecords();
  ASSERT_EQ(target.size(), 1u);
  EXPECT_EQ(Trimmed(target[0], "FIRMA"),
            "B\x84"
            "ckerei Gr\x81\xE1");
  EXPECT_EQ(Trimmed(target[0], "LAND"), "\x99STERREICH");
}

TEST_F(Engine, ATruncatedSourceConvertsTheRecordsItStillHolds) {
  std::vector<std::vector<Value>> records;
  for (int i = 1; i <= 10; ++i) records.push_back(Customer("K" + std::to_string(i), "Deutschland"));
  WriteSource(records);
  // The export was cut off in the middle of record 7: its header still promises ten.
  const std::string bytes = *ReadFilePrefix(*env_, kSourcePath, 1 << 20);
  const uint32_t recordLength = static_cast<uint8_t>(bytes[10]) | static_cast<uint8_t>(bytes[11])
                                                                      << 8;
  const uint32_t headerLength = static_cast<uint8_t>(bytes[8]) | static_cast<uint8_t>(bytes[9])
                                                                     << 8;
  ASSERT_TRUE(
      CreateFileWith(*env_, kSourcePath, bytes.substr(0, headerLength + 6 * recordLength + 5)));
  OpenJob();
  EXPECT_EQ(ui_.Lines("message"),
            std::vector<std::string>{
                MessageLine(9, "Velarto Converter", MessageButtons::kOk,
                            "Die Quell-Datei C:\\DATEN\\KUNDEN.DBF ist unvollständig!\n"
                            "Laut Dateikopf enthält sie 10 Datensätze, vorhanden sind nur 6.\n"
                            "Es werden nur die vorhandenen Datensätze konvertiert.")});
  ASSERT_TRUE(Convert());
  job_->CLOSEALL();
  EXPECT_EQ(Column(TargetRecords(), "FIRMA"),
            (std::vector<std::string>{"K1", "K2", "K3", "K4", "K5", "K6"}));
}

// The orders a source may bring along, and what a browse over it (the source data viewer)
// does with the source while the engine lets messages be handled.
struct WalkCase {
  const char* what;
  const char* key;  // the first tag of the source's CDX ("" none)
  bool unique;
  const char* forCondition;
  bool orderSetBefore;  // order 1 controls when the conversion starts
  enum Move { kStay, kTop, kBottom, kSkipInOrder } move;
};

const WalkCase kWalkCases[] = {
    {"no index, untouched", "", false, "", false, WalkCase::kStay},
    {"unique tag, order 1 set before", "NAME", true, "", true, WalkCase::kStay},
    {"unique tag, viewer goes to the top", "NAME", true, "", false, WalkCase::kTop},
    {"unique tag, viewer goes to the end", "NAME", true, "", true, WalkCase::kBottom},
    {"FOR tag, order 1 set before", "NAME", false, "!EMPTY(PLZ)", true, WalkCase::kStay},
    {"FOR tag, viewer skips in its order", "NAME", false, "!EMPTY(PLZ)", false,
     WalkCase::kSkipInOrder},
    {"FOR tag, viewer goes to the top", "NAME", false, "!EMPTY(PLZ)", true, WalkCase::kTop},
    {"plain tag, viewer goes to the end", "UPPER(NAME)", false, "", false, WalkCase::kBottom},
};

void PrintTo(const WalkCase& c, std::ostream* out) {
  *out << c.what;
}

class EngineWalk : public ConverterJobTest, public ::testing::WithParamInterface<WalkCase> {};

TEST_P(EngineWalk, EveryVisibleRecordArrivesOnceInRecordOrderWhateverTheViewerDid) {
  const WalkCase& c = GetParam();
  // Duplicate names (a unique tag keeps one of each), blank postal codes (the FOR tag leaves
  // them out), a deleted record, and a last record that is last in no order. "Atlantis" is
  // unknown: its chooser handles messages too.
  WriteSource({Customer("Meier", "Deutschland", "1"), Customer("Albers", "Deutschland"),
               Customer("Meier", "Deutschland", "2"), Customer("Zander", "Atlantis", "3"),
               Customer("Albers", "Deutschland", "4"), Customer("Xaver", "Deutschland", "5"),
               Customer("Berg", "Deutschland"), Customer("Meier", "Deutschland")},
              /*deleted=*/{6});
  if (*c.key) {
    AreaSwitch scope(0);
    ASSERT_TRUE(OpenTable(true, "DBFCDX", kSourcePath, "", true, false));
    SetOrderCondition(c.forCondition);
    CreateOrder("", "TAG1", c.key, c.unique);
    CloseArea();
  }
  OpenJob();
  const int area = job_->source()->Area;
  if (c.orderSetBefore) EvaluateInArea(area, [] { SetOrder(1); });
  const int orderBefore = EvaluateInArea(area, [] { return CurrentOrder(); });
  // The viewer selects its order 1 and moves; a bounded number of times, so a walk that
  // follows it still ends.
  int moves = 0;
  auto viewer = [&] {
    if (++moves > 40) return;
    EvaluateInArea(area, [&] {
      if (OrderCount() > 0) SetOrder(1);
      switch (c.move) {
        case WalkCase::kStay:
          break;
        case WalkCase::kTop:
          GoTop();
          break;
        case WalkCase::kBottom:
          GoBottom();
          break;
        case WalkCase::kSkipInOrder:
          Skip(1);
          break;
      }
    });
  };
  clock_.step = 0.05;  // a pause after every record
  ui_.onPendingMessages = viewer;
  ui_.whileChooserOpen = viewer;
  ui_.dialogSteps = {{DialogStep::kChoose, 1}};  // Atlantis -> DEUTSCHLAND
  ASSERT_TRUE(Convert()) << c.what;
  EXPECT_EQ(EvaluateInArea(area, [] { return CurrentOrder(); }), orderBefore) << c.what;
  EXPECT_EQ(ui_.Lines("message").back(), MessageLine(9, "Velarto Converter", MessageButtons::kOk,
                                                     "Es wurden 7 Datensätze konvertiert."))
      << c.what;
  ui_.answers = {MessageAnswer::kNo};  // the link made is offered for saving
  job_->CLOSEALL();

  EXPECT_EQ(
      Column(TargetRecords(), "FIRMA"),
      (std::vector<std::string>{"Meier", "Albers", "Meier", "Zander", "Albers", "Berg", "Meier"}))
      << c.what;
  // The counter names the last record in record order, and counts every record there.
  ASSERT_FALSE(ui_.progressTexts.empty());
  EXPECT_EQ(ui_.progressTexts.back(), "Meier|8 von 8") << c.what;
}

INSTANTIATE_TEST_SUITE_P(Orders, EngineWalk, ::testing::ValuesIn(kWalkCases));

TEST_F(Engine, AFailingWriteStopsTheRunWithAMessage) {
  std::vector<std::vector<Value>> records;
  for (int i = 1; i <= 30; ++i) records.push_back(Customer("K" + std::to_string(i), "Deutschland"));
  WriteSource(records);
  // The same files, seen through a fault injector from the job's start on.
  FaultEnv faults(env_.get());
  SetTableEnv(&faults);
  ctx_.files = &faults;
  OpenJob();
  faults.SetCallFault(
      {.nth = 2, .osCode = kOsDiskFull, .persistent = true, .only = FaultOp::kWrite});
  EXPECT_TRUE(job_->Convert(55));
  ASSERT_TRUE(faults.fired());
  const std::vector<std::string> messages = ui_.Lines("message");
  ASSERT_FALSE(messages.empty());
  EXPECT_NE(messages.back().find("Die Konvertierung wurde abgebrochen."), std::string::npos)
      << messages.back();
  EXPECT_NE(messages.back().find("Auf dem Datenträger ist kein Platz mehr frei."),
            std::string::npos);
  EXPECT_FALSE(env_->FileExists(std::string(kProductDir) + "Adrim1.dbf"));
  EXPECT_EQ(ui_.closesPosted, 1);
  faults.ClearFaults();
  job_.reset();
  CloseAllAreas();
  SetTableEnv(env_.get());
}

}  // namespace
}  // namespace tabrix
