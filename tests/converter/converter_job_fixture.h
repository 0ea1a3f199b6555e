#pragma once
// A converter installation on the in-memory files for the job and engine tests: the program
// folder C:\PROG\ with the country table, the template and the companion table, a product
// folder C:\PRODUKT\, and source tables made to order. Tables go through the real table layer;
// the window side is the scripted FakeConverterUi, the system side the recording fakes.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "converter/converter_job.h"
#include "converter/fake_converter_ui.h"
#include "data/base/error.h"
#include "data/diagnostics/error_platform_fake.h"
#include "data/env/memory_env.h"
#include "data/nettable/nettable.h"
#include "data/table/table_area.h"

namespace tabrix {

inline constexpr char kProgramDir[] = "C:\\PROG\\";
inline constexpr char kProductDir[] = "C:\\PRODUKT\\";
inline constexpr char kSourcePath[] = "C:\\DATEN\\KUNDEN.DBF";

// A clock that moves by `step` seconds at every reading.
class StepClock final : public ConverterClock {
 public:
  double now = 100;
  double step = 0;
  Date today{2026, 12, 10};
  double SteadySeconds() override { return now += step; }
  Date Today() override { return today; }
};

struct CountryRow {
  std::string nameOem;
  std::string muster = " ";
  std::string p1a = " ";
  bool deleted = false;
};

// Target fields by position (the slot table names 2, 4-12, 24, 25, 28, 30); position 1 is a
// number, which no slot offers.
inline std::vector<StructureRow> TemplateRows() {
  std::vector<StructureRow> rows = {
      {"KUNDEN_NR", 'N', 8, 0}, {"FIRMA", 'C', 40, 0},   {"KURZNAME", 'C', 20, 0},
      {"PLZ", 'C', 10, 0},      {"PLZ2", 'C', 10, 0},    {"ORT", 'C', 40, 0},
      {"STRASSE", 'C', 40, 0},  {"TELEFON", 'C', 25, 0}, {"HANDY", 'C', 25, 0},
      {"TELEFAX", 'C', 25, 0},  {"EMAIL", 'C', 60, 0},   {"POSTFACH", 'C', 20, 0},
      {"GEBDAT", 'D', 8, 0},    {"UMSATZ", 'N', 12, 2}};
  for (int i = 15; i <= 23; ++i) rows.push_back({"X" + std::to_string(i), 'C', 10, 0});
  const std::vector<StructureRow> rest = {
      {"SP1", 'C', 40, 0},    {"NAME2", 'C', 40, 0},     {"FSORT", 'C', 40, 0},
      {"SP3", 'C', 25, 0},    {"LAND", 'C', 30, 0},      {"ANWEND1", 'C', 10, 0},
      {"ANREDE", 'C', 20, 0}, {"ANWEND2", 'C', 10, 0},   {"ANLDAT", 'D', 8, 0},
      {"AENDDAT", 'D', 8, 0}, {"BEMERKUNG", 'C', 50, 0}, {"NOTIZ", 'M', 10, 0}};
  rows.insert(rows.end(), rest.begin(), rest.end());
  return rows;
}

// A field of a record read back from a table: its text, and its text without trailing blanks.
inline std::string Text(const std::map<std::string, Value>& record, const std::string& field) {
  const auto it = record.find(field);
  if (it == record.end()) return "<no field>";
  const std::string* s = std::get_if<std::string>(&it->second);
  return s ? *s : "<no text>";
}
inline std::string Trimmed(const std::map<std::string, Value>& record, const std::string& field) {
  std::string s = Text(record, field);
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

class ConverterJobTest : public ::testing::Test {
 protected:
  ConverterJobTest() {
    previousEnv_ = SetTableEnv(env_.get());
    platform_.logWritesAllowed = false;
    handler_.emplace([this](const ErrorObject& e) {
      raised_.push_back(e);
      return ErrorOutcome{ErrorAction::kDefault, {}};
    });
    ui_.settings[{"QZ.ini", "Velarto", "PATH"}] = kProductDir;
    WriteCountries({{"DEUTSCHLAND", " ", "N"}, {"\x99STERREICH", "A", " "}, {"SCHWEIZ"}});
    WriteTable(std::string(kProgramDir) + "Kndstneu.qzf", targetRows_, {});
    // The template comes without its memo file.
    (void)env_->RemoveFile(std::string(kProgramDir) + "Kndstneu.fpt");
    WriteTable(std::string(kProgramDir) + "Adrim2.qzf", {{"GRUPPE", 'C', 10, 0}},
               {{std::string("A")}});
    job_ = std::make_unique<ConverterJob>(ctx_, state_);
    ui_.onFrameClose = [this] { job_->CLOSEALL(); };
  }
  ~ConverterJobTest() override {
    job_.reset();
    CloseAllAreas();
    SelectArea(1);
    SetTableEnv(previousEnv_);
  }

  void WriteTable(const std::string& path, const std::vector<StructureRow>& rows,
                  const std::vector<std::vector<Value>>& records, const std::set<int>& deleted = {},
                  std::string_view driver = "DBFCDX") {
    CreateTable(path, rows, driver);
    if (records.empty()) return;
    AreaSwitch scope(0);
    ASSERT_TRUE(OpenTable(true, driver, path, "", false, false));
    for (size_t r = 0; r < records.size(); ++r) {
      AppendRecord();
      for (size_t f = 0; f < records[r].size(); ++f) {
        PutField(static_cast<int>(f + 1), records[r][f]);
      }
      if (deleted.count(static_cast<int>(r + 1))) MarkDeleted();
    }
    CloseArea();
  }

  void WriteCountries(const std::vector<CountryRow>& countries) {
    std::vector<std::vector<Value>> records;
    std::set<int> deleted;
    for (const CountryRow& c : countries) {
      records.push_back({c.nameOem, c.muster, c.p1a});
      if (c.deleted) deleted.insert(static_cast<int>(records.size()));
    }
    WriteTable(std::string(kProgramDir) + "LAND.qzf",
               {{"LANDN", 'C', 30, 0}, {"MUSTER", 'C', 1, 0}, {"P1A", 'C', 1, 0}}, records, deleted,
               "DBFNTX");
  }

  static std::vector<StructureRow> SourceRows() {
    return {{"NAME", 'C', 30, 0},  {"NAME2", 'C', 30, 0}, {"PLZ", 'C', 8, 0},
            {"ORT", 'C', 30, 0},   {"LAND", 'C', 20, 0},  {"TEL", 'C', 20, 0},
            {"NOTIZ", 'M', 10, 0}, {"UMSATZ", 'N', 12, 2}};
  }

  void WriteSource(const std::vector<std::vector<Value>>& records,
                   const std::set<int>& deleted = {}) {
    WriteTable(kSourcePath, SourceRows(), records, deleted);
  }

  static std::vector<Value> Customer(const std::string& name, const std::string& land,
                                     const std::string& plz = "", const std::string& ort = "") {
    return {name, std::string(), plz, ort, land, std::string(), std::string(), 0.0};
  }

  void OpenJob(bool withLand = true) {
    state_.CQUELLDATEI = kSourcePath;
    ASSERT_TRUE(job_->Open(1)) << ::testing::PrintToString(ui_.log);
    job_->InitDialog();
    state_.SetAssignedSource(2, 1);  // NAME -> Name
    if (withLand) state_.SetAssignedSource(28, 5);
  }

  bool Convert() {
    ui_.ShowProgress();
    return job_->CONVERTQZ();
  }

  // The target's records, every field by name, after the job released the target.
  std::vector<std::map<std::string, Value>> TargetRecords(
      const std::string& path = std::string(kProgramDir) + "Adrim1.dbf") {
    std::vector<std::map<std::string, Value>> out;
    AreaSwitch scope(0);
    if (!OpenTable(true, "DBFCDX", path, "CHECK", true, true)) return out;
    const std::vector<StructureRow> rows = Structure();
    const bool visible = SetDeletedVisible(true);
    for (GoTop(); !AtEnd(); Skip(1)) {
      std::map<std::string, Value> record;
      for (size_t f = 0; f < rows.size(); ++f)
        record[rows[f].name] = GetField(static_cast<int>(f + 1));
      record["_DELETED"] = IsDeleted();
      out.push_back(std::move(record));
    }
    SetDeletedVisible(visible);
    CloseArea();
    return out;
  }

  std::unique_ptr<Env> env_ = NewMemoryEnv();
  Env* previousEnv_ = nullptr;
  FakeErrorSysPlatform platform_;
  ScopedErrorSysPlatform scopedPlatform_{&platform_};
  std::vector<ErrorObject> raised_;
  std::optional<ScopedErrorHandler> handler_;
  FakeConverterUi ui_;
  StepClock clock_;
  ConverterContext ctx_{
      ui_, "Velarto Converter", "C:\\USER\\qz.ini", 5, env_.get(), 9, kProgramDir, &clock_};
  ConverterJobState state_;
  std::unique_ptr<ConverterJob> job_;
  std::vector<StructureRow> targetRows_ = TemplateRows();
};

}  // namespace tabrix
