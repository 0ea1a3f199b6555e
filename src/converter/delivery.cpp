// Delivery of a finished conversion into the product folder.
//
// Two tables travel: the new customer table (Adrim1.dbf with its memo file Adrim1.fpt) and the
// companion Adrim2.qzf (as Adrim2.dbf). A table travels whole or not at all, and never over a
// file that is there already: the product folder may hold the customers of a running
// installation, and a memo file beside another table's data file would give that table wrong
// notes. An index of the same name (.cdx) is removed only where its table was delivered, since
// it would describe the old records. Whatever could not be delivered is told to the user,
// together with where the new table lies.

#include <string>
#include <vector>

#include "converter/converter_job.h"
#include "converter/file_transfer.h"
#include "data/base/error.h"
#include "data/diagnostics/error_log.h"
#include "data/nettable/nettable.h"
#include "data/table/table_area.h"

namespace tabrix {

namespace {

struct FileMove {
  std::string from;
  std::string to;
};

// Copies the files of one table; on any failure removes what this delivery copied.
// Returns "" when delivered, else why not (window text).
std::string DeliverTable(Env& files, const std::vector<FileMove>& moves) {
  for (const FileMove& m : moves) {
    if (files.FileExists(m.to)) return "bereits vorhanden";
  }
  std::vector<std::string> copied;
  for (const FileMove& m : moves) {
    const IoStatus s = CopyNewFile(files, m.from, m.to);
    if (!s.ok()) {
      for (const std::string& path : copied) (void)files.RemoveFile(path);
      ZB_ERRLOG("Datei nicht in den Produktordner kopiert: " + m.to, Value(s.ToString()));
      return s.osCode() == kOsDiskFull ? "kein Platz auf dem Datenträger"
                                       : "kann nicht geschrieben werden";
    }
    copied.push_back(m.to);
  }
  return {};
}

}  // namespace

DeliveryReport ConverterJob::Deliver() {
  DeliveryReport report;
  // The target's last writes must be on disk before it is copied.
  bool committed = true;
  if (target_) {
    ScopedErrorHandler handler([&committed](const ErrorObject& e) {
      committed = false;
      ZB_ERRLOG("Zieldatei kann nicht gesichert werden: " + e.fileName, Value(e.description));
      return ErrorOutcome{ErrorAction::kDefault, {}};
    });
    try {
      EvaluateInArea(target_->Area, [] { CommitArea(); });
    } catch (const ErrorAbandoned&) {
      committed = false;
    }
  }
  CLOSEALL();
  const std::string targetPath = TargetPath();
  if (!committed) {
    Message("Die Zieldatei " + targetPath + " konnte nicht vollständig geschrieben werden.\n" +
            "Es wurde nichts in den Produktordner übertragen.");
    return report;
  }

  const std::string& product = state_.CPRODUKTPFAD;
  const std::string memoPath = ctx_.startDir + kTargetBase + ".fpt";
  std::vector<FileMove> customers = {{targetPath, product + kTargetBase + ".dbf"}};
  if (ctx_.files->FileExists(memoPath))
    customers.push_back({memoPath, product + kTargetBase + ".fpt"});
  std::vector<FileMove> companion = {{ctx_.startDir + kCompanionFile, product + "Adrim2.dbf"}};

  std::vector<std::string> problems;
  for (const auto* table : {&customers, &companion}) {
    const std::string why = DeliverTable(*ctx_.files, *table);
    if (why.empty()) {
      for (const FileMove& m : *table) report.delivered.push_back(m.to);
      const std::string& dbf = table->front().to;
      (void)RemoveIfPresent(*ctx_.files, dbf.substr(0, dbf.size() - 4) + ".cdx");
      continue;
    }
    for (const FileMove& m : *table) {
      report.notDelivered.push_back(m.to);
      problems.push_back("   " + m.to + " (" + why + ")");
    }
  }
  if (!problems.empty()) {
    std::string text =
        "Folgende Dateien wurden nicht in den Produktordner " + product + " übertragen:\n";
    for (const std::string& line : problems) text += line + "\n";
    text += "Vorhandene Dateien im Produktordner wurden nicht verändert.\n";
    text += "Die neue Kundentabelle liegt in " + targetPath + ".";
    Message(text);
  }
  return report;
}

}  // namespace tabrix
