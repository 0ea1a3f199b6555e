#include "converter/job_state.h"

#include "converter/converter_ui.h"

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

const StructField* ConverterJobState::SourceField(int s) const {
  return IsSourceField(s) ? &ASSTRUCT[static_cast<size_t>(s - 1)] : nullptr;
}

const StructField* ConverterJobState::TargetField(int t) const {
  if (t < 1 || t > static_cast<int>(AZIELSTRUCT.size())) return nullptr;
  return &AZIELSTRUCT[static_cast<size_t>(t - 1)];
}

void ResetForNewJob(ConverterJobState& state) {
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

  state.AQUELLZEILEN.clear();
  for (int s = 1; s <= state.SourceFieldCount(); ++s) state.AQUELLZEILEN.push_back(s);
  state.AZIELZEILEN.clear();
  for (const TargetSlot& slot : state.AZIELFELDER) state.AZIELZEILEN.push_back(slot.targetField);
  state.AZIELZEILEN.push_back(kRemarkMarker);
  state.AZIELZEILEN.push_back(kNotesMarker);
}

void ReadSlotLabels(ConverterUi& ui, ConverterJobState& state) {
  const std::string file = state.CPRODUKTPFAD + "QZX.ini";
  state.AZIELFELDER[11].label = ui.ReadSetting(file, "Velarto", "telex", "Handy");
  state.AZIELFELDER[12].label = ui.ReadSetting(file, "Velarto", "btx", "eMail");
}

}  // namespace tabrix
