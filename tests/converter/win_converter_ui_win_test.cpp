// WinConverterUi on the real frame: the choosers and the protocol against scripted events and
// a scripted user, the protocol's edit area, the progress dialog, the converter dialog's list
// rows and horizontal extent, boxes, file choosers, settings and the frame's close request.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "converter/choosers.h"
#include "converter/frame_fixture_win.h"
#include "converter/list_rows.h"
#include "converter/scripted_user_win.h"
#include "converter/win_converter_ui_win.h"

namespace tabrix::testing_support {
namespace {

namespace fs = std::filesystem;

// Chooser events that record the calls and answer from queues (nullopt: stay open).
class ScriptedChooserEvents : public ChooserEvents {
 public:
  std::vector<std::string> calls;
  std::deque<std::optional<int>> chooseAnswers, thirdAnswers;
  std::vector<WindowHandle> thirdOwners;

  std::optional<int> OnChoose(int row) override {
    calls.push_back("choose " + std::to_string(row));
    return Next(chooseAnswers);
  }
  std::optional<int> OnThirdButton(WindowHandle chooser) override {
    calls.push_back("third");
    thirdOwners.push_back(chooser);
    return Next(thirdAnswers);
  }

 private:
  static std::optional<int> Next(std::deque<std::optional<int>>& answers) {
    if (answers.empty()) return std::nullopt;
    std::optional<int> a = answers.front();
    answers.pop_front();
    return a;
  }
};

class ScriptedProtocolEvents : public ProtocolEvents {
 public:
  std::string countLine = "Es wurden 7 Datens\xE4tze konvertiert.";
  std::vector<std::string> measured;
  std::vector<int> widths;
  std::string text = "4, 9, 10";
  std::deque<bool> saveAnswers;
  std::vector<WindowHandle> saveOwners;

  std::string CountLineAnsi() override { return countLine; }
  std::string BuildTextAnsi(const std::function<int(const std::string&)>& widthOf) override {
    for (const std::string& probe : measured) widths.push_back(widthOf(probe));
    return text;
  }
  bool OnSave(WindowHandle dialog) override {
    saveOwners.push_back(dialog);
    if (saveAnswers.empty()) return false;
    bool a = saveAnswers.front();
    saveAnswers.pop_front();
    return a;
  }
};

struct BoxCall {
  HWND owner;
  std::string text, title;
  UINT flags;
};

class WinConverterUiTest : public FrameTest {
 protected:
  void SetUp() override {
    FrameTest::SetUp();
    WinConverterUi::Platform platform;
    platform.messageBox = [this](HWND owner, const std::string& text, const std::string& title,
                                 UINT flags) {
      boxes_.push_back({owner, text, title, flags});
      return boxAnswer_;
    };
    platform.fileChooser = [this](const PlainFileChooser& request) {
      choosers_.push_back(request);
      return chosen_;
    };
    ui_ = std::make_unique<WinConverterUi>(ctx_, state_, platform);
    // Every close ends the "job" by destroying what is current, as CLOSEALL does not, but the
    // frame's close does: the test sees the close through the recording host.
  }
  void TearDown() override {
    ui_.reset();
    FrameTest::TearDown();
  }

  static void Click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
  // Selects a row as the user's click does: the list box moves, the dialog hears of it.
  static void Select(HWND dialog, int row) {
    HWND list = GetDlgItem(dialog, kChooserListId);
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(kChooserListId, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
  }
  static std::vector<std::string> Rows(HWND list) {
    std::vector<std::string> rows;
    const LRESULT n = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
      std::string text(static_cast<size_t>(SendMessageA(list, LB_GETTEXTLEN, i, 0)) + 1, '\0');
      const LRESULT got = SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
      text.resize(got > 0 ? static_cast<size_t>(got) : 0);
      rows.push_back(text);
    }
    return rows;
  }
  // The dialog shown now, as the frame sees it.
  HWND Current() const { return ctx_.D_HWNDLG; }

