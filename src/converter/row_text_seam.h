#pragma once
// Seam to the row texts of the two lists of the converter dialog.
//
// The texts themselves (MAKESTRQZ, STRINGBEM, STRINGNTZ, MAKESTRING) belong to the text rules
// of the converter; the file loaders and the assignment operations only decide which row gets
// which text. SEAM: the rules module provides the production implementation of this interface
// (an adapter over its field builders); until it is wired in, callers pass their own.

#include <string>

namespace tabrix {

struct ConverterJobState;
struct StructField;

class RowTextBuilder {
 public:
  virtual ~RowTextBuilder() = default;
  // MAKESTRQZ: the row of slot row `slotRow` (1..14 of AZIELFELDER) as the state now reads.
  virtual std::string SlotRow(const ConverterJobState& state, int slotRow) const = 0;
  // STRINGBEM: the remark composite row.
  virtual std::string RemarkRow(const ConverterJobState& state) const = 0;
  // STRINGNTZ: the notes composite row.
  virtual std::string NotesRow(const ConverterJobState& state) const = 0;
  // MAKESTRING: the row of one source field.
  virtual std::string SourceRow(const StructField& field) const = 0;
};

}  // namespace tabrix
