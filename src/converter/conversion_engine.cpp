// CONVERTQZ: fills the target "Adrim1" from the source, one target record per source record
// that has a name.
//
// Per visible source record, in record order whatever order controls the source:
//   1. the name: the text form of the field assigned to FIRMA, else (once asked for) of the
//      replacement field; a record whose name stays blank is listed as skipped and nothing of
//      it reaches the target;
//   2. a target record is appended and the assigned slot fields are transferred in their text
//      form (converted to code page 850 when the source is a Windows-ANSI table);
//   3. sort term, country (known name, country link, or the user's choice), postal code out of
//      the city, customer number, telephone digits, users, dates, remark and notes.
// Between records the progress texts are renewed and pending window messages handled, both at
// most every kProgressInterval seconds, so a million records are not slowed down by the
// window system while a close request still gets through within that time.
//
// A failure of the files (a damaged source, a full disk) stops the run with a message and the
// log entry; nothing is delivered then.

#include <cmath>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "converter/choosers.h"
#include "converter/composite_texts.h"
#include "converter/converter_job.h"
#include "converter/country_link_file.h"
#include "converter/country_list.h"
#include "converter/derived_fields.h"
#include "converter/text_form.h"
#include "converter/text_rules.h"
#include "data/base/codepage.h"
#include "data/base/error.h"
#include "data/diagnostics/error_log.h"
#include "data/formats/field_types.h"
#include "data/nettable/nettable.h"
#include "data/stdlib/o_s.h"
#include "data/table/table_area.h"

namespace tabrix {

namespace {

constexpr double kProgressInterval = 0.040;
constexpr char kProgramUser[] = "XYZ";

// Code-page marks of tables whose text is Windows ANSI. The program has only the 1252 table;
// for the other Windows pages it gets the German letters right (ä ö ü ß and their capitals
// share their code points across the Western and Eastern European pages).
bool IsWindowsAnsiMark(uint8_t mark) {
  switch (mark) {
    case 0x03:  // 1252 Windows ANSI
    case 0x57:  // current ANSI
    case 0x58:  // Western European ANSI
    case 0x59:  // Spanish ANSI
    case 0x78:
    case 0x79:
    case 0x7A:
    case 0x7B:
    case 0x7C:
    case 0x7D:
    case 0x7E:
    case 0xC8:
    case 0xC9:
    case 0xCA:
    case 0xCB:
      return true;
    default:
      return false;
  }
}

bool IsTextField(const FieldDescription* f) {
  return f && IsTextType(f->type);
}

// The positions of the target fields the engine names (0 when the template lacks one; such a
// field is then neither read nor written).
struct TargetPositions {
  int firma = 0, land = 0, plz = 0, plz2 = 0, ort = 0, telefon = 0, sp1 = 0, fsort = 0;
  int kundenNr = 0, sp3 = 0, anwend1 = 0, anwend2 = 0, anlDat = 0, aendDat = 0;
  int bemerkung = 0, notiz = 0;
  int firmaWidth = 0;

  static TargetPositions Read(const std::vector<FieldDescription>& target) {
    TargetPositions p;
    auto at = [&](const char* name) {
      for (size_t i = 0; i < target.size(); ++i) {
        if (target[i].name == name) return static_cast<int>(i + 1);
      }
      return 0;
    };
    p.firma = at("FIRMA"), p.land = at("LAND"), p.plz = at("PLZ"), p.plz2 = at("PLZ2");
    p.ort = at("ORT"), p.telefon = at("TELEFON"), p.sp1 = at("SP1"), p.fsort = at("FSORT");
    p.kundenNr = at("KUNDEN_NR"), p.sp3 = at("SP3"), p.anwend1 = at("ANWEND1");
    p.anwend2 = at("ANWEND2"), p.anlDat = at("ANLDAT"), p.aendDat = at("AENDDAT");
    p.bemerkung = at("BEMERKUNG"), p.notiz = at("NOTIZ");
    if (p.firma > 0) p.firmaWidth = target[static_cast<size_t>(p.firma - 1)].length;
    return p;
  }
};

class ConversionRun {
 public:
  ConversionRun(ConverterContext& ctx, ConverterJobState& state, int sourceArea, int targetArea)
      : ctx_(ctx), state_(state), sourceArea_(sourceArea), targetArea_(targetArea) {}
  ~ConversionRun() { ReleaseCountries(); }

