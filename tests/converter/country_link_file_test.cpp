#include "converter/country_link_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "converter/converter_test_support.h"
#include "converter/fake_converter_ui.h"
#include "data/env/file_env.h"

namespace tabrix {
namespace {

using testing::ElementsAre;

constexpr WindowHandle kOwner = 31;
constexpr WindowHandle kChooserOwner = 5;
constexpr char kIni[] = "C:\\USER\\Velarto\\qz.ini";

std::string Land30(const std::string& name) {
  return name + std::string(30 - name.size(), ' ');
}

TEST(CountryLinkFileFormat, ThirtyCharacterLandTakes39BytesPerLink) {
  const std::vector<CountryLink> links = {{Land30("Deutschlnd"), 1},
                                          {Land30("\x99sterreich"), 245}};
  const std::string bytes = EncodeCountryLinkFile(links);
  ASSERT_EQ(bytes.size(), 10u + 2 * 39);
  EXPECT_EQ(bytes.substr(0, 10), "Tabrix-LVK");
  EXPECT_EQ(bytes.substr(10, 39), " 30" + Land30("Deutschlnd") + "   1\r\n");
  EXPECT_EQ(bytes.substr(49, 39), " 30" + Land30("\x99sterreich") + " 245\r\n");
  EXPECT_EQ(DecodeCountryLinkFile(bytes, 245), links);
}

TEST(CountryLinkFileFormat, NoLinksIsTheTenByteHeader) {
  EXPECT_EQ(EncodeCountryLinkFile({}), "Tabrix-LVK");
  EXPECT_EQ(DecodeCountryLinkFile("Tabrix-LVK", 10), std::vector<CountryLink>());
}

TEST(CountryLinkFileFormat, LinksTheFormatCannotHoldAreLeftOut) {
  const std::vector<CountryLink> links = {
      {std::string(1000, 'X'), 1}, {"A", 0}, {"B", 10000}, {"C", 9999}, {"", 3}};
  EXPECT_EQ(EncodeCountryLinkFile(links), "Tabrix-LVK  1C9999\r\n  0   3\r\n");
}

TEST(CountryLinkFileFormat, OtherTypeIdsAreNoLinkFiles) {
  for (const std::string& bytes :
       {std::string("Tabrix-ZWS  1A   1\r\n"), std::string("Tabrix"), std::string()}) {
    EXPECT_FALSE(DecodeCountryLinkFile(bytes, 10)) << bytes;
  }
}

struct LinkCase {
  const char* what;
  std::string body;  // after the type id
  int countryCount;
  std::vector<CountryLink> links;
};

class DecodeLinksTest : public testing::TestWithParam<LinkCase> {};

TEST_P(DecodeLinksTest, KeepsOnlyLinksIntoTheCountryList) {
  const LinkCase& c = GetParam();
  const auto links = DecodeCountryLinkFile("Tabrix-LVK" + c.body, c.countryCount);
  ASSERT_TRUE(links);
  EXPECT_EQ(*links, c.links);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DecodeLinksTest,
    testing::Values(
        LinkCase{"two links", "  2AB   3\r\n  1C  10\r\n", 10, {{"AB", 3}, {"C", 10}}},
        LinkCase{"position beyond the list", "  2AB  11\r\n  1C   2\r\n", 10, {{"C", 2}}},
        LinkCase{
            "position zero or negative", "  1A   0\r\n  1B  -4\r\n  1C   1\r\n", 10, {{"C", 1}}},
        LinkCase{"fractional position", "  1A 1.5\r\n  1B 2.0\r\n", 10, {{"B", 2}}},
        LinkCase{"blank position", "  1A      ", 10, {}},
        LinkCase{"file ends inside the designation", "  5AB", 10, {}},
        LinkCase{"file ends inside the position", "  2AB   7", 10, {{"AB", 7}}},
        LinkCase{"fewer than 3 bytes left", "  1A   1\r\n 9", 10, {{"A", 1}}},
        LinkCase{
            "negative length ends reading", "  1A   1\r\n -1x   1\r\n  1B   1\r\n", 10, {{"A", 1}}},
        LinkCase{"fractional length ends reading", "1.5AB   1\r\n", 10, {}},
        LinkCase{"length without digits is 0", "abc   4\r\n", 10, {{"", 4}}},
        LinkCase{"designation keeps CR LF and blanks", "  4\r\n  2   1\r\n", 10, {{"\r\n  ", 2}}},
        LinkCase{"long designation",
                 "999" + std::string(999, 'Q') + "   1\r\n",
                 1,
                 {{std::string(999, 'Q'), 1}}},
        LinkCase{"empty country list", "  1A   1\r\n", 0, {}}),
    [](const testing::TestParamInfo<LinkCase>& info) {
      std::string name = info.param.what;
      for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
      return name;
    });

TEST(FindCountryLinkTest, MatchesUpperCaseSameLengthAndOnlyInsideTheList) {
  const std::vector<CountryLink> links = {{"\x81"
                                           "bersee  ",
                                           40},
                                          {"SCHWEIZ ", 7},
                                          {"schweiz ", 3},
                                          {"Holland", 2}};
  struct Case {
    std::string land;
    int countryCount;
    int position;  // 0: no link
  };
  for (const Case& c : {Case{"\x9a"
                             "BERSEE  ",
                             50, 40},
                        Case{"\x9a"
                             "BERSEE  ",
                             39, 0},
                        Case{"Schweiz ", 10, 7}, Case{"Schweiz ", 5, 3}, Case{"Schweiz", 10, 0},
                        Case{"HOLLAND", 2, 2}, Case{"HOLLAND ", 2, 0}}) {
    const CountryLink* link = FindCountryLink(links, c.land, c.countryCount);
    EXPECT_EQ(link ? link->position : 0, c.position) << c.land << " / " << c.countryCount;
  }
}

class CountryLinkProcTest : public testing::Test {
 protected:
  FakeConverterUi ui;
  ConverterContext ctx{ui, "Velarto Converter", kIni, kChooserOwner};
  TempFolder temp;
  ConverterJobState state = MakeJobState(4);

