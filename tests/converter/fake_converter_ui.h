#pragma once
// A scripted ConverterUi for the converter tests: it records every call as one line of text in
// `log` (and every chooser request in `chooserRequests`), answers message boxes and file
// choosers from queues the test fills, and keeps settings in a map. The frame's dialogs are
// scripted too: each chooser and protocol dialog takes its steps from `dialogSteps`, and the
// frame's close (the "Abbruch" of a chooser, or a step of its own) runs `onFrameClose`, as the
// real frame runs CLOSEALL.

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "converter/converter_ui.h"

namespace tabrix {

inline const char* ButtonsName(MessageButtons b) {
  switch (b) {
    case MessageButtons::kOk:
      return "Ok";
    case MessageButtons::kOkCancel:
      return "OkCancel";
    case MessageButtons::kYesNo:
      return "YesNo";
  }
  return "?";
}

// The log line of a message box as FakeConverterUi records it.
inline std::string MessageLine(WindowHandle owner, const std::string& title, MessageButtons buttons,
                               const std::string& text) {
  return "message owner=" + std::to_string(owner) + " title=" + title + " " + ButtonsName(buttons) +
         ": " + text;
}

// One step of the user in a chooser or protocol dialog.
struct DialogStep {
  enum Kind {
    kChoose,  // select `row` (1-based) and press "Zuweisen"/"Verknüpfen"
    kThird,   // press the third button ("kein Ersatzfeld", "aus Datei")
    kAbort,   // press "Abbruch": the frame closes
    kEnde,    // protocol: "Ende"
    kSave,    // protocol: "Protokoll speichern"
  };
  Kind kind = kChoose;
  int row = 0;
};

// The window handles the fake hands out for its dialogs.
inline constexpr WindowHandle kFakeChooser = 77;
inline constexpr WindowHandle kFakeProtocol = 78;

class FakeConverterUi : public ConverterUi {
 public:
  // Frame and dialogs.
  std::deque<DialogStep> dialogSteps;
  std::vector<ChooserView> chooserViews;   // every chooser shown, in order
  std::vector<std::string> protocolTexts;  // what each protocol dialog showed in its edit area
  std::vector<std::string> progressTexts;  // "name|counter" per renewal of the progress texts
  std::function<void()> onFrameClose;      // the frame's close handling (runs CLOSEALL)
  std::function<int(const std::string&)> protocolWidth = [](const std::string& t) {
    return static_cast<int>(t.size()) * 7;
  };
  bool progressShown = false;
  int closesPosted = 0;

  std::vector<std::string> log;
  std::vector<FileChooserRequest> chooserRequests;
  std::deque<MessageAnswer> answers;                   // one per question box, in order
  std::deque<std::optional<std::string>> chosenFiles;  // one per chooser, in order
  std::map<std::tuple<std::string, std::string, std::string>, std::string> settings;
  std::function<void()> onPendingMessages;  // runs inside HandlePendingMessages
  std::function<void()> whileChooserOpen;   // runs when a chooser opens (it handles messages)
  std::function<void()> onCloseViewer;      // runs inside CloseSourceViewer

  void Beep() override { log.push_back("beep"); }

  MessageAnswer ShowMessage(WindowHandle owner, const std::string& text, const std::string& title,
                            MessageButtons buttons) override {
    log.push_back(MessageLine(owner, title, buttons, text));
    if (buttons == MessageButtons::kOk) return MessageAnswer::kOk;
    if (answers.empty()) throw std::logic_error("unexpected question: " + text);
    const MessageAnswer a = answers.front();
    answers.pop_front();
    return a;
  }

  std::optional<std::string> ChooseOpenFile(const FileChooserRequest& r) override {
    return Choose("open", r);
  }
  std::optional<std::string> ChooseSaveFile(const FileChooserRequest& r) override {
    return Choose("save", r);
  }

  void HandlePendingMessages() override {
    log.push_back("pump");
    if (onPendingMessages) onPendingMessages();
  }

  std::string ReadSetting(const std::string& file, const std::string& section,
                          const std::string& key, const std::string& def) override {
    const auto it = settings.find({file, section, key});
    return it == settings.end() ? def : it->second;
  }
  void WriteSetting(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& value) override {
    log.push_back("setting " + section + "." + key + "=" + value);
    settings[{file, section, key}] = value;
  }

