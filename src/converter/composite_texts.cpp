#include "converter/composite_texts.h"

#include "converter/text_form.h"
#include "converter/text_rules.h"

namespace tabrix {
std::string NORMSTRING(std::string_view value) {
  std::string r = "\t";
  if (value.empty()) return r;
  bool atLineStart = true;
  for (size_t i = 0; i + 1 < value.size(); ++i) {
    char c = value[i];
    if (c == '\r' && value[i + 1] != '\n') {
      r.resize(TrimRight(r).size());
      r += "\r\n";
      atLineStart = true;
      c = ' ';
    }
    if (!(atLineStart && c == ' ')) {
      atLineStart = false;
      r += c;
    }
    if (r.back() == '\n') {
      atLineStart = true;
      r += "\t\t";
    }
  }
  r += value.back();
  return r;
}

std::string NotesText(std::span<const int> notesFields,
                      std::span<const FieldDescription> sourceStructure,
                      const SourceFieldReader& readField) {
  std::string text;
  for (int fieldNumber : notesFields) {
    const FieldDescription* field = FieldAt(sourceStructure, fieldNumber);
    if (field == nullptr) continue;
    const std::string value = TextForm(readField(fieldNumber), *field);
    if (IsEmptyText(value)) continue;
    text += field->name;
    if (field->name.empty() || field->name.back() != ':') text += ':';
    text += NORMSTRING(value);
    text += "\r\n";
  }
  return text;
}

std::string RemarkText(std::span<const int> remarkFields,
                       std::span<const FieldDescription> sourceStructure,
                       const SourceFieldReader& readField) {
  std::string text;
  for (int fieldNumber : remarkFields) {
    const FieldDescription* field = FieldAt(sourceStructure, fieldNumber);
    if (field == nullptr) continue;
    const std::string value = TextForm(readField(fieldNumber), *field);
    const std::string_view trimmed = TrimBoth(value);
    if (trimmed.empty()) continue;
    if (!text.empty()) text += "; ";
    text += trimmed;
  }
  return text;
}

}  // namespace tabrix