  ConverterJobState state_;
  std::unique_ptr<WinConverterUi> ui_;
  std::vector<BoxCall> boxes_;
  int boxAnswer_ = IDOK;
  std::vector<PlainFileChooser> choosers_;
  std::optional<std::string> chosen_;
  ScriptedUser user_{&ctx_.D_HWNDLG};
};

// ---- choosers ------------------------------------------------------------------------------

TEST_F(WinConverterUiTest, AChooserWithAThirdButtonShowsItsViewAndAnswersTheChosenRow) {
  ChooserView view;
  view.labelAnsi = "Ersatzfeld f\xFCr Name:";
  view.rowsAnsi = {"KDNAME\t\t30", "STRASSE\t\t35", "ORT\t\t30"};
  view.multiColumn = true;
  view.thirdButtonAnsi = "kein Ersatzfeld";
  ScriptedChooserEvents events;
  events.chooseAnswers = {17};
  HWND seen = nullptr;
  std::vector<std::string> shownRows;
  user_
      .Then([&] {
        seen = Current();
        shownRows = Rows(GetDlgItem(seen, kChooserListId));
        EXPECT_EQ(TextOf(seen), "Liste");  // DIALOG_2
        EXPECT_EQ(TextOf(GetDlgItem(seen, kLabelId)), "Ersatzfeld f\xFCr Name:");
        EXPECT_EQ(TextOf(GetDlgItem(seen, kChooseButtonId)), "Zuweisen");
        EXPECT_EQ(TextOf(GetDlgItem(seen, kThirdButtonId)), "kein Ersatzfeld");
        EXPECT_TRUE(GetWindowLongA(GetDlgItem(seen, kChooserListId), GWL_STYLE) &
                    LBS_OWNERDRAWFIXED);
        EXPECT_TRUE(IsWindowVisible(frame()));
        Select(seen, 1);
      })
      .Then([&] { Click(seen, kChooseButtonId); });
  EXPECT_EQ(ui_->RunChooser(view, events), 17);
  EXPECT_FALSE(user_.TimedOut());
  EXPECT_EQ(shownRows, view.rowsAnsi);
  EXPECT_EQ(events.calls, (std::vector<std::string>{"choose 2"}));
  EXPECT_FALSE(IsWindow(seen));
  EXPECT_EQ(Current(), nullptr);
}

TEST_F(WinConverterUiTest, AChooserWithoutAThirdButtonIsAPlainListWithItsOwnButtonText) {
  ChooserView view;
  view.labelAnsi = "Land f\xFCr \"HOLLAND\":";
  view.rowsAnsi = {"DEUTSCHLAND", "\xD6STERREICH", "SCHWEIZ"};
  view.chooseButtonAnsi = "Verkn\xFCpfen";
  ScriptedChooserEvents events;
  events.chooseAnswers = {3};
  HWND seen = nullptr;
  user_
      .Then([&] {
        seen = Current();
        EXPECT_EQ(TextOf(seen), "DIALOG_5");
        EXPECT_EQ(GetDlgItem(seen, kThirdButtonId), nullptr);
        EXPECT_EQ(TextOf(GetDlgItem(seen, kChooseButtonId)), "Verkn\xFCpfen");
        EXPECT_EQ(TextOf(GetDlgItem(seen, kLabelId)), view.labelAnsi);
        EXPECT_FALSE(GetWindowLongA(GetDlgItem(seen, kChooserListId), GWL_STYLE) &
                     LBS_OWNERDRAWFIXED);
        EXPECT_EQ(Rows(GetDlgItem(seen, kChooserListId)), view.rowsAnsi);
        Select(seen, 2);
      })
      .Then([&] { Click(seen, kChooseButtonId); });
  EXPECT_EQ(ui_->RunChooser(view, events), 3);
  EXPECT_FALSE(user_.TimedOut());
}

TEST_F(WinConverterUiTest, ChoosingNeedsASelectionAndAnAnswerBeforeTheChooserCloses) {
  ChooserView view;
  view.rowsAnsi = {"A", "B", "C", "D"};
  ScriptedChooserEvents events;
  events.chooseAnswers = {std::nullopt, 4};
  HWND seen = nullptr;
  user_
      .Then([&] {
        seen = Current();
        Click(seen, kChooseButtonId);  // nothing selected: nothing happens
      })
      .Then([&] {
        EXPECT_TRUE(IsWindow(seen));
        EXPECT_TRUE(events.calls.empty());
        Select(seen, 3);
        Click(seen, kChooseButtonId);  // the events keep it open
      })
      .Then([&] {
        EXPECT_TRUE(IsWindow(seen));
        // A double click chooses the row under it.
        Select(seen, 3);
        SendMessageA(seen, WM_COMMAND, MAKEWPARAM(kChooserListId, LBN_DBLCLK),
                     reinterpret_cast<LPARAM>(GetDlgItem(seen, kChooserListId)));
      });
  EXPECT_EQ(ui_->RunChooser(view, events), 4);
  EXPECT_FALSE(user_.TimedOut());
  EXPECT_EQ(events.calls, (std::vector<std::string>{"choose 4", "choose 4"}));
}

TEST_F(WinConverterUiTest, SpaceInAMultiColumnChooserActsAsADoubleClick) {
  ChooserView view;
  view.rowsAnsi = {"NAME\t\t30", "ORT\t\t30"};
  view.multiColumn = true;
  ScriptedChooserEvents events;
  events.chooseAnswers = {2};
  HWND seen = nullptr;
  user_.Then([&] {
    seen = Current();
    Select(seen, 1);
    SendMessageA(GetDlgItem(seen, kChooserListId), WM_KEYDOWN, VK_SPACE, 0);
  });
  EXPECT_EQ(ui_->RunChooser(view, events), 2);
  EXPECT_FALSE(user_.TimedOut());
  EXPECT_EQ(events.calls, (std::vector<std::string>{"choose 2"}));
}

TEST_F(WinConverterUiTest, TheThirdButtonAsksTheEventsWithTheChooserAsOwner) {
  ChooserView view;
  view.rowsAnsi = {"DEUTSCHLAND"};
  view.thirdButtonAnsi = "aus Datei";
  ScriptedChooserEvents events;
  events.thirdAnswers = {std::nullopt, 0};
  HWND seen = nullptr;
  user_
      .Then([&] {
        seen = Current();
        Click(seen, kThirdButtonId);
      })
      .Then([&] {
        EXPECT_TRUE(IsWindow(seen));
        Click(seen, kThirdButtonId);
      });
  EXPECT_EQ(ui_->RunChooser(view, events), 0);
  EXPECT_FALSE(user_.TimedOut());
  EXPECT_EQ(events.calls, (std::vector<std::string>{"third", "third"}));
  EXPECT_EQ(events.thirdOwners,
            (std::vector<WindowHandle>{ToWindowHandle(seen), ToWindowHandle(seen)}));
  EXPECT_FALSE(IsWindow(seen));
}

TEST_F(WinConverterUiTest, AbbruchClosesTheProgramAndTheChooserAnswersZero) {
  ChooserView view;
  view.rowsAnsi = {"A"};
  view.thirdButtonAnsi = "kein Ersatzfeld";
  ScriptedChooserEvents events;
  events.chooseAnswers = {1};
  HWND seen = nullptr;
  user_.Then([&] {
    seen = Current();
    Select(seen, 0);
    Click(seen, kCancelButtonId);
  });
  EXPECT_EQ(ui_->RunChooser(view, events), 0);
  EXPECT_FALSE(user_.TimedOut());
  EXPECT_TRUE(events.calls.empty());
  EXPECT_EQ(jobs_.calls, (std::vector<std::string>{"CLOSEALL"}));
  EXPECT_FALSE(IsWindow(seen));
  EXPECT_FALSE(IsWindow(frame()));
  // After the close nothing more is shown.
  ui_->ShowProgress();
  EXPECT_FALSE(ui_->ProgressShown());
  EXPECT_EQ(ui_->RunChooser(view, events), 0);
}

TEST_F(WinConverterUiTest, AnActiveChooserIsTheDialogOfferedKeyboardNavigation) {
  SetForegroundWindow(frame());
  ASSERT_TRUE(PumpUntil([&] { return GetActiveWindow() == frame(); }));
  ChooserView view;
  view.rowsAnsi = {"A", "B"};
  ScriptedChooserEvents events;
  events.chooseAnswers = {1};
  HWND seen = nullptr;
  user_
      .Then([&] {
        seen = Current();
        EXPECT_EQ(app_->hglobal, seen);
        // The frame loses and regains the activation: the chooser follows.
        SendMessageA(frame(), WM_ACTIVATE, WA_INACTIVE, 0);
        EXPECT_EQ(app_->hglobal, nullptr);
        SendMessageA(frame(), WM_ACTIVATE, WA_ACTIVE, 0);
        EXPECT_EQ(app_->hglobal, seen);
        Select(seen, 0);
      })
      .Then([&] { Click(seen, kChooseButtonId); });
  EXPECT_EQ(ui_->RunChooser(view, events), 1);
  EXPECT_EQ(app_->hglobal, nullptr);
}

// ---- protocol ------------------------------------------------------------------------------

TEST_F(WinConverterUiTest, TheProtocolShowsTheCountAndTheTextInItsReplacedEditArea) {
  ScriptedProtocolEvents events;
  events.measured = {"4, ", "4, 9, ", "4, 9, 10, 11, 12, 13, "};
  HWND seen = nullptr;
  user_.Then([&] {
    seen = Current();
    EXPECT_EQ(TextOf(seen), "DIALOG_4");
    EXPECT_EQ(TextOf(GetDlgItem(seen, kLabelId)), events.countLine);
    HWND edit = GetDlgItem(seen, kProtocolEditId);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(TextOf(edit), "4, 9, 10");
    // (The edit control takes WS_BORDER out of its style and draws the border itself.)
    const DWORD style = static_cast<DWORD>(GetWindowLongA(edit, GWL_STYLE));
    EXPECT_EQ(style | WS_BORDER, 1352728644u);
    EXPECT_EQ(SendMessageA(edit, EM_GETLIMITTEXT, 0, 0), 60000);
    EXPECT_EQ(SendMessageA(edit, WM_GETFONT, 0, 0), SendMessageA(seen, WM_GETFONT, 0, 0));
    // The edit area keeps the place of the template's control 101: 8, 36, 159, 29.
    RECT units{8, 36, 8, 36}, size{0, 0, 159, 29};
    MapDialogRect(seen, &units);
    MapDialogRect(seen, &size);
    RECT place{};
    GetWindowRect(edit, &place);
    MapWindowPoints(nullptr, seen, reinterpret_cast<POINT*>(&place), 2);
    EXPECT_EQ(place.left, units.left);
    EXPECT_EQ(place.top, units.top);
    EXPECT_EQ(place.right - place.left, size.right);
    EXPECT_EQ(place.bottom - place.top, size.bottom);
    // Its text store is the instance it was made with.
    const auto instance = GetWindowLongPtrA(edit, GWLP_HINSTANCE);
    EXPECT_NE(instance, 0);
    EXPECT_NE(instance, reinterpret_cast<LONG_PTR>(getInstance()));
    Click(seen, kProtocolEndId);
  });
  ui_->RunProtocol(events);
  EXPECT_FALSE(user_.TimedOut());
  EXPECT_FALSE(IsWindow(seen));
  ASSERT_EQ(events.widths.size(), 3u);
  // Measured in the edit area's font: longer texts are wider.
  EXPECT_GT(events.widths[0], 0);
  EXPECT_GT(events.widths[1], events.widths[0]);
  EXPECT_GT(events.widths[2], events.widths[1]);
}

TEST_F(WinConverterUiTest, LongProtocolLinesWrapInsideTheEditArea) {
  std::vector<int64_t> skipped;
  for (int64_t n = 1000; n < 1400; n += 9) skipped.push_back(n);
  HWND seen = nullptr;
  LRESULT shownLines = 0;
  user_.Then([&] {
    seen = Current();
    HWND edit = GetDlgItem(seen, kProtocolEditId);
    RECT area{};
    GetClientRect(edit, &area);
    shownLines = SendMessageA(edit, EM_GETLINECOUNT, 0, 0);
    for (LRESULT i = 0; i < shownLines; ++i) {
      char line[512] = {};
      *reinterpret_cast<WORD*>(line) = sizeof line - 1;
      const LRESULT n = SendMessageA(edit, EM_GETLINE, i, reinterpret_cast<LPARAM>(line));
      EXPECT_LE(TextWidthIn(edit, std::string(line, static_cast<size_t>(n))), area.right)
          << "line " << i;
    }
    Click(seen, kProtocolEndId);
  });
  // The text as the protocol builds it, measured in the edit area.
  struct Built : ScriptedProtocolEvents {
    std::vector<int64_t> numbers;
    size_t breaks = 0;
    std::string BuildTextAnsi(const std::function<int(const std::string&)>& widthOf) override {
      const std::string text = ProtocolText(numbers, widthOf);
      for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2))
        ++breaks;
      return text;
    }
  } built;
  built.numbers = skipped;
  ui_->RunProtocol(built);
  EXPECT_FALSE(user_.TimedOut());
  EXPECT_GT(built.breaks, 0u);
  EXPECT_GT(static_cast<size_t>(shownLines), built.breaks + 1);  // wrapped inside the area too
}