  void ListReplaceRow(WindowHandle dialog, int listId, int row, const std::string& text,
                      bool select) override {
    log.push_back("replace " + Where(dialog, listId) + " row " + std::to_string(row) + " [" + text +
                  "]" + (select ? " select" : ""));
  }
  void ListDeleteRow(WindowHandle dialog, int listId, int row) override {
    log.push_back("delete " + Where(dialog, listId) + " row " + std::to_string(row));
  }
  void ListAddRow(WindowHandle dialog, int listId, const std::string& text) override {
    log.push_back("add " + Where(dialog, listId) + " [" + text + "]");
  }
  void ListDeleteAllRows(WindowHandle dialog, int listId) override {
    log.push_back("clear " + Where(dialog, listId));
  }
  void ListSelectRow(WindowHandle dialog, int listId, int row) override {
    log.push_back("select " + Where(dialog, listId) + " row " + std::to_string(row));
  }
  void RefitTargetExtent(WindowHandle dialog) override {
    log.push_back("refit " + std::to_string(dialog));
  }
  void SetCheckBox(WindowHandle dialog, int id, bool checked) override {
    log.push_back("check " + Where(dialog, id) + (checked ? " on" : " off"));
  }

  void PostFrameClose() override {
    log.push_back("post close");
    ++closesPosted;
  }
  void DestroyDialog(WindowHandle dialog) override {
    log.push_back("destroy " + std::to_string(dialog));
  }
  void ShowProgress() override {
    log.push_back("progress show");
    progressShown = true;
  }
  void CloseProgress() override {
    if (!progressShown) return;
    log.push_back("progress close");
    progressShown = false;
  }
  bool ProgressShown() override { return progressShown; }
  void SetProgressTexts(const std::string& name, const std::string& counter) override {
    progressTexts.push_back(name + "|" + counter);
  }

  int RunChooser(const ChooserView& view, ChooserEvents& events) override {
    log.push_back("chooser [" + view.labelAnsi + "]" +
                  (view.thirdButtonAnsi ? " third=" + *view.thirdButtonAnsi : std::string()));
    chooserViews.push_back(view);
    if (whileChooserOpen) whileChooserOpen();
    for (;;) {
      const DialogStep step = NextStep("chooser " + view.labelAnsi);
      std::optional<int> result;
      if (step.kind == DialogStep::kChoose) result = events.OnChoose(step.row);
      if (step.kind == DialogStep::kThird) result = events.OnThirdButton(kFakeChooser);
      if (step.kind == DialogStep::kAbort) {
        CloseFrame();
        return 0;
      }
      if (result) return *result;
    }
  }

  void RunProtocol(ProtocolEvents& events) override {
    log.push_back("protocol [" + events.CountLineAnsi() + "]");
    protocolTexts.push_back(events.BuildTextAnsi(protocolWidth));
    for (;;) {
      const DialogStep step = NextStep("protocol");
      if (step.kind == DialogStep::kEnde) return;
      if (step.kind == DialogStep::kAbort) return CloseFrame();
      if (step.kind == DialogStep::kSave && events.OnSave(kFakeProtocol)) return;
    }
  }

  void CloseSourceViewer() override {
    log.push_back("viewer close");
    if (onCloseViewer) onCloseViewer();
  }

  // The log lines that start with prefix.
  std::vector<std::string> Lines(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const std::string& line : log) {
      if (line.rfind(prefix, 0) == 0) out.push_back(line);
    }
    return out;
  }

 private:
  DialogStep NextStep(const std::string& where) {
    if (dialogSteps.empty()) throw std::logic_error("no step scripted for " + where);
    DialogStep step = dialogSteps.front();
    dialogSteps.pop_front();
    return step;
  }
  void CloseFrame() {
    log.push_back("frame close");
    if (onFrameClose) onFrameClose();
  }
  static std::string Where(WindowHandle dialog, int id) {
    return std::to_string(dialog) + "/" + std::to_string(id);
  }
  std::optional<std::string> Choose(const char* kind, const FileChooserRequest& r) {
    log.push_back(std::string("choose ") + kind);
    chooserRequests.push_back(r);
    if (chosenFiles.empty()) throw std::logic_error("unexpected file chooser");
    std::optional<std::string> f = chosenFiles.front();
    chosenFiles.pop_front();
    return f;
  }
};

}  // namespace tabrix
