#include "converter/job_state.h"

#include "converter/converter_ui.h"
#include "converter/list_rows.h"

namespace tabrix {

std::array<TargetSlot, kSlotCount> DefaultSlots() {
  return {{{2, "Name"},
           {25, "Name2"},
           {30, "Anrede"},
           {4, "PLZ"},
           {5, "PLZ2"},
           {12, "Postfach"},
           {7, "Straße"},
           {6, "Ort"},
           {28, "Land"},
           {8, "Telefon"},
           {10, "Telefax"},
           {9, "Handy"},
           {11, "eMail"},
           {24, "Sortbegriff"}}};
}

int ConverterJobState::AssignedSource(int t) const {
  if (t < 1 || t > kAssignmentCount) return 0;
  return AZUWEISUNG[static_cast<size_t>(t - 1)];
}

void ConverterJobState::SetAssignedSource(int t, int sourceField) {
  if (t < 1 || t > kAssignmentCount) return;
  AZUWEISUNG[static_cast<size_t>(t - 1)] = sourceField;
}

const FieldDescription* ConverterJobState::SourceField(int s) const {
  return FieldAt(ASSTRUCT, s);
}

const FieldDescription* ConverterJobState::TargetField(int t) const {
  return FieldAt(AZIELSTRUCT, t);
}

InitialListRows ResetForNewJob(ConverterJobState& state) {
  state.LZUWGESICHERT = true;
  state.LLANDGESICHERT = true;
  state.AZUWEISUNG.fill(0);
  state.ANOTIZFELDER.clear();
  state.ABEMFELDER.clear();
  state.ALANDVERKN.clear();
  state.LGESCHLOSSEN = false;
  state.LABBRUCH = false;
  state.LPLZAUSORT = false;
  state.NQUELLZEILE = 0;
  state.NZIELZEILE = 0;

  InitialListRows rows;
  state.AQUELLZEILEN.clear();
  for (const FieldDescription& field : state.ASSTRUCT) {
    rows.source.push_back(FILLSTRING(field, state.AQUELLZEILEN));
  }
  state.AZIELZEILEN.clear();
  for (int slotRow = 1; slotRow <= kSlotCount; ++slotRow) {
    rows.target.push_back(FILLQZ(state, slotRow));
  }
  rows.target.push_back(STRINGBEM(state));
  state.AZIELZEILEN.push_back(kRemarkMarker);
  rows.target.push_back(STRINGNTZ(state));
  state.AZIELZEILEN.push_back(kNotesMarker);
  return rows;
}

void ReadSlotLabels(ConverterUi& ui, ConverterJobState& state) {
  const std::string file = state.CPRODUKTPFAD + "QZX.ini";
  state.AZIELFELDER[11].label = ui.ReadSetting(file, "Velarto", "telex", "Handy");
  state.AZIELFELDER[12].label = ui.ReadSetting(file, "Velarto", "btx", "eMail");
}

}  // namespace tabrix
