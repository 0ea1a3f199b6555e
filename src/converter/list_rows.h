#pragma once
// Row texts of the converter dialog's two lists. Columns are separated by TABs; an arrow "<-"
// points from a target row to what feeds it.
//
//   source row        "KDNAME" TAB TAB "30"
//   free slot         "Name" TAB TAB "40"
//   assigned slot     "Name" TAB "      <-" TAB TAB "KDNAME"
//   postal code slot  "PLZ" TAB "    aus Ortsnamen"            (while taken from the city)
//   notes row         "Notizen" TAB "99% frei <- A; B"
//   remark row        "Bemerkung" TAB "26 Zeichen frei  <- A; B"
//
// Field numbers are 1-based. Numbers outside a structure (which the job state never holds) name
// no field: such a list entry is left out of a composite row, and such an assignment shows the
// slot as free.

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "converter/field_description.h"
#include "converter/job_state.h"

namespace tabrix {

// What a slot row shows besides the slot itself.
struct SlotRowContext {
  bool postalCodeFromCity = false;                    // LPLZAUSORT
  std::span<const int> assignment;                    // AZUWEISUNG: entry t-1 for target field t
  std::span<const FieldDescription> targetStructure;  // AZIELSTRUCT
  std::span<const FieldDescription> sourceStructure;  // ASSTRUCT
};

// Row of the notes composite: the free share of the notes budget in whole percent (rounded,
// halves up, at most 99 once any field is in) and the fields in list order.
std::string STRINGNTZ(std::span<const int> notesFields,
                      std::span<const FieldDescription> sourceStructure);

// Row of the remark composite: the characters left and the fields in list order.
std::string STRINGBEM(std::span<const int> remarkFields,
                      std::span<const FieldDescription> sourceStructure);

// Row of a source field: name and length.
std::string MAKESTRING(const FieldDescription& field);

// MAKESTRING, and records the row in the source row map: the new row shows field number
// (row count + 1), which is the field's own number when the list is filled in structure order.
std::string FILLSTRING(const FieldDescription& field, std::vector<int>& sourceRowMap);

// Row of a target slot (target field number and its label).
std::string MAKESTRQZ(int targetField, std::string_view label, const SlotRowContext& context);

// MAKESTRQZ, and records the slot's target field number in the target row map.
std::string FILLQZ(int targetField, std::string_view label, const SlotRowContext& context,
                   std::vector<int>& targetRowMap);

// The same rows as a converter job's state reads them; the assignment operations and the file
// loaders build every row they show through these.
//
// MAKESTRQZ of slot row `slotRow` (1..14 of AZIELFELDER); a row outside the slot table is "".
std::string MAKESTRQZ(const ConverterJobState& state, int slotRow);
// FILLQZ of slot row `slotRow`: its MAKESTRQZ, and its target field appended to AZIELZEILEN.
std::string FILLQZ(ConverterJobState& state, int slotRow);
// STRINGBEM of ABEMFELDER and STRINGNTZ of ANOTIZFELDER over ASSTRUCT.
std::string STRINGBEM(const ConverterJobState& state);
std::string STRINGNTZ(const ConverterJobState& state);

}  // namespace tabrix