TEST_F(WinConverterUiTest, SavingTheProtocolClosesItOnlyOnceAFileWasWritten) {
  ScriptedProtocolEvents events;
  events.saveAnswers = {false, true};
  HWND seen = nullptr;
  user_
      .Then([&] {
        seen = Current();
        Click(seen, kProtocolSaveId);
      })
      .Then([&] {
        EXPECT_TRUE(IsWindow(seen));
        Click(seen, kProtocolSaveId);
      });
  ui_->RunProtocol(events);
  EXPECT_FALSE(user_.TimedOut());
  EXPECT_EQ(events.saveOwners,
            (std::vector<WindowHandle>{ToWindowHandle(seen), ToWindowHandle(seen)}));
  EXPECT_FALSE(IsWindow(seen));
}

TEST_F(WinConverterUiTest, TheProtocolEndsWithTheProgramsClose) {
  ScriptedProtocolEvents events;
  user_.Then([&] { ui_->PostFrameClose(); });
  ui_->RunProtocol(events);
  EXPECT_FALSE(user_.TimedOut());
  EXPECT_FALSE(IsWindow(frame()));
  EXPECT_EQ(jobs_.calls, (std::vector<std::string>{"CLOSEALL"}));
}

TEST_F(WinConverterUiTest, EditfensterReplacesTheEditInPlaceAndTabOrder) {
  HWND dialog = ChildDialog(kProtocolDialog);
  ASSERT_NE(dialog, nullptr);
  HWND old = GetDlgItem(dialog, kProtocolEditId);
  HWND previous = GetWindow(old, GW_HWNDPREV);
  RECT before{};
  GetWindowRect(old, &before);
  HWND edit = EDITFENSTER(dialog, 0);
  ASSERT_NE(edit, nullptr);
  EXPECT_FALSE(IsWindow(old));
  EXPECT_EQ(GetDlgItem(dialog, kProtocolEditId), edit);
  EXPECT_EQ(GetWindow(edit, GW_HWNDPREV), previous);
  RECT after{};
  GetWindowRect(edit, &after);
  EXPECT_TRUE(EqualRect(&before, &after));
  // Holds up to 60000 characters: typing beyond them is cut off.
  std::string text;
  while (text.size() + 100 <= 59995) text += std::string(98, 'x') + "\r\n";
  text += std::string(59995 - text.size(), 'y');
  SetWindowTextA(edit, text.c_str());
  EXPECT_EQ(GetWindowTextLengthA(edit), 59995);
  SendMessageA(edit, EM_SETSEL, 59995, 59995);
  SendMessageA(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>("0123456789"));
  EXPECT_EQ(GetWindowTextLengthA(edit), 60000);
}

