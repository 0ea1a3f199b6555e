#include "converter/choosers.h"

#include "converter/country_link_file.h"
#include "converter/list_rows.h"
#include "converter/small_file.h"
#include "data/base/codepage.h"
#include "data/diagnostics/errorsys.h"

namespace tabrix {

namespace {

constexpr char kCrLf[] = "\r\n";

// Runs a chooser in the progress dialog's place.
int RunInPlaceOfProgress(ConverterContext& ctx, ConverterJobState& state, const ChooserView& view,
                         ChooserEvents& events) {
  ctx.ui.CloseProgress();
  const int result = ctx.ui.RunChooser(view, events);
  state.LABBRUCH = state.LGESCHLOSSEN;
  // After the program's close there is no frame left to show progress in.
  if (!state.LABBRUCH) ctx.ui.ShowProgress();
  return result;
}

class SourceFieldChooser final : public ChooserEvents {
 public:
  SourceFieldChooser(ConverterContext& ctx, std::vector<int> rowMap,
                     std::optional<std::string> warningAnsi)
      : ctx_(ctx), rowMap_(std::move(rowMap)), warningAnsi_(std::move(warningAnsi)) {}

  std::optional<int> OnChoose(int row) override {
    if (row < 1 || row > static_cast<int>(rowMap_.size())) return std::nullopt;
    return rowMap_[static_cast<size_t>(row - 1)];
  }

  std::optional<int> OnThirdButton(WindowHandle chooser) override {
    if (warningAnsi_) {
      ctx_.ui.Beep();
      if (ctx_.ui.ShowMessage(chooser, *warningAnsi_, ctx_.appName, MessageButtons::kOkCancel) !=
          MessageAnswer::kOk) {
        return std::nullopt;
      }
    }
    return 0;
  }

 private:
  ConverterContext& ctx_;
  std::vector<int> rowMap_;
  std::optional<std::string> warningAnsi_;
};

class CountryChooser final : public ChooserEvents {
 public:
  CountryChooser(ConverterContext& ctx, ConverterJobState& state, int countryCount)
      : ctx_(ctx), state_(state), countryCount_(countryCount) {}

  std::optional<int> OnChoose(int row) override {
    if (row < 1 || row > countryCount_) return std::nullopt;
    state_.LLANDGESICHERT = false;
    return row;
  }

  // "aus Datei": the links made so far are replaced by the file's, so they are offered for
  // saving first.
  std::optional<int> OnThirdButton(WindowHandle chooser) override {
    if (!state_.LLANDGESICHERT &&
        ctx_.ui.ShowMessage(chooser, "Wollen Sie die bisherigen Länder-Verknüpfungen Speichern?",
                            ctx_.appName, MessageButtons::kYesNo) == MessageAnswer::kYes) {
      SAVELANDZUW(ctx_, state_, chooser, true);
    }
    if (OPENZUWLAND(ctx_, state_, chooser, countryCount_)) return 0;
    return std::nullopt;
  }

 private:
  ConverterContext& ctx_;
  ConverterJobState& state_;
  int countryCount_;
};

class ProtocolDialog final : public ProtocolEvents {
 public:
  ProtocolDialog(ConverterContext& ctx, ConverterJobState& state, int accepted,
                 const std::vector<int64_t>& skipped)
      : ctx_(ctx), state_(state), accepted_(accepted), skipped_(skipped) {}

  std::string CountLineAnsi() override {
    return "Es wurden " + std::to_string(accepted_) + " Datensätze konvertiert.";
  }

  std::string BuildTextAnsi(const std::function<int(const std::string&)>& widthOf) override {
    text_ = ProtocolText(skipped_, widthOf);
    return text_;
  }

  bool OnSave(WindowHandle dialog) override;

