#include "e2e/expected_dialog.h"

#include <algorithm>
#include <cmath>

namespace tabrix::e2e {

std::string SourceRow(const DbfField& field) {
  return field.name + "\t\t" + std::to_string(field.length);
}

AssignmentModel::AssignmentModel(const DbfFile& source, const DbfFile& templ)
    : source_(source), templ_(templ) {
  for (size_t i = 1; i <= source.fields.size(); ++i) sourceRows_.push_back(static_cast<int>(i));
}

int AssignmentModel::SourceNumber(const std::string& field) const {
  return source_.FieldNumber(field);
}

std::string AssignmentModel::SlotRow(const Slot& slot) const {
  if (slot.targetField == 4 && assignment_.postalCodeFromCity) return "PLZ\t    aus Ortsnamen";
  const auto it = assignment_.slots.find(slot.targetField);
  if (it == assignment_.slots.end() || it->second == 0) {
    return std::string(slot.label) + "\t\t" + std::to_string(templ_.Field(slot.targetField).length);
  }
  return std::string(slot.label) + "\t      <-\t\t" + source_.Field(it->second).name;
}

namespace {

int Cost(const DbfFile& source, const std::vector<int>& fields) {
  int cost = 0;
  for (int f : fields) cost += source.Field(f).length + 2;
  return cost;
}

std::string Names(const DbfFile& source, const std::vector<int>& fields) {
  std::string names;
  for (int f : fields) names += (names.empty() ? "" : "; ") + source.Field(f).name;
  return names;
}

}  // namespace

std::string AssignmentModel::RemarkRow() const {
  if (assignment_.remark.empty()) return "Bemerkung\t50 Zeichen frei";
  const int free = std::max(0, 50 - Cost(source_, assignment_.remark));
  return "Bemerkung\t" + std::to_string(free) + " Zeichen frei  <- " +
         Names(source_, assignment_.remark);
}

std::string AssignmentModel::NotesRow() const {
  if (assignment_.notes.empty()) return "Notizen\t100% frei";
  const int free = std::max(0, 40000 - Cost(source_, assignment_.notes));
  const double percent = std::min(99.0, free * 100.0 / 40000.0);
  const int shown = static_cast<int>(std::floor(percent + 0.5));
  return "Notizen\t" + std::to_string(shown) + "% frei <- " + Names(source_, assignment_.notes);
}

AssignmentModel::Outcome AssignmentModel::Assign(const std::string& field, const std::string& label,
                                                 bool final) {
  Outcome out;
  const int s = SourceNumber(field);
  const DbfField& f = source_.Field(s);
  if (label == "Notizen") {
    assignment_.notes.push_back(s);
    out.row = NotesRow();
  } else if (label == "Bemerkung") {
    const int free = std::max(0, 50 - Cost(source_, assignment_.remark));
    if (free - f.length < 0) {
      out.question =
          "Es ist nicht mehr gen\xFCgend Platz im Bemerkungsfeld!\n"
          "Soll der Inhalt, wenn n\xF6tig, abgeschnitten werden?";
    }
    assignment_.remark.push_back(s);
    out.row = RemarkRow();
  } else {
    for (const Slot& slot : Slots()) {
      if (label != slot.label) continue;
      if (f.length > templ_.Field(slot.targetField).length) {
        out.question = "Das Feld \"" + field + "\" beinhaltet mehr Zeichen als das Feld \"" +
                       label + "\"!\rSoll der Inhalt, wenn n\xF6tig, abgeschnitten werden?";
      }
      assignment_.slots[slot.targetField] = s;
      out.row = SlotRow(slot);
    }
  }
  if (final) sourceRows_.erase(std::find(sourceRows_.begin(), sourceRows_.end(), s));
  return out;
}

std::string AssignmentModel::Remove(const std::string& label) {
  auto giveBack = [&](int f) {
    if (std::find(sourceRows_.begin(), sourceRows_.end(), f) == sourceRows_.end()) {
      sourceRows_.push_back(f);
    }
  };
  if (label == "Notizen" || label == "Bemerkung") {
    std::vector<int>& list = label == "Notizen" ? assignment_.notes : assignment_.remark;
    if (!list.empty()) {
      giveBack(list.back());
      list.pop_back();
    }
    return label == "Notizen" ? NotesRow() : RemarkRow();
  }
  for (const Slot& slot : Slots()) {
    if (label != slot.label) continue;
    const auto it = assignment_.slots.find(slot.targetField);
    if (it != assignment_.slots.end()) {
      giveBack(it->second);
      assignment_.slots.erase(it);
    }
    return SlotRow(slot);
  }
  return {};
}

std::string AssignmentModel::SetPostalCodeFromCity(bool on) {
  assignment_.postalCodeFromCity = on;
  if (on) {
    const auto it = assignment_.slots.find(4);
    if (it != assignment_.slots.end()) {
      if (std::find(sourceRows_.begin(), sourceRows_.end(), it->second) == sourceRows_.end()) {
        sourceRows_.push_back(it->second);
      }
      assignment_.slots.erase(it);
    }
  }
  return SlotRow(Slots()[3]);
}

std::vector<std::string> AssignmentModel::SourceRows() const {
  std::vector<std::string> rows;
  for (int f : sourceRows_) rows.push_back(SourceRow(source_.Field(f)));
  return rows;
}

std::vector<std::string> AssignmentModel::TargetRows() const {
  std::vector<std::string> rows;
  for (const Slot& slot : Slots()) rows.push_back(SlotRow(slot));
  rows.push_back(RemarkRow());
  rows.push_back(NotesRow());
  return rows;
}

}  // namespace tabrix::e2e
