// Developer trace: enabling by atom or viewer, line forms, the viewer's 5000-character cut.

#include "data/stdlib/o_s.h"

#include <gtest/gtest.h>

namespace tabrix {
namespace {

class FakeChannel : public DebugChannel {
 public:
  bool atom = false;
  bool viewer = false;
  std::string viewerText;
  std::vector<std::string> debugger;
  int presenceChecks = 0;

  bool AtomExists(const char* name) override {
    ++presenceChecks;
    return atom && std::string(name) == "ENABLE_DEBUG_OUTPUT";
  }
  bool FindViewer(const char* windowClass, const char* title) override {
    ++presenceChecks;
    return viewer && std::string(windowClass) == "#32770" && std::string(title) == "Halvang-DBWIN";
  }
  std::string ViewerText(int id) override { return id == 101 ? viewerText : "?"; }
  void SetViewerText(int id, const std::string& text) override {
    if (id == 101) viewerText = text;
  }
  void DebugString(const std::string& text) override { debugger.push_back(text); }
};

class OsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = SetDebugChannel(&channel_);
    ResetDebugOutputStarted();
  }
  void TearDown() override { SetDebugChannel(previous_); }

  FakeChannel channel_;
  DebugChannel* previous_ = nullptr;
};

TEST_F(OsTest, SilentWithoutAtomAndViewer) {
  O_S("x");
  O_S(5);
  O_S("CLEAR");
  EXPECT_TRUE(channel_.debugger.empty());
  EXPECT_EQ(channel_.viewerText, "");
  EXPECT_EQ(channel_.presenceChecks, 6);  // two checks a call, nothing else
}

TEST_F(OsTest, LineForms) {
  channel_.viewer = true;
  struct Case {
    const char* what;
    std::function<void()> call;
    std::string want;  // the line; "@" stands for the location prefix "PROC: <fn> Zeile:<n>"
  } cases[] = {
      {"text without value", [] { O_S("x"); }, "-> x >NIL<\r\n"},
      {"text trimmed, value as is", [] { O_S("  x  ", TraceValue(" v ")); }, "-> x > v <\r\n"},
      {"number value", [] { O_S("n", TraceValue(12)); }, "-> n >12<\r\n"},
      {"logical and date",
       [] {
         O_S(true, TraceValue(Date{2026, 3, 7}));
       },
       "-> .T. >07.03.2026<\r\n"},
      {"callback and object", [] { O_S("cb", TraceValue(TraceCodeblock{})); },
       "-> cb >Codeblock<\r\n"},
      {"object", [] { O_S("o", TraceValue(TraceObject{})); }, "-> o >Object<\r\n"},
      {"list value",
       [] {
         O_S("a", TraceValue(TraceValue::List{1, "b"}));
       },
       "-> a >1: 1 | 2: b | <\r\n"},
      {"list as first", [] { O_S(TraceValue(TraceValue::List{1})); },
       "-> Array / Codeblock: 1.Parameter sollte String, Zahl oder NIL sein! >NIL<\r\n"},
      {"number as first", [] { O_S(5); }, "@ -> Wert:          5 >Laenge:         16<\r\n"},
      {"with location", [] { O_S("x", {}, true); }, "@ -> x >NIL<\r\n"},
      {"nothing: where it stands", [] { O_S(); }, "@\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    channel_.viewerText.clear();
    c.call();
    std::string got = channel_.viewerText;
    std::string want = c.want;
    if (want.front() == '@') {
      ASSERT_EQ(got.rfind("PROC: ", 0), 0u) << got;
      size_t zeile = got.find(" Zeile:");
      ASSERT_NE(zeile, std::string::npos) << got;
      size_t end = got.find_first_not_of("0123456789", zeile + 7);
      EXPECT_GT(end, zeile + 7) << "no line number: " << got;
      got = "@" + got.substr(end);
      EXPECT_EQ(got, want);
    } else {
      EXPECT_EQ(got, want);
    }
  }
}

TEST_F(OsTest, ViewerKeepsItsLast5000CharactersAndClears) {
  channel_.viewer = true;
  channel_.viewerText = std::string(4990, 'a') + std::string(20, 'b');
  O_S("x");
  EXPECT_EQ(channel_.viewerText.size(), 5000u + 12u);
  EXPECT_EQ(channel_.viewerText.substr(0, 5000), std::string(4980, 'a') + std::string(20, 'b'));
  EXPECT_EQ(channel_.viewerText.substr(5000), "-> x >NIL<\r\n");

  channel_.viewerText = "short";
  O_S("y");
  EXPECT_EQ(channel_.viewerText, "short-> y >NIL<\r\n");

  O_S("CLEAR");
  EXPECT_EQ(channel_.viewerText, "");
  EXPECT_TRUE(channel_.debugger.empty());  // the viewer wins over the debugger output
}

TEST_F(OsTest, DebuggerOutputIsStartedOnceThenGetsLines) {
  channel_.atom = true;
  O_S("x");
  O_S("CLEAR");
  O_S("y", TraceValue("z"));
  std::vector<std::string> want = {"\x1BL", " \r\n", "-> x >NIL<\r\n", " \r\n", "-> y >z<\r\n"};
  EXPECT_EQ(channel_.debugger, want);
}

TEST(CArray, PrintsNestedListsWithLevels) {
  using L = TraceValue::List;
  struct Case {
    L list;
    std::string want;
  } cases[] = {
      {L{1, "a", L{true}}, "1: 1 | 2: a | \r\n\t3,1: .T."},
      {L{TraceValue{}, false, TraceCodeblock{}, TraceObject{}},
       "1: NIL2: .F.3: Codeblock4: Object"},
      {L{" x ", 2.5, Date{2026, 1, 2}}, "1: x | 2: 2.5 | 3: 02.01.2026 | "},
      {L{L{L{7}}}, "\r\n\t\r\n\t1,1,1: 7 | "},
      {L{}, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(CARRAY(c.list, 0, ""), c.want);
  EXPECT_EQ(CARRAY(L{1}, 2, "p"), "p2,1: 1 | ");
}

}  // namespace
}  // namespace tabrix
