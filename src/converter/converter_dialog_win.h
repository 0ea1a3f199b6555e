#pragma once
// The converter dialog "DIALOG_1" and the converter jobs behind it (window side): CONVINIT
// creates the dialog once ConverterJob has opened the job, DIALOG1EVENT turns the dialog's
// messages into the job's and the assignment operations, CLOSEALL ends the job.
//
// Dialog "DIALOG_1": source list 101 and target list 102 (three columns 70/15/15 each),
// buttons 106 "Zuweisen", 107 "Endgültig zuweisen", 108 "Zuweisung Entfernen", 103
// "Konvertieren", 111 "Zuweisungen öffnen", 112 "Zuweisng. speichern", 109 "Datenbank öffnen",
// 104 "Abbruch", check boxes 113 (double click assigns finally), 114 (message on fields that
// do not fit), 115 (postal codes inside city names), 116 (source data viewer), caption 110.

#include <windows.h>

#include <memory>

#include "converter/converter_job.h"
#include "converter/resource_ids.h"
#include "converter/tabrix_app_win.h"
#include "framework/native/callback_result.h"

namespace tabrix {

inline constexpr int kConvertButtonId = IDC_CONV_CONVERT;
inline constexpr int kLeaveButtonId = IDC_CONV_LEAVE;
inline constexpr int kAssignButtonId = IDC_CONV_ASSIGN;
inline constexpr int kAssignFinalButtonId = IDC_CONV_ASSIGN_FINAL;
inline constexpr int kRemoveButtonId = IDC_CONV_REMOVE;
inline constexpr int kOtherSourceButtonId = IDC_CONV_OTHER_SOURCE;
inline constexpr int kSourceCaptionId = IDC_CONV_SOURCE_CAPTION;
inline constexpr int kOpenAssignmentButtonId = IDC_CONV_OPEN_ASSIGNMENTS;
inline constexpr int kSaveAssignmentButtonId = IDC_CONV_SAVE_ASSIGNMENTS;
inline constexpr int kDoubleClickBoxId = IDC_CONV_DOUBLE_CLICK_BOX;
inline constexpr int kHintBoxId = IDC_CONV_HINT_BOX;

class ConverterSession : public ConverterJobHost {
 public:
  // `app` gives the frame and the resources; `ctx` and `state` are the converter's context and
  // job state for the whole run.
  ConverterSession(AppContext& app, ConverterContext& ctx, ConverterJobState& state);
  ~ConverterSession() override;

  void CONVINIT(int restartOffset) override;
  void CLOSEALL() override;

  // The converter dialog's callback.
  MsgResult DIALOG1EVENT(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

  // The converter dialog shown now (nullptr when none) and the current job (nullptr before the
  // first CONVINIT).
  HWND Dialog() const { return dialog_; }
  ConverterJob* Job() const { return job_.get(); }

 private:
  MsgResult OnInitDialog(HWND dialog);
  void OnActivate(HWND dialog, WPARAM wParam);
  MsgResult OnCommand(HWND dialog, WPARAM wParam);
  void OnListCommand(HWND dialog, int id, int code);
  void OpenAssignments(HWND dialog);
  void ChooseOtherSource();
  MsgResult OnDestroy(HWND dialog);
  static bool Checked(HWND dialog, int id);

  AppContext& app_;
  ConverterContext& ctx_;
  ConverterJobState& state_;
  std::unique_ptr<ConverterJob> job_;
  HWND dialog_ = nullptr;
};

}  // namespace tabrix
