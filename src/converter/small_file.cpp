#include "converter/small_file.h"

#include "converter/job_state.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace tabrix {

bool FileExists(const std::string& path) {
  std::error_code ec;
  const auto status = std::filesystem::status(path, ec);
  return !ec && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

std::optional<std::string> ReadFilePrefix(const std::string& path, std::size_t maxBytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  // The size only sizes the buffer; the read itself decides how much there is.
  std::string bytes(ec ? std::min<std::size_t>(maxBytes, 1 << 16)
                       : static_cast<std::size_t>(std::min<std::uintmax_t>(size, maxBytes)),
                    '\0');
  std::size_t got = 0;
  while (got < maxBytes) {
    if (got == bytes.size()) bytes.resize(std::min(maxBytes, bytes.size() * 2 + 1));
    in.read(bytes.data() + got, static_cast<std::streamsize>(bytes.size() - got));
    const auto n = static_cast<std::size_t>(in.gcount());
    got += n;
    if (n == 0 || !in) break;
  }
  bytes.resize(got);
  return bytes;
}

bool CreateFileWith(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
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
  if (!chosen || chosen->empty() || !FileExists(*chosen)) return std::nullopt;
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
    if (!FileExists(*chosen)) return chosen;
    if (text.beepBeforeOverwrite) ui.Beep();
    const MessageAnswer answer =
        ui.ShowMessage(owner,
                       "Die Datei " + FileNameOfPath(*chosen) + " Existiert bereits!\n" +
                           "Soll sie überschrieben werden?",
                       ctx.appName, MessageButtons::kOkCancel);
    if (answer == MessageAnswer::kOk) return chosen;
  }
}

bool WriteChosenFile(ConverterContext& ctx, const std::string& path, const std::string& bytes,
                     WindowHandle owner) {
  if (CreateFileWith(path, bytes)) return true;
  ctx.ui.Beep();
  ctx.ui.ShowMessage(owner, "Die Datei " + path + " kann nicht erstellt werden!", ctx.appName,
                     MessageButtons::kOk);
  return false;
}

}  // namespace tabrix
