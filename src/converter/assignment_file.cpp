#include "converter/assignment_file.h"

#include <algorithm>
#include <cstdint>

#include "converter/row_text_seam.h"
#include "converter/small_file.h"

namespace tabrix {

namespace {

// Reads 16-bit little-endian values from a span; reads past the end bring nothing.
class WordReader {
 public:
  explicit WordReader(std::string_view bytes, std::size_t offset) : bytes_(bytes), pos_(offset) {}
  std::optional<int> Word() {
    if (bytes_.size() < 2 || pos_ > bytes_.size() - 2) {
      pos_ = bytes_.size();
      return std::nullopt;
    }
    const auto lo = static_cast<unsigned char>(bytes_[pos_]);
    const auto hi = static_cast<unsigned char>(bytes_[pos_ + 1]);
    pos_ += 2;
    return lo | (hi << 8);
  }
  std::optional<char> Byte() {
    if (pos_ >= bytes_.size()) return std::nullopt;
    return bytes_[pos_++];
  }

 private:
  std::string_view bytes_;
  std::size_t pos_;
};

void AppendWord(std::string& out, int value) {
  const auto v = static_cast<std::uint16_t>(value);
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8));
}

void AppendList(std::string& out, const std::vector<int>& list) {
  AppendWord(out, static_cast<int>(list.size()));
  for (int v : list) AppendWord(out, v);
}

// Reads one composite list: its count, then that many values. Returns false when the file
// ended inside it.
bool ReadList(WordReader& in, int sourceFieldCount, std::vector<int>& list, bool& dropped) {
  const std::optional<int> count = in.Word();
  if (!count) return false;
  for (int i = 0; i < *count; ++i) {
    const std::optional<int> v = in.Word();
    if (!v) return false;
    const bool valid = *v >= 1 && *v <= sourceFieldCount;
    if (valid && std::find(list.begin(), list.end(), *v) == list.end()) {
      list.push_back(*v);
    } else {
      dropped = true;
    }
  }
  return true;
}

std::string ChooserFilterText(const ConverterContext& ctx, const char* what, const char* pattern) {
  return ctx.appName + what + " (" + pattern + ")";
}

}  // namespace

std::string EncodeAssignmentFile(const ConverterJobState& state) {
  std::string out(kAssignmentFileId);
  for (int v : state.AZUWEISUNG) AppendWord(out, v);
  AppendList(out, state.ABEMFELDER);
  AppendList(out, state.ANOTIZFELDER);
  out.push_back(state.LPLZAUSORT ? '1' : '0');
  return out;
}

std::optional<DecodedAssignment> DecodeAssignmentFile(std::string_view bytes,
                                                      int sourceFieldCount) {
  if (bytes.substr(0, kAssignmentFileId.size()) != kAssignmentFileId) return std::nullopt;
  DecodedAssignment result;
  bool dropped = false;
  bool complete = true;
  WordReader in(bytes, kAssignmentFileId.size());
  for (int& entry : result.entries) {
    const std::optional<int> v = in.Word();
    if (!v) {
      complete = false;
      continue;
    }
    if (*v > sourceFieldCount) {
      dropped = true;
    } else {
      entry = *v;
    }
  }
  complete = complete && ReadList(in, sourceFieldCount, result.remark, dropped) &&
             ReadList(in, sourceFieldCount, result.notes, dropped);
  if (complete) {
    const std::optional<char> option = in.Byte();
    complete = option.has_value();
    result.postalFromCity = option == '1';
  }
  int& postal = result.entries[kPostalCodeField - 1];
  if (result.postalFromCity && postal != 0) {
    postal = 0;
    dropped = true;
  }
  result.partlyUnassignable = dropped || !complete;
  return result;
}