  void SetUp() override {
    state.ALANDVERKN = {{Land30("Deutschlnd"), 1}, {Land30("Schwiz"), 3}};
    state.LLANDGESICHERT = false;
  }
  std::string Msg(WindowHandle owner, MessageButtons buttons, const std::string& text) {
    return MessageLine(owner, "Velarto Converter", buttons, text);
  }
};

TEST_F(CountryLinkProcTest, SaveAsksFirstAndWritesEveryLink) {
  ui.settings[{kIni, "Tabrix", "LASTPATH2"}] = "C:\\LINKS";
  const std::string path = temp.File("ADRESSEN.LVK");
  ui.answers = {MessageAnswer::kYes};
  ui.chosenFiles = {path};

  EXPECT_TRUE(SAVELANDZUW(ctx, state, kOwner, false));

  EXPECT_THAT(ui.log, ElementsAre("beep",
                                  Msg(kOwner, MessageButtons::kYesNo,
                                      "Wollen Sie die Länder-Verknüpfungen Speichern?"),
                                  "choose save", "setting Tabrix.LASTPATH2=" + temp.Folder()));
  FileChooserRequest expected;
  expected.owner = kChooserOwner;
  expected.initialName = "ADRESSEN.LVK";
  expected.title = "Zieldatei wählen zum Speichern der Länder-Verknüpfungen";
  expected.filters = {{"Velarto Converter Länder-Verknüpfungen Speichern (*.LVK)", "*.LVK"}};
  expected.flags = 10244;
  expected.initialDir = "C:\\LINKS";
  expected.defaultExt = "*.LVK";
  ASSERT_EQ(ui.chooserRequests.size(), 1u);
  EXPECT_EQ(ui.chooserRequests[0], expected);
  EXPECT_EQ(ReadBytes(path), "Tabrix-LVK" + (" 30" + Land30("Deutschlnd") + "   1\r\n") +
                                 (" 30" + Land30("Schwiz") + "   3\r\n"));
  EXPECT_EQ(ReadBytes(path).size(), 10u + 2 * 39);
  EXPECT_FALSE(state.LLANDGESICHERT);
}

TEST_F(CountryLinkProcTest, SaveAnswersForEachWayOut) {
  const std::string path = temp.File("ADRESSEN.LVK");
  struct Case {
    const char* what;
    bool noQuestion;
    std::deque<MessageAnswer> answers;
    std::deque<std::optional<std::string>> files;
    bool result;
    bool written;
    std::vector<std::string> log;
  };
  const std::string question =
      Msg(kOwner, MessageButtons::kYesNo, "Wollen Sie die Länder-Verknüpfungen Speichern?");
  const std::string setting = "setting Tabrix.LASTPATH2=" + temp.Folder();
  const std::string overwrite =
      Msg(kOwner, MessageButtons::kOkCancel,
          "Die Datei ADRESSEN.LVK Existiert bereits!\nSoll sie überschrieben werden?");
  const std::string bad = temp.File("nicht") + "/da/X.LVK";
  const Case cases[] = {
      {"No to the question", false, {MessageAnswer::kNo}, {}, true, false, {"beep", question}},
      {"chooser cancelled",
       false,
       {MessageAnswer::kYes},
       {std::nullopt},
       false,
       false,
       {"beep", question, "choose save"}},
      {"no question asked", true, {}, {std::string()}, false, false, {"beep", "choose save"}},
      {"existing file, Cancel then OK",
       true,
       {MessageAnswer::kCancel, MessageAnswer::kOk},
       {path, path},
       true,
       true,
       {"beep", "choose save", setting, "beep", overwrite, "choose save", setting, "beep",
        overwrite}},
      {"cannot create",
       true,
       {},
       {bad},
       false,
       false,
       {"beep", "choose save", "setting Tabrix.LASTPATH2=" + FolderOfPath(bad), "beep",
        Msg(kOwner, MessageButtons::kOk, "Die Datei " + bad + " kann nicht erstellt werden!")}},
  };
  for (const Case& c : cases) {
    WriteBytes(path, "old");
    ui.log.clear();
    ui.chooserRequests.clear();
    ui.answers = c.answers;
    ui.chosenFiles = c.files;
    EXPECT_EQ(SAVELANDZUW(ctx, state, kOwner, c.noQuestion), c.result) << c.what;
    EXPECT_EQ(ui.log, c.log) << c.what;
    EXPECT_EQ(ReadBytes(path) != "old", c.written) << c.what;
    if (ui.chooserRequests.size() == 2) {
      EXPECT_EQ(ui.chooserRequests[1].initialDir, temp.Folder()) << c.what;
    }
  }
}

TEST_F(CountryLinkProcTest, OpenReplacesTheLinksAndKeepsTheUnsavedMark) {
  const std::string path = temp.File("ALT.LVK");
  WriteBytes(path, "Tabrix-LVK  3USA   2\r\n  2XX  99\r\n");
  ui.settings[{kIni, "Tabrix", "LASTPATH2"}] = "C:\\LINKS";
  ui.chosenFiles = {path};

  EXPECT_TRUE(OPENZUWLAND(ctx, state, kOwner, 20));

  EXPECT_THAT(state.ALANDVERKN, ElementsAre(CountryLink{"USA", 2}));
  EXPECT_FALSE(state.LLANDGESICHERT);
  FileChooserRequest expected;
  expected.owner = kChooserOwner;
  expected.filters = {{"Velarto Converter Länder-Verknüpfungen öffnen (*.LVK)", "*.LVK"}};
  expected.flags = 4108;
  expected.initialDir = "C:\\LINKS";
  expected.defaultExt = "*.LVK";
  ASSERT_EQ(ui.chooserRequests.size(), 1u);
  EXPECT_EQ(ui.chooserRequests[0], expected);
  EXPECT_THAT(ui.log,
              ElementsAre("choose open", "setting Tabrix.LASTPATH2=" + temp.Folder(), "pump"));
}

TEST_F(CountryLinkProcTest, AnEmptyLinkListIsSavedAsTenBytesAndLoadingItEmptiesTheLinks) {
  const std::string path = temp.File("LEER.LVK");
  ConverterJobState empty = MakeJobState(4);
  ui.chosenFiles = {path, path};
  EXPECT_TRUE(SAVELANDZUW(ctx, empty, kOwner, true));
  EXPECT_EQ(ReadBytes(path), "Tabrix-LVK");

  ASSERT_FALSE(state.ALANDVERKN.empty());
  EXPECT_TRUE(OPENZUWLAND(ctx, state, kOwner, 20));
  EXPECT_TRUE(state.ALANDVERKN.empty());
  EXPECT_FALSE(state.LLANDGESICHERT);
}

TEST_F(CountryLinkProcTest, OpenRejectsAnAssignmentFileAndKeepsTheLinks) {
  const std::string path = temp.File("ADRESSEN.ZWS");
  WriteBytes(path, "Tabrix-ZWS  3USA   2\r\n");
  const auto before = state.ALANDVERKN;
  ui.chosenFiles = {path};
  EXPECT_FALSE(OPENZUWLAND(ctx, state, kOwner, 20));
  EXPECT_EQ(state.ALANDVERKN, before);
  EXPECT_THAT(
      ui.log,
      ElementsAre("choose open", "setting Tabrix.LASTPATH2=" + temp.Folder(), "pump", "beep",
                  Msg(kOwner, MessageButtons::kOk,
                      "Die Datei " + path + " enthält keine Länder-Verknüpfungen!")));
}

TEST_F(CountryLinkProcTest, OpenOfAFileHeldExclusivelyElsewhereSaysItCannotBeOpened) {
  const std::string path = temp.File("ALT.LVK");
  WriteBytes(path, "Tabrix-LVK  3USA   2\r\n");
  std::unique_ptr<tabrix::File> holder;
  ASSERT_TRUE(DefaultEnv()->Open(path, {.exclusive = true}, &holder).ok());
  const auto before = state.ALANDVERKN;
  ui.chosenFiles = {path};
  EXPECT_FALSE(OPENZUWLAND(ctx, state, kOwner, 20));
  EXPECT_EQ(state.ALANDVERKN, before);
  EXPECT_THAT(ui.log, ElementsAre("choose open", "setting Tabrix.LASTPATH2=" + temp.Folder(),
                                  "pump", "beep",
                                  Msg(kOwner, MessageButtons::kOk,
                                      "Die Datei " + path + " kann nicht geöfnet werden!")));
}

TEST_F(CountryLinkProcTest, OpenWithoutAFileOrAfterCloseLoadsNothing) {
  const std::string path = temp.File("ALT.LVK");
  WriteBytes(path, "Tabrix-LVK  3USA   2\r\n");
  const auto before = state.ALANDVERKN;
  ui.chosenFiles = {std::nullopt, temp.File("WEG.LVK"), path};
  EXPECT_FALSE(OPENZUWLAND(ctx, state, kOwner, 20));
  EXPECT_FALSE(OPENZUWLAND(ctx, state, kOwner, 20));
  ui.onPendingMessages = [&] { state.LGESCHLOSSEN = true; };
  EXPECT_FALSE(OPENZUWLAND(ctx, state, kOwner, 20));
  EXPECT_EQ(state.ALANDVERKN, before);
  EXPECT_TRUE(ui.Lines("message").empty());
}

}  // namespace
}  // namespace tabrix