 private:
  ConverterContext& ctx_;
  ConverterJobState& state_;
  int accepted_;
  const std::vector<int64_t>& skipped_;
  std::string text_;  // as built when the dialog started; what the user typed is not saved
};

bool ProtocolDialog::OnSave(WindowHandle dialog) {
  ConverterUi& ui = ctx_.ui;
  FileChooserRequest request;
  request.owner = ctx_.chooserOwner;
  request.initialName = state_.CQUELLNAME + ".TXT";
  request.title = "Zieldatei wählen zum Speichern des Protokolls";
  request.filters = {{ctx_.appName + " Protokoll speichern (*.TXT)", "*.TXT"}};
  request.flags = kSaveChooserFlags;
  request.initialDir = ui.ReadSetting(ctx_.settingsFile, kSettingsSection, "LASTPATH3", "");
  request.defaultExt = "*.TXT";
  const std::optional<std::string> path = ui.ChooseSaveFile(request);
  if (!path || path->empty()) return false;
  ui.WriteSetting(ctx_.settingsFile, kSettingsSection, "LASTPATH3", FolderOfPath(*path));
  if (ctx_.files->FileExists(*path)) {
    ui.Beep();
    if (ui.ShowMessage(dialog,
                       "Die Datei " + FileNameOfPath(*path) + " Existiert bereits!\n" +
                           "Soll sie überschrieben werden?",
                       ctx_.appName, MessageButtons::kOkCancel) != MessageAnswer::kOk) {
      return false;
    }
  }
  const std::string contents =
      ProtocolFileText(ctx_.appName, ctx_.clock->Today(), state_.CQUELLDATEI, accepted_, text_);
  if (!CreateFileWith(*ctx_.files, *path, contents)) {
    ui.Beep();
    ui.ShowMessage(dialog, "Die Datei " + *path + " kann nicht erstellt werden!", ctx_.appName,
                   MessageButtons::kOk);
    return false;
  }
  return true;
}

}  // namespace

int LIST2INIT(ConverterContext& ctx, ConverterJobState& state,
              const std::vector<FieldDescription>& structure, int leftOut,
              const std::string& labelAnsi, const std::optional<std::string>& thirdButtonAnsi,
              const std::optional<std::string>& warningAnsi) {
  ChooserView view;
  view.labelAnsi = labelAnsi;
  view.multiColumn = true;
  view.thirdButtonAnsi = thirdButtonAnsi;
  std::vector<int> rowMap;
  for (const FieldDescription& field : structure)
    view.rowsAnsi.push_back(FILLSTRING(field, rowMap));
  // The name field is not offered as its own replacement.
  if (leftOut >= 1 && leftOut <= static_cast<int>(rowMap.size())) {
    view.rowsAnsi.erase(view.rowsAnsi.begin() + (leftOut - 1));
    rowMap.erase(rowMap.begin() + (leftOut - 1));
  }
  SourceFieldChooser events(ctx, std::move(rowMap), warningAnsi);
  return RunInPlaceOfProgress(ctx, state, view, events);
}

int LIST4INIT(ConverterContext& ctx, ConverterJobState& state,
              const std::vector<std::string>& countriesOem, const std::string& labelAnsi,
              const std::optional<std::string>& thirdButtonAnsi) {
  ChooserView view;
  view.labelAnsi = labelAnsi;
  view.multiColumn = false;
  view.thirdButtonAnsi = thirdButtonAnsi;
  if (thirdButtonAnsi) view.chooseButtonAnsi = "Verknüpfen";
  for (const std::string& name : countriesOem) view.rowsAnsi.push_back(Oem850ToAnsi1252(name));
  CountryChooser events(ctx, state, static_cast<int>(countriesOem.size()));
  return RunInPlaceOfProgress(ctx, state, view, events);
}

std::string ProtocolText(const std::vector<int64_t>& skipped,
                         const std::function<int(const std::string&)>& widthOf) {
  if (skipped.empty()) return {};
  std::string text, line;
  for (size_t i = 0; i + 1 < skipped.size(); ++i) {
    line += std::to_string(skipped[i]) + ", ";
    if (widthOf(line) > kProtocolWrapPixels) {
      text += line + kCrLf;
      line.clear();
    }
  }
  return text + line + std::to_string(skipped.back());
}

std::string ProtocolFileText(const std::string& appName, const Date& saved,
                             const std::string& sourcePath, int accepted,
                             const std::string& protocolText) {
  return appName + " Protokoll-Datei\t\t" + DateText(saved) + kCrLf +
         "Name der Quell-Datenbank: " + sourcePath + kCrLf + kCrLf + "Es wurden " +
         std::to_string(accepted) + " Datensätze konvertiert." + kCrLf +
         "Datensätzen mit folgenden Nummern wurden nicht übernommen:" + kCrLf + protocolText;
}

void PROTOKOLL(ConverterContext& ctx, ConverterJobState& state, int accepted,
               const std::vector<int64_t>& skipped) {
  ProtocolDialog events(ctx, state, accepted, skipped);
  ctx.ui.CloseProgress();
  ctx.ui.RunProtocol(events);
}

}  // namespace tabrix
