#pragma once
// A scripted ConverterUi for the converter tests: it records every call as one line of text in
// `log` (and every chooser request in `chooserRequests`), answers message boxes and file
// choosers from queues the test fills, and keeps settings in a map.

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

class FakeConverterUi : public ConverterUi {
 public:
  std::vector<std::string> log;
  std::vector<FileChooserRequest> chooserRequests;
  std::deque<MessageAnswer> answers;                   // one per question box, in order
  std::deque<std::optional<std::string>> chosenFiles;  // one per chooser, in order
  std::map<std::tuple<std::string, std::string, std::string>, std::string> settings;
  std::function<void()> onPendingMessages;  // runs inside HandlePendingMessages

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

  // The log lines that start with prefix.
  std::vector<std::string> Lines(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const std::string& line : log) {
      if (line.rfind(prefix, 0) == 0) out.push_back(line);
    }
    return out;
  }

 private:
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
