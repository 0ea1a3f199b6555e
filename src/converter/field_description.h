#pragma once
// One row of a table structure as the converter sees it: the source structure (ASSTRUCT), the
// target structure (AZIELSTRUCT) and the field lists of a converter job are made of these.
// It holds exactly what a structure row of the table layer holds (name, type letter, length,
// decimals), so filling a structure from the table layer is a field-by-field copy.

#include <span>
#include <string>

namespace tabrix {

struct FieldDescription {
  std::string name;  // up to 10 characters, upper case, as the table header gives it
  char type = 'C';   // type letter: C N D L M, and the further letters the table layer reads
  int length = 0;    // field width in characters (for binary types: the stored byte count)
  int decimals = 0;
  bool operator==(const FieldDescription&) const = default;
};

// Field `fieldNumber` (1-based) of a structure, or nullptr when the structure has no such field.
// Field numbers come from lists and files the user or a file supplies; every rule that reads a
// field by number goes through here, so a stray number never reads past the structure.
inline const FieldDescription* FieldAt(std::span<const FieldDescription> structure,
                                       int fieldNumber) {
  if (fieldNumber < 1 || fieldNumber > static_cast<int>(structure.size())) return nullptr;
  return &structure[static_cast<size_t>(fieldNumber - 1)];
}

}  // namespace tabrix
