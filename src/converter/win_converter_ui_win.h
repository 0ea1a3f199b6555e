#pragma once
// WinConverterUi: the converter's window side (ConverterUi) with the platform calls, and the
// frame's other dialogs: the progress dialog "DIALOG_3", the choosers "DIALOG_2" / "DIALOG_5"
// and the protocol dialog "DIALOG_4".
//
// Every dialog here is a child of the frame; creating one makes it the frame's current dialog
// (tabrix_app_win.h). RunChooser and RunProtocol wait for their dialog to be destroyed, handling
// window messages meanwhile through the application object's local pump, so the frame's close
// can run inside them.

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "converter/converter_ui.h"
#include "converter/file_chooser_win.h"
#include "converter/job_state.h"
#include "converter/resource_ids.h"
#include "converter/tabrix_app_win.h"

namespace tabrix {

// Dialog template names and the control ids the window side uses.
inline constexpr char kConverterDialog[] = TABRIX_RESOURCE_NAME(IDD_TABRIX_CONVERTER);
inline constexpr char kChooserWithThirdButton[] =
    TABRIX_RESOURCE_NAME(IDD_TABRIX_CHOOSER_THIRD_BUTTON);
inline constexpr char kProgressDialog[] = TABRIX_RESOURCE_NAME(IDD_TABRIX_PROGRESS);
inline constexpr char kProtocolDialog[] = TABRIX_RESOURCE_NAME(IDD_TABRIX_PROTOCOL);
inline constexpr char kChooserDialog[] = TABRIX_RESOURCE_NAME(IDD_TABRIX_CHOOSER);
inline constexpr char kHostDialog[] = TABRIX_RESOURCE_NAME(IDD_TABRIX_HOST);
inline constexpr int kProgressNameId = IDC_PROGRESS_NAME;
inline constexpr int kProgressCounterId = IDC_PROGRESS_COUNTER;
inline constexpr int kChooserListId = IDC_CHOOSER_LIST;
inline constexpr int kLabelId = IDC_CHOOSER_LABEL;
inline constexpr int kProtocolLabelId = IDC_PROTOCOL_LABEL;
inline constexpr int kChooseButtonId = IDC_CHOOSER_CHOOSE;
inline constexpr int kThirdButtonId = IDC_CHOOSER_THIRD;
inline constexpr int kCancelButtonId = IDC_CHOOSER_CANCEL;
inline constexpr int kProtocolEditId = IDC_PROTOCOL_EDIT;
inline constexpr int kProtocolEndId = IDC_PROTOCOL_END;
inline constexpr int kProtocolSaveId = IDC_PROTOCOL_SAVE;
// The protocol's edit area: style WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_TABSTOP |
// ES_MULTILINE | ES_AUTOVSCROLL. Without horizontal scrolling the lines wrap inside the area: the
// protocol text breaks its lines only once they are wider than 270 pixels, which is more than
// the area shows. Then its text limit and the size of the text store asked for.
inline constexpr DWORD kProtocolEditStyle =
    WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL;
inline constexpr int kProtocolTextLimit = 60000;
inline constexpr int kProtocolStoreBytes = 61000;
// Column widths (percent) of the multi-column lists.
inline const std::vector<double> kThreeColumns{70, 15, 15};

// EDITFENSTER: replaces control 101 of `dialog` by a multi-line edit with the id 101 at the same
// place and size (and place in the tab order), the protocol style, a limit of 60000 characters
// and the dialog's font; `store` (CREATEPVHEAP's token) is given as its instance. Returns it.
HWND EDITFENSTER(HWND dialog, uintptr_t store);

class WinConverterUi : public ConverterUi {
 public:
  // The platform calls that block for the user, replaceable by tests.
  struct Platform {
    std::function<int(HWND owner, const std::string& text, const std::string& title, UINT flags)>
        messageBox;
    std::function<std::optional<std::string>(const PlainFileChooser&)> fileChooser;
  };
  static Platform DefaultPlatform();

  // `app` names the frame, the resources (HINST) and the application object; `state` is the
  // job state the target list's rows are measured from.
  WinConverterUi(AppContext& app, const ConverterJobState& state,
                 Platform platform = DefaultPlatform());

  void Beep() override;
  MessageAnswer ShowMessage(WindowHandle owner, const std::string& textAnsi,
                            const std::string& titleAnsi, MessageButtons buttons) override;
  std::optional<std::string> ChooseOpenFile(const FileChooserRequest& request) override;
  std::optional<std::string> ChooseSaveFile(const FileChooserRequest& request) override;
  void HandlePendingMessages() override;

  std::string ReadSetting(const std::string& file, const std::string& section,
                          const std::string& key, const std::string& def) override;
  void WriteSetting(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& value) override;

  void ListReplaceRow(WindowHandle dialog, int listId, int row, const std::string& text,
                      bool select) override;
  void ListDeleteRow(WindowHandle dialog, int listId, int row) override;
  void ListAddRow(WindowHandle dialog, int listId, const std::string& text) override;
  void ListDeleteAllRows(WindowHandle dialog, int listId) override;
  void ListSelectRow(WindowHandle dialog, int listId, int row) override;
  void RefitTargetExtent(WindowHandle dialog) override;
  void SetCheckBox(WindowHandle dialog, int id, bool checked) override;

  void PostFrameClose() override;
  void DestroyDialog(WindowHandle dialog) override;
  void ShowProgress() override;
  void CloseProgress() override;
  bool ProgressShown() override;
  void SetProgressTexts(const std::string& nameAnsi, const std::string& counterAnsi) override;
  int RunChooser(const ChooserView& view, ChooserEvents& events) override;
  void RunProtocol(ProtocolEvents& events) override;
  void CloseSourceViewer() override;

  // The progress dialog shown now (nullptr when none).
  HWND ProgressDialog() const { return progress_; }

 private:
  struct ChooserRun;
  struct ProtocolRun;
  MsgResult ChooserEvent(ChooserRun& run, HWND dialog, UINT message, WPARAM wParam);
  void ChooserCommand(ChooserRun& run, HWND dialog, int id, int code);
  void InitChooser(const ChooserRun& run, HWND dialog);
  MsgResult ProtocolEvent(ProtocolRun& run, HWND dialog, UINT message, WPARAM wParam);
  void InitProtocol(ProtocolRun& run, HWND dialog);
  // Marks a dialog of this object as the application's dialog for keyboard navigation while it
  // is active (WM_ACTIVATE), and forgets it when it goes.
  void Activated(HWND dialog, WPARAM wParam);
  void Gone(HWND dialog);
  // Handles window messages until `window` (cleared by the dialog's WM_DESTROY) is none.
  void WaitUntilGone(const HWND& window);
  std::optional<std::string> Choose(bool save, const FileChooserRequest& request);

  AppContext& app_;
  const ConverterJobState& state_;
  Platform platform_;
  HWND progress_ = nullptr;
};

}  // namespace tabrix