  bool Run();

 private:
  bool OpenCountries();
  void ReleaseCountries();
  bool AskDefaultCountry();
  bool ConvertRecord(int64_t recno);
  std::optional<std::string> NameOf(int64_t recno, bool* stop);
  bool MapCountry(int64_t recno, int* country);
  void WriteRecord(int country);

  const Value& Source(int field);
  std::string SourceText(int field);
  std::string TargetText(int position);
  void Put(int position, const Value& value);
  void ShowProgress(const std::string& nameOem, int64_t recno);
  void FlushProgress();
  bool PauseIsDue();
  void ResumeAt(int64_t recno);

  ConverterContext& ctx_;
  ConverterJobState& state_;
  int sourceArea_;
  int targetArea_;
  std::shared_ptr<ZB_NETTABLE> countryTable_;
  CountryList countries_;
  // Designations resolved without asking, as the target's LAND held them: an export repeats a
  // handful of spellings over and over.
  std::unordered_map<std::string, int> resolved_;
  int defaultCountry_ = 0;
  int replacement_ = -1;
  int accepted_ = 0;
  std::vector<int64_t> skipped_;
  std::string counterSuffix_;
  bool ansiSource_ = false;
  TargetPositions target_;
  std::vector<int> slotFields_;  // target positions the assignment fills, in slot order
  Date today_;

  // The source record's values, read once per record and reused across records.
  std::vector<Value> values_;
  std::vector<int64_t> valueRecno_;
  int64_t currentRecno_ = 0;
  Value scratch_;

