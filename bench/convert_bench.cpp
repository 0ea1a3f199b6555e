// convert_bench: times the conversion engine on a whole source table, with the program's own
// table and error setup (the real files through DefaultEnv(), looked up regardless of case as on
// Windows; the default error handler) and a window side that answers every question at once.
//
//   convert_bench PROGRAM_DIR SOURCE.DBF [--product DIR]
//
// PROGRAM_DIR holds LAND.qzf, Kndstneu.qzf and Adrim2.qzf (a copy of demo/program; Adrim1.* are
// removed by the job itself). The source's fields NAME, NAME2, ANREDE, PLZ, STRASSE, ORT, LAND,
// TELEFON, TELEFAX, EMAIL go to their slots (NAME also to Sortbegriff), BEMERK and UMSATZ to the
// remark, NOTIZ and GEBDAT to the notes; fields the source lacks stay unassigned. With
// --product the finished tables are delivered into DIR afterwards (timed apart).
//
// The window side: message boxes are answered OK (OK/Cancel) or No (Yes/No); the source file
// chooser returns SOURCE.DBF; a country chooser is answered with the first country (so each
// unknown designation is asked once and linked); the replacement-name chooser with
// "kein Ersatzfeld" and its warning confirmed; the protocol closes at once. Every box is
// echoed to stderr.
//
// Prints one line "records=... seconds=... records_per_s=... progress_texts=... pumps=...
// choosers=... peak_rss_kb=..." for bench/convert.sh: the target's records, the time of
// CONVERTQZ alone, the progress renewals and message pumps during it, and what was asked.

#include <dirent.h>
#include <strings.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "converter/converter_job.h"
#include "converter/converter_ui.h"
#include "converter/job_state.h"
#include "data/base/error.h"
#include "data/diagnostics/error_platform.h"
#include "data/diagnostics/errorsys.h"
#include "data/env/file_env.h"
#include "data/nettable/nettable.h"
#include "data/stdlib/profile_text.h"
#include "data/table/table_area.h"

namespace tabrix::bench {
namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

long PeakRssKb() {
  struct rusage u {};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

// Window text (Windows-1252) as UTF-8 for the terminal; line breaks shown as " / ".
std::string Printable(const std::string& ansi) {
  std::string out;
  for (const char ch : ansi) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '\n') {
      out += " / ";
    } else if (c == '\r') {
    } else if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c >= 0xA0) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += '?';
    }
  }
  return out;
}

// The error platform of the program without windows: the built-in one, but the fatal-error box
// and the developer trace go to stderr, so that a failure the default handler ends the program
// with is seen.
class StderrErrorPlatform final : public ErrorSysPlatform {
 public:
  explicit StderrErrorPlatform(ErrorSysPlatform& base) : base_(base) {}
  void ShowMessageBox(const std::string& text, const std::string& caption, unsigned) override {
    std::fprintf(stderr, "error box [%s]: %s\n", Printable(caption).c_str(),
                 Printable(text).c_str());
  }
  void DebugOutput(const std::string& text, const std::optional<std::string>& second) override {
    std::fprintf(stderr, "  %s%s%s\n", text.c_str(), second ? " " : "",
                 second ? second->c_str() : "");
  }
  void EndProgram(int exitCode) override { base_.EndProgram(exitCode); }
  unsigned SetSystemErrorMode(unsigned mode) override { return base_.SetSystemErrorMode(mode); }
  bool ErrorLogWritesAllowed() override { return base_.ErrorLogWritesAllowed(); }
  LocalTime Now() override { return base_.Now(); }
  std::optional<std::string> NetworkUserName() override { return base_.NetworkUserName(); }
  std::string ComputerName() override { return base_.ComputerName(); }
  std::string ProgramPath() override { return base_.ProgramPath(); }
  LocalTime ProgramFileTime() override { return base_.ProgramFileTime(); }
  int64_t FreePhysicalMemoryKb() override { return base_.FreePhysicalMemoryKb(); }
  std::string CurrentDrive() override { return base_.CurrentDrive(); }
  std::string CurrentDirectory() override { return base_.CurrentDirectory(); }
  int64_t FreeDiskBytes() override { return base_.FreeDiskBytes(); }
  std::string OperatingSystem() override { return base_.OperatingSystem(); }
  int CurrentArea() override { return base_.CurrentArea(); }
  std::optional<WorkAreaReport> WorkArea(int area) override { return base_.WorkArea(area); }

