#include "converter/composite_texts.h"

#include "converter/text_form.h"
#include "converter/text_rules.h"

namespace tabrix {
// Copies runs of ordinary characters at once; only line breaks and the blanks at a line's start
// are looked at one by one (a notes text is mostly long runs).
std::string NORMSTRING(std::string_view value) {
  std::string r = "\t";
  if (value.empty()) return r;
  r.reserve(value.size() + value.size() / 8 + 8);
  const size_t last = value.size() - 1;  // the last character goes in unchanged
  bool atLineStart = true;
  size_t i = 0;
  while (i < last) {
    if (atLineStart) {
      while (i < last && value[i] == ' ') ++i;
      if (i == last) break;
    }
    // A plain scan: find_first_of would search its two-character set once per character.
    size_t end = i;
    while (end < last && value[end] != '\r' && value[end] != '\n') ++end;
    if (end > i) {
      r.append(value.substr(i, end - i));
      atLineStart = false;
      i = end;
      if (i == last) break;
    }
    if (value[i] == '\r' && value[i + 1] != '\n') {
      // A lone CR ends the line like CR LF; the blanks before it go.
      r.resize(TrimRight(r).size());
      r += "\r\n\t\t";
      atLineStart = true;
    } else if (value[i] == '\n') {
      r += "\n\t\t";
      atLineStart = true;
    } else {
      r += '\r';  // the CR of CR LF
      atLineStart = false;
    }
    ++i;
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
    const Value& v = readField(fieldNumber);
    if (const std::string* s = std::get_if<std::string>(&v)) {
      if (!IsEmptyText(*s)) use(*field, std::string_view(*s));
      continue;
    }
    const std::string value = TextForm(v, *field);
    if (!IsEmptyText(value)) use(*field, std::string_view(value));
  }
}

}  // namespace

std::string NotesText(std::span<const int> notesFields,
                      std::span<const FieldDescription> sourceStructure,
                      const SourceFieldReader& readField) {
  std::string text;
  ForEachFilledValue(notesFields, sourceStructure, readField,
                     [&text](const FieldDescription& field, std::string_view value) {
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
                     [&text](const FieldDescription&, std::string_view value) {
                       if (!text.empty()) text += "; ";
                       text += TrimBoth(value);
                     });
  return text;
}

}  // namespace tabrix