// ---- progress ------------------------------------------------------------------------------

TEST_F(WinConverterUiTest, TheProgressDialogBecomesCurrentStartsEmptyAndShowsItsTexts) {
  EXPECT_FALSE(ui_->ProgressShown());
  ui_->SetProgressTexts("MEIER", "1 von 2");  // nothing shown: nothing happens
  ui_->ShowProgress();
  ASSERT_TRUE(ui_->ProgressShown());
  HWND progress = ui_->ProgressDialog();
  EXPECT_EQ(Current(), progress);
  EXPECT_EQ(TextOf(progress), "DIALOG_3");
  EXPECT_EQ(TextOf(GetDlgItem(progress, kProgressNameId)), "");
  EXPECT_EQ(TextOf(GetDlgItem(progress, kProgressCounterId)), "");
  EXPECT_TRUE(IsWindowVisible(frame()));
  ui_->SetProgressTexts("M\xDCLLER", "17 von 250");
  EXPECT_EQ(TextOf(GetDlgItem(progress, kProgressNameId)), "M\xDCLLER");
  EXPECT_EQ(TextOf(GetDlgItem(progress, kProgressCounterId)), "17 von 250");
  ui_->CloseProgress();
  EXPECT_FALSE(ui_->ProgressShown());
  EXPECT_FALSE(IsWindow(progress));
  EXPECT_FALSE(IsWindowVisible(frame()));
  EXPECT_EQ(Current(), nullptr);
}