 private:
  ErrorSysPlatform& base_;
};

// The real files, found regardless of case, as on the Windows file systems the program runs
// on: the table layer opens tables by their upper-cased names (ZB_NETTABLE), which a
// case-sensitive file system only finds when the whole path is upper case. Each component of a
// path that does not exist as written is looked up in its folder without regard to ASCII case;
// the files themselves are DefaultEnv()'s.
class CaseFoldingEnv final : public Env {
 public:
  explicit CaseFoldingEnv(Env* base) : base_(base) {}
  IoStatus Open(const std::string& fileName, const OpenOptions& options,
                std::unique_ptr<File>* file) override {
    return base_->Open(Resolve(fileName), options, file);
  }
  bool FileExists(const std::string& fileName) override {
    return base_->FileExists(Resolve(fileName));
  }
  IoStatus RemoveFile(const std::string& fileName) override {
    return base_->RemoveFile(Resolve(fileName));
  }
  LocalTime LocalNow() override { return base_->LocalNow(); }
  void SleepFor(std::chrono::milliseconds pause) override { base_->SleepFor(pause); }

 private:
  static std::string Resolve(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) == 0) return path;
    std::string out = path[0] == '/' ? "/" : "";
    size_t pos = path[0] == '/' ? 1 : 0;
    while (pos <= path.size()) {
      size_t end = path.find('/', pos);
      if (end == std::string::npos) end = path.size();
      std::string part = path.substr(pos, end - pos);
      if (!part.empty() && ::stat((out + part).c_str(), &st) != 0) {
        if (DIR* dir = ::opendir(out.empty() ? "." : out.c_str())) {
          while (const dirent* e = ::readdir(dir)) {
            if (::strcasecmp(e->d_name, part.c_str()) == 0) {
              part = e->d_name;
              break;
            }
          }
          ::closedir(dir);
        }
      }
      out += part;
      if (end < path.size()) out += '/';
      pos = end + 1;
    }
    return out;
  }
  Env* base_;
};

// A window side that answers everything at once and counts what the engine asks of it.
class AutoUi final : public ConverterUi {
 public:
  std::string sourcePath;
  std::string productDir;  // QZ.ini [Velarto] PATH; "" when none
  std::function<void()> onFrameClose;

  long messages = 0, fileChoosers = 0, choosers = 0, protocols = 0, progressTexts = 0, pumps = 0,
       closesPosted = 0;
  size_t protocolChars = 0;

  void Beep() override {}

  MessageAnswer ShowMessage(WindowHandle, const std::string& text, const std::string&,
                            MessageButtons buttons) override {
    ++messages;
    std::fprintf(stderr, "box: %s\n", Printable(text).c_str());
    return buttons == MessageButtons::kYesNo ? MessageAnswer::kNo : MessageAnswer::kOk;
  }

  std::optional<std::string> ChooseOpenFile(const FileChooserRequest&) override {
    ++fileChoosers;
    return sourcePath;
  }
  std::optional<std::string> ChooseSaveFile(const FileChooserRequest&) override {
    ++fileChoosers;
    return std::nullopt;
  }
  void HandlePendingMessages() override { ++pumps; }

