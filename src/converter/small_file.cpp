#include "converter/small_file.h"

#include "converter/job_state.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>

namespace tabrix {

std::optional<std::string> ReadFilePrefix(Env& files, const std::string& path,
                                          std::size_t maxBytes) {
  std::unique_ptr<File> file;
  if (!files.Open(path, {.exclusive = false, .readOnly = true}, &file).ok()) return std::nullopt;
  uint64_t size = 0;
  // The size only sizes the buffer; the reads decide how much there is.
  if (!file->Size(&size).ok()) size = 0;
  std::string bytes(static_cast<std::size_t>(std::min<uint64_t>(size, maxBytes)), '\0');
  std::size_t got = 0;
  while (got < maxBytes) {
    if (got == bytes.size()) bytes.resize(std::min(maxBytes, bytes.size() * 2 + 4096));
    std::size_t n = 0;
    const auto buffer =
        std::span(reinterpret_cast<uint8_t*>(bytes.data()) + got, bytes.size() - got);
    if (!file->ReadAt(got, buffer, &n).ok() || n == 0) break;
    got += n;
  }
  bytes.resize(got);
  return bytes;
}

bool CreateFileWith(Env& files, const std::string& path, const std::string& bytes) {
  std::unique_ptr<File> file;
  if (!files
           .Open(path,
                 {.exclusive = false, .readOnly = false, .disposition = Disposition::kCreateAlways},
                 &file)
           .ok()) {
    return false;
  }
  // Write errors are not reported: the file exists, and whatever reached it is what the user
  // gets (a later load reads a short file like any other damaged one).
  (void)file->WriteAt(0, std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
  return true;
}

namespace {

std::string FilterText(const ConverterContext& ctx, const char* what, const char* pattern) {
  return ctx.appName + what + " (" + pattern + ")";
}

}  // namespace

std::optional<std::string> ChooseFileToOpen(ConverterContext& ctx, const ConverterJobState& state,
                                            const char* filterWhat, const char* pattern) {
  ConverterUi& ui = ctx.ui;
  FileChooserRequest request;
  request.owner = ctx.chooserOwner;
  request.filters = {{FilterText(ctx, filterWhat, pattern), pattern}};
  request.flags = kOpenChooserFlags;
  request.initialDir = ui.ReadSetting(ctx.settingsFile, kSettingsSection, "LASTPATH2", "");
  request.defaultExt = pattern;
  std::optional<std::string> chosen = ui.ChooseOpenFile(request);
  if (chosen && !chosen->empty()) {
    ui.WriteSetting(ctx.settingsFile, kSettingsSection, "LASTPATH2", FolderOfPath(*chosen));
  }
  ui.HandlePendingMessages();
  if (state.LGESCHLOSSEN) return std::nullopt;
  if (!chosen || chosen->empty() || !ctx.files->FileExists(*chosen)) return std::nullopt;
  return chosen;
}

std::optional<std::string> ChooseFileToSave(ConverterContext& ctx, const SaveChooserText& text,
                                            WindowHandle owner) {
  ConverterUi& ui = ctx.ui;
  std::string folder = ui.ReadSetting(ctx.settingsFile, kSettingsSection, "LASTPATH2", "");
  for (;;) {
    FileChooserRequest request;
    request.owner = ctx.chooserOwner;
    request.initialName = text.initialName;
    request.title = text.title;
    request.filters = {{FilterText(ctx, text.filterWhat, text.pattern), text.pattern}};
    request.flags = kSaveChooserFlags;
    request.initialDir = folder;
    request.defaultExt = text.pattern;
    std::optional<std::string> chosen = ui.ChooseSaveFile(request);
    if (!chosen || chosen->empty()) return std::nullopt;
    folder = FolderOfPath(*chosen);
    ui.WriteSetting(ctx.settingsFile, kSettingsSection, "LASTPATH2", folder);
    if (!ctx.files->FileExists(*chosen)) return chosen;
    if (text.beepBeforeOverwrite) ui.Beep();
    const MessageAnswer answer =
        ui.ShowMessage(owner,
                       "Die Datei " + FileNameOfPath(*chosen) + " Existiert bereits!\n" +
                           "Soll sie überschrieben werden?",
                       ctx.appName, MessageButtons::kOkCancel);
    if (answer == MessageAnswer::kOk) return chosen;
  }
}

std::optional<std::string> ReadChosenFile(ConverterContext& ctx, const std::string& path,
                                          std::size_t maxBytes, WindowHandle owner) {
  std::optional<std::string> bytes = ReadFilePrefix(*ctx.files, path, maxBytes);
  if (!bytes) {
    ctx.ui.Beep();
    ctx.ui.ShowMessage(owner, "Die Datei " + path + " kann nicht geöfnet werden!", ctx.appName,
                       MessageButtons::kOk);
  }
  return bytes;
}

bool WriteChosenFile(ConverterContext& ctx, const std::string& path, const std::string& bytes,
                     WindowHandle owner) {
  if (CreateFileWith(*ctx.files, path, bytes)) return true;
  ctx.ui.Beep();
  ctx.ui.ShowMessage(owner, "Die Datei " + path + " kann nicht erstellt werden!", ctx.appName,
                     MessageButtons::kOk);
  return false;
}

}  // namespace tabrix