TEST_F(WinConverterUiTest, AChooserTakesThePlaceOfTheProgressDialogAndANewOneFollows) {
  ui_->ShowProgress();
  HWND first = ui_->ProgressDialog();
  ChooserView view;
  view.rowsAnsi = {"A"};
  ScriptedChooserEvents events;
  events.chooseAnswers = {1};
  user_.Then([&] {
    EXPECT_NE(Current(), first);
    Select(Current(), 0);
    Click(Current(), kChooseButtonId);
  });
  // As the chooser procedures do it.
  ui_->CloseProgress();
  EXPECT_EQ(ui_->RunChooser(view, events), 1);
  ui_->ShowProgress();
  EXPECT_FALSE(IsWindow(first));
  EXPECT_NE(ui_->ProgressDialog(), first);
  EXPECT_EQ(Current(), ui_->ProgressDialog());
}

// ---- the converter dialog's lists -------------------------------------------------------

TEST_F(WinConverterUiTest, ListRowOperationsReplaceDeleteAddAndSelect) {
  HWND dialog = ChildDialog(kConverterDialog);
  ASSERT_NE(dialog, nullptr);
  const WindowHandle d = ToWindowHandle(dialog);
  HWND list = GetDlgItem(dialog, kSourceListId);
  for (const char* row : {"A", "B", "C"}) ui_->ListAddRow(d, kSourceListId, row);
  EXPECT_EQ(Rows(list), (std::vector<std::string>{"A", "B", "C"}));

  struct Case {
    const char* what;
    std::function<void()> act;
    std::vector<std::string> rows;
    int selection;
  };
  const std::vector<Case> cases = {
      {"replace without select",
       [&] { ui_->ListReplaceRow(d, kSourceListId, 1, "b", false); },
       {"A", "b", "C"},
       -1},
      {"replace and select",
       [&] { ui_->ListReplaceRow(d, kSourceListId, 2, "c", true); },
       {"A", "b", "c"},
       2},
      {"select none", [&] { ui_->ListSelectRow(d, kSourceListId, -1); }, {"A", "b", "c"}, -1},
      {"select", [&] { ui_->ListSelectRow(d, kSourceListId, 0); }, {"A", "b", "c"}, 0},
      {"delete", [&] { ui_->ListDeleteRow(d, kSourceListId, 0); }, {"b", "c"}, -1},
      {"add", [&] { ui_->ListAddRow(d, kSourceListId, "D"); }, {"b", "c", "D"}, -1},
      {"delete all", [&] { ui_->ListDeleteAllRows(d, kSourceListId); }, {}, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.act();
    EXPECT_EQ(Rows(list), c.rows);
    EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), c.selection);
  }
  // The other list is untouched.
  EXPECT_EQ(SendMessageA(GetDlgItem(dialog, kTargetListId), LB_GETCOUNT, 0, 0), 0);
}