  // Progress: what the dialog should show, and when it was last renewed.
  std::string progressName_;
  int64_t progressRecno_ = 0;
  bool progressPending_ = false;
  double lastPause_ = -1;
};

bool ConversionRun::OpenCountries() {
  countryTable_ = ZB_NETTABLE::New(ctx_.startDir + kCountryTableFile);
  if (!countryTable_->lOK) {
    countryTable_->Axit();
    countryTable_.reset();
    return false;
  }
  AreaSwitch in(countryTable_->Area);
  const int name = FieldPosition("LANDN");
  const int muster = FieldPosition("MUSTER");
  const int p1a = FieldPosition("P1A");
  auto text = [&](int position) {
    if (position == 0) return std::string();
    const Value v = GetField(position);
    const std::string* s = std::get_if<std::string>(&v);
    return s ? *s : std::string();
  };
  for (GoTop(); !AtEnd(); Skip(1)) {
    countries_.Add({text(name), RecordNumber(), text(muster), text(p1a)});
  }
  return true;
}

// Also runs while a failure unwinds the run: whatever goes wrong now is only defaulted.
void ConversionRun::ReleaseCountries() {
  if (!countryTable_) return;
  ScopedErrorHandler soft([](const ErrorObject&) {
    return ErrorOutcome{ErrorAction::kDefault, {}};
  });
  try {
    countryTable_->Axit();
  } catch (const ErrorAbandoned&) {
  }
  countryTable_.reset();
}

const Value& ConversionRun::Source(int field) {
  static const Value kNone;
  if (field < 1 || field > static_cast<int>(values_.size())) return kNone;
  const size_t i = static_cast<size_t>(field - 1);
  if (valueRecno_[i] != currentRecno_) {
    AreaSwitch in(sourceArea_);
    GetFieldInto(field, &values_[i]);
    if (ansiSource_) {
      if (std::string* s = std::get_if<std::string>(&values_[i])) *s = Ansi1252ToOem850(*s);
    }
    valueRecno_[i] = currentRecno_;
  }
  return values_[i];
}

std::string ConversionRun::SourceText(int field) {
  const FieldDescription* f = state_.SourceField(field);
  if (!f) return {};
  return TextForm(Source(field), *f);
}

std::string ConversionRun::TargetText(int position) {
  if (position == 0) return {};
  GetFieldInto(position, &scratch_);
  const std::string* s = std::get_if<std::string>(&scratch_);
  return s ? *s : std::string();
}

void ConversionRun::Put(int position, const Value& value) {
  if (position > 0) PutField(position, value);
}

void ConversionRun::ShowProgress(const std::string& nameOem, int64_t recno) {
  progressName_.assign(nameOem);
  progressRecno_ = recno;
  progressPending_ = true;
}

void ConversionRun::FlushProgress() {
  if (!progressPending_) return;
  if (ctx_.ui.ProgressShown()) {
    ctx_.ui.SetProgressTexts(Oem850ToAnsi1252(TrimRight(progressName_)),
                             std::to_string(progressRecno_) + counterSuffix_);
  }
  progressPending_ = false;
}

bool ConversionRun::PauseIsDue() {
  const double now = ctx_.clock->SteadySeconds();
  if (lastPause_ >= 0 && now - lastPause_ < kProgressInterval) return false;
  lastPause_ = now;
  return true;
}

// Back on the record in record order, in the source's area.
void ConversionRun::ResumeAt(int64_t recno) {
  if (CurrentOrder() != 0) SetOrder(0);
  GoTo(recno);
}

bool ConversionRun::AskDefaultCountry() {
  defaultCountry_ = LIST4INIT(ctx_, state_, countries_.NamesOem(), "Standard-Land:", std::nullopt);
  if (state_.LABBRUCH) return false;
  // The default country makes no link to save.
  state_.LLANDGESICHERT = true;
  return true;
}

// The record's name as it will stand in FIRMA, or nothing when it stays blank. Asks for the
// replacement field at the first blank name of the run; *stop when the program closed then.
std::optional<std::string> ConversionRun::NameOf(int64_t recno, bool* stop) {
  const int nameField = state_.AssignedSource(target_.firma);
  auto cut = [&](std::string text) {
    if (target_.firmaWidth > 0 && static_cast<int>(text.size()) > target_.firmaWidth) {
      text.resize(static_cast<size_t>(target_.firmaWidth));
    }
    return text;
  };
  std::string name = cut(SourceText(nameField));
  if (!IsEmptyText(name)) return name;
  if (replacement_ == -1) {
    const FieldDescription* f = state_.SourceField(nameField);
    const std::string fieldName = f ? f->name : std::string();
    ShowProgress("", recno);
    FlushProgress();
    ctx_.ui.Beep();
    ctx_.ui.ShowMessage(ctx_.frame,
                        "Das Feld: " + fieldName + ", das dem QZ-Feld NAME\n" +
                            "zugewiesen ist, enthält teilweise keinen Inhalt.\n" +
                            "Bitte wählen Sie ein Ersatzfeld!\n",
                        ctx_.appName, MessageButtons::kOk);
    replacement_ =
        LIST2INIT(ctx_, state_, state_.ASSTRUCT, nameField, "Ersatzfeld für " + fieldName,
                  "kein Ersatzfeld", "Achtung! Datensätze ohne Namen werden nicht übernommen!");
    if (state_.LABBRUCH) {
      *stop = true;
      return std::nullopt;
    }
    EvaluateInArea(sourceArea_, [&] { GoTo(recno); });
  }
  if (replacement_ > 0) name = cut(SourceText(replacement_));
  if (IsEmptyText(name)) return std::nullopt;
  return name;
}

// Maps the target's LAND onto the country list. False when the program closed meanwhile.
bool ConversionRun::MapCountry(int64_t recno, int* country) {
  if (defaultCountry_ > 0) {
    *country = defaultCountry_;
    return true;
  }
  const std::string land = TargetText(target_.land);
  if (const auto known = resolved_.find(land); known != resolved_.end()) {
    *country = known->second;
    return true;
  }
  if (int found = countries_.Find(land); found > 0) {
    *country = resolved_[land] = found;
    return true;
  }
  for (;;) {
    if (const CountryLink* link = FindCountryLink(state_.ALANDVERKN, land, countries_.size())) {
      *country = resolved_[land] = link->position;
      return true;
    }
    // The links may change from here on ("aus Datei" replaces them): resolve afresh.
    resolved_.clear();
    FlushProgress();
    ctx_.ui.Beep();
    std::string label;
    if (!IsEmptyText(land)) {
      ctx_.ui.ShowMessage(ctx_.frame,
                          "Die Länder-Bezeichnung " + Oem850ToAnsi1252(land) + "\n" +
                              "konnte keinem Land zugewiesen werden.\n" +
                              "Bitte wählen Sie aus der folgenden Liste!",
                          ctx_.appName, MessageButtons::kOk);
      label = "Die Bezeichnung " + Oem850ToAnsi1252(TrimRight(land)) + " entspricht:";
    } else {
      ctx_.ui.ShowMessage(ctx_.frame,
                          "Keine Länder-Bezeichnung!\nBitte wählen Sie aus der folgenden Liste!",
                          ctx_.appName, MessageButtons::kOk);
      label = "Land bei keiner Länder-Bezeichnung:";
    }
    const int choice = LIST4INIT(ctx_, state_, countries_.NamesOem(), label, "aus Datei");
    if (state_.LABBRUCH) return false;
    EvaluateInArea(sourceArea_, [&] { GoTo(recno); });
    // 0: a country-link file was loaded instead; its links are searched first.
    if (countries_.Contains(choice)) {
      state_.ALANDVERKN.push_back({land, choice});
      *country = choice;
      return true;
    }
  }
}

// The fields that follow from the country and the other target fields: country name, postal code
// out of the city, customer number, telephone digits, users, dates, remark and notes. Runs in the
// target's area on the record just appended.
void ConversionRun::WriteRecord(int country) {
  const CountryEntry& c = countries_.at(country);
  Put(target_.land, c.nameOem);
  if (state_.LPLZAUSORT) {
    PostalCity pc{TargetText(target_.plz), TargetText(target_.ort)};
    const std::string ort = pc.ort;
    GET_PLZORT(pc);
    if (pc.ort != ort) {
      Put(target_.ort, pc.ort);
      Put(target_.plz, pc.plz);
    }
  }
  const std::string plz = TargetText(target_.plz);
  const std::string plz2 = TargetText(target_.plz2);
  const int number = MAKEKNDNR({plz, plz2, c.muster, c.p1a});
  if (!LockRecord()) O_S("RLOCK, Funktion ConverQZ fehlgeschlagen");
  Put(target_.kundenNr, static_cast<double>(number));
  Put(target_.sp3, TelephoneDigits(TargetText(target_.telefon)));
  Put(target_.anwend1, std::string(kProgramUser));
  Put(target_.anlDat, today_);
  Put(target_.anwend2, std::string(kProgramUser));
  Put(target_.aendDat, today_);
  const SourceFieldReader read = [this](int field) -> const Value& { return Source(field); };
  if (target_.bemerkung > 0)
    Put(target_.bemerkung, RemarkText(state_.ABEMFELDER, state_.ASSTRUCT, read));
  if (target_.notiz > 0) Put(target_.notiz, NotesText(state_.ANOTIZFELDER, state_.ASSTRUCT, read));
}

bool ConversionRun::ConvertRecord(int64_t recno) {
  currentRecno_ = recno;
  bool stop = false;
  const std::optional<std::string> name = NameOf(recno, &stop);
  if (stop) return false;
  if (!name) {
    skipped_.push_back(recno);
    return true;
  }
  ShowProgress(*name, recno);
  AreaSwitch in(targetArea_);
  AppendRecord();
  for (int position : slotFields_) {
    // A text value is its own text form: handed over as it is, without a copy.
    const int field = state_.AssignedSource(position);
    const Value& value = Source(field);
    if (std::holds_alternative<std::string>(value) && state_.SourceField(field)) {
      Put(position, value);
    } else {
      Put(position, SourceText(field));
    }
  }
  Put(target_.firma, *name);
  ++accepted_;
  std::string sortTerm = TargetText(target_.sp1);
  if (IsEmptyText(sortTerm)) {
    Put(target_.sp1, *name);
    sortTerm = TargetText(target_.sp1);
  }
  Put(target_.fsort, FSORT(sortTerm));
  int country = 0;
  if (!MapCountry(recno, &country)) return false;
  WriteRecord(country);
  UnlockArea();
  return true;
}

bool ConversionRun::Run() {
  if (!OpenCountries()) return false;
  today_ = ctx_.clock->Today();
  target_ = TargetPositions::Read(state_.AZIELSTRUCT);
  // Early returns leave the country table to the destructor.
  if (state_.AssignedSource(target_.land) < 1 && !AskDefaultCountry()) return false;
  // Only text fields of the slot table take text: an assignment file may name other target
  // fields, which the dialog never offers.
  for (const TargetSlot& slot : state_.AZIELFELDER) {
    if (state_.AssignedSource(slot.targetField) != 0 &&
        IsTextField(state_.TargetField(slot.targetField))) {
      slotFields_.push_back(slot.targetField);
    }
  }
  values_.assign(state_.ASSTRUCT.size(), Value{});
  valueRecno_.assign(state_.ASSTRUCT.size(), 0);

  AreaSwitch inSource(sourceArea_);
  ansiSource_ = IsWindowsAnsiMark(CodePageMark());
  // The walk goes in record order whatever order controls the source: an order may leave
  // records out (a unique key keeps one record per key, a FOR condition drops the others), and
  // the source data viewer selects its own order whenever messages are handled. The order the
  // source had is put back at the end.
  const int callerOrder = CurrentOrder();
  SetOrder(0);
  GoBottom();
  counterSuffix_ = " von " + std::to_string(AtEnd() ? 0 : RecordNumber());
  GoTop();
  bool more = !AtEnd();
  while (more) {
    const int64_t recno = RecordNumber();
    if (!ConvertRecord(recno)) return false;
    SelectArea(sourceArea_);
    // A chooser lets messages be handled too; it puts the record back, but not the order.
    if (CurrentOrder() != 0) ResumeAt(recno);
    Skip(1);
    more = !AtEnd();
    const int64_t next = RecordNumber();
    if (PauseIsDue() || !more) {
      FlushProgress();
      ctx_.ui.HandlePendingMessages();
      if (state_.LGESCHLOSSEN) return false;
      // Something handled meanwhile (the source data viewer) may have moved the source; at the
      // end it may have moved it away from the end, which must not start the walk again.
      SelectArea(sourceArea_);
      if (more) ResumeAt(next);
    }
  }
  SelectArea(sourceArea_);
  SetOrder(callerOrder);
  EvaluateInArea(targetArea_, [] { CommitArea(); });
  ReleaseCountries();
  if (!skipped_.empty()) {
    PROTOKOLL(ctx_, state_, accepted_, skipped_);
  } else {
    ctx_.ui.Beep();
    ctx_.ui.ShowMessage(ctx_.frame,
                        "Es wurden " + std::to_string(accepted_) + " Datensätze konvertiert.",
                        ctx_.appName, MessageButtons::kOk);
  }
  return true;
}

// What the user reads when a table failure stopped the run.
std::string FailureText(const ErrorObject& e) {
  std::string what;
  if (e.osCode == kOsDiskFull) {
    what = "Auf dem Datenträger ist kein Platz mehr frei.";
  } else if (e.genCode == 32) {
    what = "Die Datei ist beschädigt.";
  } else if (e.genCode == 23) {
    what = "Die Datei kann nicht gelesen werden.";
  } else if (e.genCode == 24) {
    what = "Die Datei kann nicht geschrieben werden.";
  } else {
    what = e.description;
  }
  return "Die Konvertierung wurde abgebrochen.\nBeim Zugriff auf die Datei " + e.fileName +
         " trat ein Fehler auf:\n" + what + "\nEs wurde nichts in den Produktordner übertragen.";
}

}  // namespace

bool ConverterJob::CONVERTQZ() {
  if (!source_ || !target_) return false;
  // A failure of the files abandons the run instead of ending the program: the user learns
  // what happened, and the close that follows still offers to save the assignments.
  std::optional<ErrorObject> failure;
  ScopedErrorHandler handler([&failure](const ErrorObject& e) {
    if (e.genCode == kGenZeroDiv) return ErrorOutcome{ErrorAction::kSubstitute, Value(0.0)};
    failure = e;
    return ErrorOutcome{ErrorAction::kAbandon, {}};
  });
  try {
    ConversionRun run(ctx_, state_, source_->Area, target_->Area);
    return run.Run();
  } catch (const ErrorAbandoned& abandoned) {
    const ErrorObject& e = failure ? *failure : abandoned.error;
    ZB_ERRLOG(
        "Konvertierung abgebrochen: " + e.fileName,
        Value(e.description + " (" + e.operation + ", DosCode " + std::to_string(e.osCode) + ")"));
    ctx_.ui.CloseProgress();
    Message(FailureText(e));
    return false;
  }
}

}  // namespace tabrix
