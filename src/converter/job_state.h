#pragma once
// The converter job state: what the user has assigned, the country links, the options, and the
// row maps of the two lists of the converter dialog. One instance lives for the whole program
// run; a new converter job resets it with ResetForNewJob(), which keeps the two preferences
// (LDOPPELKLICK, LHINWEIS) and the slot labels.
//
// Numbering follows the table structures: source and target fields count from 1, and so do the
// rows of the two lists as held in NQUELLZEILE and NZIELZEILE (0 = no selection).
//
// The assignment file (assignment_file.h) stores AZUWEISUNG, ABEMFELDER, ANOTIZFELDER and
// LPLZAUSORT; the country-link file (country_link_file.h) stores ALANDVERKN.

#include <array>
#include <string>
#include <vector>

#include "converter/field_description.h"

namespace tabrix {

// A row of the target list that the user can assign: the target field number and its label.
struct TargetSlot {
  int targetField = 0;
  std::string label;  // window text (ANSI)
  bool operator==(const TargetSlot&) const = default;
};

// A country designation as found in a converted record (the target's LAND value, OEM, padded to
// the field's width) and the 1-based position of the chosen country in the country list.
struct CountryLink {
  std::string designationOem;
  int position = 0;
  bool operator==(const CountryLink&) const = default;
};

inline constexpr int kAssignmentCount = 50;  // entries of AZUWEISUNG
inline constexpr int kSlotCount = 14;        // rows 1-14 of the target list
inline constexpr int kRemarkMarker = 14;     // AZIELZEILEN entry of the remark row
inline constexpr int kNotesMarker = 40;      // AZIELZEILEN entry of the notes row
inline constexpr int kRemarkRow = 15;        // target list row of the remark composite
inline constexpr int kNotesRow = 16;         // target list row of the notes composite
inline constexpr int kPostalCodeField = 4;   // target field PLZ
inline constexpr int kNameField = 2;         // target field FIRMA
inline constexpr int kCountryField = 28;     // target field LAND
inline constexpr int kPostalCodeRow = 4;     // target list row of the PLZ slot

// The fixed slot table with its default labels; rows 12 and 13 are replaced from "QZX.ini".
std::array<TargetSlot, kSlotCount> DefaultSlots();

struct ConverterJobState {
  std::string CQUELLDATEI;                 // full path of the chosen source table
  std::string CQUELLNAME;                  // base name of the source table
  std::string CPRODUKTPFAD;                // product folder, used as a prefix (ends in a backslash)
  std::vector<FieldDescription> ASSTRUCT;  // source structure
  std::vector<FieldDescription> AZIELSTRUCT;  // target structure
  std::array<TargetSlot, kSlotCount> AZIELFELDER = DefaultSlots();
  // AZUWEISUNG[t - 1]: the source field assigned to target field t, 0 for none.
  std::array<int, kAssignmentCount> AZUWEISUNG{};
  std::vector<int> ABEMFELDER;    // remark composite, in order of adding, no duplicates
  std::vector<int> ANOTIZFELDER;  // notes composite, in order of adding, no duplicates
  std::vector<int> AQUELLZEILEN;  // source list row r -> source field
  std::vector<int> AZIELZEILEN;   // target list row r -> target field, or marker 14 / 40
  int NQUELLZEILE = 0;
  int NZIELZEILE = 0;
  bool LPLZAUSORT = false;
  bool LDOPPELKLICK = true;  // kept across jobs
  bool LHINWEIS = true;      // kept across jobs
  bool LZUWGESICHERT = true;
  std::vector<CountryLink> ALANDVERKN;
  bool LLANDGESICHERT = true;
  bool LGESCHLOSSEN = true;  // no job open at program start
  bool LABBRUCH = false;

  // 1-based access to AZUWEISUNG; t outside 1..50 reads 0.
  int AssignedSource(int t) const;
  void SetAssignedSource(int t, int sourceField);

  int SourceFieldCount() const { return static_cast<int>(ASSTRUCT.size()); }
  // The source field s (1-based), or nullptr when the source has no such field.
  const FieldDescription* SourceField(int s) const;
  const FieldDescription* TargetField(int t) const;
  // True when s names a field of the source (1 .. number of source fields).
  bool IsSourceField(int s) const { return s >= 1 && s <= SourceFieldCount(); }
};

// The rows the two lists of the converter dialog start with, top to bottom.
struct InitialListRows {
  std::vector<std::string> source;  // one FILLSTRING row per source field
  std::vector<std::string> target;  // one FILLQZ row per slot, then STRINGBEM and STRINGNTZ
};

// Puts every job value to its initial value for a new converter job (the converter dialog's
// initialisation): nothing assigned, no links, everything saved, LGESCHLOSSEN false. Keeps the
// preferences, the slot labels, the source and target paths and structures. Then fills the row
// maps as the lists are filled, with FILLSTRING and FILLQZ: AQUELLZEILEN = 1 .. number of source
// fields, AZIELZEILEN = the slots' target fields in slot order followed by the markers 14 and 40.
// Returns the rows the dialog puts into its two lists.
InitialListRows ResetForNewJob(ConverterJobState& state);

class ConverterUi;
// Replaces the labels of slot rows 12 and 13 by the keys `telex` (default "Handy") and `btx`
// (default "eMail") of section `Velarto` in CPRODUKTPFAD + "QZX.ini". Runs at each dialog
// initialisation; the labels then stay in force until the next one.
void ReadSlotLabels(ConverterUi& ui, ConverterJobState& state);

}  // namespace tabrix