TEST_F(WinConverterUiTest, TheTargetListScrollsSidewaysAsFarAsTheWiderCompositeRowReaches) {
  HWND dialog = ChildDialog(kConverterDialog);
  ASSERT_NE(dialog, nullptr);
  HWND list = GetDlgItem(dialog, kTargetListId);
  state_.ASSTRUCT = {{"KURZ", 'C', 10, 0},
                     {"EIN_SEHR_LANGER_FELDNAME", 'C', 10, 0},
                     {"NOCH_EIN_LANGER_NAME", 'M', 10, 0},
                     {"X", 'C', 10, 0}};
  struct Case {
    const char* what;
    std::vector<int> remark, notes;
  };
  for (const Case& c : {Case{"empty", {}, {}}, Case{"remark wider", {2, 3, 1}, {4}},
                        Case{"notes wider", {4}, {2, 3}}}) {
    SCOPED_TRACE(c.what);
    state_.ABEMFELDER = c.remark;
    state_.ANOTIZFELDER = c.notes;
    ui_->RefitTargetExtent(ToWindowHandle(dialog));
    const int bem = TextWidthIn(list, STRINGBEM(state_) + "          ");
    const int ntz = TextWidthIn(list, STRINGNTZ(state_) + "          ");
    EXPECT_EQ(SendMessageA(list, LB_GETHORIZONTALEXTENT, 0, 0), std::max(bem, ntz));
    EXPECT_GT(std::max(bem, ntz), TextWidthIn(list, "          "));
  }
}

