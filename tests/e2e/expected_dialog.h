#pragma once
// What the converter dialog must show while the user assigns fields: the rows of the source and
// target lists and the questions an assignment asks, worked out from the source table's fields
// and the customer table template. Texts are window text (Windows-1252).

#include <string>
#include <vector>

#include "e2e/dbf_file.h"
#include "e2e/expected_conversion.h"

namespace tabrix::e2e {

// "NAME\t\t40"
std::string SourceRow(const DbfField& field);

class AssignmentModel {
 public:
  AssignmentModel(const DbfFile& source, const DbfFile& templ);

  struct Outcome {
    std::string question;  // the question asked (answered OK); empty when none
    std::string row;       // the target row afterwards
  };
  // "Zuweisen" (final false) or "Endgültig zuweisen" of a source field to a slot label or to
  // "Bemerkung" / "Notizen"; the question, when there is one, is answered OK.
  Outcome Assign(const std::string& field, const std::string& label, bool final);
  // "Zuweisung Entfernen" on a row; returns the row afterwards.
  std::string Remove(const std::string& label);
  // The postal-code option ticked or cleared; returns the postal code row afterwards.
  std::string SetPostalCodeFromCity(bool on);

  std::vector<std::string> SourceRows() const;
  std::vector<std::string> TargetRows() const;
  const FieldAssignment& assignment() const { return assignment_; }

 private:
  std::string SlotRow(const Slot& slot) const;
  std::string RemarkRow() const;
  std::string NotesRow() const;
  int SourceNumber(const std::string& field) const;

  const DbfFile& source_;
  const DbfFile& templ_;
  FieldAssignment assignment_;
  std::vector<int> sourceRows_;  // field numbers in the order the source list shows them
};

}  // namespace tabrix::e2e
