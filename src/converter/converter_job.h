#pragma once
// A converter job, from the choice of the source table to CLOSEALL: the files it works on in
// the program's folder, the two open tables, the converter dialog's commands that are more
// than one assignment rule, the conversion and the delivery into the product folder.
//
// Files in the program's folder (ctx.startDir):
//   LAND.qzf       country table, must exist, never written
//   Kndstneu.qzf   structure template of the customer table, must exist, never written
//   Adrim1.dbf     the target: deleted at each job start and made anew as a copy of the
//                  template; Adrim1.fpt (its memo file) likewise, made empty when the template
//                  declares memo fields
//   Adrim2.qzf     companion table, delivered unchanged as Adrim2.dbf
// The product folder (CPRODUKTPFAD, from "QZ.ini") receives Adrim1.dbf, Adrim1.fpt and
// Adrim2.dbf after a finished conversion; nothing already there is overwritten or removed
// unless it belongs to a table that was delivered (see Deliver).
//
// The window side creates and destroys the dialogs; everything else runs here, against
// ConverterUi, so the rules are tested without windows.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "converter/converter_ui.h"
#include "converter/job_state.h"

namespace tabrix {

class ZB_NETTABLE;

// Names of the files in the program's folder and the product folder.
inline constexpr char kCountryTableFile[] = "LAND.qzf";
inline constexpr char kTemplateFile[] = "Kndstneu.qzf";
inline constexpr char kCompanionFile[] = "Adrim2.qzf";
inline constexpr char kTargetBase[] = "Adrim1";

// What the converter dialog shows when it starts (WM_INITDIALOG).
struct DialogStart {
  InitialListRows rows;
  std::string sourceCaptionAnsi;  // control 110: CQUELLNAME + " Felder:"
  std::string viewerBoxAnsi;      // check box 116: CQUELLNAME + ".DBF anzeigen"
  bool doubleClickFinal = true;   // check box 113
  bool hintOnLonger = true;       // check box 114
};

// What a delivery did, file by file.
struct DeliveryReport {
  std::vector<std::string> delivered;     // product-folder paths written
  std::vector<std::string> notDelivered;  // product-folder paths left as they were
};

class ConverterJob {
 public:
  ConverterJob(ConverterContext& ctx, ConverterJobState& state);
  ~ConverterJob();
  ConverterJob(const ConverterJob&) = delete;
  ConverterJob& operator=(const ConverterJob&) = delete;

  // CONVINIT without the dialog: checks the reference files, removes the old target, asks for
  // the source table when none is chosen yet, copies the template, opens source and target
  // and reads both structures. True when the job is open and the converter dialog may be
  // created; false when it did not open (then the frame's close has been posted, after a
  // message where one is due).
  bool Open(int restartOffset);

  // WM_INITDIALOG steps 2-8: the job state to its initial values, product folder and slot
  // labels read, and what the dialog shows.
  DialogStart InitDialog();

  // Command 109 "Datenbank öffnen": asks for another source table. True when one was chosen:
  // then CQUELLDATEI names it and the restart (WM_USER + restart offset) is due.
  bool ChooseOtherSource();
  int restartOffset() const { return restartOffset_; }

  // Command 103 "Konvertieren": the readiness check; then the dialog is destroyed, the
  // progress dialog shown, the conversion run, the target delivered when it finished, and the
  // frame's close posted. Returns false when the readiness check kept the dialog.
  bool Convert(WindowHandle dialog);

  // Command 104 "Abbruch": offers to save unsaved assignments. True when the frame's close was
  // posted; false when the user agreed to save but no file was written (the dialog stays).
  bool Leave();

  // Ends the job once: offers to save unsaved assignments and country links, releases target
  // and source. Nothing on a later call.
  void CLOSEALL();

  // The conversion engine: fills the target from the source. True when the source was worked
  // through to its end; false when the country table did not open, the program is being
  // closed, or a table failure stopped it (after a message).
  bool CONVERTQZ();

  // Commits the target, CLOSEALL, and copies the finished tables into the product folder.
  DeliveryReport Deliver();

  // The open tables (nullptr when not open).
  ZB_NETTABLE* source() const { return source_.get(); }
  ZB_NETTABLE* target() const { return target_.get(); }
  std::string TargetPath() const { return ctx_.startDir + kTargetBase + ".dbf"; }

 private:
  bool CheckReferenceFiles();
  bool RemoveOldTarget();
  FileChooserRequest SourceChooser();
  bool ChooseSource();
  bool PrepareAndOpenTables();
  void ReleaseTables();
  void Message(const std::string& textAnsi);

  ConverterContext& ctx_;
  ConverterJobState& state_;
  int restartOffset_ = 0;
  std::shared_ptr<ZB_NETTABLE> source_;
  std::shared_ptr<ZB_NETTABLE> target_;
};

}  // namespace tabrix