TEST_F(WinConverterUiTest, CheckBoxesAreSetAndCleared) {
  HWND dialog = ChildDialog(kConverterDialog);
  ASSERT_NE(dialog, nullptr);
  for (int id : {113, 114, 115, 116}) {
    ui_->SetCheckBox(ToWindowHandle(dialog), id, true);
    EXPECT_EQ(IsDlgButtonChecked(dialog, id), static_cast<UINT>(BST_CHECKED));
    ui_->SetCheckBox(ToWindowHandle(dialog), id, false);
    EXPECT_EQ(IsDlgButtonChecked(dialog, id), static_cast<UINT>(BST_UNCHECKED));
  }
}

TEST_F(WinConverterUiTest, DestroyDialogDestroysTheDialogOnly) {
  HWND dialog = ChildDialog(kConverterDialog);
  ui_->DestroyDialog(ToWindowHandle(dialog));
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_TRUE(IsWindow(frame()));
  ui_->DestroyDialog(ToWindowHandle(dialog));  // gone already: nothing
}

// ---- boxes, choosers, settings, pumping, closing ------------------------------------------

TEST_F(WinConverterUiTest, MessageBoxesGetTheirButtonsAndAnswerWhatWasPressed) {
  HWND owner = frame();
  struct Case {
    MessageButtons buttons;
    UINT flags;
    int pressed;
    MessageAnswer answer;
  };
  for (const Case& c :
       {Case{MessageButtons::kOk, MB_OK, IDOK, MessageAnswer::kOk},
        Case{MessageButtons::kOkCancel, MB_OKCANCEL, IDOK, MessageAnswer::kOk},
        Case{MessageButtons::kOkCancel, MB_OKCANCEL, IDCANCEL, MessageAnswer::kCancel},
        Case{MessageButtons::kYesNo, MB_YESNO, IDYES, MessageAnswer::kYes},
        Case{MessageButtons::kYesNo, MB_YESNO, IDNO, MessageAnswer::kNo}}) {
    boxes_.clear();
    boxAnswer_ = c.pressed;
    EXPECT_EQ(ui_->ShowMessage(ToWindowHandle(owner), "Die Datei existiert nicht!",
                               "Velarto Converter", c.buttons),
              c.answer);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].owner, owner);
    EXPECT_EQ(boxes_[0].flags, c.flags);
    EXPECT_EQ(boxes_[0].text, "Die Datei existiert nicht!");
    EXPECT_EQ(boxes_[0].title, "Velarto Converter");
  }
  ui_->ShowMessage(0, "ohne Besitzer", "T", MessageButtons::kOk);
  EXPECT_EQ(boxes_.back().owner, nullptr);
}

