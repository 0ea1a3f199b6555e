#pragma once
// The operations of the converter dialog on the field assignment: select a row, assign a
// source field to a target row (provisionally or finally), remove an assignment, switch the
// postal-code option, and the readiness check before converting.
//
// Each operation works on the job state and keeps the two lists of the converter dialog in step
// through ConverterUi, with the row texts of list_rows.h (MAKESTRQZ, STRINGBEM, STRINGNTZ,
// MAKESTRING) and the room left in the composites from BEMFREI and NTZFREI. A refusal beeps (and
// shows its message where one is due) and leaves the state as it was. Message boxes carry the title
// CAPPNAME and belong to the converter dialog, except those of the readiness check, which belong to
// the frame.

#include "converter/converter_ui.h"
#include "converter/job_state.h"

namespace tabrix {

// NQUELLZEILE / NZIELZEILE := the list's current selection (0-based, -1 for none) + 1.
void SelectSourceRow(ConverterJobState& state, int listSelection);
void SelectTargetRow(ConverterJobState& state, int listSelection);

// "Zuweisen" (final false) and "Endgültig zuweisen" (final true): assigns the selected source
// field to the selected target row. A final assignment takes the source row out of the list.
void AssignSelected(ConverterContext& ctx, ConverterJobState& state, WindowHandle dialog,
                    bool final);

// "Zuweisung Entfernen": frees the selected slot, or takes the most recently added field out of
// the selected composite; the field returns to the end of the source list if it was not there.
void RemoveSelected(ConverterContext& ctx, ConverterJobState& state, WindowHandle dialog);

// Check box "Ortsnamen enthalten die Postleitzahl". Ticking it frees the PLZ slot.
void SetPostalFromCity(ConverterContext& ctx, ConverterJobState& state, WindowHandle dialog,
                       bool ticked);

// The check before "Konvertieren": true (go) when a name field is assigned and either a
// country field is assigned or the user agrees to choose a default country.
bool ReadyToConvert(ConverterContext& ctx, const ConverterJobState& state, WindowHandle frame);

}  // namespace tabrix
