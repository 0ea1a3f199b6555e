#include "converter/assignment_file.h"

#include <algorithm>
#include <cstdint>

#include "converter/list_rows.h"
#include "converter/small_file.h"
#include "data/base/byte_coding.h"

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
    const int word = DecodeLE16(reinterpret_cast<const uint8_t*>(bytes_.data()) + pos_);
    pos_ += 2;
    return word;
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
  uint8_t word[2];
  EncodeLE16(word, static_cast<uint16_t>(value));
  out.append(reinterpret_cast<const char*>(word), sizeof word);
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
  const std::optional<std::string> chosen =
      ChooseFileToSave(ctx,
                       {state.CQUELLNAME + ".ZWS", "Zieldatei wählen zum Speichern der Zuweisungen",
                        " Zuweisungen Speichern", "*.ZWS", false},
                       owner);
  if (!chosen || !WriteChosenFile(ctx, *chosen, EncodeAssignmentFile(state), owner)) return false;
  state.LZUWGESICHERT = true;
  return true;
}

bool ZUWOPEN(ConverterContext& ctx, ConverterJobState& state, WindowHandle dialog) {
  ConverterUi& ui = ctx.ui;
  const std::optional<std::string> chosen =
      ChooseFileToOpen(ctx, state, " Zuweisungen öffnen", "*.ZWS");
  if (!chosen) return false;
  const std::string& path = *chosen;

  // The messages of this loader have no owner.
  const std::optional<std::string> bytes = ReadChosenFile(ctx, path, kAssignmentFileMaxBytes, 0);
  if (!bytes) return false;

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
    ui.ListReplaceRow(dialog, kTargetListId, row - 1, MAKESTRQZ(state, row), true);
  }
  ui.ListReplaceRow(dialog, kTargetListId, kRemarkRow - 1, STRINGBEM(state), true);
  ui.ListReplaceRow(dialog, kTargetListId, kNotesRow - 1, STRINGNTZ(state), true);
  ui.RefitTargetExtent(dialog);

  // Every source field is offered again, also those the file assigns.
  ui.ListDeleteAllRows(dialog, kSourceListId);
  state.AQUELLZEILEN.clear();
  for (const FieldDescription& field : state.ASSTRUCT) {
    ui.ListAddRow(dialog, kSourceListId, FILLSTRING(field, state.AQUELLZEILEN));
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
