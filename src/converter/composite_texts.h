#pragma once
// The remark and notes texts: several source fields of the current source record composed into
// the target's BEMERKUNG and NOTIZ.
//
// A notes text holds, per filled field, the field's name with a colon, a TAB, the value and
// CR LF; continued lines of a value are indented by two TABs:
//     "NAME:" TAB "Zeile1" CR LF TAB TAB "Zeile2" CR LF
// A remark text joins the trimmed filled values with "; ":  "Kunde seit 1990; VIP".
//
// Field lists hold 1-based source field numbers in the order the user added them. A number
// outside the source structure names no field and is passed over (the lists are checked when
// they are loaded; this keeps a damaged list from reading past the structure).

#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "converter/field_description.h"
#include "data/base/value.h"

namespace tabrix {

// Reads field `fieldNumber` (1-based) of the current source record.
// The value stays valid until the next call.
using SourceFieldReader = std::function<const Value&(int fieldNumber)>;

// Lays out one value for the notes text: one TAB in front; every line break (CR LF, a lone LF,
// or a lone CR, which becomes CR LF with the blanks before it removed) is followed by two TABs;
// blanks at the start of the value and of every continued line are dropped (TABs stay); every
// other character stays, and the last character is always appended unchanged.
// An empty value gives the lone TAB.
std::string NORMSTRING(std::string_view value);

// Text for NOTIZ. Values whose text form is empty (white space only) are left out; the text
// form is used untrimmed, so a padded character value keeps its trailing blanks.
std::string NotesText(std::span<const int> notesFields,
                      std::span<const FieldDescription> sourceStructure,
                      const SourceFieldReader& readField);

// Text for BEMERKUNG. Each value's text form is trimmed on both sides; empty ones leave no
// separator behind. The caller's store cuts the text to the field's width.
std::string RemarkText(std::span<const int> remarkFields,
                       std::span<const FieldDescription> sourceStructure,
                       const SourceFieldReader& readField);

}  // namespace tabrix
