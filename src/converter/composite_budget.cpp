#include "converter/composite_budget.h"

#include <algorithm>
#include <cstdint>

namespace tabrix {
namespace {

int RoomLeft(int budget, std::span<const int> fields, std::span<const FieldDescription> structure) {
  int64_t room = budget;  // 64 bits: many long fields must not wrap around to a large room
  for (int fieldNumber : fields) {
    if (const FieldDescription* field = FieldAt(structure, fieldNumber)) {
      room -= int64_t{field->length} + 2;
    }
  }
  return static_cast<int>(std::max<int64_t>(room, 0));
}

}  // namespace

int NTZFREI(std::span<const int> notesFields, std::span<const FieldDescription> sourceStructure) {
  return RoomLeft(kNotesBudget, notesFields, sourceStructure);
}

int BEMFREI(std::span<const int> remarkFields, std::span<const FieldDescription> sourceStructure) {
  return RoomLeft(kRemarkBudget, remarkFields, sourceStructure);
}

}  // namespace tabrix