  // QZ.ini names the product folder; every other settings file is read from the disk (the
  // product's QZX.ini with the slot labels); what is written stays in memory.
  std::string ReadSetting(const std::string& file, const std::string& section,
                          const std::string& key, const std::string& def) override {
    if (const auto it = written_.find({file, section, key}); it != written_.end()) {
      return it->second;
    }
    if (file == "QZ.ini") {
      return section == "Velarto" && key == "PATH" && !productDir.empty() ? productDir : def;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) return def;
    std::ostringstream content;
    content << in.rdbuf();
    return ReadProfileValue(content.str(), section, key).value_or(def);
  }
  void WriteSetting(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& value) override {
    written_[{file, section, key}] = value;
  }

  void ListReplaceRow(WindowHandle, int, int, const std::string&, bool) override {}
  void ListDeleteRow(WindowHandle, int, int) override {}
  void ListAddRow(WindowHandle, int, const std::string&) override {}
  void ListDeleteAllRows(WindowHandle, int) override {}
  void ListSelectRow(WindowHandle, int, int) override {}
  void RefitTargetExtent(WindowHandle) override {}
  void SetCheckBox(WindowHandle, int, bool) override {}

  void PostFrameClose() override { ++closesPosted; }
  void DestroyDialog(WindowHandle) override {}
  void ShowProgress() override { progressShown_ = true; }
  void CloseProgress() override { progressShown_ = false; }
  bool ProgressShown() override { return progressShown_; }
  void SetProgressTexts(const std::string&, const std::string&) override { ++progressTexts; }

  int RunChooser(const ChooserView& view, ChooserEvents& events) override {
    ++choosers;
    std::fprintf(stderr, "chooser: %s\n", Printable(view.labelAnsi).c_str());
    std::optional<int> result;
    if (view.thirdButtonAnsi && *view.thirdButtonAnsi == "kein Ersatzfeld") {
      result = events.OnThirdButton(kChooserHandle);
    } else if (!view.rowsAnsi.empty()) {
      result = events.OnChoose(1);
    }
    if (result) return *result;
    // Not answerable without a user: the frame closes, as with "Abbruch".
    std::fprintf(stderr, "chooser not answered, closing\n");
    if (onFrameClose) onFrameClose();
    return 0;
  }

  void CloseSourceViewer() override {}

  void RunProtocol(ProtocolEvents& events) override {
    ++protocols;
    std::fprintf(stderr, "protocol: %s\n", Printable(events.CountLineAnsi()).c_str());
    // The dialog builds its text when it starts; then "Ende" at once.
    protocolChars +=
        events.BuildTextAnsi([](const std::string& t) { return static_cast<int>(t.size()) * 7; })
            .size();
  }

 private:
  static constexpr WindowHandle kChooserHandle = 77;
  bool progressShown_ = false;
  std::map<std::tuple<std::string, std::string, std::string>, std::string> written_;
};

// The source field of that name (1-based), 0 when the source has none.
int SourceFieldNamed(const ConverterJobState& state, const std::string& name) {
  for (size_t i = 0; i < state.ASSTRUCT.size(); ++i) {
    if (state.ASSTRUCT[i].name == name) return static_cast<int>(i + 1);
  }
  return 0;
}

void Assign(ConverterJobState& state) {
  // Target field numbers of the slot table (job_state.h).
  const std::vector<std::pair<int, const char*>> slots = {
      {2, "NAME"},  {25, "NAME2"},  {30, "ANREDE"},  {4, "PLZ"},    {7, "STRASSE"}, {6, "ORT"},
      {28, "LAND"}, {8, "TELEFON"}, {10, "TELEFAX"}, {11, "EMAIL"}, {24, "NAME"}};
  for (const auto& [target, name] : slots) {
    if (const int s = SourceFieldNamed(state, name); s > 0) state.SetAssignedSource(target, s);
  }
  for (const char* name : {"BEMERK", "UMSATZ"}) {
    if (const int s = SourceFieldNamed(state, name); s > 0) state.ABEMFELDER.push_back(s);
  }
  for (const char* name : {"NOTIZ", "GEBDAT"}) {
    if (const int s = SourceFieldNamed(state, name); s > 0) state.ANOTIZFELDER.push_back(s);
  }
}