bool ZUWSAVE(ConverterContext& ctx, ConverterJobState& state, WindowHandle owner) {
  ConverterUi& ui = ctx.ui;
  std::string folder = ui.ReadSetting(ctx.settingsFile, kSettingsSection, "LASTPATH2", "");
  std::string path;
  for (;;) {
    FileChooserRequest request;
    request.owner = ctx.chooserOwner;
    request.initialName = state.CQUELLNAME + ".ZWS";
    request.title = "Zieldatei wählen zum Speichern der Zuweisungen";
    request.filters = {{ChooserFilterText(ctx, " Zuweisungen Speichern", "*.ZWS"), "*.ZWS"}};
    request.flags = kSaveChooserFlags;
    request.initialDir = folder;
    request.defaultExt = "*.ZWS";
    const std::optional<std::string> chosen = ui.ChooseSaveFile(request);
    if (!chosen || chosen->empty()) return false;
    path = *chosen;
    folder = FolderOfPath(path);
    ui.WriteSetting(ctx.settingsFile, kSettingsSection, "LASTPATH2", folder);
    if (!FileExists(path)) break;
    const MessageAnswer answer =
        ui.ShowMessage(owner,
                       "Die Datei " + FileNameOfPath(path) + " Existiert bereits!\n" +
                           "Soll sie überschrieben werden?",
                       ctx.appName, MessageButtons::kOkCancel);
    if (answer == MessageAnswer::kOk) break;
  }
  if (!CreateFileWith(path, EncodeAssignmentFile(state))) {
    ui.Beep();
    ui.ShowMessage(owner, "Die Datei " + path + " kann nicht erstellt werden!", ctx.appName,
                   MessageButtons::kOk);
    return false;
  }
  state.LZUWGESICHERT = true;
  return true;
}

bool ZUWOPEN(ConverterContext& ctx, ConverterJobState& state, WindowHandle dialog) {
  ConverterUi& ui = ctx.ui;
  const std::optional<std::string> chosen =
      ChooseFileToOpen(ctx, state, ChooserFilterText(ctx, " Zuweisungen öffnen", "*.ZWS"), "*.ZWS");
  if (!chosen) return false;
  const std::string& path = *chosen;

  const std::optional<std::string> bytes = ReadFilePrefix(path, kAssignmentFileMaxBytes);
  if (!bytes) {
    ui.Beep();
    ui.ShowMessage(0, "Die Datei " + path + " kann nicht geöfnet werden!", ctx.appName,
                   MessageButtons::kOk);
    return false;
  }

  const std::optional<DecodedAssignment> loaded =
      DecodeAssignmentFile(*bytes, state.SourceFieldCount());
  if (!loaded) {
    ui.Beep();
    ui.ShowMessage(0, "Die Datei " + path + " enthält keine Zuweisungen!", ctx.appName,
                   MessageButtons::kOk);
    return false;
  }

  state.AZUWEISUNG = loaded->entries;
  state.ABEMFELDER = loaded->remark;
  state.ANOTIZFELDER = loaded->notes;
  state.LPLZAUSORT = loaded->postalFromCity;
  ui.SetCheckBox(dialog, kPostalFromCityBoxId, state.LPLZAUSORT);

  for (int row = 1; row <= kSlotCount; ++row) {
    ui.ListReplaceRow(dialog, kTargetListId, row - 1, ctx.rows.SlotRow(state, row), true);
  }
  ui.ListReplaceRow(dialog, kTargetListId, kRemarkRow - 1, ctx.rows.RemarkRow(state), true);
  ui.ListReplaceRow(dialog, kTargetListId, kNotesRow - 1, ctx.rows.NotesRow(state), true);
  ui.RefitTargetExtent(dialog);

  // Every source field is offered again, also those the file assigns.
  ui.ListDeleteAllRows(dialog, kSourceListId);
  state.AQUELLZEILEN.clear();
  for (const StructField& field : state.ASSTRUCT) {
    state.AQUELLZEILEN.push_back(static_cast<int>(state.AQUELLZEILEN.size()) + 1);
    ui.ListAddRow(dialog, kSourceListId, ctx.rows.SourceRow(field));
  }
  state.LZUWGESICHERT = true;

  if (loaded->partlyUnassignable) {
    ui.Beep();
    ui.ShowMessage(0, "Die Datei enthielt teilweise nicht zuweisbare Felder!", ctx.appName,
                   MessageButtons::kOk);
  }
  return true;
}

}  // namespace tabrix
