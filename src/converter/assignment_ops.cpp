#include "converter/assignment_ops.h"

#include <algorithm>
#include <string>
#include <vector>

#include "converter/composite_budget.h"
#include "converter/list_rows.h"

namespace tabrix {

namespace {

constexpr char kQ = '"';

int SourceLength(const ConverterJobState& state, int s) {
  const FieldDescription* f = state.SourceField(s);
  return f ? f->length : 0;
}

std::string SourceName(const ConverterJobState& state, int s) {
  const FieldDescription* f = state.SourceField(s);
  return f ? f->name : std::string();
}

bool Contains(const std::vector<int>& list, int v) {
  return std::find(list.begin(), list.end(), v) != list.end();
}

void Refuse(ConverterContext& ctx, WindowHandle owner, const std::string& text) {
  ctx.ui.Beep();
  ctx.ui.ShowMessage(owner, text, ctx.appName, MessageButtons::kOk);
}

bool AskOkCancel(ConverterContext& ctx, WindowHandle owner, const std::string& text) {
  ctx.ui.Beep();
  return ctx.ui.ShowMessage(owner, text, ctx.appName, MessageButtons::kOkCancel) ==
         MessageAnswer::kOk;
}

// Source field f goes back to the end of the source list unless it is shown there already.
void GiveBack(ConverterContext& ctx, ConverterJobState& state, WindowHandle dialog, int f) {
  const FieldDescription* field = state.SourceField(f);
  if (field == nullptr || Contains(state.AQUELLZEILEN, f)) return;
  state.AQUELLZEILEN.push_back(f);
  ctx.ui.ListAddRow(dialog, kSourceListId, MAKESTRING(*field));
}

void ShowCompositeRow(ConverterContext& ctx, ConverterJobState& state, WindowHandle dialog,
                      int row) {
  const std::string text = row == kRemarkRow ? STRINGBEM(state) : STRINGNTZ(state);
  ctx.ui.ListReplaceRow(dialog, kTargetListId, row - 1, text, true);
  ctx.ui.RefitTargetExtent(dialog);
}

// The target field (or composite marker) of the selected target row; 0 when the selection
// names no row of the target list.
int SelectedTarget(const ConverterJobState& state) {
  const int row = state.NZIELZEILE;
  if (row < 1 || row > static_cast<int>(state.AZIELZEILEN.size())) return 0;
  return state.AZIELZEILEN[static_cast<size_t>(row - 1)];
}

}  // namespace

void SelectSourceRow(ConverterJobState& state, int listSelection) {
  state.NQUELLZEILE = listSelection < 0 ? 0 : listSelection + 1;
}

void SelectTargetRow(ConverterJobState& state, int listSelection) {
  state.NZIELZEILE = listSelection < 0 ? 0 : listSelection + 1;
}

void AssignSelected(ConverterContext& ctx, ConverterJobState& state, WindowHandle dialog,
                    bool final) {
  const int t = SelectedTarget(state);
  const int sourceRow = state.NQUELLZEILE;
  if (t == 0 || sourceRow < 1 || sourceRow > static_cast<int>(state.AQUELLZEILEN.size())) {
    ctx.ui.Beep();
    return;
  }
  const int s = state.AQUELLZEILEN[static_cast<size_t>(sourceRow - 1)];
  const int length = SourceLength(state, s);
  const std::string name = SourceName(state, s);

  if (t == kNotesMarker) {
    if (Contains(state.ANOTIZFELDER, s)) {
      return Refuse(ctx, dialog, kQ + name + kQ + " ist bereits im Notiz Feld vorhanden!");
    }
    // The new field with its two separator characters must leave room over.
    if (NTZFREI(state.ANOTIZFELDER, state.ASSTRUCT) - (length + 2) <= 0) {
      return Refuse(ctx, dialog, "Kein Platz mehr im Notiz Feld!");
    }
    state.ANOTIZFELDER.push_back(s);
    state.LZUWGESICHERT = false;
    ShowCompositeRow(ctx, state, dialog, kNotesRow);
  } else if (t == kRemarkMarker) {
    if (Contains(state.ABEMFELDER, s)) {
      return Refuse(ctx, dialog, kQ + name + kQ + " ist bereits im Bemerkungsfeld vorhanden!");
    }
    // Any room left lets a field in; a field longer than the room is cut when stored.
    const int room = BEMFREI(state.ABEMFELDER, state.ASSTRUCT);
    if (room == 0) return Refuse(ctx, dialog, "Kein Platz mehr im Bemerkungsfeld!");
    if (room - length < 0 && !AskOkCancel(ctx, dialog,
                                          "Es ist nicht mehr genügend Platz im Bemerkungsfeld!\n"
                                          "Soll der Inhalt, wenn nötig, abgeschnitten werden?")) {
      return;
    }
    state.ABEMFELDER.push_back(s);
    state.LZUWGESICHERT = false;
    ShowCompositeRow(ctx, state, dialog, kRemarkRow);
  } else {
    if (state.AssignedSource(t) != 0 || (t == kPostalCodeField && state.LPLZAUSORT)) {
      ctx.ui.Beep();
      return;
    }
    const int slotRow = state.NZIELZEILE;
    const FieldDescription* target = state.TargetField(t);
    if (length > (target ? target->length : 0) && state.LHINWEIS &&
        !AskOkCancel(ctx, dialog,
                     "Das Feld " + (kQ + name + kQ) + " beinhaltet mehr Zeichen als das Feld " +
                         kQ + state.AZIELFELDER[static_cast<size_t>(slotRow - 1)].label + kQ +
                         "!\rSoll der Inhalt, wenn nötig, abgeschnitten werden?")) {
      return;
    }
    state.SetAssignedSource(t, s);
    ctx.ui.ListReplaceRow(dialog, kTargetListId, slotRow - 1, MAKESTRQZ(state, slotRow), true);
    state.LZUWGESICHERT = false;
  }

  if (final) {
    ctx.ui.ListDeleteRow(dialog, kSourceListId, sourceRow - 1);
    state.AQUELLZEILEN.erase(state.AQUELLZEILEN.begin() + (sourceRow - 1));
    state.NQUELLZEILE = 0;
  }
}

void RemoveSelected(ConverterContext& ctx, ConverterJobState& state, WindowHandle dialog) {
  const int t = SelectedTarget(state);
  if (t == 0) {
    ctx.ui.Beep();
    return;
  }
  if (t == kNotesMarker || t == kRemarkMarker) {
    std::vector<int>& list = t == kNotesMarker ? state.ANOTIZFELDER : state.ABEMFELDER;
    if (list.empty()) {
      ctx.ui.Beep();
      return;
    }
    GiveBack(ctx, state, dialog, list.back());
    list.pop_back();
    state.LZUWGESICHERT = false;
    ShowCompositeRow(ctx, state, dialog, t == kNotesMarker ? kNotesRow : kRemarkRow);
    return;
  }
  const int f = state.AssignedSource(t);
  if (f == 0) {
    ctx.ui.Beep();
    return;
  }
  GiveBack(ctx, state, dialog, f);
  state.SetAssignedSource(t, 0);
  ctx.ui.ListReplaceRow(dialog, kTargetListId, state.NZIELZEILE - 1,
                        MAKESTRQZ(state, state.NZIELZEILE), true);
  state.LZUWGESICHERT = false;
}

void SetPostalFromCity(ConverterContext& ctx, ConverterJobState& state, WindowHandle dialog,
                       bool ticked) {
  const int remembered = state.NZIELZEILE;
  state.NZIELZEILE = kPostalCodeRow;
  state.LPLZAUSORT = ticked;
  if (ticked && state.AssignedSource(kPostalCodeField) > 0) RemoveSelected(ctx, state, dialog);
  ctx.ui.ListReplaceRow(dialog, kTargetListId, kPostalCodeRow - 1, MAKESTRQZ(state, kPostalCodeRow),
                        false);
  state.LZUWGESICHERT = false;
  ctx.ui.ListSelectRow(dialog, kTargetListId, remembered - 1);
  state.NZIELZEILE = remembered;
}

bool ReadyToConvert(ConverterContext& ctx, const ConverterJobState& state, WindowHandle frame) {
  const auto label = [&](int row) {
    return kQ + state.AZIELFELDER[static_cast<size_t>(row - 1)].label + kQ;
  };
  if (state.AssignedSource(kNameField) == 0) {
    Refuse(ctx, frame,
           "Dem QZ-Feld " + label(1) +
               " wurde kein Feld zugewiesen!\nDiesem Feld muß ein Feld zugewiesen werden!");
    return false;
  }
  if (state.AssignedSource(kCountryField) == 0) {
    return AskOkCancel(ctx, frame,
                       "Dem QZ-Feld " + label(9) +
                           " wurde kein Feld zugewiesen!\nWollen Sie ein Standard-Land wählen?");
  }
  return true;
}

}  // namespace tabrix
