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

namespace {

// Calls use(field, value) for each field of the list, in list order, whose text form in the
// current record is not empty; numbers naming no field are passed over.
template <class Use>
void ForEachFilledValue(std::span<const int> fields, std::span<const FieldDescription> structure,
                        const SourceFieldReader& readField, Use use) {
  for (int fieldNumber : fields) {
    const FieldDescription* field = FieldAt(structure, fieldNumber);
    if (field == nullptr) continue;
    const std::string value = TextForm(readField(fieldNumber), *field);
    if (!IsEmptyText(value)) use(*field, value);
  }
}

}  // namespace

std::string NotesText(std::span<const int> notesFields,
                      std::span<const FieldDescription> sourceStructure,
                      const SourceFieldReader& readField) {
  std::string text;
  ForEachFilledValue(notesFields, sourceStructure, readField,
                     [&text](const FieldDescription& field, const std::string& value) {
                       text += field.name;
                       if (field.name.empty() || field.name.back() != ':') text += ':';
                       text += NORMSTRING(value);
                       text += "\r\n";
                     });
  return text;
}

std::string RemarkText(std::span<const int> remarkFields,
                       std::span<const FieldDescription> sourceStructure,
                       const SourceFieldReader& readField) {
  std::string text;
  ForEachFilledValue(remarkFields, sourceStructure, readField,
                     [&text](const FieldDescription&, const std::string& value) {
                       if (!text.empty()) text += "; ";
                       text += TrimBoth(value);
                     });
  return text;
}

}  // namespace tabrix
