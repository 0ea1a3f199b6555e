#pragma once
// Room left in the two composite target fields. Every field placed into a composite costs its
// source length plus 2 (the separator or the label's colon and line break, roughly), counted
// against a fixed budget; the result never goes below 0.
//
// Field lists hold 1-based source field numbers; a number outside the structure costs nothing.

#include <span>

#include "converter/field_description.h"

namespace tabrix {

inline constexpr int kNotesBudget = 40000;
inline constexpr int kRemarkBudget = 50;

// Room left in NOTIZ, 0..40000.
int NTZFREI(std::span<const int> notesFields, std::span<const FieldDescription> sourceStructure);
// Room left in BEMERKUNG, 0..50.
int BEMFREI(std::span<const int> remarkFields, std::span<const FieldDescription> sourceStructure);

}  // namespace tabrix
