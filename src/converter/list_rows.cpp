#include "converter/list_rows.h"

#include <algorithm>

#include "converter/composite_budget.h"

namespace tabrix {
namespace {

std::string JoinedNames(std::span<const int> fields, std::span<const FieldDescription> structure) {
  std::string names;
  for (int fieldNumber : fields) {
    const FieldDescription* field = FieldAt(structure, fieldNumber);
    if (field == nullptr) continue;
    if (!names.empty()) names += "; ";
    names += field->name;
  }
  return names;
}

}  // namespace

std::string STRINGNTZ(std::span<const int> notesFields,
                      std::span<const FieldDescription> sourceStructure) {
  if (notesFields.empty()) return "Notizen\t100% frei";
  // free / 40000 * 100 = free / 400, rounded half up in whole numbers (free is never negative).
  const int percent = std::min(99, (NTZFREI(notesFields, sourceStructure) + 200) / 400);
  return "Notizen\t" + std::to_string(percent) + "% frei <- " +
         JoinedNames(notesFields, sourceStructure);
}

std::string STRINGBEM(std::span<const int> remarkFields,
                      std::span<const FieldDescription> sourceStructure) {
  if (remarkFields.empty()) return "Bemerkung\t50 Zeichen frei";
  return "Bemerkung\t" + std::to_string(BEMFREI(remarkFields, sourceStructure)) +
         " Zeichen frei  <- " + JoinedNames(remarkFields, sourceStructure);
}

std::string MAKESTRING(const FieldDescription& field) {
  return field.name + "\t\t" + std::to_string(field.length);
}

std::string FILLSTRING(const FieldDescription& field, std::vector<int>& sourceRowMap) {
  sourceRowMap.push_back(static_cast<int>(sourceRowMap.size()) + 1);
  return MAKESTRING(field);
}

std::string MAKESTRQZ(int targetField, std::string_view label, const SlotRowContext& context) {
  if (targetField == kPostalCodeField && context.postalCodeFromCity) {
    return "PLZ\t    aus Ortsnamen";
  }
  const bool hasEntry =
      targetField >= 1 && targetField <= static_cast<int>(context.assignment.size());
  const FieldDescription* source =
      hasEntry ? FieldAt(context.sourceStructure, context.assignment[targetField - 1]) : nullptr;
  if (source == nullptr) {
    const FieldDescription* target = FieldAt(context.targetStructure, targetField);
    return std::string(label) + "\t\t" + std::to_string(target ? target->length : 0);
  }
  return std::string(label) + "\t      <-\t\t" + source->name;
}

std::string FILLQZ(int targetField, std::string_view label, const SlotRowContext& context,
                   std::vector<int>& targetRowMap) {
  targetRowMap.push_back(targetField);
  return MAKESTRQZ(targetField, label, context);
}

namespace {

SlotRowContext ContextOf(const ConverterJobState& state) {
  return {state.LPLZAUSORT, state.AZUWEISUNG, state.AZIELSTRUCT, state.ASSTRUCT};
}

}  // namespace

std::string MAKESTRQZ(const ConverterJobState& state, int slotRow) {
  if (slotRow < 1 || slotRow > kSlotCount) return std::string();
  const TargetSlot& slot = state.AZIELFELDER[static_cast<size_t>(slotRow - 1)];
  return MAKESTRQZ(slot.targetField, slot.label, ContextOf(state));
}

std::string FILLQZ(ConverterJobState& state, int slotRow) {
  if (slotRow < 1 || slotRow > kSlotCount) return std::string();
  const TargetSlot& slot = state.AZIELFELDER[static_cast<size_t>(slotRow - 1)];
  return FILLQZ(slot.targetField, slot.label, ContextOf(state), state.AZIELZEILEN);
}

std::string STRINGBEM(const ConverterJobState& state) {
  return STRINGBEM(state.ABEMFELDER, state.ASSTRUCT);
}

std::string STRINGNTZ(const ConverterJobState& state) {
  return STRINGNTZ(state.ANOTIZFELDER, state.ASSTRUCT);
}

}  // namespace tabrix
