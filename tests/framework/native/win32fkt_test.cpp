// The window-operation library's own rules: file dialog arguments and results, COPYFILE's
// steps and codes, the placement rule and short control ids.

#include <gtest/gtest.h>

#include <map>

#include "framework/native/win32fkt_copy.h"
#include "framework/native/win32fkt_dialogs.h"
#include "framework/native/win32fkt_place.h"

namespace tabrix {
namespace {

using namespace std::string_literals;

TEST(FileDialog, DefaultsAndFilterEncoding) {
  FileDialogSetup setup = PrepareFileDialog({});
  EXPECT_EQ(setup.title, "Dateiwahl");
  EXPECT_EQ(setup.flags, 12u);
  EXPECT_EQ(setup.filter,
            "WinWord Dokumente (*.DOC)\0*.DOC\0dBase Datenbank (*.DBF)\0*.DBF\0"
            "Textdatei (*.TXT)\0*.TXT\0Alle Dateien\0*.*\0\0"s);
  EXPECT_EQ(setup.nameBuffer, std::string(260, '\0'));
  EXPECT_FALSE(setup.initialDir);
  EXPECT_FALSE(setup.defaultExt);

  // An empty list is no filter list either.
  EXPECT_EQ(PrepareFileDialog({.filters = std::vector<FileFilter>{}}).filter, setup.filter);

  FileDialogArgs args{.owner = 7,
                      .initialName = "kunden.zws",
                      .title = "Zuweisung speichern",
                      .filters = std::vector<FileFilter>{{"Zuweisungen (*.ZWS)", "*.ZWS"}},
                      .flags = 10244,
                      .initialDir = "C:\\DATEN",
                      .defaultExt = "ZWS"};
  setup = PrepareFileDialog(args);
  EXPECT_EQ(setup.filter, "Zuweisungen (*.ZWS)\0*.ZWS\0\0"s);
  EXPECT_EQ(setup.title, "Zuweisung speichern");
  EXPECT_EQ(setup.flags, 10244u);
  EXPECT_EQ(setup.nameBuffer.size(), 260u);
  EXPECT_EQ(setup.nameBuffer.substr(0, 11), "kunden.zws\0"s);
  EXPECT_EQ(setup.initialDir, "C:\\DATEN");
  EXPECT_EQ(setup.defaultExt, "ZWS");

  // A NUL inside a description cannot shift the later pairs.
  EXPECT_EQ(EncodeFileFilters({{"A\0B"s, "*.A"}, {"C", "*.C"}}), "A\0*.A\0C\0*.C\0\0"s);
}

TEST(FileDialog, InitialNameMustFitTheBuffer) {
  struct Case {
    size_t length;
    bool kept;
  } cases[] = {{0, true}, {259, true}, {260, false}, {1000, false}};
  for (const Case& c : cases) {
    FileDialogSetup setup = PrepareFileDialog({.initialName = std::string(c.length, 'n')});
    EXPECT_EQ(setup.nameBuffer.size(), 260u);
    EXPECT_EQ(setup.nameBuffer.find('\0'), c.kept ? c.length : 0) << c.length;
  }
}

TEST(FileDialog, MultipleSelectionAsksForNulSeparatedNames) {
  EXPECT_EQ(PrepareFileDialog({.flags = 0x200 | 4}).flags, 0x200u | 4u | 0x80000u);
  EXPECT_EQ(PrepareFileDialog({.flags = 4108}).flags, 4108u);
}

TEST(FileDialog, ResultForms) {
  struct Case {
    const char* what;
    std::string buffer;
    uint32_t offset;
    FileDialogResult want;
  } cases[] = {
      {"cancelled", std::string(260, '\0'), 0, std::monostate{}},
      {"one file", "C:\\DATEN\\KUNDEN.DBF\0"s, 9, "C:\\DATEN\\KUNDEN.DBF"s},
      {"one file of a multiple selection", "C:\\DATEN\\A B.DBF\0\0"s, 9, "C:\\DATEN\\A B.DBF"s},
      {"several files", "C:\\DATEN\0A.DBF\0B C.DBF\0\0"s, 9,
       std::vector<std::string>{"C:\\DATEN", "A.DBF", "B C.DBF"}},
      {"root directory", "C:\\\0A.DBF\0B.DBF\0\0"s, 4,
       std::vector<std::string>{"C:\\", "A.DBF", "B.DBF"}},
      {"names up to the buffer's end", "D\0A\0B"s, 2, std::vector<std::string>{"D", "A", "B"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadFileDialogResult(c.buffer, c.offset), c.want) << c.what;
  }
}

// A file system that fails the step it is told to and records what was done.
class FakeCopyFiles : public CopyFileSystem {
 public:
  std::map<std::string, std::pair<std::string, FileTimes>> files;  // content, times
  FileStep readStep = FileStep::kOk;
  bool clockWorks = true;
  FileStep writeStep = FileStep::kOk;
  uint64_t now = 133'000'000'000'000'000;

  FileStep ReadTimes(const std::string& file, FileTimes& times) override {
    if (readStep != FileStep::kOk) return readStep;
    auto it = files.find(file);
    if (it == files.end()) return FileStep::kOpenFailed;
    times = it->second.second;
    return FileStep::kOk;
  }
  bool CurrentTime(uint64_t& t) override {
    t = now;
    return clockWorks;
  }
  bool Copy(const std::string& source, const std::string& target, bool failIfExists) override {
    auto it = files.find(source);
    if (it == files.end() || (failIfExists && files.count(target))) return false;
    files[target] = {it->second.first, {now + 1, now + 1, now + 1}};  // the platform's own stamp
    return true;
  }
  FileStep WriteTimes(const std::string& file, const FileTimes& times) override {
    if (writeStep != FileStep::kOk) return writeStep;
    files[file].second = times;
    return FileStep::kOk;
  }
};

TEST(CopyFile, CodesAndTimeStamps) {
  const FileTimes sourceTimes{111, 222, 333};
  const FileTimes oldTargetTimes{7, 8, 9};
  struct Case {
    const char* what;
    bool targetExists;
    bool failIfExists;
    bool keepTimes;
    FileStep readStep;
    bool clockWorks;
    FileStep writeStep;
    int code;
    std::optional<std::string> targetContent;  // nothing: no target
    FileTimes targetTimes;
  } cases[] = {
      {"default: copy with the current time",
       false,
       true,
       false,
       FileStep::kOk,
       true,
       FileStep::kOk,
       0,
       "SRC",
       {1, 1, 1}},
      {"onto an existing file: -5, unchanged", true, true, false, FileStep::kOk, true,
       FileStep::kOk, -5, "OLD", oldTargetTimes},
      {"overwrite allowed",
       true,
       false,
       false,
       FileStep::kOk,
       true,
       FileStep::kOk,
       0,
       "SRC",
       {1, 1, 1}},
      {"keep the source's times", false, false, true, FileStep::kOk, true, FileStep::kOk, 0, "SRC",
       sourceTimes},
      {"source cannot be opened: -2, no copy",
       false,
       true,
       true,
       FileStep::kOpenFailed,
       true,
       FileStep::kOk,
       -2,
       std::nullopt,
       {}},
      {"source times unreadable: -1, no copy",
       false,
       true,
       true,
       FileStep::kTimesFailed,
       true,
       FileStep::kOk,
       -1,
       std::nullopt,
       {}},
      {"clock conversion fails: -6, no copy",
       false,
       true,
       false,
       FileStep::kOk,
       false,
       FileStep::kOk,
       -6,
       std::nullopt,
       {}},
      {"target cannot be opened afterwards: -4, copied",
       false,
       true,
       false,
       FileStep::kOk,
       true,
       FileStep::kOpenFailed,
       -4,
       "SRC",
       {2, 2, 2}},
      {"target times cannot be set: -3, copied",
       false,
       true,
       true,
       FileStep::kOk,
       true,
       FileStep::kTimesFailed,
       -3,
       "SRC",
       {2, 2, 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeCopyFiles fs;
    fs.now = 1;
    fs.files["a"] = {"SRC", sourceTimes};
    if (c.targetExists) fs.files["b"] = {"OLD", oldTargetTimes};
    fs.readStep = c.readStep;
    fs.clockWorks = c.clockWorks;
    fs.writeStep = c.writeStep;
    EXPECT_EQ(COPYFILE(fs, "a", "b", c.failIfExists, c.keepTimes), c.code);
    auto it = fs.files.find("b");
    ASSERT_EQ(it != fs.files.end(), c.targetContent.has_value());
    if (c.targetContent) {
      EXPECT_EQ(it->second.first, *c.targetContent);
      EXPECT_EQ(it->second.second, c.targetTimes);
    }
    EXPECT_EQ(fs.files["a"].second, sourceTimes);
  }
  FakeCopyFiles fs;
  EXPECT_EQ(COPYFILE(fs, "missing", "b"), -5);  // the copy itself fails
}

TEST(Placement, ClipOrCenterOnTheMonitor) {
  const PlaceRect monitor{0, 0, 1024, 768};
  const PlaceRect work{0, 0, 1024, 728};  // task bar at the bottom
  struct Case {
    const char* what;
    PlaceRect rect;
    int flags;
    bool dialog;
    PlaceRect want;
  } cases[] = {
      {"half outside right, work area", {900, 100, 1100, 300}, 2, false, {824, 100, 1024, 300}},
      {"same for a dialog: one pixel in", {900, 100, 1100, 300}, 2, true, {823, 100, 1023, 300}},
      {"below the work area", {100, 700, 300, 800}, 2, false, {100, 628, 300, 728}},
      {"below, whole monitor", {100, 700, 300, 800}, 0, false, {100, 668, 300, 768}},
      {"left and above", {-50, -20, 150, 80}, 2, false, {0, 0, 200, 100}},
      {"left and above, dialog", {-50, -20, 150, 80}, 2, true, {1, 1, 201, 101}},
      {"inside stays", {10, 10, 110, 110}, 2, true, {10, 10, 110, 110}},
      {"centered in the work area", {900, 100, 1100, 300}, 3, false, {412, 264, 612, 464}},
      {"centered on the monitor", {0, 0, 200, 100}, 1, true, {412, 334, 612, 434}},
      {"wider than the area: left edge", {100, 10, 1200, 110}, 2, false, {0, 10, 1100, 110}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PlaceOnMonitor(c.rect, monitor, work, c.flags, c.dialog), c.want) << c.what;
  }
  // A second monitor to the right: its own edges count.
  const PlaceRect second{1024, 0, 2048, 768};
  EXPECT_EQ(PlaceOnMonitor({1950, 0, 2150, 100}, second, second, 2, false),
            (PlaceRect{1848, 0, 2048, 100}));
}

TEST(ShortIds, HighIdsReadAsNegativeOnlyInShortMode) {
  struct Case {
    int64_t id;
    int64_t shortForm;
  } cases[] = {{65535, -1}, {0x8000, -32768}, {0x7FFF, 0x7FFF},
               {101, 101},  {0, 0},           {0x10000, 0x10000}};
  const bool previous = SETSHORTIDS(false);
  for (const Case& c : cases) EXPECT_EQ(ReportedControlId(c.id), c.id);
  EXPECT_FALSE(SETSHORTIDS(true));
  for (const Case& c : cases) EXPECT_EQ(ReportedControlId(c.id), c.shortForm) << c.id;
  EXPECT_TRUE(SETSHORTIDS(previous));
}

}  // namespace
}  // namespace tabrix