int Run(std::string programDir, const std::string& source, std::string productDir) {
  if (!programDir.empty() && programDir.back() != '/') programDir += '/';
  if (!productDir.empty() && productDir.back() != '/') productDir += '/';

  AutoUi ui;
  ui.sourcePath = source;
  ui.productDir = productDir;
  ConverterContext ctx{ui, "Velarto Converter", programDir + "qz_bench.ini"};
  ctx.files = DefaultEnv();
  ctx.frame = 9;
  ctx.startDir = programDir;
  ctx.clock = &SystemConverterClock();
  ConverterJobState state;
  ConverterJob job(ctx, state);
  ui.onFrameClose = [&job] { job.CLOSEALL(); };

  // The source is chosen through the file chooser, as the user picks it.
  const auto openStart = Clock::now();
  if (!job.Open(1)) {
    std::fprintf(stderr, "the job did not open\n");
    return 1;
  }
  job.InitDialog();
  Assign(state);
  const double openSeconds = SecondsSince(openStart);
  const long rssBefore = PeakRssKb();

  ui.ShowProgress();
  const long pumpsBefore = ui.pumps;
  const auto start = Clock::now();
  const bool finished = job.CONVERTQZ();
  const double seconds = SecondsSince(start);
  const long rssAfter = PeakRssKb();

  int64_t records = 0;
  if (finished && job.target())
    records = EvaluateInArea(job.target()->Area, [] { return RecordCount(); });
  double closeSeconds = 0;
  const auto closeStart = Clock::now();
  if (finished && !productDir.empty()) {
    const DeliveryReport report = job.Deliver();
    std::fprintf(stderr, "delivered %zu files, %zu not\n", report.delivered.size(),
                 report.notDelivered.size());
  } else {
    job.CLOSEALL();
  }
  closeSeconds = SecondsSince(closeStart);
  if (!finished) {
    std::fprintf(stderr, "the conversion did not finish\n");
    return 1;
  }
  std::printf(
      "records=%lld seconds=%.4f records_per_s=%.0f open_seconds=%.4f close_seconds=%.4f "
      "progress_texts=%ld pumps=%ld messages=%ld file_choosers=%ld choosers=%ld links=%zu "
      "protocols=%ld protocol_chars=%zu closes_posted=%ld rss_before_kb=%ld peak_rss_kb=%ld\n",
      static_cast<long long>(records), seconds, static_cast<double>(records) / seconds, openSeconds,
      closeSeconds, ui.progressTexts, ui.pumps - pumpsBefore, ui.messages, ui.fileChoosers,
      ui.choosers, state.ALANDVERKN.size(), ui.protocols, ui.protocolChars, ui.closesPosted,
      rssBefore, std::max(rssAfter, PeakRssKb()));
  return 0;
}

}  // namespace
}  // namespace tabrix::bench

int main(int argc, char** argv) {
  using namespace tabrix;
  // The program's setup: the real files (the job's own through DefaultEnv(), the tables' also
  // through DefaultEnv(), found regardless of case), the default error handler, and an error
  // platform whose box and trace are seen on a terminal.
  bench::CaseFoldingEnv tableFiles(DefaultEnv());
  SetTableEnv(&tableFiles);
  bench::StderrErrorPlatform platform(CurrentErrorSysPlatform());
  ScopedErrorSysPlatform scopedPlatform(&platform);
  ERRORSYS();

  std::string product;
  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--product" && i + 1 < argc) {
      product = argv[++i];
    } else {
      positional.push_back(a);
    }
  }
  if (positional.size() != 2) {
    std::fprintf(stderr, "usage: convert_bench PROGRAM_DIR SOURCE.DBF [--product DIR]\n");
    return 2;
  }
  return bench::Run(positional[0], positional[1], product);
}