TEST_F(WinConverterUiTest, FileChoosersGetTheRequestAndAnswerThePath) {
  FileChooserRequest request;
  request.owner = ToWindowHandle(frame());
  request.initialName = "KUNDEN.TXT";
  request.title = "Zieldatei w\xE4hlen zum Speichern des Protokolls";
  request.filters = {{"Velarto Converter Protokoll speichern (*.TXT)", "*.TXT"}};
  request.flags = kSaveChooserFlags;
  request.initialDir = "C:\\DATEN";
  request.defaultExt = "*.TXT";
  chosen_ = "C:\\DATEN\\KUNDEN.TXT";
  EXPECT_EQ(ui_->ChooseSaveFile(request), chosen_);
  chosen_ = std::nullopt;
  request.title = std::nullopt;
  EXPECT_EQ(ui_->ChooseOpenFile(request), std::nullopt);
  ASSERT_EQ(choosers_.size(), 2u);
  for (size_t i = 0; i < 2; ++i) {
    const PlainFileChooser& got = choosers_[i];
    EXPECT_EQ(got.save, i == 0);
    EXPECT_EQ(got.owner, reinterpret_cast<std::uintptr_t>(frame()));
    EXPECT_EQ(got.initialName, "KUNDEN.TXT");
    ASSERT_EQ(got.filters.size(), 1u);
    EXPECT_EQ(got.filters[0].first, "Velarto Converter Protokoll speichern (*.TXT)");
    EXPECT_EQ(got.filters[0].second, "*.TXT");
    EXPECT_EQ(got.flags, 10244u);
    EXPECT_EQ(got.initialDir, "C:\\DATEN");
    EXPECT_EQ(got.defaultExt, "*.TXT");
  }
  EXPECT_EQ(choosers_[0].title, "Zieldatei w\xE4hlen zum Speichern des Protokolls");
  EXPECT_EQ(choosers_[1].title, std::nullopt);
}

TEST_F(WinConverterUiTest, SettingsAreReadAndWrittenInTheGivenFile) {
  const fs::path dir = fs::path(TABRIX_BINARY_DIR) / "win_converter_ui_test";
  fs::create_directories(dir);
  const std::string file = (dir / "qz.ini").string();
  fs::remove(file);
  EXPECT_EQ(ui_->ReadSetting(file, "Tabrix", "LASTPATH", "vorgabe"), "vorgabe");
  ui_->WriteSetting(file, "Tabrix", "LASTPATH", "C:\\DATEN\\\xC4LTER");
  EXPECT_EQ(ui_->ReadSetting(file, "Tabrix", "LASTPATH", ""), "C:\\DATEN\\\xC4LTER");
  EXPECT_EQ(ui_->ReadSetting(file, "Tabrix", "LASTPATH3", ""), "");
}

TEST_F(WinConverterUiTest, PendingMessagesAreHandledAndTheCloseRequestIsPosted) {
  bool handled = false;
  ScriptedUser other(nullptr);
  other.Then([&] { handled = true; });
  ui_->HandlePendingMessages();
  EXPECT_TRUE(handled);

  ui_->PostFrameClose();
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, frame(), WM_CLOSE, WM_CLOSE, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_CLOSE));
}

}  // namespace
}  // namespace tabrix::testing_support
