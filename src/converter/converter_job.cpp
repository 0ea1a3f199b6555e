#include "converter/converter_job.h"

#include "converter/assignment_file.h"
#include "converter/assignment_ops.h"
#include "converter/country_link_file.h"
#include "converter/file_names.h"
#include "converter/file_transfer.h"
#include "converter/small_file.h"
#include "data/base/error.h"
#include "data/diagnostics/error_log.h"
#include "data/formats/dbf_header.h"
#include "data/nettable/nettable.h"
#include "data/table/table_area.h"
#include "data/table/table_create.h"

namespace tabrix {

namespace {

constexpr char kSaveAssignmentsQuestion[] = "Wollen Sie die Zuweisungen Speichern?";

std::vector<FieldDescription> StructureOfArea(int area) {
  std::vector<FieldDescription> fields;
  for (const StructureRow& row : EvaluateInArea(area, [] { return Structure(); })) {
    fields.push_back(
        {row.name, row.type, static_cast<int>(row.length), static_cast<int>(row.decimals)});
  }
  return fields;
}

// Why a table of the job could not be opened, for the user.
std::string OpenFailureReason(const ZB_NETTABLE& table) {
  if (table.nOsCode == kOsSharingViolation) {
    return "Sie wird von einem anderen Programm exklusiv benutzt.";
  }
  if (table.nOsCode == kOsAccessDenied) return "Der Zugriff auf die Datei wurde verweigert.";
  return "Sie ist beschädigt oder keine dBASE-Tabelle.";
}

// The records an export promises in its header against the complete records it holds: an
// export cut short (a copy that broke off) is read as far as it goes, and the user must know
// that records are missing. Nothing when the header cannot be read or nothing is missing.
std::optional<std::pair<uint32_t, uint32_t>> MissingRecords(Env& files, const std::string& path) {
  uint64_t size = 0;
  if (!SizeOfFile(files, path, &size).ok()) return std::nullopt;
  const std::optional<std::string> head = ReadFilePrefix(files, path, 0xFFFF);
  if (!head) return std::nullopt;
  const Result<DbfHeader> header = ParseDbfHeader(
      std::span(reinterpret_cast<const uint8_t*>(head->data()), head->size()), size, path);
  if (!header) return std::nullopt;
  const DbfHeader& h = header.value();
  if (h.recordCount >= h.headerRecordCount) return std::nullopt;
  return std::pair(h.headerRecordCount, h.recordCount);
}

// Closing runs at the end of every path, also after a failure of the files: a table that can
// no longer be written is logged and closed, never the reason to end the program.
void ReleaseQuietly(std::shared_ptr<ZB_NETTABLE>& table) {
  if (!table) return;
  ScopedErrorHandler soft([](const ErrorObject& e) {
    ZB_ERRLOG("Fehler beim Schließen der Tabelle " + e.fileName, Value(e.description));
    return ErrorOutcome{ErrorAction::kDefault, {}};
  });
  try {
    table->Axit();
  } catch (const ErrorAbandoned&) {
  }
  table.reset();
}

}  // namespace

ConverterJob::ConverterJob(ConverterContext& ctx, ConverterJobState& state)
    : ctx_(ctx), state_(state) {}

ConverterJob::~ConverterJob() {
  ReleaseTables();
}

void ConverterJob::Message(const std::string& textAnsi) {
  ctx_.ui.Beep();
  ctx_.ui.ShowMessage(ctx_.frame, textAnsi, ctx_.appName, MessageButtons::kOk);
}

bool ConverterJob::CheckReferenceFiles() {
  if (!ctx_.files->FileExists(ctx_.startDir + kCountryTableFile)) {
    Message("Kann die Datei " + ctx_.startDir + "LAND.qzf nicht öfnen!");
    return false;
  }
  if (!ctx_.files->FileExists(ctx_.startDir + kTemplateFile)) {
    Message("Kann die Datei " + ctx_.startDir + "KNDSTNEU.QZF nicht öfnen!");
    return false;
  }
  return true;
}

// The target of the last job goes before the template is copied again. Its index goes too: it
// would describe records of the old table. A file that cannot be removed stops the job, since
// the copy never replaces a file and the new job would otherwise fill the old table.
bool ConverterJob::RemoveOldTarget() {
  for (const char* ext : {".dbf", ".fpt", ".cdx"}) {
    const std::string path = ctx_.startDir + kTargetBase + ext;
    const IoStatus s = RemoveIfPresent(*ctx_.files, path);
    if (s.ok()) continue;
    ZB_ERRLOG("Alte Zieldatei kann nicht gelöscht werden: " + path, Value(s.ToString()));
    Message("Die Datei " + path + " einer früheren Konvertierung kann nicht gelöscht werden!\n" +
            "Sie ist schreibgeschützt oder wird von einem anderen Programm benutzt.\n" +
            "Bitte schließen Sie das Programm oder entfernen Sie den Schreibschutz und " +
            "starten Sie die Konvertierung erneut.");
    return false;
  }
  return true;
}

// The open chooser for a source table, starting in the folder of the last one chosen.
FileChooserRequest ConverterJob::SourceChooser() {
  FileChooserRequest request;
  request.owner = ctx_.chooserOwner;
  request.filters = {{ctx_.appName + " Quell-Datei (*.DBF)", "*.DBF"}};
  request.flags = kOpenChooserFlags;
  request.initialDir = ctx_.ui.ReadSetting(ctx_.settingsFile, kSettingsSection, "LASTPATH", "");
  request.defaultExt = "*.DBF";
  return request;
}

bool ConverterJob::ChooseSource() {
  ConverterUi& ui = ctx_.ui;
  const std::optional<std::string> chosen = ui.ChooseOpenFile(SourceChooser());
  if (chosen && !chosen->empty()) {
    state_.CQUELLDATEI = *chosen;
    ui.WriteSetting(ctx_.settingsFile, kSettingsSection, "LASTPATH", FolderOfPath(*chosen));
  }
  ui.HandlePendingMessages();
  return chosen && !chosen->empty() && ctx_.files->FileExists(*chosen);
}

bool ConverterJob::PrepareAndOpenTables() {
  const std::string target = TargetPath();
  // The copy never replaces a file; the old target is gone by now.
  const IoStatus copied = CopyNewFile(*ctx_.files, ctx_.startDir + kTemplateFile, target);
  int failedOsCode = copied.ok() ? kOsOk : copied.osCode();
  std::string failure = copied.ok() ? std::string() : copied.ToString();
  if (copied.ok()) {
    // The template declares the notes field but comes without memo file.
    const MemoFileStatus memo = CreateMissingMemoFile(ctx_.files, target);
    if (memo.outcome == MemoFileOutcome::kFailed) {
      failedOsCode = memo.error->osCode;
      failure = memo.error->description + " " + memo.error->fileName;
      failedOsCode = failedOsCode == kOsOk ? kOsGeneralFailure : failedOsCode;
    }
  }
  if (failedOsCode != kOsOk) {
    ZB_ERRLOG("Zieldatei kann nicht angelegt werden: " + target, Value(failure));
    Message("Die Zieldatei " + target + " kann nicht angelegt werden!\n" +
            (failedOsCode == kOsDiskFull
                 ? std::string("Der Datenträger ist voll.")
                 : "Bitte prüfen Sie die Schreibrechte im Programmordner."));
    return false;
  }

  // The source is only read: opened read-only, an export on a write-protected medium works.
  NetTableArgs sourceArgs;
  sourceArgs.fileName = state_.CQUELLDATEI;
  sourceArgs.readOnly = true;
  source_ = ZB_NETTABLE::New(sourceArgs);
  // The target is the job's own copy of the template in the program's folder: opened
  // exclusively, so that its appends need neither locks nor header updates per record.
  NetTableArgs targetArgs;
  targetArgs.fileName = ctx_.startDir + kTargetBase;
  targetArgs.shared = false;
  if (source_->lOK) target_ = ZB_NETTABLE::New(targetArgs);
  const bool opened = source_->lOK && target_ && target_->lOK;
  if (!opened) {
    const bool sourceFailed = !source_->lOK;
    const std::string failedPath = sourceFailed ? state_.CQUELLDATEI : target;
    const std::string reason = OpenFailureReason(sourceFailed ? *source_ : *target_);
    ReleaseTables();
    state_.CQUELLDATEI.clear();
    Message("Die Datei " + failedPath + " kann nicht geöffnet werden!\n" + reason);
    return false;
  }
  state_.ASSTRUCT = StructureOfArea(source_->Area);
  state_.AZIELSTRUCT = StructureOfArea(target_->Area);
  if (const auto missing = MissingRecords(*ctx_.files, state_.CQUELLDATEI)) {
    Message("Die Quell-Datei " + state_.CQUELLDATEI + " ist unvollständig!\n" +
            "Laut Dateikopf enthält sie " + std::to_string(missing->first) +
            " Datensätze, vorhanden sind nur " + std::to_string(missing->second) + ".\n" +
            "Es werden nur die vorhandenen Datensätze konvertiert.");
  }
  return true;
}

bool ConverterJob::Open(int restartOffset) {
  if (!CheckReferenceFiles() || !RemoveOldTarget()) {
    ctx_.ui.PostFrameClose();
    return false;
  }
  if (state_.CQUELLDATEI.empty() && !ChooseSource()) {
    ctx_.ui.PostFrameClose();
    return false;
  }
  if (state_.CQUELLDATEI.empty() || !ctx_.files->FileExists(state_.CQUELLDATEI)) {
    Message("Quell-Datei " + state_.CQUELLDATEI + " existiert nicht!");
    ctx_.ui.PostFrameClose();
    return false;
  }
  if (!PrepareAndOpenTables()) {
    ctx_.ui.PostFrameClose();
    return false;
  }
  restartOffset_ = restartOffset;
  return true;
}

DialogStart ConverterJob::InitDialog() {
  ConverterUi& ui = ctx_.ui;
  // The product folder and the two labels are read at every start of the dialog; the labels
  // name rows of the target list, so they come first.
  state_.CPRODUKTPFAD = ui.ReadSetting("QZ.ini", "Velarto", "PATH", "");
  ReadSlotLabels(ui, state_);
  DialogStart start;
  start.rows = ResetForNewJob(state_);
  state_.CQUELLNAME = SourceBaseName(state_.CQUELLDATEI);
  start.sourceCaptionAnsi = state_.CQUELLNAME + " Felder:";
  start.viewerBoxAnsi = state_.CQUELLNAME + ".DBF anzeigen";
  start.doubleClickFinal = state_.LDOPPELKLICK;
  start.hintOnLonger = state_.LHINWEIS;
  return start;
}

bool ConverterJob::ChooseOtherSource() {
  if (restartOffset_ == 0) return false;
  ConverterUi& ui = ctx_.ui;
  const std::optional<std::string> chosen = ui.ChooseOpenFile(SourceChooser());
  const bool picked = chosen && !chosen->empty();
  if (picked)
    ui.WriteSetting(ctx_.settingsFile, kSettingsSection, "LASTPATH", FolderOfPath(*chosen));
  ui.HandlePendingMessages();
  if (!picked || state_.LGESCHLOSSEN) return false;
  state_.CQUELLDATEI = *chosen;
  return true;
}

bool ConverterJob::Convert(WindowHandle dialog) {
  if (!ReadyToConvert(ctx_, state_, ctx_.frame)) return false;
  ctx_.ui.DestroyDialog(dialog);
  ctx_.ui.ShowProgress();
  if (CONVERTQZ()) Deliver();
  ctx_.ui.PostFrameClose();
  return true;
}

bool ConverterJob::Leave() {
  if (!state_.LZUWGESICHERT) {
    if (ctx_.ui.ShowMessage(ctx_.frame, kSaveAssignmentsQuestion, ctx_.appName,
                            MessageButtons::kYesNo) == MessageAnswer::kYes) {
      if (!ZUWSAVE(ctx_, state_, ctx_.frame)) return false;
    } else {
      state_.LZUWGESICHERT = true;
    }
  }
  ctx_.ui.PostFrameClose();
  return true;
}

void ConverterJob::ReleaseTables() {
  // No viewer may show a table that is gone.
  if (source_) ctx_.ui.CloseSourceViewer();
  ReleaseQuietly(target_);
  ReleaseQuietly(source_);
}

void ConverterJob::CLOSEALL() {
  ctx_.ui.CloseSourceViewer();
  if (!state_.LGESCHLOSSEN) {
    // Marked first: the questions below pump messages, and a second close arriving meanwhile
    // must not ask them again.
    state_.LGESCHLOSSEN = true;
    if (!state_.LZUWGESICHERT &&
        ctx_.ui.ShowMessage(ctx_.frame, kSaveAssignmentsQuestion, ctx_.appName,
                            MessageButtons::kYesNo) == MessageAnswer::kYes) {
      ZUWSAVE(ctx_, state_, ctx_.frame);
    }
    if (!state_.LLANDGESICHERT) SAVELANDZUW(ctx_, state_, ctx_.frame, false);
  }
  // Also when the job never reached its dialog: whatever is open is released.
  ReleaseTables();
}

}  // namespace tabrix
