#pragma once
// The converter dialog on the real frame with real converter jobs on the in-memory files: a
// program folder with the country table, the template and the companion table, a product
// folder, the source KUNDEN (five fields, two customers) and another source ANDERE. Boxes and
// file choosers are answered from the test's queues; settings live in a map.

#include <windows.h>

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "converter/converter_dialog_win.h"
#include "converter/converter_job_fixture.h"
#include "converter/frame_fixture_win.h"
#include "converter/win_converter_ui_win.h"
#include "data/diagnostics/error_platform_fake.h"
#include "data/env/memory_env.h"
#include "data/table/table_area.h"

namespace tabrix::testing_support {

// WinConverterUi with its settings in a map (the product's "QZ.ini" is not on this machine).
class MappedSettingsUi : public WinConverterUi {
 public:
  using WinConverterUi::WinConverterUi;
  std::map<std::tuple<std::string, std::string, std::string>, std::string> settings;
  std::string ReadSetting(const std::string& file, const std::string& section,
                          const std::string& key, const std::string& def) override {
    auto it = settings.find({file, section, key});
    return it == settings.end() ? def : it->second;
  }
  void WriteSetting(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& value) override {
    settings[{file, section, key}] = value;
  }
};

struct Box {
  std::string text;
  UINT flags;
};

inline constexpr char kOtherSource[] = "C:\\DATEN\\ANDERE.DBF";

class ConverterDialogTest : public FrameTest {
 protected:
  ConverterDialogTest() {
    jobs_.onConvinit = [this](int offset) { session_.CONVINIT(offset); };
    jobs_.onCloseAll = [this] { session_.CLOSEALL(); };
  }

  void SetUp() override {
    previousEnv_ = SetTableEnv(env_.get());
    errorPlatform_.logWritesAllowed = false;
    handler_.emplace([](const ErrorObject&) { return ErrorOutcome{ErrorAction::kDefault, {}}; });
    ui_.settings[{"QZ.ini", "Velarto", "PATH"}] = kProductDir;
    WriteTable(std::string(kProgramDir) + "LAND.qzf",
               {{"LANDN", 'C', 30, 0}, {"MUSTER", 'C', 1, 0}, {"P1A", 'C', 1, 0}},
               {{std::string("DEUTSCHLAND"), std::string(" "), std::string("N")},
                {std::string("SCHWEIZ"), std::string(" "), std::string(" ")}},
               "DBFNTX");
    WriteTable(std::string(kProgramDir) + "Kndstneu.qzf", TemplateRows(), {});
    (void)env_->RemoveFile(std::string(kProgramDir) + "Kndstneu.fpt");
    WriteTable(std::string(kProgramDir) + "Adrim2.qzf", {{"GRUPPE", 'C', 10, 0}},
               {{std::string("A")}});
    WriteTable(kSourcePath,
               {{"NAME", 'C', 30, 0},
                {"NAME2", 'C', 30, 0},
                {"PLZ", 'C', 8, 0},
                {"ORT", 'C', 30, 0},
                {"LAND", 'C', 20, 0}},
               {{std::string("MEIER"), std::string(), std::string("12345"), std::string("BERLIN"),
                 std::string("Deutschland")},
                {std::string("HUBER"), std::string(), std::string("8000"), std::string("Z\x81RICH"),
                 std::string("Schweiz")}});
    WriteTable(kOtherSource, {{"FIRMA", 'C', 40, 0}, {"STADT", 'C', 30, 0}},
               {{std::string("X"), std::string("Y")}});
    FrameTest::SetUp();
    cctx_.frame = cctx_.chooserOwner = ToWindowHandle(frame());
  }

  void TearDown() override {
    FrameTest::TearDown();
    CloseAllAreas();
    SelectArea(1);
    SetTableEnv(previousEnv_);
  }

  void WriteTable(const std::string& path, const std::vector<StructureRow>& rows,
                  const std::vector<std::vector<Value>>& records,
                  std::string_view driver = "DBFCDX") {
    CreateTable(path, rows, driver);
    AreaSwitch scope(0);
    ASSERT_TRUE(OpenTable(true, driver, path, "", false, false));
    for (const auto& record : records) {
      AppendRecord();
      for (size_t f = 0; f < record.size(); ++f) PutField(static_cast<int>(f + 1), record[f]);
    }
    CloseArea();
  }

  // Opens the first job on the source KUNDEN, as the frame's WM_USER does.
  HWND OpenJob() {
    state_.CQUELLDATEI = kSourcePath;
    SendMessageA(frame(), kOpenJobMessage, 0, 0);
    return session_.Dialog();
  }

  static void Click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
  static void Select(HWND dialog, int list, int row) {
    HWND box = GetDlgItem(dialog, list);
    SendMessageA(box, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(list, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(box));
  }
  static void DoubleClick(HWND dialog, int list) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(list, LBN_DBLCLK),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, list)));
  }
  static std::vector<std::string> Rows(HWND dialog, int list) {
    std::vector<std::string> rows;
    HWND box = GetDlgItem(dialog, list);
    for (LRESULT i = 0, n = SendMessageA(box, LB_GETCOUNT, 0, 0); i < n; ++i) {
      std::string text(static_cast<size_t>(SendMessageA(box, LB_GETTEXTLEN, i, 0)) + 1, '\0');
      const LRESULT got = SendMessageA(box, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
      text.resize(got > 0 ? static_cast<size_t>(got) : 0);
      rows.push_back(text);
    }
    return rows;
  }
  static std::string FirstColumn(const std::string& row) { return row.substr(0, row.find('\t')); }
  static bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

  std::unique_ptr<Env> env_ = NewMemoryEnv();
  Env* previousEnv_ = nullptr;
  FakeErrorSysPlatform errorPlatform_;
  ScopedErrorSysPlatform scopedPlatform_{&errorPlatform_};
  std::optional<ScopedErrorHandler> handler_;
  ConverterJobState state_;
  std::vector<Box> boxes_;
  std::deque<int> boxAnswers_;  // per question box; OK boxes answer IDOK
  std::vector<PlainFileChooser> choosers_;
  std::deque<std::optional<std::string>> chosen_;
  MappedSettingsUi ui_{
      ctx_, state_,
      WinConverterUi::Platform{
          .messageBox =
              [this](HWND, const std::string& text, const std::string&, UINT flags) {
                boxes_.push_back({text, flags});
                if ((flags & MB_TYPEMASK) == MB_OK || boxAnswers_.empty()) return IDOK;
                const int a = boxAnswers_.front();
                boxAnswers_.pop_front();
                return a;
              },
          .fileChooser =
              [this](const PlainFileChooser& request) {
                choosers_.push_back(request);
                if (chosen_.empty()) return std::optional<std::string>();
                std::optional<std::string> c = chosen_.front();
                chosen_.pop_front();
                return c;
              },
      }};
  StepClock clock_;
  ConverterContext cctx_{
      ui_, "Velarto Converter", "C:\\USER\\qz.ini", 0, env_.get(), 0, kProgramDir, &clock_};
  ConverterSession session_{ctx_, cctx_, state_};
};

}  // namespace tabrix::testing_support
